#include "DeviceLink.h"

#include <QFileInfo>

#include "LinkLogging.h"
#include "LinkTexts.h"
#include "model/KvqCmd.h"

namespace qz {

const char* StatusText(LinkStatus status) {
    switch (status) {
    case LinkStatus::ConnectSuccess:
        return texts::kConnectSuccess;
    case LinkStatus::WaitConnect:
        return texts::kWaitConnect;
    case LinkStatus::UsbUnconnect:
        break;
    }
    return texts::kUsbUnconnect;
}

namespace {

// Whether `word` occurs in the first bytes of a reply, as the keypad tool tested it.
bool ReplyHas(const QByteArray& reply, const char* word) {
    return reply.left(DeviceLink::kReplyTextBytes).contains(word);
}

// The first bytes of a reply stop at a NUL, like the C string they were read as.
QByteArray ReplyText(const QByteArray& reply) {
    QByteArray text = reply.left(DeviceLink::kReplyTextBytes);
    const int nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

} // namespace

const char* PhaseEndName(PhaseEnd reason) {
    switch (reason) {
    case PhaseEnd::Done:
        return "done";
    case PhaseEnd::WrongAnswer:
        return "wrong answer";
    case PhaseEnd::TimedOut:
        return "timed out";
    case PhaseEnd::Stopped:
        return "stopped";
    case PhaseEnd::PortLost:
        return "port lost";
    case PhaseEnd::Disconnected:
        return "disconnected";
    case PhaseEnd::Refused:
        break;
    }
    return "refused";
}

QString RefusalText(LinkRefusal refusal) {
    switch (refusal) {
    case LinkRefusal::None:
        return {};
    case LinkRefusal::NotConnected:
        return QString::fromLatin1(texts::kPleaseConnectFirst);
    case LinkRefusal::ClearRunning:
        return QString::fromLatin1(texts::kMachineBeingClear);
    case LinkRefusal::SendingData:
        return QString::fromLatin1(texts::kSendDataIng);
    case LinkRefusal::MachineBusy:
    case LinkRefusal::UploadRunning:
        return QString::fromLatin1(texts::kMachineBeingClearing);
    case LinkRefusal::PortClosed:
        return QString::fromLatin1(texts::kPleaseOpenCom);
    case LinkRefusal::NoEraseFrame:
        return QString::fromLatin1(texts::kUploadNoEraseFrame);
    case LinkRefusal::EventsTooLong:
        break;
    }
    return QString::fromLatin1(texts::kUploadOverflow);
}

DeviceLink::DeviceLink(QObject* parent) : QObject(parent) {
    m_handshakeTimer.setSingleShot(true);
    m_handshakeTimer.setInterval(kHandshakeTimeoutMs);
    m_eraseTimer.setInterval(kEraseTickMs);
    m_clearTimer.setSingleShot(true);
    m_clearTimer.setInterval(kClearTimeoutMs);
    m_learnTimer.setSingleShot(true);
    m_learnTimer.setInterval(kLearnSilenceMs);
    connect(&m_handshakeTimer, &QTimer::timeout, this, &DeviceLink::onHandshakeTimeout);
    connect(&m_eraseTimer, &QTimer::timeout, this, &DeviceLink::onEraseTick);
    connect(&m_clearTimer, &QTimer::timeout, this, &DeviceLink::onClearTimeout);
    connect(&m_learnTimer, &QTimer::timeout, this, &DeviceLink::onLearnSilence);
    connect(&m_transport, &SerialTransport::replyReceived, this, &DeviceLink::handleReply);
    connect(&m_transport, &SerialTransport::portLost, this, &DeviceLink::onPortLost);
}

void DeviceLink::setState(LinkState state) {
    if (m_state != state) {
        m_state = state;
        Q_EMIT stateChanged(state);
    }
}

void DeviceLink::setStatus(LinkStatus status) {
    if (m_status != status) {
        m_status = status;
        Q_EMIT statusChanged(status);
    }
}

// The one way out of a phase: its timers stop, the link is idle, and the end is told with its
// reason, also to those waiting on the phase's own signal.
void DeviceLink::endPhase(PhaseEnd reason) {
    const LinkState phase = m_state;
    if (phase == LinkState::Idle) {
        return;
    }
    m_handshakeTimer.stop();
    m_eraseTimer.stop();
    m_clearTimer.stop();
    m_learnTimer.stop();
    m_reassemblyActive = false;
    m_reassembly.clear();
    setState(LinkState::Idle);
    qCDebug(lcLink) << "phase" << int(phase) << "ended:" << PhaseEndName(reason);
    Q_EMIT phaseEnded(phase, reason);
    switch (phase) {
    case LinkState::Handshake:
        Q_EMIT handshakeFinished(reason == PhaseEnd::Done);
        break;
    case LinkState::Clearing:
        Q_EMIT clearFinished(reason == PhaseEnd::Done);
        break;
    case LinkState::Idle:
    case LinkState::Uploading:
    case LinkState::ClearingForUpload:
    case LinkState::Learning:
        break;
    }
}

bool DeviceLink::keypadPresent() const {
    if (m_presenceProbe) {
        return m_presenceProbe();
    }
    return m_keypadPresent || (!m_lastPort.isEmpty() && QFileInfo::exists(m_lastPort));
}

void DeviceLink::statusAfterClose() {
    setStatus(keypadPresent() ? LinkStatus::WaitConnect : LinkStatus::UsbUnconnect);
}

bool DeviceLink::connectToKeypad(const QStringList& candidates) {
    m_connectionKind = 2;
    if (m_transport.isOpen() || m_state != LinkState::Idle) {
        // A new connection ends whatever the old one was doing.
        dropConnection(PhaseEnd::Disconnected, QString());
    }
    m_handshakeReply.clear();
    if (candidates.isEmpty()) {
        m_connectionKind = 0;
        Q_EMIT message(QString::fromLatin1(texts::kConnectUsbWireFirst), QString());
        return false;
    }
    for (const QString& candidate : candidates) {
        OpenError error;
        if (!m_transport.open(candidate, LineSettings{}, &error)) {
            Q_EMIT message(QString::fromLatin1(texts::kCanNotOpenCom), error.detail);
            continue;
        }
        m_lastPort = m_transport.portName();
        setState(LinkState::Handshake);
        m_handshakeTimer.start();
        sendFrame(QByteArray(kConnectFrame.data(), static_cast<int>(kConnectFrame.size())));
        return true;
    }
    m_connectionKind = 0;
    return false;
}

void DeviceLink::disconnectPort() {
    if (m_transport.isOpen() || m_state != LinkState::Idle) {
        dropConnection(PhaseEnd::Disconnected, QString());
    }
    m_usbChecked = false;
    m_connectionKind = 0;
    statusAfterClose();
}

void DeviceLink::setKeypadPortPresent(bool present) {
    m_keypadPresent = present;
    if (m_status != LinkStatus::ConnectSuccess) {
        setStatus(present ? LinkStatus::WaitConnect : LinkStatus::UsbUnconnect);
    }
}

void DeviceLink::portRemoved(const QString& path) {
    // The watcher names ports by their name ("ttyACM0"), a user by their path.
    const QString open = m_transport.portName();
    const QString gone = TrimPortName(path);
    const bool ours =
        gone == open || (!gone.contains(QLatin1Char('/')) && QFileInfo(open).fileName() == gone);
    if (m_transport.isOpen() && ours) {
        onPortLost(QStringLiteral("The port %1 was removed from the system's port list "
                                  "(unplugged?).")
                       .arg(path));
    }
}

// Closes the port and ends what was going on with `reason`.
void DeviceLink::dropConnection(PhaseEnd reason, const QString& detail) {
    const LinkState during = m_state;
    m_transport.close();
    m_clearReplyCount = 0;
    setStatus(m_status == LinkStatus::ConnectSuccess ? LinkStatus::WaitConnect : m_status);
    if (reason == PhaseEnd::PortLost) {
        m_lossDetail = detail;
    }
    endPhase(reason);
    if (reason == PhaseEnd::PortLost) {
        Q_EMIT connectionLost(during, detail);
    }
}

void DeviceLink::onPortLost(const QString& detail) {
    const LinkState during = m_state;
    m_usbChecked = false;
    m_connectionKind = 0;
    dropConnection(PhaseEnd::PortLost, detail);
    statusAfterClose();
    switch (during) {
    case LinkState::Clearing:
        Q_EMIT message(QString::fromLatin1(texts::kPortLost),
                       detail + QStringLiteral(" The keypad may be only partly erased: connect it "
                                               "again and clear it once more."));
        break;
    case LinkState::Handshake:
        Q_EMIT message(QString::fromLatin1(texts::kConnectUnsuccess), detail);
        break;
    case LinkState::Learning:
        Q_EMIT message(QString::fromLatin1(texts::kPortLost),
                       detail + QStringLiteral(" No IR code was learned: connect the keypad "
                                               "again and learn once more."));
        break;
    case LinkState::Idle:
    case LinkState::Uploading:
    case LinkState::ClearingForUpload:
        // An upload tells its own story; an idle link has nobody waiting.
        break;
    }
}

LinkRefusal DeviceLink::clearBlocker() const {
    if (m_state == LinkState::Clearing) {
        return LinkRefusal::ClearRunning;
    }
    if (m_state != LinkState::Idle) {
        return LinkRefusal::SendingData;
    }
    if (!m_transport.isOpen()) {
        return LinkRefusal::NotConnected;
    }
    return LinkRefusal::None;
}

bool DeviceLink::startClear() {
    const LinkRefusal refusal = clearBlocker();
    if (refusal != LinkRefusal::None) {
        Q_EMIT message(RefusalText(refusal), QString());
        return false;
    }
    m_clearReplyCount = 0;
    setState(LinkState::Clearing);
    m_clearTimer.start();
    // A failed write loses the port, which ends the phase.
    sendFrame(QByteArray(kClearFrame.data(), static_cast<int>(kClearFrame.size())));
    return m_state == LinkState::Clearing;
}

bool DeviceLink::sendUnusual() {
    const qint64 written =
        sendFrame(QByteArray(kClearFrame81.data(), static_cast<int>(kClearFrame81.size())));
    if (written < 0) {
        return false;
    }
    Q_EMIT message(QString::fromLatin1(texts::kSetSuccessReboot), QString());
    return true;
}

LinkRefusal DeviceLink::uploadBlocker() const {
    if (m_status != LinkStatus::ConnectSuccess || !m_transport.isOpen()) {
        return LinkRefusal::NotConnected;
    }
    if (m_state != LinkState::Idle) {
        return LinkRefusal::MachineBusy;
    }
    return LinkRefusal::None;
}

bool DeviceLink::beginErase(const QByteArray& eraseFrame) {
    const LinkRefusal refusal = uploadBlocker();
    if (refusal != LinkRefusal::None) {
        Q_EMIT message(RefusalText(refusal), QString());
        return false;
    }
    m_clearReplyCount = 0;
    m_clearTicks = 0;
    setState(LinkState::ClearingForUpload);
    m_eraseTimer.start();
    if (sendFrame(eraseFrame) < 0) {
        // A failed write has already lost the port and ended the phase.
        return false;
    }
    return m_state == LinkState::ClearingForUpload;
}

qint64 DeviceLink::sendFrame(const QByteArray& frame) {
    if (!m_transport.isOpen()) {
        Q_EMIT message(QString::fromLatin1(texts::kHaveNotOpenedCom), QString());
        return -1;
    }
    return m_transport.write(frame);
}

void DeviceLink::endUpload(PhaseEnd reason) {
    if (m_state == LinkState::Uploading || m_state == LinkState::ClearingForUpload) {
        m_clearReplyCount = 0;
        endPhase(reason);
    }
}

LinkRefusal DeviceLink::learnBlocker() const {
    if (!m_transport.isOpen()) {
        return LinkRefusal::PortClosed;
    }
    if (m_state == LinkState::Clearing) {
        return LinkRefusal::ClearRunning;
    }
    if (m_state != LinkState::Idle && m_state != LinkState::Learning) {
        return LinkRefusal::SendingData;
    }
    return LinkRefusal::None;
}

bool DeviceLink::startLearning() {
    const LinkRefusal refusal = learnBlocker();
    if (refusal != LinkRefusal::None) {
        // Whoever waits for the learning to end hears at once that it never began; the running
        // phase keeps its replies.
        Q_EMIT message(RefusalText(refusal), QString());
        Q_EMIT phaseEnded(LinkState::Learning, PhaseEnd::Refused);
        return false;
    }
    m_reassemblyActive = false;
    m_reassembly.clear();
    m_learnTimer.stop();
    setState(LinkState::Learning);
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.MakeLearnIrFrame();
    return sendFrame(QByteArray(cmd.Data(), cmd.Length())) >= 0 && m_state == LinkState::Learning;
}

void DeviceLink::stopLearning() {
    if (m_state == LinkState::Learning) {
        endPhase(PhaseEnd::Stopped);
    }
}

void DeviceLink::handleReply(const QByteArray& reply) {
    switch (m_state) {
    case LinkState::Learning:
        learnReply(reply);
        break;
    case LinkState::Handshake: {
        const QByteArray text = ReplyText(reply);
        // Searched as bytes: a NUL in leading noise does not hide the answer.
        const bool success = ReplyHas(reply, "CONE");
        m_handshakeReply = text;
        if (success) {
            setStatus(LinkStatus::ConnectSuccess);
        }
        if (m_connectionKind == 2) {
            m_usbChecked = true;
        }
        qCDebug(lcLink) << "handshake reply" << reply.left(kReplyTextBytes) << success;
        endPhase(success ? PhaseEnd::Done : PhaseEnd::WrongAnswer);
        Q_EMIT answered(reply);
        break;
    }
    case LinkState::Clearing:
        if (ReplyHas(reply, "CLRE")) {
            ++m_clearReplyCount;
            Q_EMIT clearReplyCountChanged(m_clearReplyCount);
            if (m_clearReplyCount >= 2) {
                endPhase(PhaseEnd::Done);
            }
        }
        break;
    case LinkState::ClearingForUpload:
        if (ReplyHas(reply, "CLRE")) {
            ++m_clearReplyCount;
            Q_EMIT clearReplyCountChanged(m_clearReplyCount);
            if (m_clearReplyCount >= 2) {
                m_eraseTimer.stop();
                m_clearReplyCount = 0;
                setState(LinkState::Uploading);
                Q_EMIT phaseEnded(LinkState::ClearingForUpload, PhaseEnd::Done);
                Q_EMIT eraseFinished(true);
            }
        }
        break;
    case LinkState::Idle:
    case LinkState::Uploading:
        Q_EMIT answered(reply);
        break;
    }
}

void DeviceLink::onHandshakeTimeout() {
    if (m_state != LinkState::Handshake) {
        return;
    }
    m_transport.close();
    m_connectionKind = 1;
    m_usbChecked = false;
    Q_EMIT message(QString::fromLatin1(texts::kConnectUnsuccess), QString());
    endPhase(PhaseEnd::TimedOut);
}

void DeviceLink::onEraseTick() {
    if (m_state != LinkState::ClearingForUpload) {
        m_eraseTimer.stop();
        return;
    }
    ++m_clearTicks;
    if (m_clearTicks < kEraseTicks) {
        Q_EMIT eraseTick(m_clearTicks);
        return;
    }
    m_eraseTimer.stop();
    m_clearReplyCount = 0;
    setState(LinkState::Uploading);
    Q_EMIT phaseEnded(LinkState::ClearingForUpload, PhaseEnd::TimedOut);
    Q_EMIT eraseFinished(false);
}

void DeviceLink::onClearTimeout() {
    if (m_state != LinkState::Clearing) {
        return;
    }
    // The keypad tool stayed in this state until the next connection; the link goes idle and
    // says that the erase was not confirmed instead.
    const int replies = m_clearReplyCount;
    Q_EMIT message(QStringLiteral("The keypad did not confirm the erase (%1 of 2 answers); it may "
                                  "be only partly erased: clear it again.")
                       .arg(replies),
                   QString());
    endPhase(PhaseEnd::TimedOut);
}

void DeviceLink::learnReply(const QByteArray& reply) {
    if (!m_reassemblyActive) {
        m_reassembly = reply.left(kFrameBufferSize);
        m_reassemblyActive = true;
    } else if (m_reassembly.size() >= kFrameBufferSize - 1 - reply.size()) {
        // Does not fit the 2047 usable bytes: dropped.
        return;
    } else {
        m_reassembly.append(reply);
    }
    const CKvqCmd received(m_reassembly.constData(), static_cast<int>(m_reassembly.size()));
    if (!received.IsFrameComplete()) {
        m_learnTimer.start();
        return;
    }
    m_learnTimer.stop();
    finishLearnedFrame();
}

void DeviceLink::finishLearnedFrame() {
    const QByteArray frame = m_reassembly;
    m_reassembly.clear();
    m_reassemblyActive = false;
    const CKvqCmd received(frame.constData(), static_cast<int>(frame.size()));
    QString rejected;
    if (frame.size() <= 98) {
        rejected = QStringLiteral("the learned frame is too short (%1 bytes)").arg(frame.size());
    } else if (!frame.startsWith("KVQ") || !received.IsFrameComplete()) {
        rejected = QStringLiteral("the learned frame is not complete");
    } else if (!received.IsFrameSumValid()) {
        rejected = QStringLiteral("the learned frame has a wrong checksum");
    }
    std::string code;
    if (rejected.isEmpty()) {
        code = received.GetLearnedIrCode();
        if (code.empty()) {
            // Too short to hold all 99 code bytes: what is missing would be left-over bytes.
            rejected = QStringLiteral("the learned frame does not hold the whole code");
        }
    }
    Q_EMIT answered(frame);
    if (!rejected.isEmpty()) {
        qCInfo(lcLink) << "learned frame rejected:" << rejected;
        Q_EMIT learnedFrameRejected(rejected);
        return;
    }
    Q_EMIT irCodeLearned(QByteArray(code.data(), static_cast<int>(code.size())), frame);
}

void DeviceLink::onLearnSilence() {
    if (!m_reassemblyActive) {
        return;
    }
    m_reassemblyActive = false;
    m_reassembly.clear();
    Q_EMIT learnedFrameRejected(QStringLiteral("an incomplete learned frame was dropped"));
}

} // namespace qz
