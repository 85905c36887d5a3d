// The keypad session as the editor window observes it: status from the injected port list, and
// every command ending with a typed reason, against the simulated keypad over a real pty.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "LinkTestSupport.h"
#include "link/KeypadSession.h"
#include "link/LinkTexts.h"
#include "model/Configuration.h"
#include "model/UploadPlan.h"

using namespace qz;
using qz::test::WaitFor;

namespace {

const std::string kLed = "LEDP : 3 : 2 : 2";

Configuration Project() {
    Configuration config;
    config.AddAction(0, config.AddEvent(0, kFamilyKey, 0, 0), kLed);
    config.AddAction(4, config.AddEvent(4, kFamilyKey, 1, 0), kLed);
    return config;
}

// The keypad (a simulator) plugged into a fake port list that the session watches.
class SessionTest : public testing::Test {
  protected:
    void Plug(KeypadSimulator& sim) {
        ASSERT_TRUE(test::StartSimulator(sim));
        simName = QFileInfo(sim.devicePath()).fileName();
        ports.add(simName, sim.devicePath(), true);
        session->watcher().poll();
    }
    void Unplug() {
        ports.remove(simName);
        session->watcher().poll();
    }
    // A session over the fake list, with the link's timers shortened.
    void Start() {
        session = std::make_unique<KeypadSession>(ports.discovery());
        test::ShortenTimers(session->link());
        session->setClearTickMs(100);
        session->uploader().setSystemTimeoutMs(1500);
        session->uploader().setEventTimeoutMs(1500);
        ASSERT_TRUE(log.isValid());
        session->setUploadLogPath(log.filePath(QStringLiteral("log.txt")));
        messages.watch(session.get());
    }
    bool ConnectAndWait() {
        QSignalSpy finished(session.get(), &KeypadSession::connectFinished);
        session->connectKeypad();
        return WaitFor([&] { return finished.count() > 0; }) &&
               finished[0][0].value<PhaseEnd>() == PhaseEnd::Done;
    }

    test::FakePorts ports;
    QTemporaryDir log;
    QString simName;
    std::unique_ptr<KeypadSession> session;
    test::Messages messages;
};

TEST_F(SessionTest, StatusFollowsPluggingAndUnplugging) {
    ports.add(QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0"), false);
    Start();
    EXPECT_EQ(session->statusText(), QString::fromLatin1(texts::kUsbUnconnect));
    QSignalSpy texts(session.get(), &KeypadSession::statusTextChanged);

    KeypadSimulator sim;
    Plug(sim);
    ASSERT_EQ(texts.count(), 1);
    EXPECT_EQ(texts[0][0].toString(), QString::fromLatin1(texts::kWaitConnect));
    EXPECT_EQ(session->candidates(), QStringList{sim.devicePath()});

    ASSERT_TRUE(ConnectAndWait());
    EXPECT_EQ(texts.last()[0].toString(), QString::fromLatin1(texts::kConnectSuccess));

    QSignalSpy lost(session.get(), &KeypadSession::connectionLost);
    Unplug();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(session->isOpen());
    EXPECT_EQ(texts.last()[0].toString(), QString::fromLatin1(texts::kUsbUnconnect));
}

TEST_F(SessionTest, ConnectWithoutKeypadIsRefusedAndSaysSo) {
    Start();
    QSignalSpy finished(session.get(), &KeypadSession::connectFinished);
    EXPECT_FALSE(session->connectKeypad());
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].value<PhaseEnd>(), PhaseEnd::Refused);
    EXPECT_EQ(messages.texts(), QStringList{texts::kConnectUsbWireFirst});
}

TEST_F(SessionTest, FixedPortIsUsedInsteadOfDiscovery) {
    Start();
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    session->setFixedPort(sim.devicePath());
    ASSERT_TRUE(ConnectAndWait());
    EXPECT_EQ(session->status(), LinkStatus::ConnectSuccess);
    QSignalSpy finished(session.get(), &KeypadSession::connectFinished);
    session->disconnectKeypad();
    EXPECT_FALSE(session->isOpen());
    EXPECT_TRUE(finished.isEmpty()); // nothing was waiting
}

// Learning asked for while another phase runs is refused at once, and the running phase still
// gets its replies and ends as it would have.
struct OverlapCase {
    const char* name;
    bool duringClear; // else during the handshake
};
void PrintTo(const OverlapCase& c, std::ostream* os) {
    *os << c.name;
}

class LearningOverlap : public SessionTest, public testing::WithParamInterface<OverlapCase> {};

TEST_P(LearningOverlap, IsRefusedAndThePhaseEndsAsItWould) {
    Start();
    SimulatorOptions slow;
    slow.replyDelayMs = 100; // the learn request comes while the phase waits for its answer
    KeypadSimulator sim(slow);
    Plug(sim);
    QSignalSpy learningEnded(session.get(), &KeypadSession::learningEnded);
    QSignalSpy learned(session.get(), &KeypadSession::codeLearned);
    QSignalSpy connected(session.get(), &KeypadSession::connectFinished);
    QSignalSpy cleared(session.get(), &KeypadSession::clearFinished);
    QSignalSpy clearProgress(session.get(), &KeypadSession::clearProgress);
    if (GetParam().duringClear) {
        ASSERT_TRUE(ConnectAndWait());
        ASSERT_TRUE(session->clear());
        EXPECT_EQ(session->state(), LinkState::Clearing);
    } else {
        ASSERT_TRUE(session->connectKeypad());
        EXPECT_EQ(session->state(), LinkState::Handshake);
    }
    EXPECT_NE(session->learnBlocker(), LinkRefusal::None);
    EXPECT_FALSE(session->startLearning());
    ASSERT_EQ(learningEnded.count(), 1);
    EXPECT_EQ(learningEnded[0][0].value<PhaseEnd>(), PhaseEnd::Refused);

    if (GetParam().duringClear) {
        ASSERT_TRUE(WaitFor([&] { return cleared.count() > 0; }));
        EXPECT_EQ(cleared[0][0].value<PhaseEnd>(), PhaseEnd::Done);
        EXPECT_EQ(session->link().clearReplyCount(), 2);
        ASSERT_FALSE(clearProgress.isEmpty());
        EXPECT_EQ(clearProgress.last()[2].toInt(), 2);
        EXPECT_EQ(messages.texts().value(0), QString::fromLatin1(texts::kMachineBeingClear));
    } else {
        ASSERT_TRUE(WaitFor([&] { return connected.count() > 0; }));
        EXPECT_EQ(connected[0][0].value<PhaseEnd>(), PhaseEnd::Done);
        EXPECT_EQ(session->status(), LinkStatus::ConnectSuccess);
        EXPECT_EQ(messages.texts().value(0), QString::fromLatin1(texts::kSendDataIng));
    }
    EXPECT_EQ(session->state(), LinkState::Idle);
    EXPECT_TRUE(learned.isEmpty());
    // Nothing was sent for the refused learning.
    EXPECT_EQ(sim.receivedFrames().size(), GetParam().duringClear ? 2 : 1);

    // Afterwards learning works, and stopping it is reported too.
    ASSERT_TRUE(session->startLearning());
    ASSERT_TRUE(WaitFor([&] { return learned.count() > 0; }));
    EXPECT_EQ(learned[0][0].toByteArray(), KeypadSimulator::defaultIrCode().toHex());
    session->stopLearning();
    ASSERT_EQ(learningEnded.count(), 2);
    EXPECT_EQ(learningEnded[1][0].value<PhaseEnd>(), PhaseEnd::Stopped);
}

INSTANTIATE_TEST_SUITE_P(During, LearningOverlap,
                         testing::Values(OverlapCase{"Handshake", false},
                                         OverlapCase{"Clear", true}),
                         [](const testing::TestParamInfo<OverlapCase>& info) {
                             return std::string(info.param.name);
                         });

// Stopping learning only ends learning: a clear that runs is not cut short.
TEST_F(SessionTest, StopLearningLeavesAClearAlone) {
    Start();
    KeypadSimulator sim;
    Plug(sim);
    ASSERT_TRUE(ConnectAndWait());
    QSignalSpy cleared(session.get(), &KeypadSession::clearFinished);
    ASSERT_TRUE(session->clear());
    session->stopLearning();
    EXPECT_EQ(session->state(), LinkState::Clearing);
    ASSERT_TRUE(WaitFor([&] { return cleared.count() > 0; }));
    EXPECT_EQ(cleared[0][0].value<PhaseEnd>(), PhaseEnd::Done);
}

TEST_F(SessionTest, LostPortEndsLearningAtOnce) {
    Start();
    SimulatorOptions options;
    options.hangUpAfter = 1; // the learn request arrives, then the line drops
    KeypadSimulator sim(options);
    Plug(sim);
    ASSERT_TRUE(ConnectAndWait());
    QSignalSpy ended(session.get(), &KeypadSession::learningEnded);
    ASSERT_TRUE(session->startLearning());
    ASSERT_TRUE(WaitFor([&] { return ended.count() > 0; }, 2000));
    EXPECT_EQ(ended[0][0].value<PhaseEnd>(), PhaseEnd::PortLost);
    ASSERT_FALSE(messages.all.isEmpty());
    EXPECT_EQ(messages.all.last().first, QString::fromLatin1(texts::kPortLost));
    EXPECT_TRUE(messages.all.last().second.contains("No IR code was learned"));
}

struct UnplugCase {
    const char* name;
    bool hangUp; // the line drops; else the port leaves the port list
};
void PrintTo(const UnplugCase& c, std::ostream* os) {
    *os << c.name;
}

class UnplugDuringUpload : public SessionTest, public testing::WithParamInterface<UnplugCase> {};

TEST_P(UnplugDuringUpload, EndsItAtOnce) {
    Start();
    KeypadSimulator sim;
    Plug(sim);
    ASSERT_TRUE(ConnectAndWait());
    QSignalSpy finished(session.get(), &KeypadSession::uploadFinished);
    QSignalSpy progress(session.get(), &KeypadSession::uploadProgress);
    QElapsedTimer clock;
    QObject::connect(&session->uploader(), &Uploader::frameSent, [&](int index) {
        if (index != 10) {
            return;
        }
        clock.start();
        if (GetParam().hangUp) {
            sim.hangUp();
        } else {
            Unplug();
        }
    });
    ASSERT_TRUE(session->upload(Project()));
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }));
    // Far below the 3 s an unanswered frame would wait.
    EXPECT_LT(clock.elapsed(), 1000);
    const auto result = finished[0][0].value<UploadResult>();
    EXPECT_EQ(result.outcome, UploadResult::PortLost);
    EXPECT_LE(result.framesSent, 12);
    EXPECT_FALSE(session->uploading());
    EXPECT_FALSE(session->isOpen());
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last()[1].toInt(), BuildUploadPlan(Project()).range);
    // Told once, in the result: no message() besides it that a window would show again.
    EXPECT_TRUE(messages.all.isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(result.message.startsWith(QString::fromLatin1(texts::kUploadPortLost)));
    EXPECT_TRUE(result.message.contains("only part of the configuration"));
}

INSTANTIATE_TEST_SUITE_P(By, UnplugDuringUpload,
                         testing::Values(UnplugCase{"HangUp", true},
                                         UnplugCase{"RemovalFromTheList", false}),
                         [](const testing::TestParamInfo<UnplugCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(SessionTest, RefusedCommandsReportTheirEnd) {
    Start();
    QSignalSpy uploaded(session.get(), &KeypadSession::uploadFinished);
    QSignalSpy cleared(session.get(), &KeypadSession::clearFinished);
    QSignalSpy learning(session.get(), &KeypadSession::learningEnded);
    EXPECT_EQ(session->uploadBlocker(BuildUploadPlan(Project())), LinkRefusal::NotConnected);
    EXPECT_FALSE(session->upload(Project()));
    EXPECT_FALSE(session->clear());
    EXPECT_FALSE(session->startLearning());
    ASSERT_EQ(uploaded.count(), 1);
    const auto result = uploaded[0][0].value<UploadResult>();
    EXPECT_EQ(result.outcome, UploadResult::Refused);
    EXPECT_EQ(result.refusal, LinkRefusal::NotConnected);
    EXPECT_EQ(result.message, QString::fromLatin1(texts::kPleaseConnectFirst));
    ASSERT_EQ(cleared.count(), 1);
    EXPECT_EQ(cleared[0][0].value<PhaseEnd>(), PhaseEnd::Refused);
    ASSERT_EQ(learning.count(), 1);
    EXPECT_EQ(learning[0][0].value<PhaseEnd>(), PhaseEnd::Refused);
    // The upload's refusal is in its result only.
    EXPECT_EQ(messages.texts(), (QStringList{texts::kPleaseConnectFirst, texts::kPleaseOpenCom}));
}

TEST_F(SessionTest, UploadOfAConfigurationSendsItsPlan) {
    Start();
    KeypadSimulator sim;
    Plug(sim);
    ASSERT_TRUE(ConnectAndWait());
    QSignalSpy finished(session.get(), &KeypadSession::uploadFinished);
    ASSERT_TRUE(session->upload(Project()));
    EXPECT_TRUE(session->uploading());
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0; }, 20000));
    const auto result = finished[0][0].value<UploadResult>();
    EXPECT_TRUE(result.confirmedByKeypad());
    QList<QByteArray> sent = sim.receivedFrames().mid(1);
    const UploadPlan plan = BuildUploadPlan(Project());
    ASSERT_EQ(sent.size(), int(plan.frames.size()));
    for (size_t i = 0; i < plan.frames.size(); ++i) {
        EXPECT_EQ(sent[int(i)], QByteArray::fromStdString(plan.frames[i].bytes)) << i;
    }
}

} // namespace

QZ_QT_TEST_MAIN
