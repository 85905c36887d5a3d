#include "SerialTransport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "LinkLogging.h"

namespace qz {

qint32 BaudRateForIndex(int index) {
    static const qint32 kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                    19200, 38400, 56000, 57600, 115200, 128000, 256000};
    if (index < 0 || index >= static_cast<int>(sizeof kRates / sizeof kRates[0])) {
        return 9600;
    }
    return kRates[index];
}

QSerialPort::Parity ParityForIndex(int index) {
    switch (index) {
    case 1:
        return QSerialPort::EvenParity;
    case 2:
        return QSerialPort::MarkParity;
    case 3:
        return QSerialPort::OddParity;
    case 4:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::DataBits DataBitsForIndex(int index) {
    // Four data bits are not a setting any serial driver here offers; the nearest is five.
    switch (index) {
    case 0:
    case 1:
        return QSerialPort::Data5;
    case 2:
        return QSerialPort::Data6;
    case 3:
        return QSerialPort::Data7;
    default:
        return QSerialPort::Data8;
    }
}

QSerialPort::StopBits StopBitsForIndex(int index) {
    switch (index) {
    case 1:
        return QSerialPort::OneAndHalfStop;
    case 2:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

QString TrimPortName(const QString& name) {
    QString trimmed = name.trimmed();
    trimmed.remove(QLatin1Char(' '));
    return trimmed;
}

QString PortPathFromBytes(const QByteArray& raw, QString* error) {
    const QString decoded = QFile::decodeName(raw);
    if (QFile::encodeName(decoded) == raw) {
        return decoded;
    }
    // Shown with the odd bytes escaped, so that the user sees which they are.
    const QString shown = QString::fromLatin1(raw.toPercentEncoding("/"));
#ifdef Q_OS_UNIX
    if (char* resolved = ::realpath(raw.constData(), nullptr)) {
        const QByteArray target(resolved);
        ::free(resolved);
        const QString path = QFile::decodeName(target);
        if (QFile::encodeName(path) == target) {
            return path;
        }
    } else if (errno == ENOENT) {
        if (error) {
            *error = DescribeOpenFault(OpenFault::NotFound, shown, {}, {}, nullptr);
        }
        return {};
    }
#endif
    if (error) {
        *error = QStringLiteral("The port name %1 is not valid in the system's file-name encoding "
                                "and does not lead to a device whose name is: give the device "
                                "itself (/dev/...) or a link with a plain name.")
                     .arg(shown);
    }
    return {};
}

namespace {

QStringList DefaultLockDirs() {
    return {QStringLiteral("/var/lock"),
            QStringLiteral("/run/lock"),
            QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/var/lock/lockdev"),
            QDir::tempPath(),
            QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp")};
}

// Lock file names in use for a port: "LCK..ttyACM0" (uucp tools, from the base name) and the
// name below /dev with '/' turned into '_' ("LCK..pts_3", as QSerialPort writes it).
QStringList LockFileNames(const QString& portPath) {
    QString relative = portPath;
    if (relative.startsWith(QLatin1String("/dev/"))) {
        relative.remove(0, 5);
    }
    QStringList names;
    names << QStringLiteral("LCK..") +
                 QString(relative).replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString base = QStringLiteral("LCK..") + QFileInfo(portPath).fileName();
    if (!names.contains(base)) {
        names << base;
    }
    return names;
}

qint64 ParseLockPid(const QByteArray& content) {
    if (content.size() == 4 && !content.contains('\n')) {
        // The oldest uucp form: the pid as a binary int.
        int pid = 0;
        memcpy(&pid, content.constData(), sizeof pid);
        return pid;
    }
    bool ok = false;
    const qint64 pid = content.split('\n').value(0).trimmed().toLongLong(&ok);
    return ok ? pid : 0;
}

} // namespace

bool FindLockHolder(const QString& portPath, LockHolder* holder, const QStringList& lockDirs) {
    const QStringList dirs = lockDirs.isEmpty() ? DefaultLockDirs() : lockDirs;
    for (const QString& dir : dirs) {
        for (const QString& name : LockFileNames(portPath)) {
            QFile file(dir + QLatin1Char('/') + name);
            if (!file.open(QIODevice::ReadOnly)) {
                continue;
            }
            const qint64 pid = ParseLockPid(file.read(256));
            if (pid <= 0) {
                continue;
            }
            holder->pid = pid;
#ifdef Q_OS_LINUX
            // The program's name is a nicety: only Linux keeps it where it can be read.
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            holder->name = comm.open(QIODevice::ReadOnly)
                               ? QString::fromLocal8Bit(comm.readAll().trimmed())
                               : QString();
#endif
            return true;
        }
    }
    return false;
}

QString AccessGroup(const QString& portPath) {
    const QFileInfo info(portPath);
    const QFile::Permissions groupRw = QFile::ReadGroup | QFile::WriteGroup;
    // Joining "root" is no advice to give.
    if (!info.exists() || info.groupId() == 0 || (info.permissions() & groupRw) != groupRw) {
        return {};
    }
    return info.group();
}

QString DescribeLoss(const QString& portPath, QSerialPort::SerialPortError error,
                     const QString& qtError) {
    if (error == QSerialPort::WriteError) {
        return QStringLiteral("Writing to the port %1 failed (%2): check the cable, then connect "
                              "again.")
            .arg(portPath, qtError);
    }
    // For a read that ends the line, Qt reports whatever error number an earlier call left
    // behind ("File exists", "Resource temporarily unavailable"): it says nothing about the
    // cause, so it is not shown.
    if (!portPath.isEmpty() && !QFileInfo::exists(portPath)) {
        return QStringLiteral("The port %1 is gone: the keypad was unplugged. Plug it in again "
                              "and connect.")
            .arg(portPath);
    }
    return QStringLiteral("The port %1 hung up: the keypad was unplugged, switched off or reset. "
                          "Check the cable and connect again.")
        .arg(portPath);
}

QString DescribeOpenFault(OpenFault fault, const QString& portPath, const QString& qtError,
                          const QString& group, const LockHolder* holder) {
    switch (fault) {
    case OpenFault::None:
        return {};
    case OpenFault::NotFound:
        return QStringLiteral("The port %1 is not there (unplugged?).").arg(portPath);
    case OpenFault::Permission:
        // A group is worth joining only when it may read and write the device; otherwise the
        // udev rule is what grants access.
        if (!group.isEmpty()) {
            return QStringLiteral("No permission to open %1. Its group '%2' may read and write "
                                  "it: add your user to that group (sudo usermod -aG %2 $USER), "
                                  "then log out and in again; or install the udev rule %3.")
                .arg(portPath, group, QLatin1String(kUdevRuleHint));
        }
        return QStringLiteral("No permission to open %1. Install the udev rule %2, then plug the "
                              "keypad in again.")
            .arg(portPath, QLatin1String(kUdevRuleHint));
    case OpenFault::Busy:
        if (holder && holder->pid > 0) {
            const QString who =
                holder->name.isEmpty()
                    ? QStringLiteral("process %1").arg(holder->pid)
                    : QStringLiteral("%1 (process %2)").arg(holder->name).arg(holder->pid);
            return QStringLiteral("The port %1 is in use by %2; close that program first.")
                .arg(portPath, who);
        }
        return QStringLiteral("The port %1 is in use by another program; close it first.")
            .arg(portPath);
    case OpenFault::Settings:
        return QStringLiteral("The port %1 refused the line settings (%2).").arg(portPath, qtError);
    case OpenFault::Other:
        break;
    }
    return QStringLiteral("The port %1 could not be opened (%2).").arg(portPath, qtError);
}

SerialTransport::SerialTransport(QObject* parent) : QObject(parent) {
    m_silence.setSingleShot(true);
    m_silence.setInterval(kDefaultSilenceMs);
    connect(&m_silence, &QTimer::timeout, this, &SerialTransport::onSilence);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialTransport::onError);
}

SerialTransport::~SerialTransport() {
    // Closing here, while the members still exist, keeps the port's notifications away from a
    // half-destroyed object.
    m_port.disconnect(this);
    m_port.close();
}

bool SerialTransport::isOpen() const {
    return m_port.isOpen();
}

bool SerialTransport::open(const QString& name, const LineSettings& settings, OpenError* error) {
    const QString path = TrimPortName(name);
    if (m_port.isOpen()) {
        close();
        // Give the old port's driver a moment before another open, as the keypad tool did.
        QThread::msleep(static_cast<unsigned long>(m_reopenDelayMs));
    }
    ++m_session;
    m_assembler.Reset();
    m_silence.stop();
    m_port.setPortName(path);

    auto fail = [&](OpenFault fault, const QString& qtError) {
        LockHolder holder;
        const bool held = fault == OpenFault::Busy && FindLockHolder(path, &holder);
        if (error) {
            error->fault = fault;
            error->detail = DescribeOpenFault(fault, path, qtError, AccessGroup(path),
                                              held ? &holder : nullptr);
        }
        qCInfo(lcLink) << "open" << path << "failed:" << qtError;
        return false;
    };

    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError err = m_port.error();
        const QString qtError = m_port.errorString();
        m_port.clearError();
        OpenFault fault = OpenFault::Other;
        if (err == QSerialPort::DeviceNotFoundError || !QFileInfo::exists(path)) {
            fault = OpenFault::NotFound;
        } else if (err == QSerialPort::PermissionError) {
#ifdef Q_OS_UNIX
            // QSerialPort says "permission" both for a missing right and for a port that another
            // program holds (its lock file or an exclusive open); the file's access rights decide.
            const QByteArray local = QFile::encodeName(path);
            fault = ::access(local.constData(), R_OK | W_OK) != 0 && errno == EACCES
                        ? OpenFault::Permission
                        : OpenFault::Busy;
#else
            fault = OpenFault::Permission;
#endif
        }
        return fail(fault, qtError);
    }
    const bool configured = m_port.setBaudRate(BaudRateForIndex(settings.baudIndex)) &&
                            m_port.setDataBits(DataBitsForIndex(settings.dataBitsIndex)) &&
                            m_port.setParity(ParityForIndex(settings.parityIndex)) &&
                            m_port.setStopBits(StopBitsForIndex(settings.stopBitsIndex)) &&
                            m_port.clear();
    if (!configured) {
        const QString qtError = m_port.errorString();
        m_port.close();
        m_port.clearError();
        return fail(OpenFault::Settings, qtError);
    }
    m_name = path;
    m_bytesRead = 0;
    m_bytesWritten = 0;
    if (error) {
        *error = OpenError{};
    }
    qCDebug(lcLink) << "opened" << path;
    return true;
}

void SerialTransport::close() {
    ++m_session;
    m_silence.stop();
    m_assembler.Reset();
    if (m_port.isOpen()) {
        m_port.close();
        qCDebug(lcLink) << "closed" << m_name;
    }
    m_port.clearError();
    m_name.clear();
}

qint64 SerialTransport::write(const QByteArray& bytes) {
    if (!m_port.isOpen()) {
        return -1;
    }
    const qint64 written = m_port.write(bytes.left(kMaxWrite));
    if (written < 0 && m_port.isOpen()) {
        lose(DescribeLoss(m_name, QSerialPort::WriteError, m_port.errorString()));
    } else if (written > 0) {
        m_bytesWritten += static_cast<quint64>(written);
    }
    return written;
}

void SerialTransport::onReadyRead() {
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty()) {
        return;
    }
    m_bytesRead += static_cast<quint64>(bytes.size());
    deliver(m_assembler.Feed(bytes));
    if (m_port.isOpen() && m_assembler.HasPending()) {
        m_silence.start();
    } else {
        m_silence.stop();
    }
}

void SerialTransport::onSilence() {
    const QByteArray reply = m_assembler.Flush();
    if (!reply.isEmpty()) {
        deliver({reply});
    }
}

void SerialTransport::deliver(const QList<QByteArray>& replies) {
    // A receiver may close or reopen the port; replies of the old session are then dropped.
    const quint64 session = m_session;
    for (const QByteArray& reply : replies) {
        if (session != m_session) {
            return;
        }
        Q_EMIT replyReceived(reply);
    }
}

void SerialTransport::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::PermissionError:
        if (m_port.isOpen()) {
            lose(DescribeLoss(m_name, error, m_port.errorString()));
        }
        break;
    default:
        break;
    }
}

void SerialTransport::lose(const QString& detail) {
    // Qt keeps notifying the same error for as long as a dead port stays open: close it at once
    // and tell once.
    const QString name = m_name;
    qCInfo(lcLink) << "port" << name << "lost:" << detail;
    close();
    Q_EMIT portLost(detail);
}

} // namespace qz
