// Trying an RS232 action on a device: the bytes the action record carries go out on a
// pseudo-terminal with the action's line, and the answer comes back, through the real
// QSerialPort code.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <string>

#include "link/EventLoop.h"
#include "link/LineSender.h"
#include "link/PortDiscovery.h"
#include "link/ReplyCompare.h"
#include "model/ActionTexts.h"
#include "model/KvqEventStr.h"
#include "tests/link/PtyPair.h"

using qz::LineSender;
using qz::Rs232Action;
using qz::SendRequest;
using qz::SendResult;
using qz::test::PtyPair;

namespace {

constexpr int kWaitMs = 5000;

// The data area of the action's record: the D bytes after the 18-byte head.
QByteArray RecordData(const std::string& text) {
    const std::string record = qz::CKvqEventStr::EncodeToBytes(text);
    const int length = std::stoi(record.substr(16, 2));
    return QByteArray(record.data() + 18, length);
}

std::string Action(const std::string& data, int format, int endChar, const char* baud = "9600",
                   int stopBit = 0) {
    Rs232Action a;
    a.data = data;
    a.format = format;
    a.endChar = endChar;
    a.baudRate = baud;
    a.stopBit = stopBit;
    a.repeat.active = 1;
    a.repeat.count = 3;
    a.repeat.delay = 2;
    return a.ToActionText();
}

SendRequest RequestFor(const std::string& text, const QString& port, int times = 1,
                       int listenMs = 50) {
    QString refusal;
    const auto send = qz::Rs232SendOfAction(text, &refusal);
    EXPECT_TRUE(send) << refusal.toStdString();
    SendRequest r;
    r.port = port;
    if (send) {
        r.line = send->line;
        r.data = send->data;
        r.delayMs = send->delay * qz::kDelayUnitMs;
    }
    r.times = times;
    r.listenMs = listenMs;
    return r;
}

// Runs one send to its end.
SendResult RunSend(LineSender& sender, const SendRequest& request) {
    bool done = false;
    QObject::connect(&sender, &LineSender::finished, [&] { done = true; });
    if (!sender.start(request)) {
        return sender.result();
    }
    EXPECT_TRUE(qz::RunEventsUntil([&] { return done; }, kWaitMs));
    return sender.result();
}

struct DataCase {
    const char* what;
    std::string data;
    int format;
    int endChar;
};

TEST(LineSender, SendsTheRecordsDataAreaWithTheActionsLine) {
    const DataCase cases[] = {
        {"ascii, no end character", "PWR ON", 0, 0},
        {"ascii, carriage return", "PWR ON", 0, 1},
        {"ascii, carriage return and line feed", "PWR ON", 0, 2},
        {"one byte", "A", 0, 0},
        {"40 characters cut to 32", std::string(40, 'x'), 0, 0},
        {"31 characters and CR: 32 bytes", std::string(31, 'y'), 0, 1},
        {"a colon and 8-bit text", "VOL:10 \xe9", 0, 2},
        {"hex pairs with blanks", "02 50 4f 4e 03", 1, 2},
        {"hex: 64 digits, 32 bytes", std::string(64, 'f'), 1, 0},
        {"hex: a last odd digit dropped", "aabbc", 1, 0},
    };
    for (const DataCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = Action(c.data, c.format, c.endChar);
        const QByteArray expected = RecordData(text);
        ASSERT_FALSE(expected.isEmpty());
        PtyPair pty;
        LineSender sender;
        const SendResult r = RunSend(sender, RequestFor(text, pty.slavePath()));
        EXPECT_EQ(r.outcome, SendResult::Sent) << r.message.toStdString();
        EXPECT_TRUE(r.everyByteWent());
        ASSERT_TRUE(
            qz::RunEventsUntil([&] { return pty.received().size() >= expected.size(); }, kWaitMs));
        EXPECT_EQ(pty.received().toHex(' '), expected.toHex(' '));
    }
}

TEST(LineSender, TakesTheLineSettingsFromTheRecord) {
    const std::string text = Action("X", 0, 0, "57600", 2);
    const auto send = qz::Rs232SendOfAction(text, nullptr);
    ASSERT_TRUE(send);
    EXPECT_EQ(send->line.baud, 57600);
    EXPECT_EQ(send->line.stopBits, QSerialPort::TwoStop);
    EXPECT_EQ(send->line.dataBits, QSerialPort::Data8);
    EXPECT_EQ(send->times, 3);
    EXPECT_EQ(send->delay, 2);
    // A baud text the record cannot carry goes out as the record says: 9600.
    EXPECT_EQ(qz::Rs232SendOfAction(Action("X", 0, 0, "1200"), nullptr)->line.baud, 9600);
}

TEST(LineSender, SendsSeveralTimesWithTheDelayBetween) {
    const std::string text = Action("PING", 0, 1);
    const QByteArray once = RecordData(text);
    PtyPair pty;
    QList<qint64> arrivals;
    QElapsedTimer clock;
    pty.onReceived([&](const QByteArray&) { arrivals << clock.elapsed(); });
    LineSender sender;
    SendRequest request = RequestFor(text, pty.slavePath(), 3);
    request.delayMs = 150;
    clock.start();
    const SendResult r = RunSend(sender, request);
    EXPECT_EQ(r.outcome, SendResult::Sent);
    EXPECT_EQ(r.sendsDone, 3);
    EXPECT_EQ(r.bytesWritten, 3 * once.size());
    ASSERT_TRUE(
        qz::RunEventsUntil([&] { return pty.received().size() >= 3 * once.size(); }, kWaitMs));
    EXPECT_EQ(pty.received(), once + once + once);
    ASSERT_GE(arrivals.size(), 3);
    EXPECT_GE(arrivals.last() - arrivals.first(), 2 * 150 - 20);
}

TEST(LineSender, CapturesTheReplyAsTheOtherEndWroteIt) {
    for (int pieces : {1, 3}) {
        SCOPED_TRACE(pieces);
        PtyPair pty;
        const QByteArray answer("OK PWR=1\r\n");
        // The device answers once the command is in, in one write or in several.
        pty.onReceived([&](const QByteArray&) {
            const int step = (answer.size() + pieces - 1) / pieces;
            for (int i = 0; i < pieces; ++i) {
                QTimer::singleShot(20 * i,
                                   [&pty, part = answer.mid(i * step, step)] { pty.write(part); });
            }
        });
        LineSender sender;
        QList<QByteArray> chunks;
        QObject::connect(&sender, &LineSender::received,
                         [&](const QByteArray& bytes, qint64) { chunks << bytes; });
        const SendResult r =
            RunSend(sender, RequestFor(Action("PWR?", 0, 1), pty.slavePath(), 1, 400));
        EXPECT_EQ(r.outcome, SendResult::Sent);
        EXPECT_EQ(r.replyBytes(), answer);
        EXPECT_EQ(chunks.join(), answer);
        if (pieces > 1) {
            EXPECT_GT(r.reply.size(), 1) << "the pieces kept apart with their own times";
            EXPECT_GE(r.reply.last().atMs, r.reply.first().atMs);
        }
    }
}

TEST(LineSender, StaleInputIsNoReply) {
    PtyPair pty;
    pty.write("left over");
    QTest::qWait(20);
    LineSender sender;
    const SendResult r = RunSend(sender, RequestFor(Action("A", 0, 0), pty.slavePath(), 1, 100));
    EXPECT_EQ(r.outcome, SendResult::Sent);
    EXPECT_TRUE(r.replyBytes().isEmpty()) << r.replyBytes().toStdString();
}

TEST(LineSender, RefusesAnActionThatIsNotRs232) {
    QString refusal;
    EXPECT_FALSE(qz::Rs232SendOfAction("RELY : 0 : 0 : 0", &refusal));
    EXPECT_TRUE(refusal.contains("only an RS232 action")) << refusal.toStdString();
    EXPECT_FALSE(qz::Rs232SendOfAction("UART : a : b", &refusal));
    EXPECT_FALSE(qz::Rs232SendOfAction("PWR ON", &refusal));
    // Data bits "5" would be a code no serial line of the keypad has.
    const std::string odd = "UART :  :  :  : 9600 : 5 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :X";
    EXPECT_FALSE(qz::Rs232SendOfAction(odd, &refusal));
    EXPECT_TRUE(refusal.contains("line settings")) << refusal.toStdString();
}

TEST(LineSender, WarnsOfWhatTheLineDoesNotProgram) {
    struct Case {
        const char* what;
        QSerialPort::DataBits bits;
        QSerialPort::Parity parity;
        QSerialPort::StopBits stop;
        const char* warning; // empty: none
    } cases[] = {
        {"8N1", QSerialPort::Data8, QSerialPort::NoParity, QSerialPort::OneStop, ""},
        {"1.5 stop bits", QSerialPort::Data8, QSerialPort::NoParity, QSerialPort::OneAndHalfStop,
         "1.5 stop bits are programmed as 1 stop bit"},
        {"7 data bits", QSerialPort::Data7, QSerialPort::EvenParity, QSerialPort::OneStop,
         "pseudo-terminal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PtyPair pty;
        LineSender sender;
        QStringList warnings;
        bool warnedBeforeSending = true;
        QObject::connect(&sender, &LineSender::warning, [&](const QString& w) { warnings << w; });
        QObject::connect(&sender, &LineSender::sent, [&] {
            warnedBeforeSending = warnedBeforeSending && pty.received().isEmpty();
        });
        SendRequest request = RequestFor(Action("A", 0, 0), pty.slavePath());
        request.line.dataBits = c.bits;
        request.line.parity = c.parity;
        request.line.stopBits = c.stop;
        const SendResult r = RunSend(sender, request);
        EXPECT_EQ(r.outcome, SendResult::Sent) << r.message.toStdString();
        if (*c.warning) {
            ASSERT_EQ(warnings.size(), 1) << warnings.join('|').toStdString();
            EXPECT_TRUE(warnings[0].contains(c.warning)) << warnings[0].toStdString();
            EXPECT_EQ(r.warnings, warnings);
        } else {
            EXPECT_TRUE(warnings.isEmpty()) << warnings.join('|').toStdString();
        }
    }
}

TEST(LineSender, RefusesAPortThatDoesNotOpen) {
    LineSender sender;
    SendRequest request;
    request.port = "/dev/no-such-port";
    request.data = "A";
    QSignalSpy finished(&sender, &LineSender::finished);
    EXPECT_FALSE(sender.start(request));
    EXPECT_EQ(sender.result().outcome, SendResult::Refused);
    EXPECT_TRUE(sender.result().message.contains("/dev/no-such-port"));
    EXPECT_EQ(finished.count(), 0);
}

TEST(LineSender, CancelEndsASendAndAListenAtOnce) {
    for (bool duringListen : {false, true}) {
        SCOPED_TRACE(duringListen ? "listening" : "between two sends");
        PtyPair pty;
        LineSender sender;
        SendRequest request = RequestFor(Action("A", 0, 0), pty.slavePath(), 3, 60000);
        request.delayMs = duringListen ? 0 : 60000;
        QSignalSpy finished(&sender, &LineSender::finished);
        ASSERT_TRUE(sender.start(request));
        ASSERT_TRUE(qz::RunEventsUntil(
            [&] { return sender.result().sendsDone == (duringListen ? 3 : 1); }, kWaitMs));
        QElapsedTimer clock;
        clock.start();
        sender.cancel();
        EXPECT_LT(clock.elapsed(), 500);
        EXPECT_EQ(finished.count(), 1);
        EXPECT_FALSE(sender.isRunning());
        EXPECT_EQ(sender.result().outcome, SendResult::Cancelled);
        EXPECT_FALSE(sender.result().everyByteWent() && !duringListen);
        EXPECT_EQ(sender.result().sendsDone, duringListen ? 3 : 1);
    }
}

TEST(LineSender, APortUnpluggedWhileSendingEndsIt) {
    PtyPair pty;
    LineSender sender;
    SendRequest request = RequestFor(Action("A", 0, 0), pty.slavePath(), 5, 60000);
    request.delayMs = 300;
    bool done = false;
    QObject::connect(&sender, &LineSender::finished, [&] { done = true; });
    ASSERT_TRUE(sender.start(request));
    ASSERT_TRUE(qz::RunEventsUntil([&] { return sender.result().sendsDone == 1; }, kWaitMs));
    pty.hangUp();
    ASSERT_TRUE(qz::RunEventsUntil([&] { return done; }, kWaitMs));
    const SendResult& r = sender.result();
    EXPECT_TRUE(r.outcome == SendResult::PortLost || r.outcome == SendResult::WriteFailed)
        << r.outcome;
    EXPECT_LT(r.sendsDone, 5);
    EXPECT_FALSE(r.message.isEmpty());
}

// A fake sysfs tree in which `name` is a USB CDC-ACM port, as the keypad's port is.
class KeypadSysfs {
  public:
    explicit KeypadSysfs(const QString& name) {
        const QString device = m_dir.path() + "/devices/usb1/1-1/" + name;
        QDir().mkpath(device + "/tty/" + name);
        QDir().mkpath(m_dir.path() + "/class/tty");
        QDir().mkpath(m_dir.path() + "/bus/usb/drivers/cdc_acm");
        EXPECT_TRUE(QFile::link(device + "/tty/" + name, m_dir.path() + "/class/tty/" + name));
        EXPECT_TRUE(QFile::link(device, device + "/tty/" + name + "/device"));
        EXPECT_TRUE(QFile::link(m_dir.path() + "/bus/usb/drivers/cdc_acm", device + "/driver"));
    }
    QString root() const { return m_dir.path(); }

  private:
    QTemporaryDir m_dir;
};

TEST(LineSender, KnowsTheKeypadsPortByItsNameAndByWhereALinkLeads) {
    KeypadSysfs sysfs("ttyACM0");
    const qz::PortDiscovery discovery(sysfs.root(),
                                      [root = sysfs.root()] { return qz::ListSysfsPorts(root); });
    QTemporaryDir links;
    // A by-id style link to the keypad's device, and the device itself.
    ASSERT_TRUE(QFile::link(sysfs.root() + "/class/tty/ttyACM0", links.filePath("usb-keypad")));
    EXPECT_TRUE(qz::IsKeypadPort(discovery, "/dev/ttyACM0"));
    EXPECT_TRUE(qz::IsKeypadPort(discovery, links.filePath("ttyACM0")));
    EXPECT_FALSE(qz::IsKeypadPort(discovery, "/dev/ttyUSB0"));
    EXPECT_FALSE(qz::TryOutPorts(discovery).contains("/dev/ttyACM0"));
}

struct ReplyCase {
    const char* what;
    QByteArray reply;
    int format; // what the compare is written in
    int endChar;
};

TEST(ReplyCompare, TheCompareMadeFromAReplyEncodesBackToItsBytes) {
    const ReplyCase cases[] = {
        {"plain text", "OK", 0, 0},
        {"carriage return", "PWR=1\r", 0, 1},
        {"CR LF", "PWR=1\r\n", 0, 2},
        {"only CR LF", "\r\n", 0, 2},
        {"colons and leading blanks", "  A:B:C\r", 0, 1},
        {"8-bit text", "Caf\xe9", 0, 0},
        {"a line feed alone", "OK\n", 1, 0},
        {"a blank at the end", "OK ", 1, 0},
        {"control bytes", QByteArray("\x02PWR\x00\x03", 6), 1, 0},
        {"32 bytes of text", QByteArray(32, 'z'), 0, 0},
        {"30 bytes and CR LF", QByteArray(30, 'z') + "\r\n", 0, 2},
    };
    for (const ReplyCase& c : cases) {
        for (int mode : {0, 1}) {
            SCOPED_TRACE(std::string(c.what) + (mode ? " include" : " equal"));
            const auto made = qz::CompareFromReply(c.reply, 1, mode);
            ASSERT_TRUE(made);
            EXPECT_EQ(made->action.format, c.format);
            EXPECT_EQ(made->action.endChar, c.endChar);
            EXPECT_TRUE(made->note.isEmpty());
            const std::string text = made->action.ToActionText();
            const auto parsed = qz::CompareAction::FromActionText(text);
            ASSERT_TRUE(parsed) << text;
            EXPECT_EQ(parsed->compareMode, mode);
            EXPECT_EQ(parsed->port, 1);
            EXPECT_EQ(RecordData(text).toHex(' '), c.reply.toHex(' ')) << text;
        }
    }
}

TEST(ReplyCompare, ALongReplyGivesItsFirst32BytesAndSaysSo) {
    const QByteArray reply = QByteArray(40, 'q') + "\r\n";
    const auto made = qz::CompareFromReply(reply, 0, 0);
    ASSERT_TRUE(made);
    EXPECT_EQ(RecordData(made->action.ToActionText()), reply.left(32));
    EXPECT_TRUE(made->note.contains("42 bytes")) << made->note.toStdString();
    EXPECT_TRUE(made->note.contains("Include"));
    EXPECT_FALSE(qz::CompareFromReply({}, 0, 0));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
