#include "Rs232Library.h"

#include "LibraryFile.h"
#include "io/Archive.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"

#include <algorithm>

namespace qz {

QString CRS232LibSet::NameFault() const {
    return latin1::LibraryNameFaultText(libName);
}

namespace {

using libfile::SetError;

// The smallest function record: five empty strings, three integers and the data area.
constexpr std::size_t kMinRecordSize = 5 + 3 * 4 + kRs232DataSize;

// The shared reader over the file, plus the raw data areas it has no call for: stepping over
// one starts a new reader after it, and m_base keeps the offsets counted from the file start.
class Cursor {
  public:
    explicit Cursor(const QByteArray& bytes)
        : m_bytes(bytes), m_in(bytes.constData(), static_cast<std::size_t>(bytes.size())) {}

    ArchiveReader& In() { return m_in; }
    std::size_t Offset() const { return m_base + m_in.Offset(); }
    std::size_t Remaining() const { return m_in.Remaining(); }

    // Copies the next `size` bytes to `out`; false when fewer are left.
    bool TakeRaw(unsigned char* out, std::size_t size) {
        if (!m_in.Ok() || m_in.Remaining() < size) {
            return false;
        }
        const std::size_t at = Offset();
        std::copy(m_bytes.constData() + at, m_bytes.constData() + at + size, out);
        m_base = at + size;
        m_in = ArchiveReader(m_bytes.constData() + m_base,
                             static_cast<std::size_t>(m_bytes.size()) - m_base);
        return true;
    }

    // "byte N: <what was being read>: <what is wrong>" for a failure of the shared reader.
    bool Failed(const QString& context, QString* error) const {
        SetError(error, QStringLiteral("byte %1: %2: %3")
                            .arg(m_base + m_in.ErrorOffset())
                            .arg(context, QString::fromStdString(m_in.ErrorText())));
        return false;
    }

  private:
    const QByteArray& m_bytes;
    std::size_t m_base = 0;
    ArchiveReader m_in;
};

// What is wrong with the numbers of a function, or an empty text when they are in range. The
// data length bounds every later use of the data area, so it must fit in it.
QString CheckNumbers(std::int32_t format, std::int32_t endChar, std::int32_t dataLength,
                     int* field) {
    if (format != kRs232Ascii && format != kRs232Hex) {
        *field = 0;
        return QStringLiteral("format %1 out of range (0 ASCII, 1 hexadecimal)").arg(format);
    }
    if (endChar < kEndNone || endChar > kEndCrLf) {
        *field = 1;
        return QStringLiteral("end characters %1 out of range (0 none, 1 CR, 2 CR LF)")
            .arg(endChar);
    }
    if (dataLength < 0 || dataLength > kRs232DataSize) {
        *field = 2;
        return QStringLiteral("data length %1 out of range (0 to %2)")
            .arg(dataLength)
            .arg(kRs232DataSize);
    }
    return {};
}

} // namespace

bool ReadRs232Library(const QByteArray& bytes, CRS232LibSet& library, QString* error,
                      qsizetype* ignored) {
    Cursor cur(bytes);
    ArchiveReader* in = &cur.In();
    CRS232LibSet read;
    if (!in->ReadString(read.libName)) {
        return cur.Failed(QStringLiteral("library name"), error);
    }
    const std::size_t countAt = cur.Offset();
    if (!in->ReadInt32(read.storedCount)) {
        return cur.Failed(QStringLiteral("function count"), error);
    }
    if (read.storedCount < 0 ||
        static_cast<std::size_t>(read.storedCount) > cur.Remaining() / kMinRecordSize) {
        SetError(error, QStringLiteral("byte %1: function count %2 cannot fit in the %3 bytes left")
                            .arg(countAt)
                            .arg(read.storedCount)
                            .arg(cur.Remaining()));
        return false;
    }
    // The list grows with the functions read, not with the count.
    for (std::int32_t i = 0; i < read.storedCount; ++i) {
        const QString context =
            QStringLiteral("function %1 of %2").arg(i + 1).arg(read.storedCount);
        CRS232LibFun fun;
        in = &cur.In();
        if (!in->ReadString(fun.name) || !in->ReadString(fun.baudRate) ||
            !in->ReadString(fun.dataBits) || !in->ReadString(fun.stopBits) ||
            !in->ReadString(fun.parity)) {
            return cur.Failed(context, error);
        }
        const std::size_t numbersAt = cur.Offset();
        if (!in->ReadInt32(fun.format) || !in->ReadInt32(fun.endChar) ||
            !in->ReadInt32(fun.dataLength)) {
            return cur.Failed(context, error);
        }
        int field = 0;
        const QString wrong = CheckNumbers(fun.format, fun.endChar, fun.dataLength, &field);
        if (!wrong.isEmpty()) {
            SetError(error, QStringLiteral("byte %1: %2: %3")
                                .arg(numbersAt + 4 * static_cast<std::size_t>(field))
                                .arg(context, wrong));
            return false;
        }
        const std::size_t dataAt = cur.Offset();
        if (!cur.TakeRaw(fun.data.data(), fun.data.size())) {
            SetError(error, QStringLiteral("byte %1: %2: file ends inside the %3 data bytes "
                                           "(%4 bytes left)")
                                .arg(dataAt)
                                .arg(context)
                                .arg(kRs232DataSize)
                                .arg(cur.Remaining()));
            return false;
        }
        read.functions.push_back(std::move(fun));
    }
    if (ignored) {
        *ignored = static_cast<qsizetype>(cur.Remaining());
    }
    library = std::move(read);
    return true;
}

QByteArray WriteRs232Library(const CRS232LibSet& library, QString* error) {
    ArchiveWriter head;
    head.WriteString(library.libName);
    head.WriteInt32(static_cast<std::int32_t>(library.functions.size()));
    QByteArray file(head.Bytes().data(), static_cast<qsizetype>(head.Bytes().size()));
    for (std::size_t i = 0; i < library.functions.size(); ++i) {
        const CRS232LibFun& fun = library.functions[i];
        int field = 0;
        const QString wrong = CheckNumbers(fun.format, fun.endChar, fun.dataLength, &field);
        if (!wrong.isEmpty()) {
            // A file the reader refuses would lose the whole library at the next load.
            SetError(error, QStringLiteral("function %1 of %2: %3")
                                .arg(i + 1)
                                .arg(library.functions.size())
                                .arg(wrong));
            return {};
        }
        ArchiveWriter out;
        out.WriteString(fun.name);
        out.WriteString(fun.baudRate);
        out.WriteString(fun.dataBits);
        out.WriteString(fun.stopBits);
        out.WriteString(fun.parity);
        out.WriteInt32(fun.format);
        out.WriteInt32(fun.endChar);
        out.WriteInt32(fun.dataLength);
        file.append(out.Bytes().data(), static_cast<qsizetype>(out.Bytes().size()));
        // All 33 bytes, also those beyond the data length.
        file.append(reinterpret_cast<const char*>(fun.data.data()),
                    static_cast<qsizetype>(fun.data.size()));
    }
    return file;
}

bool LoadRs232LibraryFile(const QString& path, CRS232LibSet& library, QString* error) {
    QByteArray bytes;
    if (!io::ReadWholeFile(path, libfile::kMaxFileSize, bytes, error)) {
        libfile::ShowPathIn(error);
        return false;
    }
    QString why;
    qsizetype ignored = 0;
    if (!ReadRs232Library(bytes, library, &why, &ignored)) {
        SetError(error, QStringLiteral("%1: %2").arg(latin1::ShownPath(path), why));
        qCWarning(lcLibrary).noquote() << "damaged RS232 library" << latin1::ShownPath(path) << why;
        return false;
    }
    if (const QString fault = library.NameFault(); !fault.isEmpty()) {
        qCWarning(lcLibrary).noquote()
            << latin1::ShownPath(path) << ": its stored name names no file:" << fault;
    }
    if (ignored) {
        qCInfo(lcLibrary).noquote()
            << latin1::ShownPath(path) << ":" << ignored << "bytes after the last function ignored";
    }
    return true;
}

bool SaveRs232LibraryFile(const QString& path, CRS232LibSet& library, QString* error) {
    library.storedCount = static_cast<std::int32_t>(library.functions.size());
    QString why;
    const QByteArray bytes = WriteRs232Library(library, &why);
    if (bytes.isEmpty()) {
        SetError(error, QStringLiteral("%1: not saved: %2").arg(latin1::ShownPath(path), why));
        return false;
    }
    const bool written = io::WriteWholeFile(path, bytes, error);
    if (!written) {
        libfile::ShowPathIn(error);
    }
    return written;
}

int FindRs232Function(const CRS232LibSet& library, std::string_view name) {
    for (std::size_t i = 0; i < library.functions.size(); ++i) {
        if (library.functions[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

CRS232LibFun CopyRs232Function(const CRS232LibSet& library, std::string_view name) {
    const int index = FindRs232Function(library, name);
    return index < 0 ? CRS232LibFun{} : library.functions[static_cast<std::size_t>(index)];
}

std::string Rs232DataText(const CRS232LibFun& function) {
    const auto length =
        static_cast<std::size_t>(std::clamp<std::int32_t>(function.dataLength, 0, kRs232DataSize));
    std::string text;
    if (function.format == kRs232Hex) {
        static const char kDigits[] = "0123456789abcdef";
        for (std::size_t i = 0; i < length; ++i) {
            if (i) {
                text += ' ';
            }
            text += kDigits[function.data[i] >> 4];
            text += kDigits[function.data[i] & 0x0F];
        }
        return text;
    }
    const std::size_t endChars = function.endChar == kEndCr     ? 1
                                 : function.endChar == kEndCrLf ? 2
                                                                : 0;
    const std::size_t shown = length > endChars ? length - endChars : 0;
    for (std::size_t i = 0; i < shown && function.data[i] != 0; ++i) {
        text += static_cast<char>(function.data[i]);
    }
    return text;
}

} // namespace qz
