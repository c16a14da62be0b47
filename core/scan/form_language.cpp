#include "core/scan/form_language.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "core/base/bytes.h"
#include "core/scan/tag_reader.h"

namespace velmoraine::scan {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Elements that never hold content, so no end tag closes them.
bool isVoid(std::string_view name) {
    static constexpr std::array<std::string_view, 14> kVoid = {
        "area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param", "source", "track", "wbr"};
    return std::find(kVoid.begin(), kVoid.end(), name) != kVoid.end();
}

// Elements whose content is text up to their own end tag.
bool isRawText(std::string_view name) {
    return name == "script" || name == "style" || name == "textarea" || name == "title";
}

// One start tag, from its "<": its lower-cased name, its lang attribute when it has one, and
// where it ends (after its ">", or the page's end).
struct StartTag {
    std::string name;
    std::optional<std::string> lang;
    std::size_t end = 0;
};

// The walk answers for the page's script, which finds the nearest lang among the elements the
// browser built. So every "/" ends an attribute's name, as it does there ("<p/lang=de>" has a
// lang); "=" ends the tag's name too, as the walk has always read it. A value whose quote is
// never closed runs to the page's end: the browser then builds no form at all, so any answer
// would do, and this one is the one the walk has always given.
constexpr TagSyntax kStartTag{.slash = TagSyntax::Slash::EndsNames, .openQuote = TagSyntax::OpenQuote::RunsToEnd};

StartTag readStartTag(std::string_view page, std::size_t at) {
    StartTag tag;
    const std::size_t nameEnd = tagNameEnd(page, at + 1, kStartTag);
    tag.name = bytes::lowerAsciiCopy(page.substr(at + 1, nameEnd - at - 1));
    AttributeReader reader(page, nameEnd, kStartTag);
    while (const std::optional<TagAttribute> attribute = reader.next()) {
        if (!tag.lang && bytes::equalsNoCase(attribute->name, "lang")) {
            tag.lang = std::string(attribute->value);
        }
    }
    tag.end = reader.close() != npos ? reader.close() + 1 : page.size();
    return tag;
}

} // namespace

std::optional<std::string_view> offeredLanguage(std::string_view lang) {
    const std::size_t dash = lang.find_first_of("-_");
    const std::string_view language = lang.substr(0, dash);
    for (std::string_view code : kVisitorLanguages) {
        if (bytes::equalsNoCase(language, code)) {
            return code;
        }
    }
    return std::nullopt;
}

FormLanguage formLanguage(std::string_view page, std::size_t formTagStart) {
    // The open elements, each with its lang when it has one; how many of each name are open,
    // so that an end tag that matches nothing open costs nothing, and one that does pops each
    // element once.
    struct Open {
        std::string name;
        std::optional<std::string> lang;
    };
    std::vector<Open> open;
    std::unordered_map<std::string, std::size_t> openByName;
    std::size_t at = 0;
    while (at < formTagStart) {
        const std::size_t lt = page.find('<', at);
        if (lt == npos || lt >= formTagStart) {
            break;
        }
        const std::string_view rest = page.substr(lt);
        if (rest.starts_with("<!--")) {
            const std::size_t close = page.find("-->", lt + 4);
            at = close == npos ? page.size() : close + 3;
        } else if (rest.starts_with("<!") || rest.starts_with("<?")) {
            const std::size_t close = page.find('>', lt);
            at = close == npos ? page.size() : close + 1;
        } else if (rest.starts_with("</")) {
            const std::size_t i = tagNameEnd(page, lt + 2, kStartTag);
            const std::string name = bytes::lowerAsciiCopy(page.substr(lt + 2, i - lt - 2));
            const auto found = openByName.find(name);
            if (found != openByName.end() && found->second > 0) {
                while (!open.empty()) {
                    const bool match = open.back().name == name;
                    --openByName[open.back().name];
                    open.pop_back();
                    if (match) {
                        break;
                    }
                }
            }
            const std::size_t close = page.find('>', i);
            at = close == npos ? page.size() : close + 1;
        } else if (rest.size() > 1 && ((rest[1] >= 'a' && rest[1] <= 'z') || (rest[1] >= 'A' && rest[1] <= 'Z'))) {
            StartTag tag = readStartTag(page, lt);
            at = tag.end;
            if (isRawText(tag.name)) {
                // Up to the element's own end tag, in any case.
                const std::string endTag = "</" + tag.name;
                std::size_t end = at;
                while ((end = page.find("</", end)) != npos && !bytes::startsWithNoCase(page.substr(end), endTag)) {
                    end += 2;
                }
                at = end == npos ? page.size() : end;
            } else if (!isVoid(tag.name)) {
                // "/>" closes nothing in HTML: only elements without content never open.
                ++openByName[tag.name];
                open.push_back({std::move(tag.name), std::move(tag.lang)});
            }
        } else {
            at = lt + 1;
        }
    }
    FormLanguage result;
    if (formTagStart < page.size()) {
        result.declared = readStartTag(page, formTagStart).lang;
    }
    for (auto it = open.rbegin(); !result.declared && it != open.rend(); ++it) {
        result.declared = it->lang;
    }
    if (result.declared) {
        result.inEffect = offeredLanguage(*result.declared).value_or("en");
    }
    return result;
}

} // namespace velmoraine::scan
