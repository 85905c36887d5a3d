#pragma once
#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "ui/dialogs/Messages.h"

class QAction;
class QComboBox;
class QLabel;
class QTableView;

namespace qz {

class ActionPagesPanel;
class EditorDocument;
class FileCommands;
class KeyPanel;
class KeyCommands;
class KeypadCommands;
class KeypadSession;
class LibraryCommands;
class ListsPane;
struct EditResult;

// The editor's one window. It lays the parts out, builds the menus and wires them together: the
// document holds the configuration and every edit, the session the keypad; the views observe
// both. The lists and the file, keypad, library and key commands are parts of their own; the window
// itself keeps no editing logic.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(EditorDocument& document, KeypadSession& session, IMessages* messages = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    void setMessages(IMessages* messages);
    EditorDocument& document() { return m_document; }
    KeypadSession& session() { return m_session; }

    // File commands. Open and New ask first when something is unsaved, and never lose work.
    bool newProject();
    bool openProject(const QString& path);
    bool saveProject();
    bool saveProjectAs();
    // "USB".
    void connectKeypad();
    // The device-model commands: "QRM-K6" is model 1.
    bool chooseModel(int model);
    // "Paste": an event goes onto `key` (-1: the current key), actions into the current event.
    bool pasteOntoKey(int key);

    KeyPanel* keyPanel() const { return m_panel; }
    QTableView* eventList() const;
    QTableView* actionList() const;
    ActionPagesPanel* pages() const { return m_pages; }
    QStringList recentFiles() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    QWidget* buildCentre();
    QWidget* buildPanelBox();
    QWidget* buildRight();
    void wireDocument();

    bool report(const EditResult& result);
    void updateTitle();
    void updateDevice();
    void updateKeys();

    void showKeyMenu(const QPoint& at);
    void about();

    EditorDocument& m_document;
    KeypadSession& m_session;
    std::unique_ptr<WidgetMessages> m_ownMessages;
    IMessages* m_messages;

    ListsPane* m_lists = nullptr;
    FileCommands* m_files = nullptr;
    KeypadCommands* m_keypad = nullptr;
    KeyCommands* m_keys = nullptr;
    LibraryCommands* m_libraries = nullptr;
    KeyPanel* m_panel = nullptr;
    ActionPagesPanel* m_pages = nullptr;
    QComboBox* m_idBox = nullptr;
    QComboBox* m_portBox = nullptr;
    QLabel* m_portLabel = nullptr;
    QAction* m_modelActions[3] = {};
};

} // namespace qz
