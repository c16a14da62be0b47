#include "core/scan/reference_walk.h"

#include <array>
#include <unordered_set>

#include "core/base/bytes.h"

namespace velmoraine::scan::reference {

namespace {

constexpr std::size_t npos = std::string_view::npos;

using Variants = std::array<std::string_view, 5>;
constexpr Variants kNameVariants = {"name=", "NAME=", "Name=", "name =", "NAME ="};
constexpr Variants kTypeVariants = {"type=", "TYPE=", "Type=", "type =", "TYPE ="};
constexpr std::array<std::string_view, 7> kUnlistedTypes = {"submit", "image",    "reset", "button",
                                                            "hidden", "checkbox", "radio"};

// The value of an attribute of the tag [start, end): the first variant that occurs in the
// tag decides; blanks after "=" are skipped; a quoted value must close inside the tag, an
// unquoted one ends at the next blank or at the tag's end. False when there is none.
bool attributeValue(std::string_view form, std::size_t start, std::size_t end, const Variants &variants,
                    std::string_view &value) {
    // No variant holds a ">", so none runs past the tag's end: searching up to it is enough.
    form = form.substr(0, end);
    std::size_t at = npos;
    for (std::string_view variant : variants) {
        const std::size_t found = form.find(variant, start);
        if (found != npos && found < end) {
            at = found;
            break;
        }
    }
    if (at == npos) {
        return false;
    }
    std::size_t pos = form.find('=', at) + 1;
    while (pos < end && form[pos] == ' ') {
        ++pos;
    }
    if (pos >= end) {
        value = {};
        return true;
    }
    if (form[pos] == '"' || form[pos] == '\'') {
        const std::size_t close = form.find(form[pos], pos + 1);
        if (close == npos || close >= end) {
            return false;
        }
        value = form.substr(pos + 1, close - pos - 1);
        return true;
    }
    std::size_t stop = form.find(' ', pos + 1);
    if (stop == npos || stop > end) {
        stop = end;
    }
    value = form.substr(pos, stop - pos);
    return true;
}

bool listedType(std::string_view type) {
    for (std::string_view word : kUnlistedTypes) {
        if (bytes::equalsNoCase(type, word)) {
            return false;
        }
    }
    return true;
}

// A form tag other than "<form " and "<FORM ": "<form" in any case followed by a blank, a
// tab, a line break, a form feed, "/" or ">".
bool isOtherFormTag(std::string_view tag) {
    constexpr std::string_view kEndsName = " \t\n\r\f/>";
    return tag.size() >= 6 && tag != "<form " && tag != "<FORM " && bytes::startsWithNoCase(tag, "<form") &&
           kEndsName.find(tag[5]) != npos;
}

} // namespace

std::vector<std::size_t> formTagPositions(std::string_view page) {
    std::vector<std::size_t> positions;
    for (std::string_view spelling : {std::string_view("<form "), std::string_view("<FORM ")}) {
        for (std::size_t at = page.find(spelling); at != npos; at = page.find(spelling, at + 1)) {
            positions.push_back(at);
        }
    }
    for (std::size_t at = page.find('<'); at != npos; at = page.find('<', at + 1)) {
        if (isOtherFormTag(page.substr(at, 6))) {
            positions.push_back(at);
        }
    }
    return positions;
}

std::size_t findFormTag(std::string_view page, int number) {
    const std::vector<std::size_t> positions = formTagPositions(page);
    if (number < 1 || static_cast<std::size_t>(number) > positions.size()) {
        return npos;
    }
    return positions[static_cast<std::size_t>(number) - 1];
}

std::vector<std::string> fieldsOfForm(std::string_view page, std::size_t at) {
    std::string_view form = page.substr(at);
    std::size_t close = npos;
    if (form.substr(0, 6) == "<form ") {
        close = form.find("</form", 2);
    } else if (form.substr(0, 6) == "<FORM ") {
        close = form.find("</FORM", 2);
    } else {
        for (close = form.find("</", 2); close != npos && !bytes::startsWithNoCase(form.substr(close), "</form");) {
            close = form.find("</", close + 1);
        }
    }
    if (close != npos) {
        form = form.substr(0, close);
    }
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (std::size_t pos = 0, lt; (lt = form.find('<', pos)) != npos;) {
        const std::string_view tag = form.substr(lt);
        if (tag.substr(0, 3) == "<!-") {
            const std::size_t end = form.find("->", lt + 3);
            pos = end == npos ? lt + 3 : end + 2;
            continue;
        }
        if (bytes::startsWithNoCase(tag, "</form")) {
            break;
        }
        const bool isInput = bytes::startsWithNoCase(tag, "<input");
        if (isInput || bytes::startsWithNoCase(tag, "<select") || bytes::startsWithNoCase(tag, "<textarea")) {
            std::size_t end = form.find('>', lt + 1);
            if (end == npos) {
                end = form.size();
            }
            std::string_view name;
            if (attributeValue(form, lt, end, kNameVariants, name)) {
                std::string_view type;
                const bool listed = !isInput || !attributeValue(form, lt, end, kTypeVariants, type) || listedType(type);
                if (listed && seen.insert(std::string(name)).second) {
                    names.emplace_back(name);
                }
            }
        }
        pos = lt + 1;
    }
    return names;
}

std::vector<std::string> listFields(std::string_view page, int number) {
    const std::size_t at = findFormTag(page, number);
    return at == npos ? std::vector<std::string>() : fieldsOfForm(page, at);
}

} // namespace velmoraine::scan::reference
