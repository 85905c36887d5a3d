#include "ActionRules.h"

#include <algorithm>

#include "ActionTexts.h"
#include "Configuration.h"
#include "KvqEventStr.h"
#include "Text.h"

namespace qz {

namespace {

constexpr int kPortModes = 4;
constexpr int kPorts = 3;

// Refusals by port mode (rows) and port (columns).
using RuleRow = const char* [kPorts];
constexpr RuleRow kRs232Rules[kPortModes] = {
    {nullptr, nullptr, nullptr},
    {kRefusalPort1, nullptr, nullptr},
    {nullptr, kRefusalPort2, nullptr},
    {kRefusalPorts12, kRefusalPorts12, nullptr},
};
constexpr RuleRow kIrRules[kPortModes] = {
    {nullptr, kRefusalPorts23, kRefusalPorts23},
    {nullptr, nullptr, kRefusalPort3},
    {nullptr, kRefusalPort2, nullptr},
    {nullptr, nullptr, nullptr},
};
constexpr RuleRow kCompareRules[kPortModes] = {
    {kRefusalPort1Other, nullptr, nullptr},
    {kRefusalPort1Other, nullptr, nullptr},
    {kRefusalPorts12, kRefusalPorts12, nullptr},
    {kRefusalPorts12, kRefusalPorts12, nullptr},
};

} // namespace

const char* RefusalForType(int typeCode, int port, int deviceModel, int portMode) {
    if (deviceModel != 0 && deviceModel != 1) {
        return nullptr;
    }
    if (typeCode == kActionGpio) {
        return kRefusalIo;
    }
    if (typeCode == kActionRelay) {
        return port == 2 ? kRefusalRelayPort3 : nullptr;
    }
    const RuleRow* rules = typeCode == kActionUart      ? kRs232Rules
                           : typeCode == kActionIr      ? kIrRules
                           : typeCode == kActionCompare ? kCompareRules
                                                        : nullptr;
    if (!rules || portMode < 0 || portMode >= kPortModes || port < 0 || port >= kPorts) {
        return nullptr;
    }
    return rules[portMode][port];
}

const char* RefusalForPage(int pageIndex, int port, int deviceModel, int portMode) {
    return RefusalForType(ActionTypeOfPage(pageIndex), port, deviceModel, portMode);
}

int ActionPort(const CKvqEventStr& action) {
    switch (action.GetTypeCode()) {
    case kActionUart:
        return AtoI(action.GetUartPort());
    case kActionIr:
        return AtoI(action.GetIrPort());
    case kActionCompare:
        return AtoI(action.GetCmpPort());
    case kActionRelay:
        return AtoI(action.GetRelayPort());
    case kActionGpio:
        return AtoI(action.GetIoPort());
    default:
        return -1;
    }
}

const char* RefusalForAction(const CKvqEventStr& action, int deviceModel, int portMode) {
    if (!action.IsValid()) {
        return nullptr;
    }
    return RefusalForType(action.GetTypeCode(), ActionPort(action), deviceModel, portMode);
}

std::string ActionRefusal(const std::string& actionText, int deviceModel, int portMode) {
    const char* refusal = RefusalForAction(CKvqEventStr(actionText), deviceModel, portMode);
    return refusal ? std::string(refusal) : std::string();
}

std::string RefusalHint(int deviceModel, int portMode) {
    const char* model = DeviceModelName(deviceModel);
    if (!model) {
        return {};
    }
    // A port mode of no meaning (from a file) is named by its number.
    const char* modeText = PortModeText(portMode);
    const std::string mode = modeText ? modeText : std::to_string(portMode);
    std::string hint = "The port mode is changed in the System menu, entry \"";
    hint += model;
    hint += "\".\rNow \"";
    hint += model;
    hint += "\" with port mode \"";
    hint += mode;
    hint += "\" allows:";
    static const struct {
        int type;
        const char* name;
    } kTypes[] = {{kActionUart, "RS232"},
                  {kActionIr, "IR"},
                  {kActionCompare, "Compare"},
                  {kActionRelay, "Relay"},
                  {kActionGpio, "I/O"}};
    for (const auto& t : kTypes) {
        std::string ports;
        for (int port = 0; port < kPorts; ++port) {
            if (!RefusalForType(t.type, port, deviceModel, portMode)) {
                ports += ports.empty() ? " Port " : ", ";
                ports += char('1' + port);
            }
        }
        hint += "\r";
        hint += t.name;
        hint += ports.empty() ? std::string(": none") : ":" + ports;
    }
    return hint;
}

std::string ExplainedRefusal(std::string_view refusal, int deviceModel, int portMode) {
    if (refusal.empty()) {
        return {};
    }
    std::string shown(refusal);
    const std::string hint = RefusalHint(deviceModel, portMode);
    if (!hint.empty()) {
        shown += "\r\r" + hint;
    }
    return shown;
}

bool NameShiftsFields(std::string_view name) {
    return name.find(kFieldSeparator) != std::string_view::npos;
}

bool ShiftsFields(std::string_view actionText) {
    const std::string text = Trim(actionText);
    const CKvqEventStr action(text);
    const int type = action.GetTypeCode();
    if (!action.IsValid() || type == kActionUart || type == kActionCompare) {
        return false;
    }
    const auto separators = std::count(text.begin(), text.end(), kFieldSeparator);
    return separators > CKvqEventStr::SeparatorCount(type);
}

} // namespace qz
