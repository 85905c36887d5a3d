#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class QFile;
class QSocketNotifier;
class QTimer;

namespace qz {

// How the simulated keypad behaves; the defaults answer every frame at once and correctly.
// Frames are counted from 1 in the order they arrive.
struct SimulatorOptions {
    // Code bytes carried by the learn reply, normally 99 (empty: defaultIrCode()). Another length
    // gives a learn reply of that size, for clients that must refuse a short one.
    QByteArray irCode;
    // 0 = instant; otherwise pace every byte written as on a wire at this rate (10 bits a byte).
    // Bytes the client sends also arrive at this pace.
    int baud = 0;
    // Answer nothing after this many frames (0 = never answer anything, -1 = always answer).
    int silentAfter = -1;
    // Answer the erase frame with only one "CLRE" reply.
    bool oneClear = false;
    // Write each reply in this many pieces, with small gaps (< 50 ms) between them.
    int splitPieces = 1;
    // Wait this long before each reply.
    int replyDelayMs = 0;
    // Bytes written before each reply.
    QByteArray noise;
    // Send the learn reply with a wrong checksum.
    bool badLearnChecksum = false;
    // Close the pty master (like an unplugged cable) after this many frames: the next frame is
    // recorded but not answered, and the line drops.
    int hangUpAfter = -1;
    // Append every received frame to this file, one per line.
    QString logPath;
};

// A keypad on the far end of a pseudo-terminal: the client opens devicePath() like any serial
// port. Everything runs in the event loop of the thread that calls start(), so a test can run the
// simulator and the client in one thread.
//
// Answers: the connect frame with "KVQ000602CONE87ENND", the erase frame with two
// "KVQ000681CLRE8FENND" replies a little apart (the client counts them), the learn request with a
// learned-code frame, anything else with a short acknowledgement frame (code echoed, "ACKN").
class KeypadSimulator : public QObject {
    Q_OBJECT
  public:
    explicit KeypadSimulator(SimulatorOptions options = {}, QObject* parent = nullptr);
    ~KeypadSimulator() override;
    // Opens the pty (posix_openpt, raw mode), starts answering in this thread's event loop
    // (QSocketNotifier). Only once per simulator.
    bool start(QString* error);
    // The slave path to open with QSerialPort.
    QString devicePath() const;
    QList<QByteArray> receivedFrames() const;
    // Close the master now; the client's reads and writes fail from then on.
    void hangUp();
    bool isHungUp() const;

    // The 99 code bytes a learn reply carries when no code is given.
    static QByteArray defaultIrCode();
    // Largest code the learn reply can carry within one frame.
    static constexpr int kMaxIrCodeBytes = 2025;
    // Silence after which a partly received frame is thrown away.
    static constexpr int kStaleInputMs = 300;
    // Pause between pieces of one reply (well below the 50 ms that ends a reply) and between two
    // replies (well above it).
    static constexpr int kPieceGapMs = 10;
    static constexpr int kReplyGapMs = 80;

  Q_SIGNALS:
    void frameReceived(const QByteArray& frame);
    // The line dropped (hangUp(), or hangUpAfter reached).
    void hungUp();

  private:
    struct Chunk {
        QByteArray bytes;
        int delayBeforeMs = 0;
    };

    void onReadable();
    void releaseInput();
    void takeBytes(const QByteArray& bytes);
    void handleFrame(const QByteArray& frame);
    void queueReply(const QByteArray& reply, int delayBeforeMs);
    void pump();
    void closeFds();
    QByteArray learnReply() const;
    qint64 byteTimeNs() const;

    SimulatorOptions m_options;
    int m_master = -1;
    int m_slave = -1; // held open so the master never sees a hang-up between clients
    bool m_started = false;
    QString m_devicePath;
    QFile* m_log = nullptr;
    QSocketNotifier* m_readNotifier = nullptr;
    QTimer* m_inputTimer = nullptr;  // releases paced input
    QTimer* m_staleTimer = nullptr;  // drops a partial frame after silence
    QTimer* m_outputTimer = nullptr; // delays, gaps and paced output
    QElapsedTimer m_clock;
    QByteArray m_pendingInput; // read from the pty, not yet arrived at wire pace
    qint64 m_inputStartNs = -1;
    qint64 m_inputReleased = 0;
    QByteArray m_assembly; // bytes of the frame being assembled
    QList<Chunk> m_outQueue;
    bool m_headDelayServed = false;
    qint64 m_headStartNs = -1;
    int m_headWritten = 0;
    QList<QByteArray> m_frames;
};

} // namespace qz
