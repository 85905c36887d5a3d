#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "SerialTransport.h"

namespace qz {

// What the link is doing: the keypad tool's `linkState`, with learning as a phase of its own
// (the tool kept it in a separate flag, so learning and a handshake or a clear could overlap and
// take each other's replies). Exactly one phase at a time; leaving a phase stops its timer and
// is reported by DeviceLink::phaseEnded().
enum class LinkState : int {
    Idle = 0,
    Uploading = 1,
    Handshake = 2,
    Clearing = 4,
    ClearingForUpload = 5,
    Learning = 6,
};

// Why a phase ended. Callers decide on this, never on the texts of message().
enum class PhaseEnd {
    Done,         // handshake answered with "CONE", erase confirmed twice, upload sent in full
    WrongAnswer,  // the handshake was answered, but not with "CONE"
    TimedOut,     // no (or not enough) answer in time
    Stopped,      // the caller ended it (stop learning, cancel an upload)
    PortLost,     // the port went away: unplugged, hung up, removed from the port list
    Disconnected, // the port was closed on purpose ("Disconnect", a new connection)
    Refused,      // it never started: see the refusal of the command
};
const char* PhaseEndName(PhaseEnd reason);

// Why a command may not start now. RefusalText() gives what the user is told.
enum class LinkRefusal {
    None,
    NotConnected,  // "Please connect with COM or USB first."
    ClearRunning,  // "the machine is being clear"
    SendingData,   // "send data ing"
    MachineBusy,   // "The machine is being clearing"
    PortClosed,    // "Please Open Com" (learning)
    UploadRunning, // an upload of this uploader runs
    NoEraseFrame,  // the plan does not start with the erase frame
    EventsTooLong, // events that do not fit one frame
};
QString RefusalText(LinkRefusal refusal);

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
    int clearTimeoutMs() const { return m_clearTimer.interval(); }
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
    bool learning() const { return m_state == LinkState::Learning; }
    // The first bytes of the last handshake reply (what a device that is no keypad said).
    QByteArray handshakeReply() const { return m_handshakeReply; }
    // What the system said when the port was last lost.
    QString lossDetail() const { return m_lossDetail; }

    // "USB": opens the first candidate port that opens and sends the connect frame. Returns
    // whether a handshake started; its end is told by phaseEnded() and handshakeFinished().
    bool connectToKeypad(const QStringList& candidates);
    // "Disconnect": closes the port; the status follows whether a keypad port is present.
    void disconnectPort();
    // A keypad port appeared or went away without touching the open port.
    void setKeypadPortPresent(bool present);
    // The port list lost `path`; the connection is dropped only when it is the open port.
    void portRemoved(const QString& path);

    // "Clear", once confirmed. Refused (with its message) while busy or without a port.
    LinkRefusal clearBlocker() const;
    bool startClear();
    // "Unusual", once confirmed: the erase frame with code 81; no answer is awaited.
    bool sendUnusual();

    // Used by the upload: the reason it may not start.
    LinkRefusal uploadBlocker() const;
    // Sends the erase frame and waits for two "CLRE" answers or the sixth tick.
    bool beginErase(const QByteArray& eraseFrame);
    // Writes one frame; "have not opened COM" when no port is open.
    qint64 sendFrame(const QByteArray& frame);
    // The upload is over: back to idle. `reason` is Done or Stopped.
    void endUpload(PhaseEnd reason = PhaseEnd::Done);

    // "Learn": sends the learn request; learned codes then arrive through irCodeLearned() until
    // stopLearning(). Again while learning: a new request, the partial frame dropped. Refused
    // (message, and phaseEnded(Learning, Refused)) without a port or while another phase runs.
    LinkRefusal learnBlocker() const;
    bool startLearning();
    // Ends learning (the learning window closed); any other phase goes on.
    void stopLearning();

    // One reply from the transport; public so that tests can feed replies directly.
    void handleReply(const QByteArray& reply);

  Q_SIGNALS:
    void message(const QString& text, const QString& detail);
    void statusChanged(qz::LinkStatus status);
    void stateChanged(qz::LinkState state);
    // A phase ended (Idle never does). Emitted before the phase's own finished signal below.
    void phaseEnded(qz::LinkState phase, qz::PhaseEnd reason);
    void handshakeFinished(bool success);
    void clearReplyCountChanged(int count);
    // A "Clear" ended: `confirmed` when both answers came; phaseEnded() tells why it did not.
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
    // going on is over (phaseEnded with PortLost came first). `during` is the state it was in.
    void connectionLost(qz::LinkState during, const QString& detail);

  private:
    void setState(LinkState state);
    void endPhase(PhaseEnd reason);
    void setStatus(LinkStatus status);
    void onHandshakeTimeout();
    void onEraseTick();
    void onClearTimeout();
    void onLearnSilence();
    void onPortLost(const QString& detail);
    void learnReply(const QByteArray& reply);
    void finishLearnedFrame();
    bool keypadPresent() const;
    void dropConnection(PhaseEnd reason, const QString& detail);
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
    bool m_reassemblyActive = false;
    QByteArray m_reassembly;
    QByteArray m_handshakeReply;
    QString m_lossDetail;
};

} // namespace qz
