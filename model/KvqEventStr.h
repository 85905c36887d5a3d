#pragma once
#include <string>
#include <string_view>

namespace qz {

class IReporter;

// Action type codes.
enum ActionType : int {
    kActionNone = 0,
    kActionUart = 60,
    kActionIr = 61,
    kActionGpio = 62,
    kActionRelay = 63,
    kActionDelay = 64,
    kActionCompare = 65,
    kActionLed = 66,
    kActionPage = 67,
    kActionLoop = 68,
    kActionToggle = 69,
};

// Size of the scratch area one action record is assembled in (the IR record, 117 bytes, is the
// largest).
constexpr int kActionScratchSize = 120;

// One action parsed from its action text into named string fields. Lives for one parse,
// summary or encoding.
class CKvqEventStr {
  public:
    explicit CKvqEventStr(std::string_view text, IReporter* reporter = nullptr);
    // For encoding: the record is appended to pOut at nOutLen (pOut holds at least
    // kActionScratchSize bytes from nOutLen on).
    CKvqEventStr(std::string_view text, char* pOut, int nOutLen, IReporter* reporter = nullptr);

    int GetTypeCode() const;
    // The type code the parser found, kept even when the field split failed.
    int ParsedType() const { return m_nType; }
    bool IsValid() const { return !m_strType.empty(); }
    std::string GetTypeName() const;
    std::string GetSummary() const;
    // Appends the action record; returns the new write position. An object that did not parse,
    // or has no output buffer, writes nothing and returns the position unchanged.
    int Encode();
    // The action record as bytes (empty for texts that do not encode).
    static std::string EncodeToBytes(std::string_view text, IReporter* reporter = nullptr);
    // Length of the record a valid object encodes to (0 when it does not encode).
    int RecordLength() const;

    const std::string& GetText() const { return m_strText; }
    const std::string& GetType() const { return m_strType; }

#define QZ_FIELD(name)                                                                             \
  public:                                                                                          \
    const std::string& Get##name() const {                                                         \
        return m_str##name;                                                                        \
    }                                                                                              \
                                                                                                   \
  private:                                                                                         \
    std::string m_str##name;

    // RS232
    QZ_FIELD(UartName)
    QZ_FIELD(UartLib)
    QZ_FIELD(UartFun)
    QZ_FIELD(UartBaud)
    QZ_FIELD(UartDataBits)
    QZ_FIELD(UartStopBits)
    QZ_FIELD(UartFormat)
    QZ_FIELD(UartEndChar)
    QZ_FIELD(UartParity)
    QZ_FIELD(UartPort)
    QZ_FIELD(UartSend)
    QZ_FIELD(UartTimes)
    QZ_FIELD(UartDelay)
    QZ_FIELD(UartData)
    // IR
    QZ_FIELD(IrLib)
    QZ_FIELD(IrFun)
    QZ_FIELD(IrPort)
    QZ_FIELD(IrCarrier)
    QZ_FIELD(IrSend)
    QZ_FIELD(IrTimes)
    QZ_FIELD(IrDelay)
    QZ_FIELD(IrLen)
    QZ_FIELD(IrCode)
    // Loop
    QZ_FIELD(LoopName)
    QZ_FIELD(LoopId)
    QZ_FIELD(LoopKey)
    QZ_FIELD(LoopEnd)
    // Compare
    QZ_FIELD(CmpName)
    QZ_FIELD(CmpPort)
    QZ_FIELD(CmpFormat)
    QZ_FIELD(CmpEndChar)
    QZ_FIELD(CmpMode)
    QZ_FIELD(CmpData)
    // Delay
    QZ_FIELD(DelayHour)
    QZ_FIELD(DelayMinute)
    QZ_FIELD(DelaySecond)
    QZ_FIELD(DelayHalf)
    QZ_FIELD(DelayAll)
    // I/O
    QZ_FIELD(IoName)
    QZ_FIELD(IoPort)
    QZ_FIELD(IoDir)
    QZ_FIELD(IoLevel)
    QZ_FIELD(IoLevel2)
    // LED
    QZ_FIELD(LedButton)
    QZ_FIELD(LedAction)
    QZ_FIELD(LedAction2)
    // Page
    QZ_FIELD(PageName)
    QZ_FIELD(PageClass)
    QZ_FIELD(PageStart)
    QZ_FIELD(PageEnd)
    // Relay
    QZ_FIELD(RelayPort)
    QZ_FIELD(RelayAction)
    QZ_FIELD(RelayAction2)
    // Toggle
    QZ_FIELD(ToggleName)
    QZ_FIELD(ToggleButton)
    QZ_FIELD(ToggleStart)
    QZ_FIELD(ToggleEnd)
#undef QZ_FIELD

  public:
    // Type code of a mnemonic (exact, upper case); 0 for any other.
    static int TypeCodeOf(std::string_view mnemonic);
    // Number of separators of a type; 0 for type 0.
    static int SeparatorCount(int typeCode);

  private:
    void ParseActionText();
    void SplitFields(int separators);
    void EncodeSerialData(const std::string& format, const std::string& endChar,
                          const std::string& data);
    void Put(std::string_view bytes);
    void PutNumber(long long value, int width);

    char* m_pOut = nullptr;
    int m_nOutLen = 0;
    std::string m_strText;
    std::string m_strType;
    int m_nType = 0;
    IReporter* m_reporter = nullptr;
};

} // namespace qz
