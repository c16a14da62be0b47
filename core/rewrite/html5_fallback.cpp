#include "core/rewrite/html5_fallback.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <unordered_map>

#include "core/base/bytes.h"
#include "core/rewrite/earlier_checks.h"
#include "core/rewrite/form_tags.h"
#include "core/rules/rule_record.h"
#include "core/scan/tag_reader.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string_view::npos;
using scan::attributeValue;
using scan::findAttribute;
using scan::Tag;
using scan::TagAttribute;

// ---------------------------------------------------------------------------------------------
// The attributes of one field
// ---------------------------------------------------------------------------------------------

// A limit as the script reads a plain decimal number; nullopt for anything else (empty,
// words, hexadecimal), for which no attribute is written.
std::optional<double> plainNumber(std::string_view text) {
    while (!text.empty() && bytes::isHtmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && bytes::isHtmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (char c : text) {
        if (!(c >= '0' && c <= '9') && c != '.' && c != '-') {
            return std::nullopt;
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The whole numbers a pattern quantifier or a length attribute can take.
constexpr double kLargestCount = 100000;

std::string count(double value) { return bytes::decimal(static_cast<long long>(value)); }

// Text of a regular expression class for one character: escaped where the u and v flags of
// the pattern attribute need it.
void appendClassCharacter(std::string &out, char c) {
    if (std::string_view("\\]-[^(){}/|").find(c) != npos) {
        out.push_back('\\');
    }
    out.push_back(c);
}

// Digits and the punctuation characters: between lowest and highest digits.
std::optional<std::string> digitsPattern(std::string_view punct, std::optional<double> lo, std::optional<double> hi) {
    const double from = lo && *lo > 0 ? std::ceil(*lo) : 0;
    const bool bounded = hi && *hi != 0;
    if (bounded && *hi < 0) {
        return std::nullopt; // the script refuses every value; nothing weaker to say
    }
    const double to = bounded ? std::floor(*hi) : 0;
    if (from > kLargestCount || to > kLargestCount || (bounded && from > to)) {
        return std::nullopt;
    }
    std::string quantifier = "{" + count(from) + "," + (bounded ? count(to) : std::string()) + "}";
    if (punct.empty()) {
        return "[0-9]" + quantifier;
    }
    std::string characters;
    std::set<char> seen;
    for (char c : punct) {
        if (seen.insert(c).second) {
            appendClassCharacter(characters, c);
        }
    }
    return "(?:[" + characters + "]*[0-9])" + quantifier + "[" + characters + "]*";
}

constexpr std::string_view kEmailPattern = R"([^\s@,;:<>\(\)\[\]\\".]([^\s@,;:<>\(\)\[\]\\"]*[^\s@,;:<>\(\)\[\]\\".])?)"
                                           R"(@[^\s@,;:<>\(\)\[\]\\".]+(\.[^\s@,;:<>\(\)\[\]\\".]+)+)";
constexpr std::string_view kNumberPattern = R"(\s*[+\-]?(\d+(\.\d*)?|\.\d+)\s*)";

bool isTextLike(const Tag &tag) {
    if (tag.name == "textarea") {
        return true;
    }
    if (tag.name != "input") {
        return false;
    }
    const std::string type = bytes::lowerAsciiCopy(attributeValue(tag.attributes, "type"));
    return type.empty() || type == "text" || type == "search" || type == "tel" || type == "url" || type == "email" ||
           type == "password";
}

std::string htmlAttributeValue(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c == '&') {
            out.append("&amp;");
        } else if (c == '"') {
            out.append("&quot;");
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The edits of one field tag
// ---------------------------------------------------------------------------------------------

// The attributes an earlier run wrote on the tag: its list of them and those the list names,
// in the list's order (a name listed twice, twice).
std::vector<const TagAttribute *> writtenAttributes(const Tag &tag) {
    std::vector<const TagAttribute *> cut;
    const TagAttribute *written = findAttribute(tag.attributes, kWrittenAttribute);
    if (written == nullptr) {
        return cut;
    }
    cut.push_back(written);
    std::string_view names = written->value;
    while (!names.empty()) {
        const std::size_t blank = names.find(' ');
        const std::string_view name = names.substr(0, blank);
        const TagAttribute *attribute = findAttribute(tag.attributes, name);
        if (!name.empty() && attribute != nullptr && attribute != written) {
            cut.push_back(attribute);
        }
        names = blank == npos ? std::string_view() : names.substr(blank + 1);
    }
    return cut;
}

struct KeptTag {
    std::string text;
    bool checksGone = false; // a handler lost the earlier tool's checks
};

// The tag's text without the attributes `cut` (each with the blanks before it) and, with
// `calls`, without those MM_validateForm calls in its event handlers; a handler left blank goes
// with one blank before it.
KeptTag keptTag(std::string_view text, const Tag &tag, const std::vector<const TagAttribute *> &cut,
                std::optional<ValidateCalls> calls, const ImportedFields &imported) {
    KeptTag kept;
    std::size_t from = 0;
    for (const TagAttribute &attribute : tag.attributes) {
        bool wasCut = false;
        for (const TagAttribute *c : cut) {
            if (c == &attribute) {
                kept.text.append(text.substr(from, attribute.start - from));
                from = attribute.end;
                wasCut = true;
            }
        }
        if (wasCut || !calls || !bytes::startsWithNoCase(attribute.name, "on")) {
            continue;
        }
        const std::optional<std::string> handler = withoutValidateCalls(attribute.value, *calls, imported);
        if (!handler) {
            continue;
        }
        kept.checksGone = true;
        if (std::all_of(handler->begin(), handler->end(), bytes::isHtmlSpace)) {
            std::size_t cutFrom = static_cast<std::size_t>(attribute.name.data() - text.data());
            if (cutFrom > attribute.start && bytes::isHtmlSpace(text[cutFrom - 1])) {
                --cutFrom;
            }
            kept.text.append(text.substr(from, cutFrom - from));
            from = attribute.end;
        } else {
            const auto valueStart = static_cast<std::size_t>(attribute.value.data() - text.data());
            kept.text.append(text.substr(from, valueStart - from));
            kept.text.append(*handler);
            from = valueStart + attribute.value.size();
        }
    }
    kept.text.append(text.substr(from));
    return kept;
}

// Writes `added` into the tag text before its ">" (or "/>"), and the list of their names in
// kWrittenAttribute.
void writeAttributes(std::string &tag, const Attributes &added) {
    if (added.empty()) {
        return;
    }
    std::string attributes;
    std::string list;
    for (const auto &[name, value] : added) {
        attributes.append(" " + name);
        if (!value.empty()) {
            attributes.append("=\"" + htmlAttributeValue(value) + "\"");
        }
        list.append(list.empty() ? name : " " + name);
    }
    attributes.append(" " + std::string(kWrittenAttribute) + "=\"" + list + "\"");
    std::size_t at = tag.size() - 1; // its ">"
    if (at > 0 && tag[at - 1] == '/') {
        --at;
    }
    tag.insert(at, attributes);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The fallback attributes and the edits
// ---------------------------------------------------------------------------------------------

Attributes fallbackAttributes(std::string_view text, std::string_view tagText) {
    Attributes out;
    const Tag tag = scan::readTag(tagText);
    const std::optional<rules::RuleRecord> record = rules::readRecord(text);
    if (!record || record->field.empty()) {
        return out;
    }
    const std::string type = bytes::lowerAsciiCopy(attributeValue(tag.attributes, "type"));
    if (tag.name == "button" || type == "hidden" || type == "submit" || type == "image" || type == "reset" ||
        type == "button") {
        return out;
    }
    const auto add = [&](std::string_view name, std::string value) {
        if (findAttribute(tag.attributes, name) == nullptr) {
            out.emplace_back(std::string(name), std::move(value));
        }
    };
    const std::optional<double> blank = plainNumber(record->blank);
    if (blank && *blank != 1) {
        add("required", "");
    }
    const bool textLike = isTextLike(tag);
    const std::optional<double> lo = plainNumber(record->low);
    const std::optional<double> hi = plainNumber(record->high);
    switch (record->kind) {
    case rules::RuleKind::FilledIn:
        if (textLike && lo && *lo > 1 && *lo <= kLargestCount) {
            add("minlength", count(std::ceil(*lo)));
        }
        if (textLike && hi && *hi >= 1 && *hi <= kLargestCount) {
            add("maxlength", count(std::floor(*hi)));
        }
        break;
    case rules::RuleKind::Email:
        if (textLike) {
            add("pattern", std::string(kEmailPattern));
        }
        break;
    case rules::RuleKind::DigitSequence:
        if (textLike) {
            const std::string_view punct = record->punct;
            if (std::optional<std::string> pattern = digitsPattern(punct, lo, hi)) {
                add("pattern", std::move(*pattern));
            }
            if (tag.name == "input") {
                add("inputmode", punct.empty() ? "numeric" : "tel");
            }
        }
        break;
    case rules::RuleKind::NumberValue:
        if (textLike) {
            add("pattern", std::string(kNumberPattern));
            if (tag.name == "input") {
                add("inputmode", "decimal");
            }
        } else if (type == "number" || type == "range") {
            if (lo && *lo != 0) {
                add("min", std::string(record->low));
            }
            if (hi && *hi != 0) {
                add("max", std::string(record->high));
            }
        }
        break;
    }
    return out;
}

std::vector<TagEdit> fallbackEdits(std::string_view page, std::size_t formTagClose,
                                   const std::vector<std::string> &records, Html5Fallback mode,
                                   const std::vector<std::string> *legacyFields, const bytes::NeedlePlaces *places) {
    std::vector<TagEdit> edits;
    const ImportedFields imported =
        legacyFields != nullptr ? ImportedFields(legacyFields->begin(), legacyFields->end()) : ImportedFields();
    const bool cleanHandlers = !imported.empty() && bytes::findFast(page, kValidateCall, formTagClose) != npos;
    const std::size_t written = places != nullptr ? places->indexOf(kWrittenAttribute) : npos;
    const std::size_t firstWritten = written != npos ? places->find(written, formTagClose, page.size())
                                                     : bytes::findFast(page, kWrittenAttribute, formTagClose);
    if (mode == Html5Fallback::Off && !cleanHandlers && firstWritten == npos) {
        return edits;
    }
    // The first record of each field name, as the checks run them.
    std::unordered_map<std::string_view, std::string_view> ruleOf;
    for (const std::string &record : records) {
        ruleOf.emplace(rules::recordFieldName(record), record);
    }
    walkFormTags(page, formTagClose + 1, [&](std::size_t start, std::string_view text, const Tag &tag) {
        const bool field = tag.name == "input" || tag.name == "select" || tag.name == "textarea";
        if (!field && tag.name != "button") {
            return;
        }
        const std::string_view name = attributeValue(tag.attributes, "name");
        std::optional<ValidateCalls> calls;
        if (cleanHandlers) {
            calls = field && imported.contains(name) ? ValidateCalls::All : ValidateCalls::NamingOnlyImported;
        }
        const std::vector<const TagAttribute *> cut =
            field ? writtenAttributes(tag) : std::vector<const TagAttribute *>();
        KeptTag kept = keptTag(text, tag, cut, calls, imported);
        Attributes added;
        if (field && mode == Html5Fallback::On) {
            if (const auto rule = ruleOf.find(name); !name.empty() && rule != ruleOf.end()) {
                added = fallbackAttributes(rule->second, kept.text);
            }
        }
        writeAttributes(kept.text, added);
        if (kept.text != text) {
            const TagChange change =
                kept.checksGone && cut.empty() && added.empty() ? TagChange::EarlierChecks : TagChange::Attributes;
            edits.push_back({start, start + text.size(), std::move(kept.text), change});
        }
    });
    return edits;
}

} // namespace velmoraine::rewrite
