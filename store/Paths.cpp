#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qz {

namespace {

constexpr char kAppFolder[] = "qzctr";

QString HomeDir() {
    return qEnvironmentVariable(kHomeVariable);
}

// The folder that holds the settings file and the library folder in the first two modes.
QString BaseDir(PathMode mode) {
    return mode == PathMode::Home ? QDir(HomeDir()).absolutePath() : ProgramDir();
}

} // namespace

QString ProgramPath() {
    if (QCoreApplication::instance()) {
        return QCoreApplication::applicationFilePath();
    }
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString ProgramDir() {
    const QString path = ProgramPath();
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

PathMode CurrentPathMode() {
    if (!HomeDir().isEmpty()) {
        return PathMode::Home;
    }
    const QString dir = ProgramDir();
    if (!dir.isEmpty() && QFileInfo(QDir(dir).filePath(kSettingsFileName)).isFile()) {
        return PathMode::Portable;
    }
    return PathMode::Xdg;
}

QString SettingsPath() {
    const PathMode mode = CurrentPathMode();
    if (mode != PathMode::Xdg) {
        return QDir(BaseDir(mode)).filePath(kSettingsFileName);
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("%1/%2").arg(kAppFolder, kSettingsFileName));
}

QString LibraryFolder() {
    const PathMode mode = CurrentPathMode();
    QString folder;
    if (mode != PathMode::Xdg) {
        folder = QDir(BaseDir(mode)).filePath(kLibraryFolderName);
    } else {
        folder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                     .filePath(QStringLiteral("%1/%2").arg(kAppFolder, kLibraryFolderName));
    }
    QDir().mkpath(folder); // a failure shows later, when a file there cannot be opened
    return folder;
}

QString LibraryFilePath(const QString& name) {
    return QDir(LibraryFolder()).filePath(name);
}

bool LibraryFileExists(const QString& name) {
    if (name.isEmpty()) {
        return false;
    }
    // Listing the folder compares names exactly, whatever the file system does with case.
    return QDir(LibraryFolder()).entryList(QDir::Files | QDir::Hidden).contains(name);
}

QString UploadLogPath() {
    return LibraryFilePath(kUploadLogName);
}

} // namespace qz
