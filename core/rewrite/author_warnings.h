// The warnings to the author about what will not work for the page's visitors.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::rewrite {

// What a meta tag that declares a policy holds (in any case), and a page that declares none lacks.
inline constexpr std::string_view kPolicyName = "content-security-policy";

// What will not work for the visitors, in the system's words, one line each: fields with a rule
// but without a label (their error messages are led by the label), no submit button, the page's
// own onsubmit replaced, a Content-Security-Policy meta tag that blocks the block (`hash` is the
// block's cspHash). `records` are the rules written into the block. None of them stops the
// rewrite. `namesPolicy`: whether the page holds kPolicyName, when the caller has looked.
std::vector<std::string> authorWarnings(std::string_view page, std::size_t formTagStart, std::size_t formTagClose,
                                        const std::vector<std::string> &records, std::string_view hash,
                                        std::optional<bool> namesPolicy = std::nullopt);

} // namespace velmoraine::rewrite
