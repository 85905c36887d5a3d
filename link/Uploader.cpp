#include "Uploader.h"

#include <QDir>
#include <QFileInfo>

#include "LinkLogging.h"
#include "LinkTexts.h"

namespace qz {

Uploader::Uploader(DeviceLink& link, QObject* parent) : QObject(parent), m_link(link) {
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, &Uploader::onTimeout);
    connect(&m_link, &DeviceLink::eraseTick, this, &Uploader::onEraseTick);
    connect(&m_link, &DeviceLink::eraseFinished, this, &Uploader::onEraseFinished);
    connect(&m_link, &DeviceLink::answered, this, &Uploader::onAnswered);
    connect(&m_link, &DeviceLink::connectionLost, this, &Uploader::onConnectionLost);
}

QString Uploader::refusal(const UploadPlan& plan) const {
    if (m_running) {
        return QString::fromLatin1(texts::kMachineBeingClearing);
    }
    const QString linkRefusal = m_link.uploadRefusal();
    if (!linkRefusal.isEmpty()) {
        return linkRefusal;
    }
    if (plan.frames.empty() || plan.frames.front().kind != PlannedFrame::Erase) {
        return QStringLiteral("The upload plan holds no erase frame.");
    }
    if (!plan.overflows.empty() && !m_allowOverflows) {
        return QString::fromLatin1(texts::kUploadOverflow);
    }
    return {};
}

bool Uploader::start(const UploadPlan& plan, const QString& logPath) {
    const QString refused = refusal(plan);
    if (!refused.isEmpty()) {
        QString detail;
        if (refused == QLatin1String(texts::kUploadOverflow)) {
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
        m_result.framesPlanned = static_cast<int>(plan.frames.size());
        m_result.message = refused;
        Q_EMIT message(refused, detail);
        Q_EMIT finished(m_result);
        return false;
    }
    m_plan = plan;
    m_result = UploadResult{};
    m_result.framesPlanned = static_cast<int>(m_plan.frames.size());
    m_cancelRequested = false;
    m_waiting = false;
    m_next = 0;

    // The log starts empty with every upload; an upload without a log still goes on.
    if (m_log.isOpen()) {
        m_log.close();
    }
    m_log.setFileName(logPath);
    QDir().mkpath(QFileInfo(logPath).absolutePath());
    m_result.logWritten =
        !logPath.isEmpty() && m_log.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (!m_result.logWritten) {
        qCInfo(lcLink) << "upload log" << logPath << "not written:" << m_log.errorString();
    }

    m_running = true;
    const QByteArray erase = QByteArray::fromStdString(m_plan.frames.front().bytes);
    if (!m_link.beginErase(erase)) {
        m_running = false;
        m_log.close();
        m_result.outcome = UploadResult::Refused;
        m_result.message = QString::fromLatin1(texts::kHaveNotOpenedCom);
        Q_EMIT finished(m_result);
        return false;
    }
    m_result.framesSent = 1;
    m_next = 1;
    Q_EMIT frameSent(0);
    setProgress(1);
    return true;
}

void Uploader::cancel() {
    if (!m_running) {
        return;
    }
    m_cancelRequested = true;
    if (m_waiting && m_plan.frames[static_cast<size_t>(m_next - 1)].kind == PlannedFrame::Event) {
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
    if (frame.kind == PlannedFrame::Event && m_log.isOpen()) {
        m_log.write(bytes);
        m_log.write("\r\n", 2);
    }
    const int index = m_next++;
    if (m_link.sendFrame(bytes) < 0) {
        // The port went away between two frames; connectionLost() may already have ended us.
        if (m_running) {
            finish(UploadResult::PortLost, QString::fromLatin1(texts::kUploadPortLost));
        }
        return;
    }
    ++m_result.framesSent;
    qCDebug(lcLink) << "frame" << index << "sent," << bytes.size() << "bytes";
    Q_EMIT frameSent(index);
    setProgress(frame.progress);
    m_waiting = true;
    m_answerTimer.start(timeoutFor(frame));
}

void Uploader::onConnectionLost(LinkState during, const QString& detail) {
    Q_UNUSED(during);
    if (m_running) {
        finish(UploadResult::PortLost, QString::fromLatin1(texts::kUploadPortLost), detail);
    }
}

void Uploader::finish(UploadResult::Outcome outcome, const QString& text, const QString& detail) {
    m_running = false;
    m_waiting = false;
    m_cancelRequested = false;
    m_answerTimer.stop();
    if (m_log.isOpen()) {
        if (!m_log.flush()) {
            m_result.logWritten = false;
        }
        m_log.close();
    }
    m_link.endUpload();
    m_result.outcome = outcome;
    m_result.message = text;
    if (!text.isEmpty()) {
        Q_EMIT message(text, detail);
    }
    Q_EMIT finished(m_result);
}

} // namespace qz
