#include "Archive.h"

#include <cstring>

namespace qz {

namespace {

constexpr std::uint64_t kMaxLength64 = 0x7FFFFFFFu; // a 64-bit length must be below 2^31

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE units to UTF-8; an unpaired surrogate becomes '?', the default character a Windows
// code-page conversion writes.
std::string Utf16ToUtf8(const unsigned char* p, std::size_t units) {
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = p[2 * i] | (p[2 * i + 1] << 8);
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units) {
            const std::uint32_t lo = p[2 * i + 2] | (p[2 * i + 3] << 8);
            if (lo >= 0xDC00 && lo < 0xE000) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000) {
            out += '?';
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

} // namespace

ArchiveReader::ArchiveReader(const void* data, std::size_t size)
    : m_data(static_cast<const unsigned char*>(data)), m_size(data ? size : 0) {}

ArchiveReader::ArchiveReader(std::string_view bytes) : ArchiveReader(bytes.data(), bytes.size()) {}

bool ArchiveReader::Fail(std::size_t offset, std::string text) {
    if (m_ok) {
        m_ok = false;
        m_errorOffset = offset;
        m_errorText = std::move(text);
    }
    return false;
}

std::string ArchiveReader::Error() const {
    if (m_ok) {
        return {};
    }
    return "byte " + std::to_string(m_errorOffset) + ": " + m_errorText;
}

bool ArchiveReader::Need(std::size_t bytes, const char* what) {
    if (!m_ok) {
        return false;
    }
    if (bytes > Remaining()) {
        return Fail(m_pos, std::string("file ends inside ") + what);
    }
    return true;
}

std::uint64_t ArchiveReader::Take(int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(m_data[m_pos + i]) << (8 * i);
    }
    m_pos += static_cast<std::size_t>(bytes);
    return value;
}

bool ArchiveReader::ReadInt32(std::int32_t& value) {
    value = 0;
    if (!Need(4, "a 32-bit integer")) {
        return false;
    }
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(Take(4)));
    return true;
}

bool ArchiveReader::ReadUInt16(std::uint16_t& value) {
    value = 0;
    if (!Need(2, "a 16-bit integer")) {
        return false;
    }
    value = static_cast<std::uint16_t>(Take(2));
    return true;
}

bool ArchiveReader::ReadUInt32(std::uint32_t& value) {
    value = 0;
    if (!Need(4, "a 32-bit integer")) {
        return false;
    }
    value = static_cast<std::uint32_t>(Take(4));
    return true;
}

bool ArchiveReader::ReadLength(std::uint64_t& length, bool& wide, bool allowTag) {
    const std::size_t start = m_pos;
    length = 0;
    if (!Need(1, "a string length")) {
        return false;
    }
    length = Take(1);
    if (length < 0xFF) {
        return true;
    }
    if (!Need(2, "a string length")) {
        return false;
    }
    length = Take(2);
    if (length == 0xFFFE && allowTag) {
        wide = true;
        return ReadLength(length, wide, false);
    }
    if (length < 0xFFFF) {
        return true;
    }
    if (!Need(4, "a string length")) {
        return false;
    }
    length = Take(4);
    if (length < 0xFFFFFFFFu) {
        return true;
    }
    if (!Need(8, "a string length")) {
        return false;
    }
    length = Take(8);
    if (length > kMaxLength64) {
        return Fail(start, "string length " + std::to_string(length) + " out of range");
    }
    return true;
}

bool ArchiveReader::ReadString(std::string& value) {
    value.clear();
    const std::size_t start = m_pos;
    std::uint64_t length = 0;
    bool wide = false;
    if (!ReadLength(length, wide, true)) {
        return false;
    }
    const std::uint64_t bytes = wide ? 2 * length : length;
    if (bytes > Remaining()) {
        return Fail(start, "string of " + std::to_string(bytes) + " bytes runs past the end (" +
                               std::to_string(Remaining()) + " bytes left)");
    }
    const unsigned char* p = m_data + m_pos;
    m_pos += static_cast<std::size_t>(bytes);
    if (wide) {
        value = Utf16ToUtf8(p, static_cast<std::size_t>(length));
    } else {
        value.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(length));
    }
    return true;
}

bool ArchiveReader::ReadCount(std::uint32_t& count, std::size_t minElementBytes,
                              std::size_t bytesAfter) {
    const std::size_t start = m_pos;
    count = 0;
    if (!Need(2, "a count")) {
        return false;
    }
    count = static_cast<std::uint32_t>(Take(2));
    if (count == 0xFFFF) {
        if (!Need(4, "a count")) {
            count = 0;
            return false;
        }
        count = static_cast<std::uint32_t>(Take(4));
    }
    const std::size_t room = Remaining() > bytesAfter ? Remaining() - bytesAfter : 0;
    if (minElementBytes && count > room / minElementBytes) {
        std::string text = "count " + std::to_string(count) + " cannot fit in the " +
                           std::to_string(Remaining()) + " bytes left";
        if (bytesAfter) {
            text += " (what follows it needs at least " + std::to_string(bytesAfter) + ")";
        }
        count = 0;
        return Fail(start, std::move(text));
    }
    return true;
}

bool ArchiveReader::ReadStringArray(std::vector<std::string>& values, std::size_t bytesAfter) {
    values.clear();
    std::uint32_t count = 0;
    if (!ReadCount(count, 1, bytesAfter)) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string value;
        if (!ReadString(value)) {
            values.clear();
            return false;
        }
        values.push_back(std::move(value));
    }
    return true;
}

bool ArchiveReader::ExpectEnd() {
    if (m_ok && !AtEnd()) {
        return Fail(m_pos, std::to_string(Remaining()) + " trailing bytes after the end");
    }
    return m_ok;
}

void ArchiveWriter::Put(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        m_bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void ArchiveWriter::WriteInt32(std::int32_t value) {
    Put(static_cast<std::uint32_t>(value), 4);
}
void ArchiveWriter::WriteUInt16(std::uint16_t value) {
    Put(value, 2);
}
void ArchiveWriter::WriteUInt32(std::uint32_t value) {
    Put(value, 4);
}

void ArchiveWriter::WriteLength(std::uint64_t length) {
    if (length < 0xFF) {
        Put(length, 1);
        return;
    }
    Put(0xFF, 1);
    if (length < 0xFFFE) {
        Put(length, 2);
        return;
    }
    Put(0xFFFF, 2);
    if (length < 0xFFFFFFFFu) {
        Put(length, 4);
        return;
    }
    Put(0xFFFFFFFFu, 4);
    Put(length, 8);
}

void ArchiveWriter::WriteString(std::string_view value) {
    WriteLength(value.size());
    m_bytes.append(value.data(), value.size());
}

void ArchiveWriter::WriteWideString(std::u16string_view value) {
    Put(0xFF, 1);
    Put(0xFFFE, 2);
    WriteLength(value.size());
    for (char16_t u : value) {
        Put(static_cast<std::uint16_t>(u), 2);
    }
}

void ArchiveWriter::WriteCount(std::uint64_t count) {
    if (count < 0xFFFF) {
        Put(count, 2);
    } else {
        Put(0xFFFF, 2);
        Put(count, 4);
    }
}

void ArchiveWriter::WriteStringArray(const std::vector<std::string>& values) {
    WriteCount(values.size());
    for (const auto& v : values) {
        WriteString(v);
    }
}

std::size_t EncodedStringSize(std::size_t length) {
    if (length < 0xFF) {
        return 1 + length;
    }
    if (length < 0xFFFE) {
        return 3 + length;
    }
    if (length < 0xFFFFFFFFu) {
        return 7 + length;
    }
    return 15 + length;
}

} // namespace qz
