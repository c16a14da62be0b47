// The text of a --rule option: FIELD, or FIELD=KIND with settings, turned into the rule
// editor's boxes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rules/rule_record.h"

namespace velmoraine::cli {

enum class RuleKey { Min, Max, Punct, Blank, Message };

struct RuleOption {
    std::string field;
    std::optional<rules::RuleKind> kind;                   // absent: the proposal for the field's name decides
    std::vector<std::pair<RuleKey, std::string>> settings; // in the order given; a later key wins
    // The text holds "=" but no kind word after any of them: either a field whose name holds
    // "=", or a misspelt kind. Which one is known only once the form's fields are.
    bool kindMaybeMisspelt = false;
};

// Parses FIELD[=KIND[,key=value]...]. The FIELD=KIND split is at the first "=" followed by a
// kind word (filled, email, digits, number) and then the end or ","; the settings are split at
// a "," only where a known key and "=" follow, so a message may hold commas. Nullopt with a
// one-line reason in `error` for an empty field, an unknown key, a key that does not fit the
// kind, or a blank value that is not 1/0/yes/no/true/false.
std::optional<RuleOption> parseRuleOption(std::string_view text, std::string &error);

// The editor's boxes for the option: the start values, then the proposal for the name (FIELD
// alone) or the kind with the message its option button writes, then the settings given.
rules::RuleSettings settingsFor(const RuleOption &option);

// The kind words of the option, for messages and help.
inline constexpr std::string_view kKindWords = "filled, email, digits or number";

} // namespace velmoraine::cli
