// The project file: exact bytes, round trips, long and UTF-16 strings, saving safely.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "../io/FullFileSystem.h"
#include "StoreTestHelpers.h"
#include "io/Archive.h"
#include "io/FileName.h"
#include "model/Configuration.h"
#include "model/Largest.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace {

using namespace qztest;

using qz::Configuration;

TEST(ProjectFile, DefaultProjectOfModel1Is4473Bytes) {
    const std::string bytes = qz::EncodeProject(StartupModel1());
    ASSERT_EQ(bytes.size(), 4473u);
    // Header: ID 0, port mode 0, current key 0, current slot 0, model 1.
    EXPECT_EQ(bytes.substr(0, 20), Int32(0) + Int32(0) + Int32(0) + Int32(0) + Int32(1));
    // Key 0: name "1", label "1", kind 0, style 0, eight more zero fields, 37 empty slots.
    std::string key0 = Bytes({1, '1', 1, '1'}) + std::string(11 * 4, '\0') + std::string(74, '\0');
    EXPECT_EQ(bytes.substr(20, key0.size()), key0);
    // Key 8 is the first virtual key (kind and style 3); key 35 is "Start", label "36", kind 4.
    std::size_t offset = 20;
    for (int k = 0; k < 8; ++k) {
        offset += 118 + 2 + std::to_string(k + 1).size() * 2;
    }
    EXPECT_EQ(bytes.substr(offset, 12), Bytes({1, '9', 1, '9', 3, 0, 0, 0, 3, 0, 0, 0}));
    const std::string last =
        Bytes({5, 'S', 't', 'a', 'r', 't', 2, '3', '6', 4, 0, 0, 0, 4, 0, 0, 0});
    EXPECT_EQ(bytes.substr(bytes.size() - 118 - 9, last.size()), last);
    // The same bytes as the committed file, which make_default.py builds from the layout alone.
    EXPECT_EQ(ReadFile(QZ_TEST_DATA "/default_model1.qzp"), qz::ProjectToBytes(StartupModel1()));
}

TEST(ProjectFile, KeyRecordExample) {
    Configuration c = StartupModel1();
    const std::string r = "DELY : 00 : 00 : 01 : 0 : 00010";
    qz::Key& key = c.keys[0];
    key.keyName = "Up";
    key.ledBrightness = 1;
    ASSERT_EQ(c.AddEvent(0, qz::kFamilyKey, 0, 0), 0);
    ASSERT_EQ(c.AddAction(0, 0, r), 0);
    const std::string bytes = qz::EncodeProject(c);
    std::string expected = Bytes({2, 'U', 'p', 1, '1'});
    for (int v : {0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0}) {
        expected += Int32(v);
    }
    expected += Bytes({1, 0, static_cast<int>(r.size())}) + r;
    for (int s = 1; s < qz::kSlotCount; ++s) {
        expected += Bytes({0, 0});
    }
    EXPECT_EQ(bytes.substr(20, expected.size()), expected);
    EXPECT_EQ(bytes.size(), 4473u + 1 + 1 + r.size()); // "Up" is one byte longer, plus the event
}

TEST(ProjectFile, NewEventWithoutActionsIsOneBlankString) {
    Configuration c = StartupModel1();
    ASSERT_EQ(c.AddEvent(2, qz::kFamilyKey, 1, 0), 1);
    const std::string bytes = qz::EncodeProject(c);
    const std::string empty = qz::EncodeProject(StartupModel1());
    EXPECT_EQ(bytes.size(), empty.size() + 1);
    // Key 2's slot 1 (after slot 0) holds 01 00 00.
    const std::size_t key2 = 20 + 2 * (118 + 4);
    EXPECT_EQ(bytes.substr(key2 + 4 + 44, 5), Bytes({0, 0, 1, 0, 0}));
}

TEST(ProjectFile, RoundTripKeepsEveryStoredField) {
    Configuration c = qz::MakeLargestConfiguration();
    c.idNumber = 42;
    c.currentKey = 35;
    c.currentSlot = 36;
    c.keys[3].reservedWord = 77; // never used, but kept so that files stay byte-exact
    c.keys[4].timerMinutes = {1, 2, 999};
    c.keys[5].lastEventIndex = -3;
    const std::string bytes = qz::EncodeProject(c);

    Configuration loaded;
    std::string error;
    ASSERT_TRUE(qz::DecodeProject(bytes, loaded, &error)) << error;
    EXPECT_TRUE(SameStoredFields(loaded, c));
    EXPECT_EQ(qz::EncodeProject(loaded), bytes);
}

TEST(ProjectFile, RoundTripOfModel0And2Headers) {
    for (int model : {0, 1, 2}) {
        for (int port = 0; port < 4; ++port) {
            Configuration c;
            c.deviceModel = model;
            c.LayoutKeys(model);
            c.ApplyModelAndPort(model, port);
            c.idNumber = 99;
            const std::string bytes = qz::EncodeProject(c);
            Configuration loaded;
            ASSERT_TRUE(qz::DecodeProject(bytes, loaded));
            EXPECT_EQ(loaded.deviceModel, model);
            EXPECT_EQ(loaded.portMode, model == 2 ? 0 : port);
            EXPECT_EQ(loaded.idNumber, 99);
            EXPECT_EQ(qz::EncodeProject(loaded), bytes);
        }
    }
}

TEST(ProjectFile, Model2FileWithPortModeLoadsWithPortMode0) {
    Configuration c;
    c.deviceModel = 2;
    c.LayoutKeys(2);
    std::string bytes = qz::EncodeProject(c);
    bytes.replace(4, 4, Int32(3));
    Configuration loaded;
    ASSERT_TRUE(qz::DecodeProject(bytes, loaded));
    EXPECT_EQ(loaded.portMode, 0);
}

TEST(ProjectFile, LongStringsRoundTrip) {
    Configuration c = StartupModel1();
    c.keys[7].keyName = std::string(255, 'n');
    c.keys[7].keyLabel = std::string(65534, 'l');
    c.keys[9].slots[qz::kSlotVirtual] = {std::string(254, 'a'), std::string(65533, 'b'),
                                         std::string(70000, 'c'), ""};
    std::string texts[3] = {std::string(254, 'a'), std::string(65533, 'b'),
                            std::string(70000, 'c')};
    const std::string bytes = qz::EncodeProject(c);
    EXPECT_NE(bytes.find(Bytes({0xFF, 0xFF, 0x00}) + std::string(255, 'n')), std::string::npos);
    EXPECT_NE(bytes.find(Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}) + "lll"), std::string::npos);
    EXPECT_NE(bytes.find(Bytes({4, 0, 0xFE}) + texts[0] + Bytes({0xFF, 0xFD, 0xFF}) + "bbb"),
              std::string::npos);
    EXPECT_NE(bytes.find(Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}) + "ccc"),
              std::string::npos);
    Configuration loaded;
    std::string error;
    ASSERT_TRUE(qz::DecodeProject(bytes, loaded, &error)) << error;
    EXPECT_TRUE(SameStoredFields(loaded, c));
    EXPECT_EQ(qz::EncodeProject(loaded), bytes);
}

TEST(ProjectFile, Utf16TaggedStringsLoadAs8BitText) {
    // Key 0's name "Ü1" and an action text stored by another writer as tagged UTF-16.
    Configuration c = StartupModel1();
    std::string bytes = qz::EncodeProject(c);
    const std::string tagged = Bytes({0xFF, 0xFE, 0xFF, 2, 0xDC, 0, '1', 0});
    bytes.replace(20, 2, tagged);
    const std::size_t slot0 = 20 + tagged.size() + 2 + 44;
    ASSERT_EQ(bytes.substr(slot0, 2), Bytes({0, 0}));
    const std::string action = Bytes({0xFF, 0xFE, 0xFF, 4, 'D', 0, 'E', 0, 'L', 0, 'Y', 0});
    bytes.replace(slot0, 2, Bytes({1, 0}) + action);

    Configuration loaded;
    std::string error;
    ASSERT_TRUE(qz::DecodeProject(bytes, loaded, &error)) << error;
    EXPECT_EQ(loaded.keys[0].keyName, "\xC3\x9C"
                                      "1");
    EXPECT_EQ(loaded.keys[0].slots[0], std::vector<std::string>{"DELY"});
    // The writer writes 8-bit strings only.
    const std::string saved = qz::EncodeProject(loaded);
    EXPECT_EQ(saved.substr(20, 4), Bytes({3, 0xC3, 0x9C, '1'}));
}

TEST(ProjectFile, LoadingKeepsTheRepeatIntervalAndReplacesEverythingElse) {
    Configuration stored = StartupModel1();
    stored.AddEvent(1, qz::kFamilyKey, 0, 0);
    stored.AddAction(1, 0, "DELY : 00 : 00 : 01 : 0 : 00010");
    stored.idNumber = 5;

    Configuration memory;
    memory.deviceModel = 2;
    memory.LayoutKeys(2);
    memory.AddEvent(12, qz::kFamilyKey, 0, 0);
    memory.keys[1].repeatInterval = '7';
    memory.keys[0].hoverFlag = 1;

    ASSERT_TRUE(qz::DecodeProject(qz::EncodeProject(stored), memory));
    EXPECT_EQ(memory.deviceModel, 1);
    EXPECT_EQ(memory.idNumber, 5);
    EXPECT_TRUE(memory.keys[12].slots[0].empty());
    EXPECT_EQ(memory.keys[12].keyKind, qz::kKindVirtual);
    EXPECT_EQ(memory.keys[1].slots[0].size(), 1u);
    EXPECT_EQ(memory.keys[1].repeatInterval, '7');
    EXPECT_EQ(memory.keys[0].hoverFlag, 1);
}

TEST(ProjectFile, SaveAndLoadThroughFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("largest.qzp");
    const Configuration c = qz::MakeLargestConfiguration();
    QString error;
    ASSERT_TRUE(qz::SaveProject(path, c, &error)) << error.toStdString();
    EXPECT_EQ(ReadFile(path), qz::ProjectToBytes(c));
    Configuration loaded;
    ASSERT_TRUE(qz::LoadProject(path, loaded, &error)) << error.toStdString();
    EXPECT_TRUE(SameStoredFields(loaded, c));
}

TEST(ProjectFile, SaveIntoMissingFolderFails) {
    QTemporaryDir dir;
    const QString path = dir.filePath("no/such/folder/x.qzp");
    QString error;
    EXPECT_FALSE(qz::SaveProject(path, StartupModel1(), &error));
    EXPECT_TRUE(error.startsWith(path + ": cannot write: ")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

// A write that fails half-way (here: the file size limit of the process) leaves the old file.
TEST(ProjectFile, FailedSaveLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("old.qzp");
    const QByteArray old = qz::ProjectToBytes(StartupModel1());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    const Configuration big = qz::MakeLargestConfiguration();

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 8192;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    QString error;
    const bool ok = qz::SaveProject(path, big, &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.startsWith(path + ": cannot write")) << error.toStdString();
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.qzp"});
}

// The editor's Save and qzctl convert go through SaveProjectAny: on a disk with no room left
// both forms fail with the reason and leave the old file byte for byte.
TEST(ProjectFile, FullDiskKeepsTheOldProject) {
    FullFileSystem disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const QByteArray old = qz::ProjectToBytes(StartupModel1());
    ASSERT_TRUE(disk.Put("old.qzp", old));
    ASSERT_TRUE(disk.Put("old.json", old));
    ASSERT_TRUE(disk.Fill());
    for (const char* name : {"old.qzp", "old.json"}) {
        SCOPED_TRACE(name);
        const QString path = disk.Path(name);
        QString error;
        EXPECT_FALSE(qz::SaveProjectAny(path, qz::MakeLargestConfiguration(), &error));
        EXPECT_EQ(error,
                  path + ": cannot write: No space left on device; the file was left as it was");
        EXPECT_EQ(ReadFile(path), old);
    }
}

// A path that is not UTF-8 (from io::DecodeFileName) loads and saves the file of those bytes.
TEST(ProjectFile, Latin1FileNamesLoadAndSave) {
    QTemporaryDir dir;
    const QByteArray raw = QFile::encodeName(dir.path()) + "/caf\xe9.qzp";
    const QString path = qz::io::DecodeFileName(raw);
    const Configuration c = qz::MakeLargestConfiguration();
    QString error;
    ASSERT_TRUE(qz::SaveProjectAny(path, c, &error)) << error.toStdString();
    Configuration loaded;
    ASSERT_EQ(qz::LoadProjectAny(path, loaded, &error), qz::LoadStatus::Loaded)
        << error.toStdString();
    EXPECT_TRUE(SameStoredFields(loaded, c));
    EXPECT_EQ(ReadFile(QFile::decodeName(raw)), QByteArray()); // Qt's own names miss it
    struct stat info {};
    ASSERT_EQ(::stat(raw.constData(), &info), 0);
    EXPECT_EQ(info.st_size, qz::ProjectToBytes(c).size());
}

} // namespace
