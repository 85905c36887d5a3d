#include "ProjectJson.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <optional>

#include "ProjectFile.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"

namespace qz {

namespace {

// ---- writing ----

// Each byte is one character (Latin-1), written in UTF-8 as JSON text is: "Caf\xe9" becomes
// "Café". Control bytes are escaped, so that every byte value has its written form.
void PutText(QByteArray& out, const std::string& s) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (unsigned char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else if (c >= 0x80) {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

void PutField(QByteArray& out, const char* indent, const char* name, std::int32_t value,
              bool last = false) {
    out += indent;
    out += '"';
    out += name;
    out += "\": ";
    out += QByteArray::number(value);
    out += last ? "\n" : ",\n";
}

// False as soon as the text is longer than maxSize.
bool PutKey(QByteArray& out, int index, const Key& key, qint64 maxSize) {
    const char* in = "      ";
    out += "    {\n";
    PutField(out, in, "key", index);
    out += in;
    out += "\"keyName\": ";
    PutText(out, key.keyName);
    out += ",\n";
    out += in;
    out += "\"keyLabel\": ";
    PutText(out, key.keyLabel);
    out += ",\n";
    PutField(out, in, "keyKind", key.keyKind);
    PutField(out, in, "keyStyle", key.keyStyle);
    out += in;
    out += "\"timerMinutes\": [";
    for (std::size_t t = 0; t < key.timerMinutes.size(); ++t) {
        out += t ? ", " : "";
        out += QByteArray::number(key.timerMinutes[t]);
    }
    out += "],\n";
    PutField(out, in, "reservedWord", key.reservedWord);
    PutField(out, in, "lastFamily", key.lastFamily);
    PutField(out, in, "ledBrightness", key.ledBrightness);
    PutField(out, in, "keyGroup", key.keyGroup);
    PutField(out, in, "lastEventIndex", key.lastEventIndex);
    PutField(out, in, "lastEventSub", key.lastEventSub);
    out += in;
    out += "\"slots\": [";
    bool first = true;
    for (int s = 0; s < kSlotCount; ++s) {
        const ActionList& actions = key.slots[s];
        if (actions.empty()) {
            continue;
        }
        out += first ? "\n" : ",\n";
        first = false;
        out += "        {\"slot\": " + QByteArray::number(s) + ", \"event\": \"" +
               EventNameOfSlot(s) + "\", \"actions\": [";
        for (std::size_t a = 0; a < actions.size(); ++a) {
            out += a ? ",\n          " : "\n          ";
            PutText(out, actions[a]);
            if (out.size() > maxSize) {
                return false;
            }
        }
        out += "\n        ]}";
    }
    out += first ? "]\n" : "\n      ]\n";
    out += "    }";
    return out.size() <= maxSize;
}

// The first byte that JSON text never holds raw, or -1. Qt's parser takes a NUL inside a name
// into the name, which then reads as a missing field, far from the damage.
qsizetype FirstForbiddenByte(const QByteArray& json) {
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            return i;
        }
    }
    return -1;
}

// ---- reading ----

class Reader {
  public:
    bool Fail(const QString& where, const QString& what) {
        if (m_error.isEmpty()) {
            m_error = where.isEmpty() ? what : where + ": " + what;
        }
        return false;
    }
    const QString& Error() const { return m_error; }

    // Every listed field present and no other.
    bool Fields(const QJsonObject& o, std::initializer_list<const char*> required,
                std::initializer_list<const char*> optional, const QString& where) {
        for (const char* name : required) {
            if (!o.contains(QLatin1String(name))) {
                return Fail(where, QStringLiteral("missing \"%1\"").arg(name));
            }
        }
        for (auto it = o.begin(); it != o.end(); ++it) {
            bool known = false;
            for (auto list : {required, optional}) {
                for (const char* name : list) {
                    known = known || it.key() == QLatin1String(name);
                }
            }
            if (!known) {
                return Fail(where, QStringLiteral("unknown field \"%1\"").arg(it.key()));
            }
        }
        return true;
    }

    bool Int(const QJsonValue& v, const QString& where, std::int32_t& out) {
        const double d = v.toDouble();
        if (!v.isDouble() || std::trunc(d) != d || d < std::numeric_limits<std::int32_t>::min() ||
            d > std::numeric_limits<std::int32_t>::max()) {
            return Fail(where, QStringLiteral("not a 32-bit integer"));
        }
        out = static_cast<std::int32_t>(d);
        return true;
    }

    bool Int(const QJsonObject& o, const char* name, const QString& where, std::int32_t& out) {
        return Int(o.value(QLatin1String(name)), Place(where, name), out);
    }

    bool Text(const QJsonValue& v, const QString& where, std::string& out) {
        if (v.isString()) {
            // Characters, one byte each; one above U+00FF has no byte and is refused, never
            // turned into several bytes or a "?".
            const QString text = v.toString();
            std::optional<std::string> bytes = latin1::ToBytes(text);
            if (!bytes) {
                return Fail({}, latin1::OutsideMessage(text, where));
            }
            out = std::move(*bytes);
            return true;
        }
        if (!v.isObject()) {
            return Fail(where, QStringLiteral("not a string"));
        }
        const QJsonObject o = v.toObject();
        if (!Fields(o, {"bytes"}, {}, where) || !o.value("bytes").isString()) {
            return Fail(where, QStringLiteral("not a string"));
        }
        const QByteArray hex = o.value("bytes").toString().toLatin1();
        if (hex.size() % 2 != 0 || !std::all_of(hex.begin(), hex.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c));
            })) {
            return Fail(Place(where, "bytes"), QStringLiteral("not an even number of hex digits"));
        }
        out = QByteArray::fromHex(hex).toStdString();
        return true;
    }

    bool Array(const QJsonValue& v, const QString& where, QJsonArray& out) {
        if (!v.isArray()) {
            return Fail(where, QStringLiteral("not an array"));
        }
        out = v.toArray();
        return true;
    }

    bool Object(const QJsonValue& v, const QString& where, QJsonObject& out) {
        if (!v.isObject()) {
            return Fail(where, QStringLiteral("not an object"));
        }
        out = v.toObject();
        return true;
    }

    static QString Place(const QString& where, const char* name) {
        return where.isEmpty() ? QString::fromLatin1(name) : where + '.' + QLatin1String(name);
    }
    static QString Place(const QString& where, qsizetype index) {
        return QStringLiteral("%1[%2]").arg(where).arg(index);
    }

    bool ReadKey(const QJsonValue& value, int index, const QString& where, Key& key) {
        QJsonObject o;
        if (!Object(value, where, o) ||
            !Fields(o,
                    {"key", "keyName", "keyLabel", "keyKind", "keyStyle", "timerMinutes",
                     "reservedWord", "lastFamily", "ledBrightness", "keyGroup", "lastEventIndex",
                     "lastEventSub", "slots"},
                    {}, where)) {
            return false;
        }
        std::int32_t number = 0;
        if (!Int(o, "key", where, number)) {
            return false;
        }
        if (number != index) {
            return Fail(Place(where, "key"),
                        QStringLiteral("%1 where key %2 belongs").arg(number).arg(index));
        }
        QJsonArray timers;
        if (!Text(o.value("keyName"), Place(where, "keyName"), key.keyName) ||
            !Text(o.value("keyLabel"), Place(where, "keyLabel"), key.keyLabel) ||
            !Int(o, "keyKind", where, key.keyKind) || !Int(o, "keyStyle", where, key.keyStyle) ||
            !Array(o.value("timerMinutes"), Place(where, "timerMinutes"), timers)) {
            return false;
        }
        if (timers.size() != static_cast<qsizetype>(key.timerMinutes.size())) {
            return Fail(Place(where, "timerMinutes"), QStringLiteral("not three numbers"));
        }
        for (qsizetype t = 0; t < timers.size(); ++t) {
            if (!Int(timers[t], Place(Place(where, "timerMinutes"), t), key.timerMinutes[t])) {
                return false;
            }
        }
        if (!Int(o, "reservedWord", where, key.reservedWord) ||
            !Int(o, "lastFamily", where, key.lastFamily) ||
            !Int(o, "ledBrightness", where, key.ledBrightness) ||
            !Int(o, "keyGroup", where, key.keyGroup) ||
            !Int(o, "lastEventIndex", where, key.lastEventIndex) ||
            !Int(o, "lastEventSub", where, key.lastEventSub)) {
            return false;
        }
        const QString slotsWhere = Place(where, "slots");
        QJsonArray slots;
        if (!Array(o.value("slots"), slotsWhere, slots)) {
            return false;
        }
        int previous = -1;
        for (qsizetype i = 0; i < slots.size(); ++i) {
            const QString at = Place(slotsWhere, i);
            QJsonObject slot;
            std::int32_t s = 0;
            QJsonArray actions;
            if (!Object(slots[i], at, slot) || !Fields(slot, {"slot", "actions"}, {"event"}, at) ||
                !Int(slot, "slot", at, s)) {
                return false;
            }
            if (s <= previous || s >= kSlotCount) {
                return Fail(
                    Place(at, "slot"),
                    s >= 0 && s < kSlotCount
                        ? QStringLiteral("%1 not in ascending order").arg(s)
                        : QStringLiteral("%1 out of range (0..%2)").arg(s).arg(kSlotCount - 1));
            }
            previous = s;
            if (slot.contains("event") && slot.value("event") != QJsonValue(EventNameOfSlot(s))) {
                return Fail(Place(at, "event"), QStringLiteral("not the event of slot %1 (\"%2\")")
                                                    .arg(s)
                                                    .arg(EventNameOfSlot(s)));
            }
            if (!Array(slot.value("actions"), Place(at, "actions"), actions)) {
                return false;
            }
            ActionList& list = key.slots[s];
            list.resize(static_cast<std::size_t>(actions.size()));
            for (qsizetype a = 0; a < actions.size(); ++a) {
                if (!Text(actions[a], Place(Place(at, "actions"), a), list[a])) {
                    return false;
                }
            }
        }
        return true;
    }

    bool Read(const QByteArray& json, Configuration& config) {
        const qsizetype forbidden = FirstForbiddenByte(json);
        if (forbidden >= 0) {
            const auto c = static_cast<unsigned char>(json[forbidden]);
            return Fail({},
                        QStringLiteral("byte %1: %2, which JSON text never holds: the file is "
                                       "damaged or not a project text")
                            .arg(forbidden)
                            .arg(c == 0 ? QStringLiteral("a NUL byte")
                                        : QStringLiteral("the control byte 0x%1")
                                              .arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'))));
        }
        QJsonParseError parse;
        const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
        if (parse.error != QJsonParseError::NoError) {
            return Fail({},
                        QStringLiteral("byte %1: %2").arg(parse.offset).arg(parse.errorString()));
        }
        if (!doc.isObject()) {
            return Fail({}, QStringLiteral("not a JSON object"));
        }
        const QJsonObject o = doc.object();
        if (o.value("format") != QJsonValue(kProjectJsonFormat)) {
            return Fail("format", QStringLiteral("not \"%1\"").arg(kProjectJsonFormat));
        }
        std::int32_t version = 0;
        if (!Int(o, "version", {}, version)) {
            return false;
        }
        if (version != kProjectJsonVersion) {
            return Fail("version", QStringLiteral("%1 is not a version this program reads (%2)")
                                       .arg(version)
                                       .arg(kProjectJsonVersion));
        }
        ProjectHeader header;
        QJsonArray keys;
        if (!Fields(o,
                    {"format", "version", "idNumber", "portMode", "currentKey", "currentSlot",
                     "deviceModel", "keys"},
                    {}, {}) ||
            !Int(o, "idNumber", {}, header.idNumber) || !Int(o, "portMode", {}, header.portMode) ||
            !Int(o, "currentKey", {}, header.currentKey) ||
            !Int(o, "currentSlot", {}, header.currentSlot) ||
            !Int(o, "deviceModel", {}, header.deviceModel)) {
            return false;
        }
        const std::string bad = CheckProjectHeader(header);
        if (!bad.empty()) {
            return Fail({}, latin1::ToQString(bad));
        }
        if (!Array(o.value("keys"), "keys", keys)) {
            return false;
        }
        if (keys.size() != kKeyCount) {
            return Fail(
                "keys",
                QStringLiteral("%1 keys where a project has %2").arg(keys.size()).arg(kKeyCount));
        }
        Configuration loaded = config;
        BeginLoadedConfiguration(loaded, header);
        for (int k = 0; k < kKeyCount; ++k) {
            if (!ReadKey(keys[k], k, Place(QStringLiteral("keys"), k), loaded.keys[k])) {
                return false;
            }
        }
        // The same bound as the binary file, so that a text that loads can also be saved.
        const std::string tooLarge = CheckSlotSizes(loaded);
        if (!tooLarge.empty()) {
            return Fail({}, latin1::ToQString(tooLarge));
        }
        config = std::move(loaded);
        return true;
    }

  private:
    QString m_error;
};

} // namespace

bool ProjectToJson(const Configuration& config, qint64 maxSize, QByteArray& out) {
    out.clear();
    out += "{\n  \"format\": \"";
    out += kProjectJsonFormat;
    out += "\",\n";
    PutField(out, "  ", "version", kProjectJsonVersion);
    PutField(out, "  ", "idNumber", config.idNumber);
    PutField(out, "  ", "portMode", config.portMode);
    PutField(out, "  ", "currentKey", config.currentKey);
    PutField(out, "  ", "currentSlot", config.currentSlot);
    PutField(out, "  ", "deviceModel", config.deviceModel);
    out += "  \"keys\": [\n";
    for (int k = 0; k < kKeyCount; ++k) {
        if (!PutKey(out, k, config.keys[k], maxSize)) {
            return false;
        }
        out += k + 1 < kKeyCount ? ",\n" : "\n";
    }
    out += "  ]\n}\n";
    return out.size() <= maxSize;
}

QByteArray ProjectToJson(const Configuration& config) {
    QByteArray out;
    ProjectToJson(config, std::numeric_limits<qint64>::max(), out);
    return out;
}

bool ProjectFromJson(const QByteArray& json, Configuration& config, QString* error) {
    Reader reader;
    if (reader.Read(json, config)) {
        return true;
    }
    if (error) {
        *error = reader.Error();
    }
    return false;
}

bool LoadProjectJson(const QString& path, Configuration& config, QString* error) {
    return LoadProjectWith(path, config, error, ProjectFromJson, "project text",
                           kMaxProjectJsonSize) == LoadStatus::Loaded;
}

bool SaveProjectJson(const QString& path, const Configuration& config, QString* error) {
    QByteArray json;
    if (!ProjectToJson(config, kMaxProjectJsonSize, json)) {
        if (error) {
            *error = QStringLiteral("%1: not written: the text form of this project would be "
                                    "larger than the %2 bytes a project text may have; keep it "
                                    "as a project file (.qzp)")
                         .arg(path)
                         .arg(kMaxProjectJsonSize);
        }
        return false;
    }
    return io::WriteWholeFile(path, json, error);
}

bool IsProjectJsonPath(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0;
}

LoadStatus LoadProjectAny(const QString& path, Configuration& config, QString* error) {
    return IsProjectJsonPath(path) ? LoadProjectWith(path, config, error, ProjectFromJson,
                                                     "project text", kMaxProjectJsonSize)
                                   : LoadProjectWith(path, config, error, ProjectFromBytes,
                                                     "project file", kMaxProjectFileSize);
}

bool SaveProjectAny(const QString& path, const Configuration& config, QString* error) {
    return IsProjectJsonPath(path) ? SaveProjectJson(path, config, error)
                                   : SaveProject(path, config, error);
}

} // namespace qz
