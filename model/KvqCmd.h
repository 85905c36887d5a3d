#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qz {

class IReporter;

constexpr int kFrameBufferSize = 2048;
// Largest length field a frame may carry: a frame of L + 13 bytes plus its NUL fits the buffer.
constexpr int kMaxFrameLength = 2035;
// The content of an event frame (before checksum and trailer) must stay below this offset.
constexpr int kEventFrameLimit = 2039;
constexpr int kIrCodeBytes = 99;

// Command codes of the system and event frames.
enum FrameCode : int {
    kCodeLearnIr = 3,
    kCodeConnect = 2,
    kCodeClear = 1,
    kCodeSysId = 31,
    kCodeKeyGroup = 32,
    kCodeKeyName = 33,
    kCodeLedLevel = 34,
    kCodePortMode = 35,
    kCodePress = 40,
    kCodeRelease = 41,
    kCodeToggle = 42,
    kCodePage = 43,
    kCodeVirtual = 44,
    kCodeLong = 45,
    kCodeIoHighLow = 50,
    kCodeIoLowHigh = 51,
    kCodeStartUp = 52,
    kCodeTimeOut = 53,
};

// The fixed frames of the device protocol.
inline constexpr std::string_view kConnectFrame = "KVQ000602CONE87ENND";
inline constexpr std::string_view kClearFrame = "KVQ000601CLRE87ENND";
inline constexpr std::string_view kClearFrame81 = "KVQ000681CLRE8FENND";

// The transmit (or receive) buffer a frame is built in. Owned by whoever sends frames; one frame
// at a time.
struct FrameBuffer {
    std::array<char, kFrameBufferSize> bytes{};
};

// The view on a frame buffer through which frames are built and received frames are checked.
class CKvqCmd {
  public:
    // Building: resets the buffer ('-' fill, NUL at 2047) and starts at length 0.
    explicit CKvqCmd(FrameBuffer& buffer, IReporter* reporter = nullptr);
    // Checking: wraps nLen received bytes (nothing is written through this view).
    CKvqCmd(const char* received, int nLen);

    // Writes "KVQ", the code ("%02d", refused from 99 on) and its mnemonic; length becomes 13.
    void Begin(int nCode);
    void SetEventType(int nCode);
    void SetEventParams(int nKey, int nSub, int nCode, int nNum);
    // Writes raw bytes at the current length and advances; refuses (returns false) when they
    // would run past the event-frame limit.
    bool Append(std::string_view bytes);
    void PutByte(int offset, char c);
    // Length field, checksum, "ENND" and the NUL after it.
    void Complete();

    void MakeLearnIrFrame();
    void MakeKeyNameFrame(int nKey, std::string_view strName);
    void MakeKeyGroupFrame(std::uint32_t dwKeyMask, int nGroup);
    void MakeLedLevelFrame(unsigned nLevel, int nKey);
    void MakeSysIdFrame(int idNumber);
    void MakePortModeFrame(int portMode);
    // "CONE"/"CLRE" frames with the given code (the fixed frames above are reproduced by these).
    void MakeFixedFrame(int nCode, std::string_view mnemonic);

    // Received-frame checks.
    int GetFrameLength() const;
    bool IsFrameComplete() const;
    bool IsFrameSumValid() const;
    // The 99 code bytes at offsets 13..111 as 198 lower-case hex digits; empty when the frame
    // is too short to hold them.
    std::string GetLearnedIrCode() const;

    const char* Data() const { return m_pBuf; }
    int Length() const { return m_nLen; }
    std::string Bytes() const { return std::string(m_pBuf, static_cast<size_t>(m_nLen)); }

    static std::string_view MnemonicFor(int nCode);
    static unsigned Checksum(const char* bytes, int count);
    static std::string FitKeyName(std::string_view name);

  private:
    void PutText(int offset, std::string_view text);
    void PutNumber(int offset, long long value, int width);

    char* m_pBuf = nullptr;
    const char* m_pConstBuf = nullptr;
    int m_nBufSize = kFrameBufferSize;
    int m_nLen = 0;
    IReporter* m_reporter = nullptr;
};

} // namespace qz
