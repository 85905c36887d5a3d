// `qzctl show` listings of library files: what they print and their exit status.
#include "Helpers.h"
#include "ShowLibrary.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qz;
using namespace qztest;

namespace {

struct Shown {
    int status;
    std::string out, err;
};

Shown Show(int (*show)(const char*), const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = show(name.constData());
    Shown shown{status, testing::internal::GetCapturedStdout(), ""};
    shown.err = testing::internal::GetCapturedStderr();
    return shown;
}

} // namespace

TEST(ShowLibrary, ListsIrFunctions) {
    QTemporaryDir dir;
    CIrLibSet lib;
    lib.libName = "TV";
    const std::string code(kIrCodeDigits, 'c');
    lib.entries = {MakeIrEntry("Power", std::string(kIrPlaceholderLength, 'F')),
                   MakeIrEntry("Volume up", code), "no colon\x01", MakeIrEntry("Odd", "12 34")};
    const QString path = dir.filePath("TV.irr");
    ASSERT_TRUE(SaveIrLibraryFile(path, lib));
    const Shown shown = Show(qzctl::ShowIrLibrary, path);
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out, "IR library \"TV\", 4 functions\n"
                         "  1  Power      not learned\n"
                         "  2  Volume up  learned " +
                             code +
                             "\n"
                             "  3  -          no name: \"no colon\\x01\"\n"
                             "  4  Odd        data \"12 34\"\n");

    const Shown empty = Show(qzctl::ShowIrLibrary, DataPath("Empty.irr"));
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "IR library \"Empty\", 0 functions\n");
}

TEST(ShowLibrary, ListsRs232Functions) {
    QTemporaryDir dir;
    CRS232LibSet lib;
    ASSERT_TRUE(LoadRs232LibraryFile(DataPath("Proj.rss"), lib));
    CRS232LibFun hex = lib.functions[0];
    hex.name = "Input HDMI";
    hex.baudRate = "115200";
    hex.format = kRs232Hex;
    hex.dataLength = 4;
    hex.data = {0x0d, 0x0a, 0xff, 0x00};
    lib.functions.push_back(hex);
    const QString path = dir.filePath("Proj.rss");
    ASSERT_TRUE(SaveRs232LibraryFile(path, lib));
    const Shown shown = Show(qzctl::ShowRs232Library, path);
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.err, "");
    EXPECT_EQ(shown.out, "RS232 library \"Proj\", 2 functions\n"
                         "  1  On          9600 8 1 NONE    ASCII+CR    3 bytes   \"ON\"\n"
                         "  2  Input HDMI  115200 8 1 NONE  hex         4 bytes   0d 0a ff 00\n");
}

// Bytes after the last entry are never read: the listing is that of the library, and a note on
// stderr tells that they are there.
TEST(ShowLibrary, NotesBytesAfterTheLastEntry) {
    QTemporaryDir dir;
    const QString ir = dir.filePath("Tail.irr");
    ASSERT_TRUE(WriteBytes(ir, ReadBytes(DataPath("Empty.irr")) + "abc"));
    const Shown irShown = Show(qzctl::ShowIrLibrary, ir);
    EXPECT_EQ(irShown.status, 0);
    EXPECT_EQ(irShown.out, "IR library \"Empty\", 0 functions\n");
    EXPECT_EQ(irShown.err,
              "qzctl: " + ir.toStdString() + ": 3 bytes after the last entry are ignored\n");

    const QString rss = dir.filePath("Tail.rss");
    ASSERT_TRUE(WriteBytes(rss, ReadBytes(DataPath("Proj.rss")) + '\0'));
    const Shown rssShown = Show(qzctl::ShowRs232Library, rss);
    EXPECT_EQ(rssShown.status, 0);
    EXPECT_EQ(rssShown.out, Show(qzctl::ShowRs232Library, DataPath("Proj.rss")).out);
    EXPECT_EQ(rssShown.err,
              "qzctl: " + rss.toStdString() + ": 1 bytes after the last function are ignored\n");
}

// A stored name that would leave the library folder is listed as it is and said on stderr.
TEST(ShowLibrary, SaysWhenTheStoredNameNamesNoFile) {
    QTemporaryDir dir;
    CIrLibSet ir;
    ir.libName = "../../x/evil";
    CRS232LibSet rs;
    rs.libName = "/abs/path";
    const QString irPath = dir.filePath("Evil.irr");
    const QString rsPath = dir.filePath("Evil.rss");
    ASSERT_TRUE(SaveIrLibraryFile(irPath, ir));
    ASSERT_TRUE(SaveRs232LibraryFile(rsPath, rs));
    const Shown irShown = Show(qzctl::ShowIrLibrary, irPath);
    EXPECT_EQ(irShown.status, 0);
    EXPECT_EQ(irShown.out, "IR library \"../../x/evil\", 0 functions\n");
    EXPECT_EQ(irShown.err,
              "qzctl: " + irPath.toStdString() + ": " + ir.NameFault().toStdString() + "\n");
    const Shown rsShown = Show(qzctl::ShowRs232Library, rsPath);
    EXPECT_EQ(rsShown.err,
              "qzctl: " + rsPath.toStdString() + ": " + rs.NameFault().toStdString() + "\n");
    EXPECT_NE(rsShown.err.find("cannot be used"), std::string::npos);
}

// A missing file is a failure (1); a damaged one is bad input (2), told with its byte offset.
TEST(ShowLibrary, ReportsUnreadableAndDamagedFiles) {
    QTemporaryDir dir;
    const QString cut = dir.filePath("cut.rss");
    ASSERT_TRUE(WriteBytes(cut, ReadBytes(DataPath("Proj.rss")).left(70)));
    const QString missing = dir.filePath("missing.irr");

    const Shown gone = Show(qzctl::ShowIrLibrary, missing);
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.out, "");
    EXPECT_EQ(gone.err.rfind("qzctl: " + missing.toStdString() + ": cannot open", 0), 0u)
        << gone.err;

    const Shown damaged = Show(qzctl::ShowRs232Library, cut);
    EXPECT_EQ(damaged.status, 2);
    EXPECT_EQ(damaged.out, "");
    EXPECT_EQ(damaged.err, "qzctl: " + cut.toStdString() +
                               ": byte 38: function 1 of 1: file ends inside the 33 data bytes "
                               "(32 bytes left)\n");

    // An RS232 file read as an IR library reads as a name, a count of 1 and an empty entry; the
    // note tells that most of the file was not read.
    const Shown wrongKind = Show(qzctl::ShowIrLibrary, DataPath("Proj.rss"));
    EXPECT_EQ(wrongKind.status, 0);
    EXPECT_EQ(wrongKind.err, "qzctl: " + DataPath("Proj.rss").toStdString() +
                                 ": 63 bytes after the last entry are ignored\n");
}
