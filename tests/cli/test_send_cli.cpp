// qzctl send, as the user runs it: a pseudo-terminal stands for the device at the other end of
// the adapter's cable.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "io/Latin1.h"
#include "library/Rs232Library.h"
#include "link/EventLoop.h"
#include "model/ActionTexts.h"
#include "model/KvqEventStr.h"
#include "tests/link/PtyPair.h"

using qz::test::PtyPair;

namespace {

struct SendRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// qzctl in a process of its own, while this one's event loop plays the device.
SendRun Qzctl(const QStringList& args, const QString& home = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!home.isEmpty()) {
        env.insert("QZCTR_HOME", home);
    }
    process.setProcessEnvironment(env);
    process.start(QZ_BINARY_DIR "/cli/qzctl", QStringList{"send"} + args);
    SendRun run;
    if (!process.waitForStarted(5000)) {
        return run;
    }
    qz::RunEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

std::string Action(const std::string& data, int endChar, int stopBit = 0) {
    qz::Rs232Action a;
    a.data = data;
    a.endChar = endChar;
    a.stopBit = stopBit;
    a.repeat.delay = 1;
    return a.ToActionText();
}

QByteArray RecordData(const std::string& text) {
    const std::string record = qz::CKvqEventStr::EncodeToBytes(text);
    return QByteArray(record.data() + 18, std::stoi(record.substr(16, 2)));
}

TEST(SendCli, SendsTheActionsBytesAndPrintsTheReply) {
    PtyPair pty;
    pty.onReceived([&](const QByteArray& got) {
        if (got.contains('\r')) {
            pty.write("OK\r\n");
        }
    });
    const std::string text = Action("PWR ON", 1);
    const SendRun r =
        Qzctl({"--port", pty.slavePath(), "--listen", "500", QString::fromStdString(text)});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(pty.received(), RecordData(text));
    EXPECT_TRUE(r.out.contains("9600 baud, 8 data bits, no parity, 1 stop bit"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("sent 7 bytes: PWR ON\\x0d  | 50 57 52 20 4f 4e 0d"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("reply: 4 bytes: OK\\x0d\\x0a  | 4f 4b 0d 0a"))
        << r.out.toStdString();
}

TEST(SendCli, SendsNTimes) {
    PtyPair pty;
    const std::string text = Action("A", 2);
    const SendRun r = Qzctl(
        {"--port", pty.slavePath(), "--listen", "0", "--times", "3", QString::fromStdString(text)});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    qz::RunEventsUntil([&] { return pty.received().size() >= 9; }, 2000);
    EXPECT_EQ(pty.received(), QByteArray("A\r\nA\r\nA\r\n"));
    EXPECT_EQ(r.out.count("sent 3 bytes"), 3) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("no reply within 0 ms"));
}

TEST(SendCli, SendsALibraryFunctionAsThePageWouldMakeIt) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir(home.path()).mkpath("Library"));
    qz::CRS232LibSet lib;
    lib.libName = "Proj\xe9";
    qz::CRS232LibFun on;
    on.name = "On";
    on.baudRate = "19200";
    on.dataBits = "8";
    on.stopBits = "2";
    on.parity = "NONE";
    on.endChar = qz::kEndCrLf;
    const QByteArray bytes = "PWR ON\r\n";
    on.dataLength = int(bytes.size());
    std::copy(bytes.begin(), bytes.end(), on.data.begin());
    lib.functions.push_back(on);
    const QString file =
        qz::latin1::LibraryFilePaths(home.path() + "/Library", "Proj\xe9", ".rss").own;
    ASSERT_TRUE(qz::SaveRs232LibraryFile(file, lib));

    PtyPair pty;
    const SendRun r = Qzctl({"--port", pty.slavePath(), "--listen", "0", "--lib",
                             QString::fromLatin1("Proj\xe9"), "--function", "On"},
                            home.path());
    // QProcess passes the name in UTF-8; the library file is found under either spelling.
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    qz::RunEventsUntil([&] { return pty.received().size() >= bytes.size(); }, 2000);
    EXPECT_EQ(pty.received(), bytes);
    EXPECT_TRUE(r.out.contains("19200 baud, 8 data bits, no parity, 2 stop bits"))
        << r.out.toStdString();

    const SendRun missing = Qzctl(
        {"--port", pty.slavePath(), "--lib", QString::fromLatin1("Proj\xe9"), "--function", "Off"},
        home.path());
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains("has no function Off")) << missing.err.toStdString();
    // QTemporaryDir cannot remove a file name that is not UTF-8.
    EXPECT_EQ(std::remove((QFile::encodeName(home.path()) + "/Library/Proj\xe9.rss").constData()),
              0);
}

TEST(SendCli, RefusesTheKeypadsPortUnlessForced) {
    // A sysfs tree in which ttyACM0 is a USB CDC-ACM port, and a ttyACM0 that leads to the pty.
    QTemporaryDir sysfs;
    const QString device = sysfs.path() + "/devices/usb1/1-1/ttyACM0";
    ASSERT_TRUE(QDir().mkpath(device + "/tty/ttyACM0"));
    ASSERT_TRUE(QDir().mkpath(sysfs.path() + "/class/tty"));
    ASSERT_TRUE(QDir().mkpath(sysfs.path() + "/bus/usb/drivers/cdc_acm"));
    ASSERT_TRUE(QFile::link(device + "/tty/ttyACM0", sysfs.path() + "/class/tty/ttyACM0"));
    ASSERT_TRUE(QFile::link(device, device + "/tty/ttyACM0/device"));
    ASSERT_TRUE(QFile::link(sysfs.path() + "/bus/usb/drivers/cdc_acm", device + "/driver"));
    PtyPair pty;
    QTemporaryDir dev;
    const QString keypad = dev.filePath("ttyACM0");
    ASSERT_TRUE(QFile::link(pty.slavePath(), keypad));
    const QString text = QString::fromStdString(Action("PWR ON", 1));

    const SendRun refused = Qzctl({"--port", keypad, "--sysfs", sysfs.path(), text});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains("is the keypad's own port")) << refused.err.toStdString();
    qz::RunEventsUntil([] { return false; }, 100);
    EXPECT_TRUE(pty.received().isEmpty());

    const SendRun forced =
        Qzctl({"--port", keypad, "--sysfs", sysfs.path(), "--force", "--listen", "0", text});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
}

TEST(SendCli, RefusesWhatCannotBeSentAndWarnsOfTheLine) {
    PtyPair pty;
    const SendRun relay = Qzctl({"--port", pty.slavePath(), "RELY : 0 : 0 : 0"});
    EXPECT_EQ(relay.status, 2);
    EXPECT_TRUE(relay.err.contains("only an RS232 action can be sent")) << relay.err.toStdString();

    const SendRun gone =
        Qzctl({"--port", "/dev/no-such-adapter", QString::fromStdString(Action("A", 0))});
    EXPECT_EQ(gone.status, 1);
    EXPECT_TRUE(gone.err.contains("/dev/no-such-adapter")) << gone.err.toStdString();

    const SendRun oneAndHalf = Qzctl(
        {"--port", pty.slavePath(), "--listen", "0", QString::fromStdString(Action("A", 0, 1))});
    EXPECT_EQ(oneAndHalf.status, 0);
    EXPECT_TRUE(oneAndHalf.err.contains("warning: 1.5 stop bits are programmed as 1 stop bit"))
        << oneAndHalf.err.toStdString();

    EXPECT_EQ(Qzctl({"--port", pty.slavePath(), "--times", "0", "X"}).status, 2);
    EXPECT_EQ(Qzctl({pty.slavePath()}).status, 2);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
