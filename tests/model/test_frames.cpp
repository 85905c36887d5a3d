// Frame building, the system frames and the checks on received frames.
#include <gtest/gtest.h>

#include "Helpers.h"
#include "model/KvqCmd.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"

using namespace qz;

namespace {

std::string Build(void (*make)(CKvqCmd&)) {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    make(cmd);
    return cmd.Bytes();
}

} // namespace

TEST(Frames, FixedFramesAreReproducedByTheBuilder) {
    EXPECT_EQ(Build([](CKvqCmd& c) { c.MakeLearnIrFrame(); }), "KVQ000603NONE93ENND");
    EXPECT_EQ(Build([](CKvqCmd& c) { c.MakeFixedFrame(2, "CONE"); }), kConnectFrame);
    EXPECT_EQ(Build([](CKvqCmd& c) { c.MakeFixedFrame(1, "CLRE"); }), kClearFrame);
    EXPECT_EQ(Build([](CKvqCmd& c) { c.MakeFixedFrame(81, "CLRE"); }), kClearFrame81);
}

TEST(Frames, SystemFrames) {
    struct Case {
        const char* what;
        void (*make)(CKvqCmd&);
        std::string expectedBody; // offsets 7 .. 6+L
    };
    const Case cases[] = {
        {"SYSI without ID", [](CKvqCmd& c) { c.MakeSysIdFrame(0); }, "31SYSI00"},
        {"SYSI 42", [](CKvqCmd& c) { c.MakeSysIdFrame(42); }, "31SYSI42"},
        {"UAIR mode 3", [](CKvqCmd& c) { c.MakePortModeFrame(3); }, "35UAIR3"},
        {"KYNA short name", [](CKvqCmd& c) { c.MakeKeyNameFrame(0, "AB"); }, "33KYNA01  AB"},
        {"KYNA long name", [](CKvqCmd& c) { c.MakeKeyNameFrame(35, "Lights"); }, "33KYNA36Ligh"},
        {"KYNA empty name", [](CKvqCmd& c) { c.MakeKeyNameFrame(9, ""); }, "33KYNA10    "},
        {"KYSG group 3 keys 1 and 9", [](CKvqCmd& c) { c.MakeKeyGroupFrame(0x101, 3); },
         std::string("32KYSG03\x00\x00\x01\x01", 12)},
        {"LIPR level 12 sends 9", [](CKvqCmd& c) { c.MakeLedLevelFrame(12, 4); }, "34LIPR059"},
        {"LIPR level 0", [](CKvqCmd& c) { c.MakeLedLevelFrame(0, 0); }, "34LIPR010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string frame = Build(c.make);
        const std::string& body = c.expectedBody;
        char head[8];
        std::snprintf(head, sizeof head, "KVQ%04d", static_cast<int>(body.size()));
        char sum[3];
        std::snprintf(sum, sizeof sum, "%02X", CKvqCmd::Checksum(body.data(), int(body.size())));
        EXPECT_EQ(frame, std::string(head) + body + sum + "ENND");
        CKvqCmd received(frame.data(), int(frame.size()));
        EXPECT_TRUE(received.IsFrameComplete());
        EXPECT_TRUE(received.IsFrameSumValid());
    }
}

TEST(Frames, ChecksumAddsHighBytesUnsignedAndWraps) {
    const std::string bytes = "\x80\xFF\x01";
    EXPECT_EQ(CKvqCmd::Checksum(bytes.data(), 3), (0x80u + 0xFF + 0x01) & 0xFF);
    // A key mask of all ones puts four 0xFF bytes into the sum.
    const std::string frame = Build([](CKvqCmd& c) { c.MakeKeyGroupFrame(0xFFFFFFFF, 32); });
    unsigned sum = 0;
    for (char c : std::string("32KYSG32")) {
        sum += static_cast<unsigned char>(c);
    }
    sum = (sum + 4 * 0xFF) & 0xFF;
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", sum);
    EXPECT_EQ(frame.substr(19, 2), expected);
}

TEST(Frames, BufferKeepsItsFillBeyondTheFrame) {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.MakeKeyNameFrame(3, "Hall");
    const int end = cmd.Length();
    EXPECT_EQ(buffer.bytes[end], '\0');
    for (int i = end + 1; i < kFrameBufferSize - 1; ++i) {
        ASSERT_EQ(buffer.bytes[i], '-') << "at " << i;
    }
    EXPECT_EQ(buffer.bytes[kFrameBufferSize - 1], '\0');
}

TEST(Frames, IllegalCommandCodeIsReportedAndKeepsTheFill) {
    FrameBuffer buffer;
    RecordingReporter reporter;
    CKvqCmd cmd(buffer, &reporter);
    cmd.MakeFixedFrame(99, "TEST");
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"cmd is illlegal!"});
    const std::string frame = cmd.Bytes();
    EXPECT_EQ(frame.substr(0, 13), "KVQ0006--TEST");
    EXPECT_EQ(frame.substr(frame.size() - 4), "ENND");
}

TEST(Frames, ReceivedFrameChecks) {
    struct Case {
        const char* what;
        std::string bytes;
        int length;
        bool complete;
        bool sumValid;
    };
    const Case cases[] = {
        {"connect reply", std::string(kConnectFrame), 6, true, true},
        {"lower-case checksum", "KVQ000681CLRE8fENND", 6, true, true},
        {"wrong checksum", "KVQ000602CONE88ENND", 6, true, false},
        {"non-hex checksum", "KVQ000602CONEG7ENND", 6, true, false},
        {"exactly L + 12 bytes", "KVQ000602CONE87END", 6, true, true},
        {"one byte short of L + 12", "KVQ000602CONE87EN", 6, false, true},
        {"checksum not yet arrived", "KVQ000602CONE8", 6, false, false},
        {"length 0000", "KVQ0000ENND", 0, false, false},
        {"length 2036", "KVQ2036" + std::string(2036, 'x') + "00ENND", 2036, false, false},
        {"no KVQ header", "KVX000602CONE87ENND", 0, false, false},
        {"length stops at a non-digit", "KVQ06x002CONE87ENND", 6, true, true},
        {"empty", "", 0, false, false},
        {"header only", "KV", 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CKvqCmd received(c.bytes.data(), int(c.bytes.size()));
        EXPECT_EQ(received.GetFrameLength(), c.length);
        EXPECT_EQ(received.IsFrameComplete(), c.complete);
        EXPECT_EQ(received.IsFrameSumValid(), c.sumValid);
    }
}

TEST(Frames, LearnedIrCodeIsTheHexOfOffsets13To111) {
    std::string frame = "KVQ010603NONE";
    for (int i = 0; i < 99; ++i) {
        frame += static_cast<char>(i * 3 + 0x90);
    }
    frame += "00ENND";
    CKvqCmd received(frame.data(), int(frame.size()));
    const std::string code = received.GetLearnedIrCode();
    ASSERT_EQ(code.size(), 198u);
    EXPECT_EQ(code.substr(0, 6), "909396");
    EXPECT_EQ(code.substr(196), "b6"); // 98 * 3 + 0x90 = 0x1B6, low byte b6
    // Too short to hold 99 code bytes: nothing is taken from it.
    CKvqCmd shortFrame(frame.data(), 111);
    EXPECT_EQ(shortFrame.GetLearnedIrCode(), "");
}

TEST(Frames, NumbersFormatLikePrintfAndKeepTheirLeftmostCharacters) {
    const int values[] = {0, 7, 42, 999, 1000, -1, -42, 2147483647, -2147483647 - 1};
    for (int width : {1, 2, 3, 4}) {
        for (int v : values) {
            char expected[32];
            std::snprintf(expected, sizeof expected, "%0*d", width, v);
            EXPECT_EQ(FormatNumber(v, width), expected) << v << " width " << width;
        }
    }
    // A port of -2 shows as "-1" in a two-digit field; 150 actions' count keeps "15".
    EXPECT_EQ(CKvqEventStr::EncodeToBytes("RELY : -2 : 0 : 0").substr(6, 2), "-1");
    // The largest number a field can hold, plus one, neither wraps nor overflows.
    const CKvqEventStr huge("LEDP : 2147483647 : 0 : 0");
    EXPECT_EQ(huge.GetSummary(), "Button 2147483648 On");
    EXPECT_EQ(CKvqEventStr::EncodeToBytes(huge.GetText()).substr(6, 2), "21");
}
