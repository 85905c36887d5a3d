// Action texts of any bytes: parse, name, summarise, encode, and build an event frame of them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/Configuration.h"
#include "model/KvqCmd.h"
#include "model/KvqEventStr.h"
#include "model/Reporter.h"
#include "model/UploadPlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    qz::NullReporter reporter;

    // The record must stay inside its scratch area: guard bytes after it must survive.
    constexpr int kGuard = 64;
    char out[qz::kActionScratchSize + kGuard];
    std::memset(out, 0x5A, sizeof out);
    qz::CKvqEventStr action(input, out, 0, &reporter);
    (void)action.GetTypeName();
    (void)action.GetSummary();
    const int length = action.Encode();
    if (length < 0 || length > 117 || length != action.RecordLength()) {
        std::abort();
    }
    for (int i = qz::kActionScratchSize; i < qz::kActionScratchSize + kGuard; ++i) {
        if (out[i] != 0x5A) {
            std::abort();
        }
    }

    // One event whose actions are the input's lines.
    qz::Configuration config;
    qz::ActionList& list = config.keys[0].slots[qz::kSlotPress];
    size_t start = 0;
    while (start <= input.size() && list.size() < 200) {
        const size_t end = input.find('\n', start);
        list.push_back(
            input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    const std::string frame =
        qz::BuildEventFrame(config, 0, qz::kSlotPress, nullptr, nullptr, &reporter);
    qz::CKvqCmd check(frame.data(), static_cast<int>(frame.size()));
    if (!check.IsFrameComplete() || !check.IsFrameSumValid() ||
        frame.size() > static_cast<size_t>(qz::kEventFrameLimit - 1 + 6)) {
        std::abort();
    }
    return 0;
}
