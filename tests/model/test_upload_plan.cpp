// The upload plan: which frames an upload sends, in which order, with which bytes.
#include <gtest/gtest.h>

#include "Helpers.h"
#include "model/KvqCmd.h"
#include "model/KvqEventStr.h"
#include "model/Largest.h"
#include "model/Text.h"
#include "model/UploadPlan.h"

using namespace qz;

namespace {

const std::string kRelayOn = "RELY : 0 : 0 : 0";
const std::string kLed = "LEDP : 3 : 2 : 2";
const std::string kIr = "INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : " + std::string(198, '7');

// Wraps a frame body (offsets 7 .. 6+L) into a complete frame.
std::string Frame(const std::string& body) {
    char head[8];
    std::snprintf(head, sizeof head, "KVQ%04d", int(body.size()));
    char sum[3];
    std::snprintf(sum, sizeof sum, "%02X", CKvqCmd::Checksum(body.data(), int(body.size())));
    return head + body + sum + "ENND";
}

std::string Rec(const std::string& text) {
    return CKvqEventStr::EncodeToBytes(text);
}

std::vector<std::string> Mnemonics(const UploadPlan& plan) {
    std::vector<std::string> m;
    for (const auto& f : plan.frames) {
        m.push_back(f.bytes.substr(9, 4));
    }
    return m;
}

} // namespace

TEST(UploadPlan, FrameOrderOfModel1WithTwoEvents) {
    Configuration config; // model 1
    config.AddAction(0, config.AddEvent(0, kFamilyKey, 0, 0), kRelayOn);
    config.AddAction(0, kSlotPress, kLed);
    config.AddAction(2, config.AddEvent(2, kFamilyPage, 0, 1), kLed);

    const UploadPlan plan = BuildUploadPlan(config);
    std::vector<std::string> expected{"CLRE", "SYSI", "UAIR"};
    expected.insert(expected.end(), 32, "KYNA");
    expected.insert(expected.end(), 8, "LIPR");
    expected.push_back("PRES");
    expected.push_back("PAGE");
    EXPECT_EQ(Mnemonics(plan), expected);

    EXPECT_EQ(plan.frames.front().bytes, kClearFrame);
    EXPECT_EQ(plan.frames[1].bytes, Frame("31SYSI00"));
    EXPECT_EQ(plan.frames[2].bytes, Frame("35UAIR0"));
    EXPECT_EQ(plan.frames[3].bytes, Frame("33KYNA01   1"));
    EXPECT_EQ(plan.frames[42].bytes, Frame("34LIPR080"));
    EXPECT_EQ(plan.frames[43].bytes, Frame("40PRES0100"
                                           "02"
                                           "01" +
                                           Rec(kRelayOn) + "02" + Rec(kLed)));
    EXPECT_EQ(plan.frames[44].bytes, Frame("43PAGE0312"
                                           "01"
                                           "01" +
                                           Rec(kLed)));
    EXPECT_EQ(plan.frames[43].timeoutMs, kEventFrameTimeoutMs);
    EXPECT_EQ(plan.frames[42].timeoutMs, kSystemFrameTimeoutMs);

    EXPECT_EQ(plan.frames.back().progress, 50);
    EXPECT_EQ(plan.range, 50);
    EXPECT_EQ(plan.EventFrameCount(), 2);
    EXPECT_TRUE(plan.overflows.empty());
}

TEST(UploadPlan, Model2HasNoSysiAndNineteenLedFrames) {
    Configuration config;
    config.deviceModel = 2;
    config.LayoutKeys(2);
    config.keys[18].ledBrightness = 12;
    const UploadPlan plan = BuildUploadPlan(config);
    std::vector<std::string> expected{"CLRE", "UAIR"};
    expected.insert(expected.end(), 32, "KYNA");
    expected.insert(expected.end(), 19, "LIPR");
    EXPECT_EQ(Mnemonics(plan), expected);
    EXPECT_EQ(plan.frames.back().bytes, Frame("34LIPR199"));
    EXPECT_EQ(plan.range, 58);
    EXPECT_EQ(plan.frames.back().progress, 58);
}

TEST(UploadPlan, KeyGroupsOfNormalKeysOnly) {
    Configuration config; // model 1: normal keys 0..7
    config.keys[0].keyGroup = 3;
    config.keys[7].keyGroup = 3;
    config.keys[1].keyGroup = 32;
    config.keys[2].keyGroup = 33; // outside 1..32: no frame
    config.keys[9].keyGroup = 5;  // a virtual key's group: no frame
    config.keys[32].keyGroup = 6; // a system source's group: no frame
    const UploadPlan plan = BuildUploadPlan(config);
    EXPECT_EQ(GroupMask(config), (1u << 2) | (1u << 31));
    const auto& frames = plan.frames;
    ASSERT_EQ(frames.size(), 1u + 1 + 1 + 32 + 8 + 2);
    EXPECT_EQ(frames[frames.size() - 2].bytes, Frame(std::string("32KYSG03\x00\x00\x00\x81", 12)));
    EXPECT_EQ(frames.back().bytes, Frame(std::string("32KYSG32\x00\x00\x00\x02", 12)));
    EXPECT_EQ(plan.range, 48 + 2);
}

TEST(UploadPlan, PlaceholdersAreListedButNotSent) {
    Configuration config;
    config.AddEvent(0, kFamilyKey, 0, 0); // blank placeholder only
    config.keys[1].slots[kSlotRelease] = {kLed, "   ", kRelayOn};
    config.keys[1].lastFamily = kFamilyKey;
    const UploadPlan plan = BuildUploadPlan(config);
    ASSERT_EQ(plan.EventFrameCount(), 1);
    EXPECT_EQ(plan.frames.back().bytes, Frame("41RELS0200"
                                              "03"
                                              "01" +
                                              Rec(kLed) + "03" + Rec(kRelayOn)));
    EXPECT_EQ(plan.range, 2 + 48); // both events are rows of the event list
    EXPECT_EQ(plan.frames.back().progress, 49);
}

TEST(UploadPlan, EventParametersPerSlot) {
    Configuration config;
    config.deviceModel = 2;
    config.LayoutKeys(2);
    const struct {
        int key, family, index, sub;
        std::string params; // offsets 7..16: code, mnemonic and the four parameter bytes
    } cases[] = {
        {0, kFamilyKey, 2, 0, "45LONG01-0"},
        {1, kFamilyKey, 1, 0, "41RELS0200"},
        {2, kFamilyPage, 3, 2, "43PAGE0343"},
        {3, kFamilyToggle, 2, 1, "42TOGL0432"},
        {32, kFamilyIoLow, 0, 0, "50IOHL0000"},
        {33, kFamilyIoHigh, 2, 0, "51IOLH2000"},
        {34, kFamilyTime, 0, 7, "53TOUT1007"},
        {34, kFamilyTime, 3, 0, "53TOUT4007"}, // the fourth timer takes timer 1's minutes
        {35, kFamilyStart, 0, 0, "52STUP0000"},
        {25, kFamilyVirtual, 0, 0, "44VIRT2600"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.params);
        const int slot = config.AddEvent(c.key, c.family, c.index, c.sub);
        config.AddAction(c.key, slot, kLed);
        const std::string frame = BuildEventFrame(config, c.key, slot);
        EXPECT_EQ(frame.substr(7, 10), c.params);
        EXPECT_EQ(frame, Frame(c.params +
                               "01"
                               "01" +
                               Rec(kLed)));
    }
    config.keys[5].repeatInterval = '7';
    config.AddAction(5, config.AddEvent(5, kFamilyKey, 0, 0), kLed);
    EXPECT_EQ(BuildEventFrame(config, 5, kSlotPress).substr(7, 10), "40PRES0670");
}

TEST(UploadPlan, UnparseableActionsAreLeftOutButCounted) {
    Configuration config;
    config.keys[0].slots[kSlotPress] = {kLed, "NOPE : 1", "UART : a : b", kRelayOn};
    const UploadPlan plan = BuildUploadPlan(config);
    EXPECT_EQ(plan.frames.back().bytes, Frame("40PRES0100"
                                              "04"
                                              "01" +
                                              Rec(kLed) + "04" + Rec(kRelayOn)));
    EXPECT_EQ(plan.unparsed, (std::vector<std::pair<int, int>>{{0, kSlotPress}}));
}

TEST(UploadPlan, AnEventThatDoesNotFitIsReportedAndSentConsistently) {
    Configuration config;
    ActionList& list = config.keys[3].slots[kSlotPress];
    list.assign(17, kIr); // files can hold more than the editor lets one add
    list.push_back(kLed);
    const UploadPlan plan = BuildUploadPlan(config);
    ASSERT_EQ(plan.overflows.size(), 1u);
    EXPECT_EQ(plan.overflows[0].key, 3);
    EXPECT_EQ(plan.overflows[0].slot, kSlotPress);
    EXPECT_EQ(plan.overflows[0].fitted, 16);
    EXPECT_EQ(plan.overflows[0].total, 18);
    std::string body = "40PRES0400"
                       "16";
    for (int i = 1; i <= 16; ++i) {
        body += FormatNumber(i, 2) + Rec(kIr);
    }
    const std::string& frame = plan.frames.back().bytes;
    EXPECT_EQ(frame, Frame(body));
    EXPECT_LE(frame.size(), size_t(kEventFrameLimit - 1 + 6));
    CKvqCmd check(frame.data(), int(frame.size()));
    EXPECT_TRUE(check.IsFrameComplete());
    EXPECT_TRUE(check.IsFrameSumValid());
}

TEST(UploadPlan, LargestConfigurationFitsEveryFrame) {
    const Configuration config = MakeLargestConfiguration();
    const UploadPlan plan = BuildUploadPlan(config);
    EXPECT_TRUE(plan.overflows.empty());
    EXPECT_TRUE(plan.unparsed.empty());
    // 19 keys × 16 pages, 13 virtual keys, 4 + 4 + 4 + 1 system events.
    EXPECT_EQ(plan.EventFrameCount(), 19 * 16 + 13 + 13);
    EXPECT_EQ(plan.range, plan.EventFrameCount() + 58 + 19);
    EXPECT_EQ(plan.frames.back().progress, plan.range);
    for (const auto& f : plan.frames) {
        CKvqCmd check(f.bytes.data(), int(f.bytes.size()));
        ASSERT_TRUE(check.IsFrameComplete());
        ASSERT_TRUE(check.IsFrameSumValid());
        if (f.kind == PlannedFrame::Event) {
            // Filled to the limit: not even the smallest record would still fit.
            EXPECT_GT(check.GetFrameLength() + 7 + 2 + 19, kEventFrameLimit - 1);
        }
    }
}
