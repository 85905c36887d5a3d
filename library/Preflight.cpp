#include "Preflight.h"

#include <algorithm>
#include <utility>

#include "StaleActions.h"
#include "io/Latin1.h"

namespace qz {

namespace {

Finding LibraryFinding(const StaleAction& a, const QString& what) {
    return {a.key, a.slot,
            QStringLiteral("action %1: %2 \"%3\" of library \"%4\": %5")
                .arg(a.row + 1)
                .arg(a.kind == LibraryKind::Ir ? QStringLiteral("IR function")
                                               : QStringLiteral("RS232 function"))
                .arg(latin1::ToQString(a.function), latin1::ToQString(a.library), what)};
}

} // namespace

Preflight RunPreflight(const Configuration& config, const QString& libraryFolder) {
    Preflight result;
    result.refusals = CheckProject(config);
    const StaleReport report = FindStaleActions(config, libraryFolder);
    for (const StaleAction& a : report.changed) {
        result.stale.push_back(
            LibraryFinding(a, QStringLiteral("differs from the library today (stale copy)")));
    }
    for (const StaleAction& a : report.unmatched) {
        if (a.status == StaleStatus::LibraryNameRefused) {
            result.unsafeNames.push_back(LibraryFinding(a, a.message));
        } else {
            result.unmatched.push_back(
                LibraryFinding(a, QString::fromLatin1(StaleStatusName(a.status))));
        }
    }
    return result;
}

QStringList FindingLines(const Configuration& config, std::vector<Finding> findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::make_pair(a.key, a.slot) < std::make_pair(b.key, b.slot);
    });
    QStringList lines;
    for (const Finding& f : findings) {
        lines << FindingLine(config, f);
    }
    return lines;
}

} // namespace qz
