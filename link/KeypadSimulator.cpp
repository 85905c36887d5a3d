#include "KeypadSimulator.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "LinkLogging.h"
#include "model/KvqCmd.h"

namespace qz {

namespace {

QByteArray ToBytes(const CKvqCmd& cmd) {
    return QByteArray(cmd.Data(), cmd.Length());
}

QByteArray FixedFrame(int code, const char* mnemonic) {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.MakeFixedFrame(code, mnemonic);
    return ToBytes(cmd);
}

// A short answer that says nothing but "received": the frame's own code, mnemonic "ACKN".
QByteArray AckFrame(const QByteArray& frame) {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.Append("KVQ0000");
    cmd.Append(std::string_view(frame.constData() + 7, 2));
    cmd.Append("ACKN");
    cmd.Complete();
    return ToBytes(cmd);
}

QString ErrnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

KeypadSimulator::KeypadSimulator(SimulatorOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {
    if (m_options.irCode.isEmpty()) {
        m_options.irCode = defaultIrCode();
    }
    m_inputTimer = new QTimer(this);
    m_inputTimer->setSingleShot(true);
    m_inputTimer->setTimerType(Qt::PreciseTimer);
    connect(m_inputTimer, &QTimer::timeout, this, &KeypadSimulator::releaseInput);
    m_staleTimer = new QTimer(this);
    m_staleTimer->setSingleShot(true);
    m_staleTimer->setInterval(kStaleInputMs);
    connect(m_staleTimer, &QTimer::timeout, this, [this] {
        qCDebug(lcLink) << "simulator: dropping" << m_assembly.size()
                        << "bytes of an unfinished frame";
        m_assembly.clear();
    });
    m_outputTimer = new QTimer(this);
    m_outputTimer->setSingleShot(true);
    m_outputTimer->setTimerType(Qt::PreciseTimer);
    connect(m_outputTimer, &QTimer::timeout, this, &KeypadSimulator::pump);
    m_clock.start();
}

KeypadSimulator::~KeypadSimulator() {
    closeFds();
}

QByteArray KeypadSimulator::defaultIrCode() {
    // Every kind of byte a real code holds: high bytes, a zero, letters of the frame header.
    QByteArray code(kIrCodeBytes, '\0');
    for (int i = 0; i < kIrCodeBytes; ++i) {
        code[i] = static_cast<char>((0x5A + 37 * i) & 0xFF);
    }
    return code;
}

bool KeypadSimulator::start(QString* error) {
    if (m_started) {
        if (error) {
            *error = QStringLiteral("simulator already started");
        }
        return false;
    }
    auto fail = [&](const QString& text) {
        closeFds();
        if (error) {
            *error = text;
        }
        return false;
    };
    if (m_options.irCode.size() > kMaxIrCodeBytes) {
        return fail(QStringLiteral("IR code longer than %1 bytes").arg(kMaxIrCodeBytes));
    }
    if (!m_options.logPath.isEmpty()) {
        m_log = new QFile(m_options.logPath, this);
        if (!m_log->open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString text = QStringLiteral("cannot open log file %1: %2")
                                     .arg(m_options.logPath, m_log->errorString());
            delete m_log;
            m_log = nullptr;
            return fail(text);
        }
    }

    // Only the POSIX calls and flags: the simulator runs wherever there are pseudo-terminals.
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        return fail(ErrnoText("posix_openpt"));
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        return fail(ErrnoText("grantpt/unlockpt"));
    }
    char name[128];
    const char* slaveName = ptsname(m_master);
    if (!slaveName || std::strlen(slaveName) >= sizeof name) {
        return fail(ErrnoText("ptsname"));
    }
    std::strcpy(name, slaveName);
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) < 0 ||
        fcntl(m_master, F_SETFD, FD_CLOEXEC) < 0) {
        return fail(ErrnoText("fcntl"));
    }
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_slave < 0) {
        return fail(ErrnoText("open pty slave"));
    }
    // Raw from the start: no echo of the client's bytes back to us, no line editing, no CR/LF
    // translation of frame bytes.
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0) {
        return fail(ErrnoText("tcgetattr"));
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        return fail(ErrnoText("tcsetattr"));
    }

    m_devicePath = QString::fromLocal8Bit(name);
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &KeypadSimulator::onReadable);
    m_started = true;
    qCDebug(lcLink) << "simulator on" << m_devicePath;
    return true;
}

QString KeypadSimulator::devicePath() const {
    return m_devicePath;
}

QList<QByteArray> KeypadSimulator::receivedFrames() const {
    return m_frames;
}

bool KeypadSimulator::isHungUp() const {
    return m_started && m_master < 0;
}

void KeypadSimulator::hangUp() {
    if (m_master < 0) {
        return;
    }
    qCDebug(lcLink) << "simulator: hanging up" << m_devicePath;
    closeFds();
    Q_EMIT hungUp();
}

void KeypadSimulator::closeFds() {
    if (m_readNotifier) {
        m_readNotifier->setEnabled(false);
        delete m_readNotifier;
        m_readNotifier = nullptr;
    }
    m_inputTimer->stop();
    m_staleTimer->stop();
    m_outputTimer->stop();
    m_pendingInput.clear();
    m_assembly.clear();
    m_outQueue.clear();
    m_headDelayServed = false;
    m_headStartNs = -1;
    m_headWritten = 0;
    m_inputStartNs = -1;
    // The master first: the tty is hung up for every slave descriptor, as when a cable is pulled.
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
    if (m_slave >= 0) {
        ::close(m_slave);
        m_slave = -1;
    }
}

qint64 KeypadSimulator::byteTimeNs() const {
    // Start bit, 8 data bits, stop bit.
    return 10LL * 1000000000LL / m_options.baud;
}

void KeypadSimulator::onReadable() {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            m_pendingInput.append(buf, static_cast<int>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        // Cannot happen while the slave is held open; stop listening rather than spin.
        qCWarning(lcLink) << "simulator: reading the pty failed:" << std::strerror(errno);
        m_readNotifier->setEnabled(false);
        break;
    }
    releaseInput();
}

void KeypadSimulator::releaseInput() {
    if (m_pendingInput.isEmpty()) {
        return;
    }
    if (m_options.baud <= 0) {
        const QByteArray bytes = std::exchange(m_pendingInput, {});
        takeBytes(bytes);
        return;
    }
    const qint64 now = m_clock.nsecsElapsed();
    if (m_inputStartNs < 0) {
        m_inputStartNs = now;
        m_inputReleased = 0;
    }
    const qint64 due = (now - m_inputStartNs) / byteTimeNs() - m_inputReleased;
    const int n = static_cast<int>(std::min<qint64>(due, m_pendingInput.size()));
    if (n > 0) {
        const QByteArray bytes = m_pendingInput.left(n);
        m_pendingInput.remove(0, n);
        m_inputReleased += n;
        takeBytes(bytes);
        if (m_master < 0) {
            return; // hung up while handling a frame
        }
    }
    if (m_pendingInput.isEmpty()) {
        m_inputStartNs = -1;
        return;
    }
    const qint64 next = m_inputStartNs + (m_inputReleased + 1) * byteTimeNs();
    m_inputTimer->start(static_cast<int>(std::max<qint64>(0, (next - now + 999999) / 1000000)));
}

void KeypadSimulator::takeBytes(const QByteArray& bytes) {
    m_assembly.append(bytes);
    for (;;) {
        const int header = m_assembly.indexOf("KVQ");
        if (header < 0) {
            // Keep a possible start of "KVQ"; anything else before a header is line noise.
            if (m_assembly.endsWith("KV")) {
                m_assembly = "KV";
            } else if (m_assembly.endsWith('K')) {
                m_assembly = "K";
            } else {
                m_assembly.clear();
            }
            break;
        }
        m_assembly.remove(0, header);
        if (m_assembly.size() < 7) {
            break;
        }
        const int length = CKvqCmd(m_assembly.constData(), m_assembly.size()).GetFrameLength();
        if (length <= 0 || length > kMaxFrameLength) {
            m_assembly.remove(0, 1); // not a frame header after all: look for the next one
            continue;
        }
        const int total = length + 13;
        if (m_assembly.size() < total) {
            break;
        }
        const QByteArray frame = m_assembly.left(total);
        m_assembly.remove(0, total);
        handleFrame(frame);
        if (m_master < 0) {
            return;
        }
    }
    if (m_assembly.isEmpty()) {
        m_staleTimer->stop();
    } else {
        m_staleTimer->start();
    }
}

void KeypadSimulator::handleFrame(const QByteArray& frame) {
    m_frames.append(frame);
    if (m_log) {
        m_log->write(frame);
        m_log->write("\n");
        m_log->flush();
    }
    Q_EMIT frameReceived(frame);
    if (m_master < 0) {
        return; // a listener hung up
    }
    const int count = static_cast<int>(m_frames.size());
    if (m_options.hangUpAfter >= 0 && count > m_options.hangUpAfter) {
        hangUp();
        return;
    }
    if (m_options.silentAfter >= 0 && count > m_options.silentAfter) {
        return;
    }
    const QByteArray code = frame.mid(7, 2);
    const QByteArray mnemonic = frame.mid(9, 4);
    if (code == "02" && mnemonic == "CONE") {
        queueReply(FixedFrame(kCodeConnect, "CONE"), m_options.replyDelayMs);
    } else if (code == "01" && mnemonic == "CLRE") {
        const QByteArray reply = FixedFrame(81, "CLRE");
        queueReply(reply, m_options.replyDelayMs);
        if (!m_options.oneClear) {
            queueReply(reply, kReplyGapMs + m_options.replyDelayMs);
        }
    } else if (code == "03" && mnemonic == "NONE") {
        queueReply(learnReply(), m_options.replyDelayMs);
    } else {
        queueReply(AckFrame(frame), m_options.replyDelayMs);
    }
}

QByteArray KeypadSimulator::learnReply() const {
    FrameBuffer buffer;
    CKvqCmd cmd(buffer);
    cmd.Begin(kCodeLearnIr);
    cmd.Append(std::string_view(m_options.irCode.constData(), m_options.irCode.size()));
    cmd.Complete();
    QByteArray frame = ToBytes(cmd);
    if (m_options.badLearnChecksum) {
        const int at = frame.size() - 6;
        const unsigned wrong = (CKvqCmd::Checksum(frame.constData() + 7, at - 7) + 1) & 0xFF;
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", wrong);
        frame[at] = pair[0];
        frame[at + 1] = pair[1];
    }
    return frame;
}

void KeypadSimulator::queueReply(const QByteArray& reply, int delayBeforeMs) {
    const QByteArray bytes = m_options.noise + reply;
    const int pieces = std::clamp(m_options.splitPieces, 1, static_cast<int>(bytes.size()));
    int from = 0;
    for (int i = 0; i < pieces; ++i) {
        const int to = static_cast<int>(static_cast<qint64>(bytes.size()) * (i + 1) / pieces);
        m_outQueue.append({bytes.mid(from, to - from), i == 0 ? delayBeforeMs : kPieceGapMs});
        from = to;
    }
    pump();
}

void KeypadSimulator::pump() {
    if (m_outputTimer->isActive()) {
        return; // a delay or pacing step is under way; its timer calls back
    }
    while (!m_outQueue.isEmpty() && m_master >= 0) {
        Chunk& head = m_outQueue.first();
        if (!m_headDelayServed && head.delayBeforeMs > 0) {
            m_headDelayServed = true;
            m_outputTimer->start(head.delayBeforeMs);
            return;
        }
        m_headDelayServed = true;
        const qint64 now = m_clock.nsecsElapsed();
        if (m_headStartNs < 0) {
            m_headStartNs = now;
            m_headWritten = 0;
        }
        qint64 due = head.bytes.size();
        if (m_options.baud > 0) {
            due = std::min<qint64>(due, (now - m_headStartNs) / byteTimeNs());
        }
        while (m_headWritten < due) {
            const ssize_t n = ::write(m_master, head.bytes.constData() + m_headWritten,
                                      static_cast<size_t>(due - m_headWritten));
            if (n > 0) {
                m_headWritten += static_cast<int>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                    qCWarning(lcLink)
                        << "simulator: writing the pty failed:" << std::strerror(errno);
                    m_outQueue.clear();
                    return;
                }
                // The client is not reading: try again shortly, as a UART's buffer would.
                m_outputTimer->start(5);
                return;
            }
        }
        if (m_headWritten < head.bytes.size()) {
            const qint64 next = m_headStartNs + (m_headWritten + 1) * byteTimeNs();
            m_outputTimer->start(
                static_cast<int>(std::max<qint64>(0, (next - now + 999999) / 1000000)));
            return;
        }
        m_outQueue.removeFirst();
        m_headDelayServed = false;
        m_headStartNs = -1;
        m_headWritten = 0;
    }
}

} // namespace qz
