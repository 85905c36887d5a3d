#pragma once
// A pseudo-terminal pair standing for the device at the other end of a serial cable: the code
// under test opens slavePath() as its port; the test reads what arrived on the master and
// writes the device's answers to it.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace qz::test {

class PtyPair {
  public:
    PtyPair() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            ADD_FAILURE() << "posix_openpt: " << std::strerror(errno);
            return;
        }
        m_slavePath = QString::fromLocal8Bit(::ptsname(m_master));
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        // Raw, so that no byte is translated or echoed; a descriptor is kept open on the slave
        // so that the line stays up between the opens of the code under test.
        m_slave = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        if (m_slave < 0 || ::tcgetattr(m_slave, &tio) != 0) {
            ADD_FAILURE() << "pty slave: " << std::strerror(errno);
            return;
        }
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readMaster(); });
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    QString slavePath() const { return m_slavePath; }
    // Every byte that arrived from the code under test.
    const QByteArray& received() const { return m_received; }
    // Called with each piece that arrives.
    void onReceived(std::function<void(const QByteArray&)> f) { m_onReceived = std::move(f); }
    void write(const QByteArray& bytes) {
        ASSERT_EQ(::write(m_master, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    // As an unplugged cable: the line drops for every opener of the slave.
    void hangUp() {
        m_notifier.reset();
        for (int* fd : {&m_master, &m_slave}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
    }

  private:
    void readMaster() {
        char chunk[4096];
        ssize_t n = 0;
        while ((n = ::read(m_master, chunk, sizeof chunk)) > 0) {
            const QByteArray piece(chunk, int(n));
            m_received += piece;
            if (m_onReceived) {
                m_onReceived(piece);
            }
        }
        if (n == 0 || (n < 0 && errno == EIO)) {
            m_notifier->setEnabled(false);
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_received;
    std::function<void(const QByteArray&)> m_onReceived;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace qz::test
