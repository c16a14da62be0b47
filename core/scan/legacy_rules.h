// Validation that an earlier tool left in a page, read back as rules: the comments FrontPage
// wrote before each checked field (<!--webbot bot="Validation" ...-->) and the calls of
// Dreamweaver's MM_validateForm in the form's and its fields' handlers. Each becomes the closest
// rule of the four kinds, or is listed with the reason it cannot be one; nothing is guessed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/rule_list.h"

namespace velmoraine::scan {

enum class LegacySource { Webbot, MmValidateForm };

inline constexpr std::string_view kValidateCall = "MM_validateForm";

// A call of MM_validateForm read from `at`, where its name starts. `read` when its arguments are
// string literals between commas (a quote inside one escaped; a parenthesis in one does not end
// the call) and a ")" closes it; `end` is one past that ")", else where reading stopped. The
// arguments go in threes: `fields` holds every first (of a dotted path, the last part), `codes`
// every third.
struct ValidateCall {
    bool read = false;
    std::size_t end = 0;
    std::vector<std::string_view> fields{};
    std::vector<std::string_view> codes{};
};
ValidateCall readValidateCall(std::string_view text, std::size_t at);

// Whether the name at `at` is the function's own: not the end of a longer name, nor a member
// of something else, nor the start of a longer name.
bool isValidateCallAt(std::string_view text, std::size_t at);

// "webbot" or "MM_validateForm".
std::string_view legacySourceName(LegacySource source);

struct ImportedRule {
    std::string field{};
    std::string record{};  // a rule record, as the rule list holds it
    std::string display{}; // the rule list's text, marked with where the rule came from
    LegacySource from = LegacySource::Webbot;
};

struct NotImported {
    std::string field{};
    std::string reason{};
    LegacySource from = LegacySource::Webbot;
};

struct LegacyRules {
    std::vector<ImportedRule> rules{};          // in the form's field order, one per field
    std::vector<NotImported> notImported{};     // in the order found
    std::vector<std::string> resultsMailedTo{}; // where FrontPage mailed the form's results

    [[nodiscard]] bool empty() const { return rules.empty() && notImported.empty() && resultsMailedTo.empty(); }
};

// The earlier tools' validation of the form whose tag starts at `formTagStart`, for its fields
// `fields` (the scan's list). A field that has a rule in `stored` keeps that rule: its earlier
// validation is listed as not imported. Linear in the page size.
LegacyRules readLegacyRules(std::string_view page, std::size_t formTagStart, const std::vector<std::string> &fields,
                            const rules::RuleList &stored);

} // namespace velmoraine::scan
