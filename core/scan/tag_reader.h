// One reader of a tag's name and attributes, for the parts of the core that read markup
// attribute by attribute: the form's language, the earlier tools' validation markup, the
// rewriter's field tags and labels. Where those readers have always differed in a way that shows
// in their output, TagSyntax says so, one option for each difference. The field walk and the
// proposals from the markup do not take a tag apart: they search for words (form_scanner.h,
// tag_markup.h), so that a word inside a quoted value counts there as it always did.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/bytes.h"

namespace velmoraine::scan {

// What "<", ">" and "/" mean in the text read. The defaults read a tag: its name ends at a
// blank, "/" or ">"; "/" is passed over between attributes and ends an attribute's name only in
// "/>"; ">" ends the tag; and a quote that is never closed ends the reading there. Blanks (bytes::isHtmlSpace) always
// separate, "=" always ends an attribute's name, and names are kept as written: callers compare them in any case.
struct TagSyntax {
    enum class Angle {
        EndsTag,   // ">" where an attribute could start ends the tag; ">" ends a name or a bare value
        Separates, // "<" and ">" are passed over between attributes; ">" ends a name or a bare value
        Plain,     // "<" and ">" are bytes of names and values like any other
    };
    enum class Slash {
        EndsNameBeforeAngle, // passed over between attributes; ends an attribute's name only in "/>"
        EndsNames,           // passed over between attributes; ends every name, and "=" ends the tag's too
        Plain,               // a byte of names and values like any other
    };
    enum class OpenQuote {
        EndsReading, // the attribute is not read, nor anything after it, and the tag has no ">"
        RunsToEnd,   // the value runs to the end of the text
    };
    Angle angle = Angle::EndsTag;
    Slash slash = Slash::EndsNameBeforeAngle;
    OpenQuote openQuote = OpenQuote::EndsReading;
};

// One attribute, its positions in the text read.
struct TagAttribute {
    std::string_view name;  // as written
    std::string_view value; // inside its quotes, or bare; empty without "="
    bool hasValue = false;  // an "=" follows the name (blanks allowed around it)
    std::size_t start = 0;  // the end of what was read before: where the separators before the name begin
    std::size_t end = 0;    // one past the value, its closing quote, or the name
};

// Reads the attributes of `text` one after the other from `from`, without keeping them.
class AttributeReader {
public:
    AttributeReader(std::string_view text, std::size_t from, TagSyntax syntax);

    // The next attribute; nullopt once the reading ended at the tag's ">", at the end of the
    // text or at a quote that is never closed.
    std::optional<TagAttribute> next();

    // The ">" that ended the reading, in the text; npos when none did (yet).
    std::size_t close() const { return m_close; }

private:
    std::size_t pastSeparators(std::size_t at) const;
    std::size_t nameEnd(std::size_t at) const;
    std::size_t bareValueEnd(std::size_t at) const;

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_close = std::string_view::npos;
    TagSyntax m_syntax;
    bool m_done = false;
};

// A tag read whole.
struct Tag {
    std::string name; // lower case; empty for an end tag ("</label"), whose name begins after "/"
    std::vector<TagAttribute> attributes;
    std::size_t close = std::string_view::npos; // the ">", in the text read; npos when it has none
};

// One past the tag name that starts at `from`: it ends at a blank, "/" or ">" (and "=" with
// Slash::EndsNames), or at the end of the text.
std::size_t tagNameEnd(std::string_view text, std::size_t from, TagSyntax syntax = {});

// The tag that starts at text[0] == '<': its name and its attributes up to its ">".
Tag readTag(std::string_view text, TagSyntax syntax = {});
// The same into `tag`, whose memory is used again: a walk that reads tag after tag asks for none.
void readTagInto(std::string_view text, Tag &tag, TagSyntax syntax = {});
// Only the `close` that readTag gives, without keeping the attributes.
std::size_t tagCloseOf(std::string_view text, TagSyntax syntax = {});

// The bytes that end a tag's name, an attribute's name or an unquoted value, as bits of one
// table entry, so that each byte of a tag is classed with one look-up.
namespace usual_bytes {
inline constexpr unsigned char kBlank = 1;  // " ", tab, line feed, carriage return, form feed
inline constexpr unsigned char kEquals = 2; // "="
inline constexpr unsigned char kClose = 4;  // ">"
inline constexpr unsigned char kSlash = 8;  // "/"
inline constexpr auto kClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (const char blank : {' ', '\t', '\n', '\r', '\f'}) {
        classes[static_cast<unsigned char>(blank)] = kBlank;
    }
    classes['='] = kEquals;
    classes['>'] = kClose;
    classes['/'] = kSlash;
    return classes;
}();
} // namespace usual_bytes

// readTag in the usual syntax (TagSyntax{}) without keeping anything: each attribute is given to
// `onAttribute(name, value, hasValue)` as it is read, and the close is answered. The steps of
// the attribute reader in one loop over the bytes, for the form walks that look at every field
// tag.
template <typename OnAttribute> std::size_t readUsualAttributes(std::string_view text, OnAttribute &&onAttribute) {
    using namespace usual_bytes;
    constexpr std::size_t npos = std::string_view::npos;
    const char *bytes = text.data();
    const std::size_t size = text.size();
    const auto is = [bytes](std::size_t at, unsigned char classes) {
        return (kClasses[static_cast<unsigned char>(bytes[at])] & classes) != 0;
    };
    std::size_t at = size == 0 ? 0 : 1; // past the tag's name, as tagNameEnd reads it
    while (at < size && !is(at, kBlank | kSlash | kClose)) {
        ++at;
    }
    for (;;) {
        while (at < size && is(at, kBlank | kSlash)) {
            ++at;
        }
        if (at >= size) {
            return npos;
        }
        if (bytes[at] == '>') {
            return at;
        }
        // The name, up to a blank, "=", ">" or the "/" of "/>".
        const std::size_t nameStart = at;
        while (at < size && (!is(at, kBlank | kEquals | kClose | kSlash) ||
                             (bytes[at] == '/' && (at + 1 == size || bytes[at + 1] != '>')))) {
            ++at;
        }
        const std::string_view name = text.substr(nameStart, at - nameStart);
        std::size_t equals = at;
        while (equals < size && is(equals, kBlank)) {
            ++equals;
        }
        if (equals >= size || bytes[equals] != '=') {
            onAttribute(name, std::string_view(), false);
            continue;
        }
        at = equals + 1;
        while (at < size && is(at, kBlank)) {
            ++at;
        }
        if (at < size && (bytes[at] == '"' || bytes[at] == '\'')) {
            const std::size_t quote = bytes::findNearByte(text, at + 1, bytes[at]);
            if (quote == npos) {
                return npos; // a quote never closed ends the reading: no close
            }
            onAttribute(name, text.substr(at + 1, quote - at - 1), true);
            at = quote + 1;
        } else {
            const std::size_t valueStart = at;
            while (at < size && !is(at, kBlank | kClose)) {
                ++at;
            }
            onAttribute(name, text.substr(valueStart, at - valueStart), true);
        }
    }
}

// The attributes of text that has no tag name before them (text taken from inside a tag, the
// body of a comment), from its start.
std::vector<TagAttribute> readAttributes(std::string_view text, TagSyntax syntax);

// The first attribute called `name` in any case, or null.
const TagAttribute *findAttribute(const std::vector<TagAttribute> &attributes, std::string_view name);

// The value of findAttribute; empty when there is none.
std::string_view attributeValue(const std::vector<TagAttribute> &attributes, std::string_view name);

} // namespace velmoraine::scan
