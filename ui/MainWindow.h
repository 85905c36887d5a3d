#pragma once
#include <QMainWindow>
#include <QUndoStack>
#include <memory>

#include "Messages.h"
#include "model/Configuration.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTreeWidget;

namespace qz {

class DeviceLink;
class KeyPanel;
class PortWatcher;
class Uploader;
struct UploadResult;

// The editor's one window: key panel, event list, action list, action text entry, and the
// File / System / Connection menus. The link and the messages are passed in, not global.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow(Configuration config, DeviceLink& link, IMessages* messages = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Ports to try for "USB": an explicit one (--port, the simulator) or the discovered ones.
    void setFixedPort(const QString& path);
    void setMessages(IMessages* messages) { m_messages = messages; }

    bool openProject(const QString& path);
    bool saveProject();
    bool saveProjectAs();
    void connectKeypad();

    const Configuration& configuration() const { return m_config; }
    bool isModified() const { return m_modified; }
    QUndoStack& undoStack() { return m_undo; }
    const QString& projectPath() const { return m_projectPath; }

    // The editing steps the window's controls run; public so that tests drive them directly.
    bool addEventToKey(int key, int family, int index, int sub);
    int addActionText(const QString& text);
    bool replaceSelectedAction(const QString& text);
    void selectEvent(int key, int slot);
    void selectAction(int row);
    int selectedActionRow() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class SnapshotCommand;
    void buildMenus();
    // Records an edit already made to m_config, for undo, and marks the project modified.
    void recordEdit(const QString& what, const Configuration& before);
    void restore(const Configuration& config);
    bool addEvent(int key, int family, int index, int sub, const Configuration& before);
    QWidget* buildCentre();
    void onKeyClicked(int key);
    void refillEventList();
    void fillActionList();
    void refreshKeys();
    void setModified(bool modified);
    void updateTitle();
    void updatePreview();
    void onDeleteEvent();
    void onPurgeEvents();
    void onClearAllEvents();
    void onDeleteAction();
    void onMoveAction(int direction);
    void onClearActions();
    void onModelCommand();
    void onStatusChanged();
    void onClear();
    void onUpload();
    void onUploadFinished(const UploadResult& result);
    QString startFolder() const;

    Configuration m_config;
    DeviceLink& m_link;
    std::unique_ptr<WidgetMessages> m_ownMessages;
    IMessages* m_messages;
    std::unique_ptr<Uploader> m_uploader;
    PortWatcher* m_watcher = nullptr;
    QString m_fixedPort;
    QString m_projectPath;
    bool m_modified = false;
    QUndoStack m_undo;

    KeyPanel* m_panel = nullptr;
    QTreeWidget* m_events = nullptr;
    QTreeWidget* m_actions = nullptr;
    QLineEdit* m_actionText = nullptr;
    QLabel* m_preview = nullptr;
    QComboBox* m_idBox = nullptr;
    QComboBox* m_portBox = nullptr;
    QLabel* m_portLabel = nullptr;
    QLabel* m_status = nullptr;
    QAction* m_modelAction = nullptr;
    QAction* m_usbAction = nullptr;
    QProgressDialog* m_progress = nullptr;
};

} // namespace qz
