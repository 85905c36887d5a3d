#include "Largest.h"

#include <string>

namespace qz {

namespace {

std::string IrText(int n) {
    std::string code;
    for (int i = 0; i < 99; ++i) {
        static const char kHex[] = "0123456789abcdef";
        const int byte = (n * 31 + i * 7) & 0xFF;
        code += kHex[byte >> 4];
        code += kHex[byte & 15];
    }
    return "INFR : TV : F" + std::to_string(n) + " : 1 : 1 : 0 : 1 : 1 : c6 : " + code;
}

std::string UartText(int n) {
    return "UART : Cmd" + std::to_string(n) +
           " : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : 1 :PWR ON " + std::to_string(n);
}

// Fills one event with actions until the next one would no longer fit its frame.
void Fill(Configuration& config, int key, int slot) {
    int n = 0;
    const std::string bigger[] = {IrText(key * 40 + slot), UartText(slot)};
    for (const std::string& text : bigger) {
        while (config.AddAction(key, slot, text) >= 0) {
            ++n;
        }
    }
    const std::string smaller[] = {"DELY : 0 : 0 : 1 : 1 : 0000011", "LEDP : 2 : 0 : 0",
                                   "RELY : 0 : 1 : 1"};
    for (const std::string& text : smaller) {
        while (config.AddAction(key, slot, text) >= 0) {
            ++n;
        }
    }
}

} // namespace

Configuration MakeLargestConfiguration() {
    Configuration config;
    config.deviceModel = 2;
    config.LayoutKeys(2);
    config.ApplyModelAndPort(2, 0);
    config.idNumber = 99;
    const int normal = NormalKeyCount(2);
    for (int k = 0; k < kKeyCount; ++k) {
        Key& key = config.keys[k];
        if (k < 32) {
            key.keyName = "K" + std::to_string(100 + k).substr(1);
        }
        key.ledBrightness = 9;
        key.keyGroup = k % 32 + 1;
        key.repeatInterval = '0' + k % 10;
    }
    for (int k = 0; k < normal; ++k) {
        for (int cls = 0; cls < 4; ++cls) {
            for (int num = 0; num < 4; ++num) {
                Fill(config, k, config.AddEvent(k, kFamilyPage, cls, num));
            }
        }
    }
    for (int k = normal; k < 32; ++k) {
        Fill(config, k, config.AddEvent(k, kFamilyVirtual, 0, 0));
    }
    const int families[] = {kFamilyIoLow, kFamilyIoHigh, kFamilyTime, kFamilyStart};
    for (int i = 0; i < 4; ++i) {
        const int k = 32 + i;
        const int events = families[i] == kFamilyStart ? 1 : 4;
        for (int e = 0; e < events; ++e) {
            Fill(config, k, config.AddEvent(k, families[i], e, 10 * (e + 1)));
        }
    }
    return config;
}

} // namespace qz
