// Settings file, path modes, library folder and the device-model rules.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "StoreTestHelpers.h"
#include "model/Configuration.h"
#include "store/DeviceModels.h"
#include "store/Paths.h"
#include "store/Settings.h"

namespace {

using namespace qztest;

using qz::Configuration;

void WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

// Every test gets its own QZCTR_HOME.
class Workspace : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        qputenv(qz::kHomeVariable, m_dir.path().toUtf8());
    }
    void TearDown() override { qunsetenv(qz::kHomeVariable); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(Workspace, HomeVariablePutsEverythingInItsFolder) {
    EXPECT_EQ(qz::CurrentPathMode(), qz::PathMode::Home);
    EXPECT_EQ(qz::SettingsPath(), Path("qzsetup.ini"));
    EXPECT_EQ(qz::LibraryFolder(), Path("Library"));
    EXPECT_EQ(qz::LibraryFilePath("TV.irr"), Path("Library/TV.irr"));
    EXPECT_EQ(qz::UploadLogPath(), Path("Library/log.txt"));
}

TEST_F(Workspace, FirstStartWithoutSettingsFile) {
    Configuration c;
    c.deviceModel = 2;
    c.portMode = 3;
    const qz::ModelSettings s = qz::ReadSettings(c);
    EXPECT_FALSE(s.fileFound);
    EXPECT_EQ(c.deviceModel, 1);
    EXPECT_EQ(c.portMode, 0);
    EXPECT_EQ(c.keys[8].keyKind, qz::kKindVirtual);
    EXPECT_EQ(c.keys[32].keyName, "IOL");
    // The port mode of this start is written with the model, so that the next start finds both.
    EXPECT_EQ(ReadFile(Path("qzsetup.ini")), "[SYSTEM]\nMACHINE_PORT=0\nMACHINE_TYPE=1\n");
    // Every later start shows what the first one showed (a file without MACHINE_PORT would give
    // port mode 1, whose rules refuse RS232 on Port 1).
    for (int start = 2; start <= 3; ++start) {
        SCOPED_TRACE(start);
        Configuration next;
        const qz::ModelSettings again = qz::ReadSettings(next);
        EXPECT_TRUE(again.fileFound);
        EXPECT_EQ(next.deviceModel, c.deviceModel);
        EXPECT_EQ(next.portMode, c.portMode);
        EXPECT_EQ(again.portMode, s.portMode);
    }
}

struct SettingsCase {
    const char* file;
    int model;
    int port;
    int firstVirtualKey; // -1: no layout (the keys stay as constructed)
};

class SettingsFile : public Workspace, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsFile, StartsWithModelAndPort) {
    const SettingsCase& c = GetParam();
    WriteText(Path("qzsetup.ini"), c.file);
    Configuration config;
    config.deviceModel = 0;
    config.LayoutKeys(0);
    config.keys[10].keyName = "kept";
    const qz::ModelSettings s = qz::ReadSettings(config);
    EXPECT_TRUE(s.fileFound);
    EXPECT_EQ(config.deviceModel, c.model);
    EXPECT_EQ(config.portMode, c.port);
    EXPECT_EQ(s.deviceModel, c.model);
    EXPECT_EQ(s.portMode, c.port);
    if (c.firstVirtualKey < 0) {
        EXPECT_EQ(config.keys[10].keyName, "kept");
    } else {
        EXPECT_EQ(config.keys[c.firstVirtualKey - 1].keyKind, qz::kKindNormal);
        EXPECT_EQ(config.keys[c.firstVirtualKey].keyKind, qz::kKindVirtual);
        EXPECT_EQ(config.keys[10].keyName, "11");
    }
    // Reading never writes an existing file.
    EXPECT_EQ(ReadFile(Path("qzsetup.ini")), QByteArray(c.file));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFile,
    ::testing::Values(SettingsCase{"[SYSTEM]\nMACHINE_TYPE=2\nMACHINE_PORT=3\n", 2, 0, 19},
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=1\nMACHINE_PORT=3\n", 1, 3, 8},
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=0\nMACHINE_PORT=2\n", 0, 2, 8},
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=1\n", 1, 1, 8},
                      SettingsCase{"[SYSTEM]\nMACHINE_PORT=2\n", 1, 2, 8},
                      SettingsCase{"", 1, 1, 8}, SettingsCase{"[OTHER]\nMACHINE_TYPE=2\n", 1, 1, 8},
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=1\nMACHINE_PORT=-4\n", 1, 0, 8},
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=2x\nMACHINE_PORT=1\n", 2, 0, 19},
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=abc\nMACHINE_PORT=3\n", 0, 3, 8},
                      // An unknown model lays nothing out and applies nothing.
                      SettingsCase{"[SYSTEM]\nMACHINE_TYPE=7\nMACHINE_PORT=5\n", 7, 5, -1}));

TEST_F(Workspace, ModelCommandWritesBothKeys) {
    ASSERT_TRUE(qz::WriteModelSettings(1, 3));
    // QSettings keeps the keys of a section in alphabetical order.
    EXPECT_EQ(ReadFile(Path("qzsetup.ini")), "[SYSTEM]\nMACHINE_PORT=3\nMACHINE_TYPE=1\n");
    ASSERT_TRUE(qz::WriteModelSettings(0, 2));
    Configuration c;
    qz::ReadSettings(c);
    EXPECT_EQ(c.deviceModel, 0);
    EXPECT_EQ(c.portMode, 2);
}

TEST_F(Workspace, ModelCommandKeepsOtherEntries) {
    WriteText(Path("qzsetup.ini"), "[SYSTEM]\nMACHINE_TYPE=2\nOWNER=me\n");
    ASSERT_TRUE(qz::WriteModelSettings(1, 0));
    const QByteArray text = ReadFile(Path("qzsetup.ini"));
    EXPECT_TRUE(text.contains("MACHINE_TYPE=1\n"));
    EXPECT_TRUE(text.contains("MACHINE_PORT=0\n"));
    EXPECT_TRUE(text.contains("OWNER=me\n"));
}

TEST_F(Workspace, UnwritableSettingsAreReportedNotShown) {
    QDir().mkpath(Path("qzsetup.ini")); // a folder where the file should be
    EXPECT_FALSE(qz::WriteModelSettings(1, 2));
    Configuration c;
    const qz::ModelSettings s = qz::ReadSettings(c);
    EXPECT_FALSE(s.fileFound);
    EXPECT_EQ(c.deviceModel, 1);
    EXPECT_EQ(c.portMode, 0);
}

TEST_F(Workspace, AFifoInPlaceOfTheSettingsFileNeverBlocksTheStart) {
    ASSERT_EQ(mkfifo(Path("qzsetup.ini").toLocal8Bit().constData(), 0600), 0);
    // Opening a FIFO for reading waits for a writer. So that a regression fails instead of
    // hanging, a writer comes along after three seconds and lets a blocked reader go.
    std::atomic<bool> done{false};
    const QByteArray fifo = Path("qzsetup.ini").toLocal8Bit();
    std::thread unblock([&] {
        for (int i = 0; i < 60 && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        while (!done) {
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    QElapsedTimer timer;
    timer.start();
    Configuration c;
    c.deviceModel = 2;
    const qz::ModelSettings s = qz::ReadSettings(c);
    const bool written = qz::WriteModelSettings(1, 2);
    const qint64 ms = timer.elapsed();
    done = true;
    unblock.join();
    EXPECT_FALSE(s.fileFound);
    EXPECT_EQ(c.deviceModel, 1);
    EXPECT_FALSE(written);
    EXPECT_LT(ms, 2000);
    EXPECT_FALSE(QFileInfo(Path("qzsetup.ini")).isFile()); // left as it was
}

TEST_F(Workspace, LibraryFolderIsRecreatedAfterDeletion) {
    const QString folder = qz::LibraryFolder();
    ASSERT_TRUE(QDir(folder).exists());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_FALSE(QDir(folder).exists());
    EXPECT_EQ(qz::LibraryFilePath("a.rss"), folder + "/a.rss");
    EXPECT_TRUE(QDir(folder).exists());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(qz::LibraryFileExists("a.rss"));
    EXPECT_TRUE(QDir(folder).exists());
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile log(qz::UploadLogPath());
    EXPECT_TRUE(log.open(QIODevice::WriteOnly));
}

TEST_F(Workspace, HomeFolderIsCreatedWhenMissing) {
    qputenv(qz::kHomeVariable, Path("second/workspace").toUtf8());
    EXPECT_TRUE(QDir(qz::LibraryFolder()).exists());
    EXPECT_EQ(qz::LibraryFolder(), Path("second/workspace/Library"));
}

TEST_F(Workspace, LibraryFileExistsComparesExactly) {
    WriteText(qz::LibraryFilePath("TV.irr"), "x");
    QDir().mkpath(qz::LibraryFilePath("Folder.irr"));
    EXPECT_TRUE(qz::LibraryFileExists("TV.irr"));
    EXPECT_FALSE(qz::LibraryFileExists("tv.irr"));
    EXPECT_FALSE(qz::LibraryFileExists("TV.IRR"));
    EXPECT_FALSE(qz::LibraryFileExists("TV"));
    EXPECT_FALSE(qz::LibraryFileExists(""));
    EXPECT_FALSE(qz::LibraryFileExists("Folder.irr"));
    EXPECT_FALSE(qz::LibraryFileExists("../Library/TV.irr"));
}

TEST(Paths, XdgLocationsWithoutHomeVariable) {
    QTemporaryDir dir;
    qunsetenv(qz::kHomeVariable);
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    ASSERT_EQ(qz::CurrentPathMode(), qz::PathMode::Xdg);
    EXPECT_EQ(qz::SettingsPath(), dir.filePath("config/qzctr/qzsetup.ini"));
    EXPECT_EQ(qz::LibraryFolder(), dir.filePath("data/qzctr/Library"));
    EXPECT_TRUE(QDir(dir.filePath("data/qzctr/Library")).exists());
    EXPECT_EQ(qz::UploadLogPath(), dir.filePath("data/qzctr/Library/log.txt"));
    // The first start creates the settings file and its folder.
    Configuration c;
    qz::ReadSettings(c);
    EXPECT_EQ(ReadFile(dir.filePath("config/qzctr/qzsetup.ini")),
              "[SYSTEM]\nMACHINE_PORT=0\nMACHINE_TYPE=1\n");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

// Run in a copy of this program (see PortableModeBesideTheProgram): prints the three paths.
TEST(Paths, PrintPaths) {
    if (!std::getenv("QZ_PRINT_PATHS")) {
        GTEST_SKIP() << "only run by PortableModeBesideTheProgram";
    }
    std::printf("mode=%d\nsettings=%s\nlibrary=%s\n", static_cast<int>(qz::CurrentPathMode()),
                qPrintable(qz::SettingsPath()), qPrintable(qz::LibraryFolder()));
}

TEST(Paths, PortableModeBesideTheProgram) {
    QTemporaryDir dir;
    const QString copy = dir.filePath("qzcopy");
    ASSERT_TRUE(QFile::copy(QFileInfo("/proc/self/exe").symLinkTarget(), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    auto run = [&] {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(qz::kHomeVariable);
        env.insert("QZ_PRINT_PATHS", "1");
        env.insert("XDG_DATA_HOME", dir.filePath("xdg-data"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("xdg-config"));
        p.setProcessEnvironment(env);
        p.start(copy, {"--gtest_filter=Paths.PrintPaths"});
        EXPECT_TRUE(p.waitForFinished(60000));
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    // Without a settings file beside it the copy uses the XDG folders …
    QString out = run();
    EXPECT_TRUE(out.contains("mode=2\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("library=" + dir.filePath("xdg-data/qzctr/Library")))
        << out.toStdString();
    // … and with one it keeps everything beside itself.
    WriteText(dir.filePath("qzsetup.ini"), "[SYSTEM]\nMACHINE_TYPE=1\n");
    out = run();
    EXPECT_TRUE(out.contains("mode=1\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("settings=" + dir.filePath("qzsetup.ini") + "\n"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("library=" + dir.filePath("Library") + "\n")) << out.toStdString();
    EXPECT_TRUE(QDir(dir.filePath("Library")).exists());
}

TEST(DeviceModels, Table) {
    ASSERT_NE(qz::FindDeviceModel(1), nullptr);
    EXPECT_STREQ(qz::FindDeviceModel(1)->menuEntry, "QRM-K6");
    EXPECT_EQ(qz::FindDeviceModel(0)->menuEntry, nullptr);
    EXPECT_TRUE(qz::FindDeviceModel(0)->portBoxShown);
    EXPECT_FALSE(qz::FindDeviceModel(2)->portBoxShown);
    EXPECT_EQ(qz::FindDeviceModel(3), nullptr);
    EXPECT_EQ(qz::FindDeviceModel(-1), nullptr);
}

} // namespace
