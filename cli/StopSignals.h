#pragma once
// SIGINT, SIGTERM and SIGHUP as events of the Qt event loop, for the qzctl commands that run one.
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <functional>
#include <iterator>
#include <memory>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qzctl {

#ifdef Q_OS_UNIX
// The write end of the self-pipe. A signal handler can reach nothing else, so this one value is
// shared; it is set while a SignalWatch exists and -1 otherwise.
inline volatile sig_atomic_t g_signalPipe = -1;

inline void OnStopSignal(int signo) {
    // Only async-signal-safe work: one write of the signal number; errno is kept for the code
    // that was interrupted.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signo);
    if (g_signalPipe >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(g_signalPipe, &byte, 1);
    }
    errno = savedErrno;
}
#endif

// SIGINT, SIGTERM and SIGHUP as an event of the loop: the handler writes the signal's number to a
// pipe that a QSocketNotifier reads, so that the command ends its work in order (and tells what
// the keypad may now hold) instead of dying in the middle of a frame. After the first signal the
// usual dispositions return: a second one ends the program at once.
class SignalWatch {
  public:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    // `onSignal` runs in the event loop when the first signal arrives.
    explicit SignalWatch(std::function<void()> onSignal = {}) : m_onSignal(std::move(onSignal)) {
#ifdef Q_OS_UNIX
        if (::pipe(m_pipe) != 0) {
            return;
        }
        for (int fd : m_pipe) {
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
        g_signalPipe = m_pipe[1];
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            ::sigaction(kSignals[i], &action, &m_old[i]);
        }
        m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
            unsigned char byte = 0;
            while (::read(m_pipe[0], &byte, 1) == 1) {
                if (m_signal == 0) {
                    m_signal = byte;
                }
            }
            restore();
            if (m_onSignal && m_signal != 0) {
                m_onSignal();
            }
        });
#endif
    }
    ~SignalWatch() {
#ifdef Q_OS_UNIX
        restore();
        m_notifier.reset();
        g_signalPipe = -1;
        for (int fd : m_pipe) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
#endif
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    // The first signal received, 0 while none came.
    int received() const {
        return m_signal;
    }
    // The exit status of a program ended by that signal, as a shell reports it.
    int exitStatus() const {
        return 128 + m_signal;
    }
    const char* name() const {
        switch (m_signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "a signal";
        }
    }

  private:
    void restore() {
#ifdef Q_OS_UNIX
        if (m_restored || m_pipe[1] < 0) {
            return;
        }
        m_restored = true;
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            ::sigaction(kSignals[i], &m_old[i], nullptr);
        }
#endif
    }

    std::function<void()> m_onSignal;
    int m_signal = 0;
#ifdef Q_OS_UNIX
    int m_pipe[2] = {-1, -1};
    struct sigaction m_old[std::size(kSignals)]{};
    bool m_restored = false;
#endif
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace qzctl
