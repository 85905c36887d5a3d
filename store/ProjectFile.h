#pragma once
// The project file (.qzp): a straight dump of the configuration. Header of five int32 (ID number,
// port mode, current key, current slot, device model), then 36 key records, each: name, label
// (strings), kind, style, three timer minutes, reserved word, last family, LED brightness, group,
// last event index, last event sub (int32), then 37 string arrays, one per event slot. Nothing
// follows. The repeat interval lives in memory only.
//
// Loading reads into a copy of the configuration and replaces it only on success: a file that is
// missing, truncated, malformed, out of range or followed by trailing bytes changes nothing, and
// the error says what is wrong and at which byte. A file written by SaveProject loads and saves
// back to the same bytes.
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Configuration.h"

namespace qz {

// Files larger than this are refused before they are read; the largest project is a few MiB.
constexpr qint64 kMaxProjectFileSize = 64 * 1024 * 1024;
constexpr int kMaxIdNumber = 99;
// The most entries a slot may hold. An upload sends at most 99 of an event (its count has two
// digits); a slot with far more is of no use to the keypad, and each entry would be a string in
// memory: millions of empty actions in a valid 6 MB file took hundreds of MB. Reading refuses
// such a slot, naming it, and saving refuses to write one.
constexpr std::size_t kMaxSlotEntries = 999;

// Empty when every slot holds at most kMaxSlotEntries entries; else what is wrong with the first
// one that holds more ("key 1, slot 0 (Press): 1200 entries, more than ...").
std::string CheckSlotSizes(const Configuration& config);

// The file bytes of a configuration.
std::string EncodeProject(const Configuration& config);
QByteArray ProjectToBytes(const Configuration& config);

// Reads file bytes into `config` (all or nothing). On failure `error` gets "byte N: what" and
// `errorOffset` N.
bool DecodeProject(std::string_view bytes, Configuration& config, std::string* error = nullptr,
                   std::size_t* errorOffset = nullptr);
bool ProjectFromBytes(const QByteArray& bytes, Configuration& config, QString* error = nullptr);

// The file layer: `error` gets a sentence naming the file (and the byte offset for a damaged
// file). Files go through io/WholeFile.h: only regular files are read, and a failed save leaves
// the old file as it was. A configuration that CheckSlotSizes refuses is not saved.
bool LoadProject(const QString& path, Configuration& config, QString* error = nullptr);
bool SaveProject(const QString& path, const Configuration& config, QString* error = nullptr);

// How a load ended, for callers that tell an unreadable file from a damaged one (qzctl's exit
// status).
enum class LoadStatus { Loaded, Unreadable, Damaged };
using ProjectDecoder = bool (*)(const QByteArray& bytes, Configuration& config, QString* error);
// Reads the file (of at most maxSize bytes) and decodes it; `error` gets "PATH: cannot open: ..."
// or "PATH: not a valid <kind>: byte N: ...". LoadProject is this with ProjectFromBytes.
LoadStatus LoadProjectWith(const QString& path, Configuration& config, QString* error,
                           ProjectDecoder decode, const char* kind,
                           qint64 maxSize = kMaxProjectFileSize);

// The header values a project holds, checked the same way by the binary and the JSON reader.
struct ProjectHeader {
    std::int32_t idNumber = 0;
    std::int32_t portMode = 0;
    std::int32_t currentKey = 0;
    std::int32_t currentSlot = 0;
    std::int32_t deviceModel = kDefaultDeviceModel;
};
// Empty when every value is in range, else what is wrong with the first bad one ("device model 7
// out of range (0..2)"); `fileOffset` gets that value's byte offset in the file.
std::string CheckProjectHeader(const ProjectHeader& header, std::size_t* fileOffset = nullptr);
// How loading prepares the configuration before the key records replace the stored fields: the
// slots emptied, the header values taken, the keys laid out for the model and the model and
// port applied (model 2 forces port mode 0). Fields that the file does not hold (the repeat
// interval) keep their values.
void BeginLoadedConfiguration(Configuration& config, const ProjectHeader& header);

} // namespace qz
