// qzctl upload, clear and learn as a user runs them: the real binary against the simulated
// keypad of this process.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../io/FullFileSystem.h"
#include "LinkTestSupport.h"
#include "library/IrLibrary.h"
#include "link/LinkTexts.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "model/KvqCmd.h"
#include "model/UploadPlan.h"
#include "store/ProjectFile.h"

using namespace qz;
using qz::test::Delayed;
using qz::test::OneClear;
using qz::test::SilentAfterHandshake;
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
    Outcome Qzctl(const QStringList& args) { return Run(kQzctl, args); }

    // The same with arguments as bytes (QProcess takes text, which would lose bytes that are not
    // UTF-8): a shell's printf turns octal escapes back into the bytes.
    Outcome QzctlBytes(const QList<QByteArray>& args) {
        QString script = QStringLiteral("exec \"$0\"");
        QStringList shellArgs{QStringLiteral("-c"), QString(), kQzctl};
        for (int i = 0; i < args.size(); ++i) {
            QString escaped;
            for (const char c : args[i]) {
                escaped += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
            }
            script += QStringLiteral(" \"$(printf '%1')\"").arg(escaped);
        }
        shellArgs[1] = script;
        return Run(QStringLiteral("/bin/sh"), shellArgs);
    }

    Outcome Run(const QString& program, const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QZCTR_HOME"), home.path());
        process.setProcessEnvironment(env);
        process.start(program, args);
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

// The editor's pre-flight: rule and frame findings refuse the upload, --force or not; stale
// library copies need --force.
TEST_F(LinkCli, PreflightRefusesFindingsAndAsksForceForStaleCopies) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    Configuration faulty = Project();
    faulty.keys[1].slots[kSlotPress] = {"NOPE : this is no action"};
    const QString faultyPath = SaveProject(faulty);
    for (const QStringList& extra : {QStringList{}, QStringList{QStringLiteral("--force")}}) {
        const Outcome run = Qzctl(QStringList{QStringLiteral("upload"), faultyPath,
                                              QStringLiteral("--port"), sim.devicePath()} +
                                  extra);
        EXPECT_EQ(run.status, 1) << extra.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("does not parse")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("upload refused")) << run.err.toStdString();
    }
    EXPECT_TRUE(sim.receivedFrames().isEmpty());

    // An IR action whose library function has another code today.
    const std::string code(kIrCodeDigits, 'a');
    CIrLibSet tv;
    tv.libName = "TV";
    tv.entries = {MakeIrEntry("Power", std::string(kIrCodeDigits, 'b'))};
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Library")));
    ASSERT_TRUE(SaveIrLibraryFile(home.filePath(QStringLiteral("Library/TV.irr")), tv));
    Configuration stale = Project();
    IrAction power;
    power.libName = "TV";
    power.function = "Power";
    power.code = code;
    stale.AddAction(0, kSlotPress, power.ToActionText());
    ASSERT_EQ(stale.keys[0].slots[kSlotPress].size(), 2u);
    const QString stalePath = SaveProject(stale);
    Outcome run =
        Qzctl({QStringLiteral("upload"), stalePath, QStringLiteral("--port"), sim.devicePath()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("stale copy")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("--force")) << run.err.toStdString();
    EXPECT_TRUE(sim.receivedFrames().isEmpty());
    run = Qzctl({QStringLiteral("upload"), stalePath, QStringLiteral("--port"), sim.devicePath(),
                 QStringLiteral("--force")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(sim.receivedFrames().isEmpty());
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
        SimulatorOptions other;
        other.noise = "#########"; // pushes "CONE" past the reply's first 20 bytes
        KeypadSimulator sim(other);
        ASSERT_TRUE(test::StartSimulator(sim));
        const Outcome run =
            Qzctl({QStringLiteral("upload"), project, QStringLiteral("--port"), sim.devicePath()});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("answered the connection request, but not as the keypad "
                                     "does (it said \"#########KVQ000602CO\""))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("did not answer"));
        EXPECT_EQ(sim.receivedFrames().size(), 1);
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
        // What happened to the port, not an error number left over from an earlier call.
        EXPECT_TRUE(run.err.contains("was unplugged")) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("File exists")) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("temporarily")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("holds only part of the configuration"))
            << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("upload complete"));
    }
}

// SIGINT, SIGTERM and SIGHUP end a link command within a second in any phase, the erase of an
// upload (18 s when the keypad does not confirm it) included, and say what the keypad may hold.
struct SignalCase {
    const char* name;
    const char* command; // upload, clear or learn
    SimulatorOptions options;
    int framesBeforeSignal; // frames the keypad has received (the handshake counts)
    int signal;
    const char* told;
};
void PrintTo(const SignalCase& c, std::ostream* os) {
    *os << c.name;
}

class LinkCliSignals : public LinkCli, public testing::WithParamInterface<SignalCase> {};

TEST_P(LinkCliSignals, EndTheCommandWithinASecond) {
    const SignalCase& c = GetParam();
    KeypadSimulator sim(c.options);
    ASSERT_TRUE(test::StartSimulator(sim));
    QStringList args{QString::fromLatin1(c.command), QStringLiteral("--port"), sim.devicePath()};
    if (args[0] == QLatin1String("upload")) {
        args.insert(1, SaveProject(Project()));
    } else if (args[0] == QLatin1String("learn")) {
        args << QStringLiteral("--lib") << QStringLiteral("TV") << QStringLiteral("--function")
             << QStringLiteral("Power");
    }
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QZCTR_HOME"), home.path());
    process.setProcessEnvironment(env);
    process.start(kQzctl, args);
    ASSERT_TRUE(process.waitForStarted(5000));
    ASSERT_TRUE(
        WaitFor([&] { return sim.receivedFrames().size() >= c.framesBeforeSignal; }, 20000));
    QTest::qWait(200); // well inside the phase
    // Where frames flow, the count is taken as one arrives: its answer is still to come, so no
    // frame is on its way that the keypad has not counted yet. Elsewhere nothing is sent.
    const qsizetype before = sim.receivedFrames().size();
    WaitFor([&] { return sim.receivedFrames().size() > before; }, 100);
    const int framesAtSignal = int(sim.receivedFrames().size());
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(::kill(pid_t(process.processId()), c.signal), 0);
    ASSERT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 128 + c.signal);
    const QByteArray err = process.readAllStandardError();
    EXPECT_TRUE(err.contains("stopped by")) << err.toStdString();
    EXPECT_TRUE(err.contains(c.told)) << err.toStdString();
    // Nothing more went to the keypad after the signal.
    QTest::qWait(100);
    EXPECT_EQ(sim.receivedFrames().size(), framesAtSignal);
    EXPECT_FALSE(QFile::exists(home.filePath(QStringLiteral("Library/TV.irr"))));
}

INSTANTIATE_TEST_SUITE_P(
    During, LinkCliSignals,
    testing::Values(
        SignalCase{"EraseOfUpload", "upload", OneClear(), 2, SIGINT,
                   "The erase frame was sent but not confirmed"},
        SignalCase{"SystemFramesOfUpload", "upload", Delayed(20), 10, SIGTERM,
                   "holds only part of the configuration"},
        SignalCase{"Clear", "clear", SilentAfterHandshake(), 2, SIGHUP, "clear it again"},
        SignalCase{"Learn", "learn", SilentAfterHandshake(), 2, SIGINT, "no IR code was learned"}),
    [](const testing::TestParamInfo<SignalCase>& info) { return std::string(info.param.name); });

// The keypad's time-outs pace the upload, but frames it never answered make it fail, and it
// says how many.
TEST_F(LinkCli, UnansweredFramesMakeTheUploadFail) {
    const Configuration empty; // 43 frames: erase, SYSI, UAIR, 32 KYNA, 8 LIPR
    const UploadPlan plan = BuildUploadPlan(empty);
    ASSERT_EQ(plan.frames.size(), 43u);
    SimulatorOptions options;
    options.silentAfter = 43; // the handshake and all but the last frame are answered
    KeypadSimulator sim(options);
    ASSERT_TRUE(test::StartSimulator(sim));
    const Outcome run = Qzctl(
        {QStringLiteral("upload"), SaveProject(empty), QStringLiteral("--port"), sim.devicePath()});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_EQ(sim.receivedFrames().size(), 44);
    EXPECT_TRUE(run.out.contains("frames without answer: 1")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("erase confirmed: yes")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("upload complete"));
    EXPECT_TRUE(run.err.contains("did not answer 1 of 42 frames")) << run.err.toStdString();
}

TEST_F(LinkCli, LearnEndsAtOnceWhenThePortIsLost) {
    SimulatorOptions options;
    options.hangUpAfter = 1; // the learn request arrives, then the line drops
    KeypadSimulator sim(options);
    ASSERT_TRUE(test::StartSimulator(sim));
    QElapsedTimer clock;
    clock.start();
    const Outcome run =
        Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QStringLiteral("TV"),
               QStringLiteral("--function"), QStringLiteral("Power"), QStringLiteral("--port"),
               sim.devicePath()});
    EXPECT_LT(clock.elapsed(), 10000); // not the 30 s of waiting for a code
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(texts::kPortLost)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("No IR code was learned")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("no IR code arrived")) << run.err.toStdString();
}

TEST_F(LinkCli, AFullDiskCutsTheLogAndTheReasonIsTold) {
    qztest::FullFileSystem disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    ASSERT_TRUE(disk.Put(QStringLiteral("log.txt"), QByteArray()));
    ASSERT_TRUE(disk.Fill());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Library")));
    ASSERT_TRUE(QFile::link(disk.Path(QStringLiteral("log.txt")),
                            home.filePath(QStringLiteral("Library/log.txt"))));
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const Outcome run = Qzctl({QStringLiteral("upload"), SaveProject(Project()),
                               QStringLiteral("--port"), sim.devicePath()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString(); // the upload itself went through
    EXPECT_TRUE(run.out.contains("No space left on device")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("could not be created")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("the upload log is incomplete")) << run.err.toStdString();
}

// A FIFO in the log's place would hold the upload for ever (and no signal would end it): it is
// refused at once, and the upload goes on without a log.
TEST_F(LinkCli, AFifoForTheLogIsRefusedAndTheUploadGoesOn) {
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Library")));
    const QString log = home.filePath(QStringLiteral("Library/log.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    QElapsedTimer clock;
    clock.start();
    const Outcome run = Qzctl({QStringLiteral("upload"), SaveProject(Project()),
                               QStringLiteral("--port"), sim.devicePath()});
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("upload log: " + QFile::encodeName(log) +
                                 " could not be created: a named pipe (FIFO), not a regular file"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("upload complete")) << run.out.toStdString();
}

// Names that are not UTF-8 reach the file and the port they name, byte for byte.
TEST_F(LinkCli, BytesOfPortPathsAndLibraryNamesAreKept) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const QByteArray port = QFile::encodeName(home.path()) + "/caf\xe9";
    ASSERT_EQ(::symlink(QFile::encodeName(sim.devicePath()).constData(), port.constData()), 0);
    const Outcome run =
        QzctlBytes({"learn", "--lib", "T\xe9l\xe9", "--function", "Marche\xa0", "--port", port});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QByteArray library = QFile::encodeName(home.path()) + "/Library/T\xe9l\xe9.irr";
    EXPECT_EQ(::access(library.constData(), R_OK), 0) << run.out.toStdString();
    // The same names typed on a UTF-8 terminal stand for their characters: the code goes into
    // the same library, under the function name as the editor would keep it.
    const Outcome typed = QzctlBytes(
        {"learn", "--lib", "T\xc3\xa9l\xc3\xa9", "--function", "Arr\xc3\xaat", "--port", port});
    EXPECT_EQ(typed.status, 0) << typed.err.toStdString();
    // Read with the system's own calls: Qt cannot name a file whose name is not UTF-8.
    QByteArray content;
    if (FILE* file = std::fopen(library.constData(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
            content.append(buffer, qsizetype(n));
        }
        std::fclose(file);
    }
    EXPECT_TRUE(content.contains("Arr\xeat")) << content.left(200).toHex().toStdString();
    EXPECT_FALSE(content.contains("Arr\xc3\xaat"));
    // No other file beside it (read with the system's own calls: QDir decodes names too).
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(QFile::encodeName(home.filePath(QStringLiteral("Library"))))) {
        while (const dirent* entry = ::readdir(dir)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                names << QByteArray(entry->d_name);
            }
        }
        ::closedir(dir);
    }
    EXPECT_EQ(names, QList<QByteArray>{"T\xe9l\xe9.irr"});
    // The names reach the terminal as characters, not as bytes it would show as U+FFFD.
    EXPECT_TRUE(run.out.contains("Marche\xc2\xa0")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("T\xc3\xa9l\xc3\xa9")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("\xe9l")) << run.out.toStdString();

    const Outcome missing = QzctlBytes({"clear", "--port", port + "-gone"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("is not there")) << missing.err.toStdString();
    EXPECT_TRUE(missing.err.contains("caf%E9-gone")) << missing.err.toStdString();
}

// A library name whose file cannot be made is refused before the keypad is asked to learn, so no
// code is learned only to be lost.
TEST_F(LinkCli, LearnChecksTheLibraryFileBeforeLearning) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    struct Case {
        QString lib;
        const char* reason;
    };
    const QList<Case> cases = {
        {QString(300, QLatin1Char('a')), "bytes long"},
        {QStringLiteral("a\\b"), "cannot name"},
    };
    for (const Case& c : cases) {
        const Outcome run = Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), c.lib,
                                   QStringLiteral("--function"), QStringLiteral("Power"),
                                   QStringLiteral("--port"), sim.devicePath()});
        EXPECT_EQ(run.status, 2) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
    }
    EXPECT_TRUE(sim.receivedFrames().isEmpty()); // not even connected
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("Library"))).entryList(QDir::Files).size(), 0);
}

TEST_F(LinkCli, UsageErrors) {
    EXPECT_EQ(Qzctl({QStringLiteral("upload")}).status, 2);
    EXPECT_EQ(
        Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QStringLiteral("TV")}).status, 2);
    EXPECT_EQ(Qzctl({QStringLiteral("clear"), QStringLiteral("--bogus")}).status, 2);
    // One rule for both names; a library name also names a file.
    const QList<std::pair<const char*, const char*>> badNames = {
        {"../x", "f"}, {".hidden", "f"}, {"a:b", "f"},  {" TV", "f"},
        {"TV", "a:b"}, {"TV", "f "},     {"TV", "   "}, {"   ", "f"},
    };
    for (const auto& [lib, function] : badNames) {
        const Outcome run =
            Qzctl({QStringLiteral("learn"), QStringLiteral("--lib"), QString::fromLatin1(lib),
                   QStringLiteral("--function"), QString::fromLatin1(function),
                   QStringLiteral("--port"), QStringLiteral("/dev/null")});
        EXPECT_EQ(run.status, 2) << lib << " / " << function;
        EXPECT_TRUE(run.err.contains("cannot name")) << run.err.toStdString();
    }
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
