#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "DeviceLink.h"
#include "PortDiscovery.h"
#include "Uploader.h"
#include "model/Configuration.h"
#include "model/UploadPlan.h"

namespace qz {

// The keypad as the editor sees it: the device link, the port watching and the uploader in one
// object that a window only observes. Port discovery is handed in, so tests plug and unplug.
// Every command reports its end through a signal with a typed reason; the texts of message() are
// for the user only. It is the one road to the keypad: the editor, the library editors and every
// qzctl command that talks to the keypad go through it.
//
// One event, one message: an upload tells its story once, in the result of uploadFinished(), and
// never through message().
class KeypadSession : public QObject {
    Q_OBJECT
  public:
    // Ticks of the clear progress: one a second, until the clear's time-out.
    static constexpr int kClearTickMs = 1000;

    explicit KeypadSession(PortDiscovery discovery, QObject* parent = nullptr);
    ~KeypadSession() override;

    DeviceLink& link() { return m_link; }
    Uploader& uploader() { return m_uploader; }
    PortWatcher& watcher() { return m_watcher; }

    // Connect to this device instead of the discovered candidates (a simulator's pty, an unusual
    // adapter). Empty: discovery again.
    void setFixedPort(const QString& path) { m_fixedPort = path; }
    QString fixedPort() const { return m_fixedPort; }
    // Where the event frames of every upload go (the upload log); empty: no log.
    void setUploadLogPath(const QString& path) { m_logPath = path; }
    QString uploadLogPath() const { return m_logPath; }
    void setClearTickMs(int ms) { m_clearTicker.setInterval(ms); }

    LinkStatus status() const { return m_link.status(); }
    QString statusText() const { return QString::fromLatin1(StatusText(m_link.status())); }
    LinkState state() const { return m_link.state(); }
    bool isOpen() const { return m_link.isOpen(); }
    bool uploading() const { return m_uploader.running(); }
    // Anything that keeps the keypad and the project busy: a handshake, a clear, an upload,
    // learning. The project must not change underneath (an upload reads it).
    bool busy() const { return m_uploader.running() || m_link.state() != LinkState::Idle; }
    QString portName() const { return m_link.portName(); }
    // What a device that is no keypad said to the connection request.
    QByteArray handshakeReply() const { return m_link.handshakeReply(); }
    // What the system said when the port was last lost.
    QString lossDetail() const { return m_link.lossDetail(); }
    int clearReplyCount() const { return m_link.clearReplyCount(); }
    // The ports "USB" tries: the fixed port, or the keypad candidates in order.
    QStringList candidates() const;

    // "USB": the fixed port or the candidates; false when no port opened (connectFinished is
    // emitted either way).
    bool connectKeypad();
    bool connectTo(const QStringList& candidates);
    // "Disconnect".
    void disconnectKeypad();

    LinkRefusal clearBlocker() const { return m_link.clearBlocker(); }
    // "Clear", once confirmed: progress through clearProgress(), the end through clearFinished().
    bool clear();
    // "Unusual", once confirmed.
    bool unusual();

    LinkRefusal uploadBlocker(const UploadPlan& plan) const { return m_uploader.blocker(plan); }
    // "Upload", once confirmed: progress through uploadProgress(), the end through
    // uploadFinished() (also when refused).
    bool upload(const UploadPlan& plan);
    bool upload(const Configuration& config);
    // "Cancel" of the progress box: the upload ends within a second (Uploader::cancel());
    // uploadStopping() tells what it still does until uploadFinished().
    void cancelUpload();
    bool cancellingUpload() const { return m_uploader.cancelling(); }
    // Ends the upload now, whatever its phase (a program told to end).
    void abortUpload();

    LinkRefusal learnBlocker() const { return m_link.learnBlocker(); }
    // Learned codes arrive through codeLearned() until stopLearning(); learningEnded() tells
    // why learning ended (also when it was refused).
    bool startLearning();
    void stopLearning();

  Q_SIGNALS:
    void statusChanged(qz::LinkStatus status);
    void statusTextChanged(const QString& text);
    void stateChanged(qz::LinkState state);
    // A handshake ended: Done (connected), WrongAnswer, TimedOut, PortLost, Disconnected, or
    // Refused when no port opened.
    void connectFinished(qz::PhaseEnd reason);
    void uploadProgress(int position, int range);
    void uploadStopping(const QString& doing);
    void uploadFinished(const qz::UploadResult& result);
    // Seconds since the clear began (`tick` of `ticks`), and "CLRE" answers so far (of 2).
    void clearProgress(int tick, int ticks, int answers);
    void clearFinished(qz::PhaseEnd reason);
    void codeLearned(const QByteArray& code);
    void learnedFrameRejected(const QString& reason);
    void learningEnded(qz::PhaseEnd reason);
    void message(const QString& text, const QString& detail);
    // The port went away during `during` (Idle when nothing was going on).
    void connectionLost(qz::LinkState during, const QString& detail);

  private:
    void onPhaseEnded(LinkState phase, PhaseEnd reason);
    void onClearTick();
    void emitClearProgress();

    PortWatcher m_watcher;
    DeviceLink m_link;
    Uploader m_uploader;
    QTimer m_clearTicker;
    QString m_fixedPort;
    QString m_logPath;
    int m_clearTick = 0;
};

} // namespace qz
