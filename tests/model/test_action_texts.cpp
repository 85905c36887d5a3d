// The action texts the ten pages build, read back as the pages show them, and the hex form of a
// data box.
#include <gtest/gtest.h>

#include <optional>

#include "Helpers.h"
#include "model/ActionTexts.h"
#include "model/KvqEventStr.h"

using namespace qz;

namespace {

// The parsed members of a text, in the order of its fields.
std::vector<std::string> Fields(const CKvqEventStr& a) {
    switch (a.GetTypeCode()) {
    case kActionUart:
        return {a.GetUartName(),     a.GetUartLib(),      a.GetUartFun(),    a.GetUartBaud(),
                a.GetUartDataBits(), a.GetUartStopBits(), a.GetUartParity(), a.GetUartFormat(),
                a.GetUartEndChar(),  a.GetUartPort(),     a.GetUartSend(),   a.GetUartTimes(),
                a.GetUartDelay(),    a.GetUartData()};
    case kActionIr:
        return {a.GetIrLib(),   a.GetIrFun(),   a.GetIrPort(), a.GetIrCarrier(), a.GetIrSend(),
                a.GetIrTimes(), a.GetIrDelay(), a.GetIrLen(),  a.GetIrCode()};
    case kActionGpio:
        return {a.GetIoName(), a.GetIoPort(), a.GetIoDir(), a.GetIoLevel(), a.GetIoLevel2()};
    case kActionRelay:
        return {a.GetRelayPort(), a.GetRelayAction(), a.GetRelayAction2()};
    case kActionDelay:
        return {a.GetDelayHour(), a.GetDelayMinute(), a.GetDelaySecond(), a.GetDelayHalf(),
                a.GetDelayAll()};
    case kActionCompare:
        return {a.GetCmpName(),    a.GetCmpPort(), a.GetCmpFormat(),
                a.GetCmpEndChar(), a.GetCmpMode(), a.GetCmpData()};
    case kActionLed:
        return {a.GetLedButton(), a.GetLedAction(), a.GetLedAction2()};
    case kActionPage:
        return {a.GetPageName(), a.GetPageClass(), a.GetPageStart(), a.GetPageEnd()};
    case kActionLoop:
        return {a.GetLoopName(), a.GetLoopId(), a.GetLoopKey(), a.GetLoopEnd()};
    case kActionToggle:
        return {a.GetToggleName(), a.GetToggleButton(), a.GetToggleStart(), a.GetToggleEnd()};
    default:
        return {};
    }
}

// The text read back into its page's values and built again; nullopt when it does not read.
std::optional<std::string> Reread(int page, std::string_view text) {
    auto again = [](const auto& value) -> std::optional<std::string> {
        if (!value) {
            return std::nullopt;
        }
        return value->ToActionText();
    };
    switch (page) {
    case kRs232Page:
        return again(Rs232Action::FromActionText(text));
    case kIrPage:
        return again(IrAction::FromActionText(text));
    case kIoPage:
        return again(IoAction::FromActionText(text));
    case kRelayPage:
        return again(RelayAction::FromActionText(text));
    case kDelayPage:
        return again(DelayAction::FromActionText(text));
    case kComparePage:
        return again(CompareAction::FromActionText(text));
    case kLedPage:
        return again(LedAction::FromActionText(text));
    case kPagePage:
        return again(PageAction::FromActionText(text));
    case kLoopPage:
        return again(LoopAction::FromActionText(text));
    case kTogglePage:
        return again(ToggleAction::FromActionText(text));
    default:
        return std::nullopt;
    }
}

const std::string kCode198 = [] {
    std::string code;
    for (int i = 0; i < 99; ++i) {
        code += "0123456789abcdef"[i % 16];
        code += "fedcba9876543210"[i % 16];
    }
    return code;
}();

struct Example {
    const char* what;
    int page;
    std::string built;
    std::string text;
    std::vector<std::string> fields;
};

std::vector<Example> Examples() {
    std::vector<Example> e;
    e.push_back(
        {"RS232 named PC on",
         kRs232Page,
         ProjOnAction("PWR ON").ToActionText(),
         "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 1 : 0 : 1 : 1 :PWR ON",
         {"PC on", "Proj", "On", "9600", "1", "0", "0", "0", "1", "1", "0", "1", "1", "PWR ON"}});
    {
        Rs232Action a = ProjOnAction("PWR ON");
        a.repeat.active = 1;
        a.repeat.count = 5;
        a.repeat.delay = 20;
        e.push_back({"RS232 More Time, sliders 5 and 20",
                     kRs232Page,
                     a.ToActionText(),
                     "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 1 : 1 : 5 : 20 :PWR ON",
                     {"PC on", "Proj", "On", "9600", "1", "0", "0", "0", "1", "1", "1", "5", "20",
                      "PWR ON"}});
        a.repeat.active = 0;
        e.push_back({"RS232 sent once keeps the sliders' positions",
                     kRs232Page,
                     a.ToActionText(),
                     "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 1 : 0 : 5 : 20 :PWR ON",
                     {"PC on", "Proj", "On", "9600", "1", "0", "0", "0", "1", "1", "0", "5", "20",
                      "PWR ON"}});
    }
    {
        Rs232Action a;
        a.dataBit = 0;
        a.stopBit = 1;
        a.parity = 2;
        a.format = 1;
        a.endChar = 2;
        a.port = 2;
        a.baudRate = "115200";
        a.data = "  41 54:0d";
        e.push_back(
            {"RS232 typed, 7 bits 1.5 stop even, hex data with blanks and a colon",
             kRs232Page,
             a.ToActionText(),
             "UART :  :  :  : 115200 : 0 : 1 : 2 : 1 : 2 : 2 : 0 : 1 : 1 :  41 54:0d",
             {"", "", "", "115200", "0", "1", "2", "1", "2", "2", "0", "1", "1", "  41 54:0d"}});
    }
    {
        IrAction a;
        a.libName = "TV";
        a.function = "Power";
        a.code = kCode198;
        e.push_back({"IR from TV, Power",
                     kIrPage,
                     a.ToActionText(),
                     "INFR : TV : Power : 0 : 1 : 0 : 1 : 1 : c6 : " + kCode198,
                     {"TV", "Power", "0", "1", "0", "1", "1", "c6", kCode198}});
        a.port = 2;
        a.carrier = 0;
        a.repeat = {1, 3, 99, "3", "99"};
        a.code = std::string(99, 'F'); // an unlearned function's placeholder
        e.push_back({"IR placeholder code still says c6",
                     kIrPage,
                     a.ToActionText(),
                     "INFR : TV : Power : 2 : 0 : 1 : 3 : 99 : c6 : " + std::string(99, 'F'),
                     {"TV", "Power", "2", "0", "1", "3", "99", "c6", std::string(99, 'F')}});
    }
    e.push_back({"I/O Port 2 output level 1 named Door",
                 kIoPage,
                 IoAction{"Door", 1, 1, 1}.ToActionText(),
                 "GPIO : Door : 1 : 1 : 1 : 1",
                 {"Door", "1", "1", "1", "1"}});
    // (An input's level reads back as the page's own "Output" choice, see below.)
    e.push_back({"I/O input still carries the hidden level twice",
                 kIoPage,
                 IoAction{"  Bell ", 2, 0, 0}.ToActionText(),
                 "GPIO : Bell : 2 : 0 : 0 : 0",
                 {"Bell", "2", "0", "0", "0"}});
    e.push_back({"relay Port 2 off",
                 kRelayPage,
                 RelayAction{1, 1}.ToActionText(),
                 "RELY : 1 : 1 : 1",
                 {"1", "1", "1"}});
    e.push_back({"delay 1 h 2 min 3.5 s",
                 kDelayPage,
                 DelayAction{1, 2, 3, 1}.ToActionText(),
                 "DELY : 1 : 2 : 3 : 1 : 0102031",
                 {"1", "2", "3", "1", "0102031"}});
    e.push_back({"longest delay",
                 kDelayPage,
                 DelayAction{23, 59, 59, 1}.ToActionText(),
                 "DELY : 23 : 59 : 59 : 1 : 2359591",
                 {"23", "59", "59", "1", "2359591"}});
    e.push_back({"delay of nothing",
                 kDelayPage,
                 DelayAction{}.ToActionText(),
                 "DELY : 0 : 0 : 0 : 0 : 0000000",
                 {"0", "0", "0", "0", "0000000"}});
    e.push_back({"delay of 9 minutes packs leading zeros",
                 kDelayPage,
                 DelayAction{0, 9, 0, 0}.ToActionText(),
                 "DELY : 0 : 9 : 0 : 0 : 0009000",
                 {"0", "9", "0", "0", "0009000"}});
    e.push_back({"compare Ack on Port 2, CR, Include",
                 kComparePage,
                 CompareAction{"Ack", 1, 0, 1, 1, "OK"}.ToActionText(),
                 "UCMP : Ack : 1 : 0 : 1 :1 :OK",
                 {"Ack", "1", "0", "1", "1", "OK"}});
    e.push_back({"compare with an empty data box ends with ' :'",
                 kComparePage,
                 CompareAction{"n", 2, 1, 0, 0, ""}.ToActionText(),
                 "UCMP : n : 2 : 1 : 0 :0 :",
                 {"n", "2", "1", "0", "0", ""}});
    e.push_back({"compare data keeps leading blanks and colons",
                 kComparePage,
                 CompareAction{"", 0, 0, 2, 1, " a:b"}.ToActionText(),
                 "UCMP :  : 0 : 0 : 2 :1 : a:b",
                 {"", "0", "0", "2", "1", " a:b"}});
    e.push_back({"LED Button 3 On/All Off",
                 kLedPage,
                 LedAction{2, 2}.ToActionText(),
                 "LEDP : 2 : 2 : 2",
                 {"2", "2", "2"}});
    e.push_back({"LED Button 8 On/Group Off",
                 kLedPage,
                 LedAction{7, 3}.ToActionText(),
                 "LEDP : 7 : 3 : 3",
                 {"7", "3", "3"}});
    e.push_back({"page Lobby, Page 1, active number 4",
                 kPagePage,
                 PageAction{"Lobby", 0, 3}.ToActionText(),
                 "ENPG : Lobby : 0 :3 :0",
                 {"Lobby", "0", "3", "0"}});
    e.push_back({"loop Hall, ID 5, key 12",
                 kLoopPage,
                 LoopAction{"Hall", 5, 12}.ToActionText(),
                 "CASD : Hall : 5 : 12 : -",
                 {"Hall", "5", "12", "-"}});
    e.push_back({"loop ID 99, key 32",
                 kLoopPage,
                 LoopAction{"n", 99, 32}.ToActionText(),
                 "CASD : n : 99 : 32 : -",
                 {"n", "99", "32", "-"}});
    e.push_back({"toggle Fan, Button 3, start 2",
                 kTogglePage,
                 ToggleAction{"Fan", 2, 1}.ToActionText(),
                 "LTOG : Fan : 2 : 1 : 0",
                 {"Fan", "2", "1", "0"}});
    e.push_back({"toggle Button 8, start 4",
                 kTogglePage,
                 ToggleAction{"", 7, 3}.ToActionText(),
                 "LTOG :  : 7 : 3 : 0",
                 {"", "7", "3", "0"}});
    return e;
}

} // namespace

TEST(ActionTexts, ExamplesBuildParseAndReadBack) {
    for (const Example& e : Examples()) {
        SCOPED_TRACE(e.what);
        EXPECT_EQ(e.built, e.text);
        const CKvqEventStr parsed(e.text);
        ASSERT_TRUE(parsed.IsValid());
        EXPECT_EQ(parsed.GetTypeCode(), ActionTypeOfPage(e.page));
        EXPECT_EQ(Fields(parsed), e.fields);
        EXPECT_EQ(ActionPageOfText(e.text), e.page);
        EXPECT_EQ(Reread(e.page, e.text), std::optional<std::string>(e.text));
        // No other page reads it.
        for (int other = 0; other < kActionPageCount; ++other) {
            if (other != e.page) {
                EXPECT_EQ(Reread(other, e.text), std::nullopt) << "page " << other;
            }
        }
    }
}

TEST(ActionTexts, BuiltTextsEncodeToTheirRecords) {
    struct Case {
        std::string text;
        std::string record;
    };
    const Case cases[] = {
        {IoAction{"", 1, 1, 1}.ToActionText(), "62GPIO0201000000011"},
        {RelayAction{0, 1}.ToActionText(), "63RELY0100000000011"},
        {DelayAction{1, 2, 3, 1}.ToActionText(), "64DELY0000000000070102031"},
        {CompareAction{"n", 2, 0, 0, 1, "OK"}.ToActionText(),
         "65UCMP1300000000" + std::string("02OK") + std::string(30, '-')},
        {CompareAction{"n", 2, 0, 0, 0, "OK"}.ToActionText(),
         "65UCMP0300000000" + std::string("02OK") + std::string(30, '-')},
        {LedAction{3, 2}.ToActionText(), "66LEDP0400000000012"},
        {PageAction{"p", 0, 2}.ToActionText(), "67ENPG0103000000010"},
        {LoopAction{"", 7, 12}.ToActionText(), "68CASD0712000000010"},
        {ToggleAction{"", 0, 1}.ToActionText(), "69LTOG0102000000010"},
        {ProjOnAction("PWR ON").ToActionText(),
         "60UART23211101" + std::string("01") + "07PWR ON\r" + std::string(25, '-')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CKvqEventStr::EncodeToBytes(c.text), c.record);
    }
}

TEST(ActionTexts, Rs232ShowKeepsWhatNamesNoListEntry) {
    Rs232Action shown;
    shown.baudRate = "19200";
    shown.dataBit = 0;
    shown.stopBit = 2;
    shown.parity = 1;
    struct Case {
        const char* what;
        std::string baud, dataBits, stopBits, parity;
        std::string wantBaud;
        int wantDataBit, wantStopBit, wantParity;
    };
    const Case cases[] = {
        {"all in the lists", "57600", "1", "1", "2", "57600", 1, 1, 2},
        {"baud 1200 and codes 5 name no entry", "1200", "5", "3", "9", "19200", 0, 2, 1},
        {"empty fields read as code 0", "", "", "", "", "19200", 0, 0, 0},
        {"negative codes name no entry", "-9600", "-1", "-1", "-1", "19200", 0, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = "UART : n : L : F : " + c.baud + " : " + c.dataBits + " : " +
                                 c.stopBits + " : " + c.parity + " : 0 : 0 : 0 : 0 : 1 : 1 :x";
        const std::optional<Rs232Action> r = Rs232Action::FromActionText(text, shown);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->baudRate, c.wantBaud);
        EXPECT_EQ(r->dataBit, c.wantDataBit);
        EXPECT_EQ(r->stopBit, c.wantStopBit);
        EXPECT_EQ(r->parity, c.wantParity);
        EXPECT_EQ(r->libName, "L");
        EXPECT_EQ(r->libFunction, "F");
    }
}

TEST(ActionTexts, Rs232ShowReadsFormatPortsAndSliders) {
    struct Case {
        const char* what;
        std::string format, end, port, send, times, delay;
        int wantFormat, wantEnd, wantPort, wantActive, wantCount, wantDelay;
        std::string countReadout, delayReadout;
        std::string rebuiltTail; // fields 8..13 as built again
    };
    const Case cases[] = {
        {"plain", "0", "2", "2", "1", "7", "30", 0, 2, 2, 1, 7, 30, "7", "30",
         "0 : 2 : 2 : 1 : 7 : 30"},
        {"any non-zero format is hex", "7", "0", "0", "0", "1", "1", 1, 0, 0, 0, 1, 1, "1", "1",
         "1 : 0 : 0 : 0 : 1 : 1"},
        {"empty sliders show 1", "0", "0", "0", "0", "", "", 0, 0, 0, 0, 1, 1, "1", "1",
         "0 : 0 : 0 : 0 : 1 : 1"},
        {"sliders stop at 99 and 1, readouts show the text", "0", "0", "0", "1", "150", "0", 0, 0,
         0, 1, 99, 1, "150", "0", "0 : 0 : 0 : 1 : 99 : 1"},
        {"leading zeros stay in the readout", "0", "0", "0", "1", "05", "09", 0, 0, 0, 1, 5, 9,
         "05", "09", "0 : 0 : 0 : 1 : 5 : 9"},
        // Port 7 and send mode 2 leave their lists without selection; the page then writes 0
        // for both, after saying "no selecte port" twice. End character 3 checks no button.
        {"positions outside the lists", "0", "3", "7", "2", "1", "1", 0, -1, -1, -1, 1, 1, "1", "1",
         "0 : -1 : 0 : 0 : 1 : 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = "UART :  Name  : L : F : 9600 : 1 : 0 : 0 : " + c.format + " : " +
                                 c.end + " : " + c.port + " : " + c.send + " : " + c.times + " : " +
                                 c.delay + " : data";
        const std::optional<Rs232Action> r = Rs232Action::FromActionText(text);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->format, c.wantFormat);
        EXPECT_EQ(r->EndCharShown(), c.wantFormat == 0);
        EXPECT_EQ(r->endChar, c.wantEnd);
        EXPECT_EQ(r->port, c.wantPort);
        EXPECT_EQ(r->repeat.active, c.wantActive);
        EXPECT_EQ(r->repeat.SlidersShown(), c.wantActive == 1);
        EXPECT_EQ(r->repeat.count, c.wantCount);
        EXPECT_EQ(r->repeat.delay, c.wantDelay);
        EXPECT_EQ(r->repeat.countReadout, c.countReadout);
        EXPECT_EQ(r->repeat.delayReadout, c.delayReadout);
        EXPECT_EQ(r->MissingSelections(), (c.wantPort < 0) + (c.wantActive < 0));
        // The parser trims the name; the data keeps its leading blank.
        EXPECT_EQ(r->eventName, "Name");
        EXPECT_EQ(r->data, " data");
        EXPECT_EQ(r->ToActionText(),
                  "UART : Name : L : F : 9600 : 1 : 0 : 0 : " + c.rebuiltTail + " : data");
    }
}

TEST(ActionTexts, Rs232ListsWithoutSelection) {
    Rs232Action a;
    a.baudRate.clear();
    a.dataBit = a.stopBit = a.parity = -1;
    a.port = -1;
    a.repeat.active = -1;
    EXPECT_EQ(a.MissingSelections(), 2);
    EXPECT_EQ(a.ToActionText(), "UART :  :  :  :  :  :  :  : 0 : 0 : 0 : 0 : 1 : 1 :");
    EXPECT_TRUE(CKvqEventStr(a.ToActionText()).IsValid());
}

TEST(ActionTexts, IrShowReadsEveryFieldAndTheCode) {
    const std::optional<IrAction> r =
        IrAction::FromActionText("INFR : TV : Power : 1 : 0 : 1 : 12 :  : c6 :  0a1b  ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->libName, "TV");
    EXPECT_EQ(r->function, "Power");
    EXPECT_EQ(r->port, 1);
    EXPECT_EQ(r->carrier, 0);
    EXPECT_EQ(r->repeat.active, 1);
    EXPECT_EQ(r->repeat.count, 12);
    EXPECT_EQ(r->repeat.delay, 1);
    EXPECT_EQ(r->repeat.delayReadout, "1");
    EXPECT_EQ(r->code, "0a1b");
    // Positions outside the lists read as no selection and are written as -1.
    const std::optional<IrAction> odd =
        IrAction::FromActionText("INFR : TV : Power : 3 : 2 : 2 : 1 : 1 : c6 : 00");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->ToActionText(), "INFR : TV : Power : -1 : -1 : -1 : 1 : 1 : c6 : 00");
}

TEST(ActionTexts, IrLibraryEntrySplitsAtTheFirstColon) {
    struct Case {
        std::string entry, function, code;
    };
    const std::string longCode(230, 'a'); // longer than 198 digits: not shortened
    const Case cases[] = {
        {"Power:0123", "Power", "0123"},
        {"  Vol Up  :   ab:cd ", "Vol Up", "ab:cd "},
        {"Mute", "Mute", ""},
        {"Mute:", "Mute", ""},
        {":ff", "", "ff"},
        {"Long:" + longCode, "Long", longCode},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        IrAction a;
        a.TakeLibraryEntry(c.entry);
        EXPECT_EQ(a.function, c.function);
        EXPECT_EQ(a.code, c.code);
    }
}

TEST(ActionTexts, IoShowKeepsTheOutputChoiceOfAnInput) {
    IoAction shown{"old", 0, 1, 1};
    const std::optional<IoAction> input =
        IoAction::FromActionText("GPIO :  x  : 2 : 0 : 0 : 0", shown);
    ASSERT_TRUE(input);
    EXPECT_EQ(input->port, 2);
    EXPECT_EQ(input->io, 0);
    EXPECT_FALSE(input->OutputShown());
    EXPECT_EQ(input->output, 1); // as it was
    EXPECT_EQ(input->eventName, "x");
    // "Edit" then writes the kept choice as the level.
    EXPECT_EQ(input->ToActionText(), "GPIO : x : 2 : 0 : 1 : 1");

    shown.output = 0;
    const std::optional<IoAction> output =
        IoAction::FromActionText("GPIO : x : 0 : 1 : 1 : 0", shown);
    ASSERT_TRUE(output);
    EXPECT_TRUE(output->OutputShown());
    EXPECT_EQ(output->output, 1);
}

TEST(ActionTexts, ShownPositionsOutsideTheListsAreWrittenAsMinusOne) {
    struct Case {
        int page;
        std::string text;
        std::string rebuilt;
    };
    const Case cases[] = {
        {kRelayPage, "RELY : 7 : 1 : 1", "RELY : -1 : 1 : 1"},
        {kRelayPage, "RELY : 2 : 2 : 0", "RELY : 2 : -1 : -1"},
        {kIoPage, "GPIO : n : 3 : 1 : 2 : 2", "GPIO : n : -1 : 1 : -1 : -1"},
        {kLedPage, "LEDP : 8 : 4 : 0", "LEDP : -1 : -1 : -1"},
        {kPagePage, "ENPG : n : 1 :4 :0", "ENPG : n : -1 :-1 :0"},
        {kTogglePage, "LTOG : n : 8 : 4 : 0", "LTOG : n : -1 : -1 : 0"},
        {kComparePage, "UCMP : n : 3 : 0 : 3 :0 :x", "UCMP : n : -1 : 0 : -1 :0 :x"},
        {kDelayPage, "DELY : 1 : 2 : 3 : 2 : 0102032", "DELY : 1 : 2 : 3 : -1 : 010203-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Reread(c.page, c.text), std::optional<std::string>(c.rebuilt));
    }
}

TEST(ActionTexts, DelayShowKeepsSlidersInRange) {
    const std::optional<DelayAction> r =
        DelayAction::FromActionText("DELY : 30 : 61 : -4 : 1 : 9999999");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->hour, 23);
    EXPECT_EQ(r->minute, 59);
    EXPECT_EQ(r->second, 0);
    EXPECT_EQ(r->halfSecond, 1);
    EXPECT_EQ(r->hourReadout, "30");
    EXPECT_EQ(r->minuteReadout, "61");
    EXPECT_EQ(r->secondReadout, "-4");
    EXPECT_EQ(r->ToActionText(), "DELY : 23 : 59 : 0 : 1 : 2359001");
}

TEST(ActionTexts, CompareShowReadsModeAndFormat) {
    struct Case {
        std::string text;
        int format, endChar, mode;
        std::string rebuilt;
    };
    const Case cases[] = {
        {"UCMP : n : 0 : 0 : 1 :0 :OK", 0, 1, 0, "UCMP : n : 0 : 0 : 1 :0 :OK"},
        {"UCMP : n : 0 : 1 : 0 :1 :4f 4b", 1, 0, 1, "UCMP : n : 0 : 1 : 0 :1 :4f 4b"},
        {"UCMP : n : 0 : 5 : 2 :2 :x", 1, 2, 1, "UCMP : n : 0 : 1 : 2 :1 :x"},
        {"UCMP : n : 0 :  :  : :", 0, 0, 0, "UCMP : n : 0 : 0 : 0 :0 :"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<CompareAction> r = CompareAction::FromActionText(c.text);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->format, c.format);
        EXPECT_EQ(r->EndCharShown(), c.format == 0);
        EXPECT_EQ(r->endChar, c.endChar);
        EXPECT_EQ(r->compareMode, c.mode);
        EXPECT_EQ(r->ToActionText(), c.rebuilt);
    }
    // With neither mode button selected, the mode field is 1.
    EXPECT_EQ(CompareAction({"", 0, 0, 0, -1, ""}).ToActionText(), "UCMP :  : 0 : 0 : 0 :1 :");
}

TEST(ActionTexts, LoopShowSelectsTheFirstEntryForTextsNotInItsLists) {
    struct Case {
        std::string id, key;
        int wantId, wantKey;
    };
    const Case cases[] = {
        {"1", "1", 1, 1}, {"99", "32", 99, 32}, {"05", "012", 1, 1}, {"100", "33", 1, 1},
        {"0", "0", 1, 1}, {"", "", 1, 1},       {"7x", "+7", 1, 1},  {"42", "17", 42, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id + "/" + c.key);
        const std::optional<LoopAction> r =
            LoopAction::FromActionText("CASD : n : " + c.id + " : " + c.key + " : -");
        ASSERT_TRUE(r);
        EXPECT_EQ(r->id, c.wantId);
        EXPECT_EQ(r->keyNo, c.wantKey);
    }
    // Lists without a selection give empty fields.
    EXPECT_EQ(LoopAction({"n", 0, 0}).ToActionText(), "CASD : n :  :  : -");
    EXPECT_EQ(LoopAction({"n", 100, 33}).ToActionText(), "CASD : n :  :  : -");
}

// The parser trims the whole text, so blanks at the end of the data never reach the keypad;
// blanks in front of it do.
TEST(ActionTexts, OnlyLeadingBlanksOfTheDataSurvive) {
    const std::optional<CompareAction> cmp =
        CompareAction::FromActionText(CompareAction{"", 0, 0, 0, 0, "  OK  "}.ToActionText());
    ASSERT_TRUE(cmp);
    EXPECT_EQ(cmp->data, "  OK");
    Rs232Action rs = ProjOnAction("PWR ON");
    rs.data = " AT \t";
    const std::optional<Rs232Action> back = Rs232Action::FromActionText(rs.ToActionText());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data, " AT");
}

TEST(ActionTexts, TextsOfOtherTypesOrTooFewSeparatorsDoNotRead) {
    const char* texts[] = {
        "",
        "UART : a : b",
        "uart : n : l : f : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :x",
        "INFR : TV : Power : 0 : 1 : 0 : 1 : 1",
        "GPIO : n : 0 : 1 : 1",
        "RELY : 0 : 1",
        "DELY : 1 : 2 : 3 : 0",
        "UCMP : n : 0 : 0 : 0 :1",
        "LEDP : 0 : 1",
        "ENPG : n : 0 :1",
        "CASD : n : 1 : 1",
        "LTOG : n : 0 : 1",
        "XXXX : 1 : 2 : 3 : 4 : 5 : 6 : 7 : 8 : 9 : 10 : 11 : 12 : 13 : 14",
        ": GPIO : n : 0 : 1 : 1 : 1",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ActionPageOfText(text), -1);
        for (int page = 0; page < kActionPageCount; ++page) {
            EXPECT_EQ(Reread(page, text), std::nullopt) << "page " << page;
        }
    }
}

TEST(ActionTexts, PageTableFollowsTheParser) {
    const char* labels[] = {"RS232",   "IR",  "I/O",  "Relay", "Delay",
                            "Compare", "LED", "Page", "Loop",  "Toggle"};
    for (int page = 0; page < kActionPageCount; ++page) {
        SCOPED_TRACE(page);
        EXPECT_STREQ(ActionPageLabel(page), labels[page]);
        EXPECT_EQ(CKvqEventStr::TypeCodeOf(ActionPageMnemonic(page)), ActionTypeOfPage(page));
        EXPECT_EQ(ActionTypeOfPage(page), kActionUart + page);
        EXPECT_EQ(ActionPageOfType(ActionTypeOfPage(page)), page);
    }
    for (int outside : {-1, kActionPageCount}) {
        EXPECT_STREQ(ActionPageLabel(outside), "");
        EXPECT_STREQ(ActionPageMnemonic(outside), "");
        EXPECT_EQ(ActionTypeOfPage(outside), kActionNone);
    }
    EXPECT_EQ(ActionPageOfType(kActionNone), -1);
    EXPECT_EQ(ActionPageOfType(70), -1);
}

// Every combination of the choices of the list pages reads back to itself.
TEST(ActionTexts, ListPagesRoundTripEveryChoice) {
    auto check = [](const auto& value, const auto& back) {
        ASSERT_TRUE(back) << value.ToActionText();
        EXPECT_EQ(back->ToActionText(), value.ToActionText());
    };
    for (int port = 0; port < 3; ++port) {
        for (int io = 0; io < 2; ++io) {
            for (int level = 0; level < 2; ++level) {
                const IoAction io1{"Door", port, io, level};
                // Shown over a page whose "Output" is the other level: inputs keep it.
                const IoAction shown{"", 0, 0, 1 - level};
                const auto back = IoAction::FromActionText(io1.ToActionText(), {"", 0, 0, level});
                check(io1, back);
                const auto over = IoAction::FromActionText(io1.ToActionText(), shown);
                ASSERT_TRUE(over);
                EXPECT_EQ(over->output, io == 1 ? level : 1 - level);
            }
        }
        for (int action = 0; action < 2; ++action) {
            const RelayAction relay{port, action};
            check(relay, RelayAction::FromActionText(relay.ToActionText()));
        }
        for (int format = 0; format < 2; ++format) {
            for (int end = 0; end < 3; ++end) {
                for (int mode = 0; mode < 2; ++mode) {
                    const CompareAction cmp{"Ack", port, format, end, mode, " 1:2"};
                    check(cmp, CompareAction::FromActionText(cmp.ToActionText()));
                }
            }
        }
    }
    for (int button = 0; button < kButtonCount; ++button) {
        for (int light = 0; light < 4; ++light) {
            const LedAction led{button, light};
            check(led, LedAction::FromActionText(led.ToActionText()));
        }
        for (int start = 0; start < 4; ++start) {
            const ToggleAction toggle{"Fan", button, start};
            check(toggle, ToggleAction::FromActionText(toggle.ToActionText()));
        }
    }
    for (int active = 0; active < 4; ++active) {
        const PageAction page{"Lobby", 0, active};
        check(page, PageAction::FromActionText(page.ToActionText()));
    }
    for (int id = 1; id <= kLoopIdCount; ++id) {
        for (int key = 1; key <= kLoopKeyCount; key += 31) {
            const LoopAction loop{"Hall", id, key};
            check(loop, LoopAction::FromActionText(loop.ToActionText()));
        }
    }
    for (int hour = 0; hour <= kHourMax; ++hour) {
        for (int minute : {0, 9, 10, 59}) {
            for (int half = 0; half < 2; ++half) {
                const DelayAction delay{hour, minute, 59 - minute, half};
                const auto back = DelayAction::FromActionText(delay.ToActionText());
                check(delay, back);
                EXPECT_EQ(back->hourReadout, std::to_string(hour));
            }
        }
    }
}

TEST(ActionTexts, SerialPagesRoundTrip) {
    for (const char* baud : kBaudRateEntries) {
        for (int dataBit = 0; dataBit < 2; ++dataBit) {
            for (int stopBit = 0; stopBit < 3; ++stopBit) {
                for (int parity = 0; parity < 3; ++parity) {
                    Rs232Action a = ProjOnAction("PWR ON");
                    a.baudRate = baud;
                    a.dataBit = dataBit;
                    a.stopBit = stopBit;
                    a.parity = parity;
                    a.format = (dataBit + parity) % 2;
                    a.endChar = stopBit;
                    a.port = parity;
                    a.repeat = {dataBit, 1 + stopBit * 49, 99 - parity, "", ""};
                    // Start from another page state: every field comes from the text.
                    Rs232Action other;
                    other.baudRate = "2400";
                    other.dataBit = 1 - dataBit;
                    const std::optional<Rs232Action> back =
                        Rs232Action::FromActionText(a.ToActionText(), other);
                    ASSERT_TRUE(back);
                    EXPECT_EQ(back->ToActionText(), a.ToActionText());
                    EXPECT_EQ(back->baudRate, baud);
                    EXPECT_EQ(back->repeat.countReadout, std::to_string(a.repeat.count));
                }
            }
        }
    }
    for (int port = 0; port < 3; ++port) {
        for (int carrier = 0; carrier < 2; ++carrier) {
            for (int active = 0; active < 2; ++active) {
                IrAction a;
                a.libName = "TV";
                a.function = "Vol Up";
                a.port = port;
                a.carrier = carrier;
                a.repeat = {active, 1 + port, 99 - carrier, "", ""};
                a.code = kCode198;
                const std::optional<IrAction> back = IrAction::FromActionText(a.ToActionText());
                ASSERT_TRUE(back);
                EXPECT_EQ(back->ToActionText(), a.ToActionText());
                EXPECT_EQ(back->code, kCode198);
            }
        }
    }
}

TEST(ActionTexts, ColonsInNamesAreFoundBeforeTheyShiftFields) {
    Rs232Action rs = ProjOnAction("PWR ON");
    rs.libFunction = "On:Off";
    EXPECT_STREQ(rs.ColonField(), "Lib Function:");
    rs.libName = "A:B";
    EXPECT_STREQ(rs.ColonField(), "Lib Name:");
    rs.eventName = "x:y";
    EXPECT_STREQ(rs.ColonField(), "Event Name");
    // Such a text reads back differently, which is why the pages refuse it.
    const std::optional<Rs232Action> shifted = Rs232Action::FromActionText(rs.ToActionText());
    ASSERT_TRUE(shifted);
    EXPECT_NE(shifted->ToActionText(), rs.ToActionText());
    EXPECT_EQ(ProjOnAction("PWR ON").ColonField(), nullptr);
    rs = ProjOnAction("PWR ON");
    rs.data = "AT:OK"; // the last field may hold colons
    EXPECT_EQ(rs.ColonField(), nullptr);

    IrAction ir;
    ir.libName = "TV";
    ir.function = "a:b";
    EXPECT_STREQ(ir.ColonField(), "Function:");
    ir.libName = "T:V";
    EXPECT_STREQ(ir.ColonField(), "Lib Name:");
    ir.libName = "TV";
    ir.function = "Power";
    ir.code = "0a:0b";
    EXPECT_EQ(ir.ColonField(), nullptr);

    EXPECT_STREQ(IoAction({"a:b", 0, 0, 0}).ColonField(), "Event Name:");
    EXPECT_STREQ(CompareAction({"a:b", 0, 0, 0, 0, ""}).ColonField(), "Event Name:");
    EXPECT_EQ(CompareAction({"ab", 0, 0, 0, 0, "a:b"}).ColonField(), nullptr);
    EXPECT_STREQ(PageAction({"a:b", 0, 0}).ColonField(), "Event Name:");
    EXPECT_STREQ(LoopAction({"a:b", 1, 1}).ColonField(), "Event Name:");
    EXPECT_STREQ(ToggleAction({"a:b", 0, 0}).ColonField(), "Event Name:");
    EXPECT_EQ(ToggleAction({"ab", 0, 0}).ColonField(), nullptr);
    const std::optional<ToggleAction> toggle =
        ToggleAction::FromActionText(ToggleAction({"a:b", 0, 0}).ToActionText());
    ASSERT_TRUE(toggle);
    EXPECT_NE(toggle->eventName, "a:b");
}

TEST(ConvertDataToHex, Examples) {
    const std::string letters36 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto pairs = [](const std::string& text) {
        std::string out;
        for (unsigned char c : text) {
            static const char kDigits[] = "0123456789abcdef";
            if (!out.empty()) {
                out += ' ';
            }
            out += kDigits[c >> 4];
            out += kDigits[c & 15];
        }
        return out;
    };
    struct Case {
        const char* what;
        std::string text;
        int endChar;
        std::string hex;
    };
    const Case cases[] = {
        {"AB with Enter", "AB", 2, "41 42 0d 0a"},
        {"ABC without end", "ABC", 0, "41 42 43"},
        {"OK without end", "OK", 0, "4f 4b"},
        {"OK with Enter", "OK", 2, "4f 4b 0d 0a"},
        {"OK with carriage return", "OK", 1, "4f 4b 0d"},
        {"empty, no end", "", 0, ""},
        {"empty stays empty with carriage return", "", 1, ""},
        {"empty stays empty with Enter", "", 2, ""},
        {"byte 0xE9", "\xe9", 0, "e9"},
        {"bytes 0x00 and 0xFF", std::string("\0\xff", 2), 0, "00 ff"},
        {"blank is a byte", " a ", 0, "20 61 20"},
        {"40 characters, carriage return", std::string(40, 'x'), 1,
         pairs(std::string(31, 'x')) + " 0d"},
        {"36 characters, Enter", letters36, 2, pairs(letters36.substr(0, 30)) + " 0d 0a"},
        {"33 characters, no end", std::string(33, 'z'), 0, pairs(std::string(32, 'z'))},
        {"32 characters, no end", std::string(32, 'z'), 0, pairs(std::string(32, 'z'))},
        {"31 characters, carriage return", std::string(31, 'z'), 1,
         pairs(std::string(31, 'z')) + " 0d"},
        {"end character 3 counts as none", std::string(33, 'q'), 3, pairs(std::string(32, 'q'))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ConvertDataToHex(c.text, c.endChar), c.hex);
    }
}

// The hex form sends the bytes the ASCII form sends, for every length and end character: a data
// box switched to hex does not change what the keypad receives. (An empty box is the exception:
// it stays empty in hex, while ASCII with an end character sends the end bytes.)
TEST(ConvertDataToHex, SendsWhatTheAsciiFormSends) {
    std::string text;
    for (int length = 1; length <= 40; ++length) {
        text += static_cast<char>(length % 3 == 0 ? 0xC0 + length : 'a' + length % 26);
        for (int end = 0; end < 3; ++end) {
            Rs232Action ascii;
            ascii.endChar = end;
            ascii.data = text;
            Rs232Action hex = ascii;
            hex.format = 1;
            hex.data = ConvertDataToHex(text, end);
            SCOPED_TRACE(hex.data);
            EXPECT_EQ(CKvqEventStr::EncodeToBytes(hex.ToActionText()),
                      CKvqEventStr::EncodeToBytes(ascii.ToActionText()));
            CompareAction cmpAscii{"", 1, 0, end, 0, text};
            CompareAction cmpHex{"", 1, 1, end, 0, ConvertDataToHex(text, end)};
            EXPECT_EQ(CKvqEventStr::EncodeToBytes(cmpHex.ToActionText()),
                      CKvqEventStr::EncodeToBytes(cmpAscii.ToActionText()));
        }
    }
}
