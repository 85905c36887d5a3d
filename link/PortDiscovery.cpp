#include "PortDiscovery.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>
#include <QTimer>

#include <algorithm>

#include "LinkLogging.h"

namespace qz {

namespace {

// A port name as sysfs spells it is one path component; refuse anything that would leave
// class/tty (a lister is free to report odd names).
bool IsPlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/'));
}

// Splits "ttyACM10" into "ttyACM" and 10; a name without a trailing number gives -1.
std::pair<QString, qint64> SplitTrailingNumber(const QString& name) {
    int i = static_cast<int>(name.size());
    while (i > 0 && name.at(i - 1).isDigit()) {
        --i;
    }
    const QString digits = name.mid(i);
    // Eighteen digits still fit; longer runs compare as text.
    if (digits.isEmpty() || digits.size() > 18) {
        return {name, -1};
    }
    return {name.left(i), digits.toLongLong()};
}

// Whether there is a sysfs tree under `sysfsRoot` to read ports and drivers from.
bool HasTtyClass(const QString& sysfsRoot) {
    return !sysfsRoot.isEmpty() && QFileInfo(sysfsRoot + QLatin1String("/class/tty")).isDir();
}

} // namespace

QList<SerialPortEntry> ListSystemPorts() {
    QList<SerialPortEntry> out;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        SerialPortEntry e;
        e.name = info.portName();
        e.systemLocation = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.usb = info.hasVendorIdentifier();
        out.append(e);
    }
    return out;
}

QList<SerialPortEntry> ListSysfsPorts(const QString& sysfsRoot) {
    QList<SerialPortEntry> out;
    const QDir dir(sysfsRoot + QLatin1String("/class/tty"));
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (!QFileInfo::exists(dir.filePath(name) + QLatin1String("/device"))) {
            continue;
        }
        SerialPortEntry e;
        e.name = name;
        // sysfs writes a '/' of a device name as '!'.
        e.systemLocation =
            QLatin1String("/dev/") + QString(name).replace(QLatin1Char('!'), QLatin1Char('/'));
        out.append(e);
    }
    return out;
}

QList<SerialPortEntry> ListSysfsOrSystemPorts(const QString& sysfsRoot) {
    if (HasTtyClass(sysfsRoot)) {
        return ListSysfsPorts(sysfsRoot);
    }
    return ListSystemPorts();
}

bool LooksLikeCdcAcm(const SerialPortEntry& entry) {
    if (!entry.usb) {
        return false;
    }
    return entry.name.startsWith(QLatin1String("ttyACM")) ||
           entry.name.startsWith(QLatin1String("cu.usbmodem")) ||
           entry.description.contains(QLatin1String("USB Serial Device"), Qt::CaseInsensitive);
}

PortDiscovery::PortDiscovery(QString sysfsRoot, PortLister lister)
    : m_sysfsRoot(std::move(sysfsRoot)), m_lister(std::move(lister)) {
    if (!m_lister) {
        m_lister = ListSystemPorts;
    }
}

bool PortDiscovery::NameLess(const QString& a, const QString& b) {
    const auto [prefixA, numberA] = SplitTrailingNumber(a);
    const auto [prefixB, numberB] = SplitTrailingNumber(b);
    if (prefixA != prefixB) {
        return prefixA < prefixB;
    }
    if (numberA != numberB) {
        return numberA < numberB;
    }
    return a < b;
}

bool PortDiscovery::hasSysfs() const {
    return HasTtyClass(m_sysfsRoot);
}

bool PortDiscovery::isCandidate(const QString& portName) const {
    if (!IsPlainName(portName)) {
        return false;
    }
    const QFileInfo driver(m_sysfsRoot + QLatin1String("/class/tty/") + portName +
                           QLatin1String("/device/driver"));
    if (!driver.isSymLink()) {
        return false;
    }
    // The link must lead somewhere real, not merely carry the right name.
    const QFileInfo target(driver.canonicalFilePath());
    return target.isDir() && target.fileName() == QLatin1String("cdc_acm");
}

QList<SerialPortEntry> PortDiscovery::ports() const {
    QList<SerialPortEntry> list = m_lister();
    std::stable_sort(list.begin(), list.end(),
                     [](const SerialPortEntry& a, const SerialPortEntry& b) {
                         return NameLess(a.name, b.name);
                     });
    const bool sysfs = hasSysfs();
    for (SerialPortEntry& e : list) {
        e.keypadCandidate = sysfs ? isCandidate(e.name) : LooksLikeCdcAcm(e);
    }
    return list;
}

QList<SerialPortEntry> PortDiscovery::candidates() const {
    QList<SerialPortEntry> list = ports();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const SerialPortEntry& e) { return !e.keypadCandidate; }),
               list.end());
    return list;
}

PortWatcher::PortWatcher(PortDiscovery discovery, QObject* parent)
    : QObject(parent), m_discovery(std::move(discovery)), m_timer(new QTimer(this)) {
    m_timer->setInterval(kDefaultIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &PortWatcher::poll);
}

void PortWatcher::setInterval(int ms) {
    m_timer->setInterval(ms);
}

int PortWatcher::interval() const {
    return m_timer->interval();
}

void PortWatcher::start() {
    m_ports = m_discovery.ports();
    m_timer->start();
}

void PortWatcher::stop() {
    m_timer->stop();
}

bool PortWatcher::isActive() const {
    return m_timer->isActive();
}

QStringList PortWatcher::portNames() const {
    QStringList names;
    for (const SerialPortEntry& e : m_ports) {
        names.append(e.name);
    }
    return names;
}

bool PortWatcher::candidatePresent() const {
    return std::any_of(m_ports.begin(), m_ports.end(),
                       [](const SerialPortEntry& e) { return e.keypadCandidate; });
}

void PortWatcher::poll() {
    const QList<SerialPortEntry> now = m_discovery.ports();
    QSet<QString> before;
    for (const SerialPortEntry& e : m_ports) {
        before.insert(e.name);
    }
    QSet<QString> after;
    for (const SerialPortEntry& e : now) {
        after.insert(e.name);
    }
    QStringList removed;
    for (const SerialPortEntry& e : m_ports) {
        if (!after.contains(e.name)) {
            removed.append(e.name);
        }
    }
    QStringList added;
    for (const SerialPortEntry& e : now) {
        if (!before.contains(e.name)) {
            added.append(e.name);
        }
    }
    // A port that stays but changes its candidate mark (its driver bound late) changes the status.
    bool marksChanged = false;
    for (const SerialPortEntry& e : now) {
        for (const SerialPortEntry& old : m_ports) {
            if (old.name == e.name && old.keypadCandidate != e.keypadCandidate) {
                marksChanged = true;
            }
        }
    }
    m_ports = now;
    if (removed.isEmpty() && added.isEmpty() && !marksChanged) {
        return;
    }
    qCDebug(lcLink) << "serial ports: added" << added << "removed" << removed;
    for (const QString& name : removed) {
        Q_EMIT portRemoved(name);
    }
    for (const QString& name : added) {
        Q_EMIT portAdded(name);
    }
    Q_EMIT portsChanged();
}

} // namespace qz
