// The checks before an upload: one finding per fault, naming key and event.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/ActionRules.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "model/Largest.h"
#include "library/ProjectCheck.h"

namespace {

using qz::Configuration;

std::string Uart(int port) {
    return "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : " + std::to_string(port) +
           " : 0 : 1 : 1 :PWR ON";
}
std::string Ir(int port) {
    return "INFR : TV : Power : " + std::to_string(port) + " : 1 : 0 : 1 : 1 : c6 :";
}
std::string Compare(int port) {
    return "UCMP : Ack : " + std::to_string(port) + " : 0 : 1 :1 :OK";
}
std::string Relay(int port) {
    return "RELY : " + std::to_string(port) + " : 1 : 1";
}
const std::string kIo = "GPIO : Door : 1 : 1 : 1 : 1";
const std::string kDelay = "DELY : 1 : 2 : 3 : 1 : 0102031";

Configuration WithPress(int model, int port, const std::vector<std::string>& actions) {
    Configuration c;
    c.deviceModel = model;
    c.LayoutKeys(model);
    c.ApplyModelAndPort(model, port);
    c.keys[0].keyName = "Up";
    c.AddEvent(0, qz::kFamilyKey, 0, 0);
    c.keys[0].slots[0] = actions;
    return c;
}

std::vector<std::string> Lines(const Configuration& c) {
    std::vector<std::string> lines;
    for (const qz::Finding& f : qz::CheckProject(c)) {
        lines.push_back(qz::FindingLine(c, f).toStdString());
    }
    return lines;
}

struct PortCase {
    int model;
    int portMode;
    std::string action;
    std::string finding; // empty: accepted
};

class PortFindings : public ::testing::TestWithParam<PortCase> {};

TEST_P(PortFindings, FollowTheActionPageRules) {
    const PortCase& c = GetParam();
    const Configuration config = WithPress(c.model, c.portMode, {kDelay, c.action});
    const std::vector<qz::Finding> findings = qz::CheckProject(config);
    if (c.finding.empty()) {
        EXPECT_TRUE(findings.empty()) << qz::FindingLine(config, findings[0]).toStdString();
        return;
    }
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].key, 0);
    EXPECT_EQ(findings[0].slot, 0);
    EXPECT_EQ(qz::FindingLine(config, findings[0]).toStdString(),
              "key 1 \"Up\", Press: action 2 " + c.finding);
}

TEST(ProjectCheck, LinesShowLatin1NamesAndTextsAsTheyAre) {
    Configuration config = WithPress(1, 0, {kDelay, "UART : caf\xe9"});
    config.keys[0].keyName = "Caf\xe9";
    const std::vector<qz::Finding> findings = qz::CheckProject(config);
    ASSERT_EQ(findings.size(), 1u);
    const QString line = qz::FindingLine(config, findings[0]);
    EXPECT_TRUE(line.contains(QString::fromUtf8("\"Caf\xc3\xa9\""))) << line.toStdString();
    EXPECT_TRUE(line.contains(QString::fromUtf8("caf\xc3\xa9"))) << line.toStdString();
    EXPECT_FALSE(line.contains(QChar(0xFFFD)));
}

const char kC[] = "Port1 and port2 are unavailable in this setting, please select port3";

INSTANTIATE_TEST_SUITE_P(
    Cases, PortFindings,
    ::testing::Values(
        PortCase{1, 3, Uart(2), ""}, PortCase{1, 3, Uart(0), std::string("(RS232): ") + kC},
        PortCase{1, 3, Uart(1), std::string("(RS232): ") + kC},
        PortCase{1, 1, Uart(0),
                 "(RS232): Port1 is unavailable in this setting, please select port 2 or 3"},
        PortCase{0, 0, Ir(1),
                 "(IR): Port2 and port3 are unavailable in this setting, please select port1"},
        PortCase{1, 3, Ir(0), ""}, PortCase{1, 3, Ir(1), ""},
        PortCase{1, 0, Compare(0),
                 "(Compare): Port1 is unavailable in this setting, please select other port."},
        PortCase{1, 2, Compare(2), ""},
        PortCase{0, 2, Relay(2),
                 "(Relay): the type of the machine only suppotr port 1 and 2, "
                 "please select port 1 or 2"},
        PortCase{1, 0, Relay(1), ""}, PortCase{2, 0, Relay(2), ""},
        PortCase{1, 0, kIo, "(GPIO): I/O is unavailable in this model."},
        PortCase{0, 3, kIo, "(GPIO): I/O is unavailable in this model."}, PortCase{2, 0, kIo, ""},
        PortCase{2, 0, Uart(0), ""}, PortCase{2, 0, Ir(2), ""},
        // A stored port outside the list is none of the refused ones.
        PortCase{1, 3, Uart(7), ""},
        PortCase{1, 0, "XXXX : 1 : 2", "does not parse: \"XXXX : 1 : 2\""},
        PortCase{1, 0, "UART : a : b", "does not parse: \"UART : a : b\""},
        PortCase{1, 0, "no colon", "does not parse: \"no colon\""}));

// The check refuses exactly what the pages refuse, with the same message on one line.
TEST(ProjectCheck, SameRulesAsThePages) {
    const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        for (int port = 0; port < 3; ++port) {
            qz::Rs232Action rs;
            rs.port = port;
            rs.data = "x";
            qz::IrAction ir;
            ir.libName = "TV";
            ir.function = "Power";
            ir.port = port;
            t.push_back(rs.ToActionText());
            t.push_back(ir.ToActionText());
            t.push_back(qz::CompareAction{"", port, 0, 0, 1, "OK"}.ToActionText());
            t.push_back(qz::RelayAction{port, 0}.ToActionText());
            t.push_back(qz::IoAction{"", port, 1, 0}.ToActionText());
            t.push_back(qz::LedAction{port, 0}.ToActionText());
        }
        return t;
    }();
    for (int model : {0, 1, 2}) {
        for (int mode = 0; mode < qz::kPortModeCount; ++mode) {
            for (const std::string& text : texts) {
                const Configuration c = WithPress(model, mode, {text});
                // Model 2 keeps port mode 0 whatever was asked.
                std::string refusal = qz::ActionRefusal(text, model, c.portMode);
                std::replace(refusal.begin(), refusal.end(), '\r', ' ');
                const std::vector<std::string> lines = Lines(c);
                SCOPED_TRACE("model " + std::to_string(model) + " mode " + std::to_string(mode) +
                             ": " + text);
                if (refusal.empty()) {
                    EXPECT_EQ(lines, std::vector<std::string>{});
                } else {
                    ASSERT_EQ(lines.size(), 1u);
                    EXPECT_EQ(lines[0].substr(lines[0].size() - refusal.size()), refusal);
                }
            }
        }
    }
}

TEST(ProjectCheck, BlankPlaceholdersAreFine) {
    EXPECT_TRUE(Lines(WithPress(1, 0, {""})).empty());
    EXPECT_TRUE(Lines(WithPress(1, 0, {"  "})).empty());
}

TEST(ProjectCheck, EventsOfTheWrongKind) {
    Configuration c;
    c.LayoutKeys(1);
    c.keys[9].slots[qz::kSlotPageFirst + 5] = {kDelay}; // a Page event on a virtual key
    c.keys[2].slots[qz::kSlotVirtual] = {kDelay};       // a Virtual event on a normal key
    c.keys[34].slots[qz::kSlotPress] = {kDelay};        // a Press event on "Time"
    c.keys[5].keyKind = 9;
    c.keys[5].slots[qz::kSlotPress] = {""};
    EXPECT_EQ(Lines(c), (std::vector<std::string>{
                            "key 3 \"3\", Virtual: a Virtual event cannot belong to a normal key",
                            "key 6 \"6\", Press: a Press event cannot belong to a key of kind 9",
                            "key 10 \"10\", Page (Class: 2,Num: 2): a Page event cannot belong to "
                            "a virtual key",
                            "key 35 \"Time\", Press: a Press event cannot belong to a system "
                            "source",
                        }));
}

TEST(ProjectCheck, IoEventsNeedAModelWithInputs) {
    for (int model : {0, 1, 2}) {
        Configuration c;
        c.deviceModel = model;
        c.LayoutKeys(model);
        c.AddEvent(32, qz::kFamilyIoLow, 1, 0);
        c.AddEvent(33, qz::kFamilyIoHigh, 0, 0);
        const std::vector<std::string> expected =
            model == 2 ? std::vector<std::string>{}
                       : std::vector<std::string>{
                             "key 33 \"IOL\", IOL (Port 2): I/O is unavailable in this model.",
                             "key 34 \"IOH\", IOH (Port 1): I/O is unavailable in this model.",
                         };
        EXPECT_EQ(Lines(c), expected) << "model " << model;
    }
}

TEST(ProjectCheck, EventsThatDoNotFitOneFrame) {
    // Each compare record takes 52 bytes of the frame; forty of them do not fit.
    std::vector<std::string> actions(40, Compare(1));
    const Configuration c = WithPress(1, 1, actions);
    const std::vector<std::string> lines = Lines(c);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].rfind("key 1 \"Up\", Press: the event does not fit one frame: ", 0) == 0)
        << lines[0];
    // Delays take 27 bytes each: 74 of 100 fit.
    const Configuration delays = WithPress(1, 1, std::vector<std::string>(100, kDelay));
    EXPECT_EQ(Lines(delays), std::vector<std::string>{"key 1 \"Up\", Press: the event does not "
                                                      "fit one frame: 74 of its 100 actions fit"});
    // Blank entries take no room, but the count travels as two digits.
    std::vector<std::string> blanks(100, "");
    blanks[0] = kDelay;
    EXPECT_EQ(Lines(WithPress(1, 1, blanks)),
              std::vector<std::string>{"key 1 \"Up\", Press: the event does not fit one frame: "
                                       "99 of its 100 actions fit"});
}

TEST(ProjectCheck, LargestProjectPasses) {
    const Configuration c = qz::MakeLargestConfiguration();
    EXPECT_EQ(Lines(c), std::vector<std::string>{});
}

TEST(ProjectCheck, FindingsInKeyAndSlotOrder) {
    Configuration c = WithPress(1, 3, {Uart(0)});
    c.AddEvent(0, qz::kFamilyKey, 1, 0);
    c.AddAction(0, 1, kIo);
    c.keys[3].slots[qz::kSlotPress] = {"bad", Ir(0)};
    const std::vector<qz::Finding> f = qz::CheckProject(c);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(std::make_pair(f[0].key, f[0].slot), std::make_pair(0, 0));
    EXPECT_EQ(std::make_pair(f[1].key, f[1].slot), std::make_pair(0, 1));
    EXPECT_EQ(std::make_pair(f[2].key, f[2].slot), std::make_pair(3, 0));
    EXPECT_EQ(f[2].text, "action 1 does not parse: \"bad\"");
}

} // namespace
