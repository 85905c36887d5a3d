// sim and ports: the keypad simulator on a pseudo-terminal, and the serial-port list.
#include <QCoreApplication>
#include <QFile>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "StopSignals.h"
#include "link/KeypadSimulator.h"
#include "link/PortDiscovery.h"

namespace qzctl {

namespace {

const char kSimUsage[] =
    "usage: qzctl sim [--log FILE] [--ir-code HEX] [--baud N] [fault options]\n"
    "Runs a simulated keypad on a pseudo-terminal and prints its device path as the first line.\n"
    "Runs until SIGINT, SIGTERM or SIGHUP; ends by itself after a hang-up.\n"
    "  --log FILE           append every received frame to FILE, one per line\n"
    "  --ir-code HEX        code bytes of the learn reply (99 bytes: 198 hex digits)\n"
    "  --baud N             pace bytes in both directions as on a wire at N baud\n"
    "fault options:\n"
    "  --silent-after N     answer nothing after N frames (0: never answer)\n"
    "  --one-clear          answer the erase frame with one \"CLRE\" reply only\n"
    "  --split N            write each reply in N pieces\n"
    "  --delay MS           wait MS milliseconds before each reply\n"
    "  --noise TEXT         write the bytes of TEXT before each reply\n"
    "  --bad-checksum       send the learn reply with a wrong checksum\n"
    "  --hang-up-after N    drop the line (as an unplugged cable) when frame N+1 arrives\n";

const char kPortsUsage[] =
    "usage: qzctl ports [--sysfs ROOT]\n"
    "Lists the serial ports, one a line: device path, \"keypad\" for a "
    "keypad candidate (USB CDC-ACM) or \"-\", description.\n"
    "  --sysfs ROOT   take ports and drivers from ROOT instead of /sys (without\n"
    "                 ROOT/class/tty: from the system's port list)\n";

int Usage(const char* text) {
    std::fputs(text, stderr);
    return 2;
}

// A whole decimal number in [min, max]; nothing else.
bool ParseNumber(const char* text, long min, long max, int* out) {
    if (!*text) {
        return false;
    }
    long value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = value * 10 + (*p - '0');
        if (value > max) {
            return false;
        }
    }
    if (value < min) {
        return false;
    }
    *out = static_cast<int>(value);
    return true;
}

bool ParseHex(const char* text, QByteArray* out) {
    const size_t n = std::strlen(text);
    if (n == 0 || n % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    *out = QByteArray::fromHex(QByteArray(text, static_cast<int>(n)));
    return true;
}

// Splits "--name=value" or takes the next argument; raw bytes either way.
class Args {
  public:
    Args(int argc, char** argv) : m_argc(argc), m_argv(argv) {}
    bool next() {
        if (++m_i >= m_argc) {
            return false;
        }
        const char* arg = m_argv[m_i];
        const char* eq = std::strncmp(arg, "--", 2) == 0 ? std::strchr(arg, '=') : nullptr;
        if (eq) {
            m_name.assign(arg, eq);
            m_inlineValue = eq + 1;
        } else {
            m_name = arg;
            m_inlineValue = nullptr;
        }
        return true;
    }
    const std::string& name() const { return m_name; }
    bool hasInlineValue() const { return m_inlineValue != nullptr; }
    // The option's value, or null when it is missing.
    const char* value() {
        if (m_inlineValue) {
            return m_inlineValue;
        }
        return ++m_i < m_argc ? m_argv[m_i] : nullptr;
    }

  private:
    int m_argc;
    char** m_argv;
    int m_i = -1;
    std::string m_name;
    const char* m_inlineValue = nullptr;
};

} // namespace

int CmdSim(int argc, char** argv) {
    qz::SimulatorOptions options;
    Args args(argc, argv);
    while (args.next()) {
        const std::string& name = args.name();
        if (name == "-h" || name == "--help") {
            std::fputs(kSimUsage, stdout);
            return 0;
        }
        if (name == "--one-clear" || name == "--bad-checksum") {
            if (args.hasInlineValue()) {
                return Usage(kSimUsage);
            }
            (name == "--one-clear" ? options.oneClear : options.badLearnChecksum) = true;
            continue;
        }
        const char* value = nullptr;
        bool ok = false;
        if (name == "--log" || name == "--ir-code" || name == "--noise" || name == "--baud" ||
            name == "--silent-after" || name == "--split" || name == "--delay" ||
            name == "--hang-up-after") {
            value = args.value();
        }
        if (!value) {
            std::fprintf(stderr, "qzctl sim: unknown option or missing value: '%s'\n",
                         name.c_str());
            return Usage(kSimUsage);
        }
        if (name == "--log") {
            options.logPath = QFile::decodeName(value);
            ok = !options.logPath.isEmpty();
        } else if (name == "--ir-code") {
            ok = ParseHex(value, &options.irCode) &&
                 options.irCode.size() <= qz::KeypadSimulator::kMaxIrCodeBytes;
        } else if (name == "--noise") {
            options.noise = QByteArray(value); // raw bytes, as typed
            ok = true;
        } else if (name == "--baud") {
            ok = ParseNumber(value, 1, 4000000, &options.baud);
        } else if (name == "--silent-after") {
            ok = ParseNumber(value, 0, INT_MAX, &options.silentAfter);
        } else if (name == "--split") {
            ok = ParseNumber(value, 1, 2048, &options.splitPieces);
        } else if (name == "--delay") {
            ok = ParseNumber(value, 0, 600000, &options.replyDelayMs);
        } else if (name == "--hang-up-after") {
            ok = ParseNumber(value, 0, INT_MAX, &options.hangUpAfter);
        }
        if (!ok) {
            std::fprintf(stderr, "qzctl sim: bad value for %s: '%s'\n", name.c_str(), value);
            return Usage(kSimUsage);
        }
    }

    int appArgc = 1;
    char appName[] = "qzctl";
    char* appArgv[] = {appName, nullptr};
    QCoreApplication app(appArgc, appArgv);
    // SIGINT, SIGTERM and SIGHUP end the event loop, so the simulator closes its pty and log on
    // the normal way out.
    SignalWatch stop([&app] { app.quit(); });
    int status = 0;
    {
        qz::KeypadSimulator simulator(options);
        QString error;
        if (!simulator.start(&error)) {
            std::fprintf(stderr, "qzctl sim: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        std::printf("%s\n", QFile::encodeName(simulator.devicePath()).constData());
        std::fflush(stdout);

        QObject::connect(&simulator, &qz::KeypadSimulator::hungUp, &app, [&] {
            std::fputs("qzctl sim: hung up\n", stderr);
            app.quit();
        });
        status = app.exec();
    }
    return status == 0 ? 0 : 1;
}

int CmdPorts(int argc, char** argv) {
    QString sysfsRoot;
    Args args(argc, argv);
    while (args.next()) {
        if (args.name() == "-h" || args.name() == "--help") {
            std::fputs(kPortsUsage, stdout);
            return 0;
        }
        const char* value = args.name() == "--sysfs" ? args.value() : nullptr;
        if (!value || !*value) {
            return Usage(kPortsUsage);
        }
        sysfsRoot = QFile::decodeName(value);
    }
    const qz::PortDiscovery discovery =
        sysfsRoot.isEmpty() ? qz::PortDiscovery() : qz::PortDiscovery(sysfsRoot, [sysfsRoot] {
            return qz::ListSysfsOrSystemPorts(sysfsRoot);
        });
    for (const qz::SerialPortEntry& port : discovery.ports()) {
        QString description = port.description;
        if (!port.manufacturer.isEmpty()) {
            description += (description.isEmpty() ? QString() : QStringLiteral(" ")) +
                           QStringLiteral("(%1)").arg(port.manufacturer);
        }
        std::printf("%s\t%s\t%s\n", QFile::encodeName(port.systemLocation).constData(),
                    port.keypadCandidate ? "keypad" : "-", description.toLocal8Bit().constData());
    }
    return 0;
}

} // namespace qzctl
