// Listings of IR and RS232 library files for `qzctl show`.
#include "CliPaths.h"
#include "CliText.h"
#include "ShowLibrary.h"

#include "io/WholeFile.h"
#include "library/IrLibrary.h"
#include "library/LibraryFile.h"
#include "library/Rs232Library.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

namespace qzctl {

namespace {

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string Plural(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

// 1 when the file cannot be read, 2 when it is damaged, 0 with the library otherwise; `ignored`
// gets the number of bytes after the last entry, which are never read.
template <class Library, class Reader>
int LoadForShow(const char* path, Library& library, Reader read, qsizetype& ignored) {
    QByteArray bytes;
    QString error;
    if (!qz::io::ReadWholeFile(ArgPath(path), qz::libfile::kMaxFileSize, bytes, &error)) {
        std::fprintf(stderr, "qzctl: %s\n", Local(error).constData());
        return 1;
    }
    if (!read(bytes, library, &error, &ignored)) {
        std::fprintf(stderr, "qzctl: %s: %s\n", path, Local(error).constData());
        return 2;
    }
    return 0;
}

// The listing shows what a program reading the file sees; the bytes it skips are told apart.
void NoteIgnored(const char* path, qsizetype ignored, const char* last) {
    if (ignored) {
        std::fprintf(stderr, "qzctl: %s: %lld bytes after the last %s are ignored\n", path,
                     static_cast<long long>(ignored), last);
    }
}

// A stored name that would leave the library folder: listed as it is, and said, since the
// editors open such a file read-only and a project that names it is refused.
void NoteNameFault(const char* path, const QString& fault) {
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "qzctl: %s: %s\n", path, Local(fault).constData());
    }
}

std::string IrDataText(const std::string& entry) {
    const std::string data = qz::IrEntryData(entry);
    if (data == std::string(qz::kIrPlaceholderLength, 'F')) {
        return "not learned";
    }
    const bool learned =
        data.size() == static_cast<std::size_t>(qz::kIrCodeDigits) &&
        std::all_of(data.begin(), data.end(), [](char c) { return std::isxdigit(c & 0xFF); });
    return learned ? "learned " + data : "data \"" + Printable(data) + "\"";
}

std::string EndText(std::int32_t format, std::int32_t endChar) {
    if (format == qz::kRs232Hex) {
        return "hex";
    }
    return endChar == qz::kEndCr ? "ASCII+CR" : endChar == qz::kEndCrLf ? "ASCII+CRLF" : "ASCII";
}

} // namespace

int ShowIrLibrary(const char* path) {
    qz::CIrLibSet lib;
    qsizetype ignored = 0;
    if (const int rc = LoadForShow(path, lib, qz::ReadIrLibrary, ignored)) {
        return rc;
    }
    std::printf("IR library \"%s\", %s\n", Printable(lib.libName).c_str(),
                Plural(lib.entries.size(), "function", "functions").c_str());
    const std::size_t indexWidth = std::to_string(lib.entries.size()).size();
    std::size_t nameWidth = 0;
    for (const auto& entry : lib.entries) {
        nameWidth = std::max(nameWidth, Printable(qz::IrEntryName(entry)).size());
    }
    for (std::size_t i = 0; i < lib.entries.size(); ++i) {
        const std::string& entry = lib.entries[i];
        const std::string name = qz::IrEntryName(entry);
        std::printf("  %*zu  ", static_cast<int>(indexWidth), i + 1);
        if (name.empty()) {
            // Never found by name; show the whole text so that it can be mended.
            std::printf("%s  no name: \"%s\"\n", Padded("-", nameWidth).c_str(),
                        Printable(entry).c_str());
        } else {
            std::printf("%s  %s\n", Padded(Printable(name), nameWidth).c_str(),
                        IrDataText(entry).c_str());
        }
    }
    NoteIgnored(path, ignored, "entry");
    NoteNameFault(path, lib.NameFault());
    return 0;
}

int ShowRs232Library(const char* path) {
    qz::CRS232LibSet lib;
    qsizetype ignored = 0;
    if (const int rc = LoadForShow(path, lib, qz::ReadRs232Library, ignored)) {
        return rc;
    }
    std::printf("RS232 library \"%s\", %s\n", Printable(lib.libName).c_str(),
                Plural(lib.functions.size(), "function", "functions").c_str());
    const std::size_t indexWidth = std::to_string(lib.functions.size()).size();
    std::size_t nameWidth = 0;
    std::size_t lineWidth = 0;
    const auto line = [](const qz::CRS232LibFun& f) {
        return Printable(f.baudRate + ' ' + f.dataBits + ' ' + f.stopBits + ' ' + f.parity);
    };
    for (const auto& f : lib.functions) {
        nameWidth = std::max(nameWidth, Printable(f.name).size());
        lineWidth = std::max(lineWidth, line(f).size());
    }
    for (std::size_t i = 0; i < lib.functions.size(); ++i) {
        const qz::CRS232LibFun& f = lib.functions[i];
        const std::string text = qz::Rs232DataText(f);
        std::printf(
            "  %*zu  %s  %s  %-10s  %s  %s\n", static_cast<int>(indexWidth), i + 1,
            Padded(Printable(f.name), nameWidth).c_str(), Padded(line(f), lineWidth).c_str(),
            EndText(f.format, f.endChar).c_str(),
            Padded(Plural(static_cast<std::size_t>(f.dataLength), "byte ", "bytes"), 8).c_str(),
            f.format == qz::kRs232Hex ? text.c_str() : ("\"" + Printable(text) + "\"").c_str());
    }
    NoteIgnored(path, ignored, "function");
    NoteNameFault(path, lib.NameFault());
    return 0;
}

} // namespace qzctl
