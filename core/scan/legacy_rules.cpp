#include "core/scan/legacy_rules.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/base/bytes.h"
#include "core/base/texts.h"
#include "core/rules/rule_record.h"
#include "core/scan/tag_reader.h"

namespace velmoraine::scan {

namespace {

constexpr std::size_t npos = std::string_view::npos;
using rules::RuleKind;
using rules::RuleSettings;

// An earlier tool's markup is read from a comment's body or from a field tag's text up to its
// first ">", which may stand inside a quoted value: so a value whose quote is not closed runs to
// the end of the text. "<" and ">" are passed over between attributes, as the import has always
// read them.
constexpr TagSyntax kEarlierMarkup{.angle = TagSyntax::Angle::Separates, .openQuote = TagSyntax::OpenQuote::RunsToEnd};

// The NAME=VALUE pairs of a tag's or a comment's text, in order (a name may come twice, as
// FrontPage's constraint pairs do); a name without "=" is passed over.
using Attributes = std::vector<TagAttribute>;

Attributes attributesOf(std::string_view text) {
    Attributes attributes = readAttributes(text, kEarlierMarkup);
    std::erase_if(attributes, [](const TagAttribute &attribute) { return !attribute.hasValue; });
    return attributes;
}

std::optional<std::string_view> attribute(const Attributes &attributes, std::string_view name) {
    if (const TagAttribute *found = findAttribute(attributes, name)) {
        return found->value;
    }
    return std::nullopt;
}

bool isTrue(std::optional<std::string_view> value) { return value && bytes::equalsNoCase(*value, "true"); }

// A decimal number as the rule's limit boxes take it ("-3", "2.5"), or nullopt.
std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// A message holding the name the old markup shows, or the field's name when it shows none or
// one that a record cannot hold.
std::string message(std::string_view pattern, std::string_view field, std::string_view display) {
    const std::string named = texts::fill(pattern, display.empty() ? field : display);
    return rules::holdsSeparator(named) ? texts::fill(pattern, field) : named;
}

// A rule, or why there is none.
struct Mapped {
    std::optional<RuleSettings> settings;
    std::string reason;
};

Mapped refused(std::string reason) { return {std::nullopt, std::move(reason)}; }

// The number rule with both limits; a limit of 0 would mean none, so it cannot be set.
Mapped numberRule(std::optional<double> low, std::optional<double> high, std::string_view lowText,
                  std::string_view highText, bool required, std::string messageText) {
    if ((low && *low == 0) || (high && *high == 0)) {
        return refused("a limit of 0 cannot be kept: 0 means no limit in a number rule");
    }
    RuleSettings settings;
    settings.kind = RuleKind::NumberValue;
    settings.numMin = low ? std::string(lowText) : "0";
    settings.numMax = high ? std::string(highText) : "0";
    settings.blankAllowed = !required;
    settings.message = std::move(messageText);
    return {settings, {}};
}

// A FrontPage number check ("Integer" or "Number" data, `type` lower-cased): its constraint and
// value pairs become the number rule's limits.
Mapped numberFromWebbot(const Attributes &attributes, std::string_view type, bool required, std::string_view field,
                        std::string_view display) {
    const std::string_view separators = attribute(attributes, "s-number-separators").value_or("x.");
    if (type == "number" && separators.size() > 1 && separators[1] != '.') {
        return refused("a decimal mark other than \".\" cannot be checked");
    }
    std::optional<double> low;
    std::optional<double> high;
    std::string lowText;
    std::string highText;
    std::optional<std::string_view> constraint;
    for (const TagAttribute &pair : attributes) {
        const std::string_view value = pair.value;
        if (bytes::equalsNoCase(pair.name, "s-validation-constraint")) {
            constraint = value;
            continue;
        }
        if (!bytes::equalsNoCase(pair.name, "s-validation-value") || !constraint) {
            continue;
        }
        const std::string_view named = *constraint;
        const std::string what = bytes::lowerAsciiCopy(named);
        const std::optional<double> limit = number(value);
        constraint.reset();
        if (!limit || (type == "integer" && *limit != static_cast<double>(static_cast<long long>(*limit)))) {
            return refused("the limit \"" + std::string(value) + "\" is not a number");
        }
        // A strict bound on whole numbers is the next whole number, included.
        const bool whole = type == "integer";
        const auto text = [](double v) { return bytes::decimal(static_cast<long long>(v)); };
        if (what == "greater than or equal to") {
            low = limit, lowText = value;
        } else if (what == "less than or equal to") {
            high = limit, highText = value;
        } else if (what == "greater than" && whole) {
            low = *limit + 1, lowText = text(*low);
        } else if (what == "less than" && whole) {
            high = *limit - 1, highText = text(*high);
        } else if (what == "equal to") {
            low = high = limit, lowText = highText = value;
        } else {
            return refused("the constraint \"" + std::string(named) + "\" cannot be kept");
        }
    }
    return numberRule(low, high, lowText, highText, required, message(texts::kNumberKindMessage, field, display));
}

// One FrontPage validation comment for `field`.
Mapped fromWebbot(std::string_view comment, std::string_view field) {
    const Attributes attributes = attributesOf(comment);
    const std::string type = bytes::lowerAsciiCopy(attribute(attributes, "s-data-type").value_or("string"));
    const bool required = isTrue(attribute(attributes, "b-value-required"));
    const std::string_view display = attribute(attributes, "s-display-name").value_or("");
    if (type == "integer" || type == "number") {
        return numberFromWebbot(attributes, type, required, field, display);
    }
    const std::optional<std::string_view> letters = attribute(attributes, "b-allow-letters");
    const std::optional<std::string_view> digits = attribute(attributes, "b-allow-digits");
    const std::optional<std::string_view> spaces = attribute(attributes, "b-allow-whitespace");
    const std::string_view others = attribute(attributes, "s-allow-other-chars").value_or("");
    const std::string_view minimum = attribute(attributes, "i-minimum-length").value_or("");
    const std::string_view maximum = attribute(attributes, "i-maximum-length").value_or("");
    const bool restricted = letters || digits || spaces || !others.empty();
    if ((!minimum.empty() && !bytes::isAllDigits(minimum)) || (!maximum.empty() && !bytes::isAllDigits(maximum))) {
        return refused("a length that is not a whole number");
    }
    RuleSettings settings;
    settings.blankAllowed = !required;
    if (restricted && isTrue(digits) && !isTrue(letters)) {
        settings.kind = RuleKind::DigitSequence;
        settings.seqMin = minimum.empty() ? "1" : std::string(minimum);
        settings.seqMax = maximum.empty() ? "0" : std::string(maximum);
        settings.punct = std::string(others) + (isTrue(spaces) ? " " : "");
        if (rules::holdsSeparator(settings.punct)) {
            return refused("its allowed characters cannot be written into a rule");
        }
        settings.message = message(texts::kSequenceKindMessage, field, display);
        return {settings, {}};
    }
    if (restricted && isTrue(letters) && !isTrue(digits)) {
        return refused("letters only: no rule checks for letters");
    }
    if (restricted) {
        return refused("only some characters allowed: no rule limits the characters of a text");
    }
    if (!required && minimum.empty() && maximum.empty()) {
        return refused("nothing is checked");
    }
    settings.kind = RuleKind::FilledIn;
    settings.minChars = minimum.empty() ? "1" : std::string(minimum);
    settings.maxChars = maximum.empty() ? "0" : std::string(maximum);
    settings.message = message(texts::kFilledInMessage, field, display);
    return {settings, {}};
}

// One MM_validateForm code ("R", "NisEmail", "RinRange-5:10", ...).
Mapped fromMmCode(std::string_view code, std::string_view field) {
    if (code.empty() || (code[0] != 'R' && code[0] != 'N')) {
        return refused("the code \"" + std::string(code) + "\" is not known");
    }
    const bool required = code[0] == 'R';
    const std::string_view test = code.substr(1);
    RuleSettings settings;
    settings.blankAllowed = !required;
    if (test.empty()) {
        if (!required) {
            return refused("nothing is checked");
        }
        settings.message = message(texts::kFilledInMessage, field, {});
        return {settings, {}};
    }
    if (test == "isEmail") {
        settings.kind = RuleKind::Email;
        settings.message = std::string(texts::kEmailKindMessage);
        return {settings, {}};
    }
    if (test == "isNum") {
        return numberRule(std::nullopt, std::nullopt, {}, {}, required, message(texts::kNumberKindMessage, field, {}));
    }
    if (test.starts_with("inRange")) {
        const std::string_view range = test.substr(7);
        const std::size_t colon = range.find(':');
        const std::optional<double> low = number(range.substr(0, colon));
        const std::optional<double> high = colon == npos ? std::nullopt : number(range.substr(colon + 1));
        if (!low || !high) {
            return refused("the range \"" + std::string(range) + "\" is not two numbers");
        }
        return numberRule(low, high, range.substr(0, colon), range.substr(colon + 1), required,
                          message(texts::kNumberKindMessage, field, {}));
    }
    return refused("the code \"" + std::string(code) + "\" is not known");
}

std::string_view lastPart(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return dot == npos ? path : path.substr(dot + 1);
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && bytes::isHtmlSpace(text[at])) {
        ++at;
    }
    return at;
}

bool isIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

// The first "-->" after `from`, or npos.
std::size_t commentEnd(std::string_view page, std::size_t from) { return page.find("-->", from); }

// Whether `text` holds `word` (lower case) in any case.
bool containsNoCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (bytes::lowerAscii(text[i]) == word[0] && bytes::startsWithNoCase(text.substr(i), word)) {
            return true;
        }
    }
    return false;
}

bool isFieldTag(std::string_view at) {
    return bytes::startsWithNoCase(at, "<input") || bytes::startsWithNoCase(at, "<select") ||
           bytes::startsWithNoCase(at, "<textarea");
}

} // namespace

ValidateCall readValidateCall(std::string_view text, std::size_t at) {
    ValidateCall call;
    std::size_t p = skipBlanks(text, at + kValidateCall.size());
    call.end = p;
    if (p >= text.size() || text[p] != '(') {
        return call;
    }
    p = skipBlanks(text, p + 1);
    if (p < text.size() && text[p] == ')') {
        call.read = true;
        call.end = p + 1;
        return call;
    }
    for (std::size_t index = 0;; ++index) {
        p = skipBlanks(text, p);
        if (p >= text.size() || (text[p] != '\'' && text[p] != '"')) {
            call.end = p;
            return call;
        }
        // A string literal: a quote inside it is escaped, and a parenthesis does not end the call.
        const char quote = text[p];
        const std::size_t start = ++p;
        while (p < text.size() && text[p] != quote) {
            p += text[p] == '\\' ? 2 : 1;
        }
        if (p >= text.size()) {
            call.end = text.size();
            return call;
        }
        const std::string_view literal = text.substr(start, p - start);
        if (index % 3 == 0) {
            call.fields.push_back(lastPart(literal));
        } else if (index % 3 == 2) {
            call.codes.push_back(literal);
        }
        p = skipBlanks(text, p + 1);
        if (p < text.size() && text[p] == ',') {
            ++p;
            continue;
        }
        call.end = p;
        if (p < text.size() && text[p] == ')') {
            call.read = true;
            call.end = p + 1;
        }
        return call;
    }
}

bool isValidateCallAt(std::string_view text, std::size_t at) {
    const std::size_t end = at + kValidateCall.size();
    return text.substr(at, kValidateCall.size()) == kValidateCall &&
           (at == 0 || (!isIdentifierChar(text[at - 1]) && text[at - 1] != '.')) &&
           (end >= text.size() || !isIdentifierChar(text[end]));
}

std::string_view legacySourceName(LegacySource source) {
    return source == LegacySource::Webbot ? "webbot" : "MM_validateForm";
}

namespace {

// What becomes of the old checks, one decision a field: the first check of a field decides.
// The checks are kept as they come and decided at the end, when one pass over the form's
// fields finds the places of the few names they name: a form of a million fields and no old
// checks builds no table of them.
class Decisions {
public:
    Decisions(const std::vector<std::string> &fields, const rules::RuleList &stored, LegacyRules &result)
        : m_fields(fields), m_stored(stored), m_result(result) {}

    // Keeps the rule `mapped` for `field`, or why it gets none, unless the field had a check before.
    void offer(std::string_view field, Mapped mapped, LegacySource from) {
        if (m_place.try_emplace(field, npos).second) {
            m_offers.push_back({field, std::move(mapped), from});
        }
    }

    // Decides every field offered, in the order offered; the rules end in the form's field order.
    void decide() {
        if (m_offers.empty()) {
            return;
        }
        std::size_t unplaced = m_place.size();
        for (std::size_t i = 0; i < m_fields.size() && unplaced > 0; ++i) {
            const auto found = m_place.find(m_fields[i]);
            if (found != m_place.end() && found->second == npos) {
                found->second = i;
                --unplaced;
            }
        }
        for (Offer &offer : m_offers) {
            decideOne(offer);
        }
        std::stable_sort(
            m_result.rules.begin(), m_result.rules.end(),
            [this](const ImportedRule &a, const ImportedRule &b) { return m_place.at(a.field) < m_place.at(b.field); });
    }

private:
    struct Offer {
        std::string_view field;
        Mapped mapped;
        LegacySource from;
    };

    void decideOne(Offer &offer) {
        const std::string_view field = offer.field;
        if (m_place.at(field) == npos) {
            m_result.notImported.push_back({std::string(field), "the form has no field of that name", offer.from});
        } else if (m_stored.find(field) >= 0) {
            m_result.notImported.push_back(
                {std::string(field), "the page stores a rule for it, which is kept", offer.from});
        } else if (!offer.mapped.settings) {
            m_result.notImported.push_back({std::string(field), std::move(offer.mapped.reason), offer.from});
        } else if (rules::checkFieldName(field)) {
            m_result.notImported.push_back({std::string(field), "its name cannot be validated", offer.from});
        } else {
            std::string record = rules::buildRecord(field, *offer.mapped.settings);
            std::string display =
                rules::restoredDisplayText(record) + " [from " + std::string(legacySourceName(offer.from)) + "]";
            m_result.rules.push_back({std::string(field), std::move(record), std::move(display), offer.from});
        }
    }

    const std::vector<std::string> &m_fields;
    // Each name offered, with its first place among the fields (npos until found, or for none).
    std::unordered_map<std::string_view, std::size_t> m_place{};
    std::vector<Offer> m_offers{};
    const rules::RuleList &m_stored;
    LegacyRules &m_result;
};

// The form's text: from its tag to its closing tag in any case, else to the page's end.
std::string_view formText(std::string_view page, std::size_t formTagStart) {
    const std::size_t formEnd = bytes::findNoCase(page, "</form", formTagStart);
    return page.substr(formTagStart, (formEnd == npos ? page.size() : formEnd) - formTagStart);
}

// Where a SaveResults comment (its body after "webbot") says FrontPage mailed the form's
// results, once each address.
void readMailedTo(std::string_view attributesText, std::vector<std::string> &mailedTo) {
    const Attributes attributes = attributesOf(attributesText);
    const std::string_view address = attribute(attributes, "s-email-address").value_or("");
    if (bytes::equalsNoCase(attribute(attributes, "bot").value_or(""), "SaveResults") && !address.empty() &&
        std::find(mailedTo.begin(), mailedTo.end(), address) == mailedTo.end()) {
        mailedTo.emplace_back(address);
    }
}

// The name of the field tag at `at` of the form, blanks before it passed over; empty when no
// field tag stands there or it has no name.
std::string_view fieldNameAt(std::string_view form, std::size_t at) {
    while (at < form.size() && bytes::isHtmlSpace(form[at])) {
        ++at;
    }
    const std::string_view rest = form.substr(at);
    if (!isFieldTag(rest)) {
        return {};
    }
    const std::string_view text = rest.substr(0, rest.find('>'));
    const std::size_t blank = text.find_first_of(" \t\r\n\f");
    return attribute(attributesOf(blank == npos ? std::string_view() : text.substr(blank)), "name").value_or("");
}

// FrontPage's comments: each validation comment counts for the field tag right after it.
void readWebbotComments(std::string_view form, Decisions &decisions, LegacyRules &result) {
    for (std::size_t at = bytes::findFast(form, "<!--"); at != npos; at = bytes::findFast(form, "<!--", at + 4)) {
        const std::size_t end = commentEnd(form, at + 4);
        if (end == npos) {
            break;
        }
        const std::string_view body = form.substr(at + 4, end - at - 4);
        if (!bytes::startsWithNoCase(body, "webbot")) {
            continue;
        }
        if (containsNoCase(body, "saveresults")) {
            readMailedTo(body.substr(6), result.resultsMailedTo);
            continue;
        }
        if (!containsNoCase(body, "validation") ||
            !bytes::equalsNoCase(attribute(attributesOf(body.substr(6)), "bot").value_or(""), "Validation")) {
            continue;
        }
        if (const std::string_view name = fieldNameAt(form, end + 3); !name.empty()) {
            decisions.offer(name, fromWebbot(body.substr(6), name), LegacySource::Webbot);
        }
    }
}

// Dreamweaver's calls, in the form's tag and in every tag inside the form.
void readValidateCalls(std::string_view form, Decisions &decisions) {
    for (std::size_t at = bytes::findFast(form, kValidateCall); at != npos;
         at = bytes::findFast(form, kValidateCall, at + kValidateCall.size())) {
        if (!isValidateCallAt(form, at)) {
            continue;
        }
        const ValidateCall call = readValidateCall(form, at);
        for (std::size_t i = 0; call.read && i < call.fields.size() && i < call.codes.size(); ++i) {
            decisions.offer(call.fields[i], fromMmCode(call.codes[i], call.fields[i]), LegacySource::MmValidateForm);
        }
    }
}

} // namespace

LegacyRules readLegacyRules(std::string_view page, std::size_t formTagStart, const std::vector<std::string> &fields,
                            const rules::RuleList &stored) {
    LegacyRules result;
    if (formTagStart >= page.size()) {
        return result;
    }
    Decisions decisions(fields, stored, result);
    // The form runs to its closing tag in any case; its own tag and its field tags are read.
    const std::string_view form = formText(page, formTagStart);
    readWebbotComments(form, decisions, result);
    readValidateCalls(form, decisions);
    decisions.decide();
    return result;
}

} // namespace velmoraine::scan
