#include "Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

#include "model/Text.h"

namespace qz {

namespace {

constexpr char kTypeKey[] = "SYSTEM/MACHINE_TYPE";
constexpr char kPortKey[] = "SYSTEM/MACHINE_PORT";

// A number as the profile functions read it: leading digits of the text, the default when the
// key is missing.
int ReadInt(const QSettings& settings, const char* key, int fallback) {
    const QVariant value = settings.value(key);
    if (!value.isValid()) {
        return fallback;
    }
    return AtoI(value.toString().toStdString());
}

// A FIFO, a device or a folder in the settings file's place would block or break every read and
// write: it is left alone and the defaults hold for this run.
bool OtherThanAFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

bool Write(const QString& path, std::initializer_list<std::pair<const char*, int>> values) {
    if (OtherThanAFile(path)) {
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    for (const auto& [key, value] : values) {
        settings.setValue(key, QString::number(value));
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

ModelSettings ReadSettings(Configuration& config, const QString& path) {
    ModelSettings result;
    QFile probe(path);
    if (!OtherThanAFile(path) && probe.open(QIODevice::ReadOnly)) {
        probe.close();
        QSettings settings(path, QSettings::IniFormat);
        result.fileFound = settings.status() == QSettings::NoError;
        result.deviceModel = ReadInt(settings, kTypeKey, kDefaultDeviceModel);
        result.portMode = std::max(0, ReadInt(settings, kPortKey, 1));
    }
    if (!result.fileFound) {
        result.deviceModel = kDefaultDeviceModel;
        result.portMode = 0;
        // The port mode too: a file without it reads as port mode 1 at the next start, which
        // would then refuse what this start allowed.
        Write(path, {{kTypeKey, result.deviceModel}, {kPortKey, result.portMode}});
    }
    config.deviceModel = result.deviceModel;
    config.portMode = result.portMode;
    config.LayoutKeys(result.deviceModel);
    config.ApplyModelAndPort(result.deviceModel, result.portMode);
    result.portMode = config.portMode;
    return result;
}

bool WriteModelSettings(int model, int port, const QString& path) {
    return Write(path, {{kTypeKey, model}, {kPortKey, port}});
}

} // namespace qz
