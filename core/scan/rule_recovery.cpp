#include "core/scan/rule_recovery.h"

#include "core/base/bytes.h"
#include "core/rules/rule_record.h"

namespace velmoraine::scan {

namespace {
constexpr std::string_view kStoredRulesMarker = "//VLDATA:";
constexpr std::string_view kRecordEnd = ":;";
constexpr std::size_t kShortestItem = 5; // items of four characters or fewer are skipped
} // namespace

void recoverRules(std::string_view page, rules::RuleList &rules) {
    const std::size_t marker = bytes::findFast(page, kStoredRulesMarker);
    if (marker == std::string_view::npos) {
        return;
    }
    // The line ends at the first carriage return; only a page without any further one ends it
    // at a line feed. A line with neither stores nothing.
    std::size_t lineEnd = page.find('\r', marker);
    if (lineEnd == std::string_view::npos) {
        lineEnd = page.find('\n', marker);
    }
    if (lineEnd == std::string_view::npos) {
        return;
    }
    const std::size_t start = marker + kStoredRulesMarker.size();
    std::string_view line = start <= lineEnd ? page.substr(start, lineEnd - start) : std::string_view{};
    for (std::size_t end = line.find(kRecordEnd); end != std::string_view::npos; end = line.find(kRecordEnd)) {
        const std::string_view item = line.substr(0, end);
        line.remove_prefix(end + kRecordEnd.size());
        if (item.size() < kShortestItem) {
            continue;
        }
        rules.append(std::string(item), rules::restoredDisplayText(item));
    }
}

} // namespace velmoraine::scan
