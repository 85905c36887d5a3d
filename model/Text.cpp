#include "Text.h"

#include <climits>
#include <cstdio>

namespace qz {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlankChar(s[b])) {
        ++b;
    }
    return std::string(s.substr(b));
}

std::string Trim(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlankChar(s[b])) {
        ++b;
    }
    while (e > b && IsBlankChar(s[e - 1])) {
        --e;
    }
    return std::string(s.substr(b, e - b));
}

bool IsBlank(std::string_view s) {
    for (char c : s) {
        if (!IsBlankChar(c)) {
            return false;
        }
    }
    return true;
}

int AtoI(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlankChar(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1; // saturate; keep scanning digits
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

static int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

unsigned char HexPair(char hi, char lo) {
    const int h = HexValue(hi);
    if (h < 0) {
        return 0;
    }
    const int l = HexValue(lo);
    if (l < 0) {
        return static_cast<unsigned char>(h);
    }
    return static_cast<unsigned char>(h * 16 + l);
}

std::string FormatNumber(int value, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

} // namespace qz
