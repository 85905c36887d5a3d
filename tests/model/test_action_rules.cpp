// The port and model rules: the whole table, through the action texts the pages build.
#include <gtest/gtest.h>

#include "model/ActionRules.h"
#include "model/ActionTexts.h"
#include "model/KvqEventStr.h"

using namespace qz;

namespace {

// The messages, spelled out here so that a changed letter is caught; "\r" is one 0x0D byte.
const std::string A = "Port1 is unavailable in this setting,\rplease select port 2 or 3";
const std::string B = "Port2 is unavailable in this setting,\rplease select port 1 or 3";
const std::string C = "Port1 and port2 are unavailable in this setting,\rplease select port3";
const std::string D = "Port2 and port3 are unavailable in this setting,\rplease select port1";
const std::string E = "Port3 is unavailable in this setting,\rplease select port 1 or 2";
const std::string F = "Port1 is unavailable in this setting,\rplease select other port.";
const std::string G =
    "the type of the machine only suppotr port 1 and 2,\rplease select port 1 or 2";
const std::string H = "I/O is unavailable in this model.";
const std::string ok;

// The text each page builds for an action on `port` (list position).
std::string TextOnPort(int page, int port) {
    switch (page) {
    case kRs232Page: {
        Rs232Action a;
        a.port = port;
        a.data = "PWR";
        return a.ToActionText();
    }
    case kIrPage: {
        IrAction a;
        a.libName = "TV";
        a.function = "Power";
        a.port = port;
        a.code = "0a0b";
        return a.ToActionText();
    }
    case kIoPage:
        return IoAction{"Door", port, 1, 1}.ToActionText();
    case kRelayPage:
        return RelayAction{port, 1}.ToActionText();
    case kComparePage:
        return CompareAction{"Ack", port, 0, 1, 1, "OK"}.ToActionText();
    case kDelayPage:
        return DelayAction{0, 0, port, 0}.ToActionText();
    case kLedPage:
        return LedAction{port, 1}.ToActionText();
    case kPagePage:
        return PageAction{"p", 0, port}.ToActionText();
    case kLoopPage:
        return LoopAction{"l", port + 1, 1}.ToActionText();
    case kTogglePage:
        return ToggleAction{"t", port, 0}.ToActionText();
    default:
        return std::string();
    }
}

// The refusal by each of the three ways in; they must agree.
std::string Refusal(int page, int port, int model, int portMode) {
    const std::string byText = ActionRefusal(TextOnPort(page, port), model, portMode);
    const char* byPage = RefusalForPage(page, port, model, portMode);
    const char* byType = RefusalForType(ActionTypeOfPage(page), port, model, portMode);
    EXPECT_EQ(byPage ? std::string(byPage) : ok, byText) << "page " << page << " port " << port;
    EXPECT_EQ(byType, byPage) << "page " << page << " port " << port;
    return byText;
}

struct Row {
    int page;
    std::string cells[4][3]; // port mode 0..3, Port 1..3
};

} // namespace

// Every cell for models 0 and 1, by port mode and port; model 2 accepts everything.
TEST(ActionRules, TheWholeTable) {
    const Row rows[] = {
        {kRs232Page, {{ok, ok, ok}, {A, ok, ok}, {ok, B, ok}, {C, C, ok}}},
        {kIrPage, {{ok, D, D}, {ok, ok, E}, {ok, B, ok}, {ok, ok, ok}}},
        {kComparePage, {{F, ok, ok}, {F, ok, ok}, {C, C, ok}, {C, C, ok}}},
        {kRelayPage, {{ok, ok, G}, {ok, ok, G}, {ok, ok, G}, {ok, ok, G}}},
        {kIoPage, {{H, H, H}, {H, H, H}, {H, H, H}, {H, H, H}}},
        {kDelayPage, {{ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}}},
        {kLedPage, {{ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}}},
        {kPagePage, {{ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}}},
        {kLoopPage, {{ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}}},
        {kTogglePage, {{ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}, {ok, ok, ok}}},
    };
    for (int model : {0, 1, 2}) {
        for (const Row& row : rows) {
            for (int mode = 0; mode < 4; ++mode) {
                for (int port = 0; port < 3; ++port) {
                    const std::string want = model == 2 ? ok : row.cells[mode][port];
                    EXPECT_EQ(Refusal(row.page, port, model, mode), want)
                        << "model " << model << ", " << ActionPageLabel(row.page) << ", port mode "
                        << mode << ", Port " << port + 1;
                }
            }
        }
    }
}

TEST(ActionRules, MessagesAreExact) {
    EXPECT_EQ(std::string(kRefusalPort1), A);
    EXPECT_EQ(std::string(kRefusalPort2), B);
    EXPECT_EQ(std::string(kRefusalPorts12), C);
    EXPECT_EQ(std::string(kRefusalPorts23), D);
    EXPECT_EQ(std::string(kRefusalPort3), E);
    EXPECT_EQ(std::string(kRefusalPort1Other), F);
    EXPECT_EQ(std::string(kRefusalRelayPort3), G);
    EXPECT_EQ(std::string(kRefusalIo), H);
    // One carriage return, no line feed, between the two lines.
    EXPECT_EQ(A.find('\r'), A.find(',') + 1);
    EXPECT_EQ(A.find('\n'), std::string::npos);
}

// Outside the table: port modes, ports and models that no cell names.
TEST(ActionRules, OutsideTheTable) {
    struct Case {
        const char* what;
        int page, port, model, mode;
        std::string want;
    };
    const Case cases[] = {
        {"port mode 4 refuses no RS232 port", kRs232Page, 0, 1, 4, ok},
        {"port mode -1 refuses no IR port", kIrPage, 2, 0, -1, ok},
        {"port mode 7 refuses no compare port", kComparePage, 0, 1, 7, ok},
        {"the relay rule ignores the port mode", kRelayPage, 2, 1, 7, G},
        {"the I/O rule ignores the port mode", kIoPage, 0, 0, 9, H},
        {"stored Port 8 is none of the refused ones", kRs232Page, 7, 1, 3, ok},
        {"no selection (-1) is none of them either", kIrPage, -1, 0, 0, ok},
        {"relay on Port 8", kRelayPage, 7, 0, 0, ok},
        {"I/O on Port 8", kIoPage, 7, 1, 0, H},
        {"model 3 is not ruled", kIoPage, 0, 3, 0, ok},
        {"model -1 is not ruled", kRelayPage, 2, -1, 0, ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Refusal(c.page, c.port, c.model, c.mode), c.want);
    }
    EXPECT_EQ(RefusalForPage(-1, 0, 0, 0), nullptr);
    EXPECT_EQ(RefusalForPage(kActionPageCount, 0, 0, 0), nullptr);
    EXPECT_EQ(RefusalForType(kActionNone, 0, 0, 0), nullptr);
}

// The port of a stored text is read as the encoder reads it.
TEST(ActionRules, StoredTexts) {
    struct Case {
        const char* what;
        std::string text;
        int model, mode;
        std::string want;
    };
    const Case cases[] = {
        {"empty port field reads as Port 1", "RELY :  : 1 : 1", 0, 0, ok},
        {"empty RS232 port reads as Port 1",
         "UART : n : l : f : 9600 : 1 : 0 : 0 : 0 : 0 :  : 0 : 1 : 1 :x", 1, 1, A},
        {"hand-typed text without blanks", "INFR:TV:Power:2:1:0:1:1:c6:00", 0, 1, E},
        {"leading digits count", "UCMP : n : 1x : 0 : 0 :1 :OK", 1, 2, C},
        {"blanks around the text", "   GPIO : n : 0 : 0 : 0 : 0   ", 1, 0, H},
        {"a text that does not parse is no rule's matter", "UART : a : b", 1, 3, ok},
        {"an unknown mnemonic", "XXXX : 0 : 0", 0, 0, ok},
        {"lower case is no action", "gpio : n : 0 : 0 : 0 : 0", 0, 0, ok},
        {"empty text", "", 0, 0, ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ActionRefusal(c.text, c.model, c.mode), c.want);
        const CKvqEventStr parsed(c.text);
        const char* direct = RefusalForAction(parsed, c.model, c.mode);
        EXPECT_EQ(direct ? std::string(direct) : ok, c.want);
    }
    EXPECT_EQ(ActionPort(CKvqEventStr("DELY : 1 : 2 : 3 : 0 : 0102030")), -1);
    EXPECT_EQ(ActionPort(CKvqEventStr("GPIO : n : 2 : 0 : 0 : 0")), 2);
}

// Below a refusal: where the port mode is changed and what the current model and mode allow,
// read off the same table; the refusal's own text stays first and exact.
TEST(ActionRules, RefusalsSayWhereTheModeIsChangedAndWhatItAllows) {
    const struct {
        int model, mode;
        const char* hint;
    } cases[] = {
        {1, 0,
         "The port mode is changed in the System menu, entry \"QRM-K6\".\r"
         "Now \"QRM-K6\" with port mode \"RS232(1),(2)\" allows:\r"
         "RS232: Port 1, 2, 3\rIR: Port 1\rCompare: Port 2, 3\rRelay: Port 1, 2\rI/O: none"},
        {1, 1,
         "The port mode is changed in the System menu, entry \"QRM-K6\".\r"
         "Now \"QRM-K6\" with port mode \"RS232(2),IR 2\" allows:\r"
         "RS232: Port 2, 3\rIR: Port 1, 2\rCompare: Port 2, 3\rRelay: Port 1, 2\rI/O: none"},
        {0, 3,
         "The port mode is changed in the System menu, entry \"Model 0\".\r"
         "Now \"Model 0\" with port mode \"IR 2,3\" allows:\r"
         "RS232: Port 3\rIR: Port 1, 2, 3\rCompare: Port 3\rRelay: Port 1, 2\rI/O: none"},
        {2, 0,
         "The port mode is changed in the System menu, entry \"Model 2 (19 keys)\".\r"
         "Now \"Model 2 (19 keys)\" with port mode \"RS232(1),(2)\" allows:\r"
         "RS232: Port 1, 2, 3\rIR: Port 1, 2, 3\rCompare: Port 1, 2, 3\rRelay: Port 1, 2, 3\r"
         "I/O: Port 1, 2, 3"},
        {3, 0, ""}, // an unknown model or mode has nothing to say
        {1, 7,
         "The port mode is changed in the System menu, entry \"QRM-K6\".\r"
         "Now \"QRM-K6\" with port mode \"7\" allows:\r"
         "RS232: Port 1, 2, 3\rIR: Port 1, 2, 3\rCompare: Port 1, 2, 3\rRelay: Port 1, 2\r"
         "I/O: none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.model << "/" << c.mode);
        EXPECT_EQ(RefusalHint(c.model, c.mode), c.hint);
        const std::string shown = ExplainedRefusal(A, c.model, c.mode);
        EXPECT_EQ(shown.substr(0, A.size()), A);
        EXPECT_EQ(shown, *c.hint ? A + "\r\r" + c.hint : A);
    }
    EXPECT_EQ(ExplainedRefusal("", 1, 0), "");
}

// A name with the field separator shifts the fields after it; the free data that ends an RS232
// or compare text may hold any.
TEST(ActionRules, SeparatorsThatShiftFields) {
    const struct {
        const char* text;
        bool shifts;
    } cases[] = {
        {"GPIO : Door : 1 : 0 : 0 : 0", false},
        {"GPIO : Do:or : 1 : 0 : 0 : 0", true},
        {"ENPG : Lob:by : 0 :3 :0", true},
        {"UART : Cmd : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : 1 :A:B:C", false},
        {"UCMP : Ack : 0 : 0 : 1 : 1 : O:K", false},
        {"no action", false},
        {"LEDP : 3 : 2 : 2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ShiftsFields(c.text), c.shifts);
    }
    EXPECT_TRUE(NameShiftsFields("Do:or"));
    EXPECT_FALSE(NameShiftsFields("Door"));
}
