#pragma once
// File-type registration: the ".qzp" project type (and the ".irr" and ".rss" library types) with
// the desktop, so that opening a project starts the program with it. CMake installs
// store/data/qzctr.desktop and the MIME types system-wide; a program that is not installed so
// writes the same for its user at start, pointing at itself. Failures are ignored by the caller.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qz {

inline constexpr char kDesktopFileName[] = "qzctr.desktop";
inline constexpr char kMimeFileName[] = "qzctr.xml";
inline constexpr char kProjectMimeType[] = "application/x-qzctr-project";

enum class Registration {
    SystemWide, // an installed qzctr.desktop exists: nothing to do
    UpToDate,   // the user's registration already points at this program
    Registered, // written (or rewritten) for the user
    Failed,     // could not be written
};

// The desktop entry that starts `programPath` with a file ("Exec=<quoted path> %f").
QByteArray DesktopEntryFor(const QString& programPath);
QByteArray MimeTypesXml();

// With the desktop's data folders: the user's (XDG_DATA_HOME) and the system's (XDG_DATA_DIRS).
// When files were written and `refreshCaches` is set, update-mime-database and
// update-desktop-database are started for the user's folders, if they exist.
Registration RegisterFileTypesIn(const QString& programPath, const QString& userDataDir,
                                 const QStringList& systemDataDirs, bool refreshCaches);
// The same for the running program and the standard locations.
Registration RegisterFileTypes();

} // namespace qz
