// The upload sequencer against the simulated keypad over a pseudo-terminal: what reaches the
// keypad is compared frame by frame with the upload plan.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../io/FullFileSystem.h"
#include "LinkTestSupport.h"
#include "link/LinkTexts.h"
#include "link/Uploader.h"
#include "model/Configuration.h"
#include "model/KvqCmd.h"
#include "model/UploadPlan.h"

using namespace qz;
using qz::test::Delayed;
using qz::test::SilentAfterHandshake;
using qz::test::WaitFor;

namespace {

const std::string kRelayOn = "RELY : 0 : 0 : 0";
const std::string kLed = "LEDP : 3 : 2 : 2";
const std::string kIr = "INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : " + std::string(198, '7');

const QByteArray kConeFrame(kConnectFrame.data(), int(kConnectFrame.size()));

// Model 1, two key groups, events on normal, virtual and system keys.
Configuration SmallProject() {
    Configuration config;
    config.keys[0].keyGroup = 1;
    config.keys[3].keyGroup = 5;
    config.AddAction(0, config.AddEvent(0, kFamilyKey, 0, 0), kRelayOn);
    config.AddAction(0, kSlotPress, kLed);
    config.AddAction(2, config.AddEvent(2, kFamilyPage, 0, 1), kIr);
    config.AddAction(5, config.AddEvent(5, kFamilyKey, 1, 0), kLed);
    return config;
}

QList<QByteArray> PlanFrames(const UploadPlan& plan) {
    QList<QByteArray> frames;
    for (const PlannedFrame& f : plan.frames) {
        frames << QByteArray::fromStdString(f.bytes);
    }
    return frames;
}

// Frames one per line, so that a difference reads as text.
std::string Lines(const QList<QByteArray>& frames) {
    std::string text;
    for (const QByteArray& f : frames) {
        text += f.toStdString() + "\n";
    }
    return text;
}

int FirstEventIndex(const UploadPlan& plan) {
    for (size_t i = 0; i < plan.frames.size(); ++i) {
        if (plan.frames[i].kind == PlannedFrame::Event) {
            return int(i);
        }
    }
    return -1;
}

class UploaderTest : public testing::Test {
  protected:
    static constexpr int kAnswerMs = 1500;
    static constexpr int kSilenceMs = 20;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        logPath = dir.filePath(QStringLiteral("Library/log.txt"));
        test::ShortenTimers(link);
        // Long enough for an answer on a loaded machine; tests of silence shorten them once the
        // answered frames are out.
        uploader.setSystemTimeoutMs(kAnswerMs);
        uploader.setEventTimeoutMs(kAnswerMs);
        messages.watch(&uploader);
        QObject::connect(&uploader, &Uploader::progressChanged,
                         [this](int p) { progress.append(p); });
        QObject::connect(&link, &DeviceLink::answered, [this] { ++answers; });
    }

    // Connects to a simulator with `options`, uploads `plan` and waits for the end.
    UploadResult Upload(KeypadSimulator& sim, const UploadPlan& plan,
                        const std::function<void(int)>& onFrame = {}) {
        UploadResult result;
        EXPECT_TRUE(test::StartSimulator(sim));
        EXPECT_TRUE(test::Connect(link, sim));
        answers = 0;
        int finishedCount = 0;
        auto f = QObject::connect(&uploader, &Uploader::finished, [&](const UploadResult& r) {
            result = r;
            ++finishedCount;
        });
        QMetaObject::Connection c;
        if (onFrame) {
            c = QObject::connect(&uploader, &Uploader::frameSent, onFrame);
        }
        if (uploader.start(plan, logPath)) {
            EXPECT_TRUE(WaitFor([&] { return finishedCount > 0; }, 20000));
        }
        QTest::qWait(30); // nothing more may happen after the end
        EXPECT_EQ(finishedCount, 1);
        EXPECT_FALSE(uploader.running());
        EXPECT_EQ(link.state(), LinkState::Idle);
        QObject::disconnect(f);
        QObject::disconnect(c);
        return result;
    }

    QByteArray LogBytes() const {
        QFile file(logPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no log>");
    }

    static QByteArray EventLog(const UploadPlan& plan, int upTo = -1) {
        QByteArray log;
        for (size_t i = 0; i < plan.frames.size() && (upTo < 0 || int(i) <= upTo); ++i) {
            if (plan.frames[i].kind == PlannedFrame::Event) {
                log += QByteArray::fromStdString(plan.frames[i].bytes) + "\r\n";
            }
        }
        return log;
    }

    QTemporaryDir dir;
    QString logPath;
    DeviceLink link;
    Uploader uploader{link};
    test::Messages messages;
    QList<int> progress;
    int answers = 0;
};

struct LineCase {
    const char* name;
    SimulatorOptions options;
};
// Test names show the case's name, not its bytes.
void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class CompleteUpload : public UploaderTest, public testing::WithParamInterface<LineCase> {};

TEST_P(CompleteUpload, SendsThePlanFrameByFrame) {
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    ASSERT_EQ(plan.EventFrameCount(), 3);
    KeypadSimulator sim(GetParam().options);
    const UploadResult result = Upload(sim, plan);

    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_EQ(Lines(sim.receivedFrames()), Lines(QList<QByteArray>{kConeFrame} + PlanFrames(plan)));
    EXPECT_EQ(result.framesPlanned, int(plan.frames.size()));
    EXPECT_EQ(result.framesSent, int(plan.frames.size()));
    EXPECT_EQ(result.unanswered, 0);
    // Each frame after the erase got exactly one answer, whatever pieces it came in.
    EXPECT_EQ(answers, int(plan.frames.size()) - 1);
    EXPECT_TRUE(result.eraseConfirmed);
    EXPECT_TRUE(result.confirmedByKeypad());
    EXPECT_TRUE(result.logWritten);
    EXPECT_TRUE(result.logError.isEmpty());
    EXPECT_EQ(LogBytes(), EventLog(plan));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.first(), 1);
    EXPECT_EQ(progress.last(), plan.range);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_TRUE(messages.all.isEmpty());
    EXPECT_EQ(link.status(), LinkStatus::ConnectSuccess);
}

SimulatorOptions Split() {
    SimulatorOptions o;
    o.splitPieces = 4;
    return o;
}
SimulatorOptions Noise() {
    SimulatorOptions o;
    o.noise = "\r\n\x01";
    return o;
}
SimulatorOptions Slow() {
    SimulatorOptions o;
    o.replyDelayMs = 3;
    return o;
}

INSTANTIATE_TEST_SUITE_P(Lines, CompleteUpload,
                         testing::Values(LineCase{"Instant", {}}, LineCase{"SplitReplies", Split()},
                                         LineCase{"NoiseBeforeReplies", Noise()},
                                         LineCase{"DelayedReplies", Slow()}),
                         [](const testing::TestParamInfo<LineCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(UploaderTest, LogIsReplacedByEveryUpload) {
    QDir().mkpath(QFileInfo(logPath).absolutePath());
    QFile old(logPath);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'o'));
    old.close();
    Configuration config;
    const UploadPlan plan = BuildUploadPlan(config);
    ASSERT_EQ(plan.EventFrameCount(), 0);
    KeypadSimulator sim;
    EXPECT_EQ(Upload(sim, plan).outcome, UploadResult::Completed);
    EXPECT_EQ(LogBytes(), QByteArray());
}

TEST_F(UploaderTest, OneClreWaitsForTheSixthTick) {
    SimulatorOptions options;
    options.oneClear = true;
    KeypadSimulator sim(options);
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    const UploadResult result = Upload(sim, plan);
    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_FALSE(result.eraseConfirmed);
    // Sent in full, but not confirmed: the result says so.
    EXPECT_FALSE(result.confirmedByKeypad());
    EXPECT_EQ(result.unanswered, 0);
    EXPECT_TRUE(UploadSummary(result).contains("did not confirm the erase"))
        << UploadSummary(result).toStdString();
    EXPECT_EQ(Lines(sim.receivedFrames()), Lines(QList<QByteArray>{kConeFrame} + PlanFrames(plan)));
    // 1 when the erase frame is out, then the ticks, then the position after the erase.
    EXPECT_EQ(progress.mid(0, 7), (QList<int>{1, 1, 2, 3, 4, 5, kProgressAfterErase}));
}

TEST_F(UploaderTest, UnansweredFramesAreCountedAndTheUploadGoesOn) {
    SimulatorOptions options;
    options.silentAfter = 5; // the handshake, the erase and three more frames are answered
    KeypadSimulator sim(options);
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    const UploadResult result = Upload(sim, plan, [&](int index) {
        if (index == 4) {
            uploader.setSystemTimeoutMs(kSilenceMs);
            uploader.setEventTimeoutMs(kSilenceMs);
        }
    });
    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_EQ(Lines(sim.receivedFrames()), Lines(QList<QByteArray>{kConeFrame} + PlanFrames(plan)));
    EXPECT_EQ(result.unanswered, int(plan.frames.size()) - 1 - 3);
    EXPECT_EQ(result.framesSent, int(plan.frames.size()));
    EXPECT_TRUE(result.eraseConfirmed);
    EXPECT_FALSE(result.confirmedByKeypad());
    const QString summary = UploadSummary(result);
    EXPECT_TRUE(summary.contains(QStringLiteral("did not answer %1 of %2 frames")
                                     .arg(result.unanswered)
                                     .arg(plan.frames.size() - 1)))
        << summary.toStdString();
    EXPECT_FALSE(summary.contains("erase")) << summary.toStdString();
}

TEST_F(UploaderTest, SilentKeypadDuringEraseStillUploadsAfterTheTicks) {
    SimulatorOptions options;
    options.silentAfter = 1;
    KeypadSimulator sim(options);
    uploader.setSystemTimeoutMs(kSilenceMs);
    const UploadPlan plan = BuildUploadPlan(Configuration());
    const UploadResult result = Upload(sim, plan);
    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_FALSE(result.eraseConfirmed);
    EXPECT_EQ(result.unanswered, int(plan.frames.size()) - 1);
    EXPECT_EQ(sim.receivedFrames().size(), int(plan.frames.size()) + 1);
}

struct CancelCase {
    const char* name;
    bool atFirstEvent; // else while the system frames go out
};
// Test names show the case's name, not its bytes.
void PrintTo(const CancelCase& c, std::ostream* os) {
    *os << c.name;
}

class Cancel : public UploaderTest, public testing::WithParamInterface<CancelCase> {};

TEST_P(Cancel, StopsBeforeTheNextEventFrame) {
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    const int firstEvent = FirstEventIndex(plan);
    const int cancelAt = GetParam().atFirstEvent ? firstEvent : 1;
    KeypadSimulator sim;
    const UploadResult result = Upload(sim, plan, [&](int index) {
        if (index == cancelAt) {
            uploader.cancel();
        }
    });
    EXPECT_EQ(result.outcome, UploadResult::Cancelled);
    // The system frames always go out completely; no event frame follows the cancel.
    const int sent = GetParam().atFirstEvent ? firstEvent + 1 : firstEvent;
    EXPECT_EQ(Lines(sim.receivedFrames()),
              Lines(QList<QByteArray>{kConeFrame} + PlanFrames(plan).mid(0, sent)));
    EXPECT_EQ(result.framesSent, sent);
    EXPECT_EQ(messages.texts(), QStringList{texts::kUploadCancelled});
    EXPECT_EQ(LogBytes(), EventLog(plan, sent - 1));
    EXPECT_EQ(link.status(), LinkStatus::ConnectSuccess);
}

INSTANTIATE_TEST_SUITE_P(When, Cancel,
                         testing::Values(CancelCase{"WhileWaitingForEventAnswer", true},
                                         CancelCase{"DuringSystemFrames", false}),
                         [](const testing::TestParamInfo<CancelCase>& info) {
                             return std::string(info.param.name);
                         });

// A keypad that has gone silent does not keep a cancelled upload going: the erase wait ends at
// once, silent settings frames within the grace.
struct SilentCancelCase {
    const char* name;
    int eraseTickMs;
    int cancelAfterFrame; // index of the plan's frame after which cancel() comes
    int framesSent;       // erase frame included
    bool tellsWhatItDoes; // stopping() while the settings frames finish
};
void PrintTo(const SilentCancelCase& c, std::ostream* os) {
    *os << c.name;
}

class SilentCancel : public UploaderTest, public testing::WithParamInterface<SilentCancelCase> {};

TEST_P(SilentCancel, EndsWithinASecond) {
    const SilentCancelCase& c = GetParam();
    link.setEraseTickMs(c.eraseTickMs);
    uploader.setSystemTimeoutMs(3000);
    uploader.setEventTimeoutMs(30000);
    QStringList stopping;
    QObject::connect(&uploader, &Uploader::stopping,
                     [&](const QString& doing) { stopping << doing; });
    KeypadSimulator sim(SilentAfterHandshake());
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    QElapsedTimer clock;
    const UploadResult result = Upload(sim, plan, [&](int index) {
        if (index == c.cancelAfterFrame) {
            QTimer::singleShot(50, &uploader, [&] {
                clock.start();
                uploader.cancel();
            });
        }
    });
    EXPECT_LT(clock.elapsed(), Uploader::kCancelGraceMs + 300);
    EXPECT_EQ(result.outcome, UploadResult::Cancelled);
    EXPECT_EQ(result.framesSent, c.framesSent);
    EXPECT_EQ(result.eventFramesSent, 0);
    EXPECT_EQ(!stopping.isEmpty(), c.tellsWhatItDoes) << stopping.join('|').toStdString();
    EXPECT_TRUE(result.message.startsWith(texts::kUploadCancelled));
}

INSTANTIATE_TEST_SUITE_P(During, SilentCancel,
                         testing::Values(SilentCancelCase{"EraseWait", 3000, 0, 1, false},
                                         SilentCancelCase{"SystemFrames", 30, 2, 3, true}),
                         [](const testing::TestParamInfo<SilentCancelCase>& info) {
                             return std::string(info.param.name);
                         });

struct LossCase {
    const char* name;
    int hangUpAfter; // frames the keypad takes (the handshake counts) before the line drops
};
// Test names show the case's name, not its bytes.
void PrintTo(const LossCase& c, std::ostream* os) {
    *os << c.name;
}

class PortLoss : public UploaderTest, public testing::WithParamInterface<LossCase> {};

TEST_P(PortLoss, EndsAtOnceWithAMessage) {
    SimulatorOptions options;
    options.hangUpAfter = GetParam().hangUpAfter;
    KeypadSimulator sim(options);
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    link.setPresenceProbe([] { return false; });
    const UploadResult result = Upload(sim, plan);
    EXPECT_EQ(result.outcome, UploadResult::PortLost);
    ASSERT_FALSE(messages.all.isEmpty());
    EXPECT_EQ(messages.all.first().first, QString::fromLatin1(texts::kUploadPortLost));
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::UsbUnconnect);
    // What was sent is a prefix of the plan, nothing twice.
    const QList<QByteArray> received = sim.receivedFrames();
    ASSERT_GE(received.size(), GetParam().hangUpAfter);
    EXPECT_EQ(Lines(received.mid(1)), Lines(PlanFrames(plan).mid(0, received.size() - 1)));
    EXPECT_LE(result.framesSent, int(plan.frames.size()));
    EXPECT_GE(result.framesSent, received.size() - 1);
}

INSTANTIATE_TEST_SUITE_P(When, PortLoss,
                         testing::Values(LossCase{"DuringErase", 1},
                                         LossCase{"DuringSystemFrames", 10},
                                         LossCase{"DuringEventFrames", 46}),
                         [](const testing::TestParamInfo<LossCase>& info) {
                             return std::string(info.param.name);
                         });

// Told to stop (a signal to qzctl), the upload ends at once in every phase, the erase too, and
// says what the keypad may now hold.
struct AbortCase {
    const char* name;
    SimulatorOptions options;
    int abortAfterFrame; // index of the plan's frame after which abort() comes
    const char* summary;
};
void PrintTo(const AbortCase& c, std::ostream* os) {
    *os << c.name;
}

class Abort : public UploaderTest, public testing::WithParamInterface<AbortCase> {};

TEST_P(Abort, EndsAtOnceAndTellsWhatTheKeypadHolds) {
    const AbortCase& c = GetParam();
    link.setEraseTickMs(3000); // an erase the keypad never confirms would take 18 s
    uploader.setSystemTimeoutMs(3000);
    KeypadSimulator sim(c.options);
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    QSignalSpy ended(&link, &DeviceLink::phaseEnded);
    QElapsedTimer clock;
    const UploadResult result = Upload(sim, plan, [&](int index) {
        if (index == c.abortAfterFrame) {
            QTimer::singleShot(50, &uploader, [&] {
                clock.start();
                uploader.abort();
            });
        }
    });
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_EQ(result.outcome, UploadResult::Cancelled);
    EXPECT_EQ(result.framesSent, c.abortAfterFrame + 1);
    EXPECT_EQ(sim.receivedFrames().size(), c.abortAfterFrame + 2); // the handshake first
    EXPECT_TRUE(UploadSummary(result).contains(c.summary)) << UploadSummary(result).toStdString();
    // The result's message alone tells it all, for whoever shows only that.
    EXPECT_TRUE(result.message.startsWith(texts::kUploadCancelled));
    EXPECT_TRUE(result.message.contains(c.summary)) << result.message.toStdString();
    ASSERT_FALSE(messages.all.isEmpty());
    EXPECT_EQ(messages.all.last().first, QString::fromLatin1(texts::kUploadCancelled));
    EXPECT_TRUE(messages.all.last().second.contains(c.summary));
    ASSERT_FALSE(ended.isEmpty());
    EXPECT_EQ(ended.last()[1].value<PhaseEnd>(), PhaseEnd::Stopped);
    EXPECT_TRUE(link.isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    During, Abort,
    testing::Values(AbortCase{"UnconfirmedErase", SilentAfterHandshake(), 0, "not confirmed"},
                    AbortCase{"SystemFrames", Delayed(500), 3,
                              "received 3 of the 47 frames after the erase (0 of 3 event"}),
    [](const testing::TestParamInfo<AbortCase>& info) { return std::string(info.param.name); });

TEST_F(UploaderTest, AFullDiskCutsTheLogAndSaysWhy) {
    qztest::FullFileSystem disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    ASSERT_TRUE(disk.Put(QStringLiteral("log.txt"), QByteArray()));
    ASSERT_TRUE(disk.Fill());
    logPath =
        disk.Path(QStringLiteral("log.txt")); // opens, and every write fails for want of space
    KeypadSimulator sim;
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    const UploadResult result = Upload(sim, plan);
    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_TRUE(result.confirmedByKeypad());
    EXPECT_TRUE(result.logCreated);
    EXPECT_FALSE(result.logWritten);
    EXPECT_TRUE(result.logError.contains("No space left on device"))
        << result.logError.toStdString();
    EXPECT_TRUE(result.logError.contains("incomplete")) << result.logError.toStdString();
    EXPECT_EQ(sim.receivedFrames().size(), int(plan.frames.size()) + 1);
}

TEST_F(UploaderTest, RemovalOfThePortFromTheListEndsTheUpload) {
    KeypadSimulator sim;
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    const UploadResult result = Upload(sim, plan, [&](int index) {
        if (index == 5) {
            link.portRemoved(sim.devicePath());
        }
    });
    EXPECT_EQ(result.outcome, UploadResult::PortLost);
    EXPECT_EQ(result.framesSent, 6);
    EXPECT_EQ(messages.texts().value(0), QString::fromLatin1(texts::kUploadPortLost));
}

TEST_F(UploaderTest, RefusedWithoutAConnection) {
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    QSignalSpy finished(&uploader, &Uploader::finished);
    EXPECT_FALSE(uploader.start(plan, logPath));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(uploader.result().outcome, UploadResult::Refused);
    EXPECT_EQ(uploader.result().refusal, LinkRefusal::NotConnected);
    EXPECT_EQ(messages.texts(), QStringList{texts::kPleaseConnectFirst});
    EXPECT_FALSE(QFile::exists(logPath));
}

TEST_F(UploaderTest, OverflowIsRefusedBeforeTheErase) {
    Configuration config = SmallProject();
    config.keys[1].slots[kSlotPress] = ActionList(20, kIr); // more than one frame holds
    const UploadPlan plan = BuildUploadPlan(config);
    ASSERT_FALSE(plan.overflows.empty());
    KeypadSimulator sim;
    const UploadResult result = Upload(sim, plan);
    EXPECT_EQ(result.outcome, UploadResult::Refused);
    EXPECT_EQ(result.refusal, LinkRefusal::EventsTooLong);
    EXPECT_EQ(sim.receivedFrames(), QList<QByteArray>{kConeFrame}); // the keypad was not erased
    ASSERT_EQ(messages.all.size(), 1);
    EXPECT_EQ(messages.all[0].first, QString::fromLatin1(texts::kUploadOverflow));
    EXPECT_TRUE(messages.all[0].second.contains("key 2")) << messages.all[0].second.toStdString();

    // Allowed on purpose, the cut events go out as planned.
    messages.all.clear();
    uploader.setAllowOverflows(true);
    QSignalSpy finished(&uploader, &Uploader::finished);
    ASSERT_TRUE(uploader.start(plan, logPath));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(uploader.result().outcome, UploadResult::Completed);
    EXPECT_EQ(Lines(sim.receivedFrames()), Lines(QList<QByteArray>{kConeFrame} + PlanFrames(plan)));
}

TEST_F(UploaderTest, SecondStartWhileRunningIsRefused) {
    KeypadSimulator sim;
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    bool refusedAgain = false;
    const UploadResult result = Upload(sim, plan, [&](int index) {
        if (index == 3) {
            refusedAgain = uploader.blocker(plan) != LinkRefusal::None;
        }
    });
    EXPECT_TRUE(refusedAgain);
    EXPECT_EQ(result.outcome, UploadResult::Completed);
}

TEST_F(UploaderTest, UnwritableLogDoesNotStopTheUpload) {
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    logPath = dir.filePath(QStringLiteral("file/log.txt")); // a folder that is a file
    KeypadSimulator sim;
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    const UploadResult result = Upload(sim, plan);
    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_FALSE(result.logCreated);
    EXPECT_FALSE(result.logWritten);
    EXPECT_TRUE(result.logError.contains("could not be created")) << result.logError.toStdString();
    EXPECT_EQ(sim.receivedFrames().size(), int(plan.frames.size()) + 1);
}

// A FIFO or a device in the log's place is no log: the upload goes on without one and says why.
// A FIFO nobody reads would hold the opening for ever; one that is read would take the log.
struct NoLogCase {
    const char* name;
    bool fifo; // else /dev/null
    bool reader;
    const char* why;
};

void PrintTo(const NoLogCase& c, std::ostream* os) {
    *os << c.name;
}

class LogNotRegular : public UploaderTest, public testing::WithParamInterface<NoLogCase> {};

TEST_P(LogNotRegular, IsRefusedAtOnceAndTheUploadGoesOn) {
    const NoLogCase& c = GetParam();
    const QByteArray fifo = QFile::encodeName(logPath);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(logPath).absolutePath()));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    if (!c.fifo) {
        logPath = QStringLiteral("/dev/null");
    }
    const int reader = c.reader ? ::open(fifo.constData(), O_RDONLY | O_NONBLOCK) : -1;
    // Should the opening block, a reader comes after a while and holds the FIFO, so that the test
    // ends (and fails on the time taken).
    const pid_t unblock = c.fifo && !c.reader ? ::fork() : -1;
    if (unblock == 0) {
        ::usleep(5'000'000);
        ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        ::pause();
        ::_exit(0);
    }
    const UploadPlan plan = BuildUploadPlan(SmallProject());
    KeypadSimulator sim;
    QElapsedTimer clock;
    clock.start();
    const UploadResult result = Upload(sim, plan);
    EXPECT_LT(clock.elapsed(), 4000);
    if (unblock > 0) {
        ::kill(unblock, SIGKILL);
        ::waitpid(unblock, nullptr, 0);
    }
    EXPECT_EQ(result.outcome, UploadResult::Completed);
    EXPECT_FALSE(result.logCreated);
    EXPECT_EQ(result.logError, logPath + " could not be created: " + c.why);
    if (reader >= 0) {
        char byte;
        EXPECT_LE(::read(reader, &byte, 1), 0) << "frames went into the FIFO";
        ::close(reader);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogNotRegular,
    testing::Values(
        NoLogCase{"FifoNobodyReads", true, false, "a named pipe (FIFO), not a regular file"},
        NoLogCase{"FifoThatIsRead", true, true, "a named pipe (FIFO), not a regular file"},
        NoLogCase{"Device", false, false, "a character device, not a regular file"}),
    [](const testing::TestParamInfo<NoLogCase>& info) { return std::string(info.param.name); });

} // namespace

QZ_QT_TEST_MAIN
