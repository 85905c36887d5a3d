#include "KvqEventStr.h"

#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "Reporter.h"
#include "Text.h"

namespace qz {

namespace {

struct TypeInfo {
    const char* mnemonic;
    int code;
    int separators;
    const char* failure;
    const char* displayName;
};

constexpr TypeInfo kTypes[] = {
    {"UART", kActionUart, 14, "rs232 : Initialization failed", "RS232"},
    {"INFR", kActionIr, 9, "ir : Initialization failed", "IR"},
    {"GPIO", kActionGpio, 5, "GPIO : Initialization failed", "GPIO"},
    {"RELY", kActionRelay, 3, "Relay : Initialization failed", "Relay"},
    {"DELY", kActionDelay, 5, "Delay : not enougth", "Delay"},
    {"UCMP", kActionCompare, 6, "Compare : Initialization failed", "Compare"},
    {"LEDP", kActionLed, 3, "LED : Initialization failed", "Led"},
    {"ENPG", kActionPage, 4, "Page : Initialization failed", "Page"},
    {"CASD", kActionLoop, 4, "Loop : Initialization failed", "Loop"},
    {"LTOG", kActionToggle, 4, "toggle : Initialization failed", "Toggle"},
};

const TypeInfo* InfoForCode(int code) {
    for (const auto& t : kTypes) {
        if (t.code == code) {
            return &t;
        }
    }
    return nullptr;
}

const char* LedText(int action) {
    switch (action) {
    case 0:
        return "On";
    case 1:
        return "Off";
    case 2:
        return "On/All Off";
    case 3:
        return "On/Group Off";
    default:
        return "";
    }
}

std::string PlusOne(const std::string& member) {
    return std::to_string(AtoI(member) + 1LL);
}

// The baud text is compared whole: "02400", "2400abc" or "+4800" are not baud texts of the
// list and give the default code, as any other text does.
int BaudCode(std::string_view text) {
    static constexpr std::string_view kBauds[] = {"2400",  "4800",  "9600",  "14400",
                                                  "19200", "38400", "57600", "115200"};
    for (size_t i = 0; i < std::size(kBauds); ++i) {
        if (text == kBauds[i]) {
            return int(i) + 1;
        }
    }
    return 3;
}

constexpr int kSerialDataArea = 32;
constexpr int kIrCodeDigits = 198;
constexpr int kIrCodeArea = 99;

} // namespace

int CKvqEventStr::TypeCodeOf(std::string_view mnemonic) {
    for (const auto& t : kTypes) {
        if (mnemonic == t.mnemonic) {
            return t.code;
        }
    }
    return kActionNone;
}

int CKvqEventStr::SeparatorCount(int typeCode) {
    const TypeInfo* info = InfoForCode(typeCode);
    return info ? info->separators : 0;
}

CKvqEventStr::CKvqEventStr(std::string_view text, IReporter* reporter)
    : m_strText(Trim(text)), m_reporter(reporter) {
    ParseActionText();
}

CKvqEventStr::CKvqEventStr(std::string_view text, char* pOut, int nOutLen, IReporter* reporter)
    : m_pOut(pOut), m_nOutLen(nOutLen), m_strText(Trim(text)), m_reporter(reporter) {
    ParseActionText();
}

void CKvqEventStr::ParseActionText() {
    m_nType = kActionNone;
    const size_t colon = m_strText.find(':');
    if (m_strText.empty() || colon == std::string::npos || colon == 0) {
        return;
    }
    m_nType = TypeCodeOf(Trim(std::string_view(m_strText).substr(0, colon)));
    if (m_nType != kActionNone) {
        SplitFields(SeparatorCount(m_nType));
    }
}

void CKvqEventStr::SplitFields(int separators) {
    // Separator positions are kept at full width, so long texts split like short ones.
    size_t colons[16];
    int found = 0;
    for (size_t at = 0; at < m_strText.size() && found < separators; ++at) {
        if (m_strText[at] == ':') {
            colons[found++] = at;
        }
    }
    if (found < separators) {
        if (m_reporter) {
            m_reporter->Report(InfoForCode(m_nType)->failure);
        }
        return;
    }
    using Member = std::string CKvqEventStr::*;
    static const Member kUart[] = {
        &CKvqEventStr::m_strUartName,     &CKvqEventStr::m_strUartLib,
        &CKvqEventStr::m_strUartFun,      &CKvqEventStr::m_strUartBaud,
        &CKvqEventStr::m_strUartDataBits, &CKvqEventStr::m_strUartStopBits,
        &CKvqEventStr::m_strUartParity,   &CKvqEventStr::m_strUartFormat,
        &CKvqEventStr::m_strUartEndChar,  &CKvqEventStr::m_strUartPort,
        &CKvqEventStr::m_strUartSend,     &CKvqEventStr::m_strUartTimes,
        &CKvqEventStr::m_strUartDelay,    &CKvqEventStr::m_strUartData};
    static const Member kIr[] = {
        &CKvqEventStr::m_strIrLib,     &CKvqEventStr::m_strIrFun,  &CKvqEventStr::m_strIrPort,
        &CKvqEventStr::m_strIrCarrier, &CKvqEventStr::m_strIrSend, &CKvqEventStr::m_strIrTimes,
        &CKvqEventStr::m_strIrDelay,   &CKvqEventStr::m_strIrLen,  &CKvqEventStr::m_strIrCode};
    static const Member kGpio[] = {&CKvqEventStr::m_strIoName, &CKvqEventStr::m_strIoPort,
                                   &CKvqEventStr::m_strIoDir, &CKvqEventStr::m_strIoLevel,
                                   &CKvqEventStr::m_strIoLevel2};
    static const Member kRelay[] = {&CKvqEventStr::m_strRelayPort, &CKvqEventStr::m_strRelayAction,
                                    &CKvqEventStr::m_strRelayAction2};
    static const Member kDelay[] = {&CKvqEventStr::m_strDelayHour, &CKvqEventStr::m_strDelayMinute,
                                    &CKvqEventStr::m_strDelaySecond, &CKvqEventStr::m_strDelayHalf,
                                    &CKvqEventStr::m_strDelayAll};
    static const Member kCompare[] = {&CKvqEventStr::m_strCmpName,   &CKvqEventStr::m_strCmpPort,
                                      &CKvqEventStr::m_strCmpFormat, &CKvqEventStr::m_strCmpEndChar,
                                      &CKvqEventStr::m_strCmpMode,   &CKvqEventStr::m_strCmpData};
    static const Member kLed[] = {&CKvqEventStr::m_strLedButton, &CKvqEventStr::m_strLedAction,
                                  &CKvqEventStr::m_strLedAction2};
    static const Member kPage[] = {&CKvqEventStr::m_strPageName, &CKvqEventStr::m_strPageClass,
                                   &CKvqEventStr::m_strPageStart, &CKvqEventStr::m_strPageEnd};
    static const Member kLoop[] = {&CKvqEventStr::m_strLoopName, &CKvqEventStr::m_strLoopId,
                                   &CKvqEventStr::m_strLoopKey, &CKvqEventStr::m_strLoopEnd};
    static const Member kToggle[] = {
        &CKvqEventStr::m_strToggleName, &CKvqEventStr::m_strToggleButton,
        &CKvqEventStr::m_strToggleStart, &CKvqEventStr::m_strToggleEnd};
    const Member* members = nullptr;
    switch (m_nType) {
    case kActionUart:
        members = kUart;
        break;
    case kActionIr:
        members = kIr;
        break;
    case kActionGpio:
        members = kGpio;
        break;
    case kActionRelay:
        members = kRelay;
        break;
    case kActionDelay:
        members = kDelay;
        break;
    case kActionCompare:
        members = kCompare;
        break;
    case kActionLed:
        members = kLed;
        break;
    case kActionPage:
        members = kPage;
        break;
    case kActionLoop:
        members = kLoop;
        break;
    case kActionToggle:
        members = kToggle;
        break;
    default:
        return;
    }
    // Each field goes straight into its member.
    const std::string_view text(m_strText);
    for (int i = 0; i + 1 < separators; ++i) {
        (this->*members[i])
            .assign(TrimView(text.substr(colons[i] + 1, colons[i + 1] - colons[i] - 1)));
    }
    const std::string_view last = text.substr(colons[separators - 1] + 1);
    std::string& lastField = this->*members[separators - 1];
    switch (m_nType) {
    case kActionUart:
    case kActionCompare:
        lastField.assign(last); // leading blanks are data
        break;
    case kActionIr:
    case kActionGpio:
    case kActionRelay:
    case kActionDelay:
        lastField.assign(TrimView(last));
        break;
    default:
        lastField = TrimLeft(last);
        break;
    }
    m_strType = Trim(text.substr(0, colons[0]));
}

int CKvqEventStr::GetTypeCode() const {
    return TypeCodeOf(Trim(m_strType));
}

std::string CKvqEventStr::GetTypeName() const {
    const TypeInfo* info = InfoForCode(GetTypeCode());
    return info ? info->displayName : "";
}

std::string CKvqEventStr::GetSummary() const {
    std::string s;
    switch (GetTypeCode()) {
    case kActionUart: {
        if (!IsBlank(m_strUartName)) {
            s += m_strUartName + ",";
        }
        if (!IsBlank(m_strUartFun)) {
            s += "Fun:" + m_strUartFun + ",";
        }
        s += "Baud:" + m_strUartBaud + ",";
        s += "Port:" + PlusOne(m_strUartPort) + ",";
        s += "Send ";
        switch (AtoI(m_strUartSend)) {
        case 0:
            s += "Once";
            break;
        case 1:
            s += "No.:" + m_strUartTimes + "," + "Time:" + m_strUartDelay;
            break;
        case 2:
            s += "Continue," + std::string("Time:") + m_strUartDelay;
            break;
        default:
            break;
        }
        break;
    }
    case kActionIr:
        s += "Lib:" + m_strIrLib + "," + "Fun:" + m_strIrFun;
        s += ",Port:" + PlusOne(m_strIrPort);
        s += ",Send ";
        switch (AtoI(m_strIrSend)) {
        case 0:
            s += "Once";
            break;
        case 1:
            s += "No.:" + m_strIrTimes + ",Time:" + m_strIrDelay;
            break;
        case 2:
            s += "Continue,Time:" + m_strIrDelay;
            break;
        default:
            break;
        }
        break;
    case kActionGpio:
        if (!IsBlank(m_strIoName)) {
            s += m_strIoName + ",";
        }
        s += "Port " + PlusOne(m_strIoPort) + " ";
        s += AtoI(m_strIoDir) != 0 ? "as Output " + m_strIoLevel : std::string("as Input");
        break;
    case kActionRelay:
        s += "Port " + PlusOne(m_strRelayPort) + " ";
        s += AtoI(m_strRelayAction) != 0 ? "Off" : "On";
        break;
    case kActionDelay:
        s += "Time Hour:" + m_strDelayHour + " Minute:" + m_strDelayMinute +
             " Second:" + m_strDelaySecond;
        s += AtoI(m_strDelayHalf) != 0 ? ".5s" : "s";
        break;
    case kActionCompare:
        if (!IsBlank(m_strCmpName)) {
            s += m_strCmpName + ", ";
        }
        s += "Port " + PlusOne(m_strCmpPort) + " ";
        break;
    case kActionLed:
        s += "Button " + PlusOne(m_strLedButton) + " " + LedText(AtoI(m_strLedAction));
        break;
    case kActionPage:
        if (!IsBlank(m_strPageName)) {
            s += m_strPageName + ", ";
        }
        s += "Page Class:" + PlusOne(m_strPageClass) + ", ";
        s += "Start No.:" + PlusOne(m_strPageStart);
        break;
    case kActionLoop:
        if (!IsBlank(m_strLoopName)) {
            s += m_strLoopName + ", ";
        }
        s += "ID:" + m_strLoopId + ", Action Key:" + m_strLoopKey;
        break;
    case kActionToggle:
        if (!IsBlank(m_strToggleName)) {
            s += m_strToggleName + ", ";
        }
        s += "Button " + PlusOne(m_strToggleButton) + " : ";
        s += "Start No. " + PlusOne(m_strToggleStart);
        break;
    default:
        break;
    }
    return s;
}

int CKvqEventStr::RecordLength() const {
    switch (IsValid() ? GetTypeCode() : kActionNone) {
    case kActionUart:
    case kActionCompare:
        return 18 + kSerialDataArea;
    case kActionIr:
        return 18 + kIrCodeArea;
    case kActionDelay:
        return 18 + 7;
    case kActionGpio:
    case kActionRelay:
    case kActionLed:
    case kActionPage:
    case kActionLoop:
    case kActionToggle:
        return 18 + 1;
    default:
        return 0;
    }
}

void CKvqEventStr::Put(std::string_view bytes) {
    std::memcpy(m_pOut + m_nOutLen, bytes.data(), bytes.size());
    m_nOutLen += static_cast<int>(bytes.size());
}

void CKvqEventStr::PutNumber(long long value, int width) {
    PutFormattedNumber(m_pOut + m_nOutLen, value, width);
    m_nOutLen += width;
}

void CKvqEventStr::EncodeSerialData(const std::string& format, const std::string& endChar,
                                    const std::string& data) {
    std::string bytes;
    if (AtoI(format) == 1) {
        std::string digits;
        for (char c : data) {
            if (c != ' ') {
                digits += c;
            }
        }
        if (digits.size() > 2 * kSerialDataArea) {
            digits.resize(2 * kSerialDataArea);
        }
        for (size_t i = 0; i + 1 < digits.size(); i += 2) {
            bytes += static_cast<char>(HexPair(digits[i], digits[i + 1]));
        }
    } else {
        // Any end code but 1 and 2 sends no end character; the area never takes more than 32.
        switch (AtoI(endChar)) {
        case 1:
            bytes = data.substr(0, data.size() >= 32 ? 31 : data.size()) + "\r";
            break;
        case 2:
            bytes = data.substr(0, data.size() >= 31 ? 30 : data.size()) + "\r\n";
            break;
        default:
            bytes = data.substr(0, kSerialDataArea);
            break;
        }
    }
    PutNumber(static_cast<int>(bytes.size()), 2);
    std::string area(kSerialDataArea, '-');
    area.replace(0, bytes.size(), bytes);
    Put(area);
}

int CKvqEventStr::Encode() {
    const int code = GetTypeCode();
    if (!m_pOut || !IsValid() || code == kActionNone) {
        return m_nOutLen;
    }
    PutNumber(code, 2);
    Put(std::string_view(m_strType).substr(0, 4));
    switch (code) {
    case kActionUart:
        PutNumber(AtoI(m_strUartPort) + 1LL, 1);
        PutNumber(BaudCode(m_strUartBaud), 1);
        PutNumber(AtoI(m_strUartDataBits) + 1LL, 1);
        PutNumber(AtoI(m_strUartStopBits) + 1LL, 1);
        PutNumber(AtoI(m_strUartParity) + 1LL, 1);
        PutNumber(AtoI(m_strUartSend) + 1LL, 1);
        PutNumber(AtoI(m_strUartTimes), 2);
        PutNumber(AtoI(m_strUartDelay), 2);
        EncodeSerialData(m_strUartFormat, m_strUartEndChar, m_strUartData);
        break;
    case kActionIr: {
        PutNumber(AtoI(m_strIrPort) + 1LL, 2);
        PutNumber(AtoI(m_strIrCarrier), 2);
        PutNumber(AtoI(m_strIrSend) + 1LL, 2);
        PutNumber(AtoI(m_strIrTimes), 2);
        PutNumber(AtoI(m_strIrDelay), 2);
        Put("99");
        std::string_view code = m_strIrCode;
        if (code.size() > kIrCodeDigits) {
            if (m_reporter) {
                m_reporter->Report("rs232 data over");
            }
            code = code.substr(0, kIrCodeDigits);
        }
        char* area = m_pOut + m_nOutLen;
        std::memset(area, 'F', kIrCodeArea);
        for (size_t i = 0; i < code.size() / 2; ++i) {
            area[i] = static_cast<char>(HexPair(code[2 * i], code[2 * i + 1]));
        }
        m_nOutLen += kIrCodeArea;
        break;
    }
    case kActionGpio:
        PutNumber(AtoI(m_strIoPort) + 1LL, 2);
        PutNumber(AtoI(m_strIoDir), 2);
        Put("00000001");
        PutNumber(AtoI(m_strIoLevel), 1);
        break;
    case kActionRelay:
        PutNumber(AtoI(m_strRelayPort) + 1LL, 2);
        Put("0000000001");
        PutNumber(AtoI(m_strRelayAction), 1);
        break;
    case kActionDelay:
        Put("0000000000");
        Put("07");
        PutNumber(AtoI(m_strDelayHour), 2);
        PutNumber(AtoI(m_strDelayMinute), 2);
        PutNumber(AtoI(m_strDelaySecond), 2);
        PutNumber(AtoI(m_strDelayHalf), 1);
        break;
    case kActionCompare: {
        std::string port = FormatNumber(AtoI(m_strCmpPort) + 1LL, 2).substr(0, 2);
        if (m_strCmpMode == "1") {
            port[0] = '1';
        }
        Put(port);
        Put("00000000");
        EncodeSerialData(m_strCmpFormat, m_strCmpEndChar, m_strCmpData);
        break;
    }
    case kActionLed:
        PutNumber(AtoI(m_strLedButton) + 1LL, 2);
        Put("0000000001");
        PutNumber(AtoI(m_strLedAction), 1);
        break;
    case kActionPage:
        PutNumber(AtoI(m_strPageClass) + 1LL, 2);
        PutNumber(AtoI(m_strPageStart) + 1LL, 2);
        Put("00000001");
        Put("0"); // the data byte the keypad ignores
        break;
    case kActionLoop:
        PutNumber(AtoI(m_strLoopId), 2);
        PutNumber(AtoI(m_strLoopKey), 2);
        Put("00000001");
        Put("0");
        break;
    case kActionToggle:
        PutNumber(AtoI(m_strToggleButton) + 1LL, 2);
        PutNumber(AtoI(m_strToggleStart) + 1LL, 2);
        Put("00000001");
        Put("0");
        break;
    default:
        break;
    }
    return m_nOutLen;
}

std::string CKvqEventStr::EncodeToBytes(std::string_view text, IReporter* reporter) {
    char scratch[kActionScratchSize];
    CKvqEventStr action(text, scratch, 0, reporter);
    const int length = action.Encode();
    return std::string(scratch, static_cast<size_t>(length));
}

} // namespace qz
