#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qz {

constexpr int kKeyCount = 36;
constexpr int kSlotCount = 37;
constexpr int kDefaultDeviceModel = 1;

// Kinds of key position (also the key's drawing style).
enum KeyKind : int { kKindNormal = 0, kKindVirtual = 3, kKindSystem = 4 };

// Event families delivered by the key dialogs.
enum EventFamily : int {
    kFamilyNone = 0,
    kFamilyKey = 1, // press, release, long
    kFamilyPage = 2,
    kFamilyToggle = 3,
    kFamilyIoLow = 4,
    kFamilyIoHigh = 5,
    kFamilyTime = 6,
    kFamilyStart = 7,
    kFamilyVirtual = 8,
};

// Slot numbers of the event slots.
enum SlotIndex : int {
    kSlotPress = 0,
    kSlotRelease = 1,
    kSlotLong = 2,
    kSlotPageFirst = 3,
    kSlotToggleFirst = 19,
    kSlotIoLowFirst = 23,
    kSlotIoHighFirst = 27,
    kSlotTimeFirst = 31,
    kSlotStart = 35,
    kSlotVirtual = 36,
};

using ActionList = std::vector<std::string>;

// One key position: its settings and its 37 event slots of action texts.
struct Key {
    std::string keyName;
    std::string keyLabel;
    std::int32_t ledBrightness = 0;
    std::int32_t keyGroup = 0;
    std::int32_t repeatInterval = '0'; // character code of a digit; memory only
    std::int32_t hoverFlag = 0;        // drawing state: memory only, not in the file
    std::int32_t trackingFlag = 0;
    std::int32_t keyKind = kKindNormal;
    std::int32_t keyStyle = kKindNormal;
    std::array<std::int32_t, 3> timerMinutes{};
    std::int32_t lastEventIndex = 0;
    std::int32_t lastEventSub = 0;
    std::array<ActionList, kSlotCount> slots;
    std::int32_t reservedWord = 0;
    std::int32_t lastFamily = kFamilyNone;

    // An event is listed when its slot holds anything; it is sent only when it holds more than
    // one blank placeholder.
    bool HasEvent(int slot) const;
    bool IsSentEvent(int slot) const;
    bool operator==(const Key& other) const;
};

// Key kinds and counts per device model.
int NormalKeyCount(int deviceModel);      // 8, 8, 19; 0 for unknown models
bool IsKnownDeviceModel(int deviceModel); // 0, 1, 2
int KeyKindFor(int deviceModel, int key); // -1 for an unknown model or key
bool HasIoInputs(int deviceModel);        // "IOL"/"IOH" usable (model 2)
const char* SystemSourceName(int key);    // "IOL", "IOH", "Time", "Start" for 32..35, else null
const char* PortModeText(int portMode);   // "RS232(1),(2)" …; null out of range
// The model's entry in the "System" menu: "Model 0", "QRM-K6", "Model 2 (19 keys)"; null for
// an unknown model.
const char* DeviceModelName(int deviceModel);
constexpr int kPortModeCount = 4;

// Slot tables.
int SlotFor(int family, int index, int sub); // -1 when the arguments give no slot
int FamilyOfSlot(int slot);
// AddEvent's arguments, the other way round from SlotFor: what re-creates the event in `slot`
// of `key` on another key. A toggle takes the key's toggle class, a timer the key's minutes.
struct EventArguments {
    int family = kFamilyNone;
    int index = 0;
    int sub = 0;
};
EventArguments ArgumentsOfSlot(const Key& key, int slot);
int EventCodeOfSlot(int slot);         // 40 PRES … 44 VIRT; 0 out of range
const char* EventNameOfSlot(int slot); // "Press" … "Virtual"; "" out of range
bool FamilyFitsKind(int family, int keyKind);

// Results of AddAction / ReplaceAction beyond a position.
constexpr int kRefused = -1;
constexpr int kNoRoom = -2; // the event's frame would overflow

// --- Edits of one event, on values ---
// The one implementation of the list operations. The configuration applies them to its slots;
// the editor document applies them to a copy of a slot (or key) and keeps the result as one
// undo step. Rows count the listed actions: a new event's only element, the blank placeholder,
// is no row.

// Records an event on the key as the key dialogs' "Add" does: another family empties the key
// first; a new slot gets the blank placeholder; the key remembers the arguments. The slot, or -1
// when the arguments give none.
int AddEvent(Key& key, int family, int index, int sub);
// A new event whose only element is the blank placeholder.
bool IsPlaceholderOnly(const ActionList& list);
// The rows the action list shows: none for a placeholder-only event.
int ListedActionCount(const ActionList& list);
// Whether the event would still fit one frame with `text` added (row < 0) or put in place of
// action `row`.
bool ActionFits(const ActionList& list, std::string_view text, int row = -1);
// Appends (a trailing blank placeholder is replaced): the new row, or kNoRoom.
int AppendAction(ActionList& list, std::string_view text);
// Puts the text in place of action `row`: the row, kRefused when it is no row, or kNoRoom.
int ReplaceActionAt(ActionList& list, int row, std::string_view text);
// Inserts the texts after `afterRow` (-1 or beyond the end: at the end; a placeholder is
// replaced): the first inserted row, or kNoRoom (the list is left as it was).
int InsertActions(ActionList& list, int afterRow, const ActionList& texts);
// Removes action `row`; false when it is no row.
bool EraseAction(ActionList& list, int row);
// Swaps action `row` with its upper (step -1) or lower (step +1) neighbour: the new row, or -1
// when nothing moved (first row up, last row down, no such row).
int MoveAction(ActionList& list, int row, int step);
// Empties an event that lists actions (the event is gone with them); false when it lists none.
bool ClearListedActions(ActionList& list);

// The whole configuration in memory: 36 keys, device-wide settings and the current selection.
class Configuration {
  public:
    Configuration();

    std::array<Key, kKeyCount> keys;
    std::int32_t deviceModel = kDefaultDeviceModel;
    std::int32_t portMode = 0;
    std::int32_t idNumber = 0;
    std::int32_t currentKey = 0;
    std::int32_t currentSlot = 0;

    // Key kinds, styles, default names ("1".."36") and the system source names for a model;
    // an unknown model changes nothing.
    void LayoutKeys(int model);
    // Model 2 forces port mode 0; unknown models change nothing. Returns false for those.
    bool ApplyModelAndPort(int model, int port);
    // The model command: another model or port mode (an unknown model or port mode changes
    // nothing and gives false). Discarding empties every slot and lays the keys out afresh
    // (default names); keeping leaves events and names as they are and gives the keys the new
    // model's kinds, so that what the new model or port mode refuses is there to be fixed.
    bool ChangeModel(int model, int port, bool keepEvents);

    int AddEvent(int key, int family, int index, int sub);
    // Position of the action text, kRefused for an invalid key or slot, kNoRoom when the event
    // would no longer fit into one frame (nothing changes then).
    int AddAction(int key, int slot, std::string_view text);
    // Replaces action `row` of the slot; kRefused when row is not inside it, kNoRoom as above.
    int ReplaceAction(int key, int slot, int row, std::string_view text);
    // Whether the event would still fit one frame with `text` added (row < 0) or put in place of
    // action `row`.
    bool ActionFits(int key, int slot, std::string_view text, int row = -1) const;

    // List operations by (key, slot), through the edits above; each returns false when it
    // refused (nothing to do or out of range).
    bool DeleteAction(int key, int slot, int row);
    int MoveActionUp(int key, int slot, int row);   // new row, or -1 when nothing moved
    int MoveActionDown(int key, int slot, int row); // new row, or -1 when nothing moved
    bool ClearActions(int key, int slot);           // an event that lists actions
    bool DeleteEvent(int key, int slot);            // any event, a placeholder-only one too
    // The events that hold only the blank placeholder, in EventRows order.
    std::vector<std::pair<int, int>> EmptyEvents() const;
    int PurgeEmptyEvents(); // number of events removed
    void ClearAllEvents();
    // Empties every slot of every key; other key fields stay. Callers lay the keys out next.
    void ClearConfiguration();

    // One (key, slot) per listed event, keys ascending, slots ascending within a key.
    std::vector<std::pair<int, int>> EventRows() const;
    int EventRowCount() const;
    // The "Data" text of an event row.
    std::string EventDataText(int key, int slot) const;

    bool operator==(const Configuration& other) const;

  private:
    static bool ValidKey(int key) { return key >= 0 && key < kKeyCount; }
    static bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
};

// Bytes the event frame of this list would take up to (not including) the checksum, and how
// many leading entries fit below the frame limit (kEventFrameLimit bytes, kMaxEventActions
// entries). This is the one measure of whether an event fits its frame.
// An event frame carries its action count in two digits: no event sends more actions.
constexpr int kMaxEventActions = 99;
struct EventFit {
    int frameLength = 0; // offset after the last fitting record
    int fitted = 0;      // entries (blank or not) that fit, from the start of the list
    bool fits = true;    // every entry fits and the count fits two digits
};
EventFit MeasureEvent(const ActionList& actions);

} // namespace qz
