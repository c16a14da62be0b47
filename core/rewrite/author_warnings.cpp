#include "core/rewrite/author_warnings.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <iterator>
#include <optional>
#include <set>
#include <vector>

#include "core/base/aside.h"
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

// A field with a rule that neither a label around it, nor an aria-label, aria-labelledby or
// title names; a label elsewhere may still name its id.
struct Unlabelled {
    std::string_view name;
    std::string_view id;
};

// What the walk over the form's tags learns: its fields with a rule and no label of their own,
// in the form's order, and whether it has a submit button.
struct FormFieldsSeen {
    std::vector<Unlabelled> unlabelled;
    bool submitButton = false;
};

// What the walk needs of a field's or a button's attributes: the first of each name in any
// case, as findAttribute finds them.
struct FieldAttributes {
    std::optional<std::string_view> type;
    std::optional<std::string_view> name;
    std::optional<std::string_view> id;
    bool labelled = false; // an aria-label, aria-labelledby or title

    void take(std::string_view attribute, std::string_view value) {
        const auto is = [attribute](std::string_view wanted) { return bytes::equalsNoCase(attribute, wanted); };
        const auto first = [&](std::optional<std::string_view> &kept, std::string_view wanted) {
            if (!kept && is(wanted)) {
                kept = value;
            }
        };
        first(type, "type");
        first(name, "name");
        first(id, "id");
        labelled = labelled || is("aria-label") || is("aria-labelledby") || is("title");
    }
};

// The form's fields with a rule that no label, aria-label, aria-labelledby or title names, and
// whether it has a submit button. Each tag's attributes are read once, as its ">" is found.
FormFieldsSeen walkFields(std::string_view page, std::size_t formTagClose, const Names &ruled) {
    FormFieldsSeen seen;
    // The lengths of the names with a rule (63 for any longer): most fields' names have none of
    // them, and are passed over without a look-up.
    std::uint64_t ruledLengths = 0;
    for (const std::string &name : ruled) {
        ruledLengths |= std::uint64_t{1} << std::min<std::size_t>(name.size(), 63);
    }
    const auto isRuled = [&](std::string_view name) {
        return (ruledLengths >> std::min<std::size_t>(name.size(), 63) & 1) != 0 && ruled.contains(name);
    };
    int labelDepth = 0; // labels open around the tag
    Names settled;      // names already met without an id: no later field of theirs can count
    walkFormTagStarts(page, formTagClose + 1, [&](std::size_t at, std::string_view rest, std::string_view tagName) {
        FieldAttributes field;
        const std::size_t close = scan::readUsualAttributes(
            rest, [&](std::string_view attribute, std::string_view value, bool) { field.take(attribute, value); });
        if (close == npos) {
            return at + 1;
        }
        const std::size_t next = at + close + 1;
        // The walk's tag names differ in their second byte.
        const char kind = tagName[1];
        if (kind == 'l') { // "<label"
            ++labelDepth;
            return next;
        }
        if (kind == '/') { // "</label"
            labelDepth = labelDepth > 0 ? labelDepth - 1 : 0;
            return next;
        }
        const std::string_view type = field.type.value_or(std::string_view());
        const auto typed = [type](std::string_view kind) { return bytes::equalsNoCase(type, kind); };
        const bool button = kind == 'b'; // "<button"
        if (button || typed("submit") || typed("image") || typed("reset") || typed("button")) {
            if ((button && type.empty()) || typed("submit") || typed("image")) {
                seen.submitButton = true;
            }
            return next;
        }
        const std::string_view name = field.name.value_or(std::string_view());
        if (typed("hidden") || labelDepth > 0 || field.labelled || !isRuled(name) || settled.contains(name)) {
            return next;
        }
        const std::string_view id = field.id.value_or(std::string_view());
        seen.unlabelled.push_back({name, id});
        if (id.empty()) {
            settled.emplace(name);
        }
        return next;
    });
    return seen;
}

// A warning for each field with a rule that has no label, once a name, in the form's order.
void warnUnlabelled(const std::vector<Unlabelled> &unlabelled, const Names &labelled,
                    std::vector<std::string> &warnings) {
    Names reported;
    for (const Unlabelled &field : unlabelled) {
        const bool labelledElsewhere = !field.id.empty() && labelled.contains(field.id);
        if (!labelledElsewhere && reported.emplace(field.name).second) {
            warnings.push_back(texts::fill(texts::kWarnFieldWithoutLabel, field.name));
        }
    }
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

// A warning when the Content-Security-Policy meta tag `meta` lets neither inline scripts nor the
// block's `hash` run; nullopt for any other meta tag.
std::optional<std::string> policyWarning(const Tag &meta, std::string_view hash) {
    if (!bytes::equalsNoCase(attributeValue(meta.attributes, "http-equiv"), "Content-Security-Policy")) {
        return std::nullopt;
    }
    const std::optional<std::string_view> sources = scriptSources(attributeValue(meta.attributes, "content"));
    if (!sources) {
        return std::nullopt;
    }
    const std::string lower = bytes::lowerAsciiCopy(*sources);
    const bool inlineAllowed = lower.find("'unsafe-inline'") != npos && lower.find("'sha") == npos &&
                               lower.find("'nonce-") == npos && lower.find("'strict-dynamic'") == npos;
    if (!inlineAllowed && sources->find(hash) == npos) {
        return texts::fill(texts::kWarnPolicyBlocksChecks, hash);
    }
    return std::nullopt;
}

// The warnings of the page's policy meta tags. A tag declares a policy only where the page holds
// its name, so a page without it is read by one search for the name (none when the caller has
// looked: `namesPolicy`); else the pass stops at each "<" followed by "m" (in any case).
std::vector<std::string> readPolicies(std::string_view page, std::string_view hash, std::optional<bool> namesPolicy) {
    std::vector<std::string> warnings;
    if (!(namesPolicy ? *namesPolicy : bytes::findNoCase(page, kPolicyName) != npos)) {
        return warnings;
    }
    Tag tag; // read again at each meta tag
    for (std::size_t at = bytes::findTagStart(page, 0, "m", 'm'); at != npos;
         at = bytes::findTagStart(page, at + 1, "m", 'm')) {
        const std::string_view rest = page.substr(at);
        if (startsTag(rest, "<meta")) {
            scan::readTagInto(rest, tag);
            if (std::optional<std::string> warning = policyWarning(tag, hash)) {
                warnings.push_back(std::move(*warning));
            }
        }
    }
    return warnings;
}

// The ids that the page's labels name in their for attribute, in one pass that stops at each "<"
// followed by "l" (in any case).
Names readLabelTargets(std::string_view page) {
    Names labelled;
    Tag tag; // read again at each label
    for (std::size_t at = bytes::findTagStart(page, 0, "l", 'l'); at != npos;
         at = bytes::findTagStart(page, at + 1, "l", 'l')) {
        const std::string_view rest = page.substr(at);
        if (startsTag(rest, "<label")) {
            scan::readTagInto(rest, tag);
            if (const scan::TagAttribute *target = findAttribute(tag.attributes, "for")) {
                labelled.emplace(target->value);
            }
        }
    }
    return labelled;
}

// readPolicies on another thread; an empty future when the page is small, the caller knows it
// names no policy, or no thread can be had.
std::future<std::vector<std::string>> readPoliciesAside(std::string_view page, std::string_view hash,
                                                        std::optional<bool> namesPolicy) {
    if (page.size() < aside::kSecondThreadFrom || namesPolicy == false) {
        return {};
    }
    return aside::start([page, hash, namesPolicy] { return readPolicies(page, hash, namesPolicy); });
}

} // namespace

std::vector<std::string> authorWarnings(std::string_view page, std::size_t formTagStart, std::size_t formTagClose,
                                        const std::vector<std::string> &records, std::string_view hash,
                                        std::optional<bool> namesPolicy) {
    std::vector<std::string> warnings;
    Names ruled;
    for (const std::string &record : records) {
        ruled.emplace(rules::recordFieldName(record));
    }
    // On a large page the policies of the whole page are read on a second thread while this one
    // walks the form, unless the caller knows the page declares none. The labels elsewhere in the
    // page are read only for a field the walk found without a label of its own, whose id one of
    // them may name.
    std::future<std::vector<std::string>> aside = readPoliciesAside(page, hash, namesPolicy);
    const FormFieldsSeen seen = walkFields(page, formTagClose, ruled);
    const bool idsToLookUp =
        std::any_of(seen.unlabelled.begin(), seen.unlabelled.end(), [](const Unlabelled &f) { return !f.id.empty(); });
    warnUnlabelled(seen.unlabelled, idsToLookUp ? readLabelTargets(page) : Names(), warnings);
    if (!seen.submitButton) {
        warnings.emplace_back(texts::kWarnNoSubmitButton);
    }
    // The form's own handler, its first onsubmit; the tag may be megabytes of attributes, which
    // are read without being kept.
    std::optional<std::string_view> own;
    scan::readUsualAttributes(page.substr(formTagStart, formTagClose + 1 - formTagStart),
                              [&own](std::string_view name, std::string_view value, bool) {
                                  if (!own && bytes::equalsNoCase(name, "onsubmit")) {
                                      own = value;
                                  }
                              });
    if (own && own->find("velmoraine_sub") == npos) {
        warnings.push_back(texts::fill(texts::kWarnOnSubmitReplaced, *own));
    }
    std::vector<std::string> policies = aside.valid() ? aside.get() : readPolicies(page, hash, namesPolicy);
    warnings.insert(warnings.end(), std::make_move_iterator(policies.begin()), std::make_move_iterator(policies.end()));
    return warnings;
}

} // namespace velmoraine::rewrite
