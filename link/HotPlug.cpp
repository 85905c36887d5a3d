#include "HotPlug.h"

#include "DeviceLink.h"
#include "PortDiscovery.h"

namespace qz {

void FollowPortList(PortWatcher& watcher, DeviceLink& link) {
    link.setPresenceProbe([&watcher] { return watcher.candidatePresent(); });
    QObject::connect(&watcher, &PortWatcher::portRemoved, &link,
                     [&link](const QString& name) { link.portRemoved(name); });
    QObject::connect(&watcher, &PortWatcher::portsChanged, &link,
                     [&watcher, &link] { link.setKeypadPortPresent(watcher.candidatePresent()); });
    link.setKeypadPortPresent(watcher.candidatePresent());
}

QStringList KeypadCandidatePaths(const PortDiscovery& discovery) {
    QStringList paths;
    for (const SerialPortEntry& entry : discovery.candidates()) {
        paths << entry.systemLocation;
    }
    return paths;
}

} // namespace qz
