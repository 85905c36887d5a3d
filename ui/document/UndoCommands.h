#pragma once
// The undo steps of the editor document. Each keeps only what its edit can change, as the one
// value that is not in the configuration right now: redo and undo swap it with the
// configuration's, so a step holds one slot, one key, or (model command, "Clear All") one whole
// configuration, never two copies. Each also restores the selection of its side, so undo shows
// the state before the edit and redo the state after it.
#include <QUndoCommand>

#include <cstddef>
#include <utility>
#include <vector>

#include "model/Configuration.h"

namespace qz {

class EditorDocument;

// The current event and action row on one side of an edit.
struct Selection {
    int key = 0;
    int slot = 0;
    int row = -1;
};

// Heap and object bytes of the values the steps keep (std::string beyond its own buffer,
// vectors by capacity).
std::size_t BytesOf(const std::string& text);
std::size_t BytesOf(const ActionList& list);
std::size_t BytesOf(const Key& key);
std::size_t BytesOf(const Configuration& config);

class DocumentCommand : public QUndoCommand {
  public:
    DocumentCommand(EditorDocument& document, const QString& text, Selection before,
                    Selection after)
        : QUndoCommand(text), m_document(document), m_before(before), m_after(after) {}
    // What this step keeps: itself, its text and the values it holds.
    virtual std::size_t keptBytes() const = 0;

  protected:
    std::size_t baseBytes(std::size_t objectSize) const;
    void select(const Selection& selection);

    EditorDocument& m_document;
    Selection m_before;
    Selection m_after;
};

// Any edit of one slot's action list: add, edit, delete, move, clear, paste, delete event.
class SlotCommand : public DocumentCommand {
  public:
    SlotCommand(EditorDocument& document, const QString& text, int key, int slot, ActionList after,
                Selection before, Selection afterSelection)
        : DocumentCommand(document, text, before, afterSelection), m_key(key), m_slot(slot),
          m_other(std::move(after)) {}
    void redo() override;
    void undo() override;
    std::size_t keptBytes() const override;

  private:
    void swap();
    int m_key;
    int m_slot;
    ActionList m_other;
};

// Several slots at once, each swapped alone ("refre": the empty events of every key).
class SlotsCommand : public DocumentCommand {
  public:
    struct Entry {
        int key;
        int slot;
        ActionList other;
    };
    SlotsCommand(EditorDocument& document, const QString& text, std::vector<Entry> entries,
                 Selection before, Selection after)
        : DocumentCommand(document, text, before, after), m_entries(std::move(entries)) {}
    void redo() override;
    void undo() override;
    std::size_t keptBytes() const override;

  private:
    void swap();
    std::vector<Entry> m_entries;
};

// Adding an event and the key dialogs' settings: the whole key.
class KeyCommand : public DocumentCommand {
  public:
    KeyCommand(EditorDocument& document, const QString& text, int key, Key after, Selection before,
               Selection afterSelection)
        : DocumentCommand(document, text, before, afterSelection), m_key(key),
          m_other(std::move(after)) {}
    void redo() override;
    void undo() override;
    std::size_t keptBytes() const override;

  private:
    void swap();
    int m_key;
    Key m_other;
};

// The ID number.
class IdNumberCommand : public DocumentCommand {
  public:
    IdNumberCommand(EditorDocument& document, const QString& text, int after, Selection selection)
        : DocumentCommand(document, text, selection, selection), m_other(after) {}
    void redo() override { swap(); }
    void undo() override { swap(); }
    std::size_t keptBytes() const override { return baseBytes(sizeof *this); }

  private:
    void swap();
    int m_other;
};

// The whole configuration: the model command (which also writes the settings file on every
// side) and "Clear All".
class ConfigurationCommand : public DocumentCommand {
  public:
    ConfigurationCommand(EditorDocument& document, const QString& text, Configuration after,
                         bool writesSettings)
        : DocumentCommand(document, text, {}, {}), m_other(std::move(after)),
          m_writesSettings(writesSettings) {}
    void redo() override { swap(); }
    void undo() override { swap(); }
    std::size_t keptBytes() const override;

  private:
    void swap();
    Configuration m_other;
    bool m_writesSettings;
};

} // namespace qz
