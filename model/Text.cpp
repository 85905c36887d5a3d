#include "Text.h"

#include <climits>

namespace qz {

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlankChar(s[b])) {
        ++b;
    }
    return std::string(s.substr(b));
}

std::string Trim(std::string_view s) {
    return std::string(TrimView(s));
}

bool IsBlank(std::string_view s) {
    for (char c : s) {
        if (!IsBlankChar(c)) {
            return false;
        }
    }
    return true;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
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

std::string FormatNumber(long long value, int width) {
    // Same result as "%0*d", without printf's cost: the upload formats thousands of fields.
    char digits[12];
    int n = 0;
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    const int sign = value < 0 ? 1 : 0;
    const int zeros = width - sign - n > 0 ? width - sign - n : 0;
    std::string out;
    out.reserve(static_cast<size_t>(sign + zeros + n));
    if (sign) {
        out += '-';
    }
    out.append(static_cast<size_t>(zeros), '0');
    while (n) {
        out += digits[--n];
    }
    return out;
}

void PutFormattedNumber(char* out, long long value, int width) {
    if (value >= 0 && width <= 9) {
        // The common case: digits right-aligned in a field wide enough for them.
        long long v = value;
        for (int i = width - 1; i >= 0; --i) {
            out[i] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        if (v == 0) {
            return;
        }
    }
    const std::string text = FormatNumber(value, width);
    for (int i = 0; i < width; ++i) {
        out[i] = text[static_cast<size_t>(i)];
    }
}

} // namespace qz
