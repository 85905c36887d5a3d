#pragma once
// The editor's document: the configuration, its undo history, the project path and the current
// event, without any window. Every change of the configuration goes through one of its
// operations; each operation is one undoable step (or none, when it changes nothing or is
// refused) and says afterwards what changed through the signals below, which the views follow.
//
// Texts and names are QStrings at this boundary; they are stored as 8-bit texts (Latin-1), as
// the project file keeps them. A character above U+00FF is refused on every way in (key names,
// action texts, pasted text) with latin1::OutsideMessage, never turned into "?"; an IR or RS232
// action naming a library that could leave the library folder is refused too.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUndoStack>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Configuration.h"
#include "store/ProjectFile.h"
#include "ui/document/Clipboard.h"

namespace qz {

namespace detail {
struct DocumentAccess;
}

// How an operation ended.
enum class EditStatus {
    Done,      // one step was pushed onto the undo stack
    Unchanged, // nothing to do: nothing changed and nothing was pushed
    Refused,   // not allowed: nothing changed, `message` says why
};

struct EditResult {
    EditStatus status = EditStatus::Unchanged;
    // What the operation produced: the slot of an added or deleted event, the row of an added,
    // edited, deleted or moved action, the first row of pasted actions, the number of events
    // "refre" removed, the new ID number or model; -1 when there is none.
    int position = -1;
    // For Refused: the exact text to show. For Done: what the user must still be told, or empty
    // (the model command that kept actions the new port mode refuses lists them).
    QString message;

    bool done() const { return status == EditStatus::Done; }
    bool refused() const { return status == EditStatus::Refused; }
};

// The result of New, Open and Save.
struct FileResult {
    bool ok = false;
    LoadStatus status = LoadStatus::Loaded; // Open: an unreadable or a damaged file
    QString error;                          // the reason, naming the file
};

// The key settings a key dialog sets; only the fields that are set change.
struct KeySettings {
    bool setName = false;
    QString name;
    bool setLedBrightness = false;
    int ledBrightness = 0; // 0 "--", 1..9
    bool setKeyGroup = false;
    int keyGroup = 0; // 0 none, 1..32
    bool setRepeat = false;
    int repeatDigit = '0'; // character code '0'..'9'
};

// Refusal texts of the document's own (the rule messages come from the rule code).
inline constexpr char kNoEventText[] = "Please Add a Action in Action List";
inline constexpr char kNoRoomText[] =
    "This action does not fit: the event's actions would no longer fit into one frame.";
inline constexpr char kNotActionText[] = "This is not an action text: %1";
inline constexpr char kShiftedFieldsText[] =
    "A name in this action holds \":\", which would shift the action's fields.";
inline constexpr char kNoDeleteRowText[] = "No selected item to delete";
inline constexpr char kNoMoveRowText[] = "No selected item to move";
inline constexpr char kNoEditRowText[] = "No selected item to edit";
inline constexpr char kAddErrorText[] = "Add error";
inline constexpr char kLockedText[] =
    "The keypad is busy with this project (an upload or a clear runs): wait until it ends, or "
    "cancel it.";

// What the model command does with the events and key names.
enum class ModelChange {
    Discard, // every event goes, the keys are laid out afresh
    Keep,    // everything stays; what the new model or port mode refuses is listed
};

// One action to replace: action `row` of the slot of the key gets `text`.
struct ActionUpdate {
    int key = 0;
    int slot = 0;
    int row = 0;
    std::string text;

    bool operator==(const ActionUpdate& o) const {
        return key == o.key && slot == o.slot && row == o.row && text == o.text;
    }
};

class EditorDocument : public QObject {
    Q_OBJECT
  public:
    // Writes the model and port mode to the settings file (qzsetup.ini); the model command calls
    // it after it is done, undone and redone.
    using SettingsWriter = std::function<bool(int model, int port)>;

    // Starts with `config` (as the settings laid it out), no path, an empty and clean history.
    // The settings writer defaults to WriteModelSettings on SettingsPath().
    explicit EditorDocument(Configuration config = Configuration(), QObject* parent = nullptr);
    ~EditorDocument() override;

    const Configuration& configuration() const { return m_config; }
    const Key& key(int key) const { return m_config.keys[size_t(key)]; } // key 0..35
    // The action texts of one slot; empty for a slot or key out of range.
    const ActionList& actions(int key, int slot) const;
    QUndoStack* undoStack() { return &m_undo; }
    const QUndoStack* undoStack() const { return &m_undo; }
    QString path() const { return m_path; }
    // Unsaved changes: the undo stack is away from its clean state.
    bool isModified() const { return !m_undo.isClean(); }
    void setSettingsWriter(SettingsWriter writer) { m_settingsWriter = std::move(writer); }
    // While the keypad reads the project (an upload, a clear), nothing may change it: every
    // edit, New and Open are refused with kLockedText, whichever way they come in.
    void setLocked(bool locked) { m_locked = locked; }
    bool isLocked() const { return m_locked; }

    // --- The current event and the selected action row (selection: never an undo step) ---

    int currentKey() const { return m_config.currentKey; }
    int currentSlot() const { return m_config.currentSlot; }
    // Whether the current (key, slot) holds an event.
    bool hasCurrentEvent() const;
    // Any key 0..35 and slot 0..36 (an empty slot too); out of range is ignored. Another event
    // clears the selected action row; the same event keeps it.
    void setCurrentEvent(int key, int slot);
    // -1 for none; a row outside the current event's listed actions becomes -1.
    int currentActionRow() const { return m_actionRow; }
    void setCurrentActionRow(int row);
    // The rows of the current event that the action list shows: none for a new event whose only
    // element is the blank placeholder.
    int currentActionCount() const;

    // --- Rules ---

    // Why this action text may not enter the configuration as it is now (not an action text, a
    // name holding ":" that shifts its fields, the port and model rules), or empty. A port or
    // model rule's exact text comes first; below it, where the port mode is changed and what the
    // current one allows.
    QString actionRefusal(const QString& text) const;
    QString actionRefusal(const std::string& text) const;

    // --- Events and key settings (one key per undo step) ---

    // The key dialog's "Add": the settings, then AddEvent; the new event becomes current (also
    // when it existed already and nothing changed). position = the slot. Refused for a family
    // the key cannot hold, I/O events on a model without inputs, and arguments that give no
    // slot.
    EditResult addEvent(int key, int family, int index, int sub, const KeySettings& settings = {});
    // The key dialog's "Set": the settings only.
    EditResult setKeySettings(int key, const KeySettings& settings);

    // --- Actions of the current event (one slot per undo step) ---

    // Appends (or replaces the blank placeholder of a new event); position = its row, which
    // becomes the selected row. Refused with "Please Add a Action in Action List" when there is
    // no event at all, or the current slot is empty and not of the key's event family (an event
    // emptied by deleting its last action takes actions again), then by actionRefusal, then
    // when the event's frame would overflow.
    EditResult addAction(const QString& text);
    // Puts the text in place of action `row` of the current event.
    EditResult replaceAction(int row, const QString& text);
    // The list buttons: as the list buttons of the window define them. Without a row they are
    // refused with "No selected item to delete" / "No selected item to move"; "up" on the first
    // row and "Down" on the last change nothing. After a delete the row that took its place is
    // selected; after a move the moved row.
    EditResult deleteAction(int row);
    EditResult moveActionUp(int row);
    EditResult moveActionDown(int row);
    // Empties the current event's slot, the placeholder included: the event is gone.
    EditResult clearActions();

    // --- Events of the lists ---

    // Empties the current event's slot; the first remaining event (by key, then slot) becomes
    // current.
    EditResult deleteEvent();
    // Removes every event that holds only the blank placeholder; the first remaining event
    // becomes current. One undo step however many.
    EditResult purgeEmptyEvents();
    // Empties every slot of every key (one undo step holding the whole configuration).
    EditResult clearAllEvents();
    // Rewrites several actions of any events in one undo step ("Update actions from libraries").
    // Each text passes the rules and every changed event must still fit its frame, else nothing
    // changes. The current event and row stay. position = the number of actions rewritten.
    EditResult replaceActions(const std::vector<ActionUpdate>& updates, const QString& what);

    // --- Device-wide settings ---

    EditResult setIdNumber(int idNumber); // 0 "--", 1..99
    // Whether setModelAndPort would discard at least one event: the caller asks first, with
    // modelChangeQuestion (Keep / Discard / Cancel).
    bool modelChangeDiscardsEvents(int model, int port) const;
    // The project check's lines (as `qzctl check` prints them: key, event, action number and
    // why) for the configuration the model command would leave when it keeps the events.
    QStringList modelChangeFindings(int model, int port) const;
    // The question before a model command that would discard events: what Keep and Discard do,
    // with the actions that Keep leaves refused.
    QString modelChangeQuestion(int model, int port) const;
    // The model command: another model or port mode. Discard empties every slot and lays the
    // keys out again for the model; Keep leaves the events and key names and gives the keys the
    // model's kinds, and its result's message lists what the new model or port mode refuses (an
    // upload refuses until it is fixed). Model 2 always takes port mode 0. One undo step either
    // way; the settings file follows the model and port mode after it is done, undone and redone.
    EditResult setModelAndPort(int model, int port, ModelChange change = ModelChange::Discard);

    // --- Copy and paste ---

    // The given rows of the current event (in ascending order, each once); Empty when none is
    // valid.
    ClipboardContent copyActions(std::vector<int> rows) const;
    // The event (key, slot) with its actions; Empty when the slot holds no event.
    ClipboardContent copyEvent(int key, int slot) const;
    // Inserts the content's actions into the event (key, slot) after `afterRow` (-1: at the end;
    // a new event's placeholder is replaced). The event must exist. Every action passes the
    // rules and the frame must still fit, else nothing is pasted. position = first pasted row;
    // the event becomes current and its last pasted row selected.
    EditResult pasteActions(const ClipboardContent& content, int key, int slot, int afterRow = -1);
    // Creates the copied event on `key` in the same slot, with its actions. Refused when the key
    // cannot hold that event, already holds events of another family (they would be lost), or
    // already holds this event (paste its actions into it instead).
    EditResult pasteEvent(const ClipboardContent& content, int key);
    // What "Paste" does: event content goes onto `key` (-1: the current key) with pasteEvent, or,
    // when that key already holds the event, its actions join that event; action content goes
    // into the current event after the selected row.
    EditResult paste(const ClipboardContent& content, int key = -1);

    // --- Files (New and Open start a fresh history; Save marks the clean state) ---

    // An empty configuration for the current model and port mode; no path.
    void newDocument();
    // Reads into a new configuration that replaces the current one only on success (the JSON
    // form for ".json", the project file otherwise).
    FileResult open(const QString& path);
    // Saves to `path`, or to the current path when empty; on success the path is kept and the
    // history marked clean.
    FileResult save(const QString& path = {});

  Q_SIGNALS:
    // Key settings or several slots of the key changed (events added or removed with their
    // family, names, LED, group, repeat, timers).
    void keyChanged(int key);
    // The action list of one slot changed (the event may have appeared or gone).
    void slotChanged(int key, int slot);
    // ID number, model or port mode.
    void deviceSettingsChanged();
    void currentEventChanged(int key, int slot);
    void currentActionRowChanged(int row);
    // The whole configuration was replaced (New, Open, "Clear All", the model command): views
    // read everything again.
    void reset();
    void modifiedChanged(bool modified);
    void pathChanged(const QString& path);

  private:
    friend struct detail::DocumentAccess;

    EditResult pushSlot(const QString& what, int key, int slot, ActionList after, int rowAfter,
                        int position);
    EditResult pushKey(const QString& what, int key, Key after, int slot);
    EditResult moveAction(int row, int step, const QString& what);
    // A port or model rule's refusal as it is shown (empty stays empty).
    QString ruleRefusal(std::string_view refusal) const;
    void replaceAll(Configuration config);
    void selectAfterEdit(int key, int slot, int row);
    void writeSettings();
    bool validKey(int key) const { return key >= 0 && key < kKeyCount; }
    bool validSlot(int slot) const { return slot >= 0 && slot < kSlotCount; }

    Configuration m_config;
    QUndoStack m_undo;
    QString m_path;
    int m_actionRow = -1;
    SettingsWriter m_settingsWriter;
    bool m_locked = false;
};

} // namespace qz
