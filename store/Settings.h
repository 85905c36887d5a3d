#pragma once
// The settings file "qzsetup.ini" (INI format, section "SYSTEM"): the device model MACHINE_TYPE
// and the port mode MACHINE_PORT, remembered between runs. Nothing here shows a message: an
// unreadable file counts as missing and a failed write is ignored (WriteModelSettings still
// says whether it worked).
#include <QString>

#include "model/Configuration.h"
#include "store/Paths.h"

namespace qz {

// The model and port mode in effect after ReadSettings.
struct ModelSettings {
    int deviceModel = kDefaultDeviceModel;
    int portMode = 0;
    bool fileFound = false; // false: the file could not be read and was created
};

// Start-up: when the file can be read, model = MACHINE_TYPE (default 1) and port mode =
// MACHINE_PORT (default 1, negative values 0); otherwise model 1 with port mode 0, and both are
// written (creating the file), so that the next start shows the same. The keys are laid out for the
// model (an unknown model lays out nothing) and the model and port applied to `config`.
ModelSettings ReadSettings(Configuration& config, const QString& path = SettingsPath());
// Writes MACHINE_TYPE and MACHINE_PORT in decimal; false when the file could not be written.
bool WriteModelSettings(int model, int port, const QString& path = SettingsPath());

} // namespace qz
