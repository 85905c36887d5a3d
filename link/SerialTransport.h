#pragma once
#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "ReplyAssembler.h"

namespace qz {

// Line settings as the four indexes of the keypad tool's serial dialog.
struct LineSettings {
    int baudIndex = 12;    // 115200
    int parityIndex = 0;   // none
    int dataBitsIndex = 4; // 8
    int stopBitsIndex = 0; // 1
};

qint32 BaudRateForIndex(int index);
QSerialPort::Parity ParityForIndex(int index);
QSerialPort::DataBits DataBitsForIndex(int index);
QSerialPort::StopBits StopBitsForIndex(int index);

// Leading and trailing white space and every space inside are removed.
QString TrimPortName(const QString& name);

// A port path given as bytes (a command-line argument) as a name to open. Qt decodes file names
// as UTF-8 and turns bytes that are not into U+FFFD, which names another file; such a path is
// taken through the links it holds to the device itself ("/dev/serial/by-id/..." leads to
// "/dev/ttyACM0"). Empty, with `error` set, when no name that Qt can open is found.
QString PortPathFromBytes(const QByteArray& raw, QString* error = nullptr);

// Why a port did not open, told apart so the user knows what to do.
enum class OpenFault { None, NotFound, Permission, Busy, Settings, Other };

struct OpenError {
    OpenFault fault = OpenFault::None;
    QString detail; // one sentence for the user: what happened and what to do
};

// The process that a serial lock file names, if any.
struct LockHolder {
    qint64 pid = 0;
    QString name; // from /proc; empty when the process is gone or unknown
};
// Looks for a lock file of the port in the usual lock folders (the ones QSerialPort and the uucp
// tools use). `lockDirs` empty means the system's usual folders.
bool FindLockHolder(const QString& portPath, LockHolder* holder, const QStringList& lockDirs = {});

// Where the udev rule that grants access to the keypad's port is found.
inline constexpr char kUdevRuleHint[] =
    "/usr/lib/udev/rules.d/70-qzctr-keypad.rules (installed with the qzctr package; in the "
    "sources: packaging/udev/70-qzctr-keypad.rules, to be copied to /etc/udev/rules.d/)";

// The device file's group when that group may read and write it (and is not root's), else empty:
// only then is joining the group a way to get access.
QString AccessGroup(const QString& portPath);

// The sentence for an open fault; `group` is a group that may read and write the port (see
// AccessGroup()), or empty: then the permission hint points to the udev rule alone.
QString DescribeOpenFault(OpenFault fault, const QString& portPath, const QString& qtError,
                          const QString& group, const LockHolder* holder);

// The sentence for a port that failed while open: what happened and what to do.
QString DescribeLoss(const QString& portPath, QSerialPort::SerialPortError error,
                     const QString& qtError);

// The serial line to the keypad: one QSerialPort on the caller's event loop. Received bytes are
// cut into replies (see ReplyAssembler); a read or resource error closes the port at once and is
// reported once, instead of Qt's repeated error notifications.
class SerialTransport : public QObject {
    Q_OBJECT
  public:
    static constexpr int kDefaultSilenceMs = 50;
    static constexpr int kDefaultReopenDelayMs = 100;
    static constexpr int kMaxWrite = 2046;

    explicit SerialTransport(QObject* parent = nullptr);
    ~SerialTransport() override;

    // Opens `name` (blanks removed) with the given line settings and purges both directions.
    // An open port is closed first, with a short pause before the new open.
    bool open(const QString& name, const LineSettings& settings = {}, OpenError* error = nullptr);
    void close();
    bool isOpen() const;
    QString portName() const { return m_name; }

    // Queues at most kMaxWrite bytes; returns the count queued, -1 when no port is open or the
    // write failed (a failed write closes the port like a read error).
    qint64 write(const QByteArray& bytes);

    // Bytes read from and queued to the port since it was opened.
    quint64 bytesRead() const { return m_bytesRead; }
    quint64 bytesWritten() const { return m_bytesWritten; }

    void setSilenceMs(int ms) { m_silence.setInterval(ms); }
    void setReopenDelayMs(int ms) { m_reopenDelayMs = ms; }

  Q_SIGNALS:
    void replyReceived(const QByteArray& reply);
    // The open port failed (unplugged, hung up); it is already closed.
    void portLost(const QString& detail);

  private:
    void onReadyRead();
    void onSilence();
    void onError(QSerialPort::SerialPortError error);
    void deliver(const QList<QByteArray>& replies);
    void lose(const QString& detail);

    QSerialPort m_port;
    ReplyAssembler m_assembler;
    QTimer m_silence;
    QString m_name;
    int m_reopenDelayMs = kDefaultReopenDelayMs;
    quint64 m_bytesRead = 0;
    quint64 m_bytesWritten = 0;
    quint64 m_session = 0; // changes with every open and close; stale deliveries stop
};

} // namespace qz
