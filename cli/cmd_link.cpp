// upload, clear and learn: the keypad over its serial port.
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

#include "Commands.h"
#include "library/IrLibrary.h"
#include "link/DeviceLink.h"
#include "link/EventLoop.h"
#include "link/HotPlug.h"
#include "link/LinkTexts.h"
#include "link/PortDiscovery.h"
#include "link/Uploader.h"
#include "model/Reporter.h"
#include "model/UploadPlan.h"
#include "store/Paths.h"
#include "store/ProjectCheck.h"
#include "store/ProjectJson.h"

namespace qzctl {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadInput = 2;

const char kUploadUsage[] =
    "usage: qzctl upload PROJECT [--port PATH] [--force]\n"
    "Connects to the keypad, erases it and uploads PROJECT (.qzp or .json). The event frames go\n"
    "to the upload log (log.txt in the library folder).\n"
    "  --port PATH   the keypad's serial device (default: the first USB keypad port that opens)\n"
    "  --force       upload although 'qzctl check' has findings\n";
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

// SIGINT and SIGTERM as events of the loop (first one: `onSignal`), so that an upload can stop
// between frames instead of dying in the middle of one.
class SignalWatch {
  public:
    explicit SignalWatch(std::function<void()> onSignal) {
        sigemptyset(&m_mask);
        sigaddset(&m_mask, SIGINT);
        sigaddset(&m_mask, SIGTERM);
        if (sigprocmask(SIG_BLOCK, &m_mask, &m_old) != 0) {
            return;
        }
        m_fd = signalfd(-1, &m_mask, SFD_NONBLOCK | SFD_CLOEXEC);
        if (m_fd < 0) {
            sigprocmask(SIG_SETMASK, &m_old, nullptr);
            return;
        }
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this, onSignal] {
            signalfd_siginfo info;
            while (read(m_fd, &info, sizeof info) == sizeof info) {
            }
            if (++m_count > 1) {
                std::fputs("qzctl: stopped\n", stderr);
                _exit(130);
            }
            onSignal();
        });
    }
    ~SignalWatch() {
        m_notifier.reset();
        if (m_fd >= 0) {
            close(m_fd);
            sigprocmask(SIG_SETMASK, &m_old, nullptr);
        }
    }

  private:
    sigset_t m_mask{};
    sigset_t m_old{};
    int m_fd = -1;
    int m_count = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// Opens the keypad's port (the given one, or the USB keypad candidates in order) and runs the
// handshake. On failure the reason is printed and false returned.
bool ConnectKeypad(qz::DeviceLink& link, const QByteArray& port) {
    QStringList candidates;
    if (!port.isEmpty()) {
        candidates << QFile::decodeName(port);
    } else {
        candidates = qz::KeypadCandidatePaths(qz::PortDiscovery());
        if (candidates.isEmpty()) {
            std::fprintf(stderr,
                         "qzctl: no keypad found: no USB keypad port is present (%s)\n"
                         "  connect the keypad, or name its port with --port PATH\n",
                         qz::texts::kConnectUsbWireFirst);
            return false;
        }
    }
    bool finished = false;
    bool success = false;
    QObject::connect(&link, &qz::DeviceLink::handshakeFinished, [&](bool ok) {
        finished = true;
        success = ok;
    });
    if (!link.connectToKeypad(candidates)) {
        std::fprintf(stderr, "qzctl: no keypad port could be opened\n");
        return false;
    }
    qz::RunEventsUntil([&] { return finished; });
    if (!success) {
        std::fprintf(stderr, "qzctl: the keypad on %s did not answer the connection request\n",
                     qPrintable(link.portName().isEmpty() ? candidates.join(QStringLiteral(", "))
                                                          : link.portName()));
        return false;
    }
    return true;
}

// A progress bar on a terminal, one line per tenth otherwise quiet.
class ProgressBar {
  public:
    explicit ProgressBar(int range) : m_range(range > 0 ? range : 1), m_tty(isatty(2)) {}
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
    bool m_tty;
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
    const QString projectPath = QFile::decodeName(args.positional[0]);
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

    // Checked before anything touches the keypad, so that a refused project leaves it as it is.
    const std::vector<qz::Finding> findings = qz::CheckProject(config);
    if (!findings.empty()) {
        for (const qz::Finding& f : findings) {
            std::fprintf(stderr, "%s\n", OneLine(qz::FindingLine(config, f)).c_str());
        }
        if (!args.force) {
            std::fprintf(stderr,
                         "qzctl: upload refused: %zu finding(s) (see above); the keypad was not "
                         "touched. Use --force to upload anyway.\n",
                         findings.size());
            return kFailed;
        }
    }
    CollectingReporter reporter;
    const qz::UploadPlan plan = qz::BuildUploadPlan(config, &reporter);

    qz::DeviceLink link;
    QObject::connect(&link, &qz::DeviceLink::message, PrintMessage);
    if (!ConnectKeypad(link, args.port)) {
        return kFailed;
    }

    qz::Uploader uploader(link);
    uploader.setAllowOverflows(args.force);
    ProgressBar bar(plan.range);
    QObject::connect(&uploader, &qz::Uploader::progressChanged, [&](int p) { bar.show(p); });
    QObject::connect(&uploader, &qz::Uploader::message, [&](const QString& t, const QString& d) {
        bar.end();
        PrintMessage(t, d);
    });
    bool finished = false;
    QObject::connect(&uploader, &qz::Uploader::finished, [&] { finished = true; });
    SignalWatch interrupt([&] {
        bar.end();
        std::fputs("qzctl: cancelling before the next event frame (again to stop at once)\n",
                   stderr);
        uploader.cancel();
    });

    const QString logPath = qz::UploadLogPath();
    if (!uploader.start(plan, logPath)) {
        return kFailed;
    }
    qz::RunEventsUntil([&] { return finished; });
    bar.end();

    const qz::UploadResult& r = uploader.result();
    if (!r.eraseConfirmed && r.framesSent > 0) {
        std::fprintf(stderr, "qzctl: warning: the keypad did not confirm the erase\n");
    }
    std::printf("frames sent: %d of %d (%d event frames planned)\n", r.framesSent, r.framesPlanned,
                plan.EventFrameCount());
    std::printf("frames without answer: %d\n", r.unanswered);
    std::printf("upload log: %s\n",
                r.logWritten ? qPrintable(logPath) : "not written (the file could not be created)");
    if (r.outcome != qz::UploadResult::Completed) {
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
    qz::DeviceLink link;
    QObject::connect(&link, &qz::DeviceLink::message, PrintMessage);
    if (!ConnectKeypad(link, args.port)) {
        return kFailed;
    }
    bool finished = false;
    bool confirmed = false;
    QObject::connect(&link, &qz::DeviceLink::clearFinished, [&](bool ok) {
        finished = true;
        confirmed = ok;
    });
    if (!link.startClear()) {
        return kFailed;
    }
    qz::RunEventsUntil([&] { return finished; });
    if (!confirmed) {
        return kFailed;
    }
    std::printf("keypad cleared\n");
    return kOk;
}

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
    // The library name becomes a file name in the library folder: no folders, no hidden files.
    if (args.lib.contains('/') || args.lib.startsWith('.') || args.lib.contains('\0')) {
        std::fprintf(stderr, "qzctl: '%s' cannot name an IR library\n", args.lib.constData());
        return kBadInput;
    }
    auto app = EnsureApplication();
    const QString libraryPath = qz::LibraryFilePath(QFile::decodeName(args.lib + ".irr"));

    qz::DeviceLink link;
    QObject::connect(&link, &qz::DeviceLink::message, PrintMessage);
    if (!ConnectKeypad(link, args.port)) {
        return kFailed;
    }
    QByteArray code;
    QString rejected;
    QObject::connect(&link, &qz::DeviceLink::irCodeLearned, [&](const QByteArray& c) { code = c; });
    QObject::connect(&link, &qz::DeviceLink::learnedFrameRejected,
                     [&](const QString& reason) { rejected = reason; });
    if (!link.startLearning()) {
        return kFailed;
    }
    std::fprintf(stderr, "qzctl: point the remote control at the keypad and press the key\n");
    const bool done = qz::RunEventsUntil([&] { return !code.isEmpty() || !rejected.isEmpty(); },
                                         timeoutSeconds * 1000);
    link.stopLearning();
    if (!done) {
        std::fprintf(stderr, "qzctl: no IR code arrived within %d seconds\n", timeoutSeconds);
        return kFailed;
    }
    if (code.isEmpty()) {
        std::fprintf(stderr, "qzctl: the keypad's answer was not used: %s\n",
                     OneLine(rejected).c_str());
        return kFailed;
    }
    QString error;
    if (!qz::StoreLearnedIrCode(libraryPath, args.function, code, &error)) {
        std::fprintf(stderr, "qzctl: %s\n", OneLine(error).c_str());
        return kFailed;
    }
    std::printf("learned %s into %s\n", args.function.constData(), qPrintable(libraryPath));
    return kOk;
}

} // namespace qzctl
