#include "Latin1.h"

#include <QFileInfo>

#include "FileName.h"
#include "WholeFile.h"

namespace qz::latin1 {

QString ToQString(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

qsizetype FirstOutside(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() > 0xFF) {
            return i;
        }
    }
    return -1;
}

std::optional<std::string> ToBytes(const QString& text) {
    if (FirstOutside(text) >= 0) {
        return std::nullopt;
    }
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString OutsideMessage(const QString& text, const QString& place) {
    const qsizetype at = FirstOutside(text);
    if (at < 0) {
        return {};
    }
    // A character outside the BMP is a surrogate pair: quote it whole.
    const qsizetype length =
        text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()
            ? 2
            : 1;
    const QString character = text.mid(at, length);
    return QStringLiteral("%1: \"%2\" (U+%3) cannot be kept. The keypad and its files hold only "
                          "Latin-1 characters (up to U+00FF).")
        .arg(place, character,
             QString::number(character.toUcs4().value(0, character.at(0).unicode()), 16)
                 .toUpper()
                 .rightJustified(4, QLatin1Char('0')));
}

QByteArray ForTerminal(std::string_view bytes) {
    return ToQString(bytes).toUtf8();
}

QString ShownPath(const QString& path) {
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t u = shown.at(i).unicode();
        // The kept bytes are unpaired low surrogates U+DC80..U+DCFF.
        const bool paired = i > 0 && shown.at(i - 1).isHighSurrogate();
        if (u >= 0xDC80 && u <= 0xDCFF && !paired) {
            shown[i] = QChar(static_cast<char16_t>(u - 0xDC00));
        }
    }
    return shown;
}

std::string NameFromArgument(const QByteArray& typed) {
    const QString decoded = QString::fromUtf8(typed);
    if (decoded.toUtf8() == typed) {
        if (std::optional<std::string> bytes = ToBytes(decoded)) {
            return *std::move(bytes);
        }
    }
    return typed.toStdString();
}

std::vector<std::string> ArgumentNames(const QByteArray& typed) {
    std::vector<std::string> names{NameFromArgument(typed)};
    if (names.front() != typed.toStdString()) {
        names.push_back(typed.toStdString());
    }
    return names;
}

NameFault LibraryNameFault(std::string_view name) {
    if (name.empty()) {
        return NameFault::Empty;
    }
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0) {
            return NameFault::Nul;
        }
        if (u < 0x20 || u == 0x7F) {
            return NameFault::Control;
        }
        if (c == '/' || c == '\\') {
            return NameFault::Separator;
        }
    }
    if (name.find("..") != std::string_view::npos) {
        return NameFault::DotDot;
    }
    if (name.front() == '.') {
        return NameFault::LeadingDot;
    }
    return NameFault::None;
}

QString LibraryNameFaultText(std::string_view name) {
    QString shown = ToQString(name);
    // Control bytes are shown as escapes so that the message itself stays on one line.
    QString quoted;
    for (const QChar c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    QString why;
    switch (LibraryNameFault(name)) {
    case NameFault::None:
        return {};
    case NameFault::Empty:
        return QStringLiteral("The library name is empty.");
    case NameFault::Separator:
        why = QStringLiteral("it holds a \"/\" or \"\\\"");
        break;
    case NameFault::DotDot:
        why = QStringLiteral("it holds \"..\"");
        break;
    case NameFault::LeadingDot:
        why = QStringLiteral("it begins with \".\"");
        break;
    case NameFault::Nul:
        why = QStringLiteral("it holds a NUL byte");
        break;
    case NameFault::Control:
        why = QStringLiteral("it holds a control character");
        break;
    }
    return QStringLiteral("The library name \"%1\" cannot be used: %2. A library name names a "
                          "file in the library folder and nothing else.")
        .arg(quoted, why);
}

LibraryFileSpellings LibraryFilePaths(const QString& folder, std::string_view name,
                                      const char* extension) {
    if (!IsSafeLibraryName(name)) {
        return {};
    }
    QByteArray own(name.data(), static_cast<qsizetype>(name.size()));
    own += extension;
    const QByteArray utf8 = ForTerminal(name) + extension;
    LibraryFileSpellings paths;
    paths.own = folder + QLatin1Char('/') + io::DecodeFileName(own);
    if (utf8 != own) {
        paths.utf8 = folder + QLatin1Char('/') + io::DecodeFileName(utf8);
    }
    return paths;
}

QString FindLibraryFile(const QString& folder, std::string_view name, const char* extension) {
    const LibraryFileSpellings paths = LibraryFilePaths(folder, name, extension);
    // Through the io layer: Qt's own file functions cannot name a file whose name is not UTF-8.
    if (!paths.utf8.isEmpty() && !io::Exists(paths.own) && io::Exists(paths.utf8)) {
        return paths.utf8;
    }
    return paths.own;
}

std::optional<std::string> LibraryNameOfFile(const QString& fileName, const char* extension) {
    QByteArray bytes = io::EncodeFileName(QFileInfo(fileName).fileName());
    const QByteArray ext(extension);
    if (!ext.isEmpty() && bytes.size() > ext.size() &&
        bytes.right(ext.size()).toLower() == ext.toLower()) {
        bytes.chop(ext.size());
    }
    std::string name(bytes.constData(), static_cast<size_t>(bytes.size()));
    // A name spelled in UTF-8 on disk stands for its characters, when they can all be kept.
    const QString decoded = io::DecodeFileName(bytes);
    bool nonAscii = false;
    bool fits = true;
    for (const QChar c : decoded) {
        nonAscii = nonAscii || c.unicode() >= 0x80;
        fits = fits && c.unicode() <= 0xFF;
    }
    if (nonAscii && fits) {
        name = decoded.toLatin1().toStdString();
    }
    if (!IsSafeLibraryName(name)) {
        return std::nullopt;
    }
    return name;
}

} // namespace qz::latin1
