#pragma once
#include <string>
#include <vector>

#include "Configuration.h"

namespace qz {

class IReporter;

// Reply time-outs of the upload.
constexpr int kSystemFrameTimeoutMs = 3000;
constexpr int kEventFrameTimeoutMs = 30000;
// Progress position reached when the erase is over (timer ticks move it from 1 to 5).
constexpr int kProgressAfterErase = 6;

struct PlannedFrame {
    enum Kind { Erase, System, Event };
    Kind kind = System;
    std::string bytes;
    int key = -1;  // key index for per-key and event frames
    int slot = -1; // slot for event frames
    int timeoutMs = kSystemFrameTimeoutMs;
    int progress = 0; // position of the progress bar once this frame is sent
};

// An event whose actions do not all fit into one frame.
struct PlanOverflow {
    int key = 0;
    int slot = 0;
    int fitted = 0; // leading entries that fit
    int total = 0;  // entries of the slot
};

// Everything an upload sends, in order, computed without any I/O.
struct UploadPlan {
    std::vector<PlannedFrame> frames; // erase frame first
    int range = 0;                    // R, the progress bar's range
    std::vector<PlanOverflow> overflows;
    std::vector<std::pair<int, int>> unparsed; // (key, slot) of actions left out as unparseable

    int EventFrameCount() const;
    // All frames concatenated as on the wire.
    std::string WireBytes() const;
};

// Group mask: bit g-1 set when a normal key uses group g (1..32).
unsigned GroupMask(const Configuration& config);
int ProgressRange(const Configuration& config);

// The event frame of one slot. An event that does not fit is cut before the first entry that
// does not fit, with its count matching what is sent, and reported through `overflow`.
std::string BuildEventFrame(const Configuration& config, int key, int slot,
                            PlanOverflow* overflow = nullptr, bool* unparsed = nullptr,
                            IReporter* reporter = nullptr);

UploadPlan BuildUploadPlan(const Configuration& config, IReporter* reporter = nullptr);

} // namespace qz
