// File names that are not UTF-8 keep their bytes from the command line to the file system and
// back into messages; valid UTF-8 reads as Qt reads it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "io/FileName.h"
#include "io/WholeFile.h"

namespace {

using qz::io::DecodeFileName;
using qz::io::EncodeFileName;

TEST(FileName, EveryByteSequenceComesBackUnchanged) {
    const QByteArray names[] = {
        "plain.qzp",
        "caf\xc3\xa9.qzp",       // UTF-8
        "caf\xe9.qzp",           // Latin-1
        "\xff\xfe\x80",          // no UTF-8 at all
        "\xe2\x82",              // a sequence cut short at the end
        "\xe2\x82x\xe2\x82\xac", // cut short, then a whole one
        "\xc0\xaf",              // overlong "/"
        "\xed\xa0\x80",          // an encoded surrogate
        "\xf4\x90\x80\x80",      // above U+10FFFF
        "\xf0\x9f\x98\x80\xe9",  // a character outside the BMP, then a kept byte
        "\xed\xb3\xa9",          // the encoded surrogate U+DCE9 itself
        QByteArray("a\0b", 3),
    };
    for (const QByteArray& name : names) {
        SCOPED_TRACE(name.toHex().toStdString());
        EXPECT_EQ(EncodeFileName(DecodeFileName(name)), name);
    }
}

TEST(FileName, ValidUtf8ReadsAsQtReadsItAndKeptBytesAreMarked) {
    EXPECT_EQ(DecodeFileName("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(DecodeFileName("\xf0\x9f\x98\x80"), QString::fromUtf8("\xf0\x9f\x98\x80"));
    const QString latin = DecodeFileName("caf\xe9.qzp");
    ASSERT_EQ(latin.size(), 8);
    EXPECT_EQ(latin.at(3).unicode(), 0xDCE9);
    EXPECT_TRUE(latin.endsWith(".qzp"));
    // Qt's own conversion loses the byte: that is what these functions are for.
    EXPECT_NE(QFile::encodeName(QFile::decodeName("caf\xe9.qzp")), QByteArray("caf\xe9.qzp"));
}

// Files made under a Latin-1 name (with the system's calls, as another program would) are read
// and replaced under that name, and nothing else appears in the folder.
TEST(FileName, ReadAndWriteReachTheFileOfThatName) {
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray raw = folder + "/caf\xe9.qzp";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "old", 3), 3);
    ::close(fd);

    const QString path = DecodeFileName(raw);
    QByteArray bytes;
    QString error;
    ASSERT_TRUE(qz::io::ReadWholeFile(path, 100, bytes, &error)) << error.toStdString();
    EXPECT_EQ(bytes, "old");
    ASSERT_TRUE(qz::io::WriteWholeFile(path, "new", &error)) << error.toStdString();
    ASSERT_TRUE(qz::io::ReadWholeFile(path, 100, bytes, &error));
    EXPECT_EQ(bytes, "new");
    EXPECT_TRUE(qz::io::Exists(path));

    QList<QByteArray> entries;
    DIR* d = ::opendir(folder.constData());
    ASSERT_NE(d, nullptr);
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] != '.') {
            entries << QByteArray(e->d_name);
        }
    }
    ::closedir(d);
    EXPECT_EQ(entries, QList<QByteArray>{"caf\xe9.qzp"});

    // A message names the file with its own bytes.
    EXPECT_FALSE(qz::io::ReadWholeFile(DecodeFileName(folder + "/gon\xe9"), 100, bytes, &error));
    EXPECT_EQ(EncodeFileName(error), folder + "/gon\xe9: cannot open: No such file or directory");
}

} // namespace
