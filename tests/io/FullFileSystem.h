#pragma once
// A file system with no room left: a 64 KiB tmpfs, mounted for the test (which needs the right to
// mount: root, or a user namespace) and filled to the last page. Tests skip when it cannot be
// mounted; the injected device faults of test_whole_file.cpp cover those machines.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace qztest {

class FullFileSystem {
  public:
    FullFileSystem() {
        if (!m_dir.isValid()) {
            m_why = "no temporary folder";
            return;
        }
        const QByteArray at = QFile::encodeName(m_dir.path());
        if (::mount("tmpfs", at.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0) {
            m_why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~FullFileSystem() {
        if (m_mounted) {
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
        }
    }
    FullFileSystem(const FullFileSystem&) = delete;
    FullFileSystem& operator=(const FullFileSystem&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Why() const { return m_why; }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Writes a file while there is still room.
    bool Put(const QString& name, const QByteArray& bytes) const {
        const int fd = ::open(QFile::encodeName(Path(name)).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        const bool ok = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) ==
                        static_cast<ssize_t>(bytes.size());
        return ::close(fd) == 0 && ok;
    }

    // Takes every free block; true when none is left.
    bool Fill() const {
        const int fd = ::open(QFile::encodeName(Path("filler")).constData(),
                              O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
        }
        while (::write(fd, "f", 1) > 0) {
        }
        ::close(fd);
        struct statvfs info {};
        return ::statvfs(QFile::encodeName(m_dir.path()).constData(), &info) == 0 &&
               info.f_bavail == 0;
    }

  private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    std::string m_why;
};

} // namespace qztest
