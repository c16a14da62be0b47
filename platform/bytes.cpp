#include "platform/bytes.h"

#include <climits>

namespace velmoraine::bytes {

std::string lowerAsciiCopy(std::string_view text) {
    std::string out(text);
    for (char &c : out) {
        c = lowerAscii(c);
    }
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lowerAscii(text[i]) != lowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

int readIntLikeScanf(std::string_view text, bool *ok) noexcept {
    std::size_t i = 0;
    // isspace in the "C" locale: blank, tab, line feed, vertical tab, form feed, carriage return.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (ok != nullptr) {
        *ok = any;
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

std::string decimal(long long value) { return std::to_string(value); }

} // namespace velmoraine::bytes
