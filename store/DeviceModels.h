#pragma once
// The device models and the rules by which a model and its port mode refuse action ports. The
// key counts and kinds per model are in model/Configuration.h.
#include "model/ActionRules.h"

namespace qz {

struct DeviceModelInfo {
    int model;
    const char* menuEntry; // the model's entry in the "System" menu; null when it has none
    bool portBoxShown;     // the "Enable RS232/IR" box; hidden models always use port mode 0
};

// The entry of a known model (0, 1, 2), else null.
const DeviceModelInfo* FindDeviceModel(int model);

// Messages of the port and model rules; the rules themselves live in the model, beside the
// action texts, so that the pages and the checks share them.
inline constexpr const char* kPort1Refused = kRefusalPort1;
inline constexpr const char* kPort2Refused = kRefusalPort2;
inline constexpr const char* kPorts12Refused = kRefusalPorts12;
inline constexpr const char* kPorts23Refused = kRefusalPorts23;
inline constexpr const char* kPort3Refused = kRefusalPort3;
inline constexpr const char* kPort1RefusedOther = kRefusalPort1Other;
inline constexpr const char* kRelayPort3Refused = kRefusalRelayPort3;
inline constexpr const char* kIoUnavailable = kRefusalIo;

// Whether the model refuses an action of this type (kActionUart, kActionIr, kActionGpio,
// kActionRelay, kActionCompare; every other type passes) on this port (0, 1, 2 for Port 1..3)
// in this port mode: the message to show, or null when it is accepted. Model 2 accepts
// everything, and so does a port mode outside 0..3 (I/O and relay rules excepted).
const char* PortRefusal(int deviceModel, int portMode, int actionType, int port);

} // namespace qz
