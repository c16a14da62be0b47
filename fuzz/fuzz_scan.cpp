// The page scan with any chooser answer: fields are distinct, the chooser is asked only for
// pages with several forms, the stored rules stay parallel to their display texts, and the
// fields are those a plain walk of the chosen form finds, one "<" at a time.
#include <array>
#include <unordered_set>

#include "core/base/bytes.h"
#include "core/scan/form_scanner.h"
#include "fuzz/fuzz_input.h"

using namespace velmoraine;

namespace {

constexpr std::size_t npos = std::string_view::npos;

// An attribute of the tag [start, end) read the plain way: the first variant that occurs in
// the tag decides; a quoted value must close inside the tag.
bool plainAttribute(std::string_view form, std::size_t start, std::size_t end,
                    const std::array<std::string_view, 5> &variants, std::string_view &value) {
    std::size_t at = npos;
    for (std::string_view variant : variants) {
        const std::size_t found = form.find(variant, start);
        if (found != npos && found < end) {
            at = found;
            break;
        }
    }
    if (at == npos) {
        return false;
    }
    std::size_t pos = form.find('=', at) + 1;
    while (pos < end && form[pos] == ' ') {
        ++pos;
    }
    if (pos >= end) {
        value = {};
        return true;
    }
    if (form[pos] == '"' || form[pos] == '\'') {
        const std::size_t close = form.find(form[pos], pos + 1);
        if (close == npos || close >= end) {
            return false;
        }
        value = form.substr(pos + 1, close - pos - 1);
        return true;
    }
    std::size_t stop = form.find(' ', pos + 1);
    if (stop == npos || stop > end) {
        stop = end;
    }
    value = form.substr(pos, stop - pos);
    return true;
}

// The fields of the form at `at`: its text up to the closing tag of its own spelling, every
// "<" looked at in turn.
std::vector<std::string> plainFields(std::string_view page, std::size_t at) {
    std::string_view form = page.substr(at);
    const std::size_t close = form.find(form.substr(0, 6) == "<form " ? "</form" : "</FORM", 2);
    if (close != npos) {
        form = form.substr(0, close);
    }
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (std::size_t pos = 0, lt; (lt = form.find('<', pos)) != npos;) {
        const std::string_view tag = form.substr(lt);
        if (tag.substr(0, 3) == "<!-") {
            const std::size_t end = form.find("->", lt + 3);
            pos = end == npos ? lt + 3 : end + 2;
            continue;
        }
        if (bytes::startsWithNoCase(tag, "</form")) {
            break;
        }
        const bool isInput = bytes::startsWithNoCase(tag, "<input");
        if (isInput || bytes::startsWithNoCase(tag, "<select") || bytes::startsWithNoCase(tag, "<textarea")) {
            std::size_t end = form.find('>', lt + 1);
            if (end == npos) {
                end = form.size();
            }
            std::string_view name;
            if (plainAttribute(form, lt, end, {"name=", "NAME=", "Name=", "name =", "NAME ="}, name)) {
                std::string_view type;
                bool listed = true;
                const std::array<std::string_view, 5> typeVariants = {"type=", "TYPE=", "Type=", "type =", "TYPE ="};
                if (isInput && plainAttribute(form, lt, end, typeVariants, type)) {
                    for (std::string_view word :
                         {"submit", "image", "reset", "button", "hidden", "checkbox", "radio"}) {
                        listed = listed && !bytes::equalsNoCase(type, word);
                    }
                }
                if (listed && seen.insert(std::string(name)).second) {
                    names.emplace_back(name);
                }
            }
        }
        pos = lt + 1;
    }
    return names;
}

} // namespace

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
    const auto chosen = static_cast<std::size_t>(result.chosenForm);
    if (result.formFound && chosen >= 1 && chosen <= forms.size()) {
        VELMORAINE_FUZZ_CHECK(result.fields == plainFields(page, forms[chosen - 1]));
    }
    return 0;
}
