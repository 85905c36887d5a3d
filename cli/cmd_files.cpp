// show, convert, frames and check: the project file commands.
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CliPaths.h"
#include "CliText.h"
#include "Commands.h"
#include "Output.h"
#include "ShowLibrary.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "library/Preflight.h"
#include "model/Configuration.h"
#include "model/KvqEventStr.h"
#include "model/Reporter.h"
#include "model/Text.h"
#include "model/UploadPlan.h"
#include "store/DeviceModels.h"
#include "store/Paths.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace qzctl {

namespace {


QString Suffix(const char* path) {
    return QFileInfo(ArgPath(path)).suffix().toLower();
}

// A frame on one line: printable ASCII as it is, a backslash doubled, any other byte \xNN.
std::string EscapedFrame(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    return out;
}

// kOk with the project in `config`; kFailed when the file cannot be read, kBadInput when it is
// damaged (the message names the byte or the place).
int LoadForCommand(const char* path, qz::Configuration& config) {
    QString error;
    switch (qz::LoadProjectAny(ArgPath(path), config, &error)) {
    case qz::LoadStatus::Loaded:
        return kOk;
    case qz::LoadStatus::Unreadable:
        std::fprintf(stderr, "qzctl: %s\n", Local(error).constData());
        return kFailed;
    case qz::LoadStatus::Damaged:
        break;
    }
    std::fprintf(stderr, "qzctl: %s\n", Local(error).constData());
    return kBadInput;
}

bool IsLibraryPath(const char* path) {
    const QString suffix = Suffix(path);
    return suffix == QLatin1String("irr") || suffix == QLatin1String("rss");
}

const char* KindName(int kind) {
    switch (kind) {
    case qz::kKindNormal:
        return "normal key";
    case qz::kKindVirtual:
        return "virtual key";
    case qz::kKindSystem:
        return "system source";
    default:
        return "unknown kind";
    }
}

void PrintKey(const qz::Configuration& config, int k) {
    const qz::Key& key = config.keys[k];
    std::printf("key %d \"%s\" (label \"%s\", %s", k + 1, Printable(key.keyName).c_str(),
                Printable(key.keyLabel).c_str(), KindName(key.keyKind));
    if (key.ledBrightness) {
        std::printf(", LED Level %d", key.ledBrightness);
    }
    if (key.keyGroup) {
        std::printf(", Group %d", key.keyGroup);
    }
    std::printf(")\n");
    for (int s = 0; s < qz::kSlotCount; ++s) {
        if (!key.HasEvent(s)) {
            continue;
        }
        const std::string data = config.EventDataText(k, s);
        std::printf("  %s%s%s%s\n", qz::EventNameOfSlot(s), data.empty() ? "" : " (",
                    Printable(data).c_str(), data.empty() ? "" : ")");
        const qz::ActionList& actions = key.slots[s];
        for (std::size_t a = 0; a < actions.size(); ++a) {
            if (qz::IsBlank(actions[a])) {
                std::printf("    %2zu  (blank)\n", a + 1);
                continue;
            }
            qz::NullReporter quiet;
            const qz::CKvqEventStr action(actions[a], &quiet);
            if (!action.IsValid()) {
                std::printf("    %2zu  (not an action text) %s\n", a + 1,
                            Printable(actions[a]).c_str());
                continue;
            }
            std::printf("    %2zu  %-8s %s\n", a + 1, action.GetTypeName().c_str(),
                        Printable(action.GetSummary()).c_str());
        }
    }
}

int ShowProject(const char* path) {
    qz::Configuration config;
    if (const int status = LoadForCommand(path, config)) {
        return status;
    }
    const qz::DeviceModelInfo* model = qz::FindDeviceModel(config.deviceModel);
    std::printf(
        "device model: %d%s%s%s\n", config.deviceModel, model && model->menuEntry ? " (" : "",
        model && model->menuEntry ? model->menuEntry : "", model && model->menuEntry ? ")" : "");
    const char* port = qz::PortModeText(config.portMode);
    std::printf("port mode: %d (%s)\n", config.portMode, port ? port : "?");
    if (config.idNumber) {
        std::printf("ID No.: %02d\n", config.idNumber);
    } else {
        std::printf("ID No.: --\n");
    }
    std::printf("current event: key %d, slot %d\n", config.currentKey + 1, config.currentSlot);
    std::printf("events: %d\n", config.EventRowCount());
    for (int k = 0; k < qz::kKeyCount; ++k) {
        PrintKey(config, k);
    }
    return kOk;
}

bool WriteOutput(const char* path, const std::string& bytes) {
    if (!path) {
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
            std::fflush(stdout) == 0) {
            return true;
        }
        ReportOutputFault(errno); // the block went straight to the output: told once, here
        std::clearerr(stdout);
        return false;
    }
    QString error;
    if (!qz::io::WriteWholeFile(ArgPath(path),
                                QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                &error)) {
        std::fprintf(stderr, "qzctl: %s\n", Local(error).constData());
        return false;
    }
    return true;
}

// Messages the frame builders raise; the frames are produced all the same.
class StderrReporter final : public qz::IReporter {
  public:
    void Report(const std::string& message) override {
        std::fprintf(stderr, "qzctl: %s\n", Printable(message).c_str());
    }
};

} // namespace

int CmdShow(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: qzctl show FILE   (.qzp, .json, .irr or .rss)\n", stderr);
        return kBadInput;
    }
    const QString suffix = Suffix(argv[0]);
    if (suffix == QLatin1String("irr")) {
        return ShowIrLibrary(argv[0]);
    }
    if (suffix == QLatin1String("rss")) {
        return ShowRs232Library(argv[0]);
    }
    return ShowProject(argv[0]);
}

int CmdConvert(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: qzctl convert IN OUT   (.qzp and .json, by extension)\n", stderr);
        return kBadInput;
    }
    if (IsLibraryPath(argv[0]) || IsLibraryPath(argv[1])) {
        std::fputs("qzctl: convert turns project files (.qzp) into their text form (.json) and "
                   "back; library files have no text form\n",
                   stderr);
        return kBadInput;
    }
    qz::Configuration config;
    if (const int status = LoadForCommand(argv[0], config)) {
        return status;
    }
    QString error;
    if (!qz::SaveProjectAny(ArgPath(argv[1]), config, &error)) {
        std::fprintf(stderr, "qzctl: %s\n", Local(error).constData());
        return kFailed;
    }
    return kOk;
}

int CmdFrames(int argc, char** argv) {
    bool list = false;
    const char* out = nullptr;
    const char* project = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--list")) {
            list = true;
        } else if (!std::strcmp(argv[i], "-o") && i + 1 < argc) {
            out = argv[++i];
        } else if (!project && argv[i][0] != '-') {
            project = argv[i];
        } else {
            project = nullptr;
            break;
        }
    }
    if (!project) {
        std::fputs("usage: qzctl frames [--list] [-o OUT] PROJECT\n", stderr);
        return kBadInput;
    }
    // A freshly loaded project: every repeat interval at "Never", as after a start.
    qz::Configuration config;
    if (const int status = LoadForCommand(project, config)) {
        return status;
    }
    StderrReporter reporter;
    const qz::UploadPlan plan = qz::BuildUploadPlan(config, &reporter);
    for (const qz::PlanOverflow& o : plan.overflows) {
        std::fprintf(stderr, "qzctl: key %d, %s: only %d of %d actions fit one frame\n", o.key + 1,
                     qz::EventNameOfSlot(o.slot), o.fitted, o.total);
    }
    for (const auto& [key, slot] : plan.unparsed) {
        std::fprintf(stderr, "qzctl: key %d, %s: actions that do not parse are left out\n", key + 1,
                     qz::EventNameOfSlot(slot));
    }
    std::string bytes;
    if (list) {
        for (const qz::PlannedFrame& frame : plan.frames) {
            bytes += EscapedFrame(frame.bytes);
            bytes += '\n';
        }
    } else {
        bytes = plan.WireBytes();
    }
    return WriteOutput(out, bytes) ? kOk : kFailed;
}

int CmdCheck(int argc, char** argv) {
    const char* project = nullptr;
    const char* library = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--library") && i + 1 < argc && !library) {
            library = argv[++i];
        } else if (!project && argv[i][0] != '-') {
            project = argv[i];
        } else {
            project = nullptr;
            break;
        }
    }
    if (!project) {
        std::fputs("usage: qzctl check PROJECT [--library DIR]\n"
                   "stale library copies are checked against DIR (default: the library folder)\n",
                   stderr);
        return kBadInput;
    }
    qz::Configuration config;
    if (const int status = LoadForCommand(project, config)) {
        return status;
    }
    const QString folder = library ? ArgPath(library) : qz::LibraryFolder();
    if (library && !QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "qzctl: %s: no such folder\n", library);
        return kBadInput;
    }
    // The pre-flight of an upload: always its refusals, stale copies and library names that
    // would leave the folder; with an explicit
    // --library also the copies whose library or function is not there.
    qz::Preflight preflight = qz::RunPreflight(config, folder);
    std::vector<qz::Finding> findings = std::move(preflight.refusals);
    findings.insert(findings.end(), preflight.stale.begin(), preflight.stale.end());
    findings.insert(findings.end(), preflight.unsafeNames.begin(), preflight.unsafeNames.end());
    if (library) {
        findings.insert(findings.end(), preflight.unmatched.begin(), preflight.unmatched.end());
    }
    if (findings.empty()) {
        std::printf("no findings\n");
        return kOk;
    }
    for (const QString& line : qz::FindingLines(config, findings)) {
        std::printf("%s\n", Printable(line.toStdString()).c_str());
    }
    return kFailed;
}

} // namespace qzctl
