#include "DeviceModels.h"

#include "model/KvqEventStr.h"

namespace qz {

namespace {

const DeviceModelInfo kModels[] = {
    {0, nullptr, true},
    {1, "QRM-K6", true},
    {2, nullptr, false},
};

// Refusals by port mode (rows) and port (columns), for the types whose rule depends on both.
using RuleRow = const char* [3];
const RuleRow kUartRules[4] = {
    {nullptr, nullptr, nullptr},
    {kPort1Refused, nullptr, nullptr},
    {nullptr, kPort2Refused, nullptr},
    {kPorts12Refused, kPorts12Refused, nullptr},
};
const RuleRow kIrRules[4] = {
    {nullptr, kPorts23Refused, kPorts23Refused},
    {nullptr, nullptr, kPort3Refused},
    {nullptr, kPort2Refused, nullptr},
    {nullptr, nullptr, nullptr},
};
const RuleRow kCompareRules[4] = {
    {kPort1RefusedOther, nullptr, nullptr},
    {kPort1RefusedOther, nullptr, nullptr},
    {kPorts12Refused, kPorts12Refused, nullptr},
    {kPorts12Refused, kPorts12Refused, nullptr},
};

} // namespace

const DeviceModelInfo* FindDeviceModel(int model) {
    for (const DeviceModelInfo& info : kModels) {
        if (info.model == model) {
            return &info;
        }
    }
    return nullptr;
}

const char* PortRefusal(int deviceModel, int portMode, int actionType, int port) {
    if (deviceModel != 0 && deviceModel != 1) {
        return nullptr;
    }
    if (actionType == kActionGpio) {
        return kIoUnavailable;
    }
    if (actionType == kActionRelay) {
        return port == 2 ? kRelayPort3Refused : nullptr;
    }
    const RuleRow* rules = actionType == kActionUart      ? kUartRules
                           : actionType == kActionIr      ? kIrRules
                           : actionType == kActionCompare ? kCompareRules
                                                          : nullptr;
    if (!rules || portMode < 0 || portMode > 3 || port < 0 || port > 2) {
        return nullptr;
    }
    return rules[portMode][port];
}

} // namespace qz
