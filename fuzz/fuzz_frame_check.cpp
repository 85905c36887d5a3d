// Received bytes of any kind through the checks the link applies to replies.
#include <cstdint>
#include <string>

#include "model/KvqCmd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A heap copy of exactly the received bytes, so that any read past them is caught.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    qz::CKvqCmd frame(bytes.data(), static_cast<int>(bytes.size()));
    const int length = frame.GetFrameLength();
    const bool complete = frame.IsFrameComplete();
    const bool valid = frame.IsFrameSumValid();
    const std::string code = frame.GetLearnedIrCode();
    if (length < 0 || length > 9999 ||
        (complete && (length == 0 || length > qz::kMaxFrameLength)) ||
        !(code.empty() || code.size() == 198)) {
        __builtin_trap();
    }
    (void)valid;
    return 0;
}
