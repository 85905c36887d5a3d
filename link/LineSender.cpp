#include "LineSender.h"

#include <QFileInfo>

#include <algorithm>
#include <string>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <termios.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

#include "LinkLogging.h"
#include "PortDiscovery.h"
#include "SerialTransport.h"
#include "model/ActionTexts.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"

namespace qz {

namespace {

// Offsets in the RS232 action record.
constexpr int kBaudAt = 7;
constexpr int kDataBitsAt = 8;
constexpr int kStopBitsAt = 9;
constexpr int kParityAt = 10;
constexpr int kTimesAt = 12;
constexpr int kDelayAt = 14;
constexpr int kLengthAt = 16;
constexpr int kDataAt = 18;

// A one-digit code of the record, 1-based, as an index into a list of `count`; -1 outside.
int CodeAt(const std::string& record, int at, int count) {
    const int code = record[size_t(at)] - '1';
    return code >= 0 && code < count ? code : -1;
}

QString StopBitsText(QSerialPort::StopBits stop) {
    switch (stop) {
    case QSerialPort::OneAndHalfStop:
        return QStringLiteral("1.5 stop bits");
    case QSerialPort::TwoStop:
        return QStringLiteral("2 stop bits");
    default:
        return QStringLiteral("1 stop bit");
    }
}

QString ParityText(QSerialPort::Parity parity) {
    switch (parity) {
    case QSerialPort::OddParity:
        return QStringLiteral("odd parity");
    case QSerialPort::EvenParity:
        return QStringLiteral("even parity");
    default:
        return QStringLiteral("no parity");
    }
}

} // namespace

QString LineText(const Rs232Line& line) {
    return QStringLiteral("%1 baud, %2 data bits, %3, %4")
        .arg(line.baud)
        .arg(int(line.dataBits))
        .arg(ParityText(line.parity), StopBitsText(line.stopBits));
}

std::optional<Rs232Send> Rs232SendOfAction(std::string_view actionText, QString* refusal) {
    auto refuse = [&](const QString& why) -> std::optional<Rs232Send> {
        if (refusal) {
            *refusal = why;
        }
        return std::nullopt;
    };
    const CKvqEventStr action(actionText);
    if (!action.IsValid()) {
        return refuse(QStringLiteral("This is no action text: only an RS232 action can be sent."));
    }
    if (action.GetTypeCode() != kActionUart) {
        return refuse(QStringLiteral("This is a %1 action: only an RS232 action can be sent.")
                          .arg(QString::fromStdString(action.GetTypeName())));
    }
    const std::string record = CKvqEventStr::EncodeToBytes(actionText);
    if (record.size() < size_t(kDataAt)) {
        return refuse(QStringLiteral("The RS232 action does not encode."));
    }
    const int baud = CodeAt(record, kBaudAt, int(std::size(kBaudRateEntries)));
    const int dataBits = CodeAt(record, kDataBitsAt, 2);
    const int stopBits = CodeAt(record, kStopBitsAt, 3);
    const int parity = CodeAt(record, kParityAt, 3);
    if (baud < 0 || dataBits < 0 || stopBits < 0 || parity < 0) {
        return refuse(QStringLiteral("The action's line settings (data bits \"%1\", stop bits "
                                     "\"%2\", parity \"%3\") are not ones a serial line has.")
                          .arg(QString::fromStdString(action.GetUartDataBits()),
                               QString::fromStdString(action.GetUartStopBits()),
                               QString::fromStdString(action.GetUartParity())));
    }
    Rs232Send send;
    send.line.baud = std::stoi(kBaudRateEntries[baud]);
    send.line.dataBits = dataBits == 0 ? QSerialPort::Data7 : QSerialPort::Data8;
    static const QSerialPort::StopBits kStops[] = {
        QSerialPort::OneStop, QSerialPort::OneAndHalfStop, QSerialPort::TwoStop};
    send.line.stopBits = kStops[stopBits];
    static const QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                    QSerialPort::EvenParity};
    send.line.parity = kParities[parity];
    const int length = AtoI(record.substr(kLengthAt, 2));
    send.data = QByteArray(record.data() + kDataAt, std::clamp(length, 0, 32));
    send.port = std::max(0, AtoI(action.GetUartPort()));
    send.times = AtoI(record.substr(kTimesAt, 2));
    send.delay = AtoI(record.substr(kDelayAt, 2));
    return send;
}

bool IsKeypadPort(const PortDiscovery& discovery, const QString& path) {
    const QFileInfo given(path);
    const QString canonical = given.canonicalFilePath();
    if (discovery.isCandidate(given.fileName()) ||
        (!canonical.isEmpty() && discovery.isCandidate(QFileInfo(canonical).fileName()))) {
        return true;
    }
    const QList<SerialPortEntry> candidates = discovery.candidates();
    return std::any_of(candidates.begin(), candidates.end(), [&](const SerialPortEntry& e) {
        const QString location = QFileInfo(e.systemLocation).canonicalFilePath();
        return e.systemLocation == path || (!canonical.isEmpty() && location == canonical);
    });
}

QStringList TryOutPorts(const PortDiscovery& discovery) {
    QStringList paths;
    for (const SerialPortEntry& e : discovery.ports()) {
        if (!e.keypadCandidate) {
            paths << e.systemLocation;
        }
    }
    return paths;
}

bool IsPseudoTerminal(const QString& path) {
#ifdef Q_OS_LINUX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    // The Unix98 pty slaves (136..143) and the old BSD ones (3).
    const unsigned int m = major(st.st_rdev);
    return (m >= 136 && m <= 143) || m == 3;
#else
    return QFileInfo(path).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
#endif
}

QByteArray SendResult::replyBytes() const {
    QByteArray all;
    for (const ReplyChunk& c : reply) {
        all += c.bytes;
    }
    return all;
}

LineSender::LineSender(QObject* parent) : QObject(parent) {
    for (QTimer* t : {&m_delay, &m_listen, &m_writeDeadline}) {
        t->setSingleShot(true);
    }
    connect(&m_delay, &QTimer::timeout, this, &LineSender::writeNext);
    connect(&m_listen, &QTimer::timeout, this, [this] { finish(SendResult::Sent); });
    connect(&m_writeDeadline, &QTimer::timeout, this, [this] {
        finish(SendResult::WriteFailed,
               QStringLiteral("The port %1 did not send the bytes in time (%2 of %3 went out): "
                              "check the adapter and its cable.")
                   .arg(m_request.port)
                   .arg(m_result.bytesWritten)
                   .arg(m_result.bytesPlanned));
    });
    connect(&m_port, &QSerialPort::bytesWritten, this, &LineSender::onBytesWritten);
    connect(&m_port, &QSerialPort::readyRead, this, &LineSender::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &LineSender::onError);
}

LineSender::~LineSender() {
    // No signals to a half-destroyed owner.
    m_port.disconnect(this);
    m_port.close();
}

bool LineSender::start(const SendRequest& request) {
    if (m_running) {
        return false;
    }
    m_request = request;
    m_request.times = std::max(1, request.times);
    m_result = SendResult{};
    m_result.bytesPlanned = qint64(request.data.size()) * m_request.times;
    m_request.port = TrimPortName(request.port);
    // QSerialPort gives back "pts/0" for "/dev/pts/0": the path is kept as given.
    m_port.setPortName(m_request.port);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QString qtError = m_port.errorString();
        const OpenFault fault = !QFileInfo::exists(m_request.port) ? OpenFault::NotFound
                                : m_port.error() == QSerialPort::PermissionError
                                    ? OpenFault::Permission
                                    : OpenFault::Other;
        m_port.clearError();
        m_result.message =
            DescribeOpenFault(fault, m_request.port, qtError, AccessGroup(m_request.port), nullptr);
        return false;
    }
    if (!program(request.line)) {
        m_port.close();
        m_port.clearError();
        return false;
    }
    for (const QString& w : std::as_const(m_result.warnings)) {
        Q_EMIT warning(w);
    }
    // Bytes that were waiting on the line are no answer to this send.
    m_port.clear();
    m_running = true;
    m_sendEnd = 0;
    m_clock.start();
    writeNext();
    return true;
}

bool LineSender::program(const Rs232Line& line) {
    const QString port = m_request.port;
    const bool pty = IsPseudoTerminal(port);
    auto refuse = [&](const QString& what) {
        m_result.outcome = SendResult::Refused;
        m_result.message = QStringLiteral("The port %1 cannot take %2 (%3); nothing was sent.")
                               .arg(port, what, m_port.errorString());
        return false;
    };
    if (!m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        return refuse(QStringLiteral("a line without flow control"));
    }
    if (!m_port.setBaudRate(line.baud)) {
        return refuse(QStringLiteral("%1 baud").arg(line.baud));
    }
    if (!m_port.setDataBits(line.dataBits)) {
        if (!pty) {
            return refuse(QStringLiteral("%1 data bits").arg(int(line.dataBits)));
        }
        m_port.clearError();
    }
    if (!m_port.setParity(line.parity)) {
        if (!pty) {
            return refuse(ParityText(line.parity));
        }
        m_port.clearError();
    }
    if (!m_port.setStopBits(line.stopBits)) {
        return refuse(StopBitsText(line.stopBits));
    }
#ifdef Q_OS_UNIX
    // The serial drivers of this system know one or two stop bits only.
    if (line.stopBits == QSerialPort::OneAndHalfStop) {
        m_result.warnings << QStringLiteral(
            "1.5 stop bits are programmed as 1 stop bit on this system: a device that needs "
            "1.5 may not read the bytes as the keypad sends them.");
    }
#endif
    if (pty && (line.dataBits != QSerialPort::Data8 || line.parity != QSerialPort::NoParity)) {
        m_result.warnings << QStringLiteral(
                                 "%1 is a pseudo-terminal: it carries 8-bit bytes without a "
                                 "line and ignores %2 data bits and %3.")
                                 .arg(port)
                                 .arg(int(line.dataBits))
                                 .arg(ParityText(line.parity));
    }
#ifdef Q_OS_UNIX
    // What the driver holds now, against what was asked: a setting it dropped is said.
    termios tio{};
    if (!pty && ::tcgetattr(int(m_port.handle()), &tio) == 0) {
        const bool seven = (tio.c_cflag & CSIZE) == CS7;
        if (seven != (line.dataBits == QSerialPort::Data7)) {
            m_result.warnings << QStringLiteral("The port %1 did not take %2 data bits.")
                                     .arg(port)
                                     .arg(int(line.dataBits));
        }
        if (bool(tio.c_cflag & PARENB) != (line.parity != QSerialPort::NoParity)) {
            m_result.warnings << QStringLiteral("The port %1 did not take %2.")
                                     .arg(port, ParityText(line.parity));
        }
    }
#endif
    return true;
}

void LineSender::writeNext() {
    if (!m_running) {
        return;
    }
    m_sendEnd += m_request.data.size();
    if (m_request.data.isEmpty()) {
        onBytesWritten(0);
        return;
    }
    if (m_port.write(m_request.data) != m_request.data.size()) {
        finish(SendResult::WriteFailed, QStringLiteral("Writing to the port %1 failed (%2).")
                                            .arg(m_request.port, m_port.errorString()));
        return;
    }
    // Ten bits a byte on the wire, and time for the driver.
    const int wireMs = int(m_request.data.size() * 10 * 1000 / std::max(1, m_request.line.baud));
    m_writeDeadline.start(wireMs + kWriteSlackMs);
}

void LineSender::onBytesWritten(qint64 count) {
    if (!m_running) {
        return;
    }
    m_result.bytesWritten += count;
    if (m_result.bytesWritten < m_sendEnd) {
        return;
    }
    m_writeDeadline.stop();
    const int index = m_result.sendsDone++;
    Q_EMIT sent(index, m_clock.elapsed());
    if (!m_running) {
        return;
    }
    if (m_result.sendsDone < m_request.times) {
        m_delay.start(std::max(0, m_request.delayMs));
    } else {
        m_listen.start(std::max(0, m_request.listenMs));
    }
}

void LineSender::onReadyRead() {
    const QByteArray bytes = m_port.readAll();
    if (!m_running || bytes.isEmpty()) {
        return;
    }
    const ReplyChunk chunk{m_clock.elapsed(), bytes};
    m_result.reply.append(chunk);
    Q_EMIT received(chunk.bytes, chunk.atMs);
}

void LineSender::onError(QSerialPort::SerialPortError error) {
    if (!m_running) {
        return;
    }
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::DeviceNotFoundError:
        finish(SendResult::PortLost,
               QStringLiteral("The port %1 went away (unplugged?) after %2 of %3 bytes; the send "
                              "ended.")
                   .arg(m_request.port)
                   .arg(m_result.bytesWritten)
                   .arg(m_result.bytesPlanned));
        break;
    case QSerialPort::WriteError:
        finish(SendResult::WriteFailed, QStringLiteral("Writing to the port %1 failed (%2).")
                                            .arg(m_request.port, m_port.errorString()));
        break;
    default:
        break;
    }
}

void LineSender::cancel() {
    if (m_running) {
        finish(SendResult::Cancelled, QStringLiteral("Cancelled after %1 of %2 bytes.")
                                          .arg(m_result.bytesWritten)
                                          .arg(m_result.bytesPlanned));
    }
}

void LineSender::finish(SendResult::Outcome outcome, const QString& message) {
    m_running = false;
    m_delay.stop();
    m_listen.stop();
    m_writeDeadline.stop();
    // What arrived up to now belongs to the reply.
    if (m_port.isOpen() && outcome != SendResult::PortLost) {
        const QByteArray rest = m_port.readAll();
        if (!rest.isEmpty()) {
            m_result.reply.append({m_clock.elapsed(), rest});
        }
    }
    if (outcome == SendResult::Cancelled && m_port.isOpen()) {
        // What the driver still holds is dropped, so that closing does not wait for it.
        m_port.clear(QSerialPort::Output);
    }
    m_port.close();
    m_port.clearError();
    m_result.outcome = outcome;
    m_result.message = message;
    qCDebug(lcLink) << "send on" << m_request.port << "ended:" << outcome << message;
    Q_EMIT finished();
}

} // namespace qz
