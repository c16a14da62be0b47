#include "scan/tag_markup.h"

#include <array>
#include <initializer_list>

#include "platform/bytes.h"

namespace velmoraine::scan {

namespace {

constexpr std::size_t npos = std::string_view::npos;
// No value the proposals use is longer; a longer one is not read, so that a tag with an
// unclosed quote costs no more than its own bytes.
constexpr std::size_t kLongestValue = 64;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

std::size_t skipBlanks(std::string_view tag, std::size_t pos) {
    while (pos < tag.size() && isBlank(tag[pos])) {
        ++pos;
    }
    return pos;
}

// The position just after the attribute's spelling, for its first occurrence that stands after
// a blank and is followed as `fits` wants; npos when there is none.
template <typename Fits>
std::size_t findAttribute(std::string_view tag, std::initializer_list<std::string_view> spellings, Fits fits) {
    for (std::string_view spelling : spellings) {
        for (std::size_t at = tag.find(spelling); at != npos; at = tag.find(spelling, at + 1)) {
            const std::size_t after = at + spelling.size();
            if (at > 0 && isBlank(tag[at - 1]) && fits(after)) {
                return after;
            }
        }
    }
    return npos;
}

// The value of an attribute whose spelling ends at `after`, or empty optional when it has no
// "=", its quote is not closed, or it is longer than kLongestValue.
std::optional<std::string_view> readValue(std::string_view tag, std::initializer_list<std::string_view> spellings) {
    const std::size_t after = findAttribute(tag, spellings, [&](std::size_t pos) {
        pos = skipBlanks(tag, pos);
        return pos < tag.size() && tag[pos] == '=';
    });
    if (after == npos) {
        return std::nullopt;
    }
    std::size_t pos = skipBlanks(tag, skipBlanks(tag, after) + 1);
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
    while (end < window.size() && !isBlank(window[end])) {
        ++end;
    }
    if (end > kLongestValue) {
        return std::nullopt;
    }
    return window.substr(0, end);
}

bool isDigits(std::string_view text) {
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

// A decimal number as the editor's value boxes take it: an optional minus, digits, and
// optionally a point and more digits.
bool isDecimalNumber(std::string_view text) {
    if (text.starts_with('-')) {
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    if (point == npos) {
        return isDigits(text);
    }
    return isDigits(text.substr(0, point)) && isDigits(text.substr(point + 1));
}

// The value lower-cased when it is one of `words` (compared without regard to case).
std::optional<std::string> oneOf(std::optional<std::string_view> value, std::initializer_list<std::string_view> words) {
    if (value) {
        for (std::string_view word : words) {
            if (bytes::equalsNoCase(*value, word)) {
                return std::string(word);
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> kept(std::optional<std::string_view> value, bool (*fits)(std::string_view)) {
    if (value && fits(*value)) {
        return std::string(*value);
    }
    return std::nullopt;
}

} // namespace

rules::FieldMarkup readTagMarkup(std::string_view tag) {
    rules::FieldMarkup markup;
    markup.type = oneOf(readValue(tag, {"type", "TYPE", "Type"}), {"email", "number", "tel", "url", "date"});
    markup.required = findAttribute(tag, {"required", "REQUIRED", "Required"}, [&](std::size_t pos) {
                          return pos == tag.size() || isBlank(tag[pos]) || tag[pos] == '=' || tag[pos] == '/';
                      }) != npos;
    markup.minLength = kept(readValue(tag, {"minlength", "MINLENGTH", "Minlength", "minLength"}), isDigits);
    markup.maxLength = kept(readValue(tag, {"maxlength", "MAXLENGTH", "Maxlength", "maxLength"}), isDigits);
    markup.min = kept(readValue(tag, {"min", "MIN", "Min"}), isDecimalNumber);
    markup.max = kept(readValue(tag, {"max", "MAX", "Max"}), isDecimalNumber);
    markup.pattern = kept(readValue(tag, {"pattern", "PATTERN", "Pattern"}),
                          [](std::string_view value) { return rules::readDigitPattern(value).has_value(); });
    markup.inputMode =
        oneOf(readValue(tag, {"inputmode", "INPUTMODE", "Inputmode", "inputMode"}), {"numeric", "decimal", "tel", "email"});
    return markup;
}

} // namespace velmoraine::scan
