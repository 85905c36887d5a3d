#include "LibraryFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
        qCWarning(lcLibrary) << "cannot create" << path << file.errorString();
        return false;
    }
    // Without a successful commit the temporary file is dropped and the old file stays.
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        // QSaveFile may lose the system's reason on the way ("Unknown error"); keep errno's.
        const QString why = errno ? qt_error_string(errno) : file.errorString();
        SetError(error, QStringLiteral("%1: cannot write: %2").arg(path, why));
        qCWarning(lcLibrary) << "cannot write" << path << why;
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        SetError(error, QStringLiteral("%1: cannot write: %2").arg(path, file.errorString()));
        qCWarning(lcLibrary) << "cannot commit" << path << file.errorString();
        return false;
    }
    return true;
}

} // namespace qz::libfile
