#include "ui/FileCommands.h"

#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include "store/Paths.h"
#include "ui/dialogs/Messages.h"
#include "ui/document/EditorDocument.h"

namespace qz {

namespace {

constexpr int kRecentMax = 8;
const char kRecentKey[] = "RECENT/files";

} // namespace

FileCommands::FileCommands(EditorDocument& document, IMessages* messages, QMainWindow& window)
    : QObject(&window), m_document(document), m_messages(messages), m_window(window) {}

void FileCommands::addTo(QMenu* file) {
    file->addAction(QStringLiteral("&New"), QKeySequence::New, this, [this] { newProject(); });
    file->addAction(QStringLiteral("&Open"), QKeySequence::Open, this, [this] { open(); });
    m_recentMenu = file->addMenu(QStringLiteral("Open &Recent"));
    m_recentMenu->setObjectName(QStringLiteral("recentMenu"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &FileCommands::fillRecentMenu);
    file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { saveProject(); });
    file->addAction(QStringLiteral("Save &as"), QKeySequence::SaveAs, this,
                    [this] { saveProjectAs(); });
}

QString FileCommands::startFolder() const {
    const QString path = m_document.path();
    return path.isEmpty() ? LibraryFolder() : QFileInfo(path).absolutePath();
}

bool FileCommands::maybeSave() {
    if (!m_document.isModified()) {
        return true;
    }
    const int answer = m_messages->AskYesNoCancel(QStringLiteral("Save the File in Editting?"),
                                                  QStringLiteral("Attention:"));
    // A cancelled or failed save keeps what is open: nothing is lost.
    return answer == 0 || (answer == 1 && saveProject());
}

bool FileCommands::newProject() {
    if (!maybeSave()) {
        return false;
    }
    m_document.newDocument();
    m_window.statusBar()->showMessage(QStringLiteral("New project."), 3000);
    return true;
}

bool FileCommands::open() {
    if (!maybeSave()) {
        return false;
    }
    const QString path = m_messages->OpenFileName(
        QStringLiteral("Open"), startFolder(),
        QStringLiteral("Projects (*.qzp);;Projects as text (*.json);;All files (*)"));
    return !path.isEmpty() && openProject(path);
}

bool FileCommands::openProject(const QString& path) {
    const FileResult result = m_document.open(path);
    if (!result.ok) {
        // The reason goes in the box's text, where it can be read whole.
        const QString headline = result.status == LoadStatus::Unreadable
                                     ? QStringLiteral("The File is Destroy")
                                     : QStringLiteral("The project file is damaged and was not "
                                                      "opened.");
        m_messages->Show(headline + QStringLiteral("\n\n") + result.error, QStringLiteral("Open"));
        return false;
    }
    addRecentFile(path);
    m_window.statusBar()->showMessage(QStringLiteral("Opened %1").arg(path), 5000);
    return true;
}

bool FileCommands::saveProject() {
    if (m_document.path().isEmpty() ||
        m_document.path().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
        return saveProjectAs();
    }
    const FileResult result = m_document.save();
    if (!result.ok) {
        m_messages->Show(QStringLiteral("The project could not be saved.\n\n") + result.error,
                         QStringLiteral("Save"));
        return false;
    }
    addRecentFile(m_document.path());
    m_window.statusBar()->showMessage(QStringLiteral("Saved %1").arg(m_document.path()), 5000);
    return true;
}

bool FileCommands::saveProjectAs() {
    QString path = m_messages->SaveFileName(QStringLiteral("Save as"), startFolder(),
                                            QStringLiteral("Projects (*.qzp)"));
    if (path.isEmpty()) {
        return false;
    }
    if (!path.endsWith(QStringLiteral(".qzp"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".qzp");
    }
    const FileResult result = m_document.save(path);
    if (!result.ok) {
        m_messages->Show(QStringLiteral("The project could not be saved.\n\n") + result.error,
                         QStringLiteral("Save as"));
        return false;
    }
    addRecentFile(path);
    m_window.statusBar()->showMessage(QStringLiteral("Saved %1").arg(path), 5000);
    return true;
}

QStringList FileCommands::recentFiles() const {
    return QSettings(SettingsPath(), QSettings::IniFormat)
        .value(QLatin1String(kRecentKey))
        .toStringList();
}

void FileCommands::addRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > kRecentMax) {
        files.removeLast();
    }
    QSettings(SettingsPath(), QSettings::IniFormat).setValue(QLatin1String(kRecentKey), files);
}

void FileCommands::fillRecentMenu() {
    m_recentMenu->clear();
    const QStringList files = recentFiles();
    if (files.isEmpty()) {
        m_recentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), this, [this, path] {
            if (maybeSave()) {
                openProject(path);
            }
        });
    }
}

} // namespace qz
