#include "ui/document/UndoCommands.h"

#include "ui/document/EditorDocument.h"

namespace qz {

namespace detail {

// What the undo steps may touch inside the document.
struct DocumentAccess {
    static Configuration& config(EditorDocument& d) { return d.m_config; }
    static void select(EditorDocument& d, const Selection& s) {
        d.selectAfterEdit(s.key, s.slot, s.row);
    }
    static void writeSettings(EditorDocument& d) { d.writeSettings(); }
    static void dropActionRow(EditorDocument& d) { d.m_actionRow = -1; }
};

} // namespace detail

using detail::DocumentAccess;

std::size_t BytesOf(const std::string& text) {
    // Short texts live inside the string object itself.
    std::string empty;
    return text.capacity() > empty.capacity() ? text.capacity() + 1 : 0;
}

std::size_t BytesOf(const ActionList& list) {
    std::size_t bytes = list.capacity() * sizeof(std::string);
    for (const std::string& text : list) {
        bytes += BytesOf(text);
    }
    return bytes;
}

std::size_t BytesOf(const Key& key) {
    std::size_t bytes = BytesOf(key.keyName) + BytesOf(key.keyLabel);
    for (const ActionList& list : key.slots) {
        bytes += BytesOf(list);
    }
    return bytes;
}

std::size_t BytesOf(const Configuration& config) {
    std::size_t bytes = 0;
    for (const Key& key : config.keys) {
        bytes += BytesOf(key);
    }
    return bytes;
}

std::size_t DocumentCommand::baseBytes(std::size_t objectSize) const {
    // The command object, its text's characters, and QUndoCommand's private part (an estimate:
    // a few pointers and the child list).
    return objectSize + std::size_t(text().capacity()) * sizeof(QChar) + 8 * sizeof(void*);
}

void DocumentCommand::select(const Selection& selection) {
    DocumentAccess::select(m_document, selection);
}

void SlotCommand::swap() {
    Configuration& config = DocumentAccess::config(m_document);
    std::swap(config.keys[size_t(m_key)].slots[size_t(m_slot)], m_other);
    Q_EMIT m_document.slotChanged(m_key, m_slot);
}

void SlotCommand::redo() {
    swap();
    select(m_after);
}

void SlotCommand::undo() {
    swap();
    select(m_before);
}

std::size_t SlotCommand::keptBytes() const {
    return baseBytes(sizeof *this) + BytesOf(m_other);
}

void SlotsCommand::swap() {
    Configuration& config = DocumentAccess::config(m_document);
    for (Entry& e : m_entries) {
        std::swap(config.keys[size_t(e.key)].slots[size_t(e.slot)], e.other);
        Q_EMIT m_document.slotChanged(e.key, e.slot);
    }
}

void SlotsCommand::redo() {
    swap();
    select(m_after);
}

void SlotsCommand::undo() {
    swap();
    select(m_before);
}

std::size_t SlotsCommand::keptBytes() const {
    std::size_t bytes = baseBytes(sizeof *this) + m_entries.capacity() * sizeof(Entry);
    for (const Entry& e : m_entries) {
        bytes += BytesOf(e.other);
    }
    return bytes;
}

void KeyCommand::swap() {
    Configuration& config = DocumentAccess::config(m_document);
    std::swap(config.keys[size_t(m_key)], m_other);
    Q_EMIT m_document.keyChanged(m_key);
}

void KeyCommand::redo() {
    swap();
    select(m_after);
}

void KeyCommand::undo() {
    swap();
    select(m_before);
}

std::size_t KeyCommand::keptBytes() const {
    return baseBytes(sizeof *this) + BytesOf(m_other);
}

void IdNumberCommand::swap() {
    std::swap(DocumentAccess::config(m_document).idNumber, m_other);
    Q_EMIT m_document.deviceSettingsChanged();
}

void ConfigurationCommand::swap() {
    Configuration& config = DocumentAccess::config(m_document);
    std::swap(config, m_other);
    DocumentAccess::dropActionRow(m_document);
    if (m_writesSettings) {
        DocumentAccess::writeSettings(m_document);
    }
    Q_EMIT m_document.reset();
    Q_EMIT m_document.deviceSettingsChanged();
    Q_EMIT m_document.currentEventChanged(config.currentKey, config.currentSlot);
    Q_EMIT m_document.currentActionRowChanged(-1);
}

std::size_t ConfigurationCommand::keptBytes() const {
    return baseBytes(sizeof *this) + BytesOf(m_other);
}

} // namespace qz
