#include "UploadPlan.h"

#include <bitset>
#include <cstring>

#include "KvqCmd.h"
#include "KvqEventStr.h"
#include "Text.h"

namespace qz {

int UploadPlan::EventFrameCount() const {
    int n = 0;
    for (const auto& f : frames) {
        n += f.kind == PlannedFrame::Event;
    }
    return n;
}

std::string UploadPlan::WireBytes() const {
    size_t total = 0;
    for (const auto& f : frames) {
        total += f.bytes.size();
    }
    std::string out;
    out.reserve(total);
    for (const auto& f : frames) {
        out += f.bytes;
    }
    return out;
}

unsigned GroupMask(const Configuration& config) {
    unsigned mask = 0;
    const int normal = NormalKeyCount(config.deviceModel);
    for (int k = 0; k < normal; ++k) {
        const int g = config.keys[k].keyGroup;
        if (g >= 1 && g <= 32) {
            mask |= 1u << (g - 1);
        }
    }
    return mask;
}

int ProgressRange(const Configuration& config) {
    int fixed = 38;
    if (config.deviceModel == 0 || config.deviceModel == 1) {
        fixed = 48;
    } else if (config.deviceModel == 2) {
        fixed = 58;
    }
    return config.EventRowCount() + fixed +
           static_cast<int>(std::bitset<32>(GroupMask(config)).count());
}

std::string BuildEventFrame(const Configuration& config, int key, int slot, PlanOverflow* overflow,
                            bool* unparsed, IReporter* reporter) {
    const Key& k = config.keys[key];
    const ActionList& list = k.slots[slot];
    const int code = EventCodeOfSlot(slot);
    int nSub = k.lastEventIndex;
    int nNum = 0;
    switch (FamilyOfSlot(slot)) {
    case kFamilyPage:
        nNum = (slot - kSlotPageFirst) % 4;
        break;
    case kFamilyToggle:
        nNum = (slot - kSlotToggleFirst) % 4;
        break;
    case kFamilyIoLow:
        nSub = slot - kSlotIoLowFirst;
        break;
    case kFamilyIoHigh:
        nSub = slot - kSlotIoHighFirst;
        break;
    case kFamilyTime:
        nSub = slot - kSlotTimeFirst;
        nNum = k.timerMinutes[(slot - kSlotTimeFirst) % 3];
        break;
    default:
        break;
    }

    // A list that does not fit is sent only up to its last fitting entry, with a count that
    // matches: the keypad never sees a count promising actions that are not there.
    FrameBuffer buffer;
    CKvqCmd cmd(buffer, reporter);
    cmd.Begin(code);
    cmd.SetEventParams(key, nSub, code, nNum);
    if (code == kCodePress) {
        cmd.PutByte(15, static_cast<char>(k.repeatInterval));
    }
    cmd.Append("00"); // the count, written once we know how many entries fit
    const int total = static_cast<int>(list.size());
    int sent = 0;
    char record[2 + kActionScratchSize];
    for (; sent < total && sent < kMaxEventActions; ++sent) {
        const std::string& text = list[sent];
        if (IsBlank(text)) {
            continue;
        }
        PutFormattedNumber(record, sent + 1, 2);
        CKvqEventStr action(text, record + 2, 0, reporter);
        const int length = action.Encode();
        if (length == 0) {
            if (unparsed) {
                *unparsed = true;
            }
            continue; // left out like a blank entry; the numbering skips it
        }
        if (!cmd.Append(std::string_view(record, static_cast<size_t>(length) + 2))) {
            break;
        }
    }
    if (sent < total && overflow) {
        *overflow = PlanOverflow{key, slot, sent, total};
    }
    const std::string count = FormatNumber(sent, 2);
    cmd.PutByte(17, count[0]);
    cmd.PutByte(18, count[1]);
    cmd.Complete();
    return cmd.Bytes();
}

UploadPlan BuildUploadPlan(const Configuration& config, IReporter* reporter) {
    UploadPlan plan;
    plan.range = ProgressRange(config);
    int progress = kProgressAfterErase;
    auto add = [&](PlannedFrame::Kind kind, std::string bytes, int key, int slot) {
        PlannedFrame f;
        f.kind = kind;
        f.bytes = std::move(bytes);
        f.key = key;
        f.slot = slot;
        f.timeoutMs = kind == PlannedFrame::Event ? kEventFrameTimeoutMs : kSystemFrameTimeoutMs;
        f.progress = kind == PlannedFrame::Erase ? 0 : ++progress;
        plan.frames.push_back(std::move(f));
    };
    FrameBuffer buffer;

    add(PlannedFrame::Erase, std::string(kClearFrame), -1, -1);
    if (config.deviceModel != 2) {
        CKvqCmd cmd(buffer, reporter);
        cmd.MakeSysIdFrame(config.idNumber);
        add(PlannedFrame::System, cmd.Bytes(), -1, -1);
    }
    {
        CKvqCmd cmd(buffer, reporter);
        cmd.MakePortModeFrame(config.portMode);
        add(PlannedFrame::System, cmd.Bytes(), -1, -1);
    }
    for (int k = 0; k < 32; ++k) {
        CKvqCmd cmd(buffer, reporter);
        cmd.MakeKeyNameFrame(k, config.keys[k].keyName);
        add(PlannedFrame::System, cmd.Bytes(), k, -1);
    }
    const int normal = NormalKeyCount(config.deviceModel);
    for (int k = 0; k < normal; ++k) {
        CKvqCmd cmd(buffer, reporter);
        cmd.MakeLedLevelFrame(static_cast<unsigned>(config.keys[k].ledBrightness), k);
        add(PlannedFrame::System, cmd.Bytes(), k, -1);
    }
    const unsigned groups = GroupMask(config);
    for (int g = 1; g <= 32; ++g) {
        if (!(groups & (1u << (g - 1)))) {
            continue;
        }
        std::uint32_t mask = 0;
        for (int k = 0; k < normal; ++k) {
            if (config.keys[k].keyGroup == g) {
                mask |= 1u << k;
            }
        }
        CKvqCmd cmd(buffer, reporter);
        cmd.MakeKeyGroupFrame(mask, g);
        add(PlannedFrame::System, cmd.Bytes(), -1, -1);
    }
    for (int k = 0; k < kKeyCount; ++k) {
        for (int s = 0; s < kSlotCount; ++s) {
            if (!config.keys[k].IsSentEvent(s)) {
                continue;
            }
            PlanOverflow overflow;
            overflow.key = -1;
            bool unparsed = false;
            add(PlannedFrame::Event, BuildEventFrame(config, k, s, &overflow, &unparsed, reporter),
                k, s);
            if (overflow.key >= 0) {
                plan.overflows.push_back(overflow);
            }
            if (unparsed) {
                plan.unparsed.emplace_back(k, s);
            }
        }
    }
    return plan;
}

} // namespace qz
