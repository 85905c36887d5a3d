#include "KvqCmd.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Reporter.h"
#include "Text.h"

namespace qz {

namespace {

struct CodeName {
    int code;
    const char* mnemonic;
};

constexpr CodeName kMnemonics[] = {
    {kCodeLearnIr, "NONE"},   {kCodeSysId, "SYSI"},     {kCodeKeyGroup, "KYSG"},
    {kCodeKeyName, "KYNA"},   {kCodeLedLevel, "LIPR"},  {kCodePortMode, "UAIR"},
    {kCodePress, "PRES"},     {kCodeRelease, "RELS"},   {kCodeToggle, "TOGL"},
    {kCodePage, "PAGE"},      {kCodeVirtual, "VIRT"},   {kCodeLong, "LONG"},
    {kCodeIoHighLow, "IOHL"}, {kCodeIoLowHigh, "IOLH"}, {kCodeStartUp, "STUP"},
    {kCodeTimeOut, "TOUT"},
};

constexpr int kTrailerBytes = 2 + 4 + 1; // checksum, "ENND", NUL

} // namespace

CKvqCmd::CKvqCmd(FrameBuffer& buffer, IReporter* reporter)
    : m_pBuf(buffer.bytes.data()), m_pConstBuf(buffer.bytes.data()), m_reporter(reporter) {
    std::memset(m_pBuf, '-', kFrameBufferSize);
    m_pBuf[kFrameBufferSize - 1] = 0;
}

CKvqCmd::CKvqCmd(const char* received, int nLen)
    : m_pConstBuf(received), m_nLen(std::max(0, nLen)) {}

std::string_view CKvqCmd::MnemonicFor(int nCode) {
    for (const auto& entry : kMnemonics) {
        if (entry.code == nCode) {
            return entry.mnemonic;
        }
    }
    return "NONE";
}

unsigned CKvqCmd::Checksum(const char* bytes, int count) {
    unsigned sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += static_cast<unsigned char>(bytes[i]);
    }
    return sum & 0xFF;
}

std::string CKvqCmd::FitKeyName(std::string_view name) {
    if (name.size() >= 4) {
        return std::string(name.substr(0, 4));
    }
    return std::string(4 - name.size(), ' ') + std::string(name);
}

void CKvqCmd::PutText(int offset, std::string_view text) {
    if (!m_pBuf || offset < 0) {
        return;
    }
    const int room = m_nBufSize - 1 - offset;
    const int n = std::min<int>(room, static_cast<int>(text.size()));
    if (n > 0) {
        std::memcpy(m_pBuf + offset, text.data(), static_cast<size_t>(n));
    }
}

void CKvqCmd::PutNumber(int offset, long long value, int width) {
    // A value wider than its field keeps its leftmost characters.
    PutText(offset,
            std::string_view(FormatNumber(value, width)).substr(0, static_cast<size_t>(width)));
}

void CKvqCmd::PutByte(int offset, char c) {
    if (m_pBuf && offset >= 0 && offset < kFrameBufferSize - 1) {
        m_pBuf[offset] = c;
    }
}

void CKvqCmd::Begin(int nCode) {
    PutText(0, "KVQ");
    if (nCode >= 99) {
        if (m_reporter) {
            m_reporter->Report("cmd is illlegal!");
        }
    } else {
        PutNumber(7, nCode, 2);
    }
    SetEventType(nCode);
    m_nLen = 13;
}

void CKvqCmd::SetEventType(int nCode) {
    PutText(9, MnemonicFor(nCode));
}

void CKvqCmd::SetEventParams(int nKey, int nSub, int nCode, int nNum) {
    switch (nCode) {
    case kCodeSysId:
        PutNumber(13, nKey, 2);
        m_nLen = 15;
        break;
    case kCodePortMode:
        PutNumber(13, nKey, 1);
        m_nLen = 14;
        break;
    case kCodePress:
    case kCodeRelease:
    case kCodeVirtual:
    case kCodeLong:
        PutNumber(13, nKey + 1LL, 2);
        if (nCode != kCodeLong) {
            PutByte(15, '0');
        }
        PutByte(16, '0');
        m_nLen = 17;
        break;
    case kCodeToggle:
    case kCodePage:
        PutNumber(13, nKey + 1LL, 2);
        PutNumber(15, nSub + 1LL, 1);
        PutNumber(16, nNum + 1LL, 1);
        m_nLen = 17;
        break;
    case kCodeIoHighLow:
    case kCodeIoLowHigh:
        PutNumber(13, nSub, 1);
        PutText(14, "000");
        m_nLen = 17;
        break;
    case kCodeStartUp:
        PutText(13, "0000");
        m_nLen = 17;
        break;
    case kCodeTimeOut:
        PutNumber(13, nSub + 1LL, 1);
        PutNumber(14, nNum, 3);
        m_nLen = 17;
        break;
    default:
        break;
    }
}

bool CKvqCmd::Append(std::string_view bytes) {
    if (!m_pBuf || m_nLen + static_cast<int>(bytes.size()) >= kEventFrameLimit) {
        return false;
    }
    PutText(m_nLen, bytes);
    m_nLen += static_cast<int>(bytes.size());
    return true;
}

void CKvqCmd::Complete() {
    if (!m_pBuf) {
        return;
    }
    // Never let the trailer run past the buffer, whatever a caller wrote.
    m_nLen = std::clamp(m_nLen, 7, kFrameBufferSize - kTrailerBytes);
    PutNumber(3, m_nLen - 7, 4);
    char sum[3];
    std::snprintf(sum, sizeof sum, "%02X", Checksum(m_pBuf + 7, m_nLen - 7));
    PutText(m_nLen, std::string_view(sum, 2));
    m_nLen += 2;
    PutText(m_nLen, "ENND");
    m_nLen += 4;
    m_pBuf[m_nLen] = 0;
}

void CKvqCmd::MakeFixedFrame(int nCode, std::string_view mnemonic) {
    Begin(nCode);
    PutText(9, mnemonic.substr(0, 4));
    Complete();
}

void CKvqCmd::MakeLearnIrFrame() {
    Begin(kCodeLearnIr);
    Complete();
}

void CKvqCmd::MakeKeyNameFrame(int nKey, std::string_view strName) {
    Begin(kCodeKeyName);
    PutNumber(13, nKey + 1LL, 2);
    PutText(15, FitKeyName(strName));
    m_nLen = 19;
    Complete();
}

void CKvqCmd::MakeKeyGroupFrame(std::uint32_t dwKeyMask, int nGroup) {
    Begin(kCodeKeyGroup);
    PutNumber(13, nGroup, 2);
    PutByte(15, static_cast<char>((dwKeyMask >> 24) & 0xFF));
    PutByte(16, static_cast<char>((dwKeyMask >> 16) & 0xFF));
    PutByte(17, static_cast<char>((dwKeyMask >> 8) & 0xFF));
    PutByte(18, static_cast<char>(dwKeyMask & 0xFF));
    m_nLen = 19;
    Complete();
}

void CKvqCmd::MakeLedLevelFrame(unsigned nLevel, int nKey) {
    Begin(kCodeLedLevel);
    PutNumber(13, nKey + 1LL, 2);
    PutNumber(15, static_cast<int>(std::min(nLevel, 9u)), 1);
    m_nLen = 16;
    Complete();
}

void CKvqCmd::MakeSysIdFrame(int idNumber) {
    Begin(kCodeSysId);
    SetEventParams(idNumber, 0, kCodeSysId, 0);
    Complete();
}

void CKvqCmd::MakePortModeFrame(int portMode) {
    Begin(kCodePortMode);
    SetEventParams(portMode, 0, kCodePortMode, 0);
    Complete();
}

int CKvqCmd::GetFrameLength() const {
    if (m_nLen < 3 || std::memcmp(m_pConstBuf, "KVQ", 3) != 0) {
        return 0;
    }
    int value = 0;
    for (int i = 3; i < 7 && i < m_nLen; ++i) {
        const char c = m_pConstBuf[i];
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool CKvqCmd::IsFrameComplete() const {
    const int length = GetFrameLength();
    return length != 0 && length <= kMaxFrameLength && m_nLen - 12 >= length;
}

bool CKvqCmd::IsFrameSumValid() const {
    const int length = GetFrameLength();
    // Both checksum characters must have arrived; a pair that is not hexadecimal never matches.
    if (length <= 0 || 9 + length > m_nLen) {
        return false;
    }
    const int hi = HexDigitValue(m_pConstBuf[7 + length]);
    const int lo = HexDigitValue(m_pConstBuf[8 + length]);
    if (hi < 0 || lo < 0) {
        return false;
    }
    return Checksum(m_pConstBuf + 7, length) == static_cast<unsigned>(hi * 16 + lo);
}

std::string CKvqCmd::GetLearnedIrCode() const {
    constexpr int kFirst = 13;
    if (m_nLen < kFirst + kIrCodeBytes) {
        return {};
    }
    std::string hex;
    hex.reserve(2 * kIrCodeBytes);
    char pair[3];
    for (int i = 0; i < kIrCodeBytes; ++i) {
        std::snprintf(pair, sizeof pair, "%02x",
                      static_cast<unsigned char>(m_pConstBuf[kFirst + i]));
        hex.append(pair, 2);
    }
    return hex;
}

} // namespace qz
