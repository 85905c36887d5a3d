#pragma once
// The one rule for 8-bit text. Names, codes and action texts are kept one byte a character
// (Latin-1, U+0000..U+00FF), as the project and library files store them and the keypad shows
// them. Every way text crosses into or out of the program goes through here:
//  - a QString from a widget, JSON or the command line becomes bytes only when every character
//    is U+00FF or below; anything else is refused with the place named, never turned into "?";
//  - bytes become a QString character for character (never decoded as UTF-8);
//  - a terminal or log line gets the characters in UTF-8, so "Caf\xe9" prints as "Café";
//  - a library name becomes a file name only when it cannot leave the library folder, and its
//    file is found under the name's own bytes first, then under its UTF-8 spelling.
#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qz::latin1 {

// Each byte one character.
QString ToQString(std::string_view bytes);
inline QString ToQString(const QByteArray& bytes) {
    return ToQString(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}
// Index of the first character above U+00FF, or -1 when every character can be kept.
qsizetype FirstOutside(const QString& text);
// The bytes of text, or nothing when a character is above U+00FF.
std::optional<std::string> ToBytes(const QString& text);
// What the user is told when text holds a character above U+00FF; `place` names the field
// ("Key name", "keys[3].keyName"). Empty when the text is fine.
QString OutsideMessage(const QString& text, const QString& place);
// The characters of 8-bit text in UTF-8, for a terminal, a log line or a message.
QByteArray ForTerminal(std::string_view bytes);
// A path for a message or a log line: a byte that its file name keeps because it is not UTF-8
// (io/FileName.h) shows as its Latin-1 character, so ".../Caf\xe9.irr" reads ".../Café.irr"
// instead of a replacement character.
QString ShownPath(const QString& path);

// The 8-bit name a command-line argument stands for. On a terminal that writes UTF-8, "Caf�"
// arrives as "Caf\xc3\xa9" and means the name "Caf\xe9", the way the editor would keep it; an
// argument that is not valid UTF-8, or holds a character above U+00FF, is taken as its bytes.
std::string NameFromArgument(const QByteArray& typed);
// The readings of an argument to look an existing library up by: NameFromArgument first, then
// the bytes as typed when they differ (a library an older version stored under them).
std::vector<std::string> ArgumentNames(const QByteArray& typed);

// Why a library name may not name a file in the library folder.
enum class NameFault {
    None,
    Empty,
    Separator,  // "/" or "\"
    DotDot,     // ".." anywhere
    LeadingDot, // a hidden file, or "." itself
    Nul,
    Control, // a byte below 0x20, or 0x7F
};
NameFault LibraryNameFault(std::string_view name);
inline bool IsSafeLibraryName(std::string_view name) {
    return LibraryNameFault(name) == NameFault::None;
}
// The message for a refused name, quoting it as the user sees it; empty for NameFault::None.
QString LibraryNameFaultText(std::string_view name);

// The two spellings a library's file may have in `folder`: the name's own bytes (what this
// program writes) and, when different, the name's characters in UTF-8 (a file renamed on a
// desktop that spells names in UTF-8). `extension` includes the dot: ".irr", ".rss".
// Empty when the name is not safe.
struct LibraryFileSpellings {
    QString own;
    QString utf8; // empty when it is the same as `own`
};
LibraryFileSpellings LibraryFilePaths(const QString& folder, std::string_view name,
                                      const char* extension);
// The library's file: the first spelling that exists, else the own spelling (where a new
// library is written). Empty when the name is not safe.
QString FindLibraryFile(const QString& folder, std::string_view name, const char* extension);
// The library name a file name stands for (its base name without the extension), as bytes:
// the file name's bytes, or its UTF-8 characters when they are all U+00FF or below and the
// bytes are valid UTF-8. Nothing when the base name is not a safe library name.
std::optional<std::string> LibraryNameOfFile(const QString& fileName, const char* extension);

} // namespace qz::latin1
