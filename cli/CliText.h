#pragma once
#include <cstdio>
#include <string>

namespace qzctl {

// 8-bit text for a terminal: control bytes as \xNN, everything else as it is.
inline std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace qzctl
