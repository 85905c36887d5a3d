#pragma once
#include <string>

namespace qz {

// Messages raised deep inside encoding ("cmd is illlegal!", "rs232 data over", the
// initialization messages) go through this interface; the core never shows anything itself.
class IReporter {
  public:
    virtual ~IReporter() = default;
    virtual void Report(const std::string& message) = 0;
};

// Drops every message; for callers that only want the bytes.
class NullReporter final : public IReporter {
  public:
    void Report(const std::string&) override {}
};

} // namespace qz
