#pragma once
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>

#include "ui/document/Clipboard.h"
#include "ui/dialogs/Messages.h"
#include "link/DeviceLink.h"

class QAbstractItemView;
class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTableView;
class QToolButton;

namespace qz {

class ActionListModel;
class ActionPagesPanel;
class CDlgClearAll;
class CDlgProgress;
class EditorDocument;
class EventListModel;
class KeyPanel;
class KeypadSession;
struct EditResult;
struct UploadResult;

// The editor's one window. It lays the parts out, builds the menus and wires them together: the
// document holds the configuration and every edit, the session the keypad; the views observe
// both. The window itself keeps no editing logic.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(EditorDocument& document, KeypadSession& session, IMessages* messages = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    void setMessages(IMessages* messages) {
        m_messages = messages ? messages : m_ownMessages.get();
    }
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
    QTableView* eventList() const { return m_eventView; }
    QTableView* actionList() const { return m_actionView; }
    ActionPagesPanel* pages() const { return m_pages; }
    QStringList recentFiles() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenus();
    QWidget* buildCentre();
    QWidget* buildLists();
    void wireDocument();
    void wireSession();

    // Tells the user why an edit was refused; true when it was done.
    bool report(const EditResult& result);
    bool maybeSave();
    void updateTitle();
    void updateDevice();
    void updateKeys();
    void selectCurrentEvent();
    void selectCurrentAction();
    void addRecentFile(const QString& path);
    void fillRecentMenu();
    QString startFolder() const;

    void onKeyClicked(int key);
    void onEventRowChanged();
    void onActionRowChanged();
    void copySelection(QAbstractItemView* from);
    void deleteIn(QAbstractItemView* in);
    void showListMenu(QAbstractItemView* list, const QPoint& at);
    void openIrEditor();
    void openRs232Editor();
    void updateFromLibraries();

    void onClear();
    void onUpload();
    void onUploadFinished(const UploadResult& result);
    void onClearFinished(PhaseEnd reason);
    void onStatus();
    void about();

    EditorDocument& m_document;
    KeypadSession& m_session;
    std::unique_ptr<WidgetMessages> m_ownMessages;
    IMessages* m_messages;
    ActionClipboard m_clipboard;

    KeyPanel* m_panel = nullptr;
    ActionPagesPanel* m_pages = nullptr;
    EventListModel* m_eventModel = nullptr;
    ActionListModel* m_actionModel = nullptr;
    QTableView* m_eventView = nullptr;
    QTableView* m_actionView = nullptr;
    QAbstractItemView* m_lastList = nullptr;
    // Each list's button commands by their menu text: the buttons, the Delete key (the first) and
    // the context menu run the same.
    QHash<QAbstractItemView*, QList<QPair<QString, QToolButton*>>> m_listCommands;
    QComboBox* m_idBox = nullptr;
    QComboBox* m_portBox = nullptr;
    QLabel* m_portLabel = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_modelActions[3] = {};
    QAction* m_usbAction = nullptr;
    QPointer<CDlgProgress> m_progress;
    QPointer<CDlgClearAll> m_clearBox;
    std::optional<PhaseEnd> m_clearEnd; // how the running clear ended, once it has
    bool m_syncing = false;             // a selection made from the document, not by the user
};

} // namespace qz
