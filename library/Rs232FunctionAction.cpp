#include "Rs232FunctionAction.h"

#include <cstddef>
#include <string>

#include "model/Text.h"

namespace qz {

namespace {

// Position of `text` among `entries`, letter case ignored as the page's lists select; -1 when
// none.
template <std::size_t N> int EntryCode(const char* const (&entries)[N], std::string_view text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (EqualIgnoringCase(entries[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

Rs232Action Rs232ActionOfFunction(const CRS232LibFun& function, std::string_view libName) {
    Rs232Action a;
    a.libName = std::string(libName);
    a.libFunction = function.name;
    if (const int baud = EntryCode(kBaudRateEntries, function.baudRate); baud >= 0) {
        a.baudRate = kBaudRateEntries[baud];
    }
    if (const int bits = EntryCode(kDataBitEntries, function.dataBits); bits >= 0) {
        a.dataBit = bits;
    }
    if (const int stop = EntryCode(kStopBitEntries, function.stopBits); stop >= 0) {
        a.stopBit = stop;
    }
    if (const int parity = EntryCode(kParityEntries, function.parity); parity >= 0) {
        a.parity = parity;
    }
    a.format = function.format == kRs232Ascii ? 0 : 1;
    a.endChar = function.endChar;
    // The parser drops blanks at the end of an action text, so the action never holds them.
    std::string data = Rs232DataText(function);
    while (!data.empty() && IsBlankChar(data.back())) {
        data.pop_back();
    }
    a.data = data;
    return a;
}

} // namespace qz
