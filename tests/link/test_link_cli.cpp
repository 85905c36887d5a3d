// qzctl upload, clear and learn as a user runs them: the real binary against the simulated
// keypad of this process.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "LinkTestSupport.h"
#include "library/IrLibrary.h"
#include "model/Configuration.h"
#include "model/KvqCmd.h"
#include "model/UploadPlan.h"
#include "store/ProjectFile.h"

using namespace qz;
using qz::test::WaitFor;

namespace {

const std::string kLed = "LEDP : 3 : 2 : 2";

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class LinkCli : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(QFile::exists(kQzctl)) << "build qzctl first";
    }

    // Runs qzctl while this process's event loop keeps the simulator answering.
    Outcome Qzctl(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QZCTR_HOME"), home.path());
        process.setProcessEnvironment(env);
        process.start(kQzctl, args);
        Outcome run;
        if (!process.waitForStarted(5000)) {
            ADD_FAILURE() << "qzctl did not start";
            return run;
        }
        EXPECT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000));
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    QString SaveProject(const Configuration& config) {
        const QString path = home.filePath(QStringLiteral("project.qzp"));
        QString error;
        EXPECT_TRUE(qz::SaveProject(path, config, &error)) << error.toStdString();
        return path;
    }

    QByteArray ReadFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    const QString kQzctl = QStringLiteral(QZ_BINARY_DIR "/cli/qzctl");
    QTemporaryDir home;
};

Configuration Project() {
    Configuration config;
    config.AddAction(0, config.AddEvent(0, kFamilyKey, 0, 0), kLed);
    config.AddAction(4, config.AddEvent(4, kFamilyKey, 1, 0), kLed);
    return config;
}

TEST_F(LinkCli, UploadSendsThePlanAndWritesTheLog) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const Configuration config = Project();
    const Outcome run = Qzctl({QStringLiteral("upload"), SaveProject(config),
                               QStringLiteral("--port"), sim.devicePath()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const UploadPlan plan = BuildUploadPlan(config);
    QList<QByteArray> expected{QByteArray(kConnectFrame.data(), int(kConnectFrame.size()))};
    QByteArray log;
    for (const PlannedFrame& f : plan.frames) {
        expected << QByteArray::fromStdString(f.bytes);
        if (f.kind == PlannedFrame::Event) {
            log += QByteArray::fromStdString(f.bytes) + "\r\n";
        }
    }
    EXPECT_EQ(sim.receivedFrames(), expected);
    EXPECT_EQ(ReadFile(home.filePath(QStringLiteral("Library/log.txt"))), log);
    EXPECT_TRUE(run.out.contains("frames without answer: 0")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("upload complete"));
}

TEST_F(LinkCli, ProjectWithFindingsLeavesTheKeypadUntouched) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    Configuration config = Project();
    config.keys[1].slots[kSlotPress] = {"NOPE : this is no action"};
    const Outcome run = Qzctl({QStringLiteral("upload"), SaveProject(config),
                               QStringLiteral("--port"), sim.devicePath()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("--force")) << run.err.toStdString();
    EXPECT_TRUE(sim.receivedFrames().isEmpty());
}

TEST_F(LinkCli, FailuresEndWithAClearMessage) {
    const QString project = SaveProject(Project());
    {
        const Outcome run = Qzctl({QStringLiteral("upload"), project, QStringLiteral("--port"),
                                   QStringLiteral("/dev/qz-no-such-port")});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("Can not Open COM")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("/dev/qz-no-such-port is not there"));
    }
    {
        SimulatorOptions silent;
        silent.silentAfter = 0;
        KeypadSimulator sim(silent);
        ASSERT_TRUE(test::StartSimulator(sim));
        const Outcome run =
            Qzctl({QStringLiteral("upload"), project, QStringLiteral("--port"), sim.devicePath()});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("Connect Unsuccess,Please check it")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("did not answer"));
        EXPECT_EQ(sim.receivedFrames().size(), 1); // the handshake only: nothing erased
    }
    {
        SimulatorOptions dropping;
        dropping.hangUpAfter = 20;
        KeypadSimulator sim(dropping);
        ASSERT_TRUE(test::StartSimulator(sim));
        const Outcome run =
            Qzctl({QStringLiteral("upload"), project, QStringLiteral("--port"), sim.devicePath()});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("disconnected during the upload")) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("upload complete"));
    }
}

TEST_F(LinkCli, InterruptStopsBeforeTheEventFrames) {
    SimulatorOptions slow;
    slow.replyDelayMs = 20;
    KeypadSimulator sim(slow);
    ASSERT_TRUE(test::StartSimulator(sim));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QZCTR_HOME"), home.path());
    process.setProcessEnvironment(env);
    process.start(kQzctl, {QStringLiteral("upload"), SaveProject(Project()),
                           QStringLiteral("--port"), sim.devicePath()});
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&] { return sim.receivedFrames().size() >= 10; }, 20000));
    process.terminate(); // SIGTERM, as Ctrl-C would
    ASSERT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    const QByteArray err = process.readAllStandardError();
    EXPECT_TRUE(err.contains("Upload cancelled")) << err.toStdString();
    // Every system frame went out, no event frame did.
    const UploadPlan plan = BuildUploadPlan(Project());
    int systemFrames = 0;
    for (const PlannedFrame& f : plan.frames) {
        systemFrames += f.kind != PlannedFrame::Event;
    }
    EXPECT_EQ(sim.receivedFrames().size(), 1 + systemFrames);
}

TEST_F(LinkCli, UsageErrors) {
    EXPECT_EQ(Qzctl({QStringLiteral("upload")}).status, 2);
    EXPECT_EQ(
        Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QStringLiteral("TV")}).status, 2);
    EXPECT_EQ(Qzctl({QStringLiteral("clear"), QStringLiteral("--bogus")}).status, 2);
    EXPECT_EQ(Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QStringLiteral("../x"),
                     QStringLiteral("--function"), QStringLiteral("f"), QStringLiteral("--port"),
                     QStringLiteral("/dev/null")})
                  .status,
              2);
}

TEST_F(LinkCli, Clear) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const Outcome run =
        Qzctl({QStringLiteral("clear"), QStringLiteral("--port"), sim.devicePath()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(sim.receivedFrames().value(1),
              QByteArray(kClearFrame.data(), int(kClearFrame.size())));
}

TEST_F(LinkCli, LearnCreatesTheLibraryAndTheFunction) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const Outcome run =
        Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QStringLiteral("TV"),
               QStringLiteral("--function"), QStringLiteral("Power"), QStringLiteral("--port"),
               sim.devicePath()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    CIrLibSet library;
    QString error;
    ASSERT_TRUE(LoadIrLibraryFile(home.filePath(QStringLiteral("Library/TV.irr")), library, &error))
        << error.toStdString();
    const int at = FindIrFunction(library, "Power");
    ASSERT_GE(at, 0);
    EXPECT_EQ(QByteArray::fromStdString(IrEntryData(library.entries[size_t(at)])),
              KeypadSimulator::defaultIrCode().toHex());
}

TEST_F(LinkCli, LearnRefusesABadFrame) {
    SimulatorOptions options;
    options.badLearnChecksum = true;
    KeypadSimulator sim(options);
    ASSERT_TRUE(test::StartSimulator(sim));
    const Outcome run =
        Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QStringLiteral("TV"),
               QStringLiteral("--function"), QStringLiteral("Power"), QStringLiteral("--port"),
               sim.devicePath()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("checksum")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(home.filePath(QStringLiteral("Library/TV.irr"))));
}

} // namespace

QZ_QT_TEST_MAIN
