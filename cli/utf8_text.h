// Page bytes as UTF-8 text for the JSON output.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::cli {

// The bytes decoded as UTF-8: every well-formed sequence passes through unchanged; each byte of
// an ill-formed one (a stray continuation byte, an overlong form, a surrogate, a value above
// U+10FFFF, a truncated sequence) becomes the character with the same value, U+0080..U+00FF.
// So the result is always valid UTF-8 and a page in Latin-1 reads as Latin-1.
std::string utf8FromBytes(std::string_view bytes);

} // namespace velmoraine::cli
