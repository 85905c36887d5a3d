#pragma once
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QTimer;

namespace qz {

// One serial port as the system lists it.
struct SerialPortEntry {
    QString name;           // "ttyACM0"
    QString systemLocation; // "/dev/ttyACM0": what to open
    QString description;
    QString manufacturer;
    bool usb = false;             // the system reports a USB vendor for it
    bool keypadCandidate = false; // a USB CDC-ACM port, where the keypad shows up
};

// Without a sysfs tree to read the driver from: a USB port that the system names as a
// communications-class port ("ttyACM*" on Linux, "cu.usbmodem*" on macOS, "USB Serial Device",
// the name Windows gives the ports of its usbser driver).
bool LooksLikeCdcAcm(const SerialPortEntry& entry);

// Lists the serial ports (names, locations, descriptions; candidates are marked afterwards).
using PortLister = std::function<QList<SerialPortEntry>()>;

// The system's serial ports, as QSerialPortInfo finds them.
QList<SerialPortEntry> ListSystemPorts();
// The serial ports under <sysfsRoot>/class/tty: every entry with a "device" link (virtual
// consoles have none). Lets tests work from a fake tree alone.
QList<SerialPortEntry> ListSysfsPorts(const QString& sysfsRoot);
// ListSysfsPorts() where <sysfsRoot>/class/tty is there, ListSystemPorts() where it is not.
QList<SerialPortEntry> ListSysfsOrSystemPorts(const QString& sysfsRoot);

// Finds the keypad's port: lists the serial ports and marks the USB CDC-ACM ones, where
// <sysfsRoot>/class/tty/<name>/device/driver leads to a directory named "cdc_acm". Where there is
// no <sysfsRoot>/class/tty (another system, or a root that is not there), the marks come from
// what the lister reports instead (LooksLikeCdcAcm).
class PortDiscovery {
  public:
    explicit PortDiscovery(QString sysfsRoot = QStringLiteral("/sys"), PortLister lister = {});

    // Every serial port, candidates marked, in natural name order ("ttyACM2" before
    // "ttyACM10"). The keypad candidates are tried in this order; the first that opens is used.
    QList<SerialPortEntry> ports() const;
    QList<SerialPortEntry> candidates() const;
    // By the sysfs driver link; false for every name when there is no sysfs tree.
    bool isCandidate(const QString& portName) const;
    // Whether <sysfsRoot>/class/tty is there to read drivers from.
    bool hasSysfs() const;

    const QString& sysfsRoot() const { return m_sysfsRoot; }

    // Natural order of port names: the number at the end counts as a number.
    static bool NameLess(const QString& a, const QString& b);

  private:
    QString m_sysfsRoot;
    PortLister m_lister;
};

// Watches the serial-port list (polled, once a second by default) and reports what came and
// went, so that a connection is dropped only when its own port goes away.
class PortWatcher : public QObject {
    Q_OBJECT
  public:
    static constexpr int kDefaultIntervalMs = 1000;

    explicit PortWatcher(PortDiscovery discovery, QObject* parent = nullptr);

    void setInterval(int ms);
    int interval() const;
    // Takes the current list as the starting point (no signals for ports already there) and
    // polls from then on.
    void start();
    void stop();
    bool isActive() const;
    // Compares the list with the last one now and emits the differences.
    void poll();

    // The last list taken.
    QList<SerialPortEntry> ports() const { return m_ports; }
    QStringList portNames() const;
    // At least one keypad candidate is present (the status between "USB unconnect!" and
    // "Wait Connect").
    bool candidatePresent() const;
    const PortDiscovery& discovery() const { return m_discovery; }

  Q_SIGNALS:
    void portAdded(const QString& name);
    void portRemoved(const QString& name);
    // After the added/removed signals of one poll.
    void portsChanged();

  private:
    PortDiscovery m_discovery;
    QTimer* m_timer = nullptr;
    QList<SerialPortEntry> m_ports;
};

} // namespace qz
