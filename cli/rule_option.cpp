#include "cli/rule_option.h"

#include <array>

#include "core/base/bytes.h"
#include "core/rules/proposals.h"

namespace velmoraine::cli {

namespace {

struct KindWord {
    std::string_view word;
    rules::RuleKind kind;
};

constexpr std::array<KindWord, 4> kKinds{{
    {"filled", rules::RuleKind::FilledIn},
    {"email", rules::RuleKind::Email},
    {"digits", rules::RuleKind::DigitSequence},
    {"number", rules::RuleKind::NumberValue},
}};

struct KeyWord {
    std::string_view word;
    RuleKey key;
};

constexpr std::array<KeyWord, 5> kKeys{{
    {"min", RuleKey::Min},
    {"max", RuleKey::Max},
    {"punct", RuleKey::Punct},
    {"blank", RuleKey::Blank},
    {"message", RuleKey::Message},
}};

// The key whose word and "=" begin `text`.
std::optional<RuleKey> keyAtStart(std::string_view text) {
    for (const KeyWord &k : kKeys) {
        if (text.size() > k.word.size() && text.substr(0, k.word.size()) == k.word && text[k.word.size()] == '=') {
            return k.key;
        }
    }
    return std::nullopt;
}

bool keyFitsKind(RuleKey key, rules::RuleKind kind) {
    switch (key) {
    case RuleKey::Min:
    case RuleKey::Max: return kind != rules::RuleKind::Email;
    case RuleKey::Punct: return kind == rules::RuleKind::DigitSequence;
    case RuleKey::Blank:
    case RuleKey::Message: return true;
    }
    return false;
}

std::optional<bool> readBlankValue(std::string_view value) {
    for (std::string_view yes : {"1", "yes", "true"}) {
        if (bytes::equalsNoCase(value, yes)) {
            return true;
        }
    }
    for (std::string_view no : {"0", "no", "false"}) {
        if (bytes::equalsNoCase(value, no)) {
            return false;
        }
    }
    return std::nullopt;
}

// Splits the settings after "KIND," into key=value pieces; false with the reason in `error`.
bool readSettings(std::string_view text, RuleOption &option, std::string &error) {
    const rules::RuleKind kind = *option.kind;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(',', start);
        while (end != std::string_view::npos && !keyAtStart(text.substr(end + 1))) {
            end = text.find(',', end + 1);
        }
        const std::string_view piece = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        const std::optional<RuleKey> key = keyAtStart(piece);
        if (!key) {
            error = "unknown setting \"" + std::string(piece.substr(0, piece.find('='))) +
                    "\" (min, max, punct, blank or message, each with \"=\")";
            return false;
        }
        const std::size_t equals = piece.find('=');
        const std::string_view word = piece.substr(0, equals);
        if (!keyFitsKind(*key, kind)) {
            error = "\"" + std::string(word) + "\" does not apply to this kind of rule";
            return false;
        }
        const std::string_view value = piece.substr(equals + 1);
        if (*key == RuleKey::Blank && !readBlankValue(value)) {
            error = "blank takes 1, 0, yes, no, true or false";
            return false;
        }
        option.settings.emplace_back(*key, std::string(value));
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

// The minimum and maximum boxes of the chosen kind (the e-mail kind has none; a key that does
// not fit is refused while parsing).
std::pair<std::string *, std::string *> limitBoxes(rules::RuleSettings &settings) {
    switch (settings.kind) {
    case rules::RuleKind::DigitSequence: return {&settings.seqMin, &settings.seqMax};
    case rules::RuleKind::NumberValue: return {&settings.numMin, &settings.numMax};
    case rules::RuleKind::FilledIn:
    case rules::RuleKind::Email: break;
    }
    return {&settings.minChars, &settings.maxChars};
}

} // namespace

std::optional<RuleOption> parseRuleOption(std::string_view text, std::string &error) {
    RuleOption option;
    std::string_view settings;
    bool hasSettings = false;
    for (std::size_t equals = text.find('='); equals != std::string_view::npos && !option.kind;
         equals = text.find('=', equals + 1)) {
        const std::string_view after = text.substr(equals + 1);
        for (const KindWord &k : kKinds) {
            const std::size_t n = k.word.size();
            if (after.substr(0, n) == k.word && (after.size() == n || after[n] == ',')) {
                option.field = std::string(text.substr(0, equals));
                option.kind = k.kind;
                hasSettings = after.size() > n;
                settings = hasSettings ? after.substr(n + 1) : std::string_view{};
                break;
            }
        }
    }
    if (!option.kind) {
        option.field = std::string(text);
        option.kindMaybeMisspelt = text.find('=') != std::string_view::npos;
    }
    if (option.field.empty()) {
        error = "the rule needs a field name";
        return std::nullopt;
    }
    if (hasSettings && !readSettings(settings, option, error)) {
        return std::nullopt;
    }
    return option;
}

rules::RuleSettings settingsFor(const RuleOption &option) {
    rules::RuleSettings settings;
    if (!option.kind) {
        rules::applyProposal(rules::proposeFor(option.field), settings);
        return settings;
    }
    settings.kind = *option.kind;
    settings.message = rules::kindMessage(settings.kind, option.field).value_or(std::string());
    for (const auto &[key, value] : option.settings) {
        switch (key) {
        case RuleKey::Min: *limitBoxes(settings).first = value; break;
        case RuleKey::Max: *limitBoxes(settings).second = value; break;
        case RuleKey::Punct: settings.punct = value; break;
        case RuleKey::Blank: settings.blankAllowed = readBlankValue(value).value_or(false); break;
        case RuleKey::Message: settings.message = value; break;
        }
    }
    return settings;
}

} // namespace velmoraine::cli
