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
    if (m_transport.isOpen()) {
        // A new connection ends whatever the old one was doing.
        dropConnection(QString());
    }
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
    setState(LinkState::Idle);
    return false;
}

void DeviceLink::disconnectPort() {
    if (m_transport.isOpen() || m_state != LinkState::Idle) {
        dropConnection(QString());
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
        onPortLost(QStringLiteral("the port %1 was removed").arg(path));
    }
}

// Closes the port and ends what was going on; connectionLost() tells the upload and the rest.
void DeviceLink::dropConnection(const QString& detail) {
    const LinkState during = m_state;
    m_handshakeTimer.stop();
    m_eraseTimer.stop();
    m_clearTimer.stop();
    m_learnTimer.stop();
    m_transport.close();
    m_reassemblyActive = false;
    m_clearReplyCount = 0;
    setState(LinkState::Idle);
    setStatus(m_status == LinkStatus::ConnectSuccess ? LinkStatus::WaitConnect : m_status);
    Q_EMIT connectionLost(during, detail);
    if (during == LinkState::Handshake) {
        Q_EMIT handshakeFinished(false);
    } else if (during == LinkState::Clearing) {
        Q_EMIT clearFinished(false);
    }
}

void DeviceLink::onPortLost(const QString& detail) {
    const LinkState during = m_state;
    m_usbChecked = false;
    m_connectionKind = 0;
    dropConnection(detail);
    statusAfterClose();
    if (during == LinkState::Clearing) {
        Q_EMIT message(QString::fromLatin1(texts::kPortLost),
                       QStringLiteral("The keypad may be only partly erased: clear it again."));
    } else if (during == LinkState::Handshake) {
        Q_EMIT message(QString::fromLatin1(texts::kConnectUnsuccess), detail);
    } else if (during == LinkState::Idle && m_irStudyMode) {
        Q_EMIT message(QString::fromLatin1(texts::kPortLost), detail);
    }
    // An upload tells its own story (connectionLost).
}

QString DeviceLink::clearRefusal() const {
    if (m_state == LinkState::Clearing) {
        return QString::fromLatin1(texts::kMachineBeingClear);
    }
    if (m_state != LinkState::Idle) {
        return QString::fromLatin1(texts::kSendDataIng);
    }
    if (!m_transport.isOpen()) {
        return QString::fromLatin1(texts::kPleaseConnectFirst);
    }
    return {};
}

bool DeviceLink::startClear() {
    const QString refusal = clearRefusal();
    if (!refusal.isEmpty()) {
        Q_EMIT message(refusal, QString());
        return false;
    }
    m_clearReplyCount = 0;
    setState(LinkState::Clearing);
    if (sendFrame(QByteArray(kClearFrame.data(), static_cast<int>(kClearFrame.size()))) < 0) {
        setState(LinkState::Idle);
        return false;
    }
    m_clearTimer.start();
    return true;
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

QString DeviceLink::uploadRefusal() const {
    if (m_status != LinkStatus::ConnectSuccess || !m_transport.isOpen()) {
        return QString::fromLatin1(texts::kPleaseConnectFirst);
    }
    if (m_state != LinkState::Idle) {
        return QString::fromLatin1(texts::kMachineBeingClearing);
    }
    return {};
}

bool DeviceLink::beginErase(const QByteArray& eraseFrame) {
    const QString refusal = uploadRefusal();
    if (!refusal.isEmpty()) {
        Q_EMIT message(refusal, QString());
        return false;
    }
    m_clearReplyCount = 0;
    setState(LinkState::ClearingForUpload);
    if (sendFrame(eraseFrame) < 0) {
        setState(LinkState::Idle);
        return false;
    }
    m_clearTicks = 0;
    m_eraseTimer.start();
    return true;
}

qint64 DeviceLink::sendFrame(const QByteArray& frame) {
    if (!m_transport.isOpen()) {
        Q_EMIT message(QString::fromLatin1(texts::kHaveNotOpenedCom), QString());
        return -1;
    }
    return m_transport.write(frame);
}

void DeviceLink::endUpload() {
    m_eraseTimer.stop();
    if (m_state == LinkState::Uploading || m_state == LinkState::ClearingForUpload) {
        m_clearReplyCount = 0;
        setState(LinkState::Idle);
    }
}

bool DeviceLink::startLearning() {
    if (!m_transport.isOpen()) {
        Q_EMIT message(QString::fromLatin1(texts::kPleaseOpenCom), QString());
        return false;
    }
    if (m_state == LinkState::Uploading || m_state == LinkState::ClearingForUpload) {
        Q_EMIT message(QString::fromLatin1(texts::kSendDataIng), QString());
        return false;
    }
    m_irStudyMode = true;
    m_reassemblyActive = false;
    m_reassembly.clear();
    m_learnTimer.stop();
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.MakeLearnIrFrame();
    return sendFrame(QByteArray(cmd.Data(), cmd.Length())) >= 0;
}

void DeviceLink::stopLearning() {
    m_irStudyMode = false;
    m_reassemblyActive = false;
    m_reassembly.clear();
    m_learnTimer.stop();
    // The learning window leaves the link idle, except that an upload keeps its own state.
    if (m_state != LinkState::Uploading && m_state != LinkState::ClearingForUpload) {
        m_handshakeTimer.stop();
        m_clearTimer.stop();
        setState(LinkState::Idle);
    }
}

void DeviceLink::handleReply(const QByteArray& reply) {
    if (m_irStudyMode) {
        learnReply(reply);
        return;
    }
    switch (m_state) {
    case LinkState::Handshake: {
        m_handshakeTimer.stop();
        setState(LinkState::Idle);
        const bool success = ReplyHas(ReplyText(reply), "CONE");
        if (success) {
            setStatus(LinkStatus::ConnectSuccess);
        }
        if (m_connectionKind == 2) {
            m_usbChecked = true;
        }
        qCDebug(lcLink) << "handshake reply" << reply.left(kReplyTextBytes) << success;
        Q_EMIT handshakeFinished(success);
        Q_EMIT answered(reply);
        break;
    }
    case LinkState::Clearing:
        if (ReplyHas(ReplyText(reply), "CLRE")) {
            ++m_clearReplyCount;
            Q_EMIT clearReplyCountChanged(m_clearReplyCount);
            if (m_clearReplyCount >= 2) {
                m_clearTimer.stop();
                m_reassemblyActive = false;
                setState(LinkState::Idle);
                Q_EMIT clearFinished(true);
            }
        }
        break;
    case LinkState::ClearingForUpload:
        if (ReplyHas(ReplyText(reply), "CLRE")) {
            ++m_clearReplyCount;
            Q_EMIT clearReplyCountChanged(m_clearReplyCount);
            if (m_clearReplyCount >= 2) {
                m_eraseTimer.stop();
                m_clearReplyCount = 0;
                setState(LinkState::Uploading);
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
    setState(LinkState::Idle);
    Q_EMIT message(QString::fromLatin1(texts::kConnectUnsuccess), QString());
    Q_EMIT handshakeFinished(false);
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
    setState(LinkState::Uploading);
    m_clearReplyCount = 0;
    Q_EMIT eraseFinished(false);
}

void DeviceLink::onClearTimeout() {
    if (m_state != LinkState::Clearing) {
        return;
    }
    // The keypad tool stayed in this state until the next connection; the link goes idle and
    // says that the erase was not confirmed instead.
    const int replies = m_clearReplyCount;
    setState(LinkState::Idle);
    Q_EMIT message(QStringLiteral("The keypad did not confirm the erase (%1 of 2 answers); it may "
                                  "be only partly erased: clear it again.")
                       .arg(replies),
                   QString());
    Q_EMIT clearFinished(false);
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
