#pragma once
#include <string>
#include <vector>

#include "model/Reporter.h"

// Records what the core reports, so tests can assert on the exact messages.
class RecordingReporter final : public qz::IReporter {
  public:
    void Report(const std::string& message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

inline std::string Dashes(size_t n) {
    return std::string(n, '-');
}
