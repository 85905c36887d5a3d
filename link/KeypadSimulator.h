#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

namespace qz {

// How the simulated keypad behaves; the defaults answer everything at once and correctly.
struct SimulatorOptions {
    QByteArray irCode; // 99 bytes carried by the learn reply (default: a fixed pattern)
    int baud = 0; // 0 = instant; otherwise pace every byte written as on a wire at this rate (10
                  // bits a byte)
    int silentAfter = -1;  // answer nothing after this many frames (0 = never answer anything)
    bool oneClear = false; // answer the erase frame with only one "CLRE" reply
    int splitPieces =
        1; // write each reply in this many pieces, with small gaps (< 50 ms) between them
    int replyDelayMs = 0; // wait this long before each reply
    QByteArray noise;     // bytes written before each reply
    bool badLearnChecksum = false;
    int hangUpAfter = -1; // close the pty master (like an unplugged cable) after this many frames
    QString logPath;      // append every received frame to this file, one per line
};

// A keypad on the far end of a pseudo-terminal: the client opens devicePath() like any serial
// port. Everything runs in the event loop of the thread that calls start(), so a test can run the
// simulator and the client in one thread.
class KeypadSimulator : public QObject {
    Q_OBJECT
  public:
    explicit KeypadSimulator(SimulatorOptions options = {}, QObject* parent = nullptr);
    ~KeypadSimulator() override;
    bool start(QString* error); // opens the pty (posix_openpt, raw mode), starts answering in this
                                // thread's event loop (QSocketNotifier)
    QString devicePath() const; // the slave path to open with QSerialPort
    QList<QByteArray> receivedFrames() const;
    void hangUp(); // close the master now

    // The 99 code bytes a learn reply carries when no code is given.
    static QByteArray defaultIrCode();

  signals:
    void frameReceived(const QByteArray& frame);

  private:
    struct Chunk {
        QByteArray bytes;
        int gapAfterMs = 0; // pause before the next chunk (split replies, second "CLRE")
    };

    void onReadable();
    void takeBytes(const QByteArray& bytes);
    void handleFrame(const QByteArray& frame);
    void queueReply(const QByteArray& reply, int gapAfterMs);
    void pump();
    void writeNow(const QByteArray& bytes);
    void logFrame(const QByteArray& frame);
    QByteArray learnReply() const;

    SimulatorOptions m_options;
    int m_master = -1;
    QString m_devicePath;
    QSocketNotifier* m_readNotifier = nullptr;
    QTimer* m_inputTimer = nullptr;  // releases paced input
    QTimer* m_outputTimer = nullptr; // drives delays, gaps and paced output
    QByteArray m_pendingInput;       // read from the pty, not yet "arrived" at wire pace
    QByteArray m_assembly;           // bytes of the frame being assembled
    QList<Chunk> m_outQueue;
    QList<QByteArray> m_frames;
    qint64 m_inputClockStart = 0;
    qint64 m_inputBytesReleased = 0;
};

} // namespace qz
