#include "ProjectFile.h"

#include "io/Archive.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"

namespace qz {

namespace {

constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kFixedKeyBytes = 11 * 4 + kSlotCount * 2; // 118
// The smallest key record: empty name and label, no events.
constexpr std::size_t kMinKeyBytes = 2 + kFixedKeyBytes;

void WriteKey(ArchiveWriter& out, const Key& key) {
    out.WriteString(key.keyName);
    out.WriteString(key.keyLabel);
    out.WriteInt32(key.keyKind);
    out.WriteInt32(key.keyStyle);
    for (std::int32_t minutes : key.timerMinutes) {
        out.WriteInt32(minutes);
    }
    out.WriteInt32(key.reservedWord);
    out.WriteInt32(key.lastFamily);
    out.WriteInt32(key.ledBrightness);
    out.WriteInt32(key.keyGroup);
    out.WriteInt32(key.lastEventIndex);
    out.WriteInt32(key.lastEventSub);
    for (const ActionList& slot : key.slots) {
        out.WriteStringArray(slot);
    }
}

std::string SlotTooLarge(int key, int slot, std::size_t entries) {
    return "key " + std::to_string(key + 1) + ", slot " + std::to_string(slot) + " (" +
           EventNameOfSlot(slot) + "): " + std::to_string(entries) + " entries, more than the " +
           std::to_string(kMaxSlotEntries) + " a slot may hold (an upload sends at most 99)";
}

// A slot: its count, then that many strings. The list grows with the strings read.
bool ReadSlot(ArchiveReader& in, int key, int slot, ActionList& actions, std::size_t bytesAfter) {
    actions.clear();
    const std::size_t at = in.Offset();
    std::uint32_t count = 0;
    if (!in.ReadCount(count, 1, bytesAfter)) {
        return false;
    }
    if (count > kMaxSlotEntries) {
        return in.Fail(at, SlotTooLarge(key, slot, count));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string text;
        if (!in.ReadString(text)) {
            actions.clear();
            return false;
        }
        actions.push_back(std::move(text));
    }
    return true;
}

// Each slot's count must leave room for the smallest rest of the file (the empty slots and keys
// after it), so that a count no file of this size could hold is refused before it is used.
bool ReadKey(ArchiveReader& in, int index, Key& key) {
    in.ReadString(key.keyName);
    in.ReadString(key.keyLabel);
    in.ReadInt32(key.keyKind);
    in.ReadInt32(key.keyStyle);
    for (std::int32_t& minutes : key.timerMinutes) {
        in.ReadInt32(minutes);
    }
    in.ReadInt32(key.reservedWord);
    in.ReadInt32(key.lastFamily);
    in.ReadInt32(key.ledBrightness);
    in.ReadInt32(key.keyGroup);
    in.ReadInt32(key.lastEventIndex);
    in.ReadInt32(key.lastEventSub);
    const std::size_t keysAfter = static_cast<std::size_t>(kKeyCount - 1 - index) * kMinKeyBytes;
    for (int s = 0; s < kSlotCount && in.Ok(); ++s) {
        ReadSlot(in, index, s, key.slots[s],
                 static_cast<std::size_t>(kSlotCount - 1 - s) * 2 + keysAfter);
    }
    return in.Ok();
}

std::string Range(const char* what, std::int32_t value, int low, int high) {
    return std::string(what) + " " + std::to_string(value) + " out of range (" +
           std::to_string(low) + ".." + std::to_string(high) + ")";
}

} // namespace

std::string CheckSlotSizes(const Configuration& config) {
    for (int k = 0; k < kKeyCount; ++k) {
        for (int s = 0; s < kSlotCount; ++s) {
            const std::size_t entries = config.keys[k].slots[s].size();
            if (entries > kMaxSlotEntries) {
                return SlotTooLarge(k, s, entries);
            }
        }
    }
    return {};
}

std::string CheckProjectHeader(const ProjectHeader& h, std::size_t* fileOffset) {
    struct Field {
        const char* name;
        std::int32_t value;
        int low;
        int high;
        std::size_t offset;
    };
    const Field fields[] = {
        {"ID number", h.idNumber, 0, kMaxIdNumber, 0},
        {"port mode", h.portMode, 0, kPortModeCount - 1, 4},
        {"current key", h.currentKey, 0, kKeyCount - 1, 8},
        {"current slot", h.currentSlot, 0, kSlotCount - 1, 12},
        {"device model", h.deviceModel, 0, 2, 16},
    };
    for (const Field& f : fields) {
        if (f.value < f.low || f.value > f.high) {
            if (fileOffset) {
                *fileOffset = f.offset;
            }
            return Range(f.name, f.value, f.low, f.high);
        }
    }
    return {};
}

void BeginLoadedConfiguration(Configuration& config, const ProjectHeader& header) {
    config.ClearConfiguration();
    config.idNumber = header.idNumber;
    config.portMode = header.portMode;
    config.currentKey = header.currentKey;
    config.currentSlot = header.currentSlot;
    config.deviceModel = header.deviceModel;
    config.LayoutKeys(header.deviceModel);
    config.ApplyModelAndPort(header.deviceModel, header.portMode);
}

std::string EncodeProject(const Configuration& config) {
    ArchiveWriter out;
    std::size_t size = kHeaderBytes;
    for (const Key& key : config.keys) {
        size += kFixedKeyBytes + EncodedStringSize(key.keyName.size()) +
                EncodedStringSize(key.keyLabel.size());
        for (const ActionList& slot : key.slots) {
            for (const std::string& text : slot) {
                size += EncodedStringSize(text.size());
            }
        }
    }
    out.Reserve(size);
    out.WriteInt32(config.idNumber);
    out.WriteInt32(config.portMode);
    out.WriteInt32(config.currentKey);
    out.WriteInt32(config.currentSlot);
    out.WriteInt32(config.deviceModel);
    for (const Key& key : config.keys) {
        WriteKey(out, key);
    }
    return out.Take();
}

QByteArray ProjectToBytes(const Configuration& config) {
    const std::string bytes = EncodeProject(config);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool DecodeProject(std::string_view bytes, Configuration& config, std::string* error,
                   std::size_t* errorOffset) {
    ArchiveReader in(bytes);
    ProjectHeader header;
    in.ReadInt32(header.idNumber);
    in.ReadInt32(header.portMode);
    in.ReadInt32(header.currentKey);
    in.ReadInt32(header.currentSlot);
    in.ReadInt32(header.deviceModel);
    if (in.Ok()) {
        std::size_t offset = 0;
        const std::string bad = CheckProjectHeader(header, &offset);
        if (!bad.empty()) {
            in.Fail(offset, bad);
        }
    }
    if (in.Ok()) {
        Configuration loaded = config;
        BeginLoadedConfiguration(loaded, header);
        for (int k = 0; k < kKeyCount; ++k) {
            if (!ReadKey(in, k, loaded.keys[k])) {
                break;
            }
        }
        if (in.ExpectEnd()) {
            config = std::move(loaded);
            return true;
        }
    }
    if (error) {
        *error = in.Error();
    }
    if (errorOffset) {
        *errorOffset = in.ErrorOffset();
    }
    return false;
}

bool ProjectFromBytes(const QByteArray& bytes, Configuration& config, QString* error) {
    std::string message;
    if (DecodeProject(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                      config, &message)) {
        return true;
    }
    if (error) {
        *error = latin1::ToQString(message);
    }
    return false;
}

LoadStatus LoadProjectWith(const QString& path, Configuration& config, QString* error,
                           ProjectDecoder decode, const char* kind, qint64 maxSize) {
    QByteArray bytes;
    if (!io::ReadWholeFile(path, maxSize, bytes, error)) {
        return LoadStatus::Unreadable;
    }
    QString what;
    if (!decode(bytes, config, &what)) {
        if (error) {
            *error = QStringLiteral("%1: not a valid %2: %3").arg(path, kind, what);
        }
        return LoadStatus::Damaged;
    }
    return LoadStatus::Loaded;
}

bool LoadProject(const QString& path, Configuration& config, QString* error) {
    return LoadProjectWith(path, config, error, ProjectFromBytes, "project file") ==
           LoadStatus::Loaded;
}

bool SaveProject(const QString& path, const Configuration& config, QString* error) {
    // What could not be read back is not written.
    const std::string tooLarge = CheckSlotSizes(config);
    if (!tooLarge.empty()) {
        if (error) {
            *error =
                QStringLiteral("%1: cannot write: %2").arg(path, QString::fromStdString(tooLarge));
        }
        return false;
    }
    return io::WriteWholeFile(path, ProjectToBytes(config), error);
}

} // namespace qz
