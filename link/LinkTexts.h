#pragma once
// The texts the device link hands to whoever shows messages (the editor, qzctl). They are the
// keypad tool's own wording and are reproduced byte for byte, odd spelling included.
namespace qz::texts {

// Status labels.
inline constexpr char kConnectSuccess[] = "Connect SUCCESS";
inline constexpr char kUsbUnconnect[] = "USB unconnect!";
inline constexpr char kWaitConnect[] = "Wait Connect";

// Serial port.
inline constexpr char kCanNotOpenCom[] = "Can not Open COM";
inline constexpr char kHaveNotOpenedCom[] = "have not opened COM";

// Device protocol.
inline constexpr char kConnectUnsuccess[] = "Connect Unsuccess,Please check it";
inline constexpr char kMachineBeingClear[] = "the machine is being clear";
inline constexpr char kSendDataIng[] = "send data ing";
inline constexpr char kPleaseConnectFirst[] = "Please connect with COM or USB first.";
inline constexpr char kSetSuccessReboot[] = "set success,please reboot device!";
inline constexpr char kCantNotFindUsb[] = "can't not Find USB";
inline constexpr char kConnectUsbWireFirst[] = "Please connect the USB Wire first.";

// Confirmations asked by the caller before the commands run.
inline constexpr char kAskClear[] = "Clear all the parameters of the machine,\rare you sure ? ";
inline constexpr char kAskUnusual[] = "Unusual the machine,\rare you sure ? ";
inline constexpr char kAskUpload[] = "Clear all data? \r\nYes or No ?";

// Upload.
inline constexpr char kMachineBeingClearing[] = "The machine is being clearing";
inline constexpr char kTooMoreEvents[] = "too more events";

// Learning.
inline constexpr char kPleaseOpenCom[] = "Please Open Com";

// Our own texts for faults the keypad tool used to pass over in silence.
// The first sentence of an upload that ended early; UploadSummary() says what the keypad holds.
inline constexpr char kUploadPortLost[] = "The keypad was disconnected during the upload.";
inline constexpr char kUploadDisconnected[] = "The upload ended: the port was closed.";
inline constexpr char kUploadCancelled[] = "Upload cancelled.";
inline constexpr char kUploadOverflow[] =
    "The upload was refused before erasing the keypad: some events hold more actions than fit "
    "into one frame.";
inline constexpr char kUploadNoEraseFrame[] = "The upload plan holds no erase frame.";
inline constexpr char kPortLost[] = "The keypad's serial port was lost.";

} // namespace qz::texts
