#include "core/scan/tag_markup.h"

#include <array>
#include <initializer_list>

#include "core/base/bytes.h"

namespace velmoraine::scan {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// No value the proposals use is longer; a longer one is not read, so that a tag with an
// unclosed quote costs no more than its own bytes.
constexpr std::size_t kLongestValue = 64;

std::size_t skipBlanks(std::string_view tag, std::size_t pos) {
    while (pos < tag.size() && bytes::isHtmlSpace(tag[pos])) {
        ++pos;
    }
    return pos;
}

// The value that starts after the "=" at `equals`, or empty optional when its quote is not
// closed or it is longer than kLongestValue.
std::optional<std::string_view> readValueAt(std::string_view tag, std::size_t equals) {
    const std::size_t pos = skipBlanks(tag, equals + 1);
    if (pos >= tag.size()) {
        return std::nullopt;
    }
    const std::string_view window = tag.substr(pos, kLongestValue + 2);
    if (window[0] == '"' || window[0] == '\'') {
        const std::size_t close = window.find(window[0], 1);
        if (close == npos) {
            return std::nullopt;
        }
        return window.substr(1, close - 1);
    }
    std::size_t end = 0;
    while (end < window.size() && !bytes::isHtmlSpace(window[end])) {
        ++end;
    }
    if (end > kLongestValue) {
        return std::nullopt;
    }
    return window.substr(0, end);
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A decimal number as the editor's value boxes take it: an optional minus, digits, and
// optionally a point and more digits.
bool isDecimalNumber(std::string_view text) {
    if (text.starts_with('-')) {
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    if (point == npos) {
        return bytes::isAllDigits(text);
    }
    return bytes::isAllDigits(text.substr(0, point)) && bytes::isAllDigits(text.substr(point + 1));
}

// The value lower-cased when it is one of `words` (compared without regard to case).
std::optional<std::string_view> oneOf(std::string_view value, std::initializer_list<std::string_view> words) {
    for (std::string_view word : words) {
        if (bytes::equalsNoCase(value, word)) {
            return word;
        }
    }
    return std::nullopt;
}

using Attribute = rules::FieldMarkup::Attribute;

// The attributes read, by name; `required` has no value.
struct Known {
    std::string_view name;
    Attribute attribute;
    bool required;
};
constexpr std::array<Known, 8> kKnown = {{
    {"type", Attribute::Type, false},
    {"required", Attribute::Type, true},
    {"minlength", Attribute::MinLength, false},
    {"maxlength", Attribute::MaxLength, false},
    {"min", Attribute::Min, false},
    {"max", Attribute::Max, false},
    {"pattern", Attribute::Pattern, false},
    {"inputmode", Attribute::InputMode, false},
}};
constexpr std::size_t kLongestName = 9;

// Keeps the value when it is what the attribute takes.
void keep(rules::FieldMarkup &markup, Attribute attribute, std::string_view value) {
    std::optional<std::string_view> kept;
    switch (attribute) {
    case Attribute::Type: kept = oneOf(value, {"email", "number", "tel", "url", "date"}); break;
    case Attribute::InputMode: kept = oneOf(value, {"numeric", "decimal", "tel", "email"}); break;
    case Attribute::MinLength:
    case Attribute::MaxLength:
        if (bytes::isAllDigits(value)) {
            kept = value;
        }
        break;
    case Attribute::Min:
    case Attribute::Max:
        if (isDecimalNumber(value)) {
            kept = value;
        }
        break;
    case Attribute::Pattern:
        if (rules::readDigitPattern(value)) {
            kept = value;
        }
        break;
    }
    if (kept) {
        markup.set(attribute, *kept);
    }
}

} // namespace

rules::FieldMarkup readTagMarkup(std::string_view tag) {
    rules::FieldMarkup markup;
    unsigned seen = 0; // a bit per entry of kKnown: its first occurrence decided
    // One pass: each word that starts after a blank is compared with the names; the position
    // then moves past it.
    std::size_t pos = 1;
    while (pos < tag.size()) {
        if (!bytes::isHtmlSpace(tag[pos - 1]) || !isLetter(tag[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < tag.size() && end - pos <= kLongestName && isLetter(tag[end])) {
            ++end;
        }
        const std::string_view word = tag.substr(pos, end - pos);
        for (std::size_t i = 0; i < kKnown.size(); ++i) {
            if ((seen & (1U << i)) != 0 || !bytes::equalsNoCase(word, kKnown[i].name)) {
                continue;
            }
            const std::size_t next = skipBlanks(tag, end);
            const bool equals = next < tag.size() && tag[next] == '=';
            if (kKnown[i].required) {
                if (end == tag.size() || bytes::isHtmlSpace(tag[end]) || tag[end] == '=' || tag[end] == '/') {
                    markup.required = true;
                    seen |= 1U << i;
                }
            } else if (equals) {
                seen |= 1U << i;
                if (const std::optional<std::string_view> value = readValueAt(tag, next)) {
                    keep(markup, kKnown[i].attribute, *value);
                }
            }
            break;
        }
        pos = end;
    }
    return markup;
}

} // namespace velmoraine::scan
