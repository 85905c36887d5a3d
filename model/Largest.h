#pragma once
#include "Configuration.h"

namespace qz {

// The largest configuration a keypad can hold: model 2, every normal key with its 16 page
// events, every virtual key with its virtual event, each system source with every event it can
// hold, every event filled with actions up to the frame limit, every key named, lit and grouped.
// Tests and benchmarks share it.
Configuration MakeLargestConfiguration();

} // namespace qz
