// send: an RS232 action tried on a device through a serial port of the PC, before it is
// programmed into the keypad.
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "CliPaths.h"
#include "CliText.h"
#include "Commands.h"
#include "StopSignals.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "library/Rs232FunctionAction.h"
#include "library/Rs232Library.h"
#include "link/EventLoop.h"
#include "link/LineSender.h"
#include "link/PortDiscovery.h"
#include "link/SerialTransport.h"
#include "store/Paths.h"

namespace qzctl {

namespace {


const char kSendUsage[] =
    "usage: qzctl send --port PATH [--listen MS] [--times N] [--force] ACTION-TEXT\n"
    "       qzctl send --port PATH [--listen MS] [--times N] [--force] --lib NAME --function NAME\n"
    "Sends the bytes an RS232 action sends (its record's data, end characters included) with its\n"
    "baud rate, data bits, parity and stop bits on the serial port PATH of this PC (a USB-serial\n"
    "adapter to the device), then prints what came back, as text and hex, with its time.\n"
    "  --lib NAME --function NAME   the action the RS232 page makes of that library function\n"
    "  --listen MS    how long to listen after the last send (default 1000, 0 to 600000)\n"
    "  --times N      send N times (1 to 99), the action's delay between (tenths of a second)\n"
    "  --force        send although PATH is the keypad's own port\n"
    "  --sysfs ROOT   find the keypad's port under ROOT instead of /sys\n"
    "Exit status 0 only when every byte went out; 1 when the port failed; 2 for a text that is\n"
    "no RS232 action, the keypad's port, or bad arguments. SIGINT ends it at once.\n";

int Usage() {
    std::fputs(kSendUsage, stderr);
    return kBadInput;
}

// Latin-1 bytes for the terminal, control bytes as \xNN.
std::string Shown(const QByteArray& bytes) {
    return qz::latin1::ForTerminal(Printable(bytes.toStdString())).toStdString();
}

void Refuse(const QString& text) {
    std::fprintf(stderr, "qzctl: %s\n", text.toUtf8().constData());
}

bool ParseNumber(const char* text, int min, int max, int* out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < min || value > max) {
        return false;
    }
    *out = int(value);
    return true;
}

// The action text of a library function, or nothing (the reason printed).
std::optional<std::string> LibraryAction(const QByteArray& lib, const QByteArray& function) {
    const std::vector<std::string> libNames = qz::latin1::ArgumentNames(lib);
    QString path;
    for (const std::string& name : libNames) {
        path = qz::latin1::FindLibraryFile(qz::LibraryFolder(), name, ".rss");
        if (path.isEmpty()) {
            Refuse(qz::latin1::LibraryNameFaultText(name));
            return std::nullopt;
        }
        if (qz::io::Exists(path)) {
            break;
        }
    }
    qz::CRS232LibSet library;
    QString error;
    if (!qz::LoadRs232LibraryFile(path, library, &error)) {
        Refuse(QStringLiteral("the RS232 library cannot be read: %1").arg(error));
        return std::nullopt;
    }
    for (const std::string& name : qz::latin1::ArgumentNames(function)) {
        if (qz::FindRs232Function(library, name) >= 0) {
            return qz::Rs232ActionOfFunction(qz::CopyRs232Function(library, name), library.libName)
                .ToActionText();
        }
    }
    Refuse(QStringLiteral("the RS232 library %1 has no function %2")
               .arg(qz::latin1::ToQString(library.libName), QString::fromUtf8(function)));
    return std::nullopt;
}

std::unique_ptr<QCoreApplication> EnsureApplication() {
    if (QCoreApplication::instance()) {
        return nullptr;
    }
    static int argc = 1;
    static char name[] = "qzctl";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace

int CmdSend(int argc, char** argv) {
    QByteArray port;
    QByteArray lib;
    QByteArray function;
    QString sysfs;
    const char* text = nullptr;
    int listenMs = 1000;
    int times = 1;
    bool force = false;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(a, "--force")) {
            force = true;
        } else if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) {
            std::fputs(kSendUsage, stdout);
            return kOk;
        } else if (!std::strcmp(a, "--port") && hasValue) {
            port = argv[++i];
        } else if (!std::strcmp(a, "--lib") && hasValue) {
            lib = argv[++i];
        } else if (!std::strcmp(a, "--function") && hasValue) {
            function = argv[++i];
        } else if (!std::strcmp(a, "--sysfs") && hasValue) {
            sysfs = ArgPath(argv[++i]);
        } else if (!std::strcmp(a, "--listen") && hasValue) {
            if (!ParseNumber(argv[++i], 0, 600000, &listenMs)) {
                return Usage();
            }
        } else if (!std::strcmp(a, "--times") && hasValue) {
            if (!ParseNumber(argv[++i], 1, 99, &times)) {
                return Usage();
            }
        } else if (a[0] == '-' && a[1] == '-') {
            return Usage();
        } else if (!text) {
            text = a;
        } else {
            return Usage();
        }
    }
    const bool fromLibrary = !lib.isEmpty() || !function.isEmpty();
    if (port.isEmpty() || (fromLibrary ? (lib.isEmpty() || function.isEmpty() || text) : !text)) {
        return Usage();
    }
    auto app = EnsureApplication();

    std::string actionText;
    if (fromLibrary) {
        const std::optional<std::string> made = LibraryAction(lib, function);
        if (!made) {
            return kBadInput;
        }
        actionText = *made;
        std::printf("action: %s\n", Shown(QByteArray::fromStdString(actionText)).c_str());
    } else {
        actionText = text;
    }
    QString refusal;
    const std::optional<qz::Rs232Send> send = qz::Rs232SendOfAction(actionText, &refusal);
    if (!send) {
        Refuse(refusal);
        return kBadInput;
    }

    QString portError;
    const QString path = qz::PortPathFromBytes(port, &portError);
    if (path.isEmpty()) {
        Refuse(portError);
        return kFailed;
    }
    const qz::PortDiscovery discovery =
        sysfs.isEmpty()
            ? qz::PortDiscovery()
            : qz::PortDiscovery(sysfs, [sysfs] { return qz::ListSysfsOrSystemPorts(sysfs); });
    if (!force && qz::IsKeypadPort(discovery, path)) {
        Refuse(QStringLiteral("%1 is the keypad's own port: a string for a device goes to the "
                              "device's adapter. Name that port, or use --force.")
                   .arg(path));
        return kBadInput;
    }

    qz::SendRequest request;
    request.port = path;
    request.line = send->line;
    request.data = send->data;
    request.times = times;
    request.delayMs = send->delay * qz::kDelayUnitMs;
    request.listenMs = listenMs;

    qz::LineSender sender;
    bool done = false;
    QObject::connect(&sender, &qz::LineSender::warning, [](const QString& w) {
        std::fprintf(stderr, "qzctl: warning: %s\n", w.toLocal8Bit().constData());
    });
    QObject::connect(&sender, &qz::LineSender::sent, [&](int, qint64 atMs) {
        std::printf("%+6lld ms  sent %lld bytes: %s  | %s\n", static_cast<long long>(atMs),
                    static_cast<long long>(request.data.size()), Shown(request.data).c_str(),
                    request.data.toHex(' ').constData());
    });
    QObject::connect(&sender, &qz::LineSender::received, [](const QByteArray& bytes, qint64 atMs) {
        std::printf("%+6lld ms  received %lld bytes: %s  | %s\n", static_cast<long long>(atMs),
                    static_cast<long long>(bytes.size()), Shown(bytes).c_str(),
                    bytes.toHex(' ').constData());
    });
    QObject::connect(&sender, &qz::LineSender::finished, [&] { done = true; });
    SignalWatch stop([&] { sender.cancel(); });

    std::printf("port %s: %s\n", Local(path).constData(),
                qz::LineText(send->line).toLocal8Bit().constData());
    std::fflush(stdout);
    if (!sender.start(request)) {
        Refuse(sender.result().message);
        return kFailed;
    }
    qz::RunEventsUntil([&] { return done; });
    const qz::SendResult& r = sender.result();
    const QByteArray reply = r.replyBytes();
    if (reply.isEmpty()) {
        std::printf("no reply within %d ms\n", listenMs);
    } else {
        std::printf("reply: %lld bytes: %s  | %s\n", static_cast<long long>(reply.size()),
                    Shown(reply).c_str(), reply.toHex(' ').constData());
    }
    if (r.outcome != qz::SendResult::Sent) {
        Refuse(r.message);
        return stop.received() ? stop.exitStatus() : kFailed;
    }
    if (!r.everyByteWent()) {
        Refuse(QStringLiteral("%1 of %2 bytes went out").arg(r.bytesWritten).arg(r.bytesPlanned));
        return kFailed;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kOk : kFailed;
}

} // namespace qzctl
