#include "FileTypes.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "FileTypeData.h"
#include "Paths.h"
#include "io/WholeFile.h"

namespace qz {

namespace {

// A path as one argument of an Exec key: in double quotes with ", `, $ and \ escaped; then the
// escapes of a desktop-entry string value (\ doubled, control characters) and of field codes
// (% doubled).
QString ExecArgument(const QString& path) {
    QString quoted;
    for (const QChar c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted.replace('\\', QStringLiteral("\\\\"));
    quoted.replace('\n', QStringLiteral("\\n"));
    quoted.replace('\t', QStringLiteral("\\t"));
    quoted.replace('\r', QStringLiteral("\\r"));
    quoted.replace('%', QStringLiteral("%%"));
    return '"' + quoted + '"';
}

// Writes `bytes` unless the file already holds them; false when that fails.
bool WriteIfChanged(const QString& path, const QByteArray& bytes, bool& changed) {
    QByteArray current;
    if (io::ReadWholeFile(path, bytes.size(), current, nullptr) && current == bytes) {
        return true;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!io::WriteWholeFile(path, bytes, nullptr)) {
        return false;
    }
    changed = true;
    return true;
}

void StartTool(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (!program.isEmpty()) {
        QProcess::startDetached(program, {folder});
    }
}

} // namespace

QByteArray DesktopEntryFor(const QString& programPath) {
    QByteArray entry;
    for (const QByteArray& line : QByteArray(filetypes::kDesktopEntry).split('\n')) {
        if (line.startsWith("Exec=")) {
            entry += "Exec=" + ExecArgument(programPath).toUtf8() + " %f";
        } else {
            entry += line;
        }
        entry += '\n';
    }
    entry.chop(1); // split gave one more piece after the last line feed
    return entry;
}

QByteArray MimeTypesXml() {
    return filetypes::kMimeTypes;
}

Registration RegisterFileTypesIn(const QString& programPath, const QString& userDataDir,
                                 const QStringList& systemDataDirs, bool refreshCaches) {
    for (const QString& dir : systemDataDirs) {
        if (QFileInfo(QDir(dir).filePath(QStringLiteral("applications/%1").arg(kDesktopFileName)))
                .isFile()) {
            return Registration::SystemWide;
        }
    }
    if (userDataDir.isEmpty() || programPath.isEmpty()) {
        return Registration::Failed;
    }
    const QDir user(userDataDir);
    const QString mimeFolder = user.filePath(QStringLiteral("mime"));
    const QString appFolder = user.filePath(QStringLiteral("applications"));
    bool changed = false;
    const bool ok =
        WriteIfChanged(QDir(mimeFolder).filePath(QStringLiteral("packages/%1").arg(kMimeFileName)),
                       MimeTypesXml(), changed) &&
        WriteIfChanged(QDir(appFolder).filePath(kDesktopFileName), DesktopEntryFor(programPath),
                       changed);
    if (!ok) {
        return Registration::Failed;
    }
    if (!changed) {
        return Registration::UpToDate;
    }
    if (refreshCaches) {
        StartTool(QStringLiteral("update-mime-database"), mimeFolder);
        StartTool(QStringLiteral("update-desktop-database"), appFolder);
    }
    return Registration::Registered;
}

Registration RegisterFileTypes() {
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QStringList system = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    system.removeAll(user);
    return RegisterFileTypesIn(ProgramPath(), user, system, true);
}

} // namespace qz
