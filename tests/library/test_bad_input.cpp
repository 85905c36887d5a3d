// Damaged library files: each kind of damage is refused with what is wrong and at which byte,
// and the library in memory stays exactly as it was. Failed saves leave the old file.
#include "Helpers.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace qz;
using namespace qztest;

namespace {

struct Damaged {
    const char* what;
    QByteArray bytes;
    const char* message;
};

CIrLibSet IrSentinel() {
    CIrLibSet lib;
    lib.libName = "Before";
    lib.entries = {MakeIrEntry("Keep", "me"), "second"};
    return lib;
}

CRS232LibSet Rs232Sentinel() {
    CRS232LibSet lib;
    lib.libName = "Before";
    lib.storedCount = 5;
    lib.functions.resize(2);
    lib.functions[1].name = "Keep";
    lib.functions[1].dataLength = 3;
    lib.functions[1].data[0] = 'x';
    return lib;
}

const QByteArray kTv = ReadBytes(DataPath("TV.irr"));
const QByteArray kProj = ReadBytes(DataPath("Proj.rss"));

// Proj with the 32-bit value at `offset` replaced.
QByteArray ProjWith(int offset, qint32 value) {
    QByteArray bytes = kProj;
    bytes.replace(offset, 4, Le32(static_cast<quint32>(value)));
    return bytes;
}

} // namespace

TEST(BadInput, DamagedIrLibrariesAreRefusedWhereTheyBreak) {
    ASSERT_EQ(kTv.size(), 113);
    const Damaged cases[] = {
        {"empty file", "", "byte 0: library name: file ends inside a string length"},
        {"name cut short", QByteArray::fromHex("05") + "TV",
         "byte 0: library name: string of 5 bytes runs past the end (2 bytes left)"},
        {"long prefix cut short", QByteArray::fromHex("ff01"),
         "byte 1: library name: file ends inside a string length"},
        {"no count", kTv.left(3), "byte 3: entry count: file ends inside a count"},
        {"count cut short", kTv.left(4), "byte 3: entry count: file ends inside a count"},
        {"entry cut short", kTv.left(108),
         "byte 5: entry 1 of 1: string of 107 bytes runs past the end (102 bytes left)"},
        {"entry missing", kTv.left(3) + Le16(2) + kTv.mid(5),
         "byte 113: entry 2 of 2: file ends inside a string length"},
        {"count beyond the file", kTv.left(3) + Le16(16) + "abc",
         "byte 3: entry count: count 16 cannot fit in the 3 bytes left"},
        {"32-bit count beyond the file", kTv.left(3) + Le16(0xFFFF) + Le32(0xFFFFFFFF),
         "byte 3: entry count: count 4294967295 cannot fit in the 0 bytes left"},
        {"32-bit length beyond the file", QByteArray::fromHex("ffffff") + Le32(0xFFFFFFFE) + "TV",
         "byte 0: library name: string of 4294967294 bytes runs past the end (2 bytes left)"},
        {"64-bit length out of range",
         QByteArray::fromHex("ffffffffffffff") + Le64(0x80000000u) + "TV",
         "byte 0: library name: string length 2147483648 out of range"},
        {"64-bit length far out of range",
         QByteArray::fromHex("ffffffffffffff") + Le64(~0ull) + "TV",
         "byte 0: library name: string length 18446744073709551615 out of range"},
        {"UTF-16 string cut short", QByteArray::fromHex("fffeff02") + QByteArray("T\0V", 3),
         "byte 0: library name: string of 4 bytes runs past the end (3 bytes left)"},
        {"UTF-16 tag without length", QByteArray::fromHex("fffeff"),
         "byte 3: library name: file ends inside a string length"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CIrLibSet lib = IrSentinel();
        QString error;
        EXPECT_FALSE(ReadIrLibrary(c.bytes, lib, &error));
        EXPECT_EQ(error.toStdString(), c.message);
        EXPECT_EQ(lib, IrSentinel());
    }
}

TEST(BadInput, DamagedRs232LibrariesAreRefusedWhereTheyBreak) {
    ASSERT_EQ(kProj.size(), 71);
    const QByteArray head = kProj.left(9); // "Proj", one function
    const Damaged cases[] = {
        {"empty file", "", "byte 0: library name: file ends inside a string length"},
        {"no count", kProj.left(5), "byte 5: function count: file ends inside a 32-bit integer"},
        {"count cut short", kProj.left(7),
         "byte 5: function count: file ends inside a 32-bit integer"},
        {"negative count", ProjWith(5, -1),
         "byte 5: function count -1 cannot fit in the 62 bytes left"},
        {"count beyond the file", ProjWith(5, 2),
         "byte 5: function count 2 cannot fit in the 62 bytes left"},
        {"largest count", ProjWith(5, 0x7FFFFFFF),
         "byte 5: function count 2147483647 cannot fit in the 62 bytes left"},
        {"record cut short", kProj.left(50),
         "byte 5: function count 1 cannot fit in the 41 bytes left"},
        {"name beyond the file", head + QByteArray::fromHex("64") + QByteArray(60, 'n'),
         "byte 9: function 1 of 1: string of 100 bytes runs past the end (60 bytes left)"},
        {"numbers cut short",
         head + QByteArray::fromHex("32") + QByteArray(50, 'n') + QByteArray(4, '\0') + "\1\0",
         "byte 64: function 1 of 1: file ends inside a 32-bit integer"},
        {"data cut short", kProj.left(70),
         "byte 38: function 1 of 1: file ends inside the 33 data bytes (32 bytes left)"},
        {"format out of range", ProjWith(26, 7),
         "byte 26: function 1 of 1: format 7 out of range (0 ASCII, 1 hexadecimal)"},
        {"end characters out of range", ProjWith(30, 3),
         "byte 30: function 1 of 1: end characters 3 out of range (0 none, 1 CR, 2 CR LF)"},
        {"data length beyond the data area", ProjWith(34, 34),
         "byte 34: function 1 of 1: data length 34 out of range (0 to 33)"},
        {"negative data length", ProjWith(34, -5),
         "byte 34: function 1 of 1: data length -5 out of range (0 to 33)"},
        {"64-bit length out of range",
         head + QByteArray::fromHex("ffffffffffffff") + Le64(0xFFFFFFFF00000000ull) +
             QByteArray(50, '\0'),
         "byte 9: function 1 of 1: string length 18446744069414584320 out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRS232LibSet lib = Rs232Sentinel();
        QString error;
        EXPECT_FALSE(ReadRs232Library(c.bytes, lib, &error));
        EXPECT_EQ(error.toStdString(), c.message);
        EXPECT_EQ(lib, Rs232Sentinel());
    }
}

// Nothing past the last entry is read: bytes there are ignored and counted, while
// damage in the entries is still refused.
TEST(BadInput, BytesAfterTheLastEntryAreIgnored) {
    CIrLibSet ir = IrSentinel();
    qsizetype ignored = -1;
    QString error;
    ASSERT_TRUE(ReadIrLibrary(kTv + "xyz", ir, &error, &ignored)) << error.toStdString();
    CIrLibSet tv;
    ASSERT_TRUE(ReadIrLibrary(kTv, tv, &error, &ignored));
    EXPECT_EQ(ignored, 0);
    ASSERT_TRUE(ReadIrLibrary(kTv + "xyz", ir, &error, &ignored));
    EXPECT_EQ(ignored, 3);
    EXPECT_EQ(ir, tv);
    EXPECT_EQ(WriteIrLibrary(ir), kTv);

    CRS232LibSet rs = Rs232Sentinel();
    ASSERT_TRUE(ReadRs232Library(kProj + QByteArray(40, '\xff'), rs, &error, &ignored))
        << error.toStdString();
    EXPECT_EQ(ignored, 40);
    EXPECT_EQ(rs.functions.size(), 1u);
    EXPECT_EQ(WriteRs232Library(rs), kProj);

    // A second library after the first is not read either; a count that runs into the tail is.
    ASSERT_TRUE(ReadIrLibrary(kTv + kTv, ir, &error, &ignored));
    EXPECT_EQ(ignored, kTv.size());
    EXPECT_FALSE(ReadIrLibrary(kTv.left(3) + Le16(2) + kTv.mid(5) + "xyz", ir, &error));
    EXPECT_EQ(error, "byte 113: entry 2 of 2: string of 120 bytes runs past the end (2 bytes "
                     "left)");
}

// Files that cannot be read at all, and damage found through the file functions, which name
// the file in front of the offset.
TEST(BadInput, UnreadableFilesLeaveTheLibraryAsItWas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString damaged = dir.filePath("cut.irr");
    ASSERT_TRUE(WriteBytes(damaged, kTv.left(100)));
    const QString large = dir.filePath("large.irr");
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(16 * 1024 * 1024 + 1)); // sparse, quick
    }
    struct Case {
        const char* what;
        QString path;
        QString message; // the start of the message
    };
    const Case cases[] = {
        {"empty path", QString(), "no file name given"},
        {"missing file", dir.filePath("missing.irr"),
         dir.filePath("missing.irr") + ": cannot open"},
        {"a folder", dir.path(), dir.path() + ": cannot open"},
        {"too large", large,
         large + ": 16777217 bytes, more than the 16777216 bytes a file of this kind can hold"},
        {"damaged", damaged,
         damaged + ": byte 5: entry 1 of 1: string of 107 bytes runs past the end (94 bytes left)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CIrLibSet ir = IrSentinel();
        QString error;
        EXPECT_FALSE(LoadIrLibraryFile(c.path, ir, &error));
        EXPECT_TRUE(error.startsWith(c.message)) << error.toStdString();
        EXPECT_EQ(ir, IrSentinel());

        CRS232LibSet rs = Rs232Sentinel();
        error.clear();
        EXPECT_FALSE(LoadRs232LibraryFile(c.path, rs, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(rs, Rs232Sentinel());
    }
}

TEST(BadInput, SaveThatCannotWriteSaysSoAndKeepsTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CIrLibSet ir = IrSentinel();
    CRS232LibSet rs = Rs232Sentinel();
    QString error;
    EXPECT_FALSE(SaveIrLibraryFile(dir.filePath("no/such/folder/x.irr"), ir, &error));
    EXPECT_TRUE(error.contains("cannot write")) << error.toStdString();
    EXPECT_FALSE(SaveRs232LibraryFile(dir.path(), rs, &error)); // a folder is in the way
    EXPECT_TRUE(error.contains("cannot write")) << error.toStdString();
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());

    // A write that fails half-way (the file size limit of the process) leaves the old file whole
    // and no temporary file behind.
    const QString path = dir.filePath("TV.irr");
    ASSERT_TRUE(WriteBytes(path, kTv));
    CIrLibSet big;
    big.libName = "TV";
    big.entries.assign(200, MakeIrEntry("Power", std::string(kIrCodeDigits, 'a')));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveIrLibraryFile(path, big, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(error.startsWith(path + ": cannot write")) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), kTv);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"TV.irr"});
}
