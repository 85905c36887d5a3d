#pragma once
// The one check before an upload, for the editor and qzctl alike. Rule and frame findings (an
// action the model refuses, an event that does not fit one frame) refuse the upload: the keypad
// would be erased and then get less than the project holds. Stale library copies are the user's
// call: the editor asks, qzctl wants --force.
#include <QString>
#include <QStringList>

#include <vector>

#include "library/ProjectCheck.h"
#include "model/Configuration.h"

namespace qz {

struct Preflight {
    std::vector<Finding> refusals;  // CheckProject: the upload may not start
    std::vector<Finding> stale;     // library copies that differ from the library today
    std::vector<Finding> unmatched; // copies whose library or function is not there
    // Library names that would leave the library folder: no file is looked at for them. The
    // upload sends the action's own copy, so they do not refuse it; `qzctl check` lists them.
    std::vector<Finding> unsafeNames;

    bool refused() const { return !refusals.empty(); }
    bool hasStale() const { return !stale.empty(); }
};

// Checks `config` and compares its library copies with the libraries in `libraryFolder`.
Preflight RunPreflight(const Configuration& config, const QString& libraryFolder);

// One line per finding in key and slot order, a library finding after the others of its event.
QStringList FindingLines(const Configuration& config, std::vector<Finding> findings);

} // namespace qz
