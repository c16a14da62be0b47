#include "scan/form_scanner.h"

#include <array>
#include <functional>

#include "platform/bytes.h"
#include "scan/rule_recovery.h"

namespace velmoraine::scan {

namespace {

constexpr std::string_view kFormLower = "<form ";
constexpr std::string_view kFormUpper = "<FORM ";
constexpr std::size_t npos = std::string_view::npos;

// Finds the next occurrence of a fixed text at or after a position. The last answer is
// kept: it stays right for every later start up to it, so a walk whose starts move forward
// reads the text about once per needle, whatever the number of tags (a tag without ">" runs
// to the end of the text and must not make the walk quadratic). A start before the last one
// searches only the stretch up to the last start.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view needle) : m_text(text), m_needle(needle) {}

    std::size_t at(std::size_t from) {
        if (!m_valid) {
            search(from);
        } else if (from < m_from) {
            const std::size_t stretch = m_from - from + m_needle.size() - 1;
            const std::size_t found = m_text.substr(0, from + stretch).find(m_needle, from);
            m_from = from;
            if (found != npos) {
                m_found = found;
            }
        } else if (m_found != npos && m_found < from) {
            search(from);
        }
        return m_found;
    }

private:
    void search(std::size_t from) {
        m_found = m_text.find(m_needle, from);
        m_from = from;
        m_valid = true;
    }

    std::string_view m_text;
    std::string_view m_needle;
    std::size_t m_found = npos;
    std::size_t m_from = 0;
    bool m_valid = false;
};

// The searches of one attribute across a walk: its variants, in order of trial, and the ends
// of its values. Each attribute has its own value searches, so that reading the name and then
// the type of a tag does not send one search back and forth.
struct AttributeSearches {
    AttributeSearches(std::string_view text, std::array<std::string_view, 5> names)
        : variants{{{text, names[0]}, {text, names[1]}, {text, names[2]}, {text, names[3]}, {text, names[4]}}},
          doubleQuote(text, "\""), singleQuote(text, "'"), blank(text, " ") {}

    std::array<ForwardFinder, 5> variants;
    ForwardFinder doubleQuote;
    ForwardFinder singleQuote;
    ForwardFinder blank;
};

// Reads an attribute of the tag text [tagStart, tagEnd): the first variant that occurs decides,
// at its first occurrence. Returns false when it is absent or its quoted value is not closed
// inside the tag.
bool readAttribute(std::string_view text, std::size_t tagStart, std::size_t tagEnd, AttributeSearches &attribute,
                   std::string_view &value) {
    std::size_t at = npos;
    for (ForwardFinder &variant : attribute.variants) {
        const std::size_t found = variant.at(tagStart);
        if (found != npos && found < tagEnd) {
            at = found;
            break;
        }
    }
    if (at == npos) {
        return false;
    }
    // Every variant holds its "=": step over it and the blanks after it.
    std::size_t pos = text.find('=', at) + 1;
    while (pos < tagEnd && text[pos] == ' ') {
        ++pos;
    }
    if (pos >= tagEnd) {
        value = {};
        return true;
    }
    if (text[pos] == '"' || text[pos] == '\'') {
        ForwardFinder &quote = text[pos] == '"' ? attribute.doubleQuote : attribute.singleQuote;
        const std::size_t close = quote.at(pos + 1);
        if (close == npos || close >= tagEnd) {
            return false;
        }
        value = text.substr(pos + 1, close - pos - 1);
        return true;
    }
    // Unquoted: up to the first blank after the value's first character, or the tag's end.
    std::size_t end = attribute.blank.at(pos + 1);
    if (end == npos || end > tagEnd) {
        end = tagEnd;
    }
    value = text.substr(pos, end - pos);
    return true;
}

bool isExcludedInputType(std::string_view type) {
    static constexpr std::array<std::string_view, 7> kExcluded = {"submit", "image", "reset", "button",
                                                                  "hidden", "checkbox", "radio"};
    for (std::string_view word : kExcluded) {
        if (bytes::equalsNoCase(type, word)) {
            return true;
        }
    }
    return false;
}

// Distinct names in order of first occurrence. The names are views into the page, which
// outlives the walk, and the set is a flat open-addressing table of their indices, so a page
// with a million names costs no allocation per name.
class NameList {
public:
    void add(std::string_view name) {
        if ((m_names.size() + 1) * 2 > m_slots.size()) {
            grow();
        }
        std::size_t slot = place(name);
        if (m_slots[slot] == kEmpty) {
            m_slots[slot] = m_names.size();
            m_names.push_back(name);
        }
    }
    std::vector<std::string> take() const { return {m_names.begin(), m_names.end()}; }

private:
    static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);

    // The slot that holds `name`, or the empty slot where it belongs.
    std::size_t place(std::string_view name) const {
        const std::size_t mask = m_slots.size() - 1;
        std::size_t slot = std::hash<std::string_view>{}(name) & mask;
        while (m_slots[slot] != kEmpty && m_names[m_slots[slot]] != name) {
            slot = (slot + 1) & mask;
        }
        return slot;
    }

    void grow() {
        m_slots.assign(m_slots.empty() ? 64 : m_slots.size() * 2, kEmpty);
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            m_slots[place(m_names[i])] = i;
        }
    }

    std::vector<std::string_view> m_names;
    std::vector<std::size_t> m_slots;
};

// Walks the tags of the chosen form's text and lists the field names.
// States of the loop: at a "<" that opens a comment, the form's end, a field tag or any
// other tag; every other byte is skipped by the search for the next "<".
std::vector<std::string> walkTags(std::string_view text) {
    NameList names;
    ForwardFinder closeAngle(text, ">");
    ForwardFinder commentClose(text, "->");
    AttributeSearches name(text, {"name=", "NAME=", "Name=", "name =", "NAME ="});
    AttributeSearches type(text, {"type=", "TYPE=", "Type=", "type =", "TYPE ="});
    std::size_t pos = 0;
    for (;;) {
        const std::size_t lt = text.find('<', pos);
        if (lt == npos) {
            break;
        }
        const std::string_view at = text.substr(lt);
        if (at.substr(0, 3) == "<!-") {
            const std::size_t close = commentClose.at(lt + 3);
            pos = close == npos ? lt + 3 : close + 2;
            continue;
        }
        if (bytes::startsWithNoCase(at, "</form")) {
            break;
        }
        const bool isSelect = bytes::startsWithNoCase(at, "<select");
        const bool isTextarea = bytes::startsWithNoCase(at, "<textarea");
        const bool isInput = bytes::startsWithNoCase(at, "<input");
        if (isSelect || isTextarea || isInput) {
            std::size_t tagEnd = closeAngle.at(lt + 1);
            if (tagEnd == npos) {
                tagEnd = text.size();
            }
            std::string_view nameValue;
            if (readAttribute(text, lt, tagEnd, name, nameValue)) {
                bool listed = true;
                if (isInput) {
                    std::string_view typeValue;
                    if (readAttribute(text, lt, tagEnd, type, typeValue)) {
                        listed = !isExcludedInputType(typeValue);
                    }
                }
                if (listed) {
                    names.add(nameValue);
                }
            }
        }
        pos = lt + 1;
    }
    return names.take();
}

void appendAll(std::vector<std::size_t> &positions, std::string_view page, std::string_view needle) {
    for (std::size_t at = page.find(needle); at != npos; at = page.find(needle, at + 1)) {
        positions.push_back(at);
    }
}

} // namespace

std::vector<std::size_t> formTagPositions(std::string_view page) {
    std::vector<std::size_t> positions;
    appendAll(positions, page, kFormLower);
    appendAll(positions, page, kFormUpper);
    return positions;
}

std::size_t findFormTag(std::string_view page, int number) {
    if (number < 1) {
        return npos;
    }
    int count = 0;
    for (std::string_view needle : {kFormLower, kFormUpper}) {
        for (std::size_t at = page.find(needle); at != npos; at = page.find(needle, at + 1)) {
            if (++count == number) {
                return at;
            }
        }
    }
    return npos;
}

std::vector<std::string> chooserTagTexts(std::string_view page) {
    std::vector<std::string> texts;
    for (std::string_view needle : {kFormLower, kFormUpper}) {
        std::size_t from = 0;
        for (;;) {
            const std::size_t at = page.find(needle, from);
            if (at == npos) {
                break;
            }
            const std::size_t close = page.find('>', at + 2);
            if (close == npos) {
                // No ">" after this tag, so none after any later one of this kind either.
                break;
            }
            texts.emplace_back(page.substr(at, close - at + 1));
            from = close;
        }
    }
    return texts;
}

std::vector<std::string> listFields(std::string_view page, int chosenForm) {
    const std::size_t at = findFormTag(page, chosenForm);
    if (at == npos) {
        return {};
    }
    std::string_view form = page.substr(at);
    const bool lower = form.substr(0, kFormLower.size()) == kFormLower;
    const std::size_t close = form.find(lower ? "</form" : "</FORM", 2);
    if (close != npos) {
        form = form.substr(0, close);
    }
    return walkTags(form);
}

ScanResult scanPage(std::string_view page, const Chooser &chooser) {
    ScanResult result;
    std::size_t first = page.find(kFormLower);
    if (first == npos) {
        first = page.find(kFormUpper);
    }
    if (first == npos) {
        return result;
    }
    result.formFound = true;
    const std::size_t from = first + 2;
    result.severalForms = page.find(kFormLower, from) != npos || page.find(kFormUpper, from) != npos;
    if (result.severalForms && chooser) {
        result.chosenForm = chooser(chooserTagTexts(page));
    }
    recoverRules(page, result.rules);
    result.fields = listFields(page, result.chosenForm);
    return result;
}

} // namespace velmoraine::scan
