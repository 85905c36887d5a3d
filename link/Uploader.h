#pragma once
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include "DeviceLink.h"
#include "model/UploadPlan.h"

namespace qz {

struct UploadResult {
    enum Outcome { Completed, Refused, Cancelled, PortLost };
    Outcome outcome = Refused;
    int framesPlanned = 0; // erase frame included
    int framesSent = 0;    // erase frame included
    int unanswered = 0;    // frames whose answer did not come within their time-out
    bool eraseConfirmed = false;
    bool logWritten = false;
    QString message; // empty when the upload completed
};

// The upload as a sequencer over an upload plan: the erase (two "CLRE" answers or the sixth
// tick), then one frame at a time, each waiting for any answer or its time-out. A missing
// answer does not stop the upload; it is counted. Event frames go to the upload log, which is
// created empty at the start.
class Uploader : public QObject {
    Q_OBJECT
  public:
    explicit Uploader(DeviceLink& link, QObject* parent = nullptr);

    void setSystemTimeoutMs(int ms) { m_systemTimeoutMs = ms; }
    void setEventTimeoutMs(int ms) { m_eventTimeoutMs = ms; }
    // Events cut to fit one frame are sent as cut instead of refusing the upload.
    void setAllowOverflows(bool allow) { m_allowOverflows = allow; }

    // Why the plan may not be uploaded now (empty when it may): not connected, busy, or events
    // that do not fit one frame. Nothing is sent or erased when this is not empty.
    QString refusal(const UploadPlan& plan) const;
    // Starts the upload (the user has confirmed). Returns false, with finished() already
    // emitted as Refused, when refusal() is not empty.
    bool start(const UploadPlan& plan, const QString& logPath);
    // Stops before the next event frame; while an event frame's answer is awaited, at once.
    void cancel();

    bool running() const { return m_running; }
    int progress() const { return m_progress; }
    int range() const { return m_plan.range; }
    const UploadResult& result() const { return m_result; }

  Q_SIGNALS:
    void progressChanged(int position);
    // One frame was written (index into the plan's frames).
    void frameSent(int index);
    void message(const QString& text, const QString& detail);
    void finished(const qz::UploadResult& result);

  private:
    void setProgress(int position);
    void onEraseTick(int ticks);
    void onEraseFinished(bool confirmed);
    void onAnswered();
    void onTimeout();
    void onConnectionLost(qz::LinkState during, const QString& detail);
    void sendNext();
    void finish(UploadResult::Outcome outcome, const QString& text, const QString& detail = {});
    int timeoutFor(const PlannedFrame& frame) const;

    DeviceLink& m_link;
    UploadPlan m_plan;
    QFile m_log;
    QTimer m_answerTimer;
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
