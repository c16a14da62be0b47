#include "rules/field_markup.h"

#include "app/texts.h"

namespace velmoraine::rules {

namespace {

using namespace texts;

bool allDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// The kind the markup decides, with its message and sequence values, in order of precedence:
// e-mail, number value, a digit pattern, a phone number, digits by input mode, a date, a web
// address. Empty when the markup names no kind and the name table decides.
std::optional<Proposal> kindFromMarkup(std::string_view field, const FieldMarkup &markup) {
    const auto typeIs = [&](std::string_view word) { return markup.type && *markup.type == word; };
    const auto modeIs = [&](std::string_view word) { return markup.inputMode && *markup.inputMode == word; };
    if (typeIs("email") || modeIs("email")) {
        return Proposal{RuleKind::Email, std::string(kEmailProposal), std::nullopt};
    }
    if (typeIs("number") || modeIs("decimal")) {
        return Proposal{RuleKind::NumberValue, fill(kNumberProposal, field), std::nullopt};
    }
    const auto digits = [&](std::string seqMin, std::string seqMax, std::string punct) {
        return Proposal{RuleKind::DigitSequence, fill(kSequenceKindMessage, field),
                        SequenceValues{std::move(seqMin), std::move(seqMax), std::move(punct)}};
    };
    if (markup.pattern) {
        if (const std::optional<DigitPatternLengths> lengths = readDigitPattern(*markup.pattern)) {
            return digits(lengths->min, lengths->max, "");
        }
    }
    if (typeIs("tel") || modeIs("tel")) {
        return preset(Preset::Phone);
    }
    if (modeIs("numeric")) {
        return digits(markup.minLength.value_or("1"), markup.maxLength.value_or("0"), "");
    }
    // A date box sends yyyy-mm-dd whatever the visitor's locale: eight digits and two dashes.
    if (typeIs("date")) {
        return digits("8", "8", "-");
    }
    // A web address is text: the name table's e-mail, number or digit rows would refuse it.
    if (typeIs("url")) {
        return Proposal{RuleKind::FilledIn, fill(kFilledInMessage, field), std::nullopt};
    }
    return std::nullopt;
}

} // namespace

std::optional<DigitPatternLengths> readDigitPattern(std::string_view pattern) {
    if (pattern.starts_with('^')) {
        pattern.remove_prefix(1);
    }
    if (pattern.ends_with('$')) {
        pattern.remove_suffix(1);
    }
    if (pattern.starts_with("\\d")) {
        pattern.remove_prefix(2);
    } else if (pattern.starts_with("[0-9]")) {
        pattern.remove_prefix(5);
    } else {
        return std::nullopt;
    }
    if (pattern == "+") {
        return DigitPatternLengths{"1", "0"};
    }
    if (pattern == "*") {
        return DigitPatternLengths{"0", "0"};
    }
    if (!pattern.starts_with('{') || !pattern.ends_with('}')) {
        return std::nullopt;
    }
    pattern = pattern.substr(1, pattern.size() - 2);
    // Longer counts than the editor's boxes would take are not a simple pattern.
    constexpr std::size_t kMaxCountDigits = 4;
    const std::size_t comma = pattern.find(',');
    const std::string_view low = pattern.substr(0, comma);
    const std::string_view high = comma == std::string_view::npos ? low : pattern.substr(comma + 1);
    if (!allDigits(low) || low.size() > kMaxCountDigits || high.size() > kMaxCountDigits) {
        return std::nullopt;
    }
    if (high.empty()) { // "{n,}"
        return DigitPatternLengths{std::string(low), "0"};
    }
    if (!allDigits(high) || std::stoi(std::string(high)) < std::stoi(std::string(low))) {
        return std::nullopt;
    }
    return DigitPatternLengths{std::string(low), std::string(high)};
}

Proposal proposeFor(std::string_view field, const FieldMarkup &markup) {
    Proposal proposal = kindFromMarkup(field, markup).value_or(proposeFor(field));
    if (markup.required) {
        proposal.blankAllowed = false;
    }
    proposal.minChars = markup.minLength;
    proposal.maxChars = markup.maxLength;
    proposal.numMin = markup.min;
    proposal.numMax = markup.max;
    return proposal;
}

} // namespace velmoraine::rules
