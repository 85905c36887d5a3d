#pragma once
// "Send now": the RS232 action shown tried on the device through a serial port of the PC (a
// USB-serial adapter, never the keypad's port), with the reply shown as it arrives, and made
// into a compare action.
#include <QByteArray>
#include <QComboBox>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "link/PortDiscovery.h"

class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace qz {

class LineSender;

// The port box: the PC's serial ports without the keypad's, listed afresh each time it opens;
// a path may be typed too (an adapter the system does not list).
class TryOutPortBox : public QComboBox {
    Q_OBJECT
  public:
    explicit TryOutPortBox(QWidget* parent = nullptr);
    void setDiscovery(PortDiscovery discovery);
    const PortDiscovery& discovery() const { return m_discovery; }
    void refill();
    void showPopup() override;

  private:
    PortDiscovery m_discovery;
};

// Folded to one button until the user opens it, so that the page keeps its size.
class SendNowPanel : public QWidget {
    Q_OBJECT
  public:
    // The action text to send; empty with `refusal` set when the controls do not make one.
    using ActionSource = std::function<std::string(QString* refusal)>;
    static constexpr char kPortKey[] = "SendNow/port";

    // `offerCompare`: with "Make compare action" (the RS232 page, beside the Compare page).
    explicit SendNowPanel(bool offerCompare, QWidget* parent = nullptr);
    ~SendNowPanel() override;

    void setActionSource(ActionSource source) { m_source = std::move(source); }

    // Shows or folds the controls below the "Try on the device" button.
    void setExpanded(bool expanded);
    bool isExpanded() const;
    QToolButton* expandButton() const { return m_expand; }
    TryOutPortBox* portBox() const { return m_portBox; }
    QPushButton* sendButton() const { return m_send; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* compareButton() const { return m_compare; }
    QComboBox* compareMode() const { return m_mode; }
    QSpinBox* listenBox() const { return m_listen; }
    QSpinBox* timesBox() const { return m_times; }
    QPlainTextEdit* replyPane() const { return m_pane; }
    bool isSending() const;
    // Every byte that came back since the last "Send now".
    const QByteArray& reply() const { return m_reply; }

  public Q_SLOTS:
    void sendNow();
    void cancel();
    void makeCompare();

  Q_SIGNALS:
    // A compare action made from the reply, for the Compare page.
    void compareActionMade(const QString& actionText);
    void sendFinished();

  private:
    void say(const QString& line);
    void ended();
    void updateButtons();

    ActionSource m_source;
    QToolButton* m_expand;
    QWidget* m_body;
    TryOutPortBox* m_portBox;
    QSpinBox* m_listen;
    QSpinBox* m_times;
    QPushButton* m_send;
    QPushButton* m_cancel;
    QComboBox* m_mode = nullptr;
    QPushButton* m_compare = nullptr;
    QPlainTextEdit* m_pane;
    std::unique_ptr<LineSender> m_sender;
    QByteArray m_reply;
    int m_keypadPort = 0; // the action's port: the compare waits on the same one
};

} // namespace qz
