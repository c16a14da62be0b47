// The page scan with any chooser answer: fields are distinct, the chooser is asked only for
// pages with several forms, the stored rules stay parallel to their display texts, and the
// form numbering and the fields are those of the plain reference walk (core/scan/reference_walk.h).
#include <unordered_set>

#include "core/scan/form_scanner.h"
#include "core/scan/reference_walk.h"
#include "fuzz/fuzz_input.h"

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
    const std::vector<std::size_t> forms = scan::formTagPositions(page);
    VELMORAINE_FUZZ_CHECK(forms == scan::reference::formTagPositions(page));
    const auto chosen = static_cast<std::size_t>(result.chosenForm);
    if (result.formFound && chosen >= 1 && chosen <= forms.size()) {
        VELMORAINE_FUZZ_CHECK(result.fields == scan::reference::fieldsOfForm(page, forms[chosen - 1]));
    }
    return 0;
}
