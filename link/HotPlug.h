#pragma once
#include <QStringList>

namespace qz {

class DeviceLink;
class PortDiscovery;
class PortWatcher;

// Keeps a link in step with the serial-port list: the status follows whether a keypad port is
// present, and the connection is dropped only when its own port leaves the list (plugging or
// pulling any other device changes nothing else).
void FollowPortList(PortWatcher& watcher, DeviceLink& link);

// The device paths of the keypad candidates, in the order "USB" tries them.
QStringList KeypadCandidatePaths(const PortDiscovery& discovery);

} // namespace qz
