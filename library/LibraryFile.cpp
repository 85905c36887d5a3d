#include "LibraryFile.h"

#include "store/ProjectFile.h"
#include <QFile>

Q_LOGGING_CATEGORY(lcLibrary, "qz.library")

namespace qz::libfile {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

bool ReadAll(const QString& path, QByteArray& bytes, QString* error) {
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("no file name given"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, QStringLiteral("%1: cannot open: %2").arg(path, file.errorString()));
        return false;
    }
    const auto tooLarge = [&] {
        SetError(error, QStringLiteral("%1: larger than the %2 bytes a library file may have")
                            .arg(path)
                            .arg(kMaxFileSize));
        return false;
    };
    QByteArray data;
    if (!file.isSequential()) {
        if (file.size() > kMaxFileSize) {
            return tooLarge();
        }
        data.reserve(static_cast<qsizetype>(file.size()));
    }
    // Read in pieces up to the bound, so that a pipe or a file still growing cannot make us
    // read forever or allocate without end.
    char chunk[65536];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got < 0) {
            SetError(error, QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
            return false;
        }
        if (got == 0) {
            break;
        }
        if (data.size() + got > kMaxFileSize) {
            return tooLarge();
        }
        data.append(chunk, static_cast<qsizetype>(got));
    }
    bytes = std::move(data);
    return true;
}

bool WriteAll(const QString& path, const QByteArray& bytes, QString* error) {
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("no file name given"));
        return false;
    }
    QString why;
    if (!WriteWholeFile(path, bytes, &why)) {
        qCWarning(lcLibrary) << why;
        SetError(error, why);
        return false;
    }
    return true;
}

} // namespace qz::libfile
