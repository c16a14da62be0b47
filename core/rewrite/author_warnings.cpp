#include "core/rewrite/author_warnings.h"

#include <algorithm>
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

// The places of a word in the page, asked of the tags in page order: each search goes some way
// ahead of the tag and its answer is kept until the walk has passed it, so that the page is
// searched about once over, however many tags ask, and not far past the form.
class WordAhead {
public:
    enum class Case { Exact, Any };

    WordAhead(std::string_view page, std::string_view word, Case letters)
        : m_page(page), m_word(word), m_anyCase(letters == Case::Any) {}

    // The first place at or after `from` where the word lies whole before `end`; npos when there
    // is none. `from` never goes back from one call to the next.
    std::size_t find(std::size_t from, std::size_t end) {
        const bool known = m_at != npos ? m_at >= from : from >= m_from && end <= m_limit;
        if (!known) {
            m_from = from;
            m_limit = std::min(m_page.size(), std::max(end, from + kAhead));
            const std::string_view searched = m_page.substr(0, m_limit);
            m_at = m_anyCase ? bytes::findNoCase(searched, m_word, from) : bytes::findFast(searched, m_word, from);
        }
        return m_at != npos && m_at + m_word.size() <= end ? m_at : npos;
    }

private:
    static constexpr std::size_t kAhead = 64 * 1024;

    std::string_view m_page;
    std::string_view m_word;
    bool m_anyCase;
    std::size_t m_at = npos; // the first place in [m_from, m_limit), or npos when it has none
    std::size_t m_from = 0;
    std::size_t m_limit = 0;
};

// True when the tag at [start, end) of the page may have an attribute whose value is `value`
// (`places`): it holds `value` between the bytes that may bound a value, a quote, "=" or a blank
// before it, a quote, a blank, ">" or "/" after it. Attribute names and longer values are passed
// over ("name" in name="email").
bool mayHoldValue(std::string_view page, std::size_t start, std::size_t end, std::string_view value,
                  WordAhead &places) {
    if (value.empty()) {
        return true;
    }
    const auto opens = [](char c) { return c == '"' || c == '\'' || c == '=' || bytes::isHtmlSpace(c); };
    const auto closes = [](char c) { return c == '"' || c == '\'' || c == '>' || c == '/' || bytes::isHtmlSpace(c); };
    for (std::size_t at = places.find(start + 1, end); at != npos; at = places.find(at + 1, end)) {
        const std::size_t after = at + value.size();
        if (opens(page[at - 1]) && (after == end || closes(page[after]))) {
            return true;
        }
    }
    return false;
}

// The most rules for which a field tag's text is searched for each name; with more, every tag
// is read.
constexpr std::size_t kNamesSearched = 16;

FormFieldsSeen walkFields(std::string_view page, std::size_t formTagClose, const Names &ruled) {
    FormFieldsSeen seen;
    int labelDepth = 0; // labels open around the tag
    Names settled;      // names already met without an id: no later field of theirs can count
    WordAhead submit(page, "submit", WordAhead::Case::Any);
    WordAhead image(page, "image", WordAhead::Case::Any);
    std::vector<std::pair<std::string_view, WordAhead>> names; // the ruled names, when few
    if (ruled.size() <= kNamesSearched) {
        for (const std::string &field : ruled) {
            names.emplace_back(field, WordAhead(page, field, WordAhead::Case::Exact));
        }
    }
    // A tag that can change nothing is passed over unread: a field's name is part of its tag's
    // text, and so is a submit button's type.
    const auto wanted = [&](std::string_view name, std::string_view text) {
        if (name == "<label" || name == "</label") {
            return true;
        }
        if (name == "<button") {
            return !seen.submitButton;
        }
        const auto start = static_cast<std::size_t>(text.data() - page.data());
        const std::size_t end = start + text.size();
        if (!seen.submitButton && (submit.find(start, end) != npos || image.find(start, end) != npos)) {
            return true;
        }
        const auto named = [&](auto &field) { return mayHoldValue(page, start, end, field.first, field.second); };
        return ruled.size() > kNamesSearched || std::any_of(names.begin(), names.end(), named);
    };
    walkFormTags(
        page, formTagClose + 1,
        [&](std::size_t, std::string_view, const Tag &tag) {
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
                    seen.submitButton = true;
                }
                return;
            }
            if (type == "hidden" || labelDepth > 0 || findAttribute(tag.attributes, "aria-label") != nullptr ||
                findAttribute(tag.attributes, "aria-labelledby") != nullptr ||
                findAttribute(tag.attributes, "title") != nullptr) {
                return;
            }
            const std::string_view name = attributeValue(tag.attributes, "name");
            if (!ruled.contains(name) || settled.contains(name)) {
                return;
            }
            const std::string_view id = attributeValue(tag.attributes, "id");
            seen.unlabelled.push_back({name, id});
            if (id.empty()) {
                settled.emplace(name);
            }
        },
        wanted);
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
// its name, so a page without it is read by one search for the name, many positions at a time;
// else the pass stops at each "<" followed by "m" (in any case).
std::vector<std::string> readPolicies(std::string_view page, std::string_view hash) {
    std::vector<std::string> warnings;
    if (bytes::findNoCase(page, "content-security-policy") == npos) {
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

// readPolicies on another thread; an empty future when the page is small or no thread can be had.
std::future<std::vector<std::string>> readPoliciesAside(std::string_view page, std::string_view hash) {
    if (page.size() < aside::kSecondThreadFrom) {
        return {};
    }
    return aside::start([page, hash] { return readPolicies(page, hash); });
}

} // namespace

std::vector<std::string> authorWarnings(std::string_view page, std::size_t formTagStart, std::size_t formTagClose,
                                        const std::vector<std::string> &records, std::string_view hash) {
    std::vector<std::string> warnings;
    Names ruled;
    for (const std::string &record : records) {
        ruled.emplace(rules::recordFieldName(record));
    }
    // On a large page the policies of the whole page are read on a second thread while this one
    // walks the form. The labels elsewhere in the page are read only for a field the walk found
    // without a label of its own, whose id one of them may name.
    std::future<std::vector<std::string>> aside = readPoliciesAside(page, hash);
    const FormFieldsSeen seen = walkFields(page, formTagClose, ruled);
    const bool idsToLookUp =
        std::any_of(seen.unlabelled.begin(), seen.unlabelled.end(), [](const Unlabelled &f) { return !f.id.empty(); });
    warnUnlabelled(seen.unlabelled, idsToLookUp ? readLabelTargets(page) : Names(), warnings);
    if (!seen.submitButton) {
        warnings.emplace_back(texts::kWarnNoSubmitButton);
    }
    const Tag form = scan::readTag(page.substr(formTagStart, formTagClose + 1 - formTagStart));
    if (const scan::TagAttribute *own = findAttribute(form.attributes, "onsubmit");
        own != nullptr && own->value.find("velmoraine_sub") == npos) {
        warnings.push_back(texts::fill(texts::kWarnOnSubmitReplaced, own->value));
    }
    std::vector<std::string> policies = aside.valid() ? aside.get() : readPolicies(page, hash);
    warnings.insert(warnings.end(), std::make_move_iterator(policies.begin()), std::make_move_iterator(policies.end()));
    return warnings;
}

} // namespace velmoraine::rewrite
