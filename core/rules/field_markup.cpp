#include "core/rules/field_markup.h"

#include <algorithm>
#include <numeric>

#include "core/base/bytes.h"
#include "core/base/texts.h"

namespace velmoraine::rules {

namespace {

using namespace texts;

// The kind the markup decides, with its message and sequence values, in order of precedence:
// e-mail, number value, a digit pattern, a phone number, digits by input mode, a date, a web
// address. Empty when the markup names no kind and the name table decides.
std::optional<Proposal> kindFromMarkup(std::string_view field, const FieldMarkup &markup) {
    using Attribute = FieldMarkup::Attribute;
    const auto typeIs = [&](std::string_view word) { return markup.get(Attribute::Type) == word; };
    const auto modeIs = [&](std::string_view word) { return markup.get(Attribute::InputMode) == word; };
    const auto text = [&](Attribute attribute, std::string_view otherwise) {
        return std::string(markup.get(attribute).value_or(otherwise));
    };
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
    if (const auto pattern = markup.get(Attribute::Pattern)) {
        if (const std::optional<DigitPatternLengths> lengths = readDigitPattern(*pattern)) {
            return digits(lengths->min, lengths->max, "");
        }
    }
    if (typeIs("tel") || modeIs("tel")) {
        return preset(Preset::Phone);
    }
    if (modeIs("numeric")) {
        return digits(text(Attribute::MinLength, "1"), text(Attribute::MaxLength, "0"), "");
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
    if (!bytes::isAllDigits(low) || low.size() > kMaxCountDigits || high.size() > kMaxCountDigits) {
        return std::nullopt;
    }
    if (high.empty()) { // "{n,}"
        return DigitPatternLengths{std::string(low), "0"};
    }
    if (!bytes::isAllDigits(high) || std::stoi(std::string(high)) < std::stoi(std::string(low))) {
        return std::nullopt;
    }
    return DigitPatternLengths{std::string(low), std::string(high)};
}

Proposal proposeFor(std::string_view field, const FieldMarkup &markup) {
    Proposal proposal = kindFromMarkup(field, markup).value_or(proposeFor(field));
    if (markup.required) {
        proposal.blankAllowed = false;
    }
    const auto box = [&](FieldMarkup::Attribute attribute) -> std::optional<std::string> {
        if (const auto value = markup.get(attribute)) {
            return std::string(*value);
        }
        return std::nullopt;
    };
    proposal.minChars = box(FieldMarkup::Attribute::MinLength);
    proposal.maxChars = box(FieldMarkup::Attribute::MaxLength);
    proposal.numMin = box(FieldMarkup::Attribute::Min);
    proposal.numMax = box(FieldMarkup::Attribute::Max);
    return proposal;
}

// ---------------------------------------------------------------------------------------------
// The markup's storage
// ---------------------------------------------------------------------------------------------

std::optional<std::string_view> FieldMarkup::get(Attribute attribute) const {
    const auto index = static_cast<std::size_t>(attribute);
    if ((m_present & (1U << index)) == 0) {
        return std::nullopt;
    }
    const std::size_t start =
        std::accumulate(m_sizes.begin(), m_sizes.begin() + static_cast<std::ptrdiff_t>(index), std::size_t{0});
    return std::string_view(m_values).substr(start, m_sizes[index]);
}

void FieldMarkup::set(Attribute attribute, std::string_view value) {
    constexpr std::size_t kLongest = 255;
    if (value.size() > kLongest) {
        return;
    }
    const auto index = static_cast<std::size_t>(attribute);
    const std::size_t start =
        std::accumulate(m_sizes.begin(), m_sizes.begin() + static_cast<std::ptrdiff_t>(index), std::size_t{0});
    m_values.replace(start, m_sizes[index], value);
    m_sizes[index] = static_cast<std::uint8_t>(value.size());
    m_present = static_cast<std::uint8_t>(m_present | (1U << index));
}

void MarkupByField::add(std::size_t field, FieldMarkup markup) { m_entries.emplace_back(field, std::move(markup)); }

const FieldMarkup *MarkupByField::find(std::size_t field) const {
    const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), field,
                                     [](const auto &entry, std::size_t wanted) { return entry.first < wanted; });
    return at != m_entries.end() && at->first == field ? &at->second : nullptr;
}

} // namespace velmoraine::rules
