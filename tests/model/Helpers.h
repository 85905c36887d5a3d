#pragma once
#include <string>
#include <vector>

#include "model/ActionTexts.h"
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

// The RS232 action "PC on" as the RS232 page builds it from library Proj, function On: Port 2,
// a CR at the end, `data` in the data box.
inline qz::Rs232Action ProjOnAction(std::string data) {
    qz::Rs232Action a;
    a.eventName = "PC on";
    a.libName = "Proj";
    a.libFunction = "On";
    a.endChar = 1;
    a.port = 1;
    a.data = std::move(data);
    return a;
}
