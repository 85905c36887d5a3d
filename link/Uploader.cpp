#include "Uploader.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "LinkLogging.h"
#include "LinkTexts.h"
#include "io/WholeFile.h"

namespace qz {

QString UploadSummary(const UploadResult& r) {
    const int after = r.framesPlanned - 1; // frames after the erase frame
    switch (r.outcome) {
    case UploadResult::Completed: {
        if (r.confirmedByKeypad()) {
            return QStringLiteral("The keypad confirmed the erase and answered all %1 frames.")
                .arg(after);
        }
        QStringList faults;
        if (!r.eraseConfirmed) {
            faults << QStringLiteral("did not confirm the erase");
        }
        if (r.unanswered > 0) {
            faults << QStringLiteral("did not answer %1 of %2 frames").arg(r.unanswered).arg(after);
        }
        return QStringLiteral("Every frame was sent, but the keypad %1. It may hold only part of "
                              "the configuration, or none of it: check the cable and the keypad, "
                              "then upload again.")
            .arg(faults.join(QStringLiteral(" and ")));
    }
    case UploadResult::Refused: // sent nothing
    case UploadResult::Cancelled:
    case UploadResult::PortLost:
    case UploadResult::Disconnected:
        break;
    }
    if (r.framesSent == 0) {
        return QStringLiteral("Nothing was sent: the keypad was not touched.");
    }
    if (r.framesSent == 1) {
        return r.eraseConfirmed
                   ? QStringLiteral("The keypad was erased and holds none of this configuration: "
                                    "upload again.")
                   : QStringLiteral("The erase frame was sent but not confirmed: the keypad may be "
                                    "erased in part or in full, and holds none of this "
                                    "configuration. Upload again.");
    }
    return QStringLiteral(
               "The keypad was erased%1 and received %2 of the %3 frames after the erase "
               "(%4 of %5 event frames): it holds only part of the configuration. "
               "Upload again.")
        .arg(r.eraseConfirmed ? QString() : QStringLiteral(" (not confirmed)"))
        .arg(r.framesSent - 1)
        .arg(after)
        .arg(r.eventFramesSent)
        .arg(r.eventFramesPlanned);
}

Uploader::Uploader(DeviceLink& link, QObject* parent) : QObject(parent), m_link(link) {
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, &Uploader::onTimeout);
    m_cancelTimer.setSingleShot(true);
    m_cancelTimer.setInterval(kCancelGraceMs);
    connect(&m_cancelTimer, &QTimer::timeout, this, [this] {
        if (m_running) {
            finish(UploadResult::Cancelled, QString::fromLatin1(texts::kUploadCancelled));
        }
    });
    connect(&m_link, &DeviceLink::eraseTick, this, &Uploader::onEraseTick);
    connect(&m_link, &DeviceLink::eraseFinished, this, &Uploader::onEraseFinished);
    connect(&m_link, &DeviceLink::answered, this, &Uploader::onAnswered);
    connect(&m_link, &DeviceLink::phaseEnded, this, &Uploader::onPhaseEnded);
}

LinkRefusal Uploader::blocker(const UploadPlan& plan) const {
    if (m_running) {
        return LinkRefusal::UploadRunning;
    }
    const LinkRefusal linkRefusal = m_link.uploadBlocker();
    if (linkRefusal != LinkRefusal::None) {
        return linkRefusal;
    }
    if (plan.frames.empty() || plan.frames.front().kind != PlannedFrame::Erase) {
        return LinkRefusal::NoEraseFrame;
    }
    if (!plan.overflows.empty() && !m_allowOverflows) {
        return LinkRefusal::EventsTooLong;
    }
    return LinkRefusal::None;
}

bool Uploader::start(const UploadPlan& plan, const QString& logPath) {
    const LinkRefusal refused = blocker(plan);
    if (refused != LinkRefusal::None) {
        QString detail;
        if (refused == LinkRefusal::EventsTooLong) {
            QStringList events;
            for (const PlanOverflow& o : plan.overflows) {
                events << QStringLiteral("key %1 slot %2: %3 of %4 actions fit")
                              .arg(o.key + 1)
                              .arg(o.slot)
                              .arg(o.fitted)
                              .arg(o.total);
            }
            detail = events.join(QStringLiteral("; "));
        }
        m_result = UploadResult{};
        m_result.outcome = UploadResult::Refused;
        m_result.refusal = refused;
        m_result.framesPlanned = static_cast<int>(plan.frames.size());
        m_result.eventFramesPlanned = plan.EventFrameCount();
        m_result.message = RefusalText(refused);
        Q_EMIT message(m_result.message, detail);
        Q_EMIT finished(m_result);
        return false;
    }
    m_plan = plan;
    m_result = UploadResult{};
    m_result.framesPlanned = static_cast<int>(m_plan.frames.size());
    m_result.eventFramesPlanned = m_plan.EventFrameCount();
    m_cancelRequested = false;
    m_waiting = false;
    m_next = 0;

    // The log starts empty with every upload; an upload without a log still goes on.
    if (m_log.isOpen()) {
        m_log.close();
    }
    m_logPath = logPath;
    if (logPath.isEmpty()) {
        m_result.logError = QStringLiteral("no log file was named");
    } else {
        // A regular file only, opened without waiting: a FIFO there would hold the upload.
        QDir().mkpath(QFileInfo(logPath).absolutePath());
        QString why;
        m_result.logCreated = io::OpenForWriting(m_log, logPath, &why);
        if (!m_result.logCreated) {
            m_result.logError = QStringLiteral("%1 could not be created: %2").arg(logPath, why);
            qCInfo(lcLink) << "upload log not written:" << m_result.logError;
        }
    }
    m_result.logWritten = m_result.logCreated;

    m_running = true;
    const QByteArray erase = QByteArray::fromStdString(m_plan.frames.front().bytes);
    if (!m_link.beginErase(erase)) {
        // The write lost the port (phaseEnded has finished us) or the link refused after all.
        if (m_running) {
            finish(UploadResult::PortLost, QString::fromLatin1(texts::kUploadPortLost),
                   m_link.lossDetail());
        }
        return false;
    }
    m_result.framesSent = 1;
    m_next = 1;
    Q_EMIT frameSent(0);
    setProgress(1);
    return true;
}

void Uploader::cancel() {
    if (!m_running || m_cancelRequested) {
        return;
    }
    m_cancelRequested = true;
    const bool erasing = m_link.state() == LinkState::ClearingForUpload;
    const bool awaitingEvent =
        m_waiting && m_plan.frames[static_cast<size_t>(m_next - 1)].kind == PlannedFrame::Event;
    if (erasing || awaitingEvent) {
        // Nothing is half done: the erase wait sends nothing, an event frame is complete.
        finish(UploadResult::Cancelled, QString::fromLatin1(texts::kUploadCancelled));
        return;
    }
    m_cancelTimer.start();
    tellStopping();
}

void Uploader::tellStopping() {
    int systemFrames = 0;
    for (const PlannedFrame& f : m_plan.frames) {
        systemFrames += f.kind == PlannedFrame::System ? 1 : 0;
    }
    const int sent = m_result.framesSent - 1 - m_result.eventFramesSent;
    Q_EMIT stopping(QStringLiteral("Cancelling: the keypad's settings frames go out first "
                                   "(%1 of %2 sent), then the upload stops.")
                        .arg(qMax(0, sent))
                        .arg(systemFrames));
}

void Uploader::abort() {
    if (m_running) {
        finish(UploadResult::Cancelled, QString::fromLatin1(texts::kUploadCancelled));
    }
}

void Uploader::setProgress(int position) {
    m_progress = position;
    Q_EMIT progressChanged(position);
}

void Uploader::onEraseTick(int ticks) {
    if (m_running) {
        setProgress(ticks);
    }
}

void Uploader::onEraseFinished(bool confirmed) {
    if (!m_running) {
        return;
    }
    m_result.eraseConfirmed = confirmed;
    if (!confirmed) {
        qCInfo(lcLink) << "erase not confirmed; the upload goes on";
    }
    setProgress(kProgressAfterErase);
    sendNext();
}

void Uploader::onAnswered() {
    if (!m_running || !m_waiting) {
        return;
    }
    m_answerTimer.stop();
    m_waiting = false;
    qCDebug(lcLink) << "answer to frame" << m_next - 1;
    sendNext();
}

void Uploader::onTimeout() {
    if (!m_running || !m_waiting) {
        return;
    }
    m_waiting = false;
    ++m_result.unanswered;
    qCInfo(lcLink) << "no answer to frame" << m_next - 1;
    sendNext();
}

int Uploader::timeoutFor(const PlannedFrame& frame) const {
    return frame.timeoutMs >= kEventFrameTimeoutMs ? m_eventTimeoutMs : m_systemTimeoutMs;
}

void Uploader::writeLog(const QByteArray& frame) {
    if (!m_log.isOpen()) {
        return;
    }
    // Flushed frame by frame, so that a full disk is noticed at the frame it cuts off.
    const bool written =
        m_log.write(frame) == frame.size() && m_log.write("\r\n", 2) == 2 && m_log.flush();
    if (!written) {
        m_result.logWritten = false;
        m_result.logError = QStringLiteral("writing %1 failed after %2 event frames, so it is "
                                           "incomplete: %3")
                                .arg(m_logPath)
                                .arg(m_result.eventFramesSent)
                                .arg(m_log.errorString());
        qCInfo(lcLink) << "upload log:" << m_result.logError;
        m_log.close();
    }
}

void Uploader::sendNext() {
    if (m_next >= static_cast<int>(m_plan.frames.size())) {
        finish(UploadResult::Completed, QString());
        return;
    }
    const PlannedFrame& frame = m_plan.frames[static_cast<size_t>(m_next)];
    if (frame.kind == PlannedFrame::Event && m_cancelRequested) {
        finish(UploadResult::Cancelled, QString::fromLatin1(texts::kUploadCancelled));
        return;
    }
    const QByteArray bytes = QByteArray::fromStdString(frame.bytes);
    if (frame.kind == PlannedFrame::Event) {
        writeLog(bytes);
    }
    const int index = m_next++;
    if (m_link.sendFrame(bytes) < 0) {
        // The port went away between two frames; phaseEnded() may already have ended us.
        if (m_running) {
            finish(UploadResult::PortLost, QString::fromLatin1(texts::kUploadPortLost),
                   m_link.lossDetail());
        }
        return;
    }
    ++m_result.framesSent;
    if (frame.kind == PlannedFrame::Event) {
        ++m_result.eventFramesSent;
    }
    qCDebug(lcLink) << "frame" << index << "sent," << bytes.size() << "bytes";
    Q_EMIT frameSent(index);
    if (m_cancelRequested) {
        tellStopping();
    }
    setProgress(frame.progress);
    m_waiting = true;
    m_answerTimer.start(timeoutFor(frame));
}

void Uploader::onPhaseEnded(LinkState phase, PhaseEnd reason) {
    if (!m_running || (phase != LinkState::ClearingForUpload && phase != LinkState::Uploading)) {
        return;
    }
    switch (reason) {
    case PhaseEnd::PortLost:
        finish(UploadResult::PortLost, QString::fromLatin1(texts::kUploadPortLost),
               m_link.lossDetail());
        break;
    case PhaseEnd::Disconnected:
        finish(UploadResult::Disconnected, QString::fromLatin1(texts::kUploadDisconnected));
        break;
    case PhaseEnd::Done:
    case PhaseEnd::TimedOut:
    case PhaseEnd::WrongAnswer:
    case PhaseEnd::Stopped:
    case PhaseEnd::Refused:
        // The erase ending (eraseFinished() goes on), or our own end.
        break;
    }
}

void Uploader::finish(UploadResult::Outcome outcome, const QString& text, const QString& detail) {
    m_running = false;
    m_waiting = false;
    m_cancelRequested = false;
    m_answerTimer.stop();
    m_cancelTimer.stop();
    if (m_log.isOpen()) {
        if (!m_log.flush()) {
            m_result.logWritten = false;
            m_result.logError = QStringLiteral("writing %1 failed, so it is incomplete: %2")
                                    .arg(m_logPath, m_log.errorString());
        }
        m_log.close();
    }
    m_link.endUpload(outcome == UploadResult::Completed ? PhaseEnd::Done : PhaseEnd::Stopped);
    m_result.outcome = outcome;
    if (outcome != UploadResult::Completed) {
        // Whoever shows only the result's message still learns what the keypad holds.
        const QString summary = UploadSummary(m_result);
        m_result.message = text + QLatin1Char(' ') + summary;
        Q_EMIT message(text, detail.isEmpty() ? summary : detail + QLatin1Char(' ') + summary);
    } else {
        m_result.message.clear();
    }
    Q_EMIT finished(m_result);
}

} // namespace qz
