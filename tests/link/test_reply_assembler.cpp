// Cutting the byte stream from the keypad into replies.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

#include "link/ReplyAssembler.h"

namespace {

const QByteArray kCone = "KVQ000602CONE87ENND";
const QByteArray kClre = "KVQ000681CLRE8FENND";

struct Case {
    const char* name;
    QList<QByteArray> reads;
    QList<QByteArray> replies; // completed by the reads, in order
    QByteArray pending;        // what a silence then flushes
};
// Test names show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ReplyAssemblerCases : public testing::TestWithParam<Case> {};

TEST_P(ReplyAssemblerCases, CutsReplies) {
    const Case& c = GetParam();
    qz::ReplyAssembler assembler;
    QList<QByteArray> replies;
    for (const QByteArray& read : c.reads) {
        replies += assembler.Feed(read);
    }
    EXPECT_EQ(replies, c.replies);
    EXPECT_EQ(assembler.HasPending(), !c.pending.isEmpty());
    EXPECT_EQ(assembler.Flush(), c.pending);
    EXPECT_FALSE(assembler.HasPending());
}

INSTANTIATE_TEST_SUITE_P(
    Reads, ReplyAssemblerCases,
    testing::Values(
        Case{"WholeFrame", {kCone}, {kCone}, {}},
        Case{"SplitFrameCountsOnce", {"KVQ00", "0602CO", "NE87EN", "ND"}, {kCone}, {}},
        Case{"TwoFramesInOneRead", {kClre + kClre}, {kClre, kClre}, {}},
        Case{"FrameAndPartOfNext", {kClre + "KVQ0006"}, {kClre}, "KVQ0006"},
        Case{
            "NoiseStaysWithItsFrame", {"\x01\xff noise " + kCone}, {"\x01\xff noise " + kCone}, {}},
        Case{"NoiseAloneWaitsForSilence", {"garbage"}, {}, "garbage"},
        Case{"LengthZeroIsNoHeader", {"KVQ0000xx" + kCone}, {"KVQ0000xx" + kCone}, {}},
        Case{"LengthAboveLimitIsNoHeader", {"KVQ2036" + kCone}, {"KVQ2036" + kCone}, {}},
        Case{"LettersInLengthAreNoHeader", {"KVQ00a6" + kCone}, {"KVQ00a6" + kCone}, {}},
        Case{"HeaderArrivingWaits", {"KV"}, {}, "KV"},
        Case{"ShortFrameWithoutLastTrailerByte", {"KVQ000602CONE87ENN"}, {}, "KVQ000602CONE87ENN"},
        Case{"SingleByteIsAReplyAfterSilence", {"x"}, {}, "x"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(ReplyAssembler, LongRunWithoutFrameEndIsCutAtOneBuffer) {
    qz::ReplyAssembler assembler;
    const QByteArray run(3000, 'z');
    const QList<QByteArray> replies = assembler.Feed(run);
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0].size(), qz::ReplyAssembler::kMaxReply);
    EXPECT_EQ(assembler.Flush().size(), 3000 - qz::ReplyAssembler::kMaxReply);
}

TEST(ReplyAssembler, LargestFrameIsOneReply) {
    // Length 2035: a frame of 2048 bytes, delivered a byte at a time.
    QByteArray frame = "KVQ203540PRES" + QByteArray(2035 - 6, 'a');
    frame += "00ENND";
    ASSERT_EQ(frame.size(), 2048);
    qz::ReplyAssembler assembler;
    QList<QByteArray> replies;
    for (char c : frame) {
        replies += assembler.Feed(QByteArray(1, c));
    }
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0], frame);
    EXPECT_FALSE(assembler.HasPending());
}

} // namespace
