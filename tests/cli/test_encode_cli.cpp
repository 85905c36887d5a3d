// qzctl encode and summary, run as the user runs them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

#include "CliTestSupport.h"
#include "model/KvqEventStr.h"

using qztest::CliRun;
using qztest::Qzctl;

TEST(QzctlEncode, RawAndHexRecords) {
    const QByteArray text = "RELY : 0 : 1 : 1";
    const CliRun raw = Qzctl({"encode", text});
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, QByteArray("63RELY0100000000011"));
    const CliRun hex = Qzctl({"encode", "--hex", "LEDP : 3 : 2 : 2"});
    EXPECT_EQ(hex.status, 0);
    EXPECT_EQ(hex.out, QByteArray("66LEDP0400000000012").toHex().toUpper() + "\n");
}

TEST(QzctlEncode, BytesAboveAsciiPassUnchanged) {
    // é and ÿ in Latin-1: two single bytes, not UTF-8 sequences.
    const QByteArray data("caf\xe9\xff", 5);
    const QByteArray text = "UART :  :  :  : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :" + data;
    const CliRun run = Qzctl({"encode", "--hex", text});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QByteArray record = QByteArray::fromHex(run.out.trimmed());
    EXPECT_EQ(record.mid(16, 2), QByteArray("05"));
    EXPECT_EQ(record.mid(18, 5), data);
    const std::string direct = qz::CKvqEventStr::EncodeToBytes(text.toStdString());
    EXPECT_EQ(record.toStdString(), direct);
}

TEST(QzctlEncode, TextsThatDoNotParseExitWithStatus2) {
    const struct {
        QByteArray text;
        const char* message;
    } cases[] = {
        {"UART : a : b", "rs232 : Initialization failed"},
        {"NOPE : 1 : 2", "not an action text"},
        {"", "not an action text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.constData());
        const CliRun run = Qzctl({"encode", c.text});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.constData();
    }
    EXPECT_EQ(Qzctl({"encode"}).status, 2);
}

TEST(QzctlSummary, NameTabSummary) {
    const CliRun run = Qzctl({"summary", "CASD :  : 7 : 12 : -"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QByteArray("Loop\tID:7, Action Key:12\n"));
    const CliRun named = Qzctl({"summary", QByteArray("GPIO : T\xfcr : 1 : 0 : 0 : 0")});
    EXPECT_EQ(named.out, QByteArray("GPIO\tT\xfcr,Port 2 as Input\n"));
    EXPECT_EQ(Qzctl({"summary", "LTOG : 1"}).status, 2);
}
