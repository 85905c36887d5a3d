// The device protocol over a real pseudo-terminal: the simulated keypad on one side, the real
// QSerialPort code on the other.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include "LinkTestSupport.h"
#include "link/LinkTexts.h"
#include "model/KvqCmd.h"

using namespace qz;
using qz::test::Delayed;
using qz::test::OneClear;
using qz::test::SilentAfterHandshake;
using qz::test::WaitFor;

namespace {

const QByteArray kConeFrame(kConnectFrame.data(), int(kConnectFrame.size()));
const QByteArray kClearBytes(kClearFrame.data(), int(kClearFrame.size()));

QByteArray LearnRequest() {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.MakeLearnIrFrame();
    return QByteArray(cmd.Data(), cmd.Length());
}

// A learn reply as the keypad sends it: the code bytes right after the mnemonic.
QByteArray LearnReply(const QByteArray& code) {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.Begin(kCodeLearnIr);
    cmd.Append(std::string_view(code.constData(), size_t(code.size())));
    cmd.Complete();
    return QByteArray(cmd.Data(), cmd.Length());
}

class DeviceLinkTest : public testing::Test {
  protected:
    void SetUp() override {
        test::ShortenTimers(link);
        messages.watch(&link);
    }
    DeviceLink link;
    test::Messages messages;
};

// ---- handshake ----

struct HandshakeCase {
    const char* name;
    SimulatorOptions options;
    QString pathDecoration; // blanks around and inside the name
    PhaseEnd reason;
};
// Test names show the case's name, not its bytes.
void PrintTo(const HandshakeCase& c, std::ostream* os) {
    *os << c.name;
}

class Handshake : public DeviceLinkTest, public testing::WithParamInterface<HandshakeCase> {};

TEST_P(Handshake, EndsInADefinedState) {
    const HandshakeCase& c = GetParam();
    KeypadSimulator sim(c.options);
    ASSERT_TRUE(test::StartSimulator(sim));
    QString path = sim.devicePath();
    if (!c.pathDecoration.isEmpty()) {
        path = c.pathDecoration.arg(path.left(5), path.mid(5));
    }
    link.setKeypadPortPresent(true);
    QSignalSpy finished(&link, &DeviceLink::handshakeFinished);
    QSignalSpy ended(&link, &DeviceLink::phaseEnded);
    ASSERT_TRUE(link.connectToKeypad({path}));
    EXPECT_EQ(link.state(), LinkState::Handshake);
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    QTest::qWait(60); // a late or second answer must change nothing
    const bool success = c.reason == PhaseEnd::Done;
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].toBool(), success);
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended[0][0].value<LinkState>(), LinkState::Handshake);
    EXPECT_EQ(ended[0][1].value<PhaseEnd>(), c.reason);
    EXPECT_EQ(link.state(), LinkState::Idle);
    EXPECT_EQ(sim.receivedFrames(), QList<QByteArray>{kConeFrame});
    if (success) {
        EXPECT_EQ(link.status(), LinkStatus::ConnectSuccess);
        EXPECT_TRUE(link.isOpen());
        EXPECT_TRUE(link.usbChecked());
        EXPECT_TRUE(messages.all.isEmpty());
    } else {
        EXPECT_EQ(link.status(), LinkStatus::WaitConnect);
    }
}

SimulatorOptions Silent() {
    SimulatorOptions o;
    o.silentAfter = 0;
    return o;
}
SimulatorOptions Split() {
    SimulatorOptions o;
    o.splitPieces = 5;
    return o;
}
SimulatorOptions Noise(int bytes) {
    SimulatorOptions o;
    o.noise = QByteArray(bytes, '#');
    return o;
}
SimulatorOptions NulNoise() {
    SimulatorOptions o;
    o.noise = QByteArray("\0#\0", 3);
    return o;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Handshake,
    testing::Values(
        HandshakeCase{"Answered", {}, {}, PhaseEnd::Done},
        HandshakeCase{"BlanksInPortName", {}, QStringLiteral(" %1 %2 "), PhaseEnd::Done},
        HandshakeCase{"SplitReply", Split(), {}, PhaseEnd::Done},
        HandshakeCase{"ShortNoiseBeforeReply", Noise(5), {}, PhaseEnd::Done},
        // The reply is searched as bytes: a NUL in the noise does not hide "CONE".
        HandshakeCase{"NulInNoiseBeforeReply", NulNoise(), {}, PhaseEnd::Done},
        // "CONE" must lie within the reply's first 20 bytes; a reply without it is another answer.
        HandshakeCase{"ConeAfterTwentyBytes", Noise(9), {}, PhaseEnd::WrongAnswer},
        HandshakeCase{"NoAnswer", Silent(), {}, PhaseEnd::TimedOut},
        HandshakeCase{"AnswerAfterTimeOut", Delayed(1300), {}, PhaseEnd::TimedOut}),
    [](const testing::TestParamInfo<HandshakeCase>& info) { return std::string(info.param.name); });

TEST_F(DeviceLinkTest, HandshakeTimeOutClosesThePortAndSaysSo) {
    KeypadSimulator sim(Silent());
    ASSERT_TRUE(test::StartSimulator(sim));
    link.setKeypadPortPresent(true);
    EXPECT_FALSE(test::Connect(link, sim));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.connectionKind(), 1);
    EXPECT_FALSE(link.usbChecked());
    EXPECT_EQ(messages.texts(), QStringList{texts::kConnectUnsuccess});
    // A reply without "CONE" leaves the port open but refuses uploads.
}

TEST_F(DeviceLinkTest, ReplyWithoutConeKeepsPortOpenButNotConnected) {
    KeypadSimulator sim(Noise(9));
    ASSERT_TRUE(test::StartSimulator(sim));
    EXPECT_FALSE(test::Connect(link, sim));
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.uploadBlocker(), LinkRefusal::NotConnected);
    EXPECT_EQ(RefusalText(link.uploadBlocker()), QString::fromLatin1(texts::kPleaseConnectFirst));
    // What the device said instead, for the message that tells it apart from silence.
    EXPECT_EQ(link.handshakeReply(), QByteArray("#########KVQ000602CO"));
}

TEST_F(DeviceLinkTest, FirstCandidateThatOpensGetsTheHandshake) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    QSignalSpy finished(&link, &DeviceLink::handshakeFinished);
    ASSERT_TRUE(link.connectToKeypad({QStringLiteral("/dev/qz-no-such-port"), sim.devicePath()}));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(finished[0][0].toBool());
    ASSERT_EQ(messages.all.size(), 1);
    EXPECT_EQ(messages.all[0].first, QString::fromLatin1(texts::kCanNotOpenCom));
    EXPECT_TRUE(messages.all[0].second.contains("not there"))
        << messages.all[0].second.toStdString();
}

TEST_F(DeviceLinkTest, OnlyTheFirstPortThatOpensIsTried) {
    KeypadSimulator first(Silent());
    KeypadSimulator second;
    ASSERT_TRUE(test::StartSimulator(first));
    ASSERT_TRUE(test::StartSimulator(second));
    QSignalSpy finished(&link, &DeviceLink::handshakeFinished);
    ASSERT_TRUE(link.connectToKeypad({first.devicePath(), second.devicePath()}));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_FALSE(finished[0][0].toBool());
    EXPECT_EQ(first.receivedFrames(), QList<QByteArray>{kConeFrame});
    EXPECT_TRUE(second.receivedFrames().isEmpty());
}

TEST_F(DeviceLinkTest, WritesAreCutAtOneBufferAndNothingArrivesAfterClose) {
    KeypadSimulator sim(Delayed(30));
    ASSERT_TRUE(test::StartSimulator(sim));
    SerialTransport& transport = link.transport();
    ASSERT_TRUE(transport.open(sim.devicePath()));
    EXPECT_EQ(transport.write(QByteArray(2100, '-')), SerialTransport::kMaxWrite);
    EXPECT_EQ(transport.bytesWritten(), quint64(SerialTransport::kMaxWrite));
    // The keypad answers 30 ms later; the port is closed by then and nothing is delivered.
    QSignalSpy replies(&transport, &SerialTransport::replyReceived);
    ASSERT_GT(transport.write(kConeFrame), 0);
    ASSERT_TRUE(WaitFor([&] { return sim.receivedFrames().size() == 1; }));
    transport.close();
    QTest::qWait(100);
    EXPECT_EQ(replies.count(), 0);
    EXPECT_EQ(transport.write(kConeFrame), -1);
}

TEST_F(DeviceLinkTest, NoCandidateAsksForTheWire) {
    EXPECT_FALSE(link.connectToKeypad({}));
    EXPECT_EQ(messages.texts(), QStringList{texts::kConnectUsbWireFirst});
    EXPECT_EQ(link.state(), LinkState::Idle);
}

// ---- opening errors ----

TEST_F(DeviceLinkTest, BusyPortNamesTheProcessHoldingIt) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    SerialTransport holder;
    ASSERT_TRUE(holder.open(sim.devicePath()));
    SerialTransport second;
    OpenError error;
    EXPECT_FALSE(second.open(sim.devicePath(), {}, &error));
    EXPECT_EQ(error.fault, OpenFault::Busy);
    // The lock file QSerialPort leaves names this very process.
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().left(15);
    EXPECT_TRUE(error.detail.contains(QString::number(getpid()))) << error.detail.toStdString();
    EXPECT_TRUE(error.detail.contains(self)) << error.detail.toStdString();
}

TEST_F(DeviceLinkTest, MissingPortIsToldApart) {
    SerialTransport transport;
    OpenError error;
    EXPECT_FALSE(transport.open(QStringLiteral("/dev/qz-no-such-port"), {}, &error));
    EXPECT_EQ(error.fault, OpenFault::NotFound);
    EXPECT_FALSE(transport.isOpen());
}

TEST_F(DeviceLinkTest, PortWithoutPermissionSaysHowToGetIt) {
    if (getuid() != 0) {
        GTEST_SKIP() << "needs root to drop to another user";
    }
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const QByteArray path = sim.devicePath().toLocal8Bit();
    ASSERT_EQ(::chmod(path.constData(), 0600), 0);
    // A user without rights on the device: the child drops to "nobody" and tries to open it.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(3);
        }
        SerialTransport transport;
        OpenError error;
        const bool opened = transport.open(QString::fromLocal8Bit(path), {}, &error);
        // The pty's group may not read it (mode 0600): no group is named, the udev rule is.
        const bool told = error.fault == OpenFault::Permission && !error.detail.contains("group") &&
                          error.detail.contains("70-qzctr-keypad.rules");
        _exit(opened ? 1 : told ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(OpenFaultText, PermissionNamesAGroupOnlyWhenItHasAccess) {
    const QString withGroup = DescribeOpenFault(
        OpenFault::Permission, QStringLiteral("/dev/ttyACM0"), {}, QStringLiteral("uucp"), nullptr);
    EXPECT_TRUE(withGroup.contains("'uucp'")) << withGroup.toStdString();
    EXPECT_TRUE(withGroup.contains("70-qzctr-keypad.rules"));
    const QString withoutGroup =
        DescribeOpenFault(OpenFault::Permission, QStringLiteral("/dev/ttyACM0"), {}, {}, nullptr);
    EXPECT_FALSE(withoutGroup.contains("group")) << withoutGroup.toStdString();
    EXPECT_TRUE(withoutGroup.contains("/usr/lib/udev/rules.d/70-qzctr-keypad.rules"));
}

// The group of the device file is named only when it may read and write the file and is not
// root's group.
struct AccessCase {
    const char* name;
    QFile::Permissions permissions;
    gid_t group;
    bool named;
};
void PrintTo(const AccessCase& c, std::ostream* os) {
    *os << c.name;
}

class AccessGroupTest : public testing::TestWithParam<AccessCase> {};

TEST_P(AccessGroupTest, NamesOnlyAGroupThatMayReadAndWrite) {
    const AccessCase& c = GetParam();
    if (getuid() != 0) {
        GTEST_SKIP() << "needs root to give the file another group";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("ttyACM0"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 0, c.group), 0);
    ASSERT_TRUE(file.setPermissions(c.permissions));
    EXPECT_EQ(!AccessGroup(path).isEmpty(), c.named) << AccessGroup(path).toStdString();
}

constexpr QFile::Permissions kOwnerRw = QFile::ReadOwner | QFile::WriteOwner;
constexpr gid_t kNogroup = 65534;

INSTANTIATE_TEST_SUITE_P(
    Modes, AccessGroupTest,
    testing::Values(
        AccessCase{"GroupReadWrite", kOwnerRw | QFile::ReadGroup | QFile::WriteGroup, kNogroup,
                   true},
        AccessCase{"GroupWriteOnlyLikeATty", kOwnerRw | QFile::WriteGroup, kNogroup, false},
        AccessCase{"OwnerOnly", kOwnerRw, kNogroup, false},
        AccessCase{"RootGroup", kOwnerRw | QFile::ReadGroup | QFile::WriteGroup, 0, false}),
    [](const testing::TestParamInfo<AccessCase>& info) { return std::string(info.param.name); });

TEST(OpenFaultText, LockFileOfAnotherProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile lock(dir.filePath(QStringLiteral("LCK..ttyACM0")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(qint64(getpid())).rightJustified(10, ' ') + "\n");
    lock.close();
    LockHolder holder;
    ASSERT_TRUE(FindLockHolder(QStringLiteral("/dev/ttyACM0"), &holder, {dir.path()}));
    EXPECT_EQ(holder.pid, getpid());
    EXPECT_FALSE(holder.name.isEmpty());
    EXPECT_FALSE(FindLockHolder(QStringLiteral("/dev/ttyACM1"), &holder, {dir.path()}));
}

// A path given as bytes that Qt cannot decode (not UTF-8) still reaches its device.
TEST_F(DeviceLinkTest, PortPathThatIsNotUtf8) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray odd = QFile::encodeName(dir.path()) + "/caf\xe9";
    ASSERT_EQ(::symlink(QFile::encodeName(sim.devicePath()).constData(), odd.constData()), 0);
    // What Qt's own decoding makes of it names another file.
    ASSERT_FALSE(QFileInfo::exists(QFile::decodeName(odd)));
    QString error;
    const QString path = PortPathFromBytes(odd, &error);
    EXPECT_EQ(path, sim.devicePath()) << error.toStdString();
    QSignalSpy finished(&link, &DeviceLink::handshakeFinished);
    ASSERT_TRUE(link.connectToKeypad({path}));
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    EXPECT_TRUE(finished[0][0].toBool());

    EXPECT_EQ(PortPathFromBytes("/dev/ttyACM0"), QStringLiteral("/dev/ttyACM0"));
    const QByteArray missing = QFile::encodeName(dir.path()) + "/gone\xe9";
    EXPECT_TRUE(PortPathFromBytes(missing, &error).isEmpty());
    EXPECT_TRUE(error.contains("not there")) << error.toStdString();
    EXPECT_TRUE(error.contains("gone%E9")) << error.toStdString();
}

TEST(LineSettings, IndexTables) {
    EXPECT_EQ(BaudRateForIndex(12), 115200);
    EXPECT_EQ(BaudRateForIndex(0), 110);
    EXPECT_EQ(BaudRateForIndex(14), 256000);
    EXPECT_EQ(BaudRateForIndex(15), 9600);
    EXPECT_EQ(BaudRateForIndex(-1), 9600);
    EXPECT_EQ(ParityForIndex(3), QSerialPort::OddParity);
    EXPECT_EQ(ParityForIndex(9), QSerialPort::NoParity);
    EXPECT_EQ(DataBitsForIndex(4), QSerialPort::Data8);
    EXPECT_EQ(DataBitsForIndex(3), QSerialPort::Data7);
    EXPECT_EQ(StopBitsForIndex(2), QSerialPort::TwoStop);
    EXPECT_EQ(StopBitsForIndex(7), QSerialPort::OneStop);
    EXPECT_EQ(TrimPortName(QStringLiteral(" \t/dev/tty ACM0 \n")), QStringLiteral("/dev/ttyACM0"));
}

// ---- clear ----

struct ClearCase {
    const char* name;
    SimulatorOptions options;
    int replies;
    bool confirmed;
};
// Test names show the case's name, not its bytes.
void PrintTo(const ClearCase& c, std::ostream* os) {
    *os << c.name;
}

class Clear : public DeviceLinkTest, public testing::WithParamInterface<ClearCase> {};

TEST_P(Clear, EndsIdleAndTellsWhenUnconfirmed) {
    const ClearCase& c = GetParam();
    KeypadSimulator sim(c.options);
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    QSignalSpy finished(&link, &DeviceLink::clearFinished);
    ASSERT_TRUE(link.startClear());
    EXPECT_EQ(link.state(), LinkState::Clearing);
    EXPECT_EQ(RefusalText(link.clearBlocker()), QString::fromLatin1(texts::kMachineBeingClear));
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    EXPECT_EQ(finished[0][0].toBool(), c.confirmed);
    EXPECT_EQ(link.clearReplyCount(), c.replies);
    EXPECT_EQ(link.state(), LinkState::Idle);
    EXPECT_EQ(sim.receivedFrames(), (QList<QByteArray>{kConeFrame, kClearBytes}));
    EXPECT_EQ(messages.all.isEmpty(), c.confirmed);
    if (!c.confirmed) {
        EXPECT_TRUE(messages.all[0].first.contains("did not confirm"));
    }
    EXPECT_EQ(link.clearBlocker(), LinkRefusal::None); // a new clear may start
}

INSTANTIATE_TEST_SUITE_P(Replies, Clear,
                         testing::Values(ClearCase{"TwoClre", {}, 2, true},
                                         ClearCase{"SplitClre", Split(), 2, true},
                                         ClearCase{"OneClre", OneClear(), 1, false},
                                         ClearCase{"NoClre", SilentAfterHandshake(), 0, false}),
                         [](const testing::TestParamInfo<ClearCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(DeviceLinkTest, ClearRefusals) {
    EXPECT_FALSE(link.startClear());
    EXPECT_EQ(messages.texts(), QStringList{texts::kPleaseConnectFirst});
    link.handleReply("KVQ"); // idle: nothing changes
    EXPECT_EQ(link.state(), LinkState::Idle);
}

TEST_F(DeviceLinkTest, FirstClreChangesNothingVisible) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    link.transport().close(); // replies now come only from this test
    link.setClearTimeoutMs(100000);
    ASSERT_TRUE(link.transport().open(sim.devicePath()));
    ASSERT_TRUE(link.startClear());
    link.handleReply("KVQ000681CLRE8FENND");
    EXPECT_EQ(link.state(), LinkState::Clearing);
    link.handleReply("xxxxxxxxxxxxxxxxxxxxCLRE"); // beyond the first 20 bytes: not counted
    EXPECT_EQ(link.clearReplyCount(), 1);
    link.handleReply(QByteArray("\0", 1) + "KVQ000601CLRE87ENND"); // a NUL hides nothing
    EXPECT_EQ(link.state(), LinkState::Idle);
    EXPECT_EQ(link.clearReplyCount(), 2);
}

TEST_F(DeviceLinkTest, Unusual) {
    EXPECT_FALSE(link.sendUnusual());
    EXPECT_EQ(messages.texts(), QStringList{texts::kHaveNotOpenedCom});
    messages.all.clear();
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    EXPECT_TRUE(link.sendUnusual());
    EXPECT_EQ(messages.texts(), QStringList{texts::kSetSuccessReboot});
    ASSERT_TRUE(WaitFor([&] { return sim.receivedFrames().size() == 2; }));
    EXPECT_EQ(sim.receivedFrames()[1], QByteArray(kClearFrame81.data(), int(kClearFrame81.size())));
    EXPECT_EQ(link.state(), LinkState::Idle);
}

// ---- unplugging and the port list ----

TEST_F(DeviceLinkTest, HangUpClosesAtOnceAndReportsOnce) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    QSignalSpy lost(&link, &DeviceLink::connectionLost);
    bool portPresent = true;
    link.setPresenceProbe([&] { return portPresent; });
    portPresent = false;
    sim.hangUp();
    ASSERT_TRUE(WaitFor([&] { return lost.count() > 0; }));
    QTest::qWait(100); // no error storm after the first report
    EXPECT_EQ(lost.count(), 1);
    // Says what happened, not the error number an earlier call left behind.
    const QString detail = lost[0][1].toString();
    EXPECT_TRUE(detail.contains("unplugged")) << detail.toStdString();
    EXPECT_FALSE(detail.contains("temporarily")) << detail.toStdString();
    EXPECT_TRUE(detail.contains(sim.devicePath())) << detail.toStdString();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::UsbUnconnect);
    EXPECT_EQ(link.state(), LinkState::Idle);
    EXPECT_EQ(link.sendFrame("x"), -1);
}

TEST_F(DeviceLinkTest, HangUpDuringClearTellsTheEraseMayBePartial) {
    SimulatorOptions options;
    options.hangUpAfter = 1; // the erase frame is recorded, then the line drops
    KeypadSimulator sim(options);
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    QSignalSpy finished(&link, &DeviceLink::clearFinished);
    ASSERT_TRUE(link.startClear());
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    EXPECT_FALSE(finished[0][0].toBool());
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.state(), LinkState::Idle);
    ASSERT_FALSE(messages.all.isEmpty());
    EXPECT_TRUE(messages.all.back().second.contains("partly erased"));
    EXPECT_NE(link.status(), LinkStatus::ConnectSuccess);
}

TEST_F(DeviceLinkTest, OnlyRemovalOfTheOpenPortDropsTheConnection) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    link.portRemoved(QStringLiteral("ttyACM7"));
    link.setKeypadPortPresent(false);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::ConnectSuccess);
    link.setKeypadPortPresent(true);
    link.portRemoved(sim.devicePath());
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::WaitConnect);
}

TEST_F(DeviceLinkTest, DisconnectFollowsPresence) {
    link.setKeypadPortPresent(false);
    EXPECT_EQ(link.status(), LinkStatus::UsbUnconnect);
    link.setKeypadPortPresent(true);
    EXPECT_EQ(link.status(), LinkStatus::WaitConnect);
    EXPECT_STREQ(StatusText(link.status()), "Wait Connect");
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    link.disconnectPort();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::WaitConnect);
    EXPECT_EQ(link.connectionKind(), 0);
}

// ---- phases ----

// Whatever ends a phase, its end is reported once with the reason and its timer is stopped: no
// time-out, tick or message comes later.
struct PhaseCase {
    const char* name;
    LinkState phase;
};
void PrintTo(const PhaseCase& c, std::ostream* os) {
    *os << c.name;
}

class PhaseEnds : public DeviceLinkTest, public testing::WithParamInterface<PhaseCase> {};

TEST_P(PhaseEnds, OnDisconnectOnceAndWithoutLaterTimers) {
    const LinkState phase = GetParam().phase;
    SimulatorOptions options;
    options.silentAfter = phase == LinkState::Handshake ? 0 : 1; // the phase waits in vain
    KeypadSimulator sim(options);
    ASSERT_TRUE(test::StartSimulator(sim));
    link.setLearnSilenceMs(100);
    if (phase == LinkState::Handshake) {
        ASSERT_TRUE(link.connectToKeypad({sim.devicePath()}));
    } else {
        ASSERT_TRUE(test::Connect(link, sim));
    }
    switch (phase) {
    case LinkState::Clearing:
        ASSERT_TRUE(link.startClear());
        break;
    case LinkState::Learning:
        ASSERT_TRUE(link.startLearning());
        link.handleReply("KVQ0"); // a partial frame arms the reassembly's silence timer
        break;
    case LinkState::ClearingForUpload:
        ASSERT_TRUE(link.beginErase(kClearBytes));
        break;
    default:
        break;
    }
    ASSERT_EQ(link.state(), phase);
    QSignalSpy ended(&link, &DeviceLink::phaseEnded);
    QSignalSpy erase(&link, &DeviceLink::eraseFinished);
    QSignalSpy rejected(&link, &DeviceLink::learnedFrameRejected);
    messages.all.clear();
    link.disconnectPort();
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended[0][0].value<LinkState>(), phase);
    EXPECT_EQ(ended[0][1].value<PhaseEnd>(), PhaseEnd::Disconnected);
    EXPECT_EQ(link.state(), LinkState::Idle);
    QTest::qWait(1300); // longer than every shortened timer of the link
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(erase.count(), 0);
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_TRUE(messages.all.isEmpty()) << messages.texts().join(" | ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Phases, PhaseEnds,
                         testing::Values(PhaseCase{"Handshake", LinkState::Handshake},
                                         PhaseCase{"Clear", LinkState::Clearing},
                                         PhaseCase{"Learning", LinkState::Learning},
                                         PhaseCase{"EraseOfUpload", LinkState::ClearingForUpload}),
                         [](const testing::TestParamInfo<PhaseCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- learning ----

struct LearnCase {
    const char* name;
    SimulatorOptions options;
    bool learned;
};
// Test names show the case's name, not its bytes.
void PrintTo(const LearnCase& c, std::ostream* os) {
    *os << c.name;
}

class Learn : public DeviceLinkTest, public testing::WithParamInterface<LearnCase> {};

TEST_P(Learn, ForwardsOnlySoundFrames) {
    const LearnCase& c = GetParam();
    KeypadSimulator sim(c.options);
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    QSignalSpy learned(&link, &DeviceLink::irCodeLearned);
    QSignalSpy rejected(&link, &DeviceLink::learnedFrameRejected);
    ASSERT_TRUE(link.startLearning());
    ASSERT_TRUE(WaitFor([&] { return learned.count() + rejected.count() > 0; }));
    QTest::qWait(60);
    EXPECT_EQ(learned.count() + rejected.count(), 1);
    EXPECT_EQ(sim.receivedFrames(), (QList<QByteArray>{kConeFrame, LearnRequest()}));
    EXPECT_EQ(learned.count(), c.learned ? 1 : 0);
    if (c.learned) {
        const QByteArray code =
            c.options.irCode.isEmpty() ? KeypadSimulator::defaultIrCode() : c.options.irCode;
        EXPECT_EQ(learned[0][0].toByteArray(), code.toHex());
    }
    EXPECT_TRUE(link.learning());
    link.stopLearning();
    EXPECT_FALSE(link.learning());
    EXPECT_EQ(link.state(), LinkState::Idle);
}

SimulatorOptions BadChecksum() {
    SimulatorOptions o;
    o.badLearnChecksum = true;
    return o;
}
SimulatorOptions ShortCode() {
    SimulatorOptions o;
    o.irCode = QByteArray(90, '\x11'); // a complete, correct frame of 109 bytes
    return o;
}
SimulatorOptions HighBytes() {
    SimulatorOptions o;
    o.irCode = QByteArray(99, '\xfe');
    return o;
}

INSTANTIATE_TEST_SUITE_P(Frames, Learn,
                         testing::Values(LearnCase{"Good", {}, true},
                                         LearnCase{"HighBytes", HighBytes(), true},
                                         LearnCase{"Split", Split(), true},
                                         LearnCase{"BadChecksum", BadChecksum(), false},
                                         LearnCase{"TooShortForTheCode", ShortCode(), false}),
                         [](const testing::TestParamInfo<LearnCase>& info) {
                             return std::string(info.param.name);
                         });

// Replies fed straight in: the reassembly across replies, as when pieces arrive far apart.
TEST_F(DeviceLinkTest, LearningReassemblesAcrossReplies) {
    KeypadSimulator sim(Silent());
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(link.transport().open(sim.devicePath()));
    QSignalSpy learned(&link, &DeviceLink::irCodeLearned);
    QSignalSpy rejected(&link, &DeviceLink::learnedFrameRejected);
    ASSERT_TRUE(link.startLearning());
    const QByteArray code = KeypadSimulator::defaultIrCode();
    const QByteArray frame = LearnReply(code);
    link.handleReply(frame.left(40));
    link.handleReply(frame.mid(40, 40));
    EXPECT_EQ(learned.count(), 0);
    link.handleReply(frame.mid(80));
    ASSERT_EQ(learned.count(), 1);
    EXPECT_EQ(learned[0][0].toByteArray(), code.toHex());
    EXPECT_EQ(learned[0][1].toByteArray(), frame);

    // A frame of 98 bytes or less is never forwarded, even when whole and correct.
    link.handleReply(LearnReply(QByteArray(80, '\x01')));
    EXPECT_EQ(learned.count(), 1);
    EXPECT_EQ(rejected.count(), 1);

    // A piece that never completes is dropped after a silence; the next frame is learned.
    link.handleReply(frame.left(50));
    ASSERT_TRUE(WaitFor([&] { return rejected.count() == 2; }));
    link.handleReply(frame);
    EXPECT_EQ(learned.count(), 2);

    // A block that no longer fits the buffer is ignored.
    link.handleReply(frame.left(20));
    link.handleReply(QByteArray(2030, 'x'));
    link.handleReply(frame.mid(20));
    EXPECT_EQ(learned.count(), 3);
}

TEST_F(DeviceLinkTest, LearningNeedsAnOpenPort) {
    EXPECT_FALSE(link.startLearning());
    EXPECT_EQ(messages.texts(), QStringList{texts::kPleaseOpenCom});
    EXPECT_FALSE(link.learning());
}

TEST_F(DeviceLinkTest, AfterLearningRepliesGoByStateAgain) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    ASSERT_TRUE(test::Connect(link, sim));
    ASSERT_TRUE(link.startLearning());
    link.stopLearning();
    QSignalSpy finished(&link, &DeviceLink::clearFinished);
    ASSERT_TRUE(link.startClear());
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    EXPECT_TRUE(finished[0][0].toBool());
}

} // namespace

QZ_QT_TEST_MAIN
