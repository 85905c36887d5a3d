#pragma once
// The action texts the ten action pages write, and back.
//
// Each action type has one small value type whose members are what the controls of its page
// hold (list positions, radio choices, slider positions, box texts), named after those controls.
// `ToActionText()` composes the exact text that page stores: its separators, fixed fields and
// repeated fields included. `FromActionText()` reads a stored text into the values the page
// shows for it. Where showing an action leaves a control as it was (on the RS232 page a baud
// rate that is not in the list, on the I/O page the "Output" choice of an input line), it also
// takes the page's current values (`shown`) and keeps them there.
//
// Conventions of all types:
//  - a list position is 0-based; -1 stands for a list without a selection. Reading a stored
//    position outside its list gives -1, and building writes -1 for it (the RS232 page's "Port:"
//    and "Active:" excepted, see Rs232Action);
//  - names taken from "Event Name:" boxes are trimmed of blanks when built and when read, except
//    on the RS232 page, whose name is taken as typed;
//  - a text that is not of the type, or has too few separators, reads as std::nullopt;
//  - texts holding ":" before the last field would shift the fields when the text is parsed;
//    `ColonField()` names the box where that happens, so the page can refuse it;
//  - the parser trims the whole text, so blanks at the end of RS232 or compare data are lost
//    (blanks in front of it are kept).
#include <optional>
#include <string>
#include <string_view>

namespace qz {

// The page index: the position of a type in the action-type list, of its tab, of its page.
enum ActionPageIndex : int {
    kRs232Page = 0,
    kIrPage = 1,
    kIoPage = 2,
    kRelayPage = 3,
    kDelayPage = 4,
    kComparePage = 5,
    kLedPage = 6,
    kPagePage = 7,
    kLoopPage = 8,
    kTogglePage = 9,
};
constexpr int kActionPageCount = 10;

const char* ActionPageLabel(int page);    // "RS232", "IR", "I/O", ... "Toggle"; "" out of range
const char* ActionPageMnemonic(int page); // "UART", "INFR", ... "LTOG"; "" out of range
int ActionTypeOfPage(int page);           // type code 60..69; 0 out of range
int ActionPageOfType(int typeCode);       // page index; -1 for a code that has no page
// The page that shows a stored text: by its mnemonic, for a text that parses; -1 otherwise
// (selecting such an action changes no page).
int ActionPageOfText(std::string_view text);

// List entries of the pages, in list order.
inline constexpr const char* kPortEntries[] = {"Port 1", "Port 2", "Port 3"};
inline constexpr const char* kRs232ActiveEntries[] = {"Send RS232 Once", "More Time"};
inline constexpr const char* kIrActiveEntries[] = {"Send Ir Once", "More Time"};
inline constexpr const char* kBaudRateEntries[] = {"2400",  "4800",  "9600",  "14400",
                                                   "19200", "38400", "57600", "115200"};
inline constexpr const char* kDataBitEntries[] = {"7", "8"};
inline constexpr const char* kStopBitEntries[] = {"1", "1.5", "2"};
// By parity code; with 7 data bits the "Parity:" list holds only "ODD" and "EVEN".
inline constexpr const char* kParityEntries[] = {"NONE", "ODD", "EVEN"};
inline constexpr const char* kCarrierEntries[] = {"Off", "On"};
inline constexpr const char* kIoEntries[] = {"In", "Out"};
inline constexpr const char* kOutputEntries[] = {"0", "1"};
inline constexpr const char* kRelayActionEntries[] = {"On", "Off"};
inline constexpr const char* kHalfSecondEntries[] = {"0", "0.5S"};
inline constexpr const char* kLightActionEntries[] = {"On", "Off", "On/All Off", "On/Group Off"};
inline constexpr const char* kPageEntries[] = {"Page 1"};
inline constexpr const char* kActiveNoEntries[] = {"1", "2", "3", "4"};
inline constexpr const char* kToggleStartEntries[] = {"1", "2", "3", "4"};
constexpr int kButtonCount = 8;   // "Button 1" .. "Button 8" (LED and toggle pages)
constexpr int kLoopIdCount = 99;  // "ID": "1" .. "99"
constexpr int kLoopKeyCount = 32; // "Key No.": "1" .. "32"
constexpr int kRepeatMin = 1;     // range of the two repeat sliders
constexpr int kRepeatMax = 99;
constexpr int kHourMax = 23; // delay sliders, from 0
constexpr int kMinuteMax = 59;
constexpr int kSecondMax = 59;

// The hexadecimal form of a data box, when the RS232 or compare page switches from ASCII to hex:
// each byte as two lowercase digits, pairs separated by one blank, then "0d" (endChar 1) or
// "0d 0a" (endChar 2). The text is cut so that at most 32 pairs result (32, 31 or 30 characters
// kept); an empty text stays empty, with no end pairs. An endChar outside 0..2 counts as 0.
std::string ConvertDataToHex(std::string_view text, int endChar);

// The repeat settings of the RS232 and IR pages: "Active:" and the two sliders with their
// read-only readouts.
struct RepeatSettings {
    int active = 0; // "Active:": 0 the page's send-once entry, 1 "More Time"; -1 none
    int count = 1;  // "Send No. of Transmission Strings" slider, 1..99
    int delay = 1;  // "Delay Time between String" slider, 1..99
    // The readouts beside the sliders. Only shown: the text takes the sliders' positions.
    std::string countReadout;
    std::string delayReadout;

    // The six repeat controls (two labels, sliders, readouts) are visible only for "More Time".
    bool SlidersShown() const { return active == 1; }
    // As the pages show stored send mode, times and delay fields: an empty times or delay sets
    // its slider to 1 and its readout to "1"; otherwise the slider goes to the number (kept
    // within 1..99, as a slider does) and the readout shows the stored text.
    static RepeatSettings FromFields(std::string_view send, std::string_view times,
                                     std::string_view delay);
};

// RS232 page (UART): send a string on a serial port.
struct Rs232Action {
    std::string eventName;         // "Event Name": as typed, blanks kept
    std::string libName;           // "Lib Name:"
    std::string libFunction;       // "Lib Function:" shown entry; empty when none is selected
    std::string baudRate = "9600"; // "Baud Rate:" entry text; empty when none is selected
    int dataBit = 1;               // "Data Bit:" code: 0 "7", 1 "8"; -1 none (empty field)
    int stopBit = 0;               // "Stop Bit:" code: 0 "1", 1 "1.5", 2 "2"; -1 none
    int parity = 0;                // "Parity:" code (see kParityEntries), not its position; -1 none
    int format = 0;                // "Format": 0 ascii, 1 hex
    int endChar = 0;               // "End Char For Ascii Format": 0 None, 1 CR, 2 Enter (CR LF)
    int port = 0;                  // "Port:" position 0..2; -1 none
    RepeatSettings repeat{0, 1, 1, "", ""}; // "Active": "Send RS232 Once" / "More Time"
    std::string data;                       // "Data:" exactly as shown, blanks kept

    // "UART : name : lib : function : baud : data bits : stop bits : parity : format : end :
    // port : send : times : delay :data". "Port:" and "Active:" without a selection write 0.
    std::string ToActionText() const;
    // The stored baud rate, data bit, stop bit and parity are taken only when they name a list
    // entry; otherwise `shown`'s value stays. The function is the stored name: the page
    // selects the list entry equal to it ignoring case, or none.
    static std::optional<Rs232Action> FromActionText(std::string_view text,
                                                     const Rs232Action& shown);
    // The same from the page's start state.
    static std::optional<Rs232Action> FromActionText(std::string_view text);
    // How often the page says "no selecte port" before building: once each for "Port:" and
    // "Active:" without a selection.
    int MissingSelections() const;
    // The label of the first box whose ":" would shift the fields ("Event Name", "Lib Name:",
    // "Lib Function:"); null when there is none. The data may hold colons.
    const char* ColonField() const;
    // The end-character group is shown only for ascii data.
    bool EndCharShown() const { return format == 0; }
};

// IR page (INFR): send a library function's code. The page looks the function up in its
// library file at every Add and Edit; the code is never shown.
struct IrAction {
    std::string libName;  // the library's own stored name ("Lib Name:" when shown)
    std::string function; // "Function:" the function's name
    int port = 0;         // "Port" position 0..2; -1 none
    int carrier = 1;      // "Carrier": 0 "Off", 1 "On"; -1 none
    RepeatSettings repeat{0, 1, 1, "1", "1"}; // "Active": "Send Ir Once" / "More Time"
    std::string code;                         // the function's code, hex digits, not shortened

    // Name and code from a library entry "name:code": the name is the text before the first ":"
    // trimmed, the code the text after it with leading blanks removed.
    void TakeLibraryEntry(std::string_view entry);

    // "INFR : lib : function : port : carrier : send : times : delay : c6 : code".
    std::string ToActionText() const;
    // The stored code is read too, although the page neither shows nor keeps it.
    static std::optional<IrAction> FromActionText(std::string_view text);
    const char* ColonField() const; // "Lib Name:" or "Function:"; null when none
};

// I/O page (GPIO): set a line of a port as input, or as output with a level.
struct IoAction {
    std::string eventName; // "Event Name:"
    int port = 0;          // "Port" position 0..2
    int io = 0;            // "IO": 0 "In", 1 "Out"
    int output = 0;        // "Output" level 0 or 1; written also for inputs, while hidden

    // "GPIO : name : port : io : output : output".
    std::string ToActionText() const;
    // A stored input keeps `shown`'s "Output" choice.
    static std::optional<IoAction> FromActionText(std::string_view text, const IoAction& shown);
    static std::optional<IoAction> FromActionText(std::string_view text);
    bool OutputShown() const { return io == 1; }
    const char* ColonField() const; // "Event Name:"; null when none
};

// Relay page (RELY).
struct RelayAction {
    int port = 0;   // "Port" position 0..2
    int action = 0; // "Action": 0 "On", 1 "Off"

    // "RELY : port : action : action".
    std::string ToActionText() const;
    static std::optional<RelayAction> FromActionText(std::string_view text);
};

// Delay page (DELY): wait hours, minutes, seconds and maybe half a second.
struct DelayAction {
    int hour = 0;       // "Hour" slider 0..23
    int minute = 0;     // "Minute" slider 0..59
    int second = 0;     // "Second" slider 0..59
    int halfSecond = 0; // "Half Second": 0 "0", 1 "0.5S"; -1 none
    // The readouts beside the sliders. Only shown: the text takes the sliders' positions.
    std::string hourReadout = "0";
    std::string minuteReadout = "0";
    std::string secondReadout = "0";

    // "DELY : h : m : s : half : HHMMSSh" (the last field packed, with leading zeros).
    std::string ToActionText() const;
    // Sliders go to the stored numbers, kept within their ranges; readouts show the stored text.
    static std::optional<DelayAction> FromActionText(std::string_view text);
};

// Compare page (UCMP): compare the data arriving on a serial port.
struct CompareAction {
    std::string eventName; // "Event Name:"
    int port = 0;          // "Port" position 0..2; -1 none
    int format = 0;        // "Format": 0 Ascii, 1 Hex
    int endChar = 0;       // "End Char For ASCII Format": 0 None, 1 Carriage return, 2 Enter
    int compareMode = 1;   // "Compaer Mode:": 0 Equal, 1 Include; -1 none (written as 1)
    std::string data;      // the data box exactly as shown; may be empty

    // "UCMP : name : port : format : end :mode :data".
    std::string ToActionText() const;
    static std::optional<CompareAction> FromActionText(std::string_view text);
    bool EndCharShown() const { return format == 0; }
    const char* ColonField() const; // "Event Name:"; null when none
};

// LED page (LEDP): drive a button's LED.
struct LedAction {
    int button = 0;      // "Button" position 0..7
    int lightAction = 0; // "Light Action" position (see kLightActionEntries)

    // "LEDP : button : light : light".
    std::string ToActionText() const;
    static std::optional<LedAction> FromActionText(std::string_view text);
};

// Page page (ENPG): switch the keypad's page and active number.
struct PageAction {
    std::string eventName; // "Event Name:"
    int page = 0;          // "Page" position; always 0 ("Page 1" is the only entry)
    int activeNo = 0;      // "Active No." position 0..3

    // "ENPG : name : page :active :0".
    std::string ToActionText() const;
    static std::optional<PageAction> FromActionText(std::string_view text);
    const char* ColonField() const; // "Event Name:"; null when none
};

// Loop page (CASD): pass a key number to another keypad of the loop.
struct LoopAction {
    std::string eventName; // "Event Name:"
    int id = 1;            // "ID" entry 1..99 (its text is written, not its position); 0 none
    int keyNo = 1;         // "Key No." entry 1..32; 0 none

    // "CASD : name : id : key : -"; an ID or key without a selection writes an empty field.
    std::string ToActionText() const;
    // An ID or key text that is not an entry of its list selects the first entry, 1.
    static std::optional<LoopAction> FromActionText(std::string_view text);
    const char* ColonField() const; // "Event Name:"; null when none
};

// Toggle page (LTOG): set a button's toggle start.
struct ToggleAction {
    std::string eventName; // "Event Name:"
    int button = 0;        // "Button" position 0..7
    int toggleStart = 0;   // "Toggle Start" position 0..3

    // "LTOG : name : button : start : 0".
    std::string ToActionText() const;
    static std::optional<ToggleAction> FromActionText(std::string_view text);
    const char* ColonField() const; // "Event Name:"; null when none
};

} // namespace qz
