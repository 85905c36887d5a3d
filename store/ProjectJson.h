#pragma once
// The text form of a project: JSON that can be read, diffed and kept under version control, and
// that converts back to the same project file bytes.
//
//   {
//     "format": "qzctr-project",
//     "version": 1,
//     "idNumber": 0, "portMode": 0, "currentKey": 0, "currentSlot": 0, "deviceModel": 1,
//     "keys": [                          all 36 keys, in order
//       {
//         "key": 0,                      the key's index (0..35), checked on reading
//         "keyName": "1", "keyLabel": "1", "keyKind": 0, "keyStyle": 0,
//         "timerMinutes": [0, 0, 0], "reservedWord": 0, "lastFamily": 1, "ledBrightness": 0,
//         "keyGroup": 0, "lastEventIndex": 0, "lastEventSub": 0,
//         "slots": [                     only the slots that hold something, ascending
//           {"slot": 0, "event": "Press", "actions": [
//             "DELY : 00 : 00 : 01 : 0 : 00010"
//           ]}
//         ]
//       }, ...
//     ]
//   }
//
// Fields appear in the order of the project file. Texts are JSON strings of their 8-bit
// characters, one byte each (Latin-1): the key name "Caf\xe9" is written "Café", and reading
// "Café" gives the bytes "Caf\xe9". A character above U+00FF has no byte: it is refused with the
// place named. {"bytes": "<hex digits>"} is read as well (the raw bytes; earlier versions wrote
// it for texts that were not UTF-8).
// "event" is the slot's event name, for the reader; it must match the slot. Reading refuses
// unknown fields, missing fields, wrong types, numbers outside int32 and the header values the
// project file refuses; the error names the place ("keys[3].slots[1].actions[0]: ..."). A byte
// that JSON text never holds raw (NUL and the other control bytes but tab, CR and LF) is refused
// with its offset before parsing: Qt's parser takes some of them into names and strings.
#include <QByteArray>
#include <QString>

#include "model/Configuration.h"
#include "store/ProjectFile.h"

namespace qz {

inline constexpr char kProjectJsonFormat[] = "qzctr-project";
constexpr int kProjectJsonVersion = 1;
// The largest text form that is read, and so the largest that is written: parsing takes several
// times the text's size in memory.
constexpr qint64 kMaxProjectJsonSize = kMaxProjectFileSize;

QByteArray ProjectToJson(const Configuration& config);
// The same, stopping as soon as the text grows beyond maxSize bytes: false then, and `json` holds
// a cut text. A project of many actions has a text form far larger than its file.
bool ProjectToJson(const Configuration& config, qint64 maxSize, QByteArray& json);
// All or nothing, as for the project file; the repeat intervals keep their values.
bool ProjectFromJson(const QByteArray& json, Configuration& config, QString* error = nullptr);

bool LoadProjectJson(const QString& path, Configuration& config, QString* error = nullptr);
// Writes only a text that LoadProjectJson can read back: one larger than kMaxProjectJsonSize is
// refused and the file is not touched.
bool SaveProjectJson(const QString& path, const Configuration& config, QString* error = nullptr);

// Whether a path names the JSON form (extension ".json", any case).
bool IsProjectJsonPath(const QString& path);
// By extension: the JSON form for ".json", the project file for anything else.
LoadStatus LoadProjectAny(const QString& path, Configuration& config, QString* error = nullptr);
bool SaveProjectAny(const QString& path, const Configuration& config, QString* error = nullptr);

} // namespace qz
