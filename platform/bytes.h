// Byte-level text helpers shared by the core. Page text is bytes: a zero byte is an
// ordinary byte, and only the ASCII letters A-Z/a-z are ever folded for comparison.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::bytes {

inline constexpr char lowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// A copy in which only A-Z became a-z.
std::string lowerAsciiCopy(std::string_view text);

// True when `text` begins with `prefix`, comparing ASCII letters without regard to case.
bool startsWithNoCase(std::string_view text, std::string_view prefix) noexcept;

// True when the two texts are equal, comparing ASCII letters without regard to case.
bool equalsNoCase(std::string_view a, std::string_view b) noexcept;

// Reads a decimal integer the way a "%d" conversion does: leading white space, an optional
// sign, then digits up to the first other character. A text that does not begin with a number
// gives 0. A number too large for int saturates at INT_MAX (INT_MIN when negative).
// `ok` (when given) tells whether any digit was read.
int readIntLikeScanf(std::string_view text, bool *ok = nullptr) noexcept;

// Decimal text of a number, as "%d" writes it.
std::string decimal(long long value);

} // namespace velmoraine::bytes
