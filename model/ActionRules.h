#pragma once
// The port and model rules: which ports the device model and the port mode leave to an action.
// They apply to device models 0 and 1 only; model 2 accepts every port and I/O actions. The
// messages are the ones the action pages show; "\r" (one carriage return) splits their lines.
#include <string>
#include <string_view>

namespace qz {

class CKvqEventStr;

inline constexpr char kRefusalPort1[] = // (A)
    "Port1 is unavailable in this setting,\rplease select port 2 or 3";
inline constexpr char kRefusalPort2[] = // (B)
    "Port2 is unavailable in this setting,\rplease select port 1 or 3";
inline constexpr char kRefusalPorts12[] = // (C)
    "Port1 and port2 are unavailable in this setting,\rplease select port3";
inline constexpr char kRefusalPorts23[] = // (D)
    "Port2 and port3 are unavailable in this setting,\rplease select port1";
inline constexpr char kRefusalPort3[] = // (E)
    "Port3 is unavailable in this setting,\rplease select port 1 or 2";
inline constexpr char kRefusalPort1Other[] = // (F)
    "Port1 is unavailable in this setting,\rplease select other port.";
inline constexpr char kRefusalRelayPort3[] = // (G)
    "the type of the machine only suppotr port 1 and 2,\rplease select port 1 or 2";
inline constexpr char kRefusalIo[] = "I/O is unavailable in this model."; // (H)

// The message refusing an action of this type code on this port (list position: 0, 1, 2 for
// Port 1..3), or null when it is allowed. RS232, IR and compare actions follow the port mode
// (0..3; any other refuses nothing); a relay is refused Port 3 whatever the port mode; an I/O
// action is refused whatever its port. A port outside 0..2 is none of the refused ones; other
// types are always allowed.
const char* RefusalForType(int typeCode, int port, int deviceModel, int portMode);
// The same by page index (0 RS232 .. 9 Toggle), as the action pages check before building.
const char* RefusalForPage(int pageIndex, int port, int deviceModel, int portMode);

// The port list position an action's port field stands for (its decimal number, an empty field
// reading as 0, as the encoder reads it); -1 for the types without a port.
int ActionPort(const CKvqEventStr& action);
// The refusal of a parsed action; null when allowed or when it did not parse.
const char* RefusalForAction(const CKvqEventStr& action, int deviceModel, int portMode);
// The refusal of an action text, or an empty string when it is allowed. A text that does not
// parse is no matter of these rules: it gives an empty string too.
std::string ActionRefusal(const std::string& actionText, int deviceModel, int portMode);

// What is shown below a refusal (A) to (H): where the port mode is changed (the model's entry in
// the "System" menu) and what the current model and port mode allow, one "\r" a line.
std::string RefusalHint(int deviceModel, int portMode);
// The refusal as it is shown: its exact text first, the hint below it. Empty stays empty.
std::string ExplainedRefusal(std::string_view refusal, int deviceModel, int portMode);

// The separator of an action text's fields. A name holding one would shift every field after it
// when the text is read back, so names are refused where they are typed.
inline constexpr char kFieldSeparator = ':';
bool NameShiftsFields(std::string_view name);
// Whether an action text holds more separators than its type has fields for: a name in it holds
// one. The free data that ends an RS232 or a compare text may hold any. False for a text that
// is no action.
bool ShiftsFields(std::string_view actionText);

} // namespace qz
