// Recovery of stored rules: every restored record stood between separators on the stored
// line, is longer than four characters and holds no separator; the lists stay parallel.
#include "core/rules/rule_record.h"
#include "core/scan/rule_recovery.h"
#include "fuzz/fuzz_input.h"

using namespace velmoraine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char *>(data), size);
    rules::RuleList list;
    scan::recoverRules(page, list);
    VELMORAINE_FUZZ_CHECK(list.records().size() == list.displays().size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string &record = list.records()[i];
        VELMORAINE_FUZZ_CHECK(record.size() > 4);
        VELMORAINE_FUZZ_CHECK(record.find(":;") == std::string::npos);
        VELMORAINE_FUZZ_CHECK(record.find('\r') == std::string::npos);
        VELMORAINE_FUZZ_CHECK(page.find(record + ":;") != std::string_view::npos);
        VELMORAINE_FUZZ_CHECK(list.displays()[i] == rules::restoredDisplayText(record));
    }
    return 0;
}
