#pragma once
// The binary encodings shared by the project file (.qzp) and the library files (.irr, .rss):
// 32-bit little-endian integers, length-prefixed 8-bit strings, element counts and string
// arrays. Standard C++ only, so that every file layer can use it.
//
// String prefix written for a string of n bytes:
//   n < 255                 one byte n
//   255 <= n < 65534        0xFF, n as uint16
//   65534 <= n < 2^32-1     0xFF, uint16 0xFFFF, n as uint32
//   (larger)                0xFF, 0xFFFF, 0xFFFFFFFF, n as uint64
// The reader accepts every form (also non-minimal ones) and the UTF-16 tag: 0xFF, uint16 0xFFFE,
// then a second prefix of the forms above counting 16-bit units, then that many UTF-16LE units,
// converted to UTF-8 (unpaired surrogates become '?'). A 64-bit length must stay below 2^31.
//
// Count written for c elements: c < 65535 as uint16, else uint16 0xFFFF and c as uint32.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qz {

// Reads from a byte range that it does not own. Every read checks the bounds first; the first
// failure is kept (offset and text) and every later read fails too, leaving its output zero or
// empty. Nothing is allocated beyond what the remaining input can hold.
class ArchiveReader {
  public:
    ArchiveReader(const void* data, std::size_t size);
    explicit ArchiveReader(std::string_view bytes);
    // The reader does not own its input: a temporary would be gone before the first read.
    explicit ArchiveReader(std::string&&) = delete;

    bool ReadInt32(std::int32_t& value);
    bool ReadUInt16(std::uint16_t& value);
    bool ReadUInt32(std::uint32_t& value);
    // Any string form; the UTF-16 tagged form is converted to UTF-8.
    bool ReadString(std::string& value);
    // A count whose elements take at least minElementBytes each, followed by at least bytesAfter
    // bytes of whatever comes next: a count that cannot fit in the rest of the input fails here,
    // before anything is allocated.
    bool ReadCount(std::uint32_t& count, std::size_t minElementBytes = 1,
                   std::size_t bytesAfter = 0);
    // A count followed by that many strings (each at least one byte), then at least bytesAfter
    // bytes. The list grows with the strings read, never ahead of them: a count that the input
    // can hold may still be followed by bytes that are no strings.
    bool ReadStringArray(std::vector<std::string>& values, std::size_t bytesAfter = 0);

    // Records a failure found by the caller (a value out of range) at the given offset; the
    // first failure wins. Returns false for convenience.
    bool Fail(std::size_t offset, std::string text);
    // Fails with "trailing bytes" when input is left over.
    bool ExpectEnd();

    bool Ok() const { return m_ok; }
    std::size_t Offset() const { return m_pos; }
    std::size_t Size() const { return m_size; }
    std::size_t Remaining() const { return m_size - m_pos; }
    bool AtEnd() const { return m_pos == m_size; }
    // Where and what the first failure was; "byte N: text" in Error().
    std::size_t ErrorOffset() const { return m_errorOffset; }
    const std::string& ErrorText() const { return m_errorText; }
    std::string Error() const;

  private:
    bool Need(std::size_t bytes, const char* what);
    std::uint64_t Take(int bytes); // after Need: little-endian value of the next bytes
    bool ReadLength(std::uint64_t& length, bool& wide, bool allowTag);

    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
    std::size_t m_errorOffset = 0;
    std::string m_errorText;
};

// Appends the same encodings to a growing byte string; the writer always writes 8-bit strings
// in their shortest form.
class ArchiveWriter {
  public:
    void WriteInt32(std::int32_t value);
    void WriteUInt16(std::uint16_t value);
    void WriteUInt32(std::uint32_t value);
    void WriteString(std::string_view value);
    void WriteCount(std::uint64_t count);
    void WriteStringArray(const std::vector<std::string>& values);
    // The UTF-16 tagged form (the writer of this program never uses it; tests and seed files do).
    void WriteWideString(std::u16string_view value);

    const std::string& Bytes() const { return m_bytes; }
    std::string Take() { return std::move(m_bytes); }
    void Reserve(std::size_t bytes) { m_bytes.reserve(bytes); }

  private:
    void WriteLength(std::uint64_t length);
    void Put(std::uint64_t value, int bytes);

    std::string m_bytes;
};

// The exact number of bytes WriteString writes for a string of this length.
std::size_t EncodedStringSize(std::size_t length);

} // namespace qz
