#pragma once
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// RS232 libraries: named serial strings with their line settings, kept in ".rss" files.
namespace qz {

constexpr int kRs232DataSize = 33;

enum Rs232Format : std::int32_t { kRs232Ascii = 0, kRs232Hex = 1 };
enum Rs232EndChar : std::int32_t { kEndNone = 0, kEndCr = 1, kEndCrLf = 2 };

// One function: its name, the line settings as the editor shows them, and the bytes to send.
// `dataLength` counts the bytes of `data` in use, end characters included; the rest are zero.
class CRS232LibFun {
  public:
    std::string name;
    std::string baudRate;
    std::string dataBits;
    std::string stopBits;
    std::string parity;
    std::int32_t format = kRs232Ascii;
    std::int32_t endChar = kEndNone;
    std::int32_t dataLength = 0;
    std::array<unsigned char, kRs232DataSize> data{};

    bool operator==(const CRS232LibFun& o) const {
        return name == o.name && baudRate == o.baudRate && dataBits == o.dataBits &&
               stopBits == o.stopBits && parity == o.parity && format == o.format &&
               endChar == o.endChar && dataLength == o.dataLength && data == o.data;
    }
    bool operator!=(const CRS232LibFun& o) const { return !(*this == o); }
};

// One RS232 library; `storedCount` is the number of functions as last written or read.
class CRS232LibSet {
  public:
    std::string libName;
    std::int32_t storedCount = 0;
    std::vector<CRS232LibFun> functions;

    // As CIrLibSet::NameFault: empty when the stored name can name the file, else why not.
    QString NameFault() const;

    bool operator==(const CRS232LibSet& o) const {
        return libName == o.libName && storedCount == o.storedCount && functions == o.functions;
    }
    bool operator!=(const CRS232LibSet& o) const { return !(*this == o); }
};

// File form: the name as a string, the function count as int32, then per function five strings
// (name, baud rate, data bits, stop bits, parity), three int32 (format, end characters, data
// length) and all 33 data bytes. Reading refuses a truncated file, a count the file cannot hold,
// and format, end characters or data length out of range; on failure `error` (when given) says
// what and at which byte offset, and `library` is unchanged. Bytes after the last function are
// never read, so a file with a tail still opens; `ignored` (when given) gets their number.
bool ReadRs232Library(const QByteArray& bytes, CRS232LibSet& library, QString* error = nullptr,
                      qsizetype* ignored = nullptr);
// The file bytes of `library` with the count taken from its functions. Empty (and `error` set)
// when a function holds values the reader would refuse.
QByteArray WriteRs232Library(const CRS232LibSet& library, QString* error = nullptr);

// Loads the file at `path` into `library`, which changes only when the whole file is sound.
bool LoadRs232LibraryFile(const QString& path, CRS232LibSet& library, QString* error = nullptr);
// Sets `storedCount` to the number of functions, then writes through a temporary file that
// replaces `path` only once everything is written; on failure the old file stays as it was.
bool SaveRs232LibraryFile(const QString& path, CRS232LibSet& library, QString* error = nullptr);

// Index of the first function named exactly `name` (case-sensitive, no trimming), or -1.
int FindRs232Function(const CRS232LibSet& library, std::string_view name);
// A copy of the first function named `name`, or a default function when there is none.
CRS232LibFun CopyRs232Function(const CRS232LibSet& library, std::string_view name);
// The data as the user sees it: hexadecimal data as blank-separated lower-case pairs, ASCII data
// as its text without the end characters.
std::string Rs232DataText(const CRS232LibFun& function);

} // namespace qz
