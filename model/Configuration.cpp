#include "Configuration.h"

#include <cstdio>

#include "KvqCmd.h"
#include "KvqEventStr.h"
#include "Text.h"

namespace qz {

bool Key::HasEvent(int slot) const {
    return slot >= 0 && slot < kSlotCount && !slots[slot].empty();
}

bool Key::IsSentEvent(int slot) const {
    if (!HasEvent(slot)) {
        return false;
    }
    const ActionList& list = slots[slot];
    return list.size() > 1 || !IsBlank(list.front());
}

bool Key::operator==(const Key& o) const {
    return keyName == o.keyName && keyLabel == o.keyLabel && ledBrightness == o.ledBrightness &&
           keyGroup == o.keyGroup && repeatInterval == o.repeatInterval &&
           hoverFlag == o.hoverFlag && trackingFlag == o.trackingFlag && keyKind == o.keyKind &&
           keyStyle == o.keyStyle && timerMinutes == o.timerMinutes &&
           lastEventIndex == o.lastEventIndex && lastEventSub == o.lastEventSub &&
           slots == o.slots && reservedWord == o.reservedWord && lastFamily == o.lastFamily;
}

bool IsKnownDeviceModel(int deviceModel) {
    return deviceModel >= 0 && deviceModel <= 2;
}

int NormalKeyCount(int deviceModel) {
    switch (deviceModel) {
    case 0:
    case 1:
        return 8;
    case 2:
        return 19;
    default:
        return 0;
    }
}

int KeyKindFor(int deviceModel, int key) {
    if (!IsKnownDeviceModel(deviceModel) || key < 0 || key >= kKeyCount) {
        return -1;
    }
    if (key >= 32) {
        return kKindSystem;
    }
    return key < NormalKeyCount(deviceModel) ? kKindNormal : kKindVirtual;
}

bool HasIoInputs(int deviceModel) {
    return deviceModel == 2;
}

const char* SystemSourceName(int key) {
    static const char* const kNames[] = {"IOL", "IOH", "Time", "Start"};
    return key >= 32 && key < kKeyCount ? kNames[key - 32] : nullptr;
}

const char* PortModeText(int portMode) {
    static const char* const kTexts[] = {"RS232(1),(2)", "RS232(2),IR 2", "RS232(1),IR 3",
                                         "IR 2,3"};
    return portMode >= 0 && portMode < kPortModeCount ? kTexts[portMode] : nullptr;
}

const char* DeviceModelName(int deviceModel) {
    static const char* const kNames[] = {"Model 0", "QRM-K6", "Model 2 (19 keys)"};
    return IsKnownDeviceModel(deviceModel) ? kNames[deviceModel] : nullptr;
}

int SlotFor(int family, int index, int sub) {
    switch (family) {
    case kFamilyKey:
        return index == 0 ? kSlotPress : index == 1 ? kSlotRelease : kSlotLong;
    case kFamilyPage:
        return index >= 0 && index < 4 && sub >= 0 && sub < 4 ? kSlotPageFirst + 4 * index + sub
                                                              : -1;
    case kFamilyToggle:
        return sub >= 0 && sub < 4 ? kSlotToggleFirst + sub : -1;
    case kFamilyIoLow:
        return index >= 0 && index < 4 ? kSlotIoLowFirst + index : -1;
    case kFamilyIoHigh:
        return index >= 0 && index < 4 ? kSlotIoHighFirst + index : -1;
    case kFamilyTime:
        return index >= 0 && index < 4 ? kSlotTimeFirst + index : -1;
    case kFamilyStart:
        return kSlotStart;
    case kFamilyVirtual:
        return kSlotVirtual;
    default:
        return -1;
    }
}

int FamilyOfSlot(int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        return kFamilyNone;
    }
    if (slot < kSlotPageFirst) {
        return kFamilyKey;
    }
    if (slot < kSlotToggleFirst) {
        return kFamilyPage;
    }
    if (slot < kSlotIoLowFirst) {
        return kFamilyToggle;
    }
    if (slot < kSlotIoHighFirst) {
        return kFamilyIoLow;
    }
    if (slot < kSlotTimeFirst) {
        return kFamilyIoHigh;
    }
    if (slot < kSlotStart) {
        return kFamilyTime;
    }
    return slot == kSlotStart ? kFamilyStart : kFamilyVirtual;
}

int EventCodeOfSlot(int slot) {
    switch (slot) {
    case kSlotPress:
        return 40;
    case kSlotRelease:
        return 41;
    case kSlotLong:
        return 45;
    default:
        break;
    }
    static const int kCodes[] = {0, 0, 43, 42, 50, 51, 53, 52, 44};
    return kCodes[FamilyOfSlot(slot)];
}

const char* EventNameOfSlot(int slot) {
    switch (slot) {
    case kSlotPress:
        return "Press";
    case kSlotRelease:
        return "Release";
    case kSlotLong:
        return "Long";
    default:
        break;
    }
    static const char* const kNames[] = {"",    "",     "Page",  "Toggle", "IOL",
                                         "IOH", "Time", "Start", "Virtual"};
    return kNames[FamilyOfSlot(slot)];
}

bool FamilyFitsKind(int family, int keyKind) {
    switch (keyKind) {
    case kKindNormal:
        return family >= kFamilyKey && family <= kFamilyToggle;
    case kKindSystem:
        return family >= kFamilyIoLow && family <= kFamilyStart;
    case kKindVirtual:
        return family == kFamilyVirtual;
    default:
        return false;
    }
}

EventArguments ArgumentsOfSlot(const Key& key, int slot) {
    EventArguments a;
    a.family = FamilyOfSlot(slot);
    switch (a.family) {
    case kFamilyKey:
        a.index = slot;
        break;
    case kFamilyPage:
        a.index = (slot - kSlotPageFirst) / 4;
        a.sub = (slot - kSlotPageFirst) % 4;
        break;
    case kFamilyToggle:
        a.index = key.lastEventIndex;
        a.sub = slot - kSlotToggleFirst;
        break;
    case kFamilyIoLow:
        a.index = slot - kSlotIoLowFirst;
        break;
    case kFamilyIoHigh:
        a.index = slot - kSlotIoHighFirst;
        break;
    case kFamilyTime:
        a.index = slot - kSlotTimeFirst;
        a.sub = a.index < 3 ? key.timerMinutes[size_t(a.index)] : 0;
        break;
    default:
        break;
    }
    return a;
}

EventFit MeasureEvent(const ActionList& actions) {
    EventFit fit;
    fit.frameLength = 19; // header, event parameters and the action count
    for (const std::string& text : actions) {
        if (!IsBlank(text)) {
            const int record = CKvqEventStr(text).RecordLength();
            if (record > 0 && fit.frameLength + 2 + record >= kEventFrameLimit) {
                fit.fits = false;
                return fit;
            }
            if (record > 0) {
                fit.frameLength += 2 + record;
            }
        }
        ++fit.fitted;
    }
    if (actions.size() > size_t(kMaxEventActions)) {
        fit.fits = false;
        fit.fitted = kMaxEventActions;
    }
    return fit;
}

Configuration::Configuration() {
    LayoutKeys(deviceModel);
}

void Configuration::LayoutKeys(int model) {
    if (!IsKnownDeviceModel(model)) {
        return;
    }
    for (int k = 0; k < kKeyCount; ++k) {
        Key& key = keys[k];
        key.keyName = key.keyLabel = std::to_string(k + 1);
        key.keyKind = key.keyStyle = KeyKindFor(model, k);
        if (const char* name = SystemSourceName(k)) {
            key.keyName = name;
        }
    }
}

bool Configuration::ApplyModelAndPort(int model, int port) {
    if (!IsKnownDeviceModel(model)) {
        return false;
    }
    portMode = model == 2 ? 0 : port;
    return true;
}

bool Configuration::ChangeModel(int model, int port, bool keepEvents) {
    if (!IsKnownDeviceModel(model) || port < 0 || port >= kPortModeCount) {
        return false;
    }
    if (keepEvents) {
        for (int k = 0; k < kKeyCount; ++k) {
            keys[k].keyKind = keys[k].keyStyle = KeyKindFor(model, k);
        }
    } else {
        ClearConfiguration();
        LayoutKeys(model);
    }
    deviceModel = model;
    return ApplyModelAndPort(model, port);
}

// --- Edits of one event ---

int AddEvent(Key& k, int family, int index, int sub) {
    const int slot = SlotFor(family, index, sub);
    if (slot < 0) {
        return -1;
    }
    if (family != k.lastFamily) {
        for (auto& list : k.slots) {
            list.clear();
        }
        k.slots[slot].emplace_back();
    } else if (k.slots[slot].empty()) {
        if (family == kFamilyToggle && k.lastEventIndex > index) {
            for (int s = kSlotToggleFirst + index; s <= kSlotToggleFirst + 3; ++s) {
                k.slots[s].clear();
            }
        }
        k.slots[slot].emplace_back();
    }
    switch (family) {
    case kFamilyKey:
    case kFamilyIoLow:
    case kFamilyIoHigh:
        k.lastEventIndex = index;
        k.lastEventSub = 0;
        break;
    case kFamilyPage:
    case kFamilyToggle:
        k.lastEventIndex = index;
        k.lastEventSub = sub;
        break;
    case kFamilyTime:
        k.lastEventIndex = index;
        if (index < 3) {
            k.timerMinutes[index] = sub;
        }
        break;
    default:
        k.lastEventIndex = 0;
        k.lastEventSub = 0;
        break;
    }
    k.lastFamily = family;
    return slot;
}

bool IsPlaceholderOnly(const ActionList& list) {
    return list.size() == 1 && IsBlank(list.front());
}

int ListedActionCount(const ActionList& list) {
    return IsPlaceholderOnly(list) ? 0 : static_cast<int>(list.size());
}

namespace {

bool IsRow(const ActionList& list, int row) {
    return row >= 0 && row < ListedActionCount(list);
}

} // namespace

bool ActionFits(const ActionList& list, std::string_view text, int row) {
    ActionList after = list;
    if (row >= 0 && row < static_cast<int>(after.size())) {
        after[row] = std::string(text);
    } else if (!after.empty() && IsBlank(after.back())) {
        after.back() = std::string(text);
    } else {
        after.emplace_back(text);
    }
    return MeasureEvent(after).fits;
}

int AppendAction(ActionList& list, std::string_view text) {
    if (!ActionFits(list, text)) {
        return kNoRoom;
    }
    if (!list.empty() && IsBlank(list.back())) {
        list.back() = std::string(text);
    } else {
        list.emplace_back(text);
    }
    return static_cast<int>(list.size()) - 1;
}

int ReplaceActionAt(ActionList& list, int row, std::string_view text) {
    if (!IsRow(list, row)) {
        return kRefused;
    }
    if (!ActionFits(list, text, row)) {
        return kNoRoom;
    }
    list[row] = std::string(text);
    return row;
}

int InsertActions(ActionList& list, int afterRow, const ActionList& texts) {
    ActionList after = list;
    if (IsPlaceholderOnly(after)) {
        after.clear();
    }
    const int count = static_cast<int>(after.size());
    const int at = afterRow < 0 || afterRow >= count ? count : afterRow + 1;
    after.insert(after.begin() + at, texts.begin(), texts.end());
    if (!MeasureEvent(after).fits) {
        return kNoRoom;
    }
    list = std::move(after);
    return at;
}

bool EraseAction(ActionList& list, int row) {
    if (!IsRow(list, row)) {
        return false;
    }
    list.erase(list.begin() + row);
    return true;
}

int MoveAction(ActionList& list, int row, int step) {
    const int to = row + (step < 0 ? -1 : 1);
    if (!IsRow(list, row) || !IsRow(list, to)) {
        return -1;
    }
    std::swap(list[row], list[to]);
    return to;
}

bool ClearListedActions(ActionList& list) {
    if (ListedActionCount(list) == 0) {
        return false;
    }
    list.clear();
    return true;
}

// --- The same by key and slot ---

int Configuration::AddEvent(int key, int family, int index, int sub) {
    return ValidKey(key) ? qz::AddEvent(keys[key], family, index, sub) : -1;
}

bool Configuration::ActionFits(int key, int slot, std::string_view text, int row) const {
    return ValidKey(key) && ValidSlot(slot) && qz::ActionFits(keys[key].slots[slot], text, row);
}

int Configuration::AddAction(int key, int slot, std::string_view text) {
    if (!ValidKey(key) || !ValidSlot(slot)) {
        return kRefused;
    }
    return AppendAction(keys[key].slots[slot], text);
}

int Configuration::ReplaceAction(int key, int slot, int row, std::string_view text) {
    if (!ValidKey(key) || !ValidSlot(slot)) {
        return kRefused;
    }
    return ReplaceActionAt(keys[key].slots[slot], row, text);
}

bool Configuration::DeleteAction(int key, int slot, int row) {
    return ValidKey(key) && ValidSlot(slot) && EraseAction(keys[key].slots[slot], row);
}

int Configuration::MoveActionUp(int key, int slot, int row) {
    return ValidKey(key) && ValidSlot(slot) ? MoveAction(keys[key].slots[slot], row, -1) : -1;
}

int Configuration::MoveActionDown(int key, int slot, int row) {
    return ValidKey(key) && ValidSlot(slot) ? MoveAction(keys[key].slots[slot], row, +1) : -1;
}

bool Configuration::ClearActions(int key, int slot) {
    return ValidKey(key) && ValidSlot(slot) && ClearListedActions(keys[key].slots[slot]);
}

bool Configuration::DeleteEvent(int key, int slot) {
    if (!ValidKey(key) || !keys[key].HasEvent(slot)) {
        return false;
    }
    keys[key].slots[slot].clear();
    return true;
}

std::vector<std::pair<int, int>> Configuration::EmptyEvents() const {
    std::vector<std::pair<int, int>> events;
    for (int k = 0; k < kKeyCount; ++k) {
        for (int s = 0; s < kSlotCount; ++s) {
            if (IsPlaceholderOnly(keys[k].slots[s])) {
                events.emplace_back(k, s);
            }
        }
    }
    return events;
}

int Configuration::PurgeEmptyEvents() {
    const auto events = EmptyEvents();
    for (const auto& [k, s] : events) {
        keys[k].slots[s].clear();
    }
    return static_cast<int>(events.size());
}

void Configuration::ClearAllEvents() {
    for (Key& key : keys) {
        for (ActionList& list : key.slots) {
            list.clear();
        }
    }
}

void Configuration::ClearConfiguration() {
    ClearAllEvents();
}

std::vector<std::pair<int, int>> Configuration::EventRows() const {
    std::vector<std::pair<int, int>> rows;
    for (int k = 0; k < kKeyCount; ++k) {
        for (int s = 0; s < kSlotCount; ++s) {
            if (keys[k].HasEvent(s)) {
                rows.emplace_back(k, s);
            }
        }
    }
    return rows;
}

int Configuration::EventRowCount() const {
    return static_cast<int>(EventRows().size());
}

std::string Configuration::EventDataText(int key, int slot) const {
    if (!ValidKey(key) || !ValidSlot(slot)) {
        return {};
    }
    const Key& k = keys[key];
    char buf[64] = "";
    switch (FamilyOfSlot(slot)) {
    case kFamilyPage:
        std::snprintf(buf, sizeof buf, "Class: %d,Num: %d", (slot - 3) / 4 + 1, (slot - 3) % 4 + 1);
        break;
    case kFamilyToggle:
        std::snprintf(buf, sizeof buf, "Class: %01lld,Num: %d", k.lastEventIndex + 1LL, slot - 18);
        break;
    case kFamilyIoLow:
        std::snprintf(buf, sizeof buf, "Port %d", slot - 22);
        break;
    case kFamilyIoHigh:
        std::snprintf(buf, sizeof buf, "Port %d", slot - 26);
        break;
    case kFamilyTime:
        std::snprintf(buf, sizeof buf, "Time %d, %03dmin", (slot - 31) % 3 + 1,
                      k.timerMinutes[(slot - 31) % 3]);
        break;
    default:
        break;
    }
    return buf;
}

bool Configuration::operator==(const Configuration& o) const {
    return keys == o.keys && deviceModel == o.deviceModel && portMode == o.portMode &&
           idNumber == o.idNumber && currentKey == o.currentKey && currentSlot == o.currentSlot;
}

} // namespace qz
