// Damaged project files: each kind of damage, the message it gives, and the configuration in
// memory unchanged after each.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "StoreTestHelpers.h"
#include "io/Archive.h"
#include "model/Configuration.h"
#include "model/Largest.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace {

using namespace qztest;

using qz::Configuration;

// The default model-1 project (4473 bytes): key 0's record starts at byte 20 with 01 '1' 01 '1',
// its first slot array at byte 68.
std::string Default() {
    return qz::EncodeProject(StartupModel1());
}

std::string Replace(std::size_t at, std::size_t count, const std::string& with) {
    return Default().replace(at, count, with);
}

struct Damage {
    const char* name;
    std::string bytes;
    const char* message; // after "PATH: not a valid project file: "
};

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, IsRefusedWithItsOffsetAndChangesNothing) {
    const Damage& d = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(d.name) + ".qzp");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(d.bytes.data(), static_cast<qint64>(d.bytes.size()));
    }
    Configuration config = qz::MakeLargestConfiguration();
    config.keys[3].repeatInterval = '5';
    config.keys[0].hoverFlag = 1;
    const Configuration before = config;
    QString error;
    EXPECT_FALSE(qz::LoadProject(path, config, &error));
    EXPECT_EQ(error.toStdString(), path.toStdString() + ": not a valid project file: " + d.message);
    EXPECT_TRUE(config == before);
    // The byte-level reader reports the same.
    std::string bare;
    std::size_t offset = 0;
    EXPECT_FALSE(qz::DecodeProject(d.bytes, config, &bare, &offset));
    EXPECT_EQ(bare, d.message);
    EXPECT_EQ("byte " + std::to_string(offset) + ":", bare.substr(0, bare.find(':') + 1));
    EXPECT_TRUE(config == before);
}

const std::string kMaxCount = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

INSTANTIATE_TEST_SUITE_P(
    Table, DamagedFile,
    ::testing::Values(
        Damage{"empty", "", "byte 0: file ends inside a 32-bit integer"},
        Damage{"cut_header", Default().substr(0, 10), "byte 8: file ends inside a 32-bit integer"},
        Damage{"cut_name", Default().substr(0, 21),
               "byte 20: string of 1 bytes runs past the end (0 bytes left)"},
        Damage{"cut_key_fields", Default().substr(0, 30),
               "byte 28: file ends inside a 32-bit integer"},
        Damage{"cut_slot_count", Default().substr(0, 69), "byte 68: file ends inside a count"},
        Damage{"cut_last_key", Default().substr(0, 4472), "byte 4471: file ends inside a count"},
        Damage{"cut_action", Replace(4471, 2, Bytes({1, 0, 10}) + "DELY"),
               "byte 4473: string of 10 bytes runs past the end (4 bytes left)"},
        // Cut in the first key: its action count leaves no room for the keys after it.
        Damage{"cut_first_key", Replace(68, 2, Bytes({1, 0, 10}) + "DELY").substr(0, 75),
               "byte 68: count 1 cannot fit in the 5 bytes left (what follows it needs at least "
               "4272)"},
        Damage{"prefix_beyond_end", Replace(4346, 1, Bytes({0xFE})),
               "byte 4346: string of 254 bytes runs past the end (126 bytes left)"},
        Damage{"long_prefix_beyond_end", Replace(20, 1, Bytes({0xFF, 0xFF, 0xFF, 0, 0, 0, 1})),
               "byte 20: string of 16777216 bytes runs past the end (4452 bytes left)"},
        Damage{
            "length_64_bit",
            Replace(20, 1,
                    Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0, 0, 0, 0})),
            "byte 20: string length 2147483648 out of range"},
        Damage{"count_cannot_fit", Replace(68, 2, kMaxCount),
               "byte 68: count 4294967295 cannot fit in the 4403 bytes left (what follows it "
               "needs at least 4272)"},
        // The count fits in the bytes left, but not beside the 35 keys that must follow.
        Damage{"count_crowds_out_the_keys", Replace(68, 2, Bytes({0x78, 0x0F})),
               "byte 68: count 3960 cannot fit in the 4403 bytes left (what follows it needs at "
               "least 4272)"},
        Damage{"count_one_too_many", Replace(4471, 2, Bytes({3, 0})),
               "byte 4471: count 3 cannot fit in the 0 bytes left"},
        Damage{"id_number", Replace(0, 4, Int32(100)),
               "byte 0: ID number 100 out of range (0..99)"},
        Damage{"id_negative", Replace(0, 4, Int32(-1)),
               "byte 0: ID number -1 out of range (0..99)"},
        Damage{"port_mode", Replace(4, 4, Int32(4)), "byte 4: port mode 4 out of range (0..3)"},
        Damage{"current_key", Replace(8, 4, Int32(36)),
               "byte 8: current key 36 out of range (0..35)"},
        Damage{"current_slot", Replace(12, 4, Int32(37)),
               "byte 12: current slot 37 out of range (0..36)"},
        Damage{"device_model", Replace(16, 4, Int32(3)),
               "byte 16: device model 3 out of range (0..2)"},
        Damage{"device_model_huge", Replace(16, 4, Int32(-2147483647 - 1)),
               "byte 16: device model -2147483648 out of range (0..2)"},
        Damage{"trailing_byte", Default() + "x", "byte 4473: 1 trailing bytes after the end"},
        Damage{"trailing_project", Default() + Default(),
               "byte 4473: 4473 trailing bytes after the end"},
        Damage{"frame_not_project", "KVQ000601CLRE87ENND",
               "byte 16: file ends inside a 32-bit integer"},
        Damage{"text_not_project", "hello world, this is not a project\n",
               "byte 0: ID number 1819043176 out of range (0..99)"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(DamagedFile, MissingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("missing.qzp");
    Configuration config;
    config.idNumber = 12;
    QString error;
    EXPECT_FALSE(qz::LoadProject(path, config, &error));
    EXPECT_EQ(error, path + ": cannot open: No such file or directory");
    EXPECT_EQ(config.idNumber, 12);
}

TEST(DamagedFile, FolderInsteadOfFile) {
    QTemporaryDir dir;
    Configuration config;
    config.idNumber = 12;
    QString error;
    EXPECT_FALSE(qz::LoadProject(dir.path(), config, &error));
    EXPECT_TRUE(error.startsWith(dir.path() + ": cannot open: ")) << error.toStdString();
    EXPECT_EQ(config.idNumber, 12);
}

TEST(DamagedFile, UnreadableFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads files whatever their permissions";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.qzp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromStdString(Default()));
    f.close();
    f.setPermissions(QFile::WriteOwner);
    Configuration config;
    QString error;
    EXPECT_FALSE(qz::LoadProject(path, config, &error));
    EXPECT_EQ(error, path + ": cannot open: Permission denied");
}

// A file far larger than any project is refused before it is read (sparse: no disk is used).
TEST(DamagedFile, HugeFileIsNotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.qzp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(qz::kMaxProjectFileSize + 1));
    f.close();
    Configuration config;
    QString error;
    EXPECT_FALSE(qz::LoadProject(path, config, &error));
    EXPECT_EQ(error, path + ": 67108865 bytes, more than the 67108864 bytes a file of this kind "
                            "can hold");
}

// Anything but a regular file is refused before it is opened: a FIFO would block the reader
// until a writer came, a device could be endless. Both forms, with the configuration unchanged.
TEST(DamagedFile, FifosAndDevicesAreRefusedWithoutBeingOpened) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.qzp");
    const QString fifoJson = dir.filePath("pipe.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoJson).constData(), 0600), 0);
    const struct {
        QString path;
        const char* kind;
    } cases[] = {{fifo, "a named pipe (FIFO)"},
                 {fifoJson, "a named pipe (FIFO)"},
                 {QStringLiteral("/dev/zero"), "a character device"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        Configuration config = qz::MakeLargestConfiguration();
        const Configuration before = config;
        QString error;
        EXPECT_EQ(qz::LoadProjectAny(c.path, config, &error), qz::LoadStatus::Unreadable);
        EXPECT_EQ(error, c.path + ": cannot open: " + c.kind + ", not a regular file");
        EXPECT_TRUE(config == before);
    }
}

} // namespace
