#pragma once
#include <string>
#include <string_view>

// Small helpers for 8-bit action texts and frame fields.
namespace qz {

// The six white-space characters that count as blank: space, tab, CR, LF, VT, FF.
inline bool IsBlankChar(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r'); // space, tab, LF, VT, FF, CR
}
std::string Trim(std::string_view s);
// The same without a copy.
inline std::string_view TrimView(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlankChar(s[b])) {
        ++b;
    }
    while (e > b && IsBlankChar(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}
std::string TrimLeft(std::string_view s);
bool IsBlank(std::string_view s);
// Equal with the case of ASCII letters ignored, as the pages' lists match a stored entry.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// C's atoi: optional blanks, optional sign, leading digits; saturates instead of overflowing.
int AtoI(std::string_view s);

// A two-character hexadecimal pair read like strtol(…, 16) on two characters: reading stops at
// the first non-hex character, so "1G" gives 1 and "G1" gives 0.
namespace detail {
struct HexTable {
    signed char value[256];
    constexpr HexTable() : value() {
        for (int i = 0; i < 256; ++i) {
            value[i] = -1;
        }
        for (int i = 0; i < 10; ++i) {
            value['0' + i] = static_cast<signed char>(i);
        }
        for (int i = 0; i < 6; ++i) {
            value['a' + i] = value['A' + i] = static_cast<signed char>(10 + i);
        }
    }
};
inline constexpr HexTable kHexTable;
} // namespace detail

// Value of one hexadecimal digit in either case; -1 for any other byte.
inline int HexDigitValue(char c) {
    return detail::kHexTable.value[static_cast<unsigned char>(c)];
}
inline unsigned char HexPair(char hi, char lo) {
    const int h = HexDigitValue(hi);
    if (h < 0) {
        return 0;
    }
    const int l = HexDigitValue(lo);
    return static_cast<unsigned char>(l < 0 ? h : h * 16 + l);
}

// printf-style integer formatted with the given minimum width and zero padding ("%0Nd").
std::string FormatNumber(long long value, int width);
// Writes exactly `width` characters of FormatNumber(value, width) at out (its leftmost ones).
void PutFormattedNumber(char* out, long long value, int width);

} // namespace qz
