#include "core/rewrite/visitor_extras.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <set>
#include <unordered_map>

#include "core/base/bytes.h"
#include "core/base/sha256.h"
#include "core/base/texts.h"
#include "core/rewrite/earlier_checks.h"
#include "core/rewrite/script_block.h"
#include "core/rules/rule_record.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// ---------------------------------------------------------------------------------------------
// Tags and their attributes
// ---------------------------------------------------------------------------------------------

struct TagAttribute {
    std::string_view name;
    std::string_view value;
    std::size_t start = 0; // the blank before the name, in the tag text
    std::size_t end = 0;   // one past the value (or the name)
};

struct Tag {
    std::string name; // lower case
    std::vector<TagAttribute> attributes;
    std::size_t close = npos; // the ">", in the tag text
};

// Reads the tag that starts at text[0] == '<'; close is npos when it has no ">".
Tag readTag(std::string_view text) {
    Tag tag;
    std::size_t at = 1;
    while (at < text.size() && !bytes::isHtmlSpace(text[at]) && text[at] != '>' && text[at] != '/') {
        tag.name.push_back(bytes::lowerAscii(text[at++]));
    }
    for (;;) {
        const std::size_t blank = at;
        while (at < text.size() && (bytes::isHtmlSpace(text[at]) || text[at] == '/')) {
            ++at;
        }
        if (at >= text.size()) {
            return tag;
        }
        if (text[at] == '>') {
            tag.close = at;
            return tag;
        }
        TagAttribute attribute;
        attribute.start = blank;
        const std::size_t nameStart = at;
        while (at < text.size() && !bytes::isHtmlSpace(text[at]) && text[at] != '=' && text[at] != '>' &&
               !(text[at] == '/' && at + 1 < text.size() && text[at + 1] == '>')) {
            ++at;
        }
        attribute.name = text.substr(nameStart, at - nameStart);
        std::size_t look = at;
        while (look < text.size() && bytes::isHtmlSpace(text[look])) {
            ++look;
        }
        if (look < text.size() && text[look] == '=') {
            at = look + 1;
            while (at < text.size() && bytes::isHtmlSpace(text[at])) {
                ++at;
            }
            if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
                const std::size_t end = text.find(text[at], at + 1);
                if (end == npos) {
                    return tag;
                }
                attribute.value = text.substr(at + 1, end - at - 1);
                at = end + 1;
            } else {
                const std::size_t valueStart = at;
                while (at < text.size() && !bytes::isHtmlSpace(text[at]) && text[at] != '>') {
                    ++at;
                }
                attribute.value = text.substr(valueStart, at - valueStart);
            }
        }
        attribute.end = at;
        tag.attributes.push_back(attribute);
    }
}

const TagAttribute *findAttribute(const Tag &tag, std::string_view name) {
    for (const TagAttribute &attribute : tag.attributes) {
        if (bytes::equalsNoCase(attribute.name, name)) {
            return &attribute;
        }
    }
    return nullptr;
}

std::string attributeText(const Tag &tag, std::string_view name) {
    const TagAttribute *attribute = findAttribute(tag, name);
    return attribute != nullptr ? std::string(attribute->value) : std::string();
}

// The next tag `name` ("<label", any case) at or after `from`, followed by a blank or ">".
std::size_t findTag(std::string_view page, std::size_t from, std::string_view name) {
    for (std::size_t at = page.find('<', from); at != npos; at = page.find('<', at + 1)) {
        const std::string_view rest = page.substr(at);
        if (bytes::startsWithNoCase(rest, name) && rest.size() > name.size() &&
            (bytes::isHtmlSpace(rest[name.size()]) || rest[name.size()] == '>' || rest[name.size()] == '/')) {
            return at;
        }
    }
    return npos;
}

// The tags of a form, from after its opening tag to its closing tag (else the page's end),
// passing over comments. `visit(start, text, tag)` sees every input, select, textarea, button
// and label tag, and every closing label tag.
template <typename Visit> void walkForm(std::string_view page, std::size_t from, Visit &&visit) {
    std::size_t at = page.find('<', from);
    while (at != npos) {
        const std::string_view rest = page.substr(at);
        if (rest.starts_with("<!--")) {
            const std::size_t end = page.find("-->", at + 4);
            if (end == npos) {
                return;
            }
            at = page.find('<', end + 3);
            continue;
        }
        if (bytes::startsWithNoCase(rest, "</form")) {
            return;
        }
        std::size_t next = at + 1;
        for (std::string_view name : {"<input", "<select", "<textarea", "<button", "<label", "</label"}) {
            if (bytes::startsWithNoCase(rest, name) &&
                (rest.size() == name.size() || bytes::isHtmlSpace(rest[name.size()]) || rest[name.size()] == '>' ||
                 rest[name.size()] == '/')) {
                const Tag tag = readTag(rest);
                if (tag.close != npos) {
                    visit(at, rest.substr(0, tag.close + 1), tag);
                    next = at + tag.close + 1;
                }
                break;
            }
        }
        at = page.find('<', next);
    }
}

// ---------------------------------------------------------------------------------------------
// The fallback attributes
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
    const std::string type = bytes::lowerAsciiCopy(attributeText(tag, "type"));
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

} // namespace

Attributes fallbackAttributes(std::string_view text, std::string_view tagText) {
    Attributes out;
    const Tag tag = readTag(tagText);
    const std::optional<rules::RuleRecord> record = rules::readRecord(text);
    if (!record || record->field.empty()) {
        return out;
    }
    const std::string type = bytes::lowerAsciiCopy(attributeText(tag, "type"));
    if (tag.name == "button" || type == "hidden" || type == "submit" || type == "image" || type == "reset" ||
        type == "button") {
        return out;
    }
    const auto add = [&](std::string_view name, std::string value) {
        if (findAttribute(tag, name) == nullptr) {
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
                                   const std::vector<std::string> *legacyFields) {
    std::vector<TagEdit> edits;
    const ImportedFields imported =
        legacyFields != nullptr ? ImportedFields(legacyFields->begin(), legacyFields->end()) : ImportedFields();
    const bool cleanHandlers = !imported.empty() && bytes::findFast(page, kValidateCall, formTagClose) != npos;
    if (mode == Html5Fallback::Off && !cleanHandlers &&
        bytes::findFast(page, kWrittenAttribute, formTagClose) == npos) {
        return edits;
    }
    // The first record of each field name, as the checks run them.
    std::unordered_map<std::string_view, std::string_view> ruleOf;
    for (const std::string &record : records) {
        ruleOf.emplace(rules::recordFieldName(record), record);
    }
    walkForm(page, formTagClose + 1, [&](std::size_t start, std::string_view text, const Tag &tag) {
        const bool field = tag.name == "input" || tag.name == "select" || tag.name == "textarea";
        if (!field && tag.name != "button") {
            return;
        }
        // The attributes an earlier run wrote, which go.
        std::vector<const TagAttribute *> cut;
        if (const TagAttribute *written = field ? findAttribute(tag, kWrittenAttribute) : nullptr) {
            cut.push_back(written);
            std::string_view names = written->value;
            while (!names.empty()) {
                const std::size_t blank = names.find(' ');
                const std::string_view name = names.substr(0, blank);
                const TagAttribute *attribute = findAttribute(tag, name);
                if (!name.empty() && attribute != nullptr && attribute != written) {
                    cut.push_back(attribute);
                }
                names = blank == npos ? std::string_view() : names.substr(blank + 1);
            }
        }
        const std::string name = attributeText(tag, "name");
        const ValidateCalls calls =
            field && imported.contains(name) ? ValidateCalls::All : ValidateCalls::NamingOnlyImported;
        // The tag without what an earlier run wrote and without the earlier tool's checks.
        std::string kept;
        std::size_t from = 0;
        bool checksGone = false;
        for (const TagAttribute &attribute : tag.attributes) {
            bool wasCut = false;
            for (const TagAttribute *c : cut) {
                if (c == &attribute) {
                    kept.append(text.substr(from, attribute.start - from));
                    from = attribute.end;
                    wasCut = true;
                }
            }
            if (wasCut || !cleanHandlers || !bytes::startsWithNoCase(attribute.name, "on")) {
                continue;
            }
            const std::optional<std::string> handler = withoutValidateCalls(attribute.value, calls, imported);
            if (!handler) {
                continue;
            }
            checksGone = true;
            if (std::all_of(handler->begin(), handler->end(), bytes::isHtmlSpace)) {
                // The whole attribute goes, with one blank before it.
                std::size_t cutFrom = static_cast<std::size_t>(attribute.name.data() - text.data());
                if (cutFrom > attribute.start && bytes::isHtmlSpace(text[cutFrom - 1])) {
                    --cutFrom;
                }
                kept.append(text.substr(from, cutFrom - from));
                from = attribute.end;
            } else {
                const auto valueStart = static_cast<std::size_t>(attribute.value.data() - text.data());
                kept.append(text.substr(from, valueStart - from));
                kept.append(*handler);
                from = valueStart + attribute.value.size();
            }
        }
        kept.append(text.substr(from));
        Attributes added;
        if (field && mode == Html5Fallback::On) {
            if (const auto rule = ruleOf.find(name); !name.empty() && rule != ruleOf.end()) {
                added = fallbackAttributes(rule->second, kept);
            }
        }
        if (!added.empty()) {
            std::string attributes;
            std::string list;
            for (const auto &[attributeName, value] : added) {
                attributes.append(" " + attributeName);
                if (!value.empty()) {
                    attributes.append("=\"" + htmlAttributeValue(value) + "\"");
                }
                list.append(list.empty() ? attributeName : " " + attributeName);
            }
            attributes.append(" " + std::string(kWrittenAttribute) + "=\"" + list + "\"");
            std::size_t at = kept.size() - 1; // its ">"
            if (at > 0 && kept[at - 1] == '/') {
                --at;
            }
            kept.insert(at, attributes);
        }
        if (kept != text) {
            const TagChange change =
                checksGone && cut.empty() && added.empty() ? TagChange::EarlierChecks : TagChange::Attributes;
            edits.push_back({start, start + text.size(), std::move(kept), change});
        }
    });
    return edits;
}

std::string cspHash(std::string_view block) {
    const std::size_t begin = block.find(kBeginMarker);
    const std::size_t script = begin == npos ? npos : block.find("<script", begin);
    const std::size_t open = script == npos ? npos : block.find('>', script);
    const std::size_t close = open == npos ? npos : block.find("</script>", open);
    if (close == npos) {
        return {};
    }
    // The browser reads CR LF and a lone CR as LF before it hashes the text.
    std::string text;
    const std::string_view content = block.substr(open + 1, close - open - 1);
    text.reserve(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r') {
            text.push_back('\n');
            if (i + 1 < content.size() && content[i + 1] == '\n') {
                ++i;
            }
        } else {
            text.push_back(content[i]);
        }
    }
    const auto digest = sha256::digest(text);
    return "'sha256-" + sha256::base64(std::string_view(reinterpret_cast<const char *>(digest.data()), digest.size())) +
           "'";
}

std::vector<std::string> authorWarnings(std::string_view page, std::size_t formTagStart, std::size_t formTagClose,
                                        const std::vector<std::string> &records, std::string_view hash) {
    std::vector<std::string> warnings;
    std::set<std::string, std::less<>> ruled;
    for (const std::string &record : records) {
        ruled.emplace(rules::recordFieldName(record));
    }
    // Labels may stand anywhere in the page.
    std::set<std::string> labelled;
    for (std::size_t at = findTag(page, 0, "<label"); at != npos; at = findTag(page, at + 1, "<label")) {
        const Tag tag = readTag(page.substr(at));
        if (const TagAttribute *target = findAttribute(tag, "for")) {
            labelled.insert(std::string(target->value));
        }
    }
    int labelDepth = 0;
    bool submitButton = false;
    std::set<std::string> reported;
    walkForm(page, formTagClose + 1, [&](std::size_t, std::string_view, const Tag &tag) {
        const std::string type = bytes::lowerAsciiCopy(attributeText(tag, "type"));
        if (tag.name == "label") {
            ++labelDepth;
            return;
        }
        if (tag.name == "/label") {
            labelDepth = labelDepth > 0 ? labelDepth - 1 : 0;
            return;
        }
        if (tag.name == "button" || type == "submit" || type == "image" || type == "reset" || type == "button") {
            if ((tag.name == "button" && type.empty()) || type == "submit" || type == "image") {
                submitButton = true;
            }
            return;
        }
        if (type == "hidden") {
            return;
        }
        const std::string name = attributeText(tag, "name");
        const std::string id = attributeText(tag, "id");
        const bool hasLabel =
            labelDepth > 0 || (!id.empty() && labelled.count(id) != 0) || findAttribute(tag, "aria-label") != nullptr ||
            findAttribute(tag, "aria-labelledby") != nullptr || findAttribute(tag, "title") != nullptr;
        if (!hasLabel && ruled.contains(name) && reported.insert(name).second) {
            warnings.push_back(texts::fill(texts::kWarnFieldWithoutLabel, name));
        }
    });
    if (!submitButton) {
        warnings.emplace_back(texts::kWarnNoSubmitButton);
    }
    const Tag form = readTag(page.substr(formTagStart, formTagClose + 1 - formTagStart));
    if (const TagAttribute *own = findAttribute(form, "onsubmit");
        own != nullptr && own->value.find("velmoraine_sub") == npos) {
        warnings.push_back(texts::fill(texts::kWarnOnSubmitReplaced, own->value));
    }
    for (std::size_t at = findTag(page, 0, "<meta"); at != npos; at = findTag(page, at + 1, "<meta")) {
        const Tag meta = readTag(page.substr(at));
        if (!bytes::equalsNoCase(attributeText(meta, "http-equiv"), "Content-Security-Policy")) {
            continue;
        }
        // The script-src directive, else default-src; none of them: scripts are not limited.
        const std::string policy = attributeText(meta, "content");
        std::string_view sources;
        bool found = false;
        for (std::string_view directive : {"script-src", "default-src"}) {
            std::string_view rest = policy;
            while (!found && !rest.empty()) {
                const std::size_t end = rest.find(';');
                std::string_view part = rest.substr(0, end);
                while (!part.empty() && bytes::isHtmlSpace(part.front())) {
                    part.remove_prefix(1);
                }
                if (bytes::startsWithNoCase(part, directive) &&
                    (part.size() == directive.size() || bytes::isHtmlSpace(part[directive.size()]))) {
                    sources = part.substr(directive.size());
                    found = true;
                }
                rest = end == npos ? std::string_view() : rest.substr(end + 1);
            }
            if (found) {
                break;
            }
        }
        if (!found) {
            continue;
        }
        const std::string lower = bytes::lowerAsciiCopy(sources);
        const bool inlineAllowed = lower.find("'unsafe-inline'") != npos && lower.find("'sha") == npos &&
                                   lower.find("'nonce-") == npos && lower.find("'strict-dynamic'") == npos;
        if (!inlineAllowed && sources.find(hash) == npos) {
            warnings.push_back(texts::fill(texts::kWarnPolicyBlocksChecks, hash));
        }
    }
    return warnings;
}

} // namespace velmoraine::rewrite
