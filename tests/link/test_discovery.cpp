// Port discovery and the port watcher, from a fake sysfs tree laid out like the kernel's:
// class/tty/<name> -> devices/..., <device>/driver -> bus/.../drivers/<driver>.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "link/PortDiscovery.h"

using qz::PortDiscovery;
using qz::PortWatcher;
using qz::SerialPortEntry;

namespace {

class FakeSysfs {
  public:
    FakeSysfs() { EXPECT_TRUE(m_dir.isValid()); }

    QString root() const { return m_dir.path(); }

    // A tty with a device bound to `driver`; an empty driver gives a virtual tty (no device);
    // "-" a device without a driver.
    void addPort(const QString& name, const QString& driver) {
        const QString devices = root() + "/devices/pci0000:00/usb1/1-1/" + name;
        QDir().mkpath(devices + "/tty/" + name);
        QDir().mkpath(root() + "/class/tty");
        // class/tty entries are links into devices/, as in the kernel.
        ASSERT_TRUE(QFile::link(devices + "/tty/" + name, root() + "/class/tty/" + name));
        if (driver.isEmpty()) {
            return;
        }
        ASSERT_TRUE(QFile::link(devices, devices + "/tty/" + name + "/device"));
        if (driver == "-") {
            return;
        }
        const QString drivers = root() + "/bus/usb/drivers/" + driver;
        QDir().mkpath(drivers);
        ASSERT_TRUE(QFile::link(drivers, devices + "/driver"));
    }

    // A driver link that leads nowhere, though its name is right.
    void addDanglingCdcAcm(const QString& name) {
        addPort(name, "-");
        const QString devices = root() + "/devices/pci0000:00/usb1/1-1/" + name;
        ASSERT_TRUE(QFile::link(root() + "/nowhere/cdc_acm", devices + "/driver"));
    }

    void removePort(const QString& name) {
        QFile::remove(root() + "/class/tty/" + name);
        QDir(root() + "/devices/pci0000:00/usb1/1-1/" + name).removeRecursively();
    }

    PortDiscovery discovery() const {
        const QString r = root();
        return PortDiscovery(r, [r] { return qz::ListSysfsPorts(r); });
    }

  private:
    QTemporaryDir m_dir;
};

QStringList Names(const QList<SerialPortEntry>& entries) {
    QStringList names;
    for (const auto& e : entries) {
        names.append(e.name);
    }
    return names;
}

TEST(PortDiscovery, MarksUsbCdcAcmPortsAsCandidatesInNaturalOrder) {
    struct Case {
        const char* what;
        QList<QPair<QString, QString>> ports; // name, driver
        QStringList all;
        QStringList candidates;
    };
    const Case cases[] = {
        {"two candidates among other serial ports",
         {{"ttyS0", "serial8250"},
          {"ttyACM1", "cdc_acm"},
          {"ttyUSB0", "ftdi_sio"},
          {"ttyACM0", "cdc_acm"}},
         {"ttyACM0", "ttyACM1", "ttyS0", "ttyUSB0"},
         {"ttyACM0", "ttyACM1"}},
        {"none", {{"ttyS0", "serial8250"}, {"ttyUSB0", "ftdi_sio"}}, {"ttyS0", "ttyUSB0"}, {}},
        {"names of two digits sort after one digit",
         {{"ttyACM10", "cdc_acm"}, {"ttyACM2", "cdc_acm"}, {"ttyACM1", "-"}},
         {"ttyACM1", "ttyACM2", "ttyACM10"},
         {"ttyACM2", "ttyACM10"}},
        {"virtual ttys are no serial ports",
         {{"tty0", ""}, {"console", ""}, {"ttyACM0", "cdc_acm"}},
         {"ttyACM0"},
         {"ttyACM0"}},
        {"empty tree", {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSysfs sysfs;
        for (const auto& [name, driver] : c.ports) {
            sysfs.addPort(name, driver);
        }
        const PortDiscovery discovery = sysfs.discovery();
        const QList<SerialPortEntry> ports = discovery.ports();
        EXPECT_EQ(Names(ports), c.all);
        EXPECT_EQ(Names(discovery.candidates()), c.candidates);
        for (const auto& e : ports) {
            EXPECT_EQ(e.keypadCandidate, c.candidates.contains(e.name)) << e.name.toStdString();
            EXPECT_EQ(e.systemLocation, "/dev/" + e.name);
        }
    }
}

TEST(PortDiscovery, CandidateNeedsARealCdcAcmDriverLink) {
    FakeSysfs sysfs;
    sysfs.addDanglingCdcAcm("ttyACM0");
    sysfs.addPort("ttyACM1", "cdc_acm");
    // A directory that is merely called "driver", not a link to the bound driver.
    sysfs.addPort("ttyACM2", "-");
    QDir().mkpath(sysfs.root() + "/class/tty/ttyACM2/device/driver/cdc_acm");

    const PortDiscovery discovery = sysfs.discovery();
    EXPECT_FALSE(discovery.isCandidate("ttyACM0"));
    EXPECT_TRUE(discovery.isCandidate("ttyACM1"));
    EXPECT_FALSE(discovery.isCandidate("ttyACM2"));
    // Names a lister may report but that must not reach outside class/tty.
    for (const char* odd : {"", ".", "..", "../tty/ttyACM1", "ttyACM1/..", "nonexistent"}) {
        EXPECT_FALSE(discovery.isCandidate(odd)) << odd;
    }
}

TEST(PortDiscovery, InjectedListerIsMarkedFromTheGivenTree) {
    FakeSysfs sysfs;
    sysfs.addPort("ttyACM3", "cdc_acm");
    // The lister knows ports the tree does not describe; only the tree decides candidates.
    const PortDiscovery discovery(sysfs.root(), [] {
        // ttyS1 even claims to be a USB candidate.
        return QList<SerialPortEntry>{{"ttyS1", "/dev/ttyS1", "16550A", "", true, true},
                                      {"ttyACM3", "/dev/ttyACM3", "Keypad", "Maker", false, false}};
    });
    const auto ports = discovery.ports();
    ASSERT_EQ(Names(ports), (QStringList{"ttyACM3", "ttyS1"}));
    EXPECT_TRUE(ports[0].keypadCandidate);
    EXPECT_EQ(ports[0].description, "Keypad");
    EXPECT_FALSE(ports[1].keypadCandidate);
}

// Where there is no sysfs tree (another system, a root that is not there or holds no class/tty),
// the system's port list decides: USB ports named as communications-class ports.
TEST(PortDiscovery, WithoutSysfsTheSystemListDecides) {
    const QList<SerialPortEntry> listed{
        {"ttyACM0", "/dev/ttyACM0", "Keypad", "Maker", true, false},
        {"ttyACM1", "/dev/ttyACM1", "", "", false, false}, // no USB vendor reported
        {"ttyS0", "/dev/ttyS0", "16550A", "", false, false},
        {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", true, false},
        {"cu.usbmodem1421", "/dev/cu.usbmodem1421", "Keypad", "", true, false},
        {"COM3", "COM3", "USB Serial Device (COM3)", "Microsoft", true, false},
    };
    const QStringList expected{"COM3", "cu.usbmodem1421", "ttyACM0"};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(dir.filePath("empty")));
    for (const QString& root : {dir.filePath("absent"), dir.filePath("empty"), QString()}) {
        const PortDiscovery discovery(root, [&] { return listed; });
        EXPECT_FALSE(discovery.hasSysfs()) << root.toStdString();
        EXPECT_EQ(Names(discovery.candidates()), expected) << root.toStdString();
    }
    // With a tree, the tree alone decides: ttyACM0 has no driver link there.
    FakeSysfs sysfs;
    sysfs.addPort("ttyACM0", "-");
    const PortDiscovery discovery(sysfs.root(), [&] { return listed; });
    EXPECT_TRUE(discovery.hasSysfs());
    EXPECT_TRUE(discovery.candidates().isEmpty());
}

TEST(PortDiscovery, NaturalNameOrder) {
    const std::vector<std::pair<const char*, const char*>> ascending = {
        {"ttyACM2", "ttyACM10"}, {"ttyACM9", "ttyACM10"}, {"ttyACM0", "ttyS0"},
        {"ttyS", "ttyS0"},       {"ttyACM01", "ttyACM1"}, {"rfcomm0", "ttyACM0"},
    };
    for (const auto& [a, b] : ascending) {
        EXPECT_TRUE(PortDiscovery::NameLess(a, b)) << a << " < " << b;
        EXPECT_FALSE(PortDiscovery::NameLess(b, a)) << b << " < " << a;
    }
    EXPECT_FALSE(PortDiscovery::NameLess("ttyACM1", "ttyACM1"));
}

class PortWatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        watcher = std::make_unique<PortWatcher>(sysfs.discovery());
        added = std::make_unique<QSignalSpy>(watcher.get(), &PortWatcher::portAdded);
        removed = std::make_unique<QSignalSpy>(watcher.get(), &PortWatcher::portRemoved);
        changed = std::make_unique<QSignalSpy>(watcher.get(), &PortWatcher::portsChanged);
    }
    static QStringList Args(const QSignalSpy& spy) {
        QStringList out;
        for (const auto& call : spy) {
            out.append(call.at(0).toString());
        }
        return out;
    }
    void Clear() {
        added->clear();
        removed->clear();
        changed->clear();
    }

    FakeSysfs sysfs;
    std::unique_ptr<PortWatcher> watcher;
    std::unique_ptr<QSignalSpy> added, removed, changed;
};

TEST_F(PortWatcherTest, ReportsArrivalAndRemovalByName) {
    sysfs.addPort("ttyS0", "serial8250");
    watcher->start();
    EXPECT_EQ(watcher->interval(), PortWatcher::kDefaultIntervalMs);
    EXPECT_EQ(watcher->portNames(), QStringList{"ttyS0"});
    EXPECT_FALSE(watcher->candidatePresent());
    watcher->poll();
    EXPECT_EQ(changed->size(), 0) << "nothing changed, nothing reported";

    // The keypad arrives.
    sysfs.addPort("ttyACM0", "cdc_acm");
    watcher->poll();
    EXPECT_EQ(Args(*added), QStringList{"ttyACM0"});
    EXPECT_TRUE(removed->isEmpty());
    EXPECT_EQ(changed->size(), 1);
    EXPECT_TRUE(watcher->candidatePresent());

    // An unrelated adapter comes and goes: the keypad's port is never reported removed.
    Clear();
    sysfs.addPort("ttyUSB0", "ftdi_sio");
    watcher->poll();
    sysfs.removePort("ttyUSB0");
    watcher->poll();
    EXPECT_EQ(Args(*added), QStringList{"ttyUSB0"});
    EXPECT_EQ(Args(*removed), QStringList{"ttyUSB0"});
    EXPECT_EQ(changed->size(), 2);

    // The keypad is unplugged while another port arrives in the same second.
    Clear();
    sysfs.removePort("ttyACM0");
    sysfs.addPort("ttyACM1", "cdc_acm");
    watcher->poll();
    EXPECT_EQ(Args(*removed), QStringList{"ttyACM0"});
    EXPECT_EQ(Args(*added), QStringList{"ttyACM1"});
    EXPECT_EQ(changed->size(), 1);
    EXPECT_EQ(watcher->portNames(), (QStringList{"ttyACM1", "ttyS0"}));

    // Everything gone.
    Clear();
    sysfs.removePort("ttyACM1");
    sysfs.removePort("ttyS0");
    watcher->poll();
    EXPECT_EQ(Args(*removed), (QStringList{"ttyACM1", "ttyS0"}));
    EXPECT_FALSE(watcher->candidatePresent());
}

TEST_F(PortWatcherTest, ADriverBindingLateChangesTheCandidateMark) {
    sysfs.addPort("ttyACM0", "-");
    watcher->start();
    EXPECT_FALSE(watcher->candidatePresent());
    QFile::link(sysfs.root() + "/bus/usb/drivers/cdc_acm",
                sysfs.root() + "/devices/pci0000:00/usb1/1-1/ttyACM0/driver");
    QDir().mkpath(sysfs.root() + "/bus/usb/drivers/cdc_acm");
    watcher->poll();
    EXPECT_TRUE(added->isEmpty());
    EXPECT_TRUE(removed->isEmpty());
    EXPECT_EQ(changed->size(), 1);
    EXPECT_TRUE(watcher->candidatePresent());
}

TEST_F(PortWatcherTest, PollsOnItsOwn) {
    watcher->setInterval(20);
    watcher->start();
    EXPECT_TRUE(watcher->isActive());
    sysfs.addPort("ttyACM0", "cdc_acm");
    ASSERT_TRUE(added->wait(2000));
    EXPECT_EQ(Args(*added), QStringList{"ttyACM0"});
    watcher->stop();
    sysfs.removePort("ttyACM0");
    EXPECT_FALSE(removed->wait(100));
}

TEST(QzctlPorts, ListsPortsWithKeypadCandidatesMarked) {
    const QString qzctl = QStringLiteral(QZ_BINARY_DIR "/cli/qzctl");
    if (!QFile::exists(qzctl)) {
        GTEST_SKIP() << "qzctl not built";
    }
    FakeSysfs sysfs;
    sysfs.addPort("ttyS0", "serial8250");
    sysfs.addPort("ttyACM10", "cdc_acm");
    sysfs.addPort("ttyACM0", "cdc_acm");
    QProcess p;
    p.start(qzctl, {"ports", "--sysfs", sysfs.root()});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(),
              "/dev/ttyACM0\tkeypad\t\n/dev/ttyACM10\tkeypad\t\n/dev/ttyS0\t-\t\n");

    // A root without class/tty: the system's own list, as "qzctl ports" gives it without --sysfs.
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    p.start(qzctl, {"ports", "--sysfs", empty.filePath("absent")});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    QByteArray expected;
    const PortDiscovery system(empty.filePath("absent"));
    for (const SerialPortEntry& e : system.ports()) {
        expected += e.systemLocation.toLocal8Bit() + (e.keypadCandidate ? "\tkeypad\t" : "\t-\t");
    }
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    QByteArray got;
    for (const QByteArray& line : lines) {
        if (!line.isEmpty()) {
            got += line.left(line.lastIndexOf('\t') + 1); // descriptions aside
        }
    }
    EXPECT_EQ(got, expected);

    for (const QStringList& bad : {QStringList{"ports", "--sysfs"}, QStringList{"ports", "--x"}}) {
        p.start(qzctl, bad);
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitCode(), 2);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
