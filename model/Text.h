#pragma once
#include <string>
#include <string_view>

// Small helpers for 8-bit action texts and frame fields.
namespace qz {

// The six white-space characters that count as blank: space, tab, CR, LF, VT, FF.
bool IsBlankChar(char c);
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
bool IsBlank(std::string_view s);

// C's atoi: optional blanks, optional sign, leading digits; saturates instead of overflowing.
int AtoI(std::string_view s);

// A two-character hexadecimal pair read like strtol(…, 16) on two characters: reading stops at
// the first non-hex character, so "1G" gives 1 and "G1" gives 0.
unsigned char HexPair(char hi, char lo);

// printf-style integer formatted with the given minimum width and zero padding ("%0Nd").
std::string FormatNumber(int value, int width);

} // namespace qz
