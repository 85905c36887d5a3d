// The link follows the serial-port list: only the removal of its own port drops a connection.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "LinkTestSupport.h"
#include "link/HotPlug.h"
#include "link/PortDiscovery.h"

using namespace qz;

namespace {

TEST(HotPlug, OnlyTheConnectedPortsRemovalDropsTheConnection) {
    KeypadSimulator sim;
    ASSERT_TRUE(test::StartSimulator(sim));
    const QString simName = QFileInfo(sim.devicePath()).fileName();

    test::FakePorts ports;
    ports.add(QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0"), false);
    PortWatcher watcher(ports.discovery());
    watcher.start();
    DeviceLink link;
    test::ShortenTimers(link);
    FollowPortList(watcher, link);
    EXPECT_EQ(link.status(), LinkStatus::UsbUnconnect);
    EXPECT_TRUE(KeypadCandidatePaths(ports.discovery()).isEmpty());

    // The keypad appears (here: the simulator's port, marked like a USB CDC-ACM port).
    ports.add(simName, sim.devicePath(), true);
    watcher.poll();
    EXPECT_EQ(link.status(), LinkStatus::WaitConnect);
    EXPECT_EQ(KeypadCandidatePaths(ports.discovery()), QStringList{sim.devicePath()});

    ASSERT_TRUE(test::Connect(link, sim));
    EXPECT_EQ(link.status(), LinkStatus::ConnectSuccess);

    // Another USB serial device comes and goes: the connection stays.
    ports.add(QStringLiteral("ttyACM9"), QStringLiteral("/dev/ttyACM9"), true);
    watcher.poll();
    ports.remove(QStringLiteral("ttyACM9"));
    ports.remove(QStringLiteral("ttyS0"));
    watcher.poll();
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::ConnectSuccess);

    // The keypad's own port goes: closed, and the status says no keypad is there.
    QSignalSpy lost(&link, &DeviceLink::connectionLost);
    ports.remove(simName);
    watcher.poll();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.status(), LinkStatus::UsbUnconnect);
}

} // namespace

QZ_QT_TEST_MAIN
