#pragma once
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include "DeviceLink.h"
#include "model/UploadPlan.h"

namespace qz {

// How an upload went. A completed upload is not yet a confirmed one: the keypad's time-outs pace
// the upload and a frame without an answer does not stop it, so `unanswered` and
// `eraseConfirmed` tell whether the keypad took everything (see confirmedByKeypad()).
struct UploadResult {
    enum Outcome {
        Completed,    // every planned frame was sent
        Refused,      // nothing was sent; `refusal` says why
        Cancelled,    // stopped by the user (cancel() or abort())
        PortLost,     // the port went away during the upload
        Disconnected, // the port was closed on purpose during the upload
    };
    Outcome outcome = Refused;
    LinkRefusal refusal = LinkRefusal::None; // when Refused
    int framesPlanned = 0;                   // erase frame included
    int framesSent = 0;                      // erase frame included
    int eventFramesPlanned = 0;
    int eventFramesSent = 0;
    int unanswered = 0;          // frames after the erase whose answer did not come in time
    bool eraseConfirmed = false; // the keypad answered the erase frame twice with "CLRE"
    bool logWritten = false;     // the upload log holds every event frame sent
    bool logCreated = false;     // the upload log was opened (emptied) at the start
    QString logError;            // why the log is missing or incomplete (the system's reason)
    QString message; // why the upload ended early and what the keypad holds; empty when completed

    // Every frame went out, the keypad confirmed the erase and answered every frame.
    bool confirmedByKeypad() const {
        return outcome == Completed && eraseConfirmed && unanswered == 0;
    }
};

// What the keypad may hold after the upload, in a sentence or two for the user: for an upload
// the keypad did not confirm in full, and for one that ended early.
QString UploadSummary(const UploadResult& result);

// The upload as a sequencer over an upload plan: the erase (two "CLRE" answers or the sixth
// tick), then one frame at a time, each waiting for any answer or its time-out. A missing
// answer does not stop the upload; it is counted. Event frames go to the upload log, which is
// created empty at the start.
class Uploader : public QObject {
    Q_OBJECT
  public:
    // After "Cancel", the settings frames still on their way may take this long to go out.
    static constexpr int kCancelGraceMs = 1000;

    explicit Uploader(DeviceLink& link, QObject* parent = nullptr);

    void setSystemTimeoutMs(int ms) { m_systemTimeoutMs = ms; }
    void setEventTimeoutMs(int ms) { m_eventTimeoutMs = ms; }
    // Events cut to fit one frame are sent as cut instead of refusing the upload.
    void setAllowOverflows(bool allow) { m_allowOverflows = allow; }
    void setCancelGraceMs(int ms) { m_cancelTimer.setInterval(ms); }

    // Why the plan may not be uploaded now (None when it may): not connected, busy, or events
    // that do not fit one frame. Nothing is sent or erased then.
    LinkRefusal blocker(const UploadPlan& plan) const;
    // Starts the upload (the user has confirmed). Returns false, with finished() already
    // emitted as Refused, when it may not start.
    bool start(const UploadPlan& plan, const QString& logPath);
    // "Cancel": ends the upload within kCancelGraceMs whatever the keypad does. During the erase
    // wait and while an event frame's answer is awaited, at once; during the system frames, as
    // soon as they are all out (a keypad that answers needs milliseconds a frame), or when the
    // grace runs out. stopping() tells what is still going on until finished().
    void cancel();
    bool cancelling() const { return m_running && m_cancelRequested; }
    // Stops now, whatever phase: during the erase, between system frames, anywhere. For a
    // program that is told to end.
    void abort();

    bool running() const { return m_running; }
    int progress() const { return m_progress; }
    int range() const { return m_plan.range; }
    const UploadResult& result() const { return m_result; }

  Q_SIGNALS:
    void progressChanged(int position);
    // One frame was written (index into the plan's frames).
    void frameSent(int index);
    void message(const QString& text, const QString& detail);
    // After cancel(): what the upload still does before it ends, for the progress box.
    void stopping(const QString& doing);
    void finished(const qz::UploadResult& result);

  private:
    void setProgress(int position);
    void onEraseTick(int ticks);
    void onEraseFinished(bool confirmed);
    void onAnswered();
    void onTimeout();
    void onPhaseEnded(qz::LinkState phase, qz::PhaseEnd reason);
    void sendNext();
    void writeLog(const QByteArray& frame);
    void tellStopping();
    void finish(UploadResult::Outcome outcome, const QString& text, const QString& detail = {});
    int timeoutFor(const PlannedFrame& frame) const;

    DeviceLink& m_link;
    UploadPlan m_plan;
    QFile m_log;
    QString m_logPath; // m_log is opened on its descriptor and keeps no name
    QTimer m_answerTimer;
    QTimer m_cancelTimer;
    UploadResult m_result;
    int m_systemTimeoutMs = kSystemFrameTimeoutMs;
    int m_eventTimeoutMs = kEventFrameTimeoutMs;
    bool m_allowOverflows = false;
    bool m_running = false;
    bool m_waiting = false;
    bool m_cancelRequested = false;
    int m_next = 0; // index of the next frame to send
    int m_progress = 0;
};

} // namespace qz
