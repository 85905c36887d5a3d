#pragma once
// The one message for an output that did not take what a command wrote (a full disk, a closed
// pipe or descriptor). main() checks the standard output after every command; a command that
// writes a large block itself reports at once, while the system's reason is still known.
#include <cstdio>
#include <cstring>

namespace qzctl {

inline void ReportOutputFault(int reason) {
    std::fprintf(stderr, "qzctl: cannot write the output: %s\n",
                 reason ? std::strerror(reason) : "a write failed");
}

} // namespace qzctl
