// The tags of a form that the rewriter edits and checks (its fields, buttons and labels), found
// by plain searches and read with the scan's tag reader.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/base/bytes.h"
#include "core/scan/tag_reader.h"

namespace velmoraine::rewrite {

// Whether `rest` starts with the tag `name` ("<label", any case) followed by a blank, "/" or ">".
inline bool startsTag(std::string_view rest, std::string_view name) {
    if (!bytes::startsWithNoCase(rest, name) || rest.size() <= name.size()) {
        return false;
    }
    const char after = rest[name.size()];
    return bytes::isHtmlSpace(after) || after == '/' || after == '>';
}

// The tags of a form, from `from` (after its opening tag) to its closing tag, else the page's
// end, passing over comments: `onTag(at, rest, name)` is called for each input, select,
// textarea, button and label tag and each closing label tag at `at` ("<input", ..., "</label"
// as `name`, `rest` the page from there) and answers where the walk goes on.
// The search finds each block's "<" once and passes over every one that can start none of
// these, a comment or the form's end, with a look at the bytes after it.
template <typename OnTag> void walkFormTagStarts(std::string_view page, std::size_t from, OnTag &&onTag) {
    constexpr std::size_t npos = std::string_view::npos;
    const bytes::TagStartSearch starts("istbl", "lf");
    bytes::TagStartCursor cursor(starts, page);
    const auto nextStart = [&](std::size_t at) { return cursor.next(at); };
    std::size_t at = nextStart(from);
    while (at != npos) {
        const std::string_view rest = page.substr(at);
        if (rest.starts_with("<!--")) {
            const std::size_t end = page.find("-->", at + 4);
            if (end == npos) {
                return;
            }
            at = nextStart(end + 3);
            continue;
        }
        // The second byte tells which of the tags the walk looks at this can be: most are none.
        const char second = rest.size() > 1 ? bytes::lowerAscii(rest[1]) : '\0';
        if (second == '/' && bytes::startsWithNoCase(rest, "</form")) {
            return;
        }
        std::string_view name;
        switch (second) {
        case 'i': name = "<input"; break;
        case 's': name = "<select"; break;
        case 't': name = "<textarea"; break;
        case 'b': name = "<button"; break;
        case 'l': name = "<label"; break;
        case '/': name = "</label"; break;
        default: break;
        }
        const std::size_t next = !name.empty() && startsTag(rest, name) ? onTag(at, rest, name) : at + 1;
        at = nextStart(next);
    }
}

// The form's tags as walkFormTagStarts finds them. `visit(start, text, tag)` sees each of them
// that has a ">": its position in the page, its text from "<" through ">" and the tag as read.
// The walk goes on after that ">".
template <typename Visit> void walkFormTags(std::string_view page, std::size_t from, Visit &&visit) {
    scan::Tag tag; // one for the walk, read again at each tag
    walkFormTagStarts(page, from, [&](std::size_t at, std::string_view rest, std::string_view) {
        scan::readTagInto(rest, tag);
        if (tag.close == std::string_view::npos) {
            return at + 1;
        }
        visit(at, rest.substr(0, tag.close + 1), tag);
        return at + tag.close + 1;
    });
}

} // namespace velmoraine::rewrite
