#include "WholeFile.h"

#include "FileName.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qz::io {

namespace {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

QString KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return QStringLiteral("a folder");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("a named pipe (FIFO)");
    }
    if (S_ISCHR(mode)) {
        return QStringLiteral("a character device");
    }
    if (S_ISBLK(mode)) {
        return QStringLiteral("a block device");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("a socket");
    }
    return QStringLiteral("a special file");
}

QString NotRegular(const QString& path, const char* verb, mode_t mode) {
    return QStringLiteral("%1: cannot %2: %3, not a regular file").arg(path, verb, KindOf(mode));
}

// The reason a device gives, or the system's when the device lost it on the way.
QString DeviceReason(const QIODevice& device, int savedErrno) {
    const QString reason = device.errorString();
    if (!reason.isEmpty() && reason != QLatin1String("Unknown error")) {
        return reason;
    }
    return savedErrno ? qt_error_string(savedErrno) : QStringLiteral("the data was not accepted");
}

std::unique_ptr<QIODevice> FileOnDescriptor(int fd) {
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        return nullptr;
    }
    return file;
}

// The folder entry of a rename reaches the disk with the folder; best effort, as the new file's
// bytes are already safe and the old name still names whole content.
void SyncFolderOf(const QByteArray& file) {
    const qsizetype slash = file.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : file.left(std::max<qsizetype>(slash, 1));
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool ReadWholeFile(const QString& path, qint64 maxSize, QByteArray& bytes, QString* error) {
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("no file name given"));
        return false;
    }
    const QByteArray name = EncodeFileName(path);
    const auto cannotOpen = [&](const QString& why) {
        SetError(error, QStringLiteral("%1: cannot open: %2").arg(path, why));
        return false;
    };
    // Looked at before opening: opening a FIFO for reading waits for a writer, without end.
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        return cannotOpen(qt_error_string(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        SetError(error, NotRegular(path, "open", info.st_mode));
        return false;
    }
    // Should the name have become a FIFO meanwhile, O_NONBLOCK still returns at once and the
    // second look below refuses it.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return cannotOpen(qt_error_string(errno));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return cannotOpen(file.errorString());
    }
    if (::fstat(fd, &info) != 0) {
        return cannotOpen(qt_error_string(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        SetError(error, NotRegular(path, "open", info.st_mode));
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (info.st_size > maxSize) {
        SetError(error, QStringLiteral("%1: %2 bytes, more than the %3 bytes a file of this kind "
                                       "can hold")
                            .arg(path)
                            .arg(info.st_size)
                            .arg(maxSize));
        return false;
    }
    // The size is a hint only (files under /proc say 0, a file may grow while it is read): the
    // buffer grows with what arrives, and reading stops one byte past the limit.
    QByteArray data;
    data.reserve(static_cast<qsizetype>(info.st_size));
    char chunk[65536];
    for (;;) {
        const qint64 want = std::min<qint64>(sizeof chunk, maxSize + 1 - data.size());
        const qint64 got = file.read(chunk, want);
        if (got < 0) {
            SetError(error, QStringLiteral("%1: cannot read: %2").arg(path, file.errorString()));
            return false;
        }
        if (got == 0) {
            break;
        }
        data.append(chunk, static_cast<qsizetype>(got));
        if (data.size() > maxSize) {
            SetError(error,
                     QStringLiteral("%1: more than the %2 bytes a file of this kind can hold")
                         .arg(path)
                         .arg(maxSize));
            return false;
        }
    }
    bytes = std::move(data);
    return true;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error,
                    const WriteDeviceFactory& makeDevice) {
    if (path.isEmpty()) {
        SetError(error, QStringLiteral("no file name given"));
        return false;
    }
    QByteArray target = EncodeFileName(path);
    struct stat info {};
    if (::lstat(target.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(target.constData(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    bool existed = false;
    if (::stat(target.constData(), &info) == 0) {
        // Renaming over a device or a FIFO would replace it, not write to it.
        if (!S_ISREG(info.st_mode)) {
            SetError(error, NotRegular(path, "write", info.st_mode));
            return false;
        }
        existed = true;
    }
    const auto fail = [&](const QString& why) {
        SetError(error,
                 QStringLiteral("%1: cannot write: %2%3")
                     .arg(path, why,
                          existed ? QStringLiteral("; the file was left as it was") : QString()));
        return false;
    };

    // The new content goes to a file of its own beside the target (same file system, so that
    // the rename is atomic); the mode 0666 lets the umask decide, as for any new file.
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        temporary = target + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate64() >> 16, 36) + ".new";
        fd =
            ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return fail(qt_error_string(errno));
    }
    const auto abandon = [&](const QString& why) {
        if (fd >= 0) {
            ::close(fd);
        }
        ::unlink(temporary.constData());
        return fail(why);
    };
    if (existed && ::fchmod(fd, info.st_mode & 07777) != 0) {
        return abandon(qt_error_string(errno));
    }

    std::unique_ptr<QIODevice> device = makeDevice ? makeDevice(fd) : FileOnDescriptor(fd);
    if (!device || !device->isWritable()) {
        return abandon(QStringLiteral("the new file cannot be written to"));
    }
    qint64 done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 wrote = device->write(bytes.constData() + done, bytes.size() - done);
        if (wrote <= 0) {
            return abandon(DeviceReason(*device, errno));
        }
        done += wrote;
    }
    // A buffered write that only filled the buffer reports success; the failure of the write
    // that empties it (a full disk) shows only here.
    if (auto* file = qobject_cast<QFileDevice*>(device.get())) {
        errno = 0;
        if (!file->flush()) {
            return abandon(DeviceReason(*device, errno));
        }
    }
    device.reset();
    // Some file systems report a full disk only when the data is written out.
    if (::fsync(fd) != 0) {
        return abandon(qt_error_string(errno));
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) {
        return abandon(qt_error_string(errno));
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        return abandon(qt_error_string(errno));
    }
    SyncFolderOf(target);
    return true;
}

bool Exists(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::lstat(EncodeFileName(path).constData(), &info) == 0;
}

} // namespace qz::io
