#pragma once
#include <QObject>
#include <QPointer>

#include "link/DeviceLink.h"

class QAction;
class QLabel;
class QMainWindow;
class QMenu;

namespace qz {

class CDlgClearAll;
class CDlgProgress;
class EditorDocument;
class IMessages;
class KeypadSession;
struct UploadResult;

// The Connection commands of the window: "USB", "Disconnect", "Upload" with its progress box,
// "Clear" with its own, and "Unusual"; and the keypad's state ("Dev State:") as the session
// tells it.
class KeypadCommands : public QObject {
    Q_OBJECT
  public:
    // `window` parents the boxes and shows the status lines.
    KeypadCommands(EditorDocument& document, KeypadSession& session, IMessages* messages,
                   QMainWindow& window);

    void setMessages(IMessages* messages) { m_messages = messages; }
    // Adds the commands to the menu.
    void addTo(QMenu* connection);
    // The label that shows the keypad's state; the window lays it out.
    QLabel* statusLabel() const { return m_status; }

    // "USB".
    void connectKeypad();
    void upload();
    void clear();

  private:
    void onUploadFinished(const UploadResult& result);
    void onClearFinished(PhaseEnd reason);
    void onStatus();
    // Locks the project while the keypad reads it.
    void followBusy();

    EditorDocument& m_document;
    KeypadSession& m_session;
    IMessages* m_messages;
    QMainWindow& m_window;
    QLabel* m_status = nullptr;
    QAction* m_usbAction = nullptr;
    QPointer<CDlgProgress> m_progress;
    QPointer<CDlgClearAll> m_clearBox;
};

} // namespace qz
