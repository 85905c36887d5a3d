// RS232 library files: the byte layout, the look-ups and the data text.
#include "Helpers.h"
#include "library/Rs232Library.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qz;
using namespace qztest;

namespace {

CRS232LibSet ProjLibrary() {
    CRS232LibSet lib;
    lib.libName = "Proj";
    lib.storedCount = 1;
    lib.functions = {Rs232Function("On", kRs232Ascii, kEndCr, "ON\r")};
    return lib;
}

} // namespace

TEST(Rs232LibraryFile, ProjExampleIsTheDocumentedBytes) {
    const QByteArray file = ReadBytes(DataPath("Proj.rss"));
    ASSERT_EQ(file.size(), 5 + 4 + 3 + 5 + 2 + 2 + 5 + 12 + 33);
    EXPECT_EQ(WriteRs232Library(ProjLibrary()), file);

    CRS232LibSet lib;
    QString error;
    ASSERT_TRUE(LoadRs232LibraryFile(DataPath("Proj.rss"), lib, &error)) << error.toStdString();
    EXPECT_EQ(lib, ProjLibrary());
    EXPECT_EQ(Rs232DataText(lib.functions[0]), "ON");
}

TEST(Rs232LibraryFile, EmptyLibraryIsNameAndZeroCount) {
    CRS232LibSet lib;
    lib.libName = "Empty";
    const QByteArray file = ReadBytes(DataPath("Empty.rss"));
    EXPECT_EQ(WriteRs232Library(lib), file);
    EXPECT_EQ(file.right(4), QByteArray::fromHex("00000000"));

    CRS232LibSet read = ProjLibrary();
    ASSERT_TRUE(ReadRs232Library(file, read));
    EXPECT_EQ(read.libName, "Empty");
    EXPECT_EQ(read.storedCount, 0);
    EXPECT_TRUE(read.functions.empty());
}

// All 33 data bytes are kept, also non-zero ones beyond the data length, and every string form
// of the names reads back.
TEST(Rs232LibraryFile, SaveAndLoadGiveBackTheSameBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CRS232LibSet lib;
    lib.libName = std::string(300, 'P');
    lib.functions = {Rs232Function("Hex", kRs232Hex, kEndNone, QByteArray::fromHex("0d0aff00")),
                     Rs232Function(std::string(70000, 'n'), kRs232Ascii, kEndCrLf, "VOL 5\r\n"),
                     Rs232Function("", kRs232Hex, kEndCr, QByteArray(33, '\xA5'))};
    lib.functions[0].data[32] = 0x7F; // beyond the data length
    const QString path = dir.filePath("Proj.rss");
    QString error;
    ASSERT_TRUE(SaveRs232LibraryFile(path, lib, &error)) << error.toStdString();
    EXPECT_EQ(lib.storedCount, 3);
    const QByteArray first = ReadBytes(path);
    EXPECT_EQ(first.mid(3 + 300, 4), Le32(3));

    CRS232LibSet read;
    ASSERT_TRUE(LoadRs232LibraryFile(path, read, &error)) << error.toStdString();
    EXPECT_EQ(read, lib);
    EXPECT_EQ(read.functions[0].data[32], 0x7F);
    ASSERT_TRUE(SaveRs232LibraryFile(path, read, &error));
    EXPECT_EQ(ReadBytes(path), first);
}

TEST(Rs232LibraryFile, SaveSetsTheStoredCountFromTheFunctions) {
    QTemporaryDir dir;
    CRS232LibSet lib = ProjLibrary();
    lib.functions.push_back(Rs232Function("Off", kRs232Ascii, kEndCr, "OFF\r"));
    lib.storedCount = 7; // stale
    const QString path = dir.filePath("Proj.rss");
    ASSERT_TRUE(SaveRs232LibraryFile(path, lib));
    EXPECT_EQ(lib.storedCount, 2);
    EXPECT_EQ(ReadBytes(path).mid(5, 4), Le32(2));
}

TEST(Rs232LibraryFile, WideStringsLoadAsEightBitText) {
    QByteArray file = QByteArray::fromHex("fffeff04") + QByteArray("P\0r\0o\0j\0", 8) + Le32(1);
    file += QByteArray::fromHex("fffeff02") + QByteArray("\xC9\0t\0", 4); // "Ét"
    file += QByteArray::fromHex("043936303001380131044556454e");          // 9600 8 1 EVEN
    file += Le32(kRs232Hex) + Le32(kEndNone) + Le32(2) + QByteArray::fromHex("0102");
    file += QByteArray(31, '\0');
    CRS232LibSet lib;
    QString error;
    ASSERT_TRUE(ReadRs232Library(file, lib, &error)) << error.toStdString();
    EXPECT_EQ(lib.libName, "Proj");
    ASSERT_EQ(lib.functions.size(), 1u);
    EXPECT_EQ(lib.functions[0].name, "\xC3\x89t");
    EXPECT_EQ(lib.functions[0].parity, "EVEN");
    EXPECT_EQ(Rs232DataText(lib.functions[0]), "01 02");
}

TEST(Rs232LibraryLookup, FindsExactNamesAndCopiesOrDefaults) {
    CRS232LibSet lib;
    lib.libName = "Proj";
    lib.functions = {Rs232Function(" On", kRs232Ascii, kEndNone, "a"),
                     Rs232Function("On", kRs232Ascii, kEndNone, "b"),
                     Rs232Function("On", kRs232Ascii, kEndNone, "c"),
                     Rs232Function("", kRs232Ascii, kEndNone, "d")};
    EXPECT_EQ(FindRs232Function(lib, "On"), 1);
    EXPECT_EQ(FindRs232Function(lib, " On"), 0);
    EXPECT_EQ(FindRs232Function(lib, "on"), -1);
    EXPECT_EQ(FindRs232Function(lib, "On "), -1);
    EXPECT_EQ(FindRs232Function(lib, ""), 3);

    EXPECT_EQ(CopyRs232Function(lib, "On"), lib.functions[1]);
    const CRS232LibFun none = CopyRs232Function(lib, "Off");
    EXPECT_EQ(none, CRS232LibFun{});
    EXPECT_TRUE(none.name.empty() && none.baudRate.empty() && none.parity.empty());
    EXPECT_EQ(none.dataLength, 0);
    EXPECT_EQ(none.data, (std::array<unsigned char, kRs232DataSize>{}));
}

TEST(Rs232LibraryLookup, DataText) {
    struct Case {
        const char* what;
        std::int32_t format, endChar, dataLength;
        QByteArray data;
        std::string text;
    };
    const Case cases[] = {
        {"hex pairs", kRs232Hex, kEndNone, 3, QByteArray::fromHex("0d0aff"), "0d 0a ff"},
        {"hex ignores end characters", kRs232Hex, kEndCrLf, 2, QByteArray::fromHex("0d0a"),
         "0d 0a"},
        {"hex with zero bytes", kRs232Hex, kEndNone, 3, QByteArray::fromHex("00a000"), "00 a0 00"},
        {"hex length 0", kRs232Hex, kEndNone, 0, QByteArray::fromHex("41"), ""},
        {"hex full area", kRs232Hex, kEndNone, 33, QByteArray(33, '\x10'),
         [] {
             std::string s = "10";
             for (int i = 1; i < 33; ++i)
                 s += " 10";
             return s;
         }()},
        {"ascii without end", kRs232Ascii, kEndNone, 2, "ON", "ON"},
        {"ascii with CR", kRs232Ascii, kEndCr, 3, "ON\r", "ON"},
        {"ascii with CR LF", kRs232Ascii, kEndCrLf, 4, "ON\r\n", "ON"},
        {"ascii CR LF length 1", kRs232Ascii, kEndCrLf, 1, "\r", ""},
        {"ascii CR length 0", kRs232Ascii, kEndCr, 0, "", ""},
        {"ascii stops at zero", kRs232Ascii, kEndNone, 5, QByteArray("AB\0CD", 5), "AB"},
        {"ascii cut to the length", kRs232Ascii, kEndNone, 2, "ABCD", "AB"},
        {"ascii full area without zero", kRs232Ascii, kEndNone, 33, QByteArray(33, 'z'),
         std::string(33, 'z')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRS232LibFun fun = Rs232Function("F", c.format, c.endChar, c.data);
        fun.dataLength = c.dataLength;
        EXPECT_EQ(Rs232DataText(fun), c.text);
    }
}

// A function in memory with values the reader would refuse is not written: the old file stays.
TEST(Rs232LibraryFile, SaveRefusesValuesOutOfRange) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Proj.rss");
    CRS232LibSet good = ProjLibrary();
    ASSERT_TRUE(SaveRs232LibraryFile(path, good));
    const QByteArray before = ReadBytes(path);
    struct Case {
        const char* what;
        std::int32_t format, endChar, dataLength;
        const char* message;
    };
    const Case cases[] = {
        {"format", 2, 0, 1, "function 2 of 2: format 2 out of range"},
        {"end characters", 0, -1, 1, "function 2 of 2: end characters -1 out of range"},
        {"data length", 1, 0, 34, "function 2 of 2: data length 34 out of range"},
        {"negative length", 1, 0, -1, "function 2 of 2: data length -1 out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CRS232LibSet lib = good;
        CRS232LibFun bad = Rs232Function("Bad", c.format, c.endChar, "x");
        bad.dataLength = c.dataLength;
        lib.functions.push_back(bad);
        QString error;
        EXPECT_FALSE(SaveRs232LibraryFile(path, lib, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << error.toStdString();
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_TRUE(WriteRs232Library(lib).isEmpty());
    }
}
