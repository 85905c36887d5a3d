#pragma once
// Shared by the device-link tests: running the event loop until something happened, and
// recording what the link said.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

#include "link/DeviceLink.h"
#include "link/EventLoop.h"
#include "link/KeypadSimulator.h"
#include "link/PortDiscovery.h"

namespace qz::test {

// Generous: the suites run in parallel under sanitizers on a shared machine.
constexpr int kWaitMs = 5000;

inline bool WaitFor(const std::function<bool()>& done, int ms = kWaitMs) {
    return qz::RunEventsUntil(done, ms);
}

// Every message(text, detail) of an object, in order.
struct Messages {
    QList<std::pair<QString, QString>> all;
    template <class Sender> void watch(Sender* sender) {
        QObject::connect(sender, &Sender::message,
                         [this](const QString& text, const QString& detail) {
                             all.append({text, detail});
                         });
    }
    QStringList texts() const {
        QStringList t;
        for (const auto& m : all) {
            t << m.first;
        }
        return t;
    }
};

// Time-outs shortened for tests, still long against the simulator's instant answers.
inline void ShortenTimers(DeviceLink& link) {
    link.setHandshakeTimeoutMs(1000);
    link.setEraseTickMs(30);
    link.setClearTimeoutMs(1000);
    link.setLearnSilenceMs(200);
    link.transport().setReopenDelayMs(0);
}

// Starts a simulator; the test fails when it cannot.
inline bool StartSimulator(KeypadSimulator& sim) {
    QString error;
    const bool ok = sim.start(&error);
    if (!ok) {
        ADD_FAILURE() << "simulator: " << error.toStdString();
    }
    return ok;
}

// Simulator behaviours that several suites drive the link into.
inline SimulatorOptions OneClear() {
    SimulatorOptions o;
    o.oneClear = true;
    return o;
}
inline SimulatorOptions SilentAfterHandshake() {
    SimulatorOptions o;
    o.silentAfter = 1;
    return o;
}
inline SimulatorOptions Delayed(int ms) {
    SimulatorOptions o;
    o.replyDelayMs = ms;
    return o;
}

// Opens the simulator's port and completes the handshake.
inline bool Connect(DeviceLink& link, KeypadSimulator& sim) {
    bool finished = false;
    bool success = false;
    auto c = QObject::connect(&link, &DeviceLink::handshakeFinished, [&](bool ok) {
        finished = true;
        success = ok;
    });
    const bool started = link.connectToKeypad({sim.devicePath()});
    const bool done = started && WaitFor([&] { return finished; });
    QObject::disconnect(c);
    return done && success;
}

// A port list under the test's control; keypad candidates get a cdc_acm driver link in a small
// sysfs tree so that discovery marks them as it would real ones.
class FakePorts {
  public:
    FakePorts() { EXPECT_TRUE(m_root.isValid()); }
    void add(const QString& name, const QString& location, bool keypad) {
        const QString device = m_root.filePath(QStringLiteral("class/tty/%1/device").arg(name));
        QDir().mkpath(device);
        const QString driver = m_root.filePath(keypad ? QStringLiteral("drivers/cdc_acm")
                                                      : QStringLiteral("drivers/ftdi_sio"));
        QDir().mkpath(driver);
        QFile::link(driver, device + QStringLiteral("/driver"));
        SerialPortEntry e;
        e.name = name;
        e.systemLocation = location;
        m_ports.append(e);
    }
    void remove(const QString& name) {
        m_ports.removeIf([&](const SerialPortEntry& e) { return e.name == name; });
    }
    PortDiscovery discovery() {
        QDir().mkpath(m_root.filePath(QStringLiteral("class/tty")));
        return PortDiscovery(m_root.path(), [this] { return m_ports; });
    }

  private:
    QTemporaryDir m_root;
    QList<SerialPortEntry> m_ports;
};

} // namespace qz::test

#define QZ_QT_TEST_MAIN                                                                            \
    int main(int argc, char** argv) {                                                              \
        QCoreApplication app(argc, argv);                                                          \
        testing::InitGoogleTest(&argc, argv);                                                      \
        return RUN_ALL_TESTS();                                                                    \
    }
