// What a field's first tag declares about the values it takes, and the proposal made from it.
// The scan fills a FieldMarkup from the tag's attributes; the proposal reads it before the
// name-based table.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "rules/proposals.h"

namespace velmoraine::rules {

// The declared attributes that say what a field takes. Values are kept only when the proposal
// can use them: `type` and `inputMode` lower-cased and only the words below, the length limits
// as plain digits, `min`/`max` as decimal numbers, `pattern` only as a simple digit pattern.
struct FieldMarkup {
    std::optional<std::string> type = std::nullopt;      // email, number, tel, url, date
    bool required = false;
    std::optional<std::string> minLength = std::nullopt; // digits
    std::optional<std::string> maxLength = std::nullopt; // digits
    std::optional<std::string> min = std::nullopt;       // "-12", "0.5"
    std::optional<std::string> max = std::nullopt;
    std::optional<std::string> pattern = std::nullopt;   // as written: "\d{5}", "[0-9]{3,4}"
    std::optional<std::string> inputMode = std::nullopt; // numeric, decimal, tel, email

    bool declaresNothing() const {
        return !type && !required && !minLength && !maxLength && !min && !max && !pattern && !inputMode;
    }
    bool operator==(const FieldMarkup &) const = default;
};

// What the first tag of each listed field declares, for the fields whose first tag declares
// something; looked up by the field's name.
using MarkupByField = std::map<std::string, FieldMarkup, std::less<>>;

// The lengths a simple digit pattern allows: "\d" or "[0-9]", then "{n}", "{n,m}", "{n,}",
// "+" or "*", optionally between "^" and "$". `max` "0" means no limit, as in the editor.
struct DigitPatternLengths {
    std::string min;
    std::string max;
};
std::optional<DigitPatternLengths> readDigitPattern(std::string_view pattern);

// The proposal for a field from its markup first and its name second. Where the markup declares
// nothing that decides a kind, the kind, message and sequence values are the name table's; the
// limit boxes and the blank check box are filled only where the markup declares them. With no
// markup at all the result is exactly proposeFor(field).
Proposal proposeFor(std::string_view field, const FieldMarkup &markup);

} // namespace velmoraine::rules
