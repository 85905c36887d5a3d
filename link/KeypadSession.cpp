#include "KeypadSession.h"

#include "HotPlug.h"

namespace qz {

KeypadSession::KeypadSession(PortDiscovery discovery, QObject* parent)
    : QObject(parent), m_watcher(std::move(discovery)), m_uploader(m_link) {
    m_clearTicker.setInterval(kClearTickMs);
    connect(&m_clearTicker, &QTimer::timeout, this, &KeypadSession::onClearTick);

    connect(&m_link, &DeviceLink::message, this, &KeypadSession::message);
    connect(&m_link, &DeviceLink::statusChanged, this, [this](LinkStatus status) {
        Q_EMIT statusChanged(status);
        Q_EMIT statusTextChanged(QString::fromLatin1(StatusText(status)));
    });
    connect(&m_link, &DeviceLink::stateChanged, this, &KeypadSession::stateChanged);
    connect(&m_link, &DeviceLink::phaseEnded, this, &KeypadSession::onPhaseEnded);
    connect(&m_link, &DeviceLink::connectionLost, this, &KeypadSession::connectionLost);
    connect(&m_link, &DeviceLink::clearReplyCountChanged, this, [this] { emitClearProgress(); });
    connect(&m_link, &DeviceLink::irCodeLearned, this,
            [this](const QByteArray& code) { Q_EMIT codeLearned(code); });
    connect(&m_link, &DeviceLink::learnedFrameRejected, this, &KeypadSession::learnedFrameRejected);
    connect(&m_uploader, &Uploader::progressChanged, this,
            [this](int position) { Q_EMIT uploadProgress(position, m_uploader.range()); });
    connect(&m_uploader, &Uploader::stopping, this, &KeypadSession::uploadStopping);
    connect(&m_uploader, &Uploader::finished, this, &KeypadSession::uploadFinished);

    FollowPortList(m_watcher, m_link);
    m_watcher.start();
    // The status from the start: "USB unconnect!" or "Wait Connect".
    m_link.setKeypadPortPresent(m_watcher.candidatePresent());
}

KeypadSession::~KeypadSession() {
    // Nobody observes the end of what runs when the session goes.
    disconnect(&m_link, nullptr, this, nullptr);
    disconnect(&m_uploader, nullptr, this, nullptr);
}

QStringList KeypadSession::candidates() const {
    if (!m_fixedPort.isEmpty()) {
        return {m_fixedPort};
    }
    return KeypadCandidatePaths(m_watcher.discovery());
}

bool KeypadSession::connectKeypad() {
    return connectTo(candidates());
}

bool KeypadSession::connectTo(const QStringList& list) {
    if (m_link.connectToKeypad(list)) {
        return true;
    }
    Q_EMIT connectFinished(PhaseEnd::Refused);
    return false;
}

void KeypadSession::disconnectKeypad() {
    m_link.disconnectPort();
}

bool KeypadSession::clear() {
    const bool refused = m_link.clearBlocker() != LinkRefusal::None;
    if (!m_link.startClear()) {
        // A refusal has no phase that ends; a write that lost the port has ended it already.
        if (refused) {
            Q_EMIT clearFinished(PhaseEnd::Refused);
        }
        return false;
    }
    m_clearTick = 0;
    m_clearTicker.start();
    emitClearProgress();
    return true;
}

bool KeypadSession::unusual() {
    return m_link.sendUnusual();
}

bool KeypadSession::upload(const UploadPlan& plan) {
    return m_uploader.start(plan, m_logPath);
}

bool KeypadSession::upload(const Configuration& config) {
    return upload(BuildUploadPlan(config));
}

void KeypadSession::cancelUpload() {
    m_uploader.cancel();
}

void KeypadSession::abortUpload() {
    m_uploader.abort();
}

bool KeypadSession::startLearning() {
    return m_link.startLearning();
}

void KeypadSession::stopLearning() {
    m_link.stopLearning();
}

void KeypadSession::onClearTick() {
    if (m_link.state() != LinkState::Clearing) {
        m_clearTicker.stop();
        return;
    }
    ++m_clearTick;
    emitClearProgress();
}

void KeypadSession::emitClearProgress() {
    const int interval = qMax(1, m_clearTicker.interval());
    const int ticks = (m_link.clearTimeoutMs() + interval - 1) / interval;
    Q_EMIT clearProgress(qMin(m_clearTick, ticks), ticks, m_link.clearReplyCount());
}

void KeypadSession::onPhaseEnded(LinkState phase, PhaseEnd reason) {
    switch (phase) {
    case LinkState::Handshake:
        Q_EMIT connectFinished(reason);
        break;
    case LinkState::Clearing:
        m_clearTicker.stop();
        Q_EMIT clearFinished(reason);
        break;
    case LinkState::Learning:
        Q_EMIT learningEnded(reason);
        break;
    case LinkState::Idle:
    case LinkState::Uploading:
    case LinkState::ClearingForUpload:
        // The uploader reports the upload's end.
        break;
    }
}

} // namespace qz
