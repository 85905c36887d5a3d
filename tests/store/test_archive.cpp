// The length-prefixed string, count and integer encodings shared by the file formats.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "StoreTestHelpers.h"
#include "io/Archive.h"

namespace {

using namespace qztest;

using qz::ArchiveReader;
using qz::ArchiveWriter;

struct PrefixCase {
    std::size_t length;
    std::string prefix;
};

class StringPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(StringPrefix, WritesShortestFormAndReadsItBack) {
    const PrefixCase& c = GetParam();
    std::string text(c.length, 'x');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    ArchiveWriter w;
    w.WriteString(text);
    ASSERT_EQ(w.Bytes().size(), c.prefix.size() + c.length);
    EXPECT_EQ(w.Bytes().substr(0, c.prefix.size()), c.prefix);
    EXPECT_EQ(qz::EncodedStringSize(c.length), w.Bytes().size());

    ArchiveReader r(w.Bytes());
    std::string back;
    ASSERT_TRUE(r.ReadString(back)) << r.Error();
    EXPECT_EQ(back, text);
    EXPECT_TRUE(r.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, StringPrefix,
    ::testing::Values(PrefixCase{0, Bytes({0x00})}, PrefixCase{1, Bytes({0x01})},
                      PrefixCase{254, Bytes({0xFE})}, PrefixCase{255, Bytes({0xFF, 0xFF, 0x00})},
                      PrefixCase{256, Bytes({0xFF, 0x00, 0x01})},
                      PrefixCase{65533, Bytes({0xFF, 0xFD, 0xFF})},
                      PrefixCase{65534, Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00})},
                      PrefixCase{65535, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00})},
                      PrefixCase{70000, Bytes({0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})}));

struct ReadCase {
    const char* what;
    std::string input;
    std::string expected;
};

class StringForms : public ::testing::TestWithParam<ReadCase> {};

TEST_P(StringForms, ReaderAcceptsEveryForm) {
    const ReadCase& c = GetParam();
    ArchiveReader r(c.input);
    std::string s;
    ASSERT_TRUE(r.ReadString(s)) << r.Error();
    EXPECT_EQ(s, c.expected);
    EXPECT_TRUE(r.AtEnd());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, StringForms,
    ::testing::Values(
        ReadCase{"empty", Bytes({0}), ""},
        ReadCase{"16-bit form of a short string", Bytes({0xFF, 3, 0}) + "abc", "abc"},
        ReadCase{"32-bit form of a short string", Bytes({0xFF, 0xFF, 0xFF, 3, 0, 0, 0}) + "abc",
                 "abc"},
        ReadCase{"64-bit form",
                 Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0, 0, 0}) + "ab",
                 "ab"},
        ReadCase{"UTF-16 tagged, ASCII", Bytes({0xFF, 0xFE, 0xFF, 2, 'U', 0, 'p', 0}), "Up"},
        ReadCase{"UTF-16 tagged, Latin letters become UTF-8",
                 Bytes({0xFF, 0xFE, 0xFF, 2, 'H', 0, 0xE9, 0}), "H\xC3\xA9"},
        ReadCase{"UTF-16 tagged, CJK", Bytes({0xFF, 0xFE, 0xFF, 1, 0x2D, 0x4E}), "\xE4\xB8\xAD"},
        ReadCase{"UTF-16 tagged, surrogate pair",
                 Bytes({0xFF, 0xFE, 0xFF, 2, 0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
        ReadCase{"UTF-16 tagged, unpaired surrogates",
                 Bytes({0xFF, 0xFE, 0xFF, 3, 0x3D, 0xD8, 'a', 0, 0x00, 0xDE}), "?a?"},
        ReadCase{"UTF-16 tagged, empty", Bytes({0xFF, 0xFE, 0xFF, 0}), ""},
        // After the tag, 0xFFFE is an ordinary 16-bit length, not a second tag.
        ReadCase{"UTF-16 tagged, 16-bit length", Bytes({0xFF, 0xFE, 0xFF, 0xFF, 1, 0, 'Z', 0}),
                 "Z"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) {
        std::string name;
        for (char ch : std::string(info.param.what)) {
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

TEST(Archive, LongWideStringsReadInEveryForm) {
    for (std::size_t units : {254u, 255u, 65533u, 65534u, 70000u}) {
        std::u16string text(units, u'\u00E9');
        ArchiveWriter w;
        w.WriteWideString(text);
        ArchiveReader r(w.Bytes());
        std::string s;
        ASSERT_TRUE(r.ReadString(s)) << units << ": " << r.Error();
        EXPECT_EQ(s.size(), 2 * units);
        EXPECT_EQ(s.substr(0, 2), "\xC3\xA9");
        EXPECT_TRUE(r.AtEnd());
    }
}

TEST(Archive, IntegersAreLittleEndian) {
    ArchiveWriter w;
    w.WriteInt32(-2);
    w.WriteUInt16(0x1234);
    w.WriteUInt32(0xA1B2C3D4u);
    EXPECT_EQ(w.Bytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1}));
    ArchiveReader r(w.Bytes());
    std::int32_t i = 0;
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    EXPECT_TRUE(r.ReadInt32(i));
    EXPECT_TRUE(r.ReadUInt16(u16));
    EXPECT_TRUE(r.ReadUInt32(u32));
    EXPECT_EQ(i, -2);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0xA1B2C3D4u);
}

TEST(Archive, CountForms) {
    struct Case {
        std::uint64_t count;
        std::string bytes;
    };
    for (const Case& c :
         {Case{0, Bytes({0, 0})}, Case{1, Bytes({1, 0})}, Case{65534, Bytes({0xFE, 0xFF})},
          Case{65535, Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0})},
          Case{70000, Bytes({0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00})}}) {
        ArchiveWriter w;
        w.WriteCount(c.count);
        EXPECT_EQ(w.Bytes(), c.bytes) << c.count;
        // A count is only accepted when its elements can fit in what follows.
        std::string input = c.bytes + std::string(c.count, '\0');
        ArchiveReader r(input);
        std::uint32_t n = 0;
        EXPECT_TRUE(r.ReadCount(n)) << r.Error();
        EXPECT_EQ(n, c.count);
    }
}

TEST(Archive, StringArrayLayout) {
    ArchiveWriter w;
    w.WriteStringArray({});
    w.WriteStringArray({""});
    w.WriteStringArray({"R", "ab"});
    EXPECT_EQ(w.Bytes(), Bytes({0, 0, 1, 0, 0, 2, 0, 1, 'R', 2, 'a', 'b'}));
    ArchiveReader r(w.Bytes());
    std::vector<std::string> a;
    ASSERT_TRUE(r.ReadStringArray(a));
    EXPECT_TRUE(a.empty());
    ASSERT_TRUE(r.ReadStringArray(a));
    EXPECT_EQ(a, std::vector<std::string>{""});
    ASSERT_TRUE(r.ReadStringArray(a));
    EXPECT_EQ(a, (std::vector<std::string>{"R", "ab"}));
    EXPECT_TRUE(r.ExpectEnd());
}

TEST(Archive, StringArrayOf70000Elements) {
    std::vector<std::string> values(70000, "x");
    values.back() = std::string(300, 'y');
    ArchiveWriter w;
    w.WriteStringArray(values);
    EXPECT_EQ(w.Bytes().substr(0, 6), Bytes({0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
    ArchiveReader r(w.Bytes());
    std::vector<std::string> back;
    ASSERT_TRUE(r.ReadStringArray(back)) << r.Error();
    EXPECT_EQ(back, values);
}

struct BadCase {
    const char* what;
    std::string input;
    int reads; // 0: string, 1: count, 2: string array, 3: int32
    std::size_t offset;
    const char* message;
};

class BadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadInput, FailsWithOffsetAndText) {
    const BadCase& c = GetParam();
    std::string prefix = "1234"; // errors are reported at file offsets, not item offsets
    const std::string input = prefix + c.input;
    ArchiveReader r(input);
    std::int32_t skip = 0;
    ASSERT_TRUE(r.ReadInt32(skip));
    std::string s;
    std::uint32_t n = 99;
    std::vector<std::string> a{"old"};
    std::int32_t i = 99;
    bool ok = true;
    switch (c.reads) {
    case 0:
        ok = r.ReadString(s);
        EXPECT_TRUE(s.empty());
        break;
    case 1:
        ok = r.ReadCount(n);
        EXPECT_EQ(n, 0u);
        break;
    case 2:
        ok = r.ReadStringArray(a);
        EXPECT_TRUE(a.empty());
        break;
    default:
        ok = r.ReadInt32(i);
        EXPECT_EQ(i, 0);
        break;
    }
    EXPECT_FALSE(ok);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.ErrorOffset(), c.offset + 4);
    EXPECT_EQ(r.ErrorText(), c.message);
    EXPECT_EQ(r.Error(), "byte " + std::to_string(c.offset + 4) + ": " + c.message);
    // The first failure sticks: later reads fail too and do not change the report.
    EXPECT_FALSE(r.ReadInt32(i));
    EXPECT_EQ(r.ErrorOffset(), c.offset + 4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(
        BadCase{"no prefix", "", 0, 0, "file ends inside a string length"},
        BadCase{"cut 16-bit prefix", Bytes({0xFF, 0x01}), 0, 1, "file ends inside a string length"},
        BadCase{"cut 32-bit prefix", Bytes({0xFF, 0xFF, 0xFF, 1, 0}), 0, 3,
                "file ends inside a string length"},
        BadCase{"cut 64-bit prefix", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1}), 0, 7,
                "file ends inside a string length"},
        BadCase{"short string", Bytes({5}) + "ab", 0, 0,
                "string of 5 bytes runs past the end (2 bytes left)"},
        BadCase{"huge 32-bit length", Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}), 0, 0,
                "string of 4294967294 bytes runs past the end (0 bytes left)"},
        BadCase{"64-bit length of 2^31",
                Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80, 0, 0, 0, 0}), 0, 0,
                "string length 2147483648 out of range"},
        BadCase{"wide string with odd bytes", Bytes({0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b'}), 0, 0,
                "string of 4 bytes runs past the end (3 bytes left)"},
        BadCase{"cut count", Bytes({1}), 1, 0, "file ends inside a count"},
        BadCase{"cut 32-bit count", Bytes({0xFF, 0xFF, 1, 0}), 1, 2, "file ends inside a count"},
        BadCase{"count beyond the end", Bytes({3, 0, 0, 0}), 1, 0,
                "count 3 cannot fit in the 2 bytes left"},
        BadCase{"huge count", Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 1, 0,
                "count 4294967295 cannot fit in the 0 bytes left"},
        BadCase{"array element past the end", Bytes({2, 0, 1, 'a', 3, 'b'}), 2, 4,
                "string of 3 bytes runs past the end (1 bytes left)"},
        BadCase{"cut integer", Bytes({1, 2, 3}), 3, 0, "file ends inside a 32-bit integer"}));

TEST(Archive, ExpectEndReportsTrailingBytes) {
    const std::string input = Bytes({1, 'a', 7, 7});
    ArchiveReader r(input);
    std::string s;
    ASSERT_TRUE(r.ReadString(s));
    EXPECT_FALSE(r.ExpectEnd());
    EXPECT_EQ(r.Error(), "byte 2: 2 trailing bytes after the end");
}

TEST(Archive, CallerFailureKeepsFirst) {
    const std::string input = Bytes({1, 2, 3, 4});
    ArchiveReader r(input);
    EXPECT_FALSE(r.Fail(0, "device model 7 out of range"));
    EXPECT_FALSE(r.Fail(2, "later"));
    EXPECT_EQ(r.Error(), "byte 0: device model 7 out of range");
}

TEST(Archive, EmptyInput) {
    ArchiveReader r(nullptr, 0);
    EXPECT_TRUE(r.AtEnd());
    EXPECT_TRUE(r.ExpectEnd());
    std::string s;
    EXPECT_FALSE(r.ReadString(s));
}

} // namespace
