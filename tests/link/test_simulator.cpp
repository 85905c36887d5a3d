// The keypad simulator, driven through a real pseudo-terminal by QSerialPort, the way the link
// and `qzctl sim` users reach it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "link/KeypadSimulator.h"
#include "model/KvqCmd.h"

using qz::CKvqCmd;
using qz::KeypadSimulator;
using qz::SimulatorOptions;

namespace {

const QByteArray kConnect(qz::kConnectFrame.data(), qz::kConnectFrame.size());
const QByteArray kClear(qz::kClearFrame.data(), qz::kClearFrame.size());
const QByteArray kClear81(qz::kClearFrame81.data(), qz::kClearFrame81.size());
const QByteArray kLearn("KVQ000603NONE93ENND");

QByteArray KeyNameFrame(int key, const char* name) {
    qz::FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.MakeKeyNameFrame(key, name);
    return QByteArray(cmd.Data(), cmd.Length());
}

// An event frame whose body holds bytes a text-minded reader would trip over.
QByteArray BinaryEventFrame() {
    qz::FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.Begin(qz::kCodePress);
    cmd.Append(std::string_view("0001\x00\xff\x80KVQ\r", 12));
    cmd.Complete();
    return QByteArray(cmd.Data(), cmd.Length());
}

bool IsGoodFrame(const QByteArray& bytes) {
    const CKvqCmd view(bytes.constData(), static_cast<int>(bytes.size()));
    return view.IsFrameComplete() && view.IsFrameSumValid() &&
           bytes.size() == view.GetFrameLength() + 13 && bytes.endsWith("ENND");
}

// Cuts a byte stream at frame ends (the simulator's replies carry no noise unless asked).
QList<QByteArray> SplitFrames(QByteArray bytes) {
    QList<QByteArray> frames;
    while (!bytes.isEmpty()) {
        const int length =
            CKvqCmd(bytes.constData(), static_cast<int>(bytes.size())).GetFrameLength();
        if (length <= 0 || bytes.size() < length + 13) {
            frames.append(bytes); // whatever is left, so a test sees it
            break;
        }
        frames.append(bytes.left(length + 13));
        bytes.remove(0, length + 13);
    }
    return frames;
}

// The client end: a QSerialPort on the pty slave that notes every read with its time.
class Client {
  public:
    struct Read {
        qint64 atMs;
        QByteArray bytes;
    };

    bool open(const QString& path) {
        port.setPortName(path);
        port.setBaudRate(115200);
        QObject::connect(&port, &QSerialPort::readyRead, [this] {
            reads.append({clock.elapsed(), port.readAll()});
        });
        QObject::connect(&port, &QSerialPort::errorOccurred,
                         [this](QSerialPort::SerialPortError e) {
                             if (e != QSerialPort::NoError) {
                                 errors.append(e);
                             }
                         });
        clock.start();
        return port.open(QIODevice::ReadWrite);
    }
    void send(const QByteArray& bytes) {
        sentAtMs = clock.elapsed();
        port.write(bytes);
        port.flush();
    }
    QByteArray all() const {
        QByteArray out;
        for (const Read& r : reads) {
            out += r.bytes;
        }
        return out;
    }
    // Waits until `n` bytes have arrived in total.
    bool waitBytes(int n, int timeoutMs = 3000) {
        return QTest::qWaitFor([&] { return all().size() >= n; }, timeoutMs);
    }

    QSerialPort port;
    QElapsedTimer clock;
    QList<Read> reads;
    QList<QSerialPort::SerialPortError> errors;
    qint64 sentAtMs = 0;
};

class SimulatorTest : public ::testing::Test {
  protected:
    // Starts a simulator with `options` and opens a client on it.
    void Start(SimulatorOptions options = {}) {
        sim = std::make_unique<KeypadSimulator>(std::move(options));
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
        ASSERT_TRUE(sim->devicePath().startsWith("/dev/pts/")) << sim->devicePath().toStdString();
        ASSERT_TRUE(client.open(sim->devicePath())) << client.port.errorString().toStdString();
    }

    std::unique_ptr<KeypadSimulator> sim;
    Client client;
};

TEST_F(SimulatorTest, AnswersEachFrameTypeAsTheKeypadDoes) {
    Start();
    // Connect: the fixed "CONE" frame, "CONE" within the first 20 bytes.
    client.send(kConnect);
    ASSERT_TRUE(client.waitBytes(kConnect.size()));
    EXPECT_EQ(client.all(), kConnect);
    EXPECT_TRUE(IsGoodFrame(client.all()));
    EXPECT_LT(client.all().indexOf("CONE"), 20 - 4);

    // Erase: two "CLRE" frames, apart enough to count as two replies even for a reader that
    // joins everything up to 50 ms of silence.
    client.reads.clear();
    client.send(kClear);
    ASSERT_TRUE(client.waitBytes(2 * kClear81.size()));
    EXPECT_EQ(client.all(), kClear81 + kClear81);
    ASSERT_GE(client.reads.size(), 2);
    EXPECT_EQ(client.reads.first().bytes, kClear81);
    EXPECT_GE(client.reads.last().atMs - client.reads.first().atMs, 50);

    // Learn: one correctly summed frame with the 99 code bytes at offsets 13..111.
    client.reads.clear();
    client.send(kLearn);
    ASSERT_TRUE(client.waitBytes(13 + 99 + 6));
    const QByteArray learned = client.all();
    EXPECT_TRUE(IsGoodFrame(learned));
    EXPECT_EQ(learned.mid(13, 99), KeypadSimulator::defaultIrCode());
    EXPECT_EQ(learned.size(), 13 + 99 + 6);
    const CKvqCmd view(learned.constData(), static_cast<int>(learned.size()));
    EXPECT_EQ(view.GetLearnedIrCode(), KeypadSimulator::defaultIrCode().toHex().toStdString());

    // Anything else: a short acknowledgement that is neither a handshake nor an erase reply.
    for (const QByteArray& frame : {KeyNameFrame(3, "Lamp"), BinaryEventFrame(), kClear81}) {
        client.reads.clear();
        client.send(frame);
        ASSERT_TRUE(QTest::qWaitFor([&] { return IsGoodFrame(client.all()); }, 3000))
            << frame.toStdString();
        const QByteArray ack = client.all();
        EXPECT_LE(ack.size(), 19);
        EXPECT_FALSE(ack.contains("CONE"));
        EXPECT_FALSE(ack.contains("CLRE"));
        EXPECT_EQ(ack.mid(7, 2), frame.mid(7, 2));
    }
    EXPECT_EQ(sim->receivedFrames().size(), 6);
}

TEST_F(SimulatorTest, RecordsFramesFromAnyCutOfTheByteStream) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SimulatorOptions options;
    options.logPath = dir.filePath("frames.log");
    Start(options);
    QSignalSpy spy(sim.get(), &KeypadSimulator::frameReceived);

    const QByteArray name = KeyNameFrame(0, "Up");
    const QByteArray binary = BinaryEventFrame();
    // Two frames in one write, a frame behind line noise and a header with an impossible length,
    // then a frame byte by byte.
    client.send(kConnect + name);
    client.send("\x00\xffKV" + QByteArray("KVQ9999xxKVQ") + binary);
    for (char c : kLearn) {
        client.send(QByteArray(1, c));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim->receivedFrames().size() >= 4; }, 3000));
    QTest::qWait(50);

    const QList<QByteArray> expected{kConnect, name, binary, kLearn};
    EXPECT_EQ(sim->receivedFrames(), expected);
    ASSERT_EQ(spy.size(), 4);
    EXPECT_EQ(spy.at(2).at(0).toByteArray(), binary);

    QFile log(options.logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), kConnect + "\n" + name + "\n" + binary + "\n" + kLearn + "\n");
}

TEST_F(SimulatorTest, DropsAnUnfinishedFrameAfterSilence) {
    Start();
    // A sender that died in the middle of a frame must not swallow the next one.
    client.send(kConnect.left(10));
    QTest::qWait(KeypadSimulator::kStaleInputMs + 150);
    client.send(kLearn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sim->receivedFrames().isEmpty(); }, 3000));
    EXPECT_EQ(sim->receivedFrames(), QList<QByteArray>{kLearn});
}

TEST_F(SimulatorTest, SilentFromTheStartOrAfterSomeFrames) {
    for (int silentAfter : {0, 2}) {
        SCOPED_TRACE(silentAfter);
        SimulatorOptions options;
        options.silentAfter = silentAfter;
        KeypadSimulator s(options);
        ASSERT_TRUE(s.start(nullptr));
        Client c;
        ASSERT_TRUE(c.open(s.devicePath()));
        for (int i = 0; i < 3; ++i) {
            const int before = static_cast<int>(c.all().size());
            c.send(kConnect);
            ASSERT_TRUE(QTest::qWaitFor([&] { return s.receivedFrames().size() == i + 1; }, 3000));
            if (i < silentAfter) {
                EXPECT_TRUE(c.waitBytes(before + kConnect.size())) << "frame " << i + 1;
            } else {
                EXPECT_FALSE(c.waitBytes(before + 1, 150)) << "frame " << i + 1;
            }
        }
        EXPECT_EQ(s.receivedFrames().size(), 3);
    }
}

TEST_F(SimulatorTest, OneClearReplyOnly) {
    SimulatorOptions options;
    options.oneClear = true;
    Start(options);
    client.send(kClear);
    ASSERT_TRUE(client.waitBytes(kClear81.size()));
    QTest::qWait(KeypadSimulator::kReplyGapMs * 3);
    EXPECT_EQ(client.all(), kClear81);
}

TEST_F(SimulatorTest, SplitRepliesArriveInPiecesCloseTogether) {
    SimulatorOptions options;
    options.splitPieces = 4;
    Start(options);
    client.send(kLearn);
    ASSERT_TRUE(client.waitBytes(118));
    EXPECT_TRUE(IsGoodFrame(client.all()));
    ASSERT_GE(client.reads.size(), 2);
    // Pieces of one reply: no 50 ms of silence between them (on average, so that a busy machine
    // delaying one piece does not count).
    EXPECT_LT(client.reads.last().atMs - client.reads.first().atMs, 50 * (client.reads.size() - 1));

    // The erase replies are split too and still come as two whole frames.
    client.reads.clear();
    client.send(kClear);
    ASSERT_TRUE(client.waitBytes(2 * kClear81.size()));
    EXPECT_EQ(SplitFrames(client.all()), (QList<QByteArray>{kClear81, kClear81}));
    EXPECT_GE(client.reads.size(), 4);
}

TEST_F(SimulatorTest, DelayedReplies) {
    SimulatorOptions options;
    options.replyDelayMs = 150;
    Start(options);
    client.send(kConnect);
    ASSERT_TRUE(client.waitBytes(kConnect.size()));
    EXPECT_GE(client.reads.first().atMs - client.sentAtMs, 150);

    client.reads.clear();
    client.send(kClear);
    ASSERT_TRUE(client.waitBytes(2 * kClear81.size()));
    EXPECT_GE(client.reads.first().atMs - client.sentAtMs, 150);
    // Each reply waits its own delay.
    EXPECT_GE(client.reads.last().atMs - client.reads.first().atMs, 150);
}

TEST_F(SimulatorTest, NoiseBeforeEachReply) {
    SimulatorOptions options;
    options.noise = QByteArray("\x00\xffKV?", 5);
    Start(options);
    client.send(kClear);
    ASSERT_TRUE(client.waitBytes(2 * (5 + kClear81.size())));
    EXPECT_EQ(client.all(), options.noise + kClear81 + options.noise + kClear81);
}

TEST_F(SimulatorTest, LearnRepliesWithTheGivenCodeOrAWrongChecksum) {
    struct Case {
        QByteArray code;
        bool badChecksum;
    };
    const Case cases[] = {
        {QByteArray(99, '\x7e'), false},
        {KeypadSimulator::defaultIrCode(), true},
        {QByteArray("\x01\x02\x03", 3), false}, // a reply too short to carry a code
    };
    for (const Case& c : cases) {
        SimulatorOptions options;
        options.irCode = c.code;
        options.badLearnChecksum = c.badChecksum;
        KeypadSimulator s(options);
        ASSERT_TRUE(s.start(nullptr));
        Client client;
        ASSERT_TRUE(client.open(s.devicePath()));
        client.send(kLearn);
        ASSERT_TRUE(client.waitBytes(13 + c.code.size() + 6));
        const QByteArray reply = client.all();
        const CKvqCmd view(reply.constData(), static_cast<int>(reply.size()));
        EXPECT_TRUE(view.IsFrameComplete());
        EXPECT_EQ(view.IsFrameSumValid(), !c.badChecksum);
        EXPECT_EQ(reply.mid(13, c.code.size()), c.code);
        EXPECT_EQ(view.GetLearnedIrCode().empty(), c.code.size() < 99);
    }
}

TEST_F(SimulatorTest, HangUpAfterFramesDropsTheLine) {
    SimulatorOptions options;
    options.hangUpAfter = 1;
    Start(options);
    QSignalSpy hung(sim.get(), &KeypadSimulator::hungUp);
    client.send(kConnect);
    ASSERT_TRUE(client.waitBytes(kConnect.size()));
    EXPECT_FALSE(sim->isHungUp());

    client.send(KeyNameFrame(0, "Up"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !client.errors.isEmpty(); }, 3000));
    EXPECT_EQ(client.errors.first(), QSerialPort::ResourceError);
    EXPECT_EQ(hung.size(), 1);
    EXPECT_TRUE(sim->isHungUp());
    EXPECT_EQ(client.all(), kConnect);
    EXPECT_EQ(sim->receivedFrames().size(), 2);
}

TEST_F(SimulatorTest, HangUpFailsTheClientsReadsAndWrites) {
    sim = std::make_unique<KeypadSimulator>();
    ASSERT_TRUE(sim->start(nullptr));
    const int fd = ::open(sim->devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    sim->hangUp();
    char c;
    EXPECT_LE(::read(fd, &c, 1), 0);
    errno = 0;
    EXPECT_EQ(::write(fd, "K", 1), -1);
    EXPECT_EQ(errno, EIO);
    ::close(fd);
    // Later frames are not taken, and a second hang-up is harmless.
    sim->hangUp();
    EXPECT_TRUE(sim->receivedFrames().isEmpty());
}

TEST_F(SimulatorTest, PacesBothDirectionsAtTheBaudRate) {
    SimulatorOptions options;
    options.baud = 9600;
    Start(options);
    client.send(kLearn);
    ASSERT_TRUE(client.waitBytes(118));
    // 19 bytes in and 118 bytes out at 10 bits a byte: about 143 ms on the wire.
    const qint64 took = client.reads.last().atMs - client.sentAtMs;
    EXPECT_GE(took, (19 + 118) * 10 * 1000 / 9600 - 5);
    EXPECT_LT(took, 2000);
    // The reply trickles in rather than arriving in one block.
    EXPECT_GE(client.reads.size(), 5);
    EXPECT_TRUE(IsGoodFrame(client.all()));
}

TEST_F(SimulatorTest, PacedInputArrivesWhenItsLastByteWould) {
    SimulatorOptions options;
    options.baud = 115200;
    Start(options);
    qz::FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.Begin(qz::kCodePress);
    cmd.Append(std::string(1987, 'a'));
    cmd.Complete();
    const QByteArray big(cmd.Data(), cmd.Length());
    ASSERT_EQ(big.size(), 2006);

    QElapsedTimer clock;
    qint64 arrivedMs = -1;
    QObject::connect(sim.get(), &KeypadSimulator::frameReceived,
                     [&] { arrivedMs = clock.elapsed(); });
    clock.start();
    client.send(big);
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrivedMs >= 0; }, 3000));
    EXPECT_GE(arrivedMs, big.size() * 10 * 1000 / 115200 - 5);
    EXPECT_EQ(sim->receivedFrames(), QList<QByteArray>{big});
    ASSERT_TRUE(QTest::qWaitFor([&] { return IsGoodFrame(client.all()); }, 3000));
}

TEST(SimulatorStart, RefusesWhatItCannotDo) {
    QTemporaryDir dir;
    SimulatorOptions badLog;
    badLog.logPath = dir.filePath("no/such/dir/log.txt");
    SimulatorOptions longCode;
    longCode.irCode = QByteArray(KeypadSimulator::kMaxIrCodeBytes + 1, 'x');
    for (const SimulatorOptions& options : {badLog, longCode}) {
        KeypadSimulator s(options);
        QString error;
        EXPECT_FALSE(s.start(&error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(s.devicePath().isEmpty());
    }
    KeypadSimulator twice;
    ASSERT_TRUE(twice.start(nullptr));
    QString error;
    EXPECT_FALSE(twice.start(&error));
    EXPECT_FALSE(error.isEmpty());
}

// `qzctl sim`, as a script or the editor's user starts it.
class QzctlSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!QFile::exists(kQzctl)) {
            GTEST_SKIP() << "qzctl not built";
        }
    }
    // Starts `qzctl sim ARGS` and returns the device path from its first line.
    QString StartSim(const QStringList& args) {
        sim.start(kQzctl, QStringList{"sim"} + args);
        if (!sim.waitForStarted(3000) ||
            !QTest::qWaitFor([&] { return sim.canReadLine(); }, 5000)) {
            return {};
        }
        return QString::fromLocal8Bit(sim.readLine()).trimmed();
    }
    void TearDown() override {
        if (sim.state() != QProcess::NotRunning) {
            sim.kill();
            sim.waitForFinished(3000);
        }
    }

    const QString kQzctl = QStringLiteral(QZ_BINARY_DIR "/cli/qzctl");
    QProcess sim;
};

TEST_F(QzctlSimTest, AnswersOnItsPtyAndExitsCleanlyOnSignals) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        QTemporaryDir dir;
        const QString log = dir.filePath("sim.log");
        const QByteArray code(99, '\x11');
        const QString path = StartSim(
            {"--log", log, "--split", "3", "--ir-code", QString::fromLatin1(code.toHex())});
        ASSERT_TRUE(path.startsWith("/dev/pts/")) << path.toStdString();
        {
            Client client;
            ASSERT_TRUE(client.open(path));
            client.send(kLearn);
            ASSERT_TRUE(client.waitBytes(118));
            EXPECT_TRUE(IsGoodFrame(client.all()));
            EXPECT_EQ(client.all().mid(13, 99), code);
            client.reads.clear();
            client.send(kConnect);
            ASSERT_TRUE(client.waitBytes(kConnect.size()));
            EXPECT_EQ(client.all(), kConnect);
        }
        ::kill(static_cast<pid_t>(sim.processId()), signal);
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.exitCode(), 0);
        EXPECT_TRUE(sim.readAllStandardOutput().isEmpty()) << "the path is the only line";
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), kLearn + "\n" + kConnect + "\n");
    }
}

TEST_F(QzctlSimTest, EndsByItselfWhenItHangsUp) {
    const QString path = StartSim({"--hang-up-after", "0"});
    ASSERT_FALSE(path.isEmpty());
    Client client;
    ASSERT_TRUE(client.open(path));
    client.send(kConnect);
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_TRUE(sim.readAllStandardError().contains("hung up"));
}

TEST_F(QzctlSimTest, RefusesBadOptions) {
    const QList<QStringList> bad = {
        {"--baud", "x"},     {"--baud", "0"},   {"--baud", "-9600"}, {"--ir-code", "ABC"},
        {"--ir-code", "zz"}, {"--split", "0"},  {"--delay", "1e3"},  {"--bogus"},
        {"--log"},           {"--one-clear=1"}, {"extra"},
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        QProcess p;
        p.start(kQzctl, QStringList{"sim"} + args);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
