#include "DeviceModels.h"

namespace qz {

namespace {

const DeviceModelInfo kModels[] = {
    {0, nullptr, true},
    {1, "QRM-K6", true},
    {2, nullptr, false},
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

} // namespace qz
