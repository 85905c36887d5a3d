// upload, clear and learn: the keypad over its serial port.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "CliPaths.h"
#include "CliText.h"
#include "Commands.h"
#include "StopSignals.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "library/IrLibrary.h"
#include "library/Preflight.h"
#include "link/EventLoop.h"
#include "link/KeypadSession.h"
#include "link/LinkTexts.h"
#include "link/PortDiscovery.h"
#include "link/SerialTransport.h"
#include "link/Uploader.h"
#include "model/Reporter.h"
#include "model/UploadPlan.h"
#include "store/Paths.h"
#include "store/ProjectJson.h"

namespace qzctl {

namespace {


const char kUploadUsage[] =
    "usage: qzctl upload PROJECT [--port PATH] [--force]\n"
    "Connects to the keypad, erases it and uploads PROJECT (.qzp or .json). The event frames go\n"
    "to the upload log (log.txt in the library folder).\n"
    "  --port PATH   the keypad's serial device (default: the first USB keypad port that opens)\n"
    "  --force       upload although some actions hold stale copies of their library function\n"
    "                (rule and frame findings of 'qzctl check' always refuse the upload)\n"
    "Exit status 0 only when the keypad confirmed the erase and answered every frame; 1 when it\n"
    "did not (the output says how many frames went unanswered) or the upload failed. SIGINT,\n"
    "SIGTERM and SIGHUP end upload, clear and learn at once (exit status 128 + the signal's\n"
    "number), saying what the keypad may now hold.\n";
const char kClearUsage[] = "usage: qzctl clear [--port PATH]\n"
                           "Erases everything the keypad holds.\n";
const char kLearnUsage[] =
    "usage: qzctl learn --lib NAME --function NAME [--port PATH] [--timeout SECONDS]\n"
    "Learns one IR code through the keypad (point the remote control at it and press the key)\n"
    "and stores it under NAME in the IR library NAME.irr of the library folder; the library and\n"
    "the function are created when missing.\n"
    "  --timeout SECONDS   how long to wait for the code (default 30)\n";

int Usage(const char* text) {
    std::fputs(text, stderr);
    return kBadInput;
}

// Turns control characters of a message (the keypad's texts carry "\r") into spaces.
std::string OneLine(const QString& text) {
    std::string line = text.toLocal8Bit().toStdString();
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    return line;
}

void PrintMessage(const QString& text, const QString& detail) {
    std::fprintf(stderr, "qzctl: %s\n", OneLine(text).c_str());
    if (!detail.isEmpty()) {
        std::fprintf(stderr, "  %s\n", OneLine(detail).c_str());
    }
}

// The command line of the three commands: options with a value, flags, positional arguments.
struct Args {
    QByteArray port;
    QByteArray lib;
    QByteArray function;
    QByteArray timeout;
    bool force = false;
    std::vector<const char*> positional;
};

bool ParseArgs(int argc, char** argv, bool allowForce, bool allowLearn, Args* args) {
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        QByteArray* value = nullptr;
        if (!std::strcmp(a, "--port")) {
            value = &args->port;
        } else if (allowLearn && !std::strcmp(a, "--lib")) {
            value = &args->lib;
        } else if (allowLearn && !std::strcmp(a, "--function")) {
            value = &args->function;
        } else if (allowLearn && !std::strcmp(a, "--timeout")) {
            value = &args->timeout;
        } else if (allowForce && !std::strcmp(a, "--force")) {
            args->force = true;
            continue;
        } else if (a[0] == '-' && a[1] != '\0') {
            std::fprintf(stderr, "qzctl: unknown option '%s'\n", a);
            return false;
        } else {
            args->positional.push_back(a);
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "qzctl: %s needs a value\n", a);
            return false;
        }
        *value = QByteArray(argv[++i]);
    }
    return true;
}

// The application object the link's event loop needs, unless the caller has one.
std::unique_ptr<QCoreApplication> EnsureApplication() {
    if (QCoreApplication::instance()) {
        return nullptr;
    }
    static int argc = 1;
    static char name[] = "qzctl";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

enum class Connected { Yes, No, Interrupted };

// The keypad session of one command: every message of the link printed, the ports of the
// system watched (a keypad unplugged ends the command at once).
class CliSession {
  public:
    CliSession() : m_session(qz::PortDiscovery()) {
        QObject::connect(&m_session, &qz::KeypadSession::message, PrintMessage);
    }
    qz::KeypadSession& operator*() { return m_session; }
    qz::KeypadSession* operator->() { return &m_session; }

  private:
    qz::KeypadSession m_session;
};

// Opens the keypad's port (the given one, or the USB keypad candidates in order) and runs the
// handshake. On failure the reason is printed.
Connected ConnectKeypad(qz::KeypadSession& session, const QByteArray& port,
                        const SignalWatch& stop) {
    if (!port.isEmpty()) {
        QString error;
        const QString path = qz::PortPathFromBytes(port, &error);
        if (path.isEmpty()) {
            PrintMessage(QString::fromLatin1(qz::texts::kCanNotOpenCom), error);
            return Connected::No;
        }
        session.setFixedPort(path);
    }
    const QStringList candidates = session.candidates();
    if (candidates.isEmpty()) {
        std::fprintf(stderr,
                     "qzctl: no keypad found: no USB keypad port is present (%s)\n"
                     "  connect the keypad, or name its port with --port PATH\n",
                     qz::texts::kConnectUsbWireFirst);
        return Connected::No;
    }
    bool ended = false;
    qz::PhaseEnd reason = qz::PhaseEnd::Refused;
    const QMetaObject::Connection watch =
        QObject::connect(&session, &qz::KeypadSession::connectFinished, [&](qz::PhaseEnd r) {
            ended = true;
            reason = r;
        });
    const bool started = session.connectKeypad();
    if (started) {
        qz::RunEventsUntil([&] { return ended || stop.received(); });
    }
    QObject::disconnect(watch);
    if (!started) {
        std::fprintf(stderr, "qzctl: no keypad port could be opened (see above)\n");
        return Connected::No;
    }
    if (!ended) {
        session.disconnectKeypad();
        std::fprintf(stderr,
                     "qzctl: stopped by %s while connecting; nothing was sent to the "
                     "keypad but the connection request.\n",
                     stop.name());
        return Connected::Interrupted;
    }
    const std::string where = OneLine(
        session.portName().isEmpty() ? candidates.join(QStringLiteral(", ")) : session.portName());
    switch (reason) {
    case qz::PhaseEnd::Done:
        return Connected::Yes;
    case qz::PhaseEnd::WrongAnswer:
        std::fprintf(stderr,
                     "qzctl: the device on %s answered the connection request, but not as the "
                     "keypad does (it said \"%s\", without \"CONE\"): check that this is the "
                     "keypad's port, or switch the keypad off and on and try again\n",
                     where.c_str(), Printable(session.handshakeReply().toStdString()).c_str());
        return Connected::No;
    case qz::PhaseEnd::TimedOut:
        std::fprintf(stderr,
                     "qzctl: the keypad on %s did not answer the connection request within %d ms: "
                     "check that it is switched on and that this is its port\n",
                     where.c_str(), qz::DeviceLink::kHandshakeTimeoutMs);
        return Connected::No;
    case qz::PhaseEnd::PortLost:
        // The link has said how the port was lost.
        std::fprintf(stderr, "qzctl: the port %s was lost during the connection request\n",
                     where.c_str());
        return Connected::No;
    case qz::PhaseEnd::Stopped:
    case qz::PhaseEnd::Disconnected:
    case qz::PhaseEnd::Refused:
        break;
    }
    std::fprintf(stderr, "qzctl: the connection request on %s ended (%s)\n", where.c_str(),
                 qz::PhaseEndName(reason));
    return Connected::No;
}

// A progress bar on a terminal, one line per tenth otherwise quiet.
class ProgressBar {
  public:
    explicit ProgressBar(int range) : m_range(range > 0 ? range : 1) {
#ifdef Q_OS_UNIX
        m_tty = ::isatty(2) != 0;
#endif
    }
    void show(int position) {
        if (!m_tty) {
            return;
        }
        constexpr int kWidth = 40;
        const int filled = std::min(kWidth, position * kWidth / m_range);
        std::fprintf(stderr, "\r[%s%s] %d/%d", std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(kWidth - filled), '.').c_str(), position, m_range);
        std::fflush(stderr);
        m_shown = true;
    }
    void end() {
        if (m_shown) {
            std::fputc('\n', stderr);
            m_shown = false;
        }
    }

  private:
    int m_range;
    bool m_tty = false;
    bool m_shown = false;
};

class CollectingReporter final : public qz::IReporter {
  public:
    void Report(const std::string& message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

} // namespace

int CmdUpload(int argc, char** argv) {
    Args args;
    if (!ParseArgs(argc, argv, true, false, &args) || args.positional.size() != 1) {
        return Usage(kUploadUsage);
    }
    auto app = EnsureApplication();
    const QString projectPath = ArgPath(args.positional[0]);
    qz::Configuration config;
    QString error;
    switch (qz::LoadProjectAny(projectPath, config, &error)) {
    case qz::LoadStatus::Loaded:
        break;
    case qz::LoadStatus::Unreadable:
        std::fprintf(stderr, "qzctl: %s\n", OneLine(error).c_str());
        return kFailed;
    case qz::LoadStatus::Damaged:
        std::fprintf(stderr, "qzctl: %s\n", OneLine(error).c_str());
        return kBadInput;
    }

    // The editor's pre-flight, before anything touches the keypad, so that a refused project
    // leaves it as it is.
    const qz::Preflight preflight = qz::RunPreflight(config, qz::LibraryFolder());
    if (preflight.refused()) {
        for (const QString& line : qz::FindingLines(config, preflight.refusals)) {
            std::fprintf(stderr, "%s\n", OneLine(line).c_str());
        }
        std::fprintf(stderr,
                     "qzctl: upload refused: %zu finding(s) (see above); the keypad was not "
                     "touched. Correct the project ('qzctl check' lists them) and upload again.\n",
                     preflight.refusals.size());
        return kFailed;
    }
    if (preflight.hasStale()) {
        for (const QString& line : qz::FindingLines(config, preflight.stale)) {
            std::fprintf(stderr, "%s\n", OneLine(line).c_str());
        }
        if (!args.force) {
            std::fprintf(stderr,
                         "qzctl: upload refused: %zu action(s) hold stale copies of their "
                         "library function (see above); the keypad was not touched. Update them "
                         "in the editor, or use --force to upload them as they are.\n",
                         preflight.stale.size());
            return kFailed;
        }
    }
    CollectingReporter reporter;
    const qz::UploadPlan plan = qz::BuildUploadPlan(config, &reporter);

    SignalWatch stop;
    CliSession session;
    switch (ConnectKeypad(*session, args.port, stop)) {
    case Connected::Yes:
        break;
    case Connected::No:
        return kFailed;
    case Connected::Interrupted:
        return stop.exitStatus();
    }

    const QString logPath = qz::UploadLogPath();
    session->setUploadLogPath(logPath);
    ProgressBar bar(plan.range);
    QObject::connect(&*session, &qz::KeypadSession::uploadProgress,
                     [&](int p, int) { bar.show(p); });
    bool finished = false;
    qz::UploadResult r;
    QObject::connect(&*session, &qz::KeypadSession::uploadFinished,
                     [&](const qz::UploadResult& result) {
                         finished = true;
                         r = result;
                     });
    session->upload(plan);
    qz::RunEventsUntil([&] { return finished || stop.received(); });
    if (!finished) {
        // Told to end: at once, whatever the phase (the erase alone can last 18 s, the system
        // frames minutes when the keypad is silent).
        bar.end();
        std::fprintf(stderr, "qzctl: stopped by %s\n", stop.name());
        session->abortUpload();
    }
    bar.end();
    if (r.outcome == qz::UploadResult::Refused) {
        PrintMessage(r.message, {});
        return kFailed;
    }
    if (r.outcome != qz::UploadResult::Completed) {
        // What ended the upload early and what the keypad now holds, once.
        PrintMessage(r.message,
                     r.outcome == qz::UploadResult::PortLost ? session->lossDetail() : QString());
    }

    std::printf("frames sent: %d of %d (%d event frames planned)\n", r.framesSent, r.framesPlanned,
                plan.EventFrameCount());
    std::printf("frames without answer: %d\n", r.unanswered);
    std::printf("erase confirmed: %s\n", r.eraseConfirmed ? "yes" : "no");
    if (r.logWritten) {
        std::printf("upload log: %s\n", Local(logPath).constData());
    } else {
        std::printf("upload log: %s\n", OneLine(r.logError).c_str());
    }
    if (r.logCreated && !r.logWritten) {
        std::fprintf(stderr, "qzctl: warning: the upload log is incomplete: %s\n",
                     OneLine(r.logError).c_str());
    }
    if (stop.received()) {
        return stop.exitStatus();
    }
    if (r.outcome != qz::UploadResult::Completed) {
        return kFailed;
    }
    if (!r.confirmedByKeypad()) {
        std::fprintf(stderr, "qzctl: upload not confirmed: %s\n",
                     OneLine(qz::UploadSummary(r)).c_str());
        return kFailed;
    }
    std::printf("upload complete\n");
    return kOk;
}

int CmdClear(int argc, char** argv) {
    Args args;
    if (!ParseArgs(argc, argv, false, false, &args) || !args.positional.empty()) {
        return Usage(kClearUsage);
    }
    auto app = EnsureApplication();
    SignalWatch stop;
    CliSession session;
    switch (ConnectKeypad(*session, args.port, stop)) {
    case Connected::Yes:
        break;
    case Connected::No:
        return kFailed;
    case Connected::Interrupted:
        return stop.exitStatus();
    }
    bool ended = false;
    qz::PhaseEnd reason = qz::PhaseEnd::Refused;
    QObject::connect(&*session, &qz::KeypadSession::clearFinished, [&](qz::PhaseEnd r) {
        ended = true;
        reason = r;
    });
    if (!session->clear()) {
        return kFailed;
    }
    qz::RunEventsUntil([&] { return ended || stop.received(); });
    if (!ended) {
        const int answers = session->clearReplyCount();
        session->disconnectKeypad();
        std::fprintf(stderr,
                     "qzctl: stopped by %s during the clear: the keypad got the erase frame and "
                     "had confirmed it %d of 2 times, so it may be erased in part or in full: "
                     "clear it again.\n",
                     stop.name(), answers);
        return stop.exitStatus();
    }
    if (reason != qz::PhaseEnd::Done) {
        // The link has said why (no confirmation in time, the port lost).
        return kFailed;
    }
    std::printf("keypad cleared\n");
    return kOk;
}

namespace {

// One rule for the names of the command line, as the library files keep them: byte for byte,
// not empty, no ':' (it separates the fields of an action text), no blanks at either end. A
// library name also names a file in the library folder: the library-name rule of every file.
QString NameRefusal(const QByteArray& name, bool fileName) {
    if (name.trimmed().isEmpty()) {
        return QStringLiteral("it is blank");
    }
    if (name.contains(':')) {
        return QStringLiteral("it holds ':', which separates the fields of an action");
    }
    if (name.trimmed() != name) {
        return QStringLiteral("it begins or ends with a blank");
    }
    if (fileName) {
        const std::string_view bytes(name.constData(), size_t(name.size()));
        if (!qz::latin1::IsSafeLibraryName(bytes)) {
            return qz::latin1::LibraryNameFaultText(bytes);
        }
    }
    return {};
}

// Whether the library file can be written, asked before the keypad learns: a name the file
// system refuses (too long, a read-only folder) would otherwise lose the learned code.
QString LibraryFileRefusal(const QString& path) {
    constexpr qsizetype kMaxFileName = 255; // bytes, as Linux and most file systems allow
    const QByteArray fileName = Local(QFileInfo(path).fileName());
    if (fileName.size() > kMaxFileName) {
        return QStringLiteral("its file name would be %1 bytes long; the file system takes at "
                              "most %2")
            .arg(fileName.size())
            .arg(kMaxFileName);
    }
    QFile file(path);
    if (file.exists()) {
        // Append opens without touching the content.
        if (!file.open(QIODevice::Append)) {
            return QStringLiteral("its file cannot be written: %1").arg(file.errorString());
        }
        return {};
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return QStringLiteral("its file cannot be created: %1").arg(file.errorString());
    }
    file.close();
    file.remove();
    return {};
}

} // namespace

int CmdLearn(int argc, char** argv) {
    Args args;
    if (!ParseArgs(argc, argv, false, true, &args) || !args.positional.empty() ||
        args.lib.isEmpty() || args.function.isEmpty()) {
        return Usage(kLearnUsage);
    }
    int timeoutSeconds = 30;
    if (!args.timeout.isEmpty()) {
        bool ok = false;
        timeoutSeconds = args.timeout.toInt(&ok);
        if (!ok || timeoutSeconds < 1 || timeoutSeconds > 3600) {
            std::fprintf(stderr, "qzctl: --timeout takes 1 to 3600 seconds\n");
            return kBadInput;
        }
    }
    for (const auto& [name, isLibrary] :
         {std::pair<const QByteArray&, bool>{args.lib, true}, {args.function, false}}) {
        const QString refusal = NameRefusal(name, isLibrary);
        if (!refusal.isEmpty()) {
            std::fprintf(stderr, "qzctl: '%s' cannot name %s: %s\n",
                         Printable(name.toStdString()).c_str(),
                         isLibrary ? "an IR library" : "an IR function", OneLine(refusal).c_str());
            return kBadInput;
        }
    }
    auto app = EnsureApplication();
    // Names typed on a UTF-8 terminal stand for their characters, as the editor keeps them; an
    // existing library is also found under the bytes as typed.
    std::string libName = qz::latin1::NameFromArgument(args.lib);
    for (const std::string& name : qz::latin1::ArgumentNames(args.lib)) {
        if (qz::io::Exists(qz::latin1::FindLibraryFile(qz::LibraryFolder(), name, ".irr"))) {
            libName = name;
            break;
        }
    }
    const std::string functionName = qz::latin1::NameFromArgument(args.function);
    const QByteArray libShown = qz::latin1::ForTerminal(libName);
    const QByteArray functionShown = qz::latin1::ForTerminal(functionName);
    const QString libraryPath = qz::latin1::FindLibraryFile(qz::LibraryFolder(), libName, ".irr");
    if (const QString refusal = LibraryFileRefusal(libraryPath); !refusal.isEmpty()) {
        std::fprintf(stderr, "qzctl: '%s' cannot name an IR library: %s\n", libShown.constData(),
                     OneLine(refusal).c_str());
        return kBadInput;
    }

    SignalWatch stop;
    CliSession session;
    switch (ConnectKeypad(*session, args.port, stop)) {
    case Connected::Yes:
        break;
    case Connected::No:
        return kFailed;
    case Connected::Interrupted:
        return stop.exitStatus();
    }
    QByteArray code;
    QString rejected;
    bool ended = false;
    qz::PhaseEnd reason = qz::PhaseEnd::Refused;
    QObject::connect(&*session, &qz::KeypadSession::learningEnded, [&](qz::PhaseEnd r) {
        ended = true;
        reason = r;
    });
    QObject::connect(&*session, &qz::KeypadSession::codeLearned,
                     [&](const QByteArray& c) { code = c; });
    QObject::connect(&*session, &qz::KeypadSession::learnedFrameRejected,
                     [&](const QString& why) { rejected = why; });
    if (!session->startLearning()) {
        return kFailed;
    }
    std::fprintf(stderr, "qzctl: point the remote control at the keypad and press the key\n");
    const bool done = qz::RunEventsUntil(
        [&] { return !code.isEmpty() || !rejected.isEmpty() || ended || stop.received(); },
        timeoutSeconds * 1000);
    if (ended && code.isEmpty()) {
        // The port was lost (the link has said so) or the link ended the learning otherwise.
        if (reason != qz::PhaseEnd::PortLost) {
            std::fprintf(stderr, "qzctl: learning ended (%s); no IR code was learned\n",
                         qz::PhaseEndName(reason));
        }
        return kFailed;
    }
    session->stopLearning();
    if (code.isEmpty() && stop.received()) {
        std::fprintf(stderr,
                     "qzctl: stopped by %s: no IR code was learned and %s was not changed\n",
                     stop.name(), Local(libraryPath).constData());
        return stop.exitStatus();
    }
    if (!done) {
        std::fprintf(stderr,
                     "qzctl: no IR code arrived within %d seconds: point the remote control at "
                     "the keypad's receiver, press the key, and try again (--timeout to wait "
                     "longer)\n",
                     timeoutSeconds);
        return kFailed;
    }
    if (code.isEmpty()) {
        std::fprintf(stderr, "qzctl: the keypad's answer was not used: %s\n",
                     OneLine(rejected).c_str());
        return kFailed;
    }
    QString error;
    if (!qz::StoreLearnedIrCode(libraryPath, QByteArray::fromStdString(functionName), code,
                                &error)) {
        std::fprintf(stderr, "qzctl: %s\n", OneLine(error).c_str());
        return kFailed;
    }
    std::printf("learned %s into the IR library %s (%s)\n", functionShown.constData(),
                libShown.constData(), Local(QFileInfo(libraryPath).absolutePath()).constData());
    return kOk;
}

} // namespace qzctl
