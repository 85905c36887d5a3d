#pragma once
#include <functional>

namespace qz {

// Runs this thread's event loop until `done` holds or `ms` pass (ms < 0: no limit), looking
// every millisecond. Returns done(). For programs and tests that wait on the link's signals.
bool RunEventsUntil(const std::function<bool()>& done, int ms = -1);

} // namespace qz
