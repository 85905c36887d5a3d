#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "SerialTransport.h"

namespace qz {

// What the link is doing (the keypad tool's `linkState`).
enum class LinkState : int {
    Idle = 0,
    Uploading = 1,
    Handshake = 2,
    Clearing = 4,
    ClearingForUpload = 5,
};

// The status shown next to "Dev State:".
enum class LinkStatus { UsbUnconnect, WaitConnect, ConnectSuccess };
const char* StatusText(LinkStatus status);

// The device protocol on one serial line: the handshake, "Clear" and "Unusual", the erase that
// starts an upload, the answers an upload waits for, and learning IR codes. Everything runs on
// the caller's event loop; time-outs are QTimers. It shows nothing itself: every text for the
// user goes out through message().
class DeviceLink : public QObject {
    Q_OBJECT
  public:
    static constexpr int kHandshakeTimeoutMs = 1000; // no answer to the connect frame
    static constexpr int kEraseTickMs = 3000;        // one tick of the erase wait of an upload
    static constexpr int kEraseTicks = 6;            // the upload goes on after the sixth tick
    static constexpr int kClearTimeoutMs = 21000;    // a "Clear" the keypad never confirms
    static constexpr int kLearnSilenceMs = 1000;     // a learned frame that never completes
    static constexpr int kReplyTextBytes = 20;       // replies are searched in their first bytes

    explicit DeviceLink(QObject* parent = nullptr);

    SerialTransport& transport() { return m_transport; }

    void setHandshakeTimeoutMs(int ms) { m_handshakeTimer.setInterval(ms); }
    void setEraseTickMs(int ms) { m_eraseTimer.setInterval(ms); }
    void setClearTimeoutMs(int ms) { m_clearTimer.setInterval(ms); }
    void setLearnSilenceMs(int ms) { m_learnTimer.setInterval(ms); }
    // Tells whether a keypad port is present when the status must be chosen after the port
    // closes. Without one, a port counts as present while its device file exists.
    void setPresenceProbe(std::function<bool()> probe) { m_presenceProbe = std::move(probe); }

    LinkState state() const { return m_state; }
    LinkStatus status() const { return m_status; }
    bool isOpen() const { return m_transport.isOpen(); }
    QString portName() const { return m_transport.portName(); }
    int connectionKind() const { return m_connectionKind; }
    bool usbChecked() const { return m_usbChecked; }
    int clearReplyCount() const { return m_clearReplyCount; }
    int clearTicks() const { return m_clearTicks; }
    bool learning() const { return m_irStudyMode; }

    // "USB": opens the first candidate port that opens and sends the connect frame. Returns
    // whether a handshake started; its end is told by handshakeFinished().
    bool connectToKeypad(const QStringList& candidates);
    // "Disconnect": closes the port; the status follows whether a keypad port is present.
    void disconnectPort();
    // A keypad port appeared or went away without touching the open port.
    void setKeypadPortPresent(bool present);
    // The port list lost `path`; the connection is dropped only when it is the open port.
    void portRemoved(const QString& path);

    // "Clear", once confirmed. Refused (with its message) while busy or without a port.
    QString clearRefusal() const;
    bool startClear();
    // "Unusual", once confirmed: the erase frame with code 81; no answer is awaited.
    bool sendUnusual();

    // Used by the upload: the reason it may not start (empty when it may).
    QString uploadRefusal() const;
    // Sends the erase frame and waits for two "CLRE" answers or the sixth tick.
    bool beginErase(const QByteArray& eraseFrame);
    // Writes one frame; "have not opened COM" when no port is open.
    qint64 sendFrame(const QByteArray& frame);
    // The upload is over (finished, cancelled or failed): back to idle.
    void endUpload();

    // "Learn": sends the learn request; learned codes then arrive through irCodeLearned().
    bool startLearning();
    // The learning window closed.
    void stopLearning();

    // One reply from the transport; public so that tests can feed replies directly.
    void handleReply(const QByteArray& reply);

  Q_SIGNALS:
    void message(const QString& text, const QString& detail);
    void statusChanged(qz::LinkStatus status);
    void stateChanged(qz::LinkState state);
    void handshakeFinished(bool success);
    void clearReplyCountChanged(int count);
    // A "Clear" ended: `confirmed` when both answers came, otherwise it timed out.
    void clearFinished(bool confirmed);
    void eraseTick(int ticks);
    // The erase of an upload is over; `confirmed` when both answers came.
    void eraseFinished(bool confirmed);
    // A reply while idle or uploading: during an upload, the answer to the last frame.
    void answered(const QByteArray& reply);
    // A learned code: 198 lower-case hex digits, and the frame it came in.
    void irCodeLearned(const QByteArray& code, const QByteArray& frame);
    void learnedFrameRejected(const QString& reason);
    // The port went away (unplugged, hung up, removed from the list) and is closed; what was
    // going on is over. `during` is the state it was in.
    void connectionLost(qz::LinkState during, const QString& detail);

  private:
    void setState(LinkState state);
    void setStatus(LinkStatus status);
    void onHandshakeTimeout();
    void onEraseTick();
    void onClearTimeout();
    void onLearnSilence();
    void onPortLost(const QString& detail);
    void learnReply(const QByteArray& reply);
    void finishLearnedFrame();
    bool keypadPresent() const;
    void dropConnection(const QString& detail);
    void statusAfterClose();

    SerialTransport m_transport;
    QTimer m_handshakeTimer; // the keypad tool's timer 4
    QTimer m_eraseTimer;     // timer 6
    QTimer m_clearTimer;
    QTimer m_learnTimer;
    std::function<bool()> m_presenceProbe;
    QString m_lastPort;

    LinkState m_state = LinkState::Idle;
    LinkStatus m_status = LinkStatus::UsbUnconnect;
    int m_connectionKind = 0;
    bool m_usbChecked = false;
    bool m_keypadPresent = false;
    int m_clearReplyCount = 0;
    int m_clearTicks = 0;
    bool m_irStudyMode = false;
    bool m_reassemblyActive = false;
    QByteArray m_reassembly;
};

} // namespace qz
