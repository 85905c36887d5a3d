#include "ui/document/EditorDocument.h"

#include <algorithm>
#include <memory>

#include "io/Latin1.h"
#include "model/ActionRules.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"
#include "library/ProjectCheck.h"
#include "store/ProjectJson.h"
#include "store/Settings.h"
#include "ui/document/UndoCommands.h"

namespace qz {

namespace {

// The bytes of a text that the caller has checked with OutsideMessage (latin1::ToBytes).
std::string Bytes(const QString& text) {
    return latin1::ToBytes(text).value_or(std::string());
}

QString Latin1(const std::string& text) {
    return latin1::ToQString(text);
}

// Why a text from outside cannot be stored: a character above U+00FF, which no 8-bit text
// holds; empty when it can.
QString OutsideRefusal(const QString& text, const char* place) {
    return latin1::OutsideMessage(text, QLatin1String(place));
}

// The library name an IR or RS232 action text names, when it names one that could leave the
// library folder: such an action would make a path of it wherever its library is looked up.
QString LibraryNameRefusal(const CKvqEventStr& action) {
    const int type = action.GetTypeCode();
    if (type != kActionIr && type != kActionUart) {
        return {};
    }
    const std::string& library = type == kActionIr ? action.GetIrLib() : action.GetUartLib();
    return library.empty() ? QString() : latin1::LibraryNameFaultText(library);
}

EditResult Refuse(const QString& message) {
    return {EditStatus::Refused, -1, message};
}

EditResult Unchanged(int position = -1) {
    return {EditStatus::Unchanged, position, {}};
}

// Whether the key's number of listed events is zero.
bool KeyHasEvents(const Key& key) {
    return std::any_of(key.slots.begin(), key.slots.end(),
                       [](const ActionList& list) { return !list.empty(); });
}

} // namespace

EditorDocument::EditorDocument(Configuration config, QObject* parent)
    : QObject(parent), m_config(std::move(config)),
      m_settingsWriter([](int model, int port) { return WriteModelSettings(model, port); }) {
    connect(&m_undo, &QUndoStack::cleanChanged, this,
            [this](bool clean) { Q_EMIT modifiedChanged(!clean); });
}

EditorDocument::~EditorDocument() = default;

const ActionList& EditorDocument::actions(int key, int slot) const {
    static const ActionList kNone;
    return validKey(key) && validSlot(slot) ? m_config.keys[size_t(key)].slots[size_t(slot)]
                                            : kNone;
}

bool EditorDocument::hasCurrentEvent() const {
    return validKey(currentKey()) && m_config.keys[size_t(currentKey())].HasEvent(currentSlot());
}

void EditorDocument::setCurrentEvent(int key, int slot) {
    if (!validKey(key) || !validSlot(slot)) {
        return;
    }
    if (key == currentKey() && slot == currentSlot()) {
        return; // selecting the same event again keeps its selected action
    }
    m_config.currentKey = key;
    m_config.currentSlot = slot;
    Q_EMIT currentEventChanged(key, slot);
    if (m_actionRow != -1) {
        m_actionRow = -1;
        Q_EMIT currentActionRowChanged(-1);
    }
}

void EditorDocument::setCurrentActionRow(int row) {
    if (row < 0 || row >= currentActionCount()) {
        row = -1;
    }
    if (row != m_actionRow) {
        m_actionRow = row;
        Q_EMIT currentActionRowChanged(row);
    }
}

int EditorDocument::currentActionCount() const {
    return ListedActionCount(actions(currentKey(), currentSlot()));
}

void EditorDocument::selectAfterEdit(int key, int slot, int row) {
    const bool eventChanged = key != currentKey() || slot != currentSlot();
    if (eventChanged && validKey(key) && validSlot(slot)) {
        m_config.currentKey = key;
        m_config.currentSlot = slot;
        Q_EMIT currentEventChanged(key, slot);
    }
    if (row < 0 || row >= currentActionCount()) {
        row = -1;
    }
    if (row != m_actionRow || eventChanged) {
        m_actionRow = row;
        Q_EMIT currentActionRowChanged(row);
    }
}

QString EditorDocument::actionRefusal(const QString& text) const {
    if (const QString outside = OutsideRefusal(text, "Action"); !outside.isEmpty()) {
        return outside;
    }
    return actionRefusal(Bytes(text));
}

QString EditorDocument::actionRefusal(const std::string& text) const {
    const CKvqEventStr action(text);
    if (IsBlank(text) || !action.IsValid()) {
        return QString::fromLatin1(kNotActionText).arg(Latin1(text));
    }
    if (ShiftsFields(text)) {
        return QString::fromLatin1(kShiftedFieldsText);
    }
    if (const QString library = LibraryNameRefusal(action); !library.isEmpty()) {
        return library;
    }
    return ruleRefusal(ActionRefusal(text, m_config.deviceModel, m_config.portMode));
}

QString EditorDocument::ruleRefusal(std::string_view refusal) const {
    return Latin1(ExplainedRefusal(refusal, m_config.deviceModel, m_config.portMode));
}

// --- Undo steps ---

EditResult EditorDocument::pushSlot(const QString& what, int key, int slot, ActionList after,
                                    int rowAfter, int position) {
    if (after == m_config.keys[size_t(key)].slots[size_t(slot)]) {
        return Unchanged(position);
    }
    const Selection before{currentKey(), currentSlot(), m_actionRow};
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(
        new SlotCommand(*this, what, key, slot, std::move(after), before, {key, slot, rowAfter}));
    return {EditStatus::Done, position, {}};
}

EditResult EditorDocument::pushKey(const QString& what, int key, Key after, int slot) {
    if (after == m_config.keys[size_t(key)]) {
        // The key dialog's "Add" of an existing event still makes it current.
        if (slot >= 0 && (key != currentKey() || slot != currentSlot())) {
            selectAfterEdit(key, slot, -1);
        }
        return Unchanged(slot);
    }
    const Selection before{currentKey(), currentSlot(), m_actionRow};
    const Selection afterSelection = slot >= 0 ? Selection{key, slot, -1} : before;
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(new KeyCommand(*this, what, key, std::move(after), before, afterSelection));
    return {EditStatus::Done, slot, {}};
}

// --- Events and key settings ---

namespace {

// Applies the set fields; false when one is out of range.
bool ApplySettings(Key& key, const KeySettings& s) {
    if ((s.setLedBrightness && (s.ledBrightness < 0 || s.ledBrightness > 9)) ||
        (s.setKeyGroup && (s.keyGroup < 0 || s.keyGroup > 32)) ||
        (s.setRepeat && (s.repeatDigit < '0' || s.repeatDigit > '9'))) {
        return false;
    }
    if (s.setName) {
        key.keyName = Bytes(s.name);
    }
    if (s.setLedBrightness) {
        key.ledBrightness = s.ledBrightness;
    }
    if (s.setKeyGroup) {
        key.keyGroup = s.keyGroup;
    }
    if (s.setRepeat) {
        key.repeatInterval = s.repeatDigit;
    }
    return true;
}

} // namespace

EditResult EditorDocument::addEvent(int key, int family, int index, int sub,
                                    const KeySettings& settings) {
    if (settings.setName) {
        if (const QString outside = OutsideRefusal(settings.name, "Key name"); !outside.isEmpty()) {
            return Refuse(outside);
        }
    }
    if (!validKey(key) || SlotFor(family, index, sub) < 0 ||
        !FamilyFitsKind(family, m_config.keys[size_t(key)].keyKind)) {
        return Refuse(QString::fromLatin1(kAddErrorText));
    }
    if ((family == kFamilyIoLow || family == kFamilyIoHigh) && !HasIoInputs(m_config.deviceModel)) {
        return Refuse(ruleRefusal(kRefusalIo));
    }
    Key after = m_config.keys[size_t(key)];
    if (!ApplySettings(after, settings)) {
        return Refuse(QString::fromLatin1(kAddErrorText));
    }
    const int slot = AddEvent(after, family, index, sub);
    return pushKey(QStringLiteral("Add event"), key, std::move(after), slot);
}

EditResult EditorDocument::setKeySettings(int key, const KeySettings& settings) {
    if (settings.setName) {
        if (const QString outside = OutsideRefusal(settings.name, "Key name"); !outside.isEmpty()) {
            return Refuse(outside);
        }
    }
    if (!validKey(key)) {
        return Refuse(QString::fromLatin1(kAddErrorText));
    }
    Key after = m_config.keys[size_t(key)];
    if (!ApplySettings(after, settings)) {
        return Refuse(QString::fromLatin1(kAddErrorText));
    }
    return pushKey(QStringLiteral("Key settings"), key, std::move(after), -1);
}

// --- Actions ---

namespace {

bool AnyEvent(const Configuration& config) {
    return std::any_of(config.keys.begin(), config.keys.end(), KeyHasEvents);
}

} // namespace

EditResult EditorDocument::addAction(const QString& text) {
    const int key = currentKey();
    const int slot = currentSlot();
    if (!AnyEvent(m_config) || !validKey(key) || !validSlot(slot)) {
        return Refuse(QString::fromLatin1(kNoEventText));
    }
    // An event whose last action was removed is still the current event and takes actions
    // again, as long as the key still holds that kind of event.
    const Key& k = m_config.keys[size_t(key)];
    if (!k.HasEvent(slot) &&
        (FamilyOfSlot(slot) != k.lastFamily || !FamilyFitsKind(k.lastFamily, k.keyKind))) {
        return Refuse(QString::fromLatin1(kNoEventText));
    }
    if (const QString outside = OutsideRefusal(text, "Action"); !outside.isEmpty()) {
        return Refuse(outside);
    }
    const std::string bytes = Bytes(text);
    if (const QString refusal = actionRefusal(bytes); !refusal.isEmpty()) {
        return Refuse(refusal);
    }
    ActionList after = k.slots[size_t(slot)];
    const int row = AppendAction(after, bytes);
    if (row == kNoRoom) {
        return Refuse(QString::fromLatin1(kNoRoomText));
    }
    return pushSlot(QStringLiteral("Add action"), key, slot, std::move(after), row, row);
}

EditResult EditorDocument::replaceAction(int row, const QString& text) {
    if (row < 0 || row >= currentActionCount()) {
        return Refuse(QString::fromLatin1(kNoEditRowText));
    }
    const int key = currentKey();
    const int slot = currentSlot();
    if (const QString outside = OutsideRefusal(text, "Action"); !outside.isEmpty()) {
        return Refuse(outside);
    }
    const std::string bytes = Bytes(text);
    if (const QString refusal = actionRefusal(bytes); !refusal.isEmpty()) {
        return Refuse(refusal);
    }
    ActionList after = m_config.keys[size_t(key)].slots[size_t(slot)];
    if (ReplaceActionAt(after, row, bytes) == kNoRoom) {
        return Refuse(QString::fromLatin1(kNoRoomText));
    }
    return pushSlot(QStringLiteral("Edit action"), key, slot, std::move(after), row, row);
}

EditResult EditorDocument::deleteAction(int row) {
    if (row < 0) {
        return Refuse(QString::fromLatin1(kNoDeleteRowText));
    }
    const int key = currentKey();
    const int slot = currentSlot();
    ActionList after = actions(key, slot);
    if (!EraseAction(after, row)) {
        return Unchanged();
    }
    const int next = after.empty() ? -1 : std::min(row, int(after.size()) - 1);
    return pushSlot(QStringLiteral("Delete action"), key, slot, std::move(after), next, row);
}

EditResult EditorDocument::moveActionUp(int row) {
    if (row < 0) {
        return Refuse(QString::fromLatin1(kNoMoveRowText));
    }
    return moveAction(row, -1, QStringLiteral("Move action up"));
}

EditResult EditorDocument::moveActionDown(int row) {
    if (row < 0) {
        return Refuse(QString::fromLatin1(kNoMoveRowText));
    }
    return moveAction(row, +1, QStringLiteral("Move action down"));
}

EditResult EditorDocument::moveAction(int row, int step, const QString& what) {
    const int key = currentKey();
    const int slot = currentSlot();
    ActionList after = actions(key, slot);
    const int moved = MoveAction(after, row, step);
    if (moved < 0) {
        return Unchanged();
    }
    return pushSlot(what, key, slot, std::move(after), moved, moved);
}

EditResult EditorDocument::clearActions() {
    ActionList after = actions(currentKey(), currentSlot());
    if (!ClearListedActions(after)) {
        return Unchanged();
    }
    return pushSlot(QStringLiteral("Clear actions"), currentKey(), currentSlot(), std::move(after),
                    -1, -1);
}

// --- Events of the lists ---

namespace {

// The first event by key, then slot, that `gone` does not name.
template <typename Gone> Selection FirstEvent(const Configuration& config, Gone gone) {
    for (int k = 0; k < kKeyCount; ++k) {
        for (int s = 0; s < kSlotCount; ++s) {
            if (config.keys[size_t(k)].HasEvent(s) && !gone(k, s)) {
                return {k, s, -1};
            }
        }
    }
    return {config.currentKey, config.currentSlot, -1};
}

} // namespace

EditResult EditorDocument::deleteEvent() {
    if (!hasCurrentEvent()) {
        return Unchanged();
    }
    const int key = currentKey();
    const int slot = currentSlot();
    const Selection next =
        FirstEvent(m_config, [&](int k, int s) { return k == key && s == slot; });
    const Selection before{key, slot, m_actionRow};
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(
        new SlotCommand(*this, QStringLiteral("Delete event"), key, slot, {}, before, next));
    return {EditStatus::Done, slot, {}};
}

EditResult EditorDocument::purgeEmptyEvents() {
    std::vector<SlotsCommand::Entry> entries;
    for (const auto& [k, s] : m_config.EmptyEvents()) {
        entries.push_back({k, s, {}});
    }
    if (entries.empty()) {
        return Unchanged();
    }
    const Selection next = FirstEvent(m_config, [&](int k, int s) {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const SlotsCommand::Entry& e) { return e.key == k && e.slot == s; });
    });
    const int removed = int(entries.size());
    const Selection before{currentKey(), currentSlot(), m_actionRow};
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(new SlotsCommand(*this, QStringLiteral("Remove events without actions"),
                                 std::move(entries), before, next));
    return {EditStatus::Done, removed, {}};
}

EditResult EditorDocument::replaceActions(const std::vector<ActionUpdate>& updates,
                                          const QString& what) {
    std::vector<SlotsCommand::Entry> entries;
    int rewritten = 0;
    for (const ActionUpdate& update : updates) {
        if (!validKey(update.key) || !validSlot(update.slot)) {
            return Refuse(QString::fromLatin1(kNoEditRowText));
        }
        auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
            return e.key == update.key && e.slot == update.slot;
        });
        if (entry == entries.end()) {
            entries.push_back({update.key, update.slot,
                               m_config.keys[size_t(update.key)].slots[size_t(update.slot)]});
            entry = entries.end() - 1;
        }
        if (update.row < 0 || update.row >= int(entry->other.size())) {
            return Refuse(QString::fromLatin1(kNoEditRowText));
        }
        if (const QString refusal = actionRefusal(update.text); !refusal.isEmpty()) {
            return Refuse(refusal);
        }
        if (entry->other[size_t(update.row)] != update.text) {
            entry->other[size_t(update.row)] = update.text;
            ++rewritten;
        }
    }
    for (const SlotsCommand::Entry& entry : entries) {
        if (!MeasureEvent(entry.other).fits) {
            return Refuse(QString::fromLatin1(kNoRoomText));
        }
    }
    if (rewritten == 0) {
        return Unchanged();
    }
    const Selection here{currentKey(), currentSlot(), m_actionRow};
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(new SlotsCommand(*this, what, std::move(entries), here, here));
    return {EditStatus::Done, rewritten, {}};
}

EditResult EditorDocument::clearAllEvents() {
    if (!AnyEvent(m_config)) {
        return Unchanged();
    }
    Configuration after = m_config;
    after.ClearAllEvents();
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(new ConfigurationCommand(*this, QStringLiteral("Clear all events"),
                                         std::move(after), false));
    return {EditStatus::Done, -1, {}};
}

// --- Device-wide settings ---

EditResult EditorDocument::setIdNumber(int idNumber) {
    if (idNumber < 0 || idNumber > kMaxIdNumber) {
        return Refuse(
            QStringLiteral("ID No. %1 is out of range (0 to %2).").arg(idNumber).arg(kMaxIdNumber));
    }
    if (idNumber == m_config.idNumber) {
        return Unchanged();
    }
    const Selection here{currentKey(), currentSlot(), m_actionRow};
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(new IdNumberCommand(*this, QStringLiteral("ID No."), idNumber, here));
    return {EditStatus::Done, idNumber, {}};
}

namespace {

int EffectivePort(int model, int port) {
    return model == 2 ? 0 : port;
}

// At most this many findings are named in the question; the result's message names them all.
constexpr int kQuestionFindings = 12;

} // namespace

bool EditorDocument::modelChangeDiscardsEvents(int model, int port) const {
    if (!IsKnownDeviceModel(model) || port < 0 || port >= kPortModeCount) {
        return false;
    }
    const bool change =
        model != m_config.deviceModel || EffectivePort(model, port) != m_config.portMode;
    return change && AnyEvent(m_config);
}

QStringList EditorDocument::modelChangeFindings(int model, int port) const {
    Configuration after = m_config;
    if (!after.ChangeModel(model, port, true)) {
        return {};
    }
    QStringList lines;
    for (const Finding& finding : CheckProject(after)) {
        lines << FindingLine(after, finding);
    }
    return lines;
}

QString EditorDocument::modelChangeQuestion(int model, int port) const {
    const char* name = DeviceModelName(model);
    const char* mode = PortModeText(EffectivePort(model, port));
    if (!name || !mode) {
        return {};
    }
    QString text = QStringLiteral("Switching the device model to \"%1\" with port mode \"%2\".\r\r")
                       .arg(QLatin1String(name), QLatin1String(mode));
    const QStringList findings = modelChangeFindings(model, port);
    if (findings.isEmpty()) {
        text += QStringLiteral("Keep: the events and key names stay; the new setting refuses none "
                               "of their actions.");
    } else {
        text += QStringLiteral("Keep: the events and key names stay; the new setting refuses what "
                               "is listed below, and an upload refuses until it is fixed:");
        for (int i = 0; i < findings.size() && i < kQuestionFindings; ++i) {
            text += QStringLiteral("\r  ") + findings[i];
        }
        if (findings.size() > kQuestionFindings) {
            text += QStringLiteral("\r  ... and %1 more").arg(findings.size() - kQuestionFindings);
        }
    }
    text += QStringLiteral("\r\rDiscard: every event of this project is discarded and the keys "
                           "are laid out again.\r\rUndo brings back what was there before.");
    return text;
}

EditResult EditorDocument::setModelAndPort(int model, int port, ModelChange change) {
    if (!IsKnownDeviceModel(model)) {
        return Refuse(QStringLiteral("Device model %1 is unknown (0, 1 or 2).").arg(model));
    }
    if (port < 0 || port >= kPortModeCount) {
        return Refuse(QStringLiteral("Port mode %1 is unknown (0 to 3).").arg(port));
    }
    if (model == m_config.deviceModel && EffectivePort(model, port) == m_config.portMode) {
        return Unchanged();
    }
    const bool keep = change == ModelChange::Keep;
    EditResult result{EditStatus::Done, model, {}};
    if (keep) {
        const QStringList findings = modelChangeFindings(model, port);
        if (!findings.isEmpty()) {
            result.message = QStringLiteral("The events were kept. An upload refuses until "
                                            "these are fixed:\r") +
                             findings.join(QLatin1Char('\r'));
        }
    }
    Configuration after = m_config;
    after.ChangeModel(model, port, keep);
    if (m_locked) {
        return Refuse(QString::fromLatin1(kLockedText));
    }
    m_undo.push(new ConfigurationCommand(
        *this, keep ? QStringLiteral("Device model (events kept)") : QStringLiteral("Device model"),
        std::move(after), true));
    return result;
}

void EditorDocument::writeSettings() {
    if (m_settingsWriter) {
        m_settingsWriter(m_config.deviceModel, m_config.portMode);
    }
}

// --- Copy and paste ---

ClipboardContent EditorDocument::copyActions(std::vector<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    ClipboardContent content;
    const ActionList& list = actions(currentKey(), currentSlot());
    const int count = currentActionCount();
    for (int row : rows) {
        if (row >= 0 && row < count) {
            content.actions.push_back(list[size_t(row)]);
        }
    }
    if (!content.actions.empty()) {
        content.kind = ClipboardContent::Actions;
    }
    return content;
}

ClipboardContent EditorDocument::copyEvent(int key, int slot) const {
    ClipboardContent content;
    if (!validKey(key) || !m_config.keys[size_t(key)].HasEvent(slot)) {
        return content;
    }
    const Key& k = m_config.keys[size_t(key)];
    content.kind = ClipboardContent::Event;
    content.slot = slot;
    const EventArguments arguments = ArgumentsOfSlot(k, slot);
    content.family = arguments.family;
    content.index = arguments.index;
    content.sub = arguments.sub;
    for (const std::string& text : k.slots[size_t(slot)]) {
        if (!IsBlank(text)) {
            content.actions.push_back(text);
        }
    }
    return content;
}

namespace {

const char kNothingToPaste[] = "There is nothing to paste.";
const char kPasteNoEvent[] = "Select an event to paste the actions into.";

} // namespace

EditResult EditorDocument::pasteActions(const ClipboardContent& content, int key, int slot,
                                        int afterRow) {
    if (!content.refusal.isEmpty()) {
        return Refuse(content.refusal);
    }
    if (content.isEmpty() || content.actions.empty()) {
        return Refuse(QString::fromLatin1(kNothingToPaste));
    }
    if (!validKey(key) || !m_config.keys[size_t(key)].HasEvent(slot)) {
        return Refuse(QString::fromLatin1(kPasteNoEvent));
    }
    for (const std::string& text : content.actions) {
        if (const QString refusal = actionRefusal(text); !refusal.isEmpty()) {
            return Refuse(refusal);
        }
    }
    ActionList after = actions(key, slot);
    const int at = InsertActions(after, afterRow, content.actions);
    if (at == kNoRoom) {
        return Refuse(QString::fromLatin1(kNoRoomText));
    }
    const int last = at + int(content.actions.size()) - 1;
    return pushSlot(QStringLiteral("Paste"), key, slot, std::move(after), last, at);
}

EditResult EditorDocument::pasteEvent(const ClipboardContent& content, int key) {
    if (!content.refusal.isEmpty()) {
        return Refuse(content.refusal);
    }
    const int slot = content.slot;
    if (content.kind != ClipboardContent::Event || FamilyOfSlot(slot) != content.family ||
        content.family == kFamilyNone) {
        return Refuse(QString::fromLatin1(kNothingToPaste));
    }
    if (!validKey(key)) {
        return Refuse(QString::fromLatin1(kAddErrorText));
    }
    const Key& k = m_config.keys[size_t(key)];
    const QString eventName = QString::fromLatin1(EventNameOfSlot(slot));
    if (!FamilyFitsKind(content.family, k.keyKind)) {
        return Refuse(
            QStringLiteral("Key%1 cannot hold a \"%2\" event.").arg(key + 1).arg(eventName));
    }
    if ((content.family == kFamilyIoLow || content.family == kFamilyIoHigh) &&
        !HasIoInputs(m_config.deviceModel)) {
        return Refuse(ruleRefusal(kRefusalIo));
    }
    if (k.HasEvent(slot)) {
        return Refuse(QStringLiteral("Key%1 already has this \"%2\" event: select it to paste "
                                     "the actions into it.")
                          .arg(key + 1)
                          .arg(eventName));
    }
    if (KeyHasEvents(k) && k.lastFamily != content.family) {
        return Refuse(QStringLiteral("Key%1 holds events of another kind, which a \"%2\" event "
                                     "would remove.")
                          .arg(key + 1)
                          .arg(eventName));
    }
    int index = content.index;
    if (content.family == kFamilyToggle) {
        // The toggle class belongs to the key: a key with toggle events keeps its own.
        if (KeyHasEvents(k)) {
            index = k.lastEventIndex;
        }
        const int number = ArgumentsOfSlot(k, slot).sub;
        if (number > index) {
            return Refuse(QStringLiteral("Key%1's toggle class has no toggle number %2.")
                              .arg(key + 1)
                              .arg(number + 1));
        }
    }
    for (const std::string& text : content.actions) {
        if (const QString refusal = actionRefusal(text); !refusal.isEmpty()) {
            return Refuse(refusal);
        }
    }
    if (!content.actions.empty() && !MeasureEvent(content.actions).fits) {
        return Refuse(QString::fromLatin1(kNoRoomText));
    }
    Key after = k;
    if (AddEvent(after, content.family, index, content.sub) != slot) {
        return Refuse(QString::fromLatin1(kAddErrorText));
    }
    if (!content.actions.empty()) {
        after.slots[size_t(slot)] = content.actions;
    }
    return pushKey(QStringLiteral("Paste event"), key, std::move(after), slot);
}

EditResult EditorDocument::paste(const ClipboardContent& content, int key) {
    if (key < 0) {
        key = currentKey();
    }
    if (content.kind == ClipboardContent::Event) {
        // Onto a key that already holds the event, the event's actions join it.
        if (validKey(key) && m_config.keys[size_t(key)].HasEvent(content.slot)) {
            return pasteActions(content, key, content.slot, -1);
        }
        return pasteEvent(content, key);
    }
    return pasteActions(content, currentKey(), currentSlot(), m_actionRow);
}

// --- Files ---

void EditorDocument::replaceAll(Configuration config) {
    m_config = std::move(config);
    m_actionRow = -1;
    Q_EMIT reset();
    Q_EMIT deviceSettingsChanged();
    Q_EMIT currentEventChanged(currentKey(), currentSlot());
    Q_EMIT currentActionRowChanged(-1);
}

void EditorDocument::newDocument() {
    if (m_locked) {
        return;
    }
    Configuration fresh;
    fresh.deviceModel = m_config.deviceModel;
    fresh.LayoutKeys(fresh.deviceModel);
    fresh.ApplyModelAndPort(fresh.deviceModel, m_config.portMode);
    m_undo.clear();
    replaceAll(std::move(fresh));
    if (!m_path.isEmpty()) {
        m_path.clear();
        Q_EMIT pathChanged(m_path);
    }
}

FileResult EditorDocument::open(const QString& path) {
    FileResult result;
    if (m_locked) {
        result.error = QString::fromLatin1(kLockedText);
        return result;
    }
    // Fields the file does not hold (the repeat intervals) keep their values.
    Configuration loaded = m_config;
    result.status = LoadProjectAny(path, loaded, &result.error);
    // A message names the file with its 8-bit name bytes as characters, not U+FFFD.
    result.error = latin1::ShownPath(result.error);
    result.ok = result.status == LoadStatus::Loaded;
    if (!result.ok) {
        return result;
    }
    m_undo.clear(); // undo does not reach back across files
    replaceAll(std::move(loaded));
    m_path = path;
    Q_EMIT pathChanged(m_path);
    return result;
}

FileResult EditorDocument::save(const QString& path) {
    FileResult result;
    const QString target = path.isEmpty() ? m_path : path;
    if (target.isEmpty()) {
        result.error = QStringLiteral("The project has no file name yet.");
        return result;
    }
    result.ok = SaveProjectAny(target, m_config, &result.error);
    result.error = latin1::ShownPath(result.error);
    if (!result.ok) {
        return result;
    }
    m_undo.setClean();
    if (target != m_path) {
        m_path = target;
        Q_EMIT pathChanged(m_path);
    }
    return result;
}

} // namespace qz
