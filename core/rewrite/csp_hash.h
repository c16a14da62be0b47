// The hash that lets the script block run under a page's Content-Security-Policy.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::rewrite {

// "'sha256-...'" of the script element of `block` as a browser reads it (line breaks as LF),
// for the script-src of a Content-Security-Policy; empty when the block has no script element.
std::string cspHash(std::string_view block);

} // namespace velmoraine::rewrite
