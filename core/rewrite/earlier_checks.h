// The checks that earlier tools left in a page, which go when the author imports their rules:
// FrontPage's generated validator script between its two webbot comments, and Dreamweaver's
// MM_validateForm calls in the form's event handlers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "core/scan/legacy_rules.h"

namespace velmoraine::rewrite {

using scan::kValidateCall;
inline constexpr std::string_view kValidateResult = "document.MM_returnValue";

// What a webbot comment is to the generated script: its start, its end, or neither.
struct GeneratedScriptMarker {
    bool start = false;
    bool end = false;
};

// `comment` is one webbot comment whole, from "<!--webbot" (in any case) through its "-->". It
// starts the generated script when its bot attribute is GeneratedScript and it holds the word
// startspan, and ends it when it holds endspan instead; names, values and the words in any case,
// in any order, with any blanks (line breaks too) between them.
GeneratedScriptMarker generatedScriptMarker(std::string_view comment);

// The name of the FrontPage validator the form tag's handlers call ("FrontPage_Form1_Validator"),
// or empty when they call none: only the generated script that defines it goes, so that the
// other forms of the page keep theirs.
std::string_view frontPageValidator(std::string_view formTag);

// Which MM_validateForm calls a handler loses: every one (in the handler of an imported field),
// or those whose fields are all imported (in any other tag of the form).
enum class ValidateCalls { All, NamingOnlyImported };

// The names of the fields whose rules came from an earlier tool.
using ImportedFields = std::unordered_set<std::string_view>;

// `handler` (an event-handler attribute's value) without the MM_validateForm calls `which`
// picks, each with one ";" right after it and the blanks after that; when a call went and none
// is left, "return document.MM_returnValue" goes too, with a ";" right after it and the blanks
// after that. A call is read only when its arguments are string literals between commas (every
// third one, from the first, names a field; of a dotted path, the last part); any other stays.
// Nullopt when nothing goes. Linear in the handler's size.
std::optional<std::string> withoutValidateCalls(std::string_view handler, ValidateCalls which,
                                                const ImportedFields &imported);

} // namespace velmoraine::rewrite
