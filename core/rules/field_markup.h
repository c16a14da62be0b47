// What a field's first tag declares about the values it takes, and the proposal made from it.
// The scan fills a FieldMarkup from the tag's attributes; the proposal reads it before the
// name-based table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rules/proposals.h"

namespace velmoraine::rules {

// The declared attributes that say what a field takes. Values are kept only when the proposal
// can use them: `type` and `inputmode` lower-cased and only the words below, the length limits
// as plain digits, `min`/`max` as decimal numbers, `pattern` only as a simple digit pattern.
// Small: the values lie one after the other in one text, so that a form of a million fields
// that each declare something costs a few dozen bytes a field.
class FieldMarkup {
public:
    enum class Attribute : std::uint8_t {
        Type,      // email, number, tel, url, date
        MinLength, // digits
        MaxLength, // digits
        Min,       // "-12", "0.5"
        Max,
        Pattern,   // as written: "\d{5}", "[0-9]{3,4}"
        InputMode, // numeric, decimal, tel, email
    };
    static constexpr std::size_t kAttributes = 7;

    bool required = false;

    // The attribute's value, or empty optional when the tag does not declare it.
    [[nodiscard]] std::optional<std::string_view> get(Attribute attribute) const;
    // Sets a value of at most 255 bytes (a longer one is not kept).
    void set(Attribute attribute, std::string_view value);
    // The same, returning *this, for building one in a line.
    FieldMarkup &with(Attribute attribute, std::string_view value) {
        set(attribute, value);
        return *this;
    }

    [[nodiscard]] bool declaresNothing() const { return !required && m_present == 0; }
    bool operator==(const FieldMarkup &) const = default;

private:
    std::string m_values;                            // the values in attribute order
    std::array<std::uint8_t, kAttributes> m_sizes{}; // each value's size
    std::uint8_t m_present = 0;                      // a bit per attribute
};

// What the fields of a form declare, by the field's place in the form's field list (from 0);
// only the fields whose first tag declares something, in the order of their places.
class MarkupByField {
public:
    // Adds the markup of field `field`, which comes after every field added before.
    void add(std::size_t field, FieldMarkup markup);
    // The markup of field `field`, or nullptr when it declares nothing.
    [[nodiscard]] const FieldMarkup *find(std::size_t field) const;
    [[nodiscard]] std::size_t size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }

private:
    std::vector<std::pair<std::size_t, FieldMarkup>> m_entries;
};

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
