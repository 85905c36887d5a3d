#include "IrLibrary.h"

#include "LibraryFile.h"
#include "io/Archive.h"
#include "io/FileName.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "model/Text.h"

#include <QFileInfo>

#include <algorithm>

namespace qz {

QString CIrLibSet::NameFault() const {
    return latin1::LibraryNameFaultText(libName);
}

namespace {

using libfile::SetError;

// "byte N: <what was being read>: <what is wrong>"
bool ReadFailed(const ArchiveReader& in, const QString& context, QString* error) {
    SetError(error, QStringLiteral("byte %1: %2: %3")
                        .arg(in.ErrorOffset())
                        .arg(context, QString::fromStdString(in.ErrorText())));
    return false;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

bool ReadIrLibrary(const QByteArray& bytes, CIrLibSet& library, QString* error,
                   qsizetype* ignored) {
    ArchiveReader in(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    CIrLibSet read;
    if (!in.ReadString(read.libName)) {
        return ReadFailed(in, QStringLiteral("library name"), error);
    }
    std::uint32_t count = 0;
    // Every entry takes at least its one-byte length, so a larger count cannot be right.
    if (!in.ReadCount(count, 1)) {
        return ReadFailed(in, QStringLiteral("entry count"), error);
    }
    // The list grows with the entries read, not with the count: a count that fits can still be
    // followed by bytes that are no entries.
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string entry;
        if (!in.ReadString(entry)) {
            return ReadFailed(in, QStringLiteral("entry %1 of %2").arg(i + 1).arg(count), error);
        }
        read.entries.push_back(std::move(entry));
    }
    if (ignored) {
        *ignored = static_cast<qsizetype>(in.Remaining());
    }
    library = std::move(read);
    return true;
}

QByteArray WriteIrLibrary(const CIrLibSet& library) {
    ArchiveWriter out;
    out.WriteString(library.libName);
    out.WriteCount(library.entries.size());
    for (const auto& entry : library.entries) {
        out.WriteString(entry);
    }
    const std::string& bytes = out.Bytes();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool LoadIrLibraryFile(const QString& path, CIrLibSet& library, QString* error) {
    QByteArray bytes;
    if (!io::ReadWholeFile(path, libfile::kMaxFileSize, bytes, error)) {
        libfile::ShowPathIn(error);
        return false;
    }
    QString why;
    qsizetype ignored = 0;
    if (!ReadIrLibrary(bytes, library, &why, &ignored)) {
        SetError(error, QStringLiteral("%1: %2").arg(latin1::ShownPath(path), why));
        qCWarning(lcLibrary).noquote() << "damaged IR library" << latin1::ShownPath(path) << why;
        return false;
    }
    if (const QString fault = library.NameFault(); !fault.isEmpty()) {
        qCWarning(lcLibrary).noquote()
            << latin1::ShownPath(path) << ": its stored name names no file:" << fault;
    }
    if (ignored) {
        qCInfo(lcLibrary).noquote()
            << latin1::ShownPath(path) << ":" << ignored << "bytes after the last entry ignored";
    }
    return true;
}

bool SaveIrLibraryFile(const QString& path, const CIrLibSet& library, QString* error) {
    const bool written = io::WriteWholeFile(path, WriteIrLibrary(library), error);
    if (!written) {
        libfile::ShowPathIn(error);
    }
    return written;
}

int FindIrFunction(const CIrLibSet& library, std::string_view name) {
    for (std::size_t i = 0; i < library.entries.size(); ++i) {
        const std::string entryName = IrEntryName(library.entries[i]);
        if (!entryName.empty() && entryName == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string IrFunctionName(const CIrLibSet& library, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= library.entries.size()) {
        return {};
    }
    return IrEntryName(library.entries[static_cast<std::size_t>(index)]);
}

std::string IrFunctionEntry(const CIrLibSet& library, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= library.entries.size()) {
        return {};
    }
    return library.entries[static_cast<std::size_t>(index)];
}

std::string IrEntryName(std::string_view entry) {
    const std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return {};
    }
    return Trim(entry.substr(0, colon));
}

std::string IrEntryData(std::string_view entry) {
    const std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return {};
    }
    std::string data = TrimLeft(entry.substr(colon + 1));
    if (data.size() > static_cast<std::size_t>(kIrCodeDigits)) {
        data.resize(kIrCodeDigits);
    }
    return data;
}

std::string MakeIrEntry(std::string_view name, std::string_view data) {
    std::string entry;
    entry.reserve(name.size() + 3 + data.size());
    entry.append(name).append(" : ").append(data);
    return entry;
}

bool StoreLearnedIrCode(const QString& path, const QByteArray& functionName,
                        const QByteArray& hexCode, QString* error) {
    if (hexCode.size() != kIrCodeDigits ||
        !std::all_of(hexCode.begin(), hexCode.end(), IsHexDigit)) {
        SetError(error, QStringLiteral("a learned IR code is %1 hexadecimal digits, not \"%2\"")
                            .arg(kIrCodeDigits)
                            .arg(QString::fromLatin1(hexCode.left(40)) +
                                 (hexCode.size() > 40 ? QStringLiteral("...") : QString())));
        return false;
    }
    const std::string name = functionName.toStdString();
    if (IsBlank(name)) {
        SetError(error, QStringLiteral("the function name is empty"));
        return false;
    }
    // The entry keeps the name only up to its first ":" and without blanks at its ends, so such
    // a name would come back different and never be found again.
    if (name.find(':') != std::string::npos || Trim(name) != name) {
        SetError(error, QStringLiteral("the function name \"%1\" may not contain \":\" or begin "
                                       "or end with a blank")
                            .arg(latin1::ToQString(functionName)));
        return false;
    }

    CIrLibSet library;
    if (io::Exists(path)) {
        if (!LoadIrLibraryFile(path, library, error)) {
            return false;
        }
    } else {
        // The name the file's name stands for (its own bytes, or the characters of a UTF-8
        // spelling), and only one that names this file again.
        const std::optional<std::string> name = latin1::LibraryNameOfFile(path, ".irr");
        if (!name) {
            SetError(error,
                     latin1::LibraryNameFaultText(
                         io::EncodeFileName(QFileInfo(path).completeBaseName()).toStdString()));
            return false;
        }
        library.libName = *name;
    }
    const std::string entry = MakeIrEntry(name, hexCode.toLower().toStdString());
    const int index = FindIrFunction(library, name);
    if (index >= 0) {
        library.entries[static_cast<std::size_t>(index)] = entry;
    } else {
        library.entries.push_back(entry);
    }
    if (!SaveIrLibraryFile(path, library, error)) {
        return false;
    }
    qCInfo(lcLibrary).noquote() << "stored learned code of" << latin1::ToQString(functionName)
                                << "in" << latin1::ShownPath(path);
    return true;
}

} // namespace qz
