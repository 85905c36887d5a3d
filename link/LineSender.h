#pragma once
// Trying an RS232 action on the real device before it is programmed: the bytes its action record
// carries, sent with its line settings through a serial port of the PC (a USB-serial adapter,
// never the keypad's own port), and what the device answers.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <string_view>

namespace qz {

class PortDiscovery;

// The line as the keypad would program its port for the action.
struct Rs232Line {
    qint32 baud = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};
// "9600 baud, 8 data bits, no parity, 1 stop bit".
QString LineText(const Rs232Line& line);

// What one RS232 action sends, read from the action record the upload encodes (never encoded a
// second time here).
struct Rs232Send {
    Rs232Line line;
    QByteArray data; // the record's data area, its D bytes: end characters included
    int port = 0;    // the keypad port index (0..2) the action names
    int times = 1;   // the record's times and delay fields
    int delay = 1;
};
// The action's sending, or nothing (and `refusal` set) for a text that is not an RS232 action or
// whose record holds a setting no serial line has.
std::optional<Rs232Send> Rs232SendOfAction(std::string_view actionText, QString* refusal);

// The delay field of an RS232 action counts tenths of a second between two sends.
constexpr int kDelayUnitMs = 100;

// Whether `path` is the keypad's port as the port discovery marks it: by the name given, by the
// device it leads to (a /dev/serial/by-id link), or by a candidate's location.
bool IsKeypadPort(const PortDiscovery& discovery, const QString& path);
// The serial ports a string may be tried on: every port but the keypad candidates.
QStringList TryOutPorts(const PortDiscovery& discovery);

// Whether the device at `path` is a pseudo-terminal, which carries bytes without a line.
bool IsPseudoTerminal(const QString& path);

struct SendRequest {
    QString port;
    Rs232Line line;
    QByteArray data;
    int times = 1;
    int delayMs = kDelayUnitMs;
    int listenMs = 1000;
};

// One piece of the reply as it arrived, `atMs` after the first byte was handed to the port.
struct ReplyChunk {
    qint64 atMs = 0;
    QByteArray bytes;
};

struct SendResult {
    enum Outcome { Sent, Refused, Cancelled, PortLost, WriteFailed };
    Outcome outcome = Refused;
    QString message;      // for every outcome but Sent: what happened, for the user
    QStringList warnings; // settings the port does not program as asked
    int sendsDone = 0;    // sends whose every byte went out
    qint64 bytesWritten = 0;
    qint64 bytesPlanned = 0;
    QList<ReplyChunk> reply;

    QByteArray replyBytes() const;
    bool everyByteWent() const { return outcome == Sent && bytesWritten == bytesPlanned; }
};

// Sends a request on the caller's event loop: open, program the line, write (again after the
// delay when asked), listen, close. Nothing waits: timers and the port's signals drive it.
class LineSender : public QObject {
    Q_OBJECT
  public:
    // Longest a port may take to hand out one send's bytes beyond their time on the wire.
    static constexpr int kWriteSlackMs = 2000;

    explicit LineSender(QObject* parent = nullptr);
    ~LineSender() override;

    // Opens the port and starts. False (nothing sent, result() says why) when the port does not
    // open or refuses a setting. The warnings are emitted before the first byte is written.
    bool start(const SendRequest& request);
    // Ends a send or a listen at once; finished() is emitted before it returns.
    void cancel();
    bool isRunning() const { return m_running; }
    const SendResult& result() const { return m_result; }

  Q_SIGNALS:
    void warning(const QString& text);
    // Send `index` (from 0) handed its last byte to the port.
    void sent(int index, qint64 atMs);
    void received(const QByteArray& bytes, qint64 atMs);
    // After every start() that returned true, once; result() holds the outcome.
    void finished();

  private:
    bool program(const Rs232Line& line);
    void writeNext();
    void onBytesWritten(qint64 count);
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    void finish(SendResult::Outcome outcome, const QString& message = {});

    QSerialPort m_port;
    QTimer m_delay;
    QTimer m_listen;
    QTimer m_writeDeadline;
    QElapsedTimer m_clock;
    SendRequest m_request;
    SendResult m_result;
    bool m_running = false;
    qint64 m_sendEnd = 0; // bytes written when the current send is out
};

} // namespace qz
