#include "core/rewrite/author_warnings.h"

#include <optional>
#include <set>

#include "core/base/bytes.h"
#include "core/base/texts.h"
#include "core/rewrite/form_tags.h"
#include "core/rules/rule_record.h"
#include "core/scan/tag_reader.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string_view::npos;
using scan::attributeValue;
using scan::findAttribute;
using scan::Tag;

using Names = std::set<std::string, std::less<>>;

// The next tag `name` ("<label", any case) at or after `from`; npos when there is none.
std::size_t findTag(std::string_view page, std::size_t from, std::string_view name) {
    for (std::size_t at = page.find('<', from); at != npos; at = page.find('<', at + 1)) {
        if (startsTag(page.substr(at), name)) {
            return at;
        }
    }
    return npos;
}

// The ids that a label names in its for attribute; labels may stand anywhere in the page.
Names labelledIds(std::string_view page) {
    Names labelled;
    for (std::size_t at = findTag(page, 0, "<label"); at != npos; at = findTag(page, at + 1, "<label")) {
        const Tag tag = scan::readTag(page.substr(at));
        if (const scan::TagAttribute *target = findAttribute(tag.attributes, "for")) {
            labelled.emplace(target->value);
        }
    }
    return labelled;
}

// Walks the form's tags: a warning for each field with a rule that has no label, once a name.
// Whether the form has a submit button.
bool checkFields(std::string_view page, std::size_t formTagClose, const Names &ruled,
                 std::vector<std::string> &warnings) {
    const Names labelled = labelledIds(page);
    int labelDepth = 0; // labels open around the tag
    bool submitButton = false;
    Names reported;
    walkFormTags(page, formTagClose + 1, [&](std::size_t, std::string_view, const Tag &tag) {
        const std::string type = bytes::lowerAsciiCopy(attributeValue(tag.attributes, "type"));
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
        const std::string_view name = attributeValue(tag.attributes, "name");
        const std::string_view id = attributeValue(tag.attributes, "id");
        const bool hasLabel = labelDepth > 0 || (!id.empty() && labelled.contains(id)) ||
                              findAttribute(tag.attributes, "aria-label") != nullptr ||
                              findAttribute(tag.attributes, "aria-labelledby") != nullptr ||
                              findAttribute(tag.attributes, "title") != nullptr;
        if (!hasLabel && ruled.contains(name) && reported.emplace(name).second) {
            warnings.push_back(texts::fill(texts::kWarnFieldWithoutLabel, name));
        }
    });
    return submitButton;
}

// The sources of a policy's script-src directive, else of its default-src; nullopt when it has
// neither, and scripts are not limited.
std::optional<std::string_view> scriptSources(std::string_view policy) {
    for (std::string_view directive : {"script-src", "default-src"}) {
        std::string_view rest = policy;
        while (!rest.empty()) {
            const std::size_t end = rest.find(';');
            std::string_view part = rest.substr(0, end);
            while (!part.empty() && bytes::isHtmlSpace(part.front())) {
                part.remove_prefix(1);
            }
            if (bytes::startsWithNoCase(part, directive) &&
                (part.size() == directive.size() || bytes::isHtmlSpace(part[directive.size()]))) {
                return part.substr(directive.size());
            }
            rest = end == npos ? std::string_view() : rest.substr(end + 1);
        }
    }
    return std::nullopt;
}

// A warning for each Content-Security-Policy meta tag of the page whose script sources let
// neither inline scripts nor the block's `hash` run.
void checkPolicies(std::string_view page, std::string_view hash, std::vector<std::string> &warnings) {
    for (std::size_t at = findTag(page, 0, "<meta"); at != npos; at = findTag(page, at + 1, "<meta")) {
        const Tag meta = scan::readTag(page.substr(at));
        if (!bytes::equalsNoCase(attributeValue(meta.attributes, "http-equiv"), "Content-Security-Policy")) {
            continue;
        }
        const std::optional<std::string_view> sources = scriptSources(attributeValue(meta.attributes, "content"));
        if (!sources) {
            continue;
        }
        const std::string lower = bytes::lowerAsciiCopy(*sources);
        const bool inlineAllowed = lower.find("'unsafe-inline'") != npos && lower.find("'sha") == npos &&
                                   lower.find("'nonce-") == npos && lower.find("'strict-dynamic'") == npos;
        if (!inlineAllowed && sources->find(hash) == npos) {
            warnings.push_back(texts::fill(texts::kWarnPolicyBlocksChecks, hash));
        }
    }
}

} // namespace

std::vector<std::string> authorWarnings(std::string_view page, std::size_t formTagStart, std::size_t formTagClose,
                                        const std::vector<std::string> &records, std::string_view hash) {
    std::vector<std::string> warnings;
    Names ruled;
    for (const std::string &record : records) {
        ruled.emplace(rules::recordFieldName(record));
    }
    if (!checkFields(page, formTagClose, ruled, warnings)) {
        warnings.emplace_back(texts::kWarnNoSubmitButton);
    }
    const Tag form = scan::readTag(page.substr(formTagStart, formTagClose + 1 - formTagStart));
    if (const scan::TagAttribute *own = findAttribute(form.attributes, "onsubmit");
        own != nullptr && own->value.find("velmoraine_sub") == npos) {
        warnings.push_back(texts::fill(texts::kWarnOnSubmitReplaced, own->value));
    }
    checkPolicies(page, hash, warnings);
    return warnings;
}

} // namespace velmoraine::rewrite
