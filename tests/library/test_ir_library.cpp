// IR library files: the byte layout, the string forms, the look-ups and storing learned codes.
#include "../io/FullFileSystem.h"
#include "Helpers.h"
#include "io/FileName.h"
#include "io/Latin1.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qz;
using namespace qztest;

namespace {

const std::string kPlaceholder(kIrPlaceholderLength, 'F');

std::string LearnedCode(char digit = 'a') {
    std::string code;
    for (int i = 0; i < kIrCodeDigits; ++i) {
        code += (i % 2) ? digit : '0' + (i / 2) % 10;
    }
    return code;
}

CIrLibSet TvLibrary() {
    CIrLibSet lib;
    lib.libName = "TV";
    lib.entries = {MakeIrEntry("Power", kPlaceholder)};
    return lib;
}

} // namespace

TEST(IrLibraryFile, TvExampleIsTheDocumentedBytes) {
    const QByteArray file = ReadBytes(DataPath("TV.irr"));
    ASSERT_EQ(file.size(), 1 + 2 + 2 + 1 + 107);
    EXPECT_EQ(WriteIrLibrary(TvLibrary()), file);
    EXPECT_EQ(file.left(6), QByteArray::fromHex("025456010"
                                                "06b"));

    CIrLibSet lib;
    QString error;
    ASSERT_TRUE(LoadIrLibraryFile(DataPath("TV.irr"), lib, &error)) << error.toStdString();
    EXPECT_EQ(lib, TvLibrary());
    EXPECT_EQ(FindIrFunction(lib, "Power"), 0);
    EXPECT_EQ(IrEntryData(lib.entries[0]), kPlaceholder);
}

TEST(IrLibraryFile, EmptyLibraryIsNameAndZeroCount) {
    CIrLibSet lib;
    lib.libName = "Empty";
    const QByteArray file = ReadBytes(DataPath("Empty.irr"));
    EXPECT_EQ(WriteIrLibrary(lib), file);
    EXPECT_EQ(file.right(2), QByteArray::fromHex("0000"));

    CIrLibSet read = TvLibrary();
    ASSERT_TRUE(ReadIrLibrary(file, read));
    EXPECT_EQ(read.libName, "Empty");
    EXPECT_TRUE(read.entries.empty());
}

// The entry length decides the prefix; each form must read back and write the same bytes again.
TEST(IrLibraryFile, StringPrefixFormsRoundTrip) {
    struct Case {
        std::size_t length;
        QByteArray prefix;
    };
    const Case cases[] = {
        {0, QByteArray::fromHex("00")},
        {206, QByteArray::fromHex("ce")}, // a learned "Power" entry
        {254, QByteArray::fromHex("fe")},
        {255, QByteArray::fromHex("ffff00")},
        {256, QByteArray::fromHex("ff0001")},
        {65533, QByteArray::fromHex("fffdff")},
        {65534, QByteArray::fromHex("ffffff"
                                    "feff0000")},
        {65535, QByteArray::fromHex("ffffff"
                                    "ffff0000")},
        {100000, QByteArray::fromHex("ffffff"
                                     "a0860100")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        CIrLibSet lib;
        lib.libName = "L";
        lib.entries = {std::string(c.length, 'x')};
        const QByteArray bytes = WriteIrLibrary(lib);
        const QByteArray head = QByteArray::fromHex("014c0100");
        ASSERT_EQ(bytes.size(), head.size() + c.prefix.size() + qsizetype(c.length));
        EXPECT_EQ(bytes.left(head.size()), head);
        EXPECT_EQ(bytes.mid(head.size(), c.prefix.size()), c.prefix);

        CIrLibSet read;
        QString error;
        ASSERT_TRUE(ReadIrLibrary(bytes, read, &error)) << error.toStdString();
        EXPECT_EQ(read, lib);
        EXPECT_EQ(WriteIrLibrary(read), bytes);
    }
}

TEST(IrLibraryFile, LearnedEntryWithLongNameTakesThreeBytePrefix) {
    CIrLibSet lib;
    lib.libName = "TV";
    lib.entries = {MakeIrEntry("Power", LearnedCode()),
                   MakeIrEntry(std::string(54, 'N'), LearnedCode())};
    const QByteArray bytes = WriteIrLibrary(lib);
    // name 3 bytes, count 2, first entry 1 + 206, then 0xFF and 255 as uint16
    EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 0xCE);
    EXPECT_EQ(bytes.mid(5 + 1 + 206, 3), QByteArray::fromHex("ffff00"));
    CIrLibSet read;
    ASSERT_TRUE(ReadIrLibrary(bytes, read));
    EXPECT_EQ(read, lib);
}

TEST(IrLibraryFile, CountFormsRoundTrip) {
    for (std::size_t count : {std::size_t{65534}, std::size_t{65535}, std::size_t{70000}}) {
        SCOPED_TRACE(count);
        CIrLibSet lib;
        lib.libName = "Many";
        lib.entries.assign(count, std::string());
        lib.entries.back() = MakeIrEntry("Last", kPlaceholder);
        const QByteArray bytes = WriteIrLibrary(lib);
        const QByteArray countBytes = bytes.mid(5, count < 65535 ? 2 : 6);
        EXPECT_EQ(countBytes,
                  count < 65535 ? Le16(unsigned(count)) : Le16(0xFFFF) + Le32(quint32(count)));
        CIrLibSet read;
        ASSERT_TRUE(ReadIrLibrary(bytes, read));
        EXPECT_EQ(read, lib);
        EXPECT_EQ(FindIrFunction(read, "Last"), int(count) - 1);
    }
}

// Tagged UTF-16 strings load as 8-bit (UTF-8) text; they are written back as 8-bit strings.
TEST(IrLibraryFile, WideStringsLoadAsEightBitText) {
    CIrLibSet lib;
    QString error;
    ASSERT_TRUE(LoadIrLibraryFile(DataPath("TeleWide.irr"), lib, &error)) << error.toStdString();
    EXPECT_EQ(lib.libName, "T\xC3\xA9l\xC3\xA9");
    ASSERT_EQ(lib.entries.size(), 2u);
    EXPECT_EQ(lib.entries[0], MakeIrEntry("Power", kPlaceholder));
    EXPECT_EQ(IrFunctionName(lib, 1), "Mute");
    EXPECT_EQ(IrEntryData(lib.entries[1]).size(), std::size_t(kIrCodeDigits));

    const QByteArray narrow = WriteIrLibrary(lib);
    EXPECT_EQ(narrow.left(7), QByteArray("\x06T\xC3\xA9l\xC3\xA9"));
    CIrLibSet again;
    ASSERT_TRUE(ReadIrLibrary(narrow, again));
    EXPECT_EQ(again, lib);
}

// Non-minimal prefixes are read as well: a short name in the 16-, 32- and 64-bit forms, and a
// tagged string whose unit count uses the 16-bit form.
TEST(IrLibraryFile, ReaderAcceptsEveryLengthForm) {
    const QByteArray tail = QByteArray::fromHex("0000");
    const QByteArray forms[] = {
        QByteArray::fromHex("ff0200") + "TV",
        QByteArray::fromHex("ffffff02000000") + "TV",
        QByteArray::fromHex("ffffffffffffff") + Le64(2) + "TV",
        QByteArray::fromHex("fffeffff0200") + QByteArray("T\0V\0", 4),
    };
    for (const auto& name : forms) {
        SCOPED_TRACE(name.toHex().toStdString());
        CIrLibSet lib;
        QString error;
        ASSERT_TRUE(ReadIrLibrary(name + tail, lib, &error)) << error.toStdString();
        EXPECT_EQ(lib.libName, "TV");
    }
}

TEST(IrLibraryFile, SaveAndLoadGiveBackTheSameBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CIrLibSet lib;
    lib.libName = "Living room";
    lib.entries = {MakeIrEntry("Power", LearnedCode('b')), MakeIrEntry("Vol+", kPlaceholder),
                   "odd entry without colon", MakeIrEntry(std::string(300, 'n'), "\x01\xFE")};
    const QString path = dir.filePath("Living room.irr");
    QString error;
    ASSERT_TRUE(SaveIrLibraryFile(path, lib, &error)) << error.toStdString();
    const QByteArray first = ReadBytes(path);
    EXPECT_EQ(first, WriteIrLibrary(lib));

    CIrLibSet read;
    ASSERT_TRUE(LoadIrLibraryFile(path, read, &error)) << error.toStdString();
    EXPECT_EQ(read, lib);
    ASSERT_TRUE(SaveIrLibraryFile(path, read, &error));
    EXPECT_EQ(ReadBytes(path), first);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Living room.irr"});
}

TEST(IrLibraryLookup, SplitsEntriesAtTheFirstColon) {
    struct Case {
        std::string entry, name, data;
    };
    const Case cases[] = {
        {"Power : 0a1b", "Power", "0a1b"},
        {"Power:1234", "Power", "1234"},
        {"  Vol + \t:  12 34  ", "Vol +", "12 34  "}, // trailing blanks of the data stay
        {"A : b : c", "A", "b : c"},
        {": 0a1b", "", ""},
        {"no colon", "", ""},
        {"", "", ""},
        {"   : x", "", "x"},
        {"Long : " + std::string(250, 'd'), "Long", std::string(kIrCodeDigits, 'd')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(IrEntryName(c.entry), c.name);
        EXPECT_EQ(IrEntryData(c.entry), c.data);
    }
    EXPECT_EQ(MakeIrEntry("Power", "0a"), "Power : 0a");
}

TEST(IrLibraryLookup, FindsFirstExactNameAndIgnoresNamelessEntries) {
    CIrLibSet lib;
    lib.libName = "TV";
    const std::string longData = "X : " + std::string(250, 'e');
    lib.entries = {": first",  "nocolon", "Power : 11", " Mute : 22",
                   "Power:33", "   : 44", longData};
    EXPECT_EQ(FindIrFunction(lib, "Power"), 2);
    EXPECT_EQ(FindIrFunction(lib, "Mute"), 3);
    EXPECT_EQ(FindIrFunction(lib, "X"), 6);
    EXPECT_EQ(FindIrFunction(lib, "power"), -1);
    EXPECT_EQ(FindIrFunction(lib, " Mute"), -1);
    EXPECT_EQ(FindIrFunction(lib, ""), -1);
    EXPECT_EQ(FindIrFunction(lib, "nocolon"), -1);

    EXPECT_EQ(IrFunctionName(lib, 3), "Mute");
    EXPECT_EQ(IrFunctionName(lib, 0), "");
    EXPECT_EQ(IrFunctionEntry(lib, 6), longData); // the whole entry, not cut
    for (int outside : {-1, 7, 1000}) {
        EXPECT_EQ(IrFunctionName(lib, outside), "");
        EXPECT_EQ(IrFunctionEntry(lib, outside), "");
    }
}

class StoreLearnedCode : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path = dir.filePath("TV.irr");
    QByteArray code = QByteArray::fromStdString(LearnedCode());

    CIrLibSet Load() {
        CIrLibSet lib;
        QString error;
        EXPECT_TRUE(LoadIrLibraryFile(path, lib, &error)) << error.toStdString();
        return lib;
    }
};

TEST_F(StoreLearnedCode, CreatesAMissingLibraryNamedAfterTheFile) {
    const QString other = dir.filePath("Hall.Amp.irr");
    QString error;
    ASSERT_TRUE(StoreLearnedIrCode(other, "Power", code, &error)) << error.toStdString();
    CIrLibSet lib;
    ASSERT_TRUE(LoadIrLibraryFile(other, lib));
    EXPECT_EQ(lib.libName, "Hall.Amp");
    EXPECT_EQ(lib.entries, std::vector<std::string>{MakeIrEntry("Power", code.toStdString())});
}

// A file name that is not UTF-8 is written under its own bytes, and names the new library.
TEST_F(StoreLearnedCode, KeepsTheBytesOfALatin1FileName) {
    const QByteArray raw = QFile::encodeName(dir.path()) + "/T\xe9l\xe9.irr";
    const QString latin = io::DecodeFileName(raw);
    QString error;
    ASSERT_TRUE(StoreLearnedIrCode(latin, "Power", code, &error)) << error.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(raw.constData(), &info), 0);
    CIrLibSet lib;
    ASSERT_TRUE(LoadIrLibraryFile(latin, lib, &error)) << error.toStdString();
    EXPECT_EQ(lib.libName, "T\xe9l\xe9");
    ASSERT_TRUE(StoreLearnedIrCode(latin, "Mute", code, &error)) << error.toStdString();
    ASSERT_TRUE(LoadIrLibraryFile(latin, lib, &error));
    EXPECT_EQ(lib.entries.size(), 2u);
    ::unlink(raw.constData()); // which the temporary folder's clean-up cannot name
}

// Learning on a disk with no room left fails with the reason and keeps the library as it was.
TEST_F(StoreLearnedCode, FullDiskKeepsTheLibrary) {
    FullFileSystem disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    CIrLibSet lib = TvLibrary();
    lib.entries.assign(20, MakeIrEntry("Power", code.toStdString()));
    const QByteArray before = WriteIrLibrary(lib);
    ASSERT_TRUE(disk.Put("TV.irr", before));
    ASSERT_TRUE(disk.Fill());
    const QString full = disk.Path("TV.irr");
    QString error;
    EXPECT_FALSE(StoreLearnedIrCode(full, "Mute", code, &error));
    EXPECT_EQ(error, full + ": cannot write: No space left on device; the file was left as it was");
    EXPECT_EQ(ReadBytes(full), before);
}

TEST_F(StoreLearnedCode, ReplacesTheFunctionOrAppendsIt) {
    CIrLibSet lib;
    lib.libName = "Stored name";
    lib.entries = {MakeIrEntry("Mute", kPlaceholder), "  Power  : " + kPlaceholder,
                   MakeIrEntry("Power", "second")};
    ASSERT_TRUE(SaveIrLibraryFile(path, lib));

    QString error;
    ASSERT_TRUE(StoreLearnedIrCode(path, "Power", code.toUpper(), &error)) << error.toStdString();
    CIrLibSet after = Load();
    EXPECT_EQ(after.libName, "Stored name");
    ASSERT_EQ(after.entries.size(), 3u);
    EXPECT_EQ(after.entries[0], lib.entries[0]);
    EXPECT_EQ(after.entries[1], MakeIrEntry("Power", code.toStdString())); // stored lower-case
    EXPECT_EQ(after.entries[2], lib.entries[2]);

    const QByteArray other = QByteArray::fromStdString(LearnedCode('c'));
    ASSERT_TRUE(StoreLearnedIrCode(path, "Vol-", other, &error)) << error.toStdString();
    after = Load();
    ASSERT_EQ(after.entries.size(), 4u);
    EXPECT_EQ(FindIrFunction(after, "Vol-"), 3);
    EXPECT_EQ(IrEntryData(after.entries[3]), other.toStdString());
}

TEST_F(StoreLearnedCode, RefusesBadCodesNamesAndDamagedFilesWithoutWriting) {
    ASSERT_TRUE(SaveIrLibraryFile(path, TvLibrary()));
    const QByteArray before = ReadBytes(path);
    struct Case {
        const char* what;
        QByteArray name, code;
        const char* message;
    };
    const Case cases[] = {
        {"short code", "Power", code.left(kIrCodeDigits - 1), "198 hexadecimal digits"},
        {"long code", "Power", code + "0", "198 hexadecimal digits"},
        {"not hex", "Power", code.left(kIrCodeDigits - 1) + "g", "198 hexadecimal digits"},
        {"empty name", "", code, "empty"},
        {"blank name", " \t", code, "empty"},
        {"colon", "Pow:er", code, "may not contain"},
        {"leading blank", " Power", code, "may not contain"},
        {"trailing blank", "Power ", code, "may not contain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_FALSE(StoreLearnedIrCode(path, c.name, c.code, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << error.toStdString();
        EXPECT_EQ(ReadBytes(path), before);
    }

    const QByteArray damaged = before.left(before.size() - 5);
    ASSERT_TRUE(WriteBytes(path, damaged));
    QString error;
    EXPECT_FALSE(StoreLearnedIrCode(path, "Power", code, &error));
    EXPECT_TRUE(error.contains("byte 5: entry 1 of 1")) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), damaged);
}

// A file renamed on a desktop that spells names in UTF-8 stands for the name's characters: a
// new library there gets the 8-bit name, as the pages and the project keep it.
TEST_F(StoreLearnedCode, AUtf8FileNameNamesTheLibraryByItsCharacters) {
    const QString utf8 = dir.filePath(QString::fromUtf8("Caf\xc3\xa9.irr"));
    QString error;
    ASSERT_TRUE(StoreLearnedIrCode(utf8, "Power", code, &error)) << error.toStdString();
    CIrLibSet lib;
    ASSERT_TRUE(LoadIrLibraryFile(utf8, lib, &error)) << error.toStdString();
    EXPECT_EQ(lib.libName, "Caf\xe9");
}

// A stored name that would leave the library folder: the file still opens, and says why its
// name names no file, so that it is shown read-only and never saved under that name.
TEST(LibraryStoredName, ANameThatWouldLeaveTheFolderIsReported) {
    struct Case {
        std::string name;
        bool refused;
    } cases[] = {
        {"TV", false},
        {"Caf\xe9", false},
        {"../../x/evil", true},
        {"/abs/path", true},
        {std::string("ev\0il", 5), true},
        {".hidden", true},
        {"line\nbreak", true},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CIrLibSet ir;
        ir.libName = c.name;
        ir.entries = {MakeIrEntry("Power", kPlaceholder)};
        CRS232LibSet rs;
        rs.libName = c.name;
        rs.functions = {Rs232Function("On", kRs232Ascii, kEndCr, "ON\r")};
        ASSERT_TRUE(WriteBytes(dir.filePath("lib.irr"), WriteIrLibrary(ir)));
        ASSERT_TRUE(WriteBytes(dir.filePath("lib.rss"), WriteRs232Library(rs)));
        CIrLibSet irRead;
        CRS232LibSet rsRead;
        ASSERT_TRUE(LoadIrLibraryFile(dir.filePath("lib.irr"), irRead));
        ASSERT_TRUE(LoadRs232LibraryFile(dir.filePath("lib.rss"), rsRead));
        EXPECT_EQ(irRead.libName, c.name);
        EXPECT_EQ(irRead.NameFault().isEmpty(), !c.refused) << irRead.NameFault().toStdString();
        EXPECT_EQ(rsRead.NameFault().isEmpty(), !c.refused) << rsRead.NameFault().toStdString();
        EXPECT_EQ(irRead.NameFault(), qz::latin1::LibraryNameFaultText(c.name));
    }
}

// Messages and the library log show an 8-bit file or function name as its characters, never as
// U+FFFD.
TEST_F(StoreLearnedCode, MessagesAndTheLogShowLatin1NamesAsCharacters) {
    const QByteArray raw = QFile::encodeName(dir.path()) + "/Caf\xe9.irr";
    const QString latin = io::DecodeFileName(raw);
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
    QString error;
    const bool stored = StoreLearnedIrCode(latin, "Pow\xe9r", code, &error);
    CIrLibSet lib;
    const bool loaded = LoadIrLibraryFile(io::DecodeFileName(raw + "x"), lib, &error);
    qInstallMessageHandler(previous);
    ASSERT_TRUE(stored);
    EXPECT_FALSE(loaded);
    const QString shown = dir.path() + QString::fromUtf8("/Caf\xc3\xa9.irr");
    EXPECT_TRUE(error.startsWith(shown + "x: cannot open")) << error.toStdString();
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0], QString::fromUtf8("stored learned code of Pow\xc3\xa9r in ") + shown);
    ::unlink(raw.constData()); // which the temporary folder's clean-up cannot name
}
