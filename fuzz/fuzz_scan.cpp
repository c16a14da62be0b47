// The page scan with any chooser answer: fields are distinct, the chooser is asked only for
// pages with several forms, and the stored rules stay parallel to their display texts.
#include <unordered_set>

#include "fuzz/fuzz_input.h"
#include "scan/form_scanner.h"

using namespace velmoraine;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const int answer = input.number() % 5;
    const std::string_view page = input.rest();
    bool asked = false;
    const scan::ScanResult result = scan::scanPage(page, [&](const std::vector<std::string> &tags) {
        asked = true;
        VELMORAINE_FUZZ_CHECK(tags.size() <= scan::formTagPositions(page).size());
        return answer;
    });
    VELMORAINE_FUZZ_CHECK(asked == result.severalForms);
    VELMORAINE_FUZZ_CHECK(result.formFound || (result.fields.empty() && result.rules.empty()));
    std::unordered_set<std::string> seen(result.fields.begin(), result.fields.end());
    VELMORAINE_FUZZ_CHECK(seen.size() == result.fields.size());
    VELMORAINE_FUZZ_CHECK(result.rules.records().size() == result.rules.displays().size());
    for (const std::string &name : result.fields) {
        VELMORAINE_FUZZ_CHECK(page.find(name) != std::string_view::npos);
    }
    return 0;
}
