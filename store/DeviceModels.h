#pragma once
// The device models and the rules by which a model and its port mode refuse action ports. The
// key counts and kinds per model are in model/Configuration.h.
namespace qz {

struct DeviceModelInfo {
    int model;
    const char* menuEntry; // the model's entry in the "System" menu; null when it has none
    bool portBoxShown;     // the "Enable RS232/IR" box; hidden models always use port mode 0
};

// The entry of a known model (0, 1, 2), else null.
const DeviceModelInfo* FindDeviceModel(int model);

// Messages of the port and model rules; "\r" separates their two lines.
inline constexpr char kPort1Refused[] = "Port1 is unavailable in this setting,\rplease select port "
                                        "2 or 3";
inline constexpr char kPort2Refused[] = "Port2 is unavailable in this setting,\rplease select port "
                                        "1 or 3";
inline constexpr char kPorts12Refused[] = "Port1 and port2 are unavailable in this "
                                          "setting,\rplease select port3";
inline constexpr char kPorts23Refused[] = "Port2 and port3 are unavailable in this "
                                          "setting,\rplease select port1";
inline constexpr char kPort3Refused[] = "Port3 is unavailable in this setting,\rplease select port "
                                        "1 or 2";
inline constexpr char kPort1RefusedOther[] = "Port1 is unavailable in this setting,\rplease select "
                                             "other port.";
inline constexpr char kRelayPort3Refused[] = "the type of the machine only suppotr port 1 and "
                                             "2,\rplease select port 1 or 2";
inline constexpr char kIoUnavailable[] = "I/O is unavailable in this model.";

// Whether the model refuses an action of this type (kActionUart, kActionIr, kActionGpio,
// kActionRelay, kActionCompare; every other type passes) on this port (0, 1, 2 for Port 1..3)
// in this port mode: the message to show, or null when it is accepted. Model 2 accepts
// everything, and so does a port mode outside 0..3 (I/O and relay rules excepted).
const char* PortRefusal(int deviceModel, int portMode, int actionType, int port);

} // namespace qz
