// The one rule for 8-bit text: conversions both ways, what is refused, library names that could
// leave the library folder, and the two spellings of a library's file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "io/FileName.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"

#include <fstream>

namespace {

using namespace qz::latin1;

TEST(Latin1, TextBothWays) {
    struct Case {
        QString text;
        std::optional<std::string> bytes;
    } cases[] = {
        {QStringLiteral("Power"), std::string("Power")},
        {QString::fromUtf8("Caf\xc3\xa9"), std::string("Caf\xe9")},
        {QString::fromUtf8("\xc3\xbf"), std::string("\xff")}, // U+00FF, the last one kept
        {QString(QChar(0)) + "a", std::string("\0a", 2)},
        {QString::fromUtf8("\xce\xa9"), std::nullopt},         // Ω
        {QString::fromUtf8("a\xe2\x82\xac"), std::nullopt},    // €
        {QString::fromUtf8("\xf0\x9f\x98\x80"), std::nullopt}, // outside the BMP
        {QString(QChar(0x100)), std::nullopt},                 // the first one refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(ToBytes(c.text), c.bytes);
        EXPECT_EQ(OutsideMessage(c.text, "Key name").isEmpty(), c.bytes.has_value());
        if (c.bytes) {
            EXPECT_EQ(ToQString(*c.bytes), c.text); // and back, character for character
        }
    }
    // Bytes are never decoded as UTF-8: the two bytes of "é" in UTF-8 stay two characters.
    EXPECT_EQ(ToQString(std::string("\xc3\xa9")).size(), 2);
    EXPECT_EQ(ForTerminal("Caf\xe9"), QByteArray("Caf\xc3\xa9"));
}

TEST(Latin1, APathInAMessageShowsItsKeptBytesAsCharacters) {
    EXPECT_EQ(ShownPath(qz::io::DecodeFileName("/lib/Caf\xe9.irr")),
              QString::fromUtf8("/lib/Caf\xc3\xa9.irr"));
    // UTF-8 names stay as they are, also a character outside the BMP whose second half lies in
    // the range of the kept bytes (U+1F080 is D83C DC80).
    const QString utf8 = QString::fromUtf8("/lib/Caf\xc3\xa9 \xf0\x9f\x82\x80.irr");
    EXPECT_EQ(ShownPath(utf8), utf8);
}

TEST(Latin1, TheMessageNamesThePlaceAndTheCharacter) {
    const QString message = OutsideMessage(QString::fromUtf8("ab\xce\xa9"), "keys[2].keyName");
    EXPECT_TRUE(message.startsWith("keys[2].keyName: "));
    EXPECT_TRUE(message.contains(QString::fromUtf8("\"\xce\xa9\" (U+03A9)")));
    const QString emoji = OutsideMessage(QString::fromUtf8("\xf0\x9f\x98\x80"), "Name");
    EXPECT_TRUE(emoji.contains("(U+1F600)")) << emoji.toStdString();
}

TEST(Latin1, WhatACommandLineArgumentStandsFor) {
    struct Case {
        QByteArray typed;
        std::string name;
        std::vector<std::string> lookups;
    } cases[] = {
        {"Screen", "Screen", {"Screen"}},
        {"Caf\xc3\xa9", "Caf\xe9", {"Caf\xe9", "Caf\xc3\xa9"}}, // typed on a UTF-8 terminal
        {"Caf\xe9", "Caf\xe9", {"Caf\xe9"}},                    // already 8-bit
        {"\xce\xa9", "\xce\xa9", {"\xce\xa9"}},                 // a character that cannot be kept
        {"a\xc3", "a\xc3", {"a\xc3"}},                          // a sequence cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toHex().toStdString());
        EXPECT_EQ(NameFromArgument(c.typed), c.name);
        EXPECT_EQ(ArgumentNames(c.typed), c.lookups);
    }
}

TEST(Latin1, LibraryNamesThatCouldLeaveTheFolder) {
    struct Case {
        std::string name;
        NameFault fault;
    } cases[] = {
        {"Screen", NameFault::None},
        {"Caf\xe9", NameFault::None},
        {"TV 2.1", NameFault::None},
        {"a.b.", NameFault::None},
        {"", NameFault::Empty},
        {"../../x/evil", NameFault::Separator},
        {"/abs/path", NameFault::Separator},
        {"x\\y", NameFault::Separator},
        {"..", NameFault::DotDot},
        {"a..b", NameFault::DotDot},
        {".hidden", NameFault::LeadingDot},
        {".", NameFault::LeadingDot},
        {std::string("ev\0il", 5), NameFault::Nul},
        {"line\nbreak", NameFault::Control},
        {"del\x7f", NameFault::Control},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LibraryNameFault(c.name), c.fault);
        EXPECT_EQ(LibraryNameFaultText(c.name).isEmpty(), c.fault == NameFault::None);
        EXPECT_EQ(FindLibraryFile("/lib", c.name, ".irr").isEmpty(), c.fault != NameFault::None);
    }
    // The message shows a control byte as an escape, so that it stays one line.
    EXPECT_FALSE(LibraryNameFaultText("line\nbreak").contains('\n'));
}

TEST(Latin1, ALibraryIsFoundUnderEitherSpelling) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString own = dir.filePath(qz::io::DecodeFileName("Caf\xe9.irr"));
    const QString utf8 = dir.filePath(QString::fromUtf8("Caf\xc3\xa9.irr"));
    // Neither there: a new library is written under the name's own bytes.
    EXPECT_EQ(FindLibraryFile(dir.path(), "Caf\xe9", ".irr"), own);
    // Only the UTF-8 spelling there: that one. The files are made as the editors make them,
    // through the io layer, so that the own spelling is the raw byte on disk.
    ASSERT_TRUE(qz::io::WriteWholeFile(utf8, "x", nullptr));
    EXPECT_EQ(FindLibraryFile(dir.path(), "Caf\xe9", ".irr"), utf8);
    // Both: the own bytes win.
    ASSERT_TRUE(qz::io::WriteWholeFile(own, "x", nullptr));
    EXPECT_EQ(FindLibraryFile(dir.path(), "Caf\xe9", ".irr"), own);
    EXPECT_TRUE(std::ifstream(dir.path().toStdString() + "/Caf\xe9.irr").is_open());
    // The own spelling alone.
    ASSERT_TRUE(QFile::remove(utf8));
    EXPECT_EQ(FindLibraryFile(dir.path(), "Caf\xe9", ".irr"), own);
    // Qt's own remove cannot name it, nor can the temporary folder's clean-up.
    EXPECT_EQ(::unlink(qz::io::EncodeFileName(own).constData()), 0);
    // A plain ASCII name has one spelling.
    EXPECT_TRUE(LibraryFilePaths(dir.path(), "TV", ".rss").utf8.isEmpty());
}

TEST(Latin1, TheNameOfALibraryFile) {
    struct Case {
        QString file;
        std::optional<std::string> name;
    } cases[] = {
        {"/lib/Screen.irr", std::string("Screen")},
        {"/lib/Screen.IRR", std::string("Screen")},
        {qz::io::DecodeFileName("/lib/Caf\xe9.irr"), std::string("Caf\xe9")},
        {QString::fromUtf8("/lib/Caf\xc3\xa9.irr"), std::string("Caf\xe9")},
        {QString::fromUtf8("/lib/\xce\xa9.irr"), std::string("\xce\xa9")}, // kept as its bytes
        {"/lib/.irr", std::nullopt},
        {"/lib/.hidden.irr", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        EXPECT_EQ(LibraryNameOfFile(c.file, ".irr"), c.name);
    }
}

} // namespace
