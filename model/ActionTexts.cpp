#include "ActionTexts.h"

#include <iterator>

#include "ActionRules.h"
#include "KvqEventStr.h"
#include "Text.h"

namespace qz {

namespace {

struct PageInfo {
    const char* label;
    const char* mnemonic;
    int type;
};

constexpr PageInfo kPages[kActionPageCount] = {
    {"RS232", "UART", kActionUart},  {"IR", "INFR", kActionIr},
    {"I/O", "GPIO", kActionGpio},    {"Relay", "RELY", kActionRelay},
    {"Delay", "DELY", kActionDelay}, {"Compare", "UCMP", kActionCompare},
    {"LED", "LEDP", kActionLed},     {"Page", "ENPG", kActionPage},
    {"Loop", "CASD", kActionLoop},   {"Toggle", "LTOG", kActionToggle},
};

bool ValidPage(int page) {
    return page >= 0 && page < kActionPageCount;
}

std::string Num(int value) {
    return std::to_string(value);
}

// A stored list position: its decimal number, or -1 (no selection) outside the list.
int Position(const std::string& member, int count) {
    const int value = AtoI(member);
    return value >= 0 && value < count ? value : -1;
}

template <typename T, size_t N> constexpr int CountOf(const T (&)[N]) {
    return static_cast<int>(N);
}

int Clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

bool HasColon(const std::string& text) {
    return NameShiftsFields(text);
}

// A parsed text of the given type, or nothing (another type, or too few separators).
std::optional<CKvqEventStr> Parse(std::string_view text, int type) {
    CKvqEventStr action(text);
    if (!action.IsValid() || action.GetTypeCode() != type) {
        return std::nullopt;
    }
    return action;
}

// An entry of a numbered list ("1" .. "last") by its exact text; 0 when it is none of them.
int NumberedEntry(const std::string& text, int last) {
    if (text.empty() || text.size() > 2 || text[0] < '1' || text[0] > '9') {
        return 0;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value <= last ? value : 0;
}

} // namespace

const char* ActionPageLabel(int page) {
    return ValidPage(page) ? kPages[page].label : "";
}

const char* ActionPageMnemonic(int page) {
    return ValidPage(page) ? kPages[page].mnemonic : "";
}

int ActionTypeOfPage(int page) {
    return ValidPage(page) ? kPages[page].type : kActionNone;
}

int ActionPageOfType(int typeCode) {
    for (int page = 0; page < kActionPageCount; ++page) {
        if (kPages[page].type == typeCode) {
            return page;
        }
    }
    return -1;
}

int ActionPageOfText(std::string_view text) {
    const CKvqEventStr action(text);
    return action.IsValid() ? ActionPageOfType(action.GetTypeCode()) : -1;
}

std::string ConvertDataToHex(std::string_view text, int endChar) {
    size_t n = text.size() < 32 ? text.size() : 32;
    if (endChar == 1 && n > 31) {
        n = 31;
    } else if (endChar == 2 && n > 30) {
        n = 30;
    }
    if (n == 0) {
        return std::string();
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    auto pair = [&](unsigned char byte) {
        if (!out.empty()) {
            out += ' ';
        }
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0x0F];
    };
    for (size_t i = 0; i < n; ++i) {
        pair(static_cast<unsigned char>(text[i]));
    }
    if (endChar == 1 || endChar == 2) {
        pair(0x0D);
    }
    if (endChar == 2) {
        pair(0x0A);
    }
    return out;
}

RepeatSettings RepeatSettings::FromFields(std::string_view send, std::string_view times,
                                          std::string_view delay) {
    RepeatSettings r;
    r.active = Position(std::string(send), 2);
    auto slider = [](std::string_view stored, int& position, std::string& readout) {
        if (stored.empty()) {
            position = kRepeatMin;
            readout = "1";
        } else {
            position = Clamp(AtoI(stored), kRepeatMin, kRepeatMax);
            readout = std::string(stored);
        }
    };
    slider(times, r.count, r.countReadout);
    slider(delay, r.delay, r.delayReadout);
    return r;
}

// ---- RS232 ----

std::string Rs232Action::ToActionText() const {
    auto code = [](int value) { return value < 0 ? std::string() : Num(value); };
    // "Port:" and "Active:" without a selection are written as 0, after the page's message.
    const int portField = port < 0 ? 0 : port;
    const int sendField = repeat.active < 0 ? 0 : repeat.active;
    return "UART : " + eventName + " : " + libName + " : " + libFunction + " : " + baudRate +
           " : " + code(dataBit) + " : " + code(stopBit) + " : " + code(parity) + " : " +
           Num(format) + " : " + Num(endChar) + " : " + Num(portField) + " : " + Num(sendField) +
           " : " + Num(repeat.count) + " : " + Num(repeat.delay) + " :" + data;
}

std::optional<Rs232Action> Rs232Action::FromActionText(std::string_view text,
                                                       const Rs232Action& shown) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionUart);
    if (!a) {
        return std::nullopt;
    }
    Rs232Action r = shown;
    r.libName = a->GetUartLib();
    r.libFunction = a->GetUartFun();
    for (const char* baud : kBaudRateEntries) {
        if (EqualIgnoringCase(baud, a->GetUartBaud())) {
            r.baudRate = baud;
        }
    }
    auto code = [](const std::string& member, int count, int& value) {
        const int stored = Position(member, count);
        if (stored >= 0) {
            value = stored;
        }
    };
    code(a->GetUartDataBits(), CountOf(kDataBitEntries), r.dataBit);
    code(a->GetUartStopBits(), CountOf(kStopBitEntries), r.stopBit);
    code(a->GetUartParity(), CountOf(kParityEntries), r.parity);
    r.format = AtoI(a->GetUartFormat()) != 0 ? 1 : 0;
    r.endChar = Position(a->GetUartEndChar(), 3);
    r.data = a->GetUartData();
    r.eventName = a->GetUartName();
    r.port = Position(a->GetUartPort(), CountOf(kPortEntries));
    r.repeat = RepeatSettings::FromFields(a->GetUartSend(), a->GetUartTimes(), a->GetUartDelay());
    return r;
}

std::optional<Rs232Action> Rs232Action::FromActionText(std::string_view text) {
    return FromActionText(text, Rs232Action());
}

int Rs232Action::MissingSelections() const {
    return (port < 0 ? 1 : 0) + (repeat.active < 0 ? 1 : 0);
}

const char* Rs232Action::ColonField() const {
    if (HasColon(eventName)) {
        return "Event Name";
    }
    if (HasColon(libName)) {
        return "Lib Name:";
    }
    if (HasColon(libFunction)) {
        return "Lib Function:";
    }
    return nullptr;
}

// ---- IR ----

void IrAction::TakeLibraryEntry(std::string_view entry) {
    const size_t colon = entry.find(':');
    function = Trim(entry.substr(0, colon));
    code = colon == std::string_view::npos ? std::string() : TrimLeft(entry.substr(colon + 1));
}

std::string IrAction::ToActionText() const {
    // The length field is always 198 in two lowercase hexadecimal digits.
    return "INFR : " + libName + " : " + function + " : " + Num(port) + " : " + Num(carrier) +
           " : " + Num(repeat.active) + " : " + Num(repeat.count) + " : " + Num(repeat.delay) +
           " : c6 : " + code;
}

std::optional<IrAction> IrAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionIr);
    if (!a) {
        return std::nullopt;
    }
    IrAction r;
    r.libName = a->GetIrLib();
    r.function = a->GetIrFun();
    r.port = Position(a->GetIrPort(), CountOf(kPortEntries));
    r.carrier = Position(a->GetIrCarrier(), CountOf(kCarrierEntries));
    r.repeat = RepeatSettings::FromFields(a->GetIrSend(), a->GetIrTimes(), a->GetIrDelay());
    r.code = a->GetIrCode();
    return r;
}

const char* IrAction::ColonField() const {
    if (HasColon(libName)) {
        return "Lib Name:";
    }
    if (HasColon(function)) {
        return "Function:";
    }
    return nullptr;
}

// ---- I/O ----

std::string IoAction::ToActionText() const {
    return "GPIO : " + Trim(eventName) + " : " + Num(port) + " : " + Num(io) + " : " + Num(output) +
           " : " + Num(output);
}

std::optional<IoAction> IoAction::FromActionText(std::string_view text, const IoAction& shown) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionGpio);
    if (!a) {
        return std::nullopt;
    }
    IoAction r = shown;
    r.port = Position(a->GetIoPort(), CountOf(kPortEntries));
    r.io = Position(a->GetIoDir(), CountOf(kIoEntries));
    if (AtoI(a->GetIoDir()) != 0) {
        r.output = Position(a->GetIoLevel(), CountOf(kOutputEntries));
    }
    r.eventName = Trim(a->GetIoName());
    return r;
}

std::optional<IoAction> IoAction::FromActionText(std::string_view text) {
    return FromActionText(text, IoAction());
}

const char* IoAction::ColonField() const {
    return HasColon(eventName) ? "Event Name:" : nullptr;
}

// ---- Relay ----

std::string RelayAction::ToActionText() const {
    return "RELY : " + Num(port) + " : " + Num(action) + " : " + Num(action);
}

std::optional<RelayAction> RelayAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionRelay);
    if (!a) {
        return std::nullopt;
    }
    RelayAction r;
    r.port = Position(a->GetRelayPort(), CountOf(kPortEntries));
    r.action = Position(a->GetRelayAction(), CountOf(kRelayActionEntries));
    return r;
}

// ---- Delay ----

std::string DelayAction::ToActionText() const {
    return "DELY : " + Num(hour) + " : " + Num(minute) + " : " + Num(second) + " : " +
           Num(halfSecond) + " : " + FormatNumber(hour, 2) + FormatNumber(minute, 2) +
           FormatNumber(second, 2) + FormatNumber(halfSecond, 1);
}

std::optional<DelayAction> DelayAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionDelay);
    if (!a) {
        return std::nullopt;
    }
    DelayAction r;
    r.hour = Clamp(AtoI(a->GetDelayHour()), 0, kHourMax);
    r.minute = Clamp(AtoI(a->GetDelayMinute()), 0, kMinuteMax);
    r.second = Clamp(AtoI(a->GetDelaySecond()), 0, kSecondMax);
    r.halfSecond = Position(a->GetDelayHalf(), CountOf(kHalfSecondEntries));
    r.hourReadout = a->GetDelayHour();
    r.minuteReadout = a->GetDelayMinute();
    r.secondReadout = a->GetDelaySecond();
    return r;
}

// ---- Compare ----

std::string CompareAction::ToActionText() const {
    return "UCMP : " + Trim(eventName) + " : " + Num(port) + " : " + Num(format) + " : " +
           Num(endChar) + " :" + (compareMode == 0 ? "0" : "1") + " :" + data;
}

std::optional<CompareAction> CompareAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionCompare);
    if (!a) {
        return std::nullopt;
    }
    CompareAction r;
    r.port = Position(a->GetCmpPort(), CountOf(kPortEntries));
    r.format = AtoI(a->GetCmpFormat()) != 0 ? 1 : 0;
    r.endChar = Position(a->GetCmpEndChar(), 3);
    r.data = a->GetCmpData();
    r.eventName = Trim(a->GetCmpName());
    r.compareMode = AtoI(a->GetCmpMode()) == 0 ? 0 : 1;
    return r;
}

const char* CompareAction::ColonField() const {
    return HasColon(eventName) ? "Event Name:" : nullptr;
}

// ---- LED ----

std::string LedAction::ToActionText() const {
    return "LEDP : " + Num(button) + " : " + Num(lightAction) + " : " + Num(lightAction);
}

std::optional<LedAction> LedAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionLed);
    if (!a) {
        return std::nullopt;
    }
    LedAction r;
    r.button = Position(a->GetLedButton(), kButtonCount);
    r.lightAction = Position(a->GetLedAction(), CountOf(kLightActionEntries));
    return r;
}

// ---- Page ----

std::string PageAction::ToActionText() const {
    return "ENPG : " + Trim(eventName) + " : " + Num(page) + " :" + Num(activeNo) + " :0";
}

std::optional<PageAction> PageAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionPage);
    if (!a) {
        return std::nullopt;
    }
    PageAction r;
    r.page = Position(a->GetPageClass(), CountOf(kPageEntries));
    r.activeNo = Position(a->GetPageStart(), CountOf(kActiveNoEntries));
    r.eventName = Trim(a->GetPageName());
    return r;
}

const char* PageAction::ColonField() const {
    return HasColon(eventName) ? "Event Name:" : nullptr;
}

// ---- Loop ----

std::string LoopAction::ToActionText() const {
    auto entry = [](int value, int last) {
        return value >= 1 && value <= last ? Num(value) : std::string();
    };
    return "CASD : " + Trim(eventName) + " : " + entry(id, kLoopIdCount) + " : " +
           entry(keyNo, kLoopKeyCount) + " : -";
}

std::optional<LoopAction> LoopAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionLoop);
    if (!a) {
        return std::nullopt;
    }
    LoopAction r;
    const int id = NumberedEntry(a->GetLoopId(), kLoopIdCount);
    const int key = NumberedEntry(a->GetLoopKey(), kLoopKeyCount);
    r.id = id ? id : 1;
    r.keyNo = key ? key : 1;
    r.eventName = Trim(a->GetLoopName());
    return r;
}

const char* LoopAction::ColonField() const {
    return HasColon(eventName) ? "Event Name:" : nullptr;
}

// ---- Toggle ----

std::string ToggleAction::ToActionText() const {
    return "LTOG : " + Trim(eventName) + " : " + Num(button) + " : " + Num(toggleStart) + " : 0";
}

std::optional<ToggleAction> ToggleAction::FromActionText(std::string_view text) {
    const std::optional<CKvqEventStr> a = Parse(text, kActionToggle);
    if (!a) {
        return std::nullopt;
    }
    ToggleAction r;
    r.button = Position(a->GetToggleButton(), kButtonCount);
    r.toggleStart = Position(a->GetToggleStart(), CountOf(kToggleStartEntries));
    r.eventName = Trim(a->GetToggleName());
    return r;
}

const char* ToggleAction::ColonField() const {
    return HasColon(eventName) ? "Event Name:" : nullptr;
}

} // namespace qz
