// qzctl: the headless tool. Dispatches to one function per command.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Commands.h"
#include "Output.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int, char**);
    const char* help;
};

const Command kCommands[] = {
    {"encode", qzctl::CmdEncode, "encode [--hex] TEXT      action record of one action text"},
    {"summary", qzctl::CmdSummary, "summary TEXT             display name, a tab, the summary"},
    // (file commands)
    {"show", qzctl::CmdShow,
     "show FILE                listing of a .qzp, .json, .irr or .rss file"},
    {"convert", qzctl::CmdConvert, "convert IN OUT           project file <-> JSON, by extension"},
    {"frames", qzctl::CmdFrames, "frames [--list] [-o OUT] PROJECT  the bytes an upload sends"},
    {"check", qzctl::CmdCheck, "check PROJECT            what an upload should not meet"},
    // (device-link commands)
    {"sim", qzctl::CmdSim, "sim [OPTIONS]            simulated keypad on a pty (sim --help)"},
    {"ports", qzctl::CmdPorts, "ports [--sysfs ROOT]     serial ports, keypad candidates marked"},
    {"upload", qzctl::CmdUpload,
     "upload PROJECT [--port PATH] [--force]  erase the keypad, upload"},
    {"clear", qzctl::CmdClear, "clear [--port PATH]      erase everything the keypad holds"},
    {"send", qzctl::CmdSend, "send --port PATH TEXT    try an RS232 action on a device"},
    {"learn", qzctl::CmdLearn, "learn --lib NAME --function NAME [--port PATH]  learn one IR code"},
};

void Usage(FILE* out) {
    std::fputs("usage: qzctl COMMAND [ARGS]\n\ncommands:\n", out);
    for (const auto& c : kCommands) {
        std::fprintf(out, "  %s\n", c.help);
    }
}

// Whatever a command wrote must have reached its output: a full disk, a closed pipe or a
// closed descriptor turn a success into a failure, with the reason. Checked once here, after the
// command, for every command. What is still buffered tells the reason again on this flush (a
// full disk stays full).
int OutputChecked(int status) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (flushed && !std::ferror(stdout)) {
        return status;
    }
    qzctl::ReportOutputFault(reason);
    return status == 0 ? 1 : status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) {
        Usage(argc < 2 ? stderr : stdout);
        return OutputChecked(argc < 2 ? 2 : 0);
    }
    for (const auto& c : kCommands) {
        if (!std::strcmp(argv[1], c.name)) {
            return OutputChecked(c.run(argc - 2, argv + 2));
        }
    }
    std::fprintf(stderr, "qzctl: unknown command '%s'\n", argv[1]);
    Usage(stderr);
    return 2;
}
