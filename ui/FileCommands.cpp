#include "ui/FileCommands.h"

#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>
#include <cstdlib>

#include "io/FileName.h"

#include "store/Paths.h"
#include "ui/dialogs/Messages.h"
#include "ui/document/EditorDocument.h"

namespace qz {

namespace {

constexpr int kRecentMax = 8;
// Each entry is the base64 of the path's bytes, so that a name that is not UTF-8 survives.
const char kRecentKey[] = "RECENT/paths";
const char kOldRecentKey[] = "RECENT/files";

// The path made absolute and clean as text: QFileInfo would go through the system's decoding
// and lose the bytes of a name that is not UTF-8.
QString AbsolutePath(const QString& path) {
    return QDir::cleanPath(
        QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
}

// What tells two entries for one file apart from two files: the resolved bytes of the path
// (links followed), or its clean absolute bytes when the file is gone.
QByteArray RealPath(const QString& path) {
    const QByteArray name = io::EncodeFileName(AbsolutePath(path));
    if (char* resolved = ::realpath(name.constData(), nullptr)) {
        QByteArray real(resolved);
        ::free(resolved);
        return real;
    }
    return name;
}

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
    return path.isEmpty() ? LibraryFolder()
                          : QDir::cleanPath(AbsolutePath(path) + QStringLiteral("/.."));
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
    m_window.statusBar()->showMessage(QStringLiteral("Opened %1").arg(ReadableFileName(path)),
                                      5000);
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
    m_window.statusBar()->showMessage(
        QStringLiteral("Saved %1").arg(ReadableFileName(m_document.path())), 5000);
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
    m_window.statusBar()->showMessage(QStringLiteral("Saved %1").arg(ReadableFileName(path)), 5000);
    return true;
}

QStringList FileCommands::recentFiles() const {
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    QStringList files;
    if (!settings.contains(QLatin1String(kRecentKey))) {
        // An older list holds the names as text; names that were not UTF-8 did not survive it.
        return settings.value(QLatin1String(kOldRecentKey)).toStringList();
    }
    for (const QString& entry : settings.value(QLatin1String(kRecentKey)).toStringList()) {
        const QByteArray name = QByteArray::fromBase64(entry.toLatin1());
        if (!name.isEmpty()) {
            files << io::DecodeFileName(name);
        }
    }
    return files;
}

void FileCommands::addRecentFile(const QString& path) {
    const QString absolute = AbsolutePath(path);
    const QByteArray real = RealPath(absolute);
    QStringList files = recentFiles();
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const QString& file) { return RealPath(file) == real; }),
                files.end());
    files.prepend(absolute);
    while (files.size() > kRecentMax) {
        files.removeLast();
    }
    QStringList entries;
    for (const QString& file : files) {
        entries << QString::fromLatin1(io::EncodeFileName(file).toBase64());
    }
    QSettings settings(SettingsPath(), QSettings::IniFormat);
    settings.setValue(QLatin1String(kRecentKey), entries);
    settings.remove(QLatin1String(kOldRecentKey));
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
        // A "&" in a name is shown, not taken for the entry's shortcut letter.
        QString shown = ReadableFileName(path);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this, [this, path] {
            if (maybeSave()) {
                openProject(path);
            }
        });
    }
}

QString ReadableFileName(const QString& path) {
    // The bytes of a name that is not UTF-8 are kept as U+DC80..U+DCFF (an unpaired low
    // surrogate); shown, each is the Latin-1 character of its byte, as the project spells its
    // own texts.
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t u = shown.at(i).unicode();
        const bool paired = i > 0 && shown.at(i - 1).isHighSurrogate();
        if (u >= 0xDC80 && u <= 0xDCFF && !paired) {
            shown[i] = QChar(char16_t(u - 0xDC00));
        }
    }
    return shown;
}

} // namespace qz
