#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

class QMainWindow;
class QMenu;

namespace qz {

class EditorDocument;
class IMessages;

// The File commands of the window: New, Open, Open Recent, Save and Save as. Open and New ask
// first when something is unsaved, and never lose work; each project opened or saved heads the
// recent files.
class FileCommands : public QObject {
    Q_OBJECT
  public:
    // `window` parents the questions and shows the status lines.
    FileCommands(EditorDocument& document, IMessages* messages, QMainWindow& window);

    void setMessages(IMessages* messages) { m_messages = messages; }
    // Adds New, Open, Open Recent, Save and Save as to the menu.
    void addTo(QMenu* file);

    bool newProject();
    // Asks for a project and opens it.
    bool open();
    bool openProject(const QString& path);
    bool saveProject();
    bool saveProjectAs();
    // True when nothing unsaved is left: saved, not wanted, or there was nothing to save.
    bool maybeSave();
    QStringList recentFiles() const;

  private:
    void addRecentFile(const QString& path);
    void fillRecentMenu();
    QString startFolder() const;

    EditorDocument& m_document;
    IMessages* m_messages;
    QMainWindow& m_window;
    QMenu* m_recentMenu = nullptr;
};

// A path as the user reads it: the bytes of a name that is not UTF-8 as Latin-1 characters.
QString ReadableFileName(const QString& path);

} // namespace qz
