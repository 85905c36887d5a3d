#pragma once
// Shared by the device-link tests: running the event loop until something happened, and
// recording what the link said.
#include <gtest/gtest.h>

#include "link/EventLoop.h"
#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

#include "link/DeviceLink.h"
#include "link/KeypadSimulator.h"

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

} // namespace qz::test

#define QZ_QT_TEST_MAIN                                                                            \
    int main(int argc, char** argv) {                                                              \
        QCoreApplication app(argc, argv);                                                          \
        testing::InitGoogleTest(&argc, argv);                                                      \
        return RUN_ALL_TESTS();                                                                    \
    }
