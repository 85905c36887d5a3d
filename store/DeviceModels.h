#pragma once
// The device models: their "System" menu entries and whether they show the port box. The key
// counts and kinds per model are in model/Configuration.h.
#include "model/ActionRules.h"

namespace qz {

struct DeviceModelInfo {
    int model;
    const char* menuEntry; // the model's entry in the "System" menu; null when it has none
    bool portBoxShown;     // the "Enable RS232/IR" box; hidden models always use port mode 0
};

// The entry of a known model (0, 1, 2), else null.
const DeviceModelInfo* FindDeviceModel(int model);

// The message for I/O on a model without I/O inputs; the port and model rules and their messages
// live in model/ActionRules.h, shared by the pages and the project check.
inline constexpr const char* kIoUnavailable = kRefusalIo;

} // namespace qz
