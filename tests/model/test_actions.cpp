// Action texts: parsing, action records, display names and summaries.
#include <gtest/gtest.h>

#include "Helpers.h"
#include "model/KvqEventStr.h"

using namespace qz;

namespace {

std::string Uart(const std::string& format, const std::string& end, const std::string& data,
                 const std::string& baud = "9600") {
    return "UART : Power : Proj : On : " + baud + " : 1 : 0 : 0 : " + format + " : " + end +
           " : 0 : 0 : 1 : 1 :" + data;
}

std::string UartRecord(const std::string& baudDigit, const std::string& d,
                       const std::string& data) {
    return "60UART1" + baudDigit + "211101" + "01" + d + data + Dashes(32 - data.size());
}

} // namespace

TEST(ActionRecords, EveryTypeEncodesByteForByte) {
    struct Case {
        const char* what;
        std::string text;
        std::string record;
    };
    const std::string ir10 = std::string("\x01\x23\x45\x67\x89", 5) + std::string(94, 'F');
    const Case cases[] = {
        {"RS232 ASCII", Uart("0", "0", "PWR"), UartRecord("3", "03", "PWR")},
        {"RS232 40 chars, no end", Uart("0", "0", std::string(40, 'a')),
         UartRecord("3", "32", std::string(32, 'a'))},
        {"RS232 31 chars + CR", Uart("0", "1", std::string(31, 'b')),
         UartRecord("3", "32", std::string(31, 'b') + "\r")},
        {"RS232 32 chars + CR cut to 31", Uart("0", "1", std::string(32, 'b')),
         UartRecord("3", "32", std::string(31, 'b') + "\r")},
        {"RS232 31 chars + CRLF cut to 30", Uart("0", "2", std::string(31, 'c')),
         UartRecord("3", "32", std::string(30, 'c') + "\r\n")},
        {"RS232 short + CRLF", Uart("0", "2", "AT"), UartRecord("3", "04", "AT\r\n")},
        {"RS232 empty", Uart("0", "0", ""), UartRecord("3", "00", "")},
        {"RS232 hex with spaces, odd digit dropped", Uart("1", "2", "01 02 0A 7"),
         UartRecord("3", "03", "\x01\x02\x0A")},
        {"RS232 hex more than 64 digits", Uart("1", "0", std::string(70, 'f')),
         UartRecord("3", "32", std::string(32, '\xff'))},
        {"RS232 hex pair 1G reads 1, G1 reads 0", Uart("1", "0", "1GG1"),
         UartRecord("3", "02", std::string("\x01\x00", 2))},
        {"RS232 baud 1200 falls back to 9600", Uart("0", "0", "x", "1200"),
         UartRecord("3", "01", "x")},
        {"RS232 baud 115200", Uart("0", "0", "x", "115200"), UartRecord("8", "01", "x")},
        {"RS232 baud 2400", Uart("0", "0", "x", "2400"), UartRecord("1", "01", "x")},
        {"RS232 baud 57600", Uart("0", "0", "x", "57600"), UartRecord("7", "01", "x")},
        // The baud text is compared whole, not read as a number.
        {"RS232 baud 2400abc", Uart("0", "0", "x", "2400abc"), UartRecord("3", "01", "x")},
        {"RS232 baud 02400", Uart("0", "0", "x", "02400"), UartRecord("3", "01", "x")},
        {"RS232 baud +4800", Uart("0", "0", "x", "+4800"), UartRecord("3", "01", "x")},
        {"RS232 bytes above 0x7F pass unchanged", Uart("0", "0", "\xe9\xff"),
         UartRecord("3", "02", "\xe9\xff")},
        {"IR 10 digits", "INFR : TV : Power : 2 : 1 : 0 : 1 : 1 : c6 : 0123456789",
         "61INFR030101010199" + ir10},
        {"IR send more times", "INFR : TV : Power : 0 : 0 : 1 : 5 : 10 : c6 : ",
         "61INFR010002051099" + std::string(99, 'F')},
        {"GPIO port 2 out level 1", "GPIO :  : 1 : 1 : 1 : 1", "62GPIO0201000000011"},
        {"RELY port 1 off", "RELY : 0 : 1 : 1", "63RELY0100000000011"},
        {"DELY 1h 2m 3s and a half", "DELY : 1 : 2 : 3 : 1 : 0102031", "64DELY0000000000070102031"},
        {"UCMP port 3 include", "UCMP : n : 2 : 0 : 0 :1 :OK",
         "65UCMP1300000000"
         "02OK" +
             Dashes(30)},
        {"UCMP port 3 equal", "UCMP : n : 2 : 0 : 0 :0 :OK",
         "65UCMP0300000000"
         "02OK" +
             Dashes(30)},
        {"UCMP hex", "UCMP : n : 0 : 1 : 0 :0 :0d 0A",
         "65UCMP0100000000"
         "02\r\n" +
             Dashes(30)},
        {"LEDP button 4 on/all off", "LEDP : 3 : 2 : 2", "66LEDP0400000000012"},
        {"ENPG page 2 start 3", "ENPG : p : 1 :2 :0", "67ENPG0203000000010"},
        {"CASD ID 7 key 12", "CASD :  : 7 : 12 : -", "68CASD0712000000010"},
        {"LTOG button 1 start 2", "LTOG :  : 0 : 1 : 0", "69LTOG0102000000010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CKvqEventStr::EncodeToBytes(c.text), c.record);
        EXPECT_EQ(CKvqEventStr(c.text).RecordLength(), int(c.record.size()));
    }
}

TEST(ActionRecords, RecordLengthsPerType) {
    EXPECT_EQ(CKvqEventStr::EncodeToBytes(Uart("0", "0", "x")).size(), 50u);
    EXPECT_EQ(CKvqEventStr::EncodeToBytes("INFR : a : b : 0 : 1 : 0 : 1 : 1 : c6 : 00").size(),
              117u);
    EXPECT_EQ(CKvqEventStr::EncodeToBytes("DELY : 0 : 0 : 5 : 1 : 0000051").size(), 25u);
}

TEST(ActionRecords, OverlongIrCodeIsReportedAndCut) {
    RecordingReporter reporter;
    const std::string code = std::string(198, 'a') + "0102";
    const std::string record =
        CKvqEventStr::EncodeToBytes("INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : " + code, &reporter);
    EXPECT_EQ(reporter.messages, std::vector<std::string>{"rs232 data over"});
    EXPECT_EQ(record.substr(18), std::string(99, '\xaa'));
}

TEST(ActionRecords, TextsThatDoNotParseEncodeToNothing) {
    for (const char* text : {"", "UART : a : b", "XXXX : 1 : 2", ":GPIO", "GPIO", "uart : 1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(CKvqEventStr::EncodeToBytes(text), "");
        EXPECT_EQ(CKvqEventStr(text).RecordLength(), 0);
    }
}

TEST(ActionText, TooFewSeparatorsReportTheTypesMessage) {
    const struct {
        const char* text;
        const char* message;
        int code;
    } cases[] = {
        {"UART : a : b", "rs232 : Initialization failed", 60},
        {"INFR : a", "ir : Initialization failed", 61},
        {"GPIO : 1 : 2", "GPIO : Initialization failed", 62},
        {"RELY : 1", "Relay : Initialization failed", 63},
        {"DELY : 1 : 2 : 3 : 4", "Delay : not enougth", 64},
        {"UCMP : 1", "Compare : Initialization failed", 65},
        {"LEDP : 1 : 2", "LED : Initialization failed", 66},
        {"ENPG : 1", "Page : Initialization failed", 67},
        {"CASD : 1", "Loop : Initialization failed", 68},
        {"LTOG : 1 : 2 : 3", "toggle : Initialization failed", 69},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        RecordingReporter reporter;
        const CKvqEventStr action(c.text, &reporter);
        EXPECT_EQ(reporter.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(action.GetType(), "");
        EXPECT_EQ(action.ParsedType(), c.code);
        EXPECT_EQ(action.GetTypeCode(), 0);
        EXPECT_EQ(action.GetTypeName(), "");
        EXPECT_EQ(action.GetSummary(), "");
    }
    const CKvqEventStr failed("UART : a : b");
    EXPECT_EQ(failed.GetUartName(), "");
    EXPECT_EQ(failed.GetUartLib(), "");
}

TEST(ActionText, UnknownMnemonicsAreSilentlyTypeZero) {
    for (const char* text : {"uart : a : b", "NOPE : 1", "no colon", ":UART", "   "}) {
        SCOPED_TRACE(text);
        RecordingReporter reporter;
        const CKvqEventStr action(text, &reporter);
        EXPECT_TRUE(reporter.messages.empty());
        EXPECT_EQ(action.ParsedType(), 0);
        EXPECT_FALSE(action.IsValid());
    }
}

TEST(ActionText, FieldsAndTheirTrimming) {
    const CKvqEventStr tight("GPIO:x:0:1:1:1");
    const CKvqEventStr spaced("  GPIO : x : 0 : 1 : 1 : 1 \t");
    EXPECT_EQ(tight.GetIoName(), "x");
    EXPECT_EQ(tight.GetIoDir(), "1");
    EXPECT_EQ(tight.GetIoLevel2(), "1");
    EXPECT_EQ(spaced.GetIoName(), tight.GetIoName());
    EXPECT_EQ(spaced.GetIoPort(), tight.GetIoPort());
    EXPECT_EQ(spaced.GetIoLevel2(), tight.GetIoLevel2());
    EXPECT_EQ(CKvqEventStr::EncodeToBytes(spaced.GetText()),
              CKvqEventStr::EncodeToBytes(tight.GetText()));

    // Only the first 14 colons separate RS232 fields; the data keeps its colons and leading
    // blanks, and the fields land in their own members whatever the text order.
    const CKvqEventStr uart(
        "UART : n : l : f : 19200 : 1 : 2 : 1 : 0 : 2 : 1 : 1 : 3 : 5 :  AT:OK");
    EXPECT_EQ(uart.GetUartData(), "  AT:OK");
    EXPECT_EQ(uart.GetUartParity(), "1");
    EXPECT_EQ(uart.GetUartFormat(), "0");
    EXPECT_EQ(uart.GetUartEndChar(), "2");
    EXPECT_EQ(uart.GetUartPort(), "1");
    EXPECT_EQ(uart.GetUartDelay(), "5");

    const CKvqEventStr cmp("UCMP : name : 1 : 0 : 1 :1 :  ok");
    EXPECT_EQ(cmp.GetCmpData(), "  ok");
    EXPECT_EQ(cmp.GetCmpMode(), "1");
    const CKvqEventStr page("ENPG : p : 3 :1 :   0");
    EXPECT_EQ(page.GetPageEnd(), "0");
    const CKvqEventStr ir("INFR : TV : Power : 2 : 1 : 0 : 1 : 1 : c6 :   00ff  ");
    EXPECT_EQ(ir.GetIrCode(), "00ff");
    EXPECT_EQ(ir.GetIrLen(), "c6");
}

TEST(ActionText, LongTextsSplitLikeShortOnes) {
    const std::string name(300, 'n');
    const CKvqEventStr action("GPIO : " + name + " : 1 : 1 : 0 : 0");
    EXPECT_EQ(action.GetIoName(), name);
    EXPECT_EQ(action.GetIoPort(), "1");
}

TEST(ActionSummary, NamesAndSummaries) {
    const struct {
        std::string text;
        const char* name;
        const char* summary;
    } cases[] = {
        {"UART : Power : Proj : On : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :PWR", "RS232",
         "Power,Fun:On,Baud:9600,Port:1,Send Once"},
        {"UART :  : Proj :  : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :PWR", "RS232",
         "Baud:9600,Port:1,Send Once"},
        {"UART :  :  :  : 9600 : 1 : 0 : 0 : 0 : 0 : 2 : 1 : 5 : 10 :PWR", "RS232",
         "Baud:9600,Port:3,Send No.:5,Time:10"},
        {"UART :  :  :  : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 2 : 5 : 10 :PWR", "RS232",
         "Baud:9600,Port:1,Send Continue,Time:10"},
        {"INFR : TV : Power : 2 : 1 : 0 : 1 : 1 : c6 : 00", "IR",
         "Lib:TV,Fun:Power,Port:3,Send Once"},
        {"INFR :  : Power : 0 : 1 : 1 : 3 : 7 : c6 : 00", "IR",
         "Lib:,Fun:Power,Port:1,Send No.:3,Time:7"},
        {"INFR : a : b : 0 : 1 : 2 : 3 : 7 : c6 : 00", "IR",
         "Lib:a,Fun:b,Port:1,Send Continue,Time:7"},
        {"GPIO :  : 1 : 1 : 1 : 1", "GPIO", "Port 2 as Output 1"},
        {"GPIO :  : 1 : 0 : 0 : 0", "GPIO", "Port 2 as Input"},
        {"GPIO : Door : 0 : 0 : 0 : 0", "GPIO", "Door,Port 1 as Input"},
        {"RELY : 0 : 1 : 1", "Relay", "Port 1 Off"},
        {"RELY : 2 : 0 : 0", "Relay", "Port 3 On"},
        {"DELY : 0 : 0 : 5 : 1 : 0000051", "Delay", "Time Hour:0 Minute:0 Second:5.5s"},
        {"DELY : 1 : 2 : 3 : 0 : 0102030", "Delay", "Time Hour:1 Minute:2 Second:3s"},
        {"UCMP : Ack : 2 : 0 : 0 :1 :OK", "Compare", "Ack, Port 3 "},
        {"UCMP :  : 0 : 0 : 0 :0 :OK", "Compare", "Port 1 "},
        {"LEDP : 3 : 2 : 2", "Led", "Button 4 On/All Off"},
        {"LEDP : 0 : 3 : 3", "Led", "Button 1 On/Group Off"},
        {"ENPG : Menu : 1 :2 :0", "Page", "Menu, Page Class:2, Start No.:3"},
        {"CASD :  : 7 : 12 : -", "Loop", "ID:7, Action Key:12"},
        {"CASD : Hall : 7 : 12 : -", "Loop", "Hall, ID:7, Action Key:12"},
        {"LTOG :  : 0 : 1 : 0", "Toggle", "Button 1 : Start No. 2"},
        {"LTOG : T : 4 : 0 : 0", "Toggle", "T, Button 5 : Start No. 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CKvqEventStr action(c.text);
        EXPECT_EQ(action.GetTypeName(), c.name);
        EXPECT_EQ(action.GetSummary(), c.summary);
    }
}
