#pragma once
// Where the settings file, the library folder and the upload log live. Decided at every call, in
// this order:
//  1. QZCTR_HOME=DIR (not empty): everything in DIR ("DIR/qzsetup.ini", "DIR/Library",
//     "DIR/Library/log.txt"); a second workspace, and what tests use.
//  2. portable mode, when a "qzsetup.ini" sits beside the program: everything beside the program.
//  3. otherwise the XDG locations: "$XDG_CONFIG_HOME/qzctr/qzsetup.ini" and
//     "$XDG_DATA_HOME/qzctr/Library" (QStandardPaths' generic config and data locations).
#include <QString>

namespace qz {

enum class PathMode { Home, Portable, Xdg };

inline constexpr char kSettingsFileName[] = "qzsetup.ini";
inline constexpr char kLibraryFolderName[] = "Library";
inline constexpr char kUploadLogName[] = "log.txt";
inline constexpr char kHomeVariable[] = "QZCTR_HOME";

// The running program's file and folder (without a QCoreApplication: from /proc/self/exe).
QString ProgramPath();
QString ProgramDir();
PathMode CurrentPathMode();

QString SettingsPath();
// The library folder; created (with its parents) whenever it is missing.
QString LibraryFolder();
QString LibraryFilePath(const QString& name);
// Whether a file of exactly that name (case-sensitive) is in the library folder.
bool LibraryFileExists(const QString& name);
// The upload log, "log.txt" in the library folder.
QString UploadLogPath();

} // namespace qz
