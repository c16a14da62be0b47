// The validation script block: the script model, the stored rules comment and the check
// statements of every rule, inserted before the page's closing head tag.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::rewrite {

inline constexpr std::string_view kBeginMarker = "<!-- VELMORAINE-BEGIN";
inline constexpr std::string_view kEndMarker = "<!-- VELMORAINE-END";

// A page without a closing head tag gets this head before its body, the block between its
// opening (the first kEmptyHeadOpening bytes: "<head>" and two blanks) and its closing tag.
inline constexpr std::string_view kEmptyHead = "<head>  </head>";
inline constexpr std::size_t kEmptyHeadOpening = 8;

// The whole block: "\r\n\r\n", the model, "\r\n", the stored rules comment, the statements
// and the closing text.
std::string buildScriptBlock(std::string_view model, const std::vector<std::string> &records,
                             std::string_view formName);

// The check statements of one record (empty for an empty name or an unknown kind).
void appendCheckStatements(std::string &out, std::string_view record, std::string_view formName);

// A JavaScript string literal of `text` between double quotes: "\" as "\\", a double quote
// as "\"", "</" as "<\/", CR as "\r", LF as "\n", U+2028 and U+2029 (in UTF-8) as "\u2028" and
// "\u2029"; every other byte as it stands.
std::string jsString(std::string_view text);

// A value written bare when it is a plain number (an optional "-", digits, optionally "."
// and digits), else as a string literal.
std::string jsValue(std::string_view text);

// `object.name` for an ASCII identifier, else `object["name"]`.
std::string jsMember(std::string_view object, std::string_view name);

} // namespace velmoraine::rewrite
