// encode and summary: one action text in, its record or its display texts out.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "model/KvqEventStr.h"
#include "model/Reporter.h"

namespace qzctl {

namespace {

// Collects the parser's messages so the command can print them itself.
class CollectingReporter final : public qz::IReporter {
  public:
    void Report(const std::string& message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

void PrintMessages(const CollectingReporter& reporter) {
    for (const auto& m : reporter.messages) {
        std::fprintf(stderr, "qzctl: %s\n", m.c_str());
    }
}

} // namespace

int CmdEncode(int argc, char** argv) {
    bool hex = false;
    const char* text = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--hex")) {
            hex = true;
        } else if (!text) {
            text = argv[i];
        } else {
            std::fputs("usage: qzctl encode [--hex] TEXT\n", stderr);
            return 2;
        }
    }
    if (!text) {
        std::fputs("usage: qzctl encode [--hex] TEXT\n", stderr);
        return 2;
    }
    CollectingReporter reporter;
    const qz::CKvqEventStr action(text, &reporter);
    if (!action.IsValid()) {
        PrintMessages(reporter);
        std::fprintf(stderr, "qzctl: not an action text: '%s'\n", text);
        return 2;
    }
    const std::string record = qz::CKvqEventStr::EncodeToBytes(text, &reporter);
    PrintMessages(reporter); // e.g. "rs232 data over": the record is still produced
    if (hex) {
        for (unsigned char c : record) {
            std::printf("%02X", c);
        }
        std::putchar('\n');
    } else {
        std::fwrite(record.data(), 1, record.size(), stdout);
    }
    return 0;
}

int CmdSummary(int argc, char** argv) {
    if (argc != 1) {
        std::fputs("usage: qzctl summary TEXT\n", stderr);
        return 2;
    }
    CollectingReporter reporter;
    const qz::CKvqEventStr action(argv[0], &reporter);
    PrintMessages(reporter);
    const std::string line = action.GetTypeName() + "\t" + action.GetSummary() + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    return action.IsValid() ? 0 : 2;
}

} // namespace qzctl
