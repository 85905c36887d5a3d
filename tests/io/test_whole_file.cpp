// The one whole-file reader and writer: only regular files are read, reading is bounded, and a
// write that fails anywhere (a full disk, a device fault) leaves the old file byte for byte.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <thread>

#include <csignal>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FullFileSystem.h"
#include "io/WholeFile.h"

namespace {

using qz::io::OpenForWriting;
using qz::io::ReadWholeFile;
using qz::io::WriteWholeFile;

QByteArray Slurp(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray Pattern(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>('a' + i % 23);
    }
    return bytes;
}

// ---- reading ----

TEST(ReadWholeFile, ReadsAFileAndNamesWhatIsWrong) {
    QTemporaryDir dir;
    const QString file = dir.filePath("f.bin");
    Put(file, Pattern(1000));
    QByteArray bytes = "before";
    QString error;
    ASSERT_TRUE(ReadWholeFile(file, 1000, bytes, &error)) << error.toStdString();
    EXPECT_EQ(bytes, Pattern(1000));

    // One byte over the limit: refused from the size, before reading.
    bytes = "before";
    EXPECT_FALSE(ReadWholeFile(file, 999, bytes, &error));
    EXPECT_EQ(error, file + ": 1000 bytes, more than the 999 bytes a file of this kind can hold");
    EXPECT_EQ(bytes, "before");

    EXPECT_FALSE(ReadWholeFile(dir.filePath("none"), 10, bytes, &error));
    EXPECT_EQ(error, dir.filePath("none") + ": cannot open: No such file or directory");
    EXPECT_FALSE(ReadWholeFile(QString(), 10, bytes, &error));
    EXPECT_EQ(error, "no file name given");
    EXPECT_EQ(bytes, "before");
}

// Files under /proc are regular and say they hold 0 bytes: the limit holds on what is read.
TEST(ReadWholeFile, StopsOneBytePastTheLimitWhateverTheSizeSays) {
    QByteArray bytes;
    QString error;
    ASSERT_EQ(QFileInfo(QStringLiteral("/proc/self/status")).size(), 0);
    EXPECT_FALSE(ReadWholeFile(QStringLiteral("/proc/self/status"), 16, bytes, &error));
    EXPECT_EQ(error, "/proc/self/status: more than the 16 bytes a file of this kind can hold");
    ASSERT_TRUE(ReadWholeFile(QStringLiteral("/proc/self/status"), 1 << 20, bytes, &error));
    EXPECT_TRUE(bytes.startsWith("Name:")) << bytes.left(40).toStdString();
}

// Opening a FIFO for reading waits for a writer: the reader must refuse it without opening it.
// Run aside, so that a reader that does block fails the test instead of hanging it.
TEST(ReadWholeFile, RefusesFifosFoldersDevicesAndSocketsWithoutBlocking) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.qzp");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString socketPath = dir.filePath("s.irr");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<size_t>(socketName.size()), sizeof address.sun_path);
    std::copy(socketName.begin(), socketName.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    struct Case {
        QString path;
        QString kind;
    };
    const Case cases[] = {
        {fifo, "a named pipe (FIFO)"},
        {dir.path(), "a folder"},
        {QStringLiteral("/dev/null"), "a character device"},
        {QStringLiteral("/dev/zero"), "a character device"},
        {socketPath, "a socket"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        auto read = std::async(std::launch::async, [&] {
            QByteArray bytes = "before";
            QString error;
            const bool ok = ReadWholeFile(c.path, 4096, bytes, &error);
            return std::make_tuple(ok, bytes, error);
        });
        if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Let a blocked open go, so that the test ends.
            const int w = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            read.wait();
            ::close(w);
            ADD_FAILURE() << "the reader blocked";
            continue;
        }
        const auto [ok, bytes, error] = read.get();
        EXPECT_FALSE(ok);
        EXPECT_EQ(bytes, "before");
        EXPECT_EQ(error, c.path + ": cannot open: " + c.kind + ", not a regular file");
    }
    ::close(sock);
}

// ---- writing ----

TEST(WriteWholeFile, CreatesReplacesAndLeavesNothingBehind) {
    QTemporaryDir dir;
    const QString file = dir.filePath("out.qzp");
    QString error;
    ASSERT_TRUE(WriteWholeFile(file, "first", &error)) << error.toStdString();
    EXPECT_EQ(Slurp(file), "first");
    // A new file gets the mode any new file gets (0666 less the umask).
    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    // An existing file keeps its mode.
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0604), 0);
    ASSERT_TRUE(WriteWholeFile(file, Pattern(100000), &error)) << error.toStdString();
    EXPECT_EQ(Slurp(file), Pattern(100000));
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0604u);
    ASSERT_TRUE(WriteWholeFile(file, QByteArray(), &error));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    EXPECT_EQ(Entries(dir.path()), QStringList{"out.qzp"});
}

TEST(WriteWholeFile, FollowsALinkAndKeepsIt) {
    QTemporaryDir dir;
    const QString real = dir.filePath("real.qzp");
    const QString link = dir.filePath("link.qzp");
    Put(real, "old");
    ASSERT_TRUE(QFile::link(real, link));
    QString error;
    ASSERT_TRUE(WriteWholeFile(link, "new", &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Slurp(real), "new");
}

TEST(WriteWholeFile, RefusesWhatIsNoRegularFileAndMissingFolders) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString error;
    EXPECT_FALSE(WriteWholeFile(fifo, "x", &error));
    EXPECT_EQ(error, fifo + ": cannot write: a named pipe (FIFO), not a regular file");
    EXPECT_FALSE(WriteWholeFile(dir.path(), "x", &error));
    EXPECT_EQ(error, dir.path() + ": cannot write: a folder, not a regular file");
    EXPECT_FALSE(WriteWholeFile(QStringLiteral("/dev/null"), "x", &error));
    EXPECT_EQ(error, "/dev/null: cannot write: a character device, not a regular file");
    const QString deep = dir.filePath("no/such/folder/x");
    EXPECT_FALSE(WriteWholeFile(deep, "x", &error));
    EXPECT_EQ(error, deep + ": cannot write: No such file or directory");
    EXPECT_EQ(Entries(dir.path()), QStringList{"pipe"});
}

// A device that takes `room` bytes, at most `step` per call, and then fails as a full disk does.
class FaultyDevice : public QIODevice {
  public:
    FaultyDevice(int fd, qint64 room, qint64 step) : m_fd(fd), m_room(room), m_step(step) {
        open(QIODevice::WriteOnly);
    }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const qint64 n = std::min({size, m_room, m_step});
        if (n <= 0) {
            setErrorString(qt_error_string(ENOSPC));
            return -1;
        }
        if (::write(m_fd, data, static_cast<size_t>(n)) != n) {
            setErrorString(qt_error_string(errno));
            return -1;
        }
        m_room -= n;
        return n;
    }

  private:
    int m_fd;
    qint64 m_room;
    qint64 m_step;
};

struct Fault {
    const char* name;
    qint64 room;
    qint64 step;
    bool saved;
};

class InjectedFault : public ::testing::TestWithParam<Fault> {};

TEST_P(InjectedFault, KeepsTheOldFileWholeAndSaysWhy) {
    const Fault& f = GetParam();
    QTemporaryDir dir;
    const QString file = dir.filePath("lib.irr");
    const QByteArray old = Pattern(5000);
    const QByteArray fresh = QByteArray(12000, 'n');
    Put(file, old);
    QString error;
    const bool ok = WriteWholeFile(file, fresh, &error, [&](int fd) {
        return std::make_unique<FaultyDevice>(fd, f.room, f.step);
    });
    EXPECT_EQ(ok, f.saved) << error.toStdString();
    if (f.saved) {
        EXPECT_EQ(Slurp(file), fresh);
    } else {
        EXPECT_EQ(error, file + ": cannot write: No space left on device; the file was left as "
                                "it was");
        EXPECT_EQ(Slurp(file), old);
    }
    EXPECT_EQ(Entries(dir.path()), QStringList{"lib.irr"});
}

INSTANTIATE_TEST_SUITE_P(Table, InjectedFault,
                         ::testing::Values(Fault{"short_writes_are_continued", 1 << 20, 100, true},
                                           Fault{"full_after_one_block", 4096, 1 << 20, false},
                                           Fault{"full_after_a_few_short_writes", 350, 100, false},
                                           Fault{"full_from_the_start", 0, 1 << 20, false}),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.name);
                         });

TEST(WriteWholeFile, ADeviceThatCannotBeMadeChangesNothing) {
    QTemporaryDir dir;
    const QString file = dir.filePath("a");
    Put(file, "old");
    QString error;
    EXPECT_FALSE(WriteWholeFile(file, "new", &error, [](int) { return nullptr; }));
    EXPECT_EQ(error, file + ": cannot write: the new file cannot be written to; the file was "
                            "left as it was");
    EXPECT_EQ(Slurp(file), "old");
    EXPECT_EQ(Entries(dir.path()), QStringList{"a"});
}

// The real thing: a nearly full file system. Qt's buffered file writes report success for bytes
// that only reached the buffer; the failure shows when the buffer is written out.
TEST(WriteWholeFile, FullDiskKeepsTheOldFileByteForByte) {
    qztest::FullFileSystem disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const QByteArray old = Pattern(3000);
    ASSERT_TRUE(disk.Put("project.qzp", old));
    ASSERT_TRUE(disk.Fill());
    // Sizes below, at and above Qt's 16 KiB write buffer.
    for (const qsizetype size : {100, 4000, 16383, 16384, 40000}) {
        SCOPED_TRACE(size);
        QString error;
        EXPECT_FALSE(WriteWholeFile(disk.Path("project.qzp"), QByteArray(size, 'n'), &error));
        EXPECT_EQ(error, disk.Path("project.qzp") +
                             ": cannot write: No space left on device; the file was left as it "
                             "was");
        EXPECT_EQ(Slurp(disk.Path("project.qzp")), old);
        QStringList expected{"filler", "project.qzp"};
        EXPECT_EQ(Entries(disk.Path(".")), expected);
    }
    // A new file that cannot be written is not left behind either.
    QString error;
    EXPECT_FALSE(WriteWholeFile(disk.Path("new.qzp"), QByteArray(100, 'n'), &error));
    EXPECT_EQ(error, disk.Path("new.qzp") + ": cannot write: No space left on device");
    EXPECT_FALSE(QFileInfo::exists(disk.Path("new.qzp")));
}

// ---- what a killed save leaves ----

// A save killed with SIGKILL while it writes: its new file stays beside the target, and the next
// save of that file removes it.
TEST(WriteWholeFile, TheNextSaveRemovesWhatAKilledSaveLeft) {
    QTemporaryDir dir;
    const QString file = dir.filePath("big.qzp");
    Put(file, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Stops itself in the middle of the write, to be killed there.
        class Stopping : public QIODevice {
          public:
            explicit Stopping(int fd) : m_fd(fd) { open(QIODevice::WriteOnly); }

          protected:
            qint64 readData(char*, qint64) override { return -1; }
            qint64 writeData(const char* data, qint64 size) override {
                const ssize_t n =
                    ::write(m_fd, data, static_cast<size_t>(std::min<qint64>(size, 4096)));
                ::raise(SIGSTOP);
                return n;
            }

          private:
            int m_fd;
        };
        WriteWholeFile(file, Pattern(1 << 20), nullptr,
                       [](int fd) { return std::make_unique<Stopping>(fd); });
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    ASSERT_TRUE(WIFSTOPPED(status));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const QStringList left = Entries(dir.path());
    ASSERT_EQ(left.size(), 2) << left.join(' ').toStdString();
    EXPECT_TRUE(left[1].startsWith("big.qzp.") && left[1].endsWith(".new"))
        << left[1].toStdString();
    EXPECT_EQ(Slurp(file), "old");

    QString error;
    ASSERT_TRUE(WriteWholeFile(file, "new", &error)) << error.toStdString();
    EXPECT_EQ(Slurp(file), "new");
    EXPECT_EQ(Entries(dir.path()), QStringList{"big.qzp"});
}

// Only leftovers go: not the new file of a save at work (it holds its lock), nor another user's,
// nor a file that only looks alike, nor those of another file.
TEST(WriteWholeFile, LeftoversOfOthersAndSavesAtWorkStay) {
    QTemporaryDir dir;
    const QString file = dir.filePath("p.qzp");
    struct Planted {
        const char* name;
        bool removed;
    };
    const Planted planted[] = {
        {"p.qzp.0a1b2c3d4e.new", true}, // as this version names them
        {"p.qzp.1mz2d7fxq.new", true},  // as earlier versions did, without leading zeros
        {"p.qzp.backup.new", false},    // a word, not a temporary
        {"p.qzp.0A1B2C3D4E.new", false}, {"p.qzp.0a1b2c3d4e.old", false},
        {"q.qzp.0a1b2c3d4e.new", false}, // of another file
        {"p.qzp.0a1b2c3d4f.new", false}, // locked below: a save at work
        {"p.qzp.0a1b2c3d4g.new", false}, // another user's, below
    };
    for (const Planted& p : planted) {
        Put(dir.filePath(p.name), "left over");
    }
    const QByteArray locked = QFile::encodeName(dir.filePath("p.qzp.0a1b2c3d4f.new"));
    const int held = ::open(locked.constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(dir.filePath("p.qzp.0a1b2c3d4g.new")).constData(), 4242,
                          4242),
                  0);
    }
    QString error;
    ASSERT_TRUE(WriteWholeFile(file, "new", &error)) << error.toStdString();
    ::close(held);
    for (const Planted& p : planted) {
        const bool other = QByteArray(p.name) == "p.qzp.0a1b2c3d4g.new";
        if (other && !root) {
            continue; // mine after all, and removed
        }
        EXPECT_EQ(QFileInfo::exists(dir.filePath(p.name)), !p.removed) << p.name;
    }
    EXPECT_EQ(Slurp(file), "new");
}

// ---- links in a folder shared by all ----

// Like /tmp: everyone may write there, the sticky bit keeps each entry to its owner. A link
// there is followed only when it is the user's own or the folder owner's; one that another user
// planted could name any file of this user's.
TEST(WriteWholeFile, FollowsNoLinkOfAnotherUserInASharedFolder) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "making a link of another user needs root";
    }
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim.txt");
    struct Case {
        const char* name;
        mode_t folderMode;
        uid_t folderOwner;
        uid_t linkOwner;
        bool followed;
    };
    const uid_t me = ::geteuid();
    const Case cases[] = {
        {"another user's link, shared sticky folder", 01777, me, 4242, false},
        {"another user's link, folder of a third", 01777, 4343, 4242, false},
        {"my own link, shared sticky folder", 01777, 4343, me, true},
        {"the folder owner's link", 01777, 4242, 4242, true},
        {"sticky but not writable for all", 01755, me, 4242, true},
        {"writable for all but not sticky", 0777, me, 4242, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Put(victim, "precious");
        const QString folder = dir.filePath(QStringLiteral("shared%1").arg(n++));
        ASSERT_TRUE(QDir().mkdir(folder));
        const QByteArray folderName = QFile::encodeName(folder);
        ASSERT_EQ(::chmod(folderName.constData(), c.folderMode), 0);
        ASSERT_EQ(::chown(folderName.constData(), c.folderOwner, c.folderOwner), 0);
        const QString link = folder + "/project.qzp";
        const QByteArray linkName = QFile::encodeName(link);
        ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), linkName.constData()), 0);
        ASSERT_EQ(::lchown(linkName.constData(), c.linkOwner, c.linkOwner), 0);

        QString error;
        const bool saved = WriteWholeFile(link, "attacker's wish", &error);
        EXPECT_EQ(saved, c.followed) << error.toStdString();
        EXPECT_EQ(Slurp(victim), c.followed ? "attacker's wish" : "precious");
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        if (!c.followed) {
            EXPECT_EQ(error, link + ": cannot write: " + link +
                                 " is a link of another user in a folder shared by all; it is "
                                 "not followed");
            EXPECT_EQ(Entries(folder), QStringList{"project.qzp"});
        }
    }
}

// ---- a log ----

TEST(OpenForWriting, EmptiesOrCreatesARegularFileAndFollowsLinks) {
    QTemporaryDir dir;
    const QString log = dir.filePath("log.txt");
    Put(log, "last upload");
    QFile file;
    QString why;
    ASSERT_TRUE(OpenForWriting(file, log, &why)) << why.toStdString();
    EXPECT_EQ(QFileInfo(log).size(), 0);
    ASSERT_EQ(file.write("frame\r\n"), 7);
    file.close();
    EXPECT_EQ(Slurp(log), "frame\r\n");

    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(log, link));
    ASSERT_TRUE(OpenForWriting(file, link, &why)) << why.toStdString();
    file.close();
    EXPECT_EQ(QFileInfo(log).size(), 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    const QString fresh = dir.filePath("new.txt");
    ASSERT_TRUE(OpenForWriting(file, fresh, &why)) << why.toStdString();
    file.close();
    EXPECT_TRUE(QFileInfo(fresh).isFile());

    EXPECT_FALSE(OpenForWriting(file, dir.filePath("none/log.txt"), &why));
    EXPECT_EQ(why, "No such file or directory");
}

// A FIFO would hold the opening for ever when nobody reads it, and take the log when someone
// does: refused either way, at once. Run aside, so that an opening that blocks fails the test.
TEST(OpenForWriting, RefusesFifosFoldersAndDevicesWithoutBlocking) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("log.txt");
    const QByteArray fifoName = QFile::encodeName(fifo);
    ASSERT_EQ(::mkfifo(fifoName.constData(), 0600), 0);
    struct Case {
        QString path;
        bool reader; // someone reads the FIFO
        QString kind;
    };
    const Case cases[] = {
        {fifo, false, "a named pipe (FIFO)"},
        {fifo, true, "a named pipe (FIFO)"},
        {dir.path(), false, "a folder"},
        {QStringLiteral("/dev/null"), false, "a character device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const int reader = c.reader ? ::open(fifoName.constData(), O_RDONLY | O_NONBLOCK) : -1;
        auto open = std::async(std::launch::async, [&] {
            QFile file;
            QString why;
            const bool ok = OpenForWriting(file, c.path, &why);
            return std::make_pair(ok, why);
        });
        if (open.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            const int r = ::open(fifoName.constData(), O_RDONLY | O_NONBLOCK);
            open.wait();
            ::close(r);
            ADD_FAILURE() << "the opening blocked";
        } else {
            const auto [ok, why] = open.get();
            EXPECT_FALSE(ok);
            EXPECT_EQ(why, c.kind + ", not a regular file");
        }
        if (reader >= 0) {
            char byte;
            EXPECT_EQ(::read(reader, &byte, 1), 0) << "something was written into the FIFO";
            ::close(reader);
        }
    }
}

} // namespace
