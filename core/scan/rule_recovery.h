// Recovery of the rules stored in an updated page on its "//VLDATA:" line.
#pragma once

#include <string_view>

#include "core/rules/rule_list.h"

namespace velmoraine::scan {

// Appends the records of the page's first stored rule line, and their restored display
// texts, to `rules`. Items of four characters or fewer are skipped.
void recoverRules(std::string_view page, rules::RuleList &rules);

} // namespace velmoraine::scan
