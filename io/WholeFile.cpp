#include "WholeFile.h"

#include "FileName.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

QByteArray FolderOf(const QByteArray& file) {
    const qsizetype slash = file.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : file.left(std::max<qsizetype>(slash, 1));
}

QByteArray BaseNameOf(const QByteArray& file) {
    return file.mid(file.lastIndexOf('/') + 1);
}

// The folder entry of a rename reaches the disk with the folder; best effort, as the new file's
// bytes are already safe and the old name still names whole content.
void SyncFolderOf(const QByteArray& file) {
    const QByteArray folder = FolderOf(file);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Follows the links that the last part of the path names, one by one. In a folder that everyone
// may write to and whose sticky bit keeps each entry to its owner (/tmp), a link is followed only
// when it belongs to this user or to the folder's owner, the rule of the kernel's
// protected_symlinks: any other link there may have been put in place to have this program
// replace a file of this user's that it names. `target` becomes the file at the end of the links,
// or stays the path itself when they lead nowhere (the link is then replaced by the file).
bool FollowLinks(QByteArray& target, QString* why) {
    constexpr int kMaxLinks = 40; // the kernel's own limit
    QByteArray at = target;
    for (int depth = 0; depth < kMaxLinks; ++depth) {
        struct stat link {};
        if (::lstat(at.constData(), &link) != 0) {
            return true; // leads nowhere: write the path itself
        }
        if (!S_ISLNK(link.st_mode)) {
            target = at;
            return true;
        }
        const QByteArray folder = FolderOf(at);
        struct stat shared {};
        constexpr mode_t kSharedSticky = S_ISVTX | S_IWOTH;
        if (::stat(folder.constData(), &shared) == 0 &&
            (shared.st_mode & kSharedSticky) == kSharedSticky && link.st_uid != ::geteuid() &&
            link.st_uid != shared.st_uid) {
            *why = QStringLiteral("%1 is a link of another user in a folder shared by all; it is "
                                  "not followed")
                       .arg(DecodeFileName(at));
            return false;
        }
        char text[PATH_MAX];
        const ssize_t length = ::readlink(at.constData(), text, sizeof text);
        if (length < 0 || length == static_cast<ssize_t>(sizeof text)) {
            *why = qt_error_string(length < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        const QByteArray next(text, static_cast<qsizetype>(length));
        at = next.startsWith('/') ? next : folder + '/' + next;
    }
    *why = qt_error_string(ELOOP);
    return false;
}

// "NAME.<10 digits of base 36>.new": the name WriteWholeFile gives the temporary of a save of
// NAME. Earlier versions wrote the digits without leading zeros; a name of fewer than 8 digits
// (a word, as "NAME.backup.new") is not taken for one of them.
constexpr int kTemporaryDigits = 10;
constexpr std::size_t kLeastTemporaryDigits = 8;

bool IsTemporaryOf(const char* entry, const QByteArray& name) {
    const std::size_t length = std::strlen(entry);
    const std::size_t base = static_cast<std::size_t>(name.size());
    constexpr std::size_t kSuffix = 4; // ".new"
    if (length < base + 1 + kLeastTemporaryDigits + kSuffix ||
        length > base + 1 + kTemporaryDigits + kSuffix ||
        std::memcmp(entry, name.constData(), base) != 0 || entry[base] != '.' ||
        std::strcmp(entry + length - kSuffix, ".new") != 0) {
        return false;
    }
    for (std::size_t i = base + 1; i < length - kSuffix; ++i) {
        const char c = entry[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) {
            return false;
        }
    }
    return true;
}

// A save holds a lock on its temporary until the temporary has taken the target's name; one that
// nobody holds is what a save killed on the way left behind (a killed process holds no lock).
// Those of this user beside the target go before the next save of it, so that they never pile
// up. Best effort: whatever cannot be looked at stays.
void RemoveStaleTemporaries(const QByteArray& target) {
    const QByteArray folder = FolderOf(target);
    const QByteArray name = BaseNameOf(target);
    DIR* entries = ::opendir(folder.constData());
    if (!entries) {
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        if (!IsTemporaryOf(entry->d_name, name)) {
            continue;
        }
        const QByteArray path = folder + '/' + entry->d_name;
        const int fd =
            ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.constData(), &named) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
            ::unlink(path.constData());
        }
        ::close(fd);
    }
    ::closedir(entries);
}

// Whether the descriptor still is the file of that name: a cleaner of another save may have
// found it between its creation and its lock.
bool StillNamed(int fd, const QByteArray& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(path.constData(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
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
    QString refused;
    if (!FollowLinks(target, &refused)) {
        SetError(error, QStringLiteral("%1: cannot write: %2").arg(path, refused));
        return false;
    }
    struct stat info {};
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

    RemoveStaleTemporaries(target);
    // The new content goes to a file of its own beside the target (same file system, so that
    // the rename is atomic); the mode 0666 lets the umask decide, as for any new file. It stays
    // locked, through a second descriptor, until it has the target's name.
    QByteArray temporary;
    int fd = -1;
    int lock = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        temporary = target + '.' +
                    QByteArray::number(QRandomGenerator::global()->generate64() >> 16, 36)
                        .rightJustified(kTemporaryDigits, '0') +
                    ".new";
        fd =
            ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0) {
            if (errno != EEXIST) {
                break;
            }
            continue;
        }
        // Where locks are not to be had, no cleaner takes one either, and nothing is removed.
        ::flock(fd, LOCK_EX);
        if (!StillNamed(fd, temporary)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        return fail(qt_error_string(errno));
    }
    lock = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    const auto abandon = [&](const QString& why) {
        if (fd >= 0) {
            ::close(fd);
        }
        ::unlink(temporary.constData());
        if (lock >= 0) {
            ::close(lock);
        }
        return fail(why);
    };
    if (lock < 0) {
        return abandon(qt_error_string(errno));
    }
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
    ::close(lock);
    SyncFolderOf(target);
    return true;
}

bool OpenForWriting(QFile& file, const QString& path, QString* why) {
    QString reason;
    const auto refuse = [&](const QString& text) {
        SetError(why, text);
        return false;
    };
    if (path.isEmpty()) {
        return refuse(QStringLiteral("no file name given"));
    }
    QByteArray name = EncodeFileName(path);
    if (!FollowLinks(name, &reason)) {
        return refuse(reason);
    }
    const auto notRegular = [&](mode_t mode) {
        return refuse(QStringLiteral("%1, not a regular file").arg(KindOf(mode)));
    };
    struct stat info {};
    if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return notRegular(info.st_mode);
    }
    // Should the name have become a FIFO meanwhile, O_NONBLOCK still returns at once (or fails
    // for want of a reader), and the look below refuses it. Emptied only once it is known to be a
    // regular file.
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) {
        return refuse(qt_error_string(errno));
    }
    const auto closeAnd = [&](const QString& text) {
        ::close(fd);
        return refuse(text);
    };
    if (::fstat(fd, &info) != 0) {
        return closeAnd(qt_error_string(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return notRegular(info.st_mode);
    }
    if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        return closeAnd(qt_error_string(errno));
    }
    if (file.isOpen()) {
        file.close();
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        return closeAnd(file.errorString());
    }
    return true;
}

bool Exists(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::lstat(EncodeFileName(path).constData(), &info) == 0;
}

} // namespace qz::io
