#pragma once
#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

// IR libraries: named infrared codes kept in ".irr" files. Names and codes are 8-bit text and
// are never converted.
namespace qz {

// Digits of one learned code: the 99 code bytes the keypad reports, two lower-case hex digits
// each. A function created but not learned yet holds kIrPlaceholderLength "F"s instead.
constexpr int kIrCodeDigits = 198;
constexpr int kIrPlaceholderLength = 99;

// One IR library. Each entry is "name : data"; the entry text is the only place a function's
// name and code are stored.
class CIrLibSet {
  public:
    std::string libName;
    std::vector<std::string> entries;

    // Empty when the stored name can name the library's file; else why it cannot (it would
    // leave the library folder, latin1::LibraryNameFaultText). The readers still load such a
    // file: show it read-only with this text as the warning, and never save it under its name.
    QString NameFault() const;

    bool operator==(const CIrLibSet& other) const {
        return libName == other.libName && entries == other.entries;
    }
    bool operator!=(const CIrLibSet& other) const { return !(*this == other); }
};

// File form: the name as a string, the entry count (16-bit, or 0xFFFF and 32-bit), the entries
// as strings. Reading checks every length against the bytes left; on failure `error` (when
// given) says what is wrong and at which byte offset, and `library` is left as it was. Bytes after
// the last entry are never read, so a file with a tail still opens; `ignored` (when given) gets
// their number.
bool ReadIrLibrary(const QByteArray& bytes, CIrLibSet& library, QString* error = nullptr,
                   qsizetype* ignored = nullptr);
QByteArray WriteIrLibrary(const CIrLibSet& library);

// Loads the file at `path` into `library`, which changes only when the whole file is sound.
// False for an empty path, a file that cannot be opened or read, or a damaged file.
bool LoadIrLibraryFile(const QString& path, CIrLibSet& library, QString* error = nullptr);
// Writes through a temporary file that replaces `path` only once everything is written; on
// failure the old file stays as it was and the result is false.
bool SaveIrLibraryFile(const QString& path, const CIrLibSet& library, QString* error = nullptr);

// Index of the first entry whose name part is exactly `name` (case-sensitive), or -1. Entries
// with an empty name part never match.
int FindIrFunction(const CIrLibSet& library, std::string_view name);
// Name part, or whole text, of the entry at `index`; empty when `index` is outside the list.
std::string IrFunctionName(const CIrLibSet& library, int index);
std::string IrFunctionEntry(const CIrLibSet& library, int index);

// Split an entry at its first ":". Name: the text before it, trimmed of blanks at both ends.
// Data: the text after it without leading blanks, cut to kIrCodeDigits characters. Both are
// empty when there is no ":" or the entry starts with it.
std::string IrEntryName(std::string_view entry);
std::string IrEntryData(std::string_view entry);
std::string MakeIrEntry(std::string_view name, std::string_view data);

// Stores a learned code under `functionName` in the IR library file at `path`: the function's
// entry is replaced, or appended when the library has no function of that name; a missing file
// becomes a new library named after the file (its base name). Refuses a code that is not exactly
// kIrCodeDigits hex digits (upper-case digits are stored lower-case), a blank name, a name with
// ":" or with blanks at either end (the entry could not give it back), and a file that exists
// but cannot be read; the file is then left untouched.
bool StoreLearnedIrCode(const QString& path, const QByteArray& functionName,
                        const QByteArray& hexCode, QString* error = nullptr);

} // namespace qz
