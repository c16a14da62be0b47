// The rewriter with fuzzed page bytes, rule records, account ID text and form numbers.
// Properties: the output equals the plain reference rewrite's, with and without the fallback
// setting (so nothing outside the rewritten tags, the removed block and the removed webbot
// comments is lost); the change list rebuilds it; reprocessing an output gives exactly one
// block; a page rebuilt from its own restored rules restores them.
#include "core/base/bytes.h"
#include "core/rewrite/page_changes.h"
#include "core/rewrite/page_rewriter.h"
#include "core/rewrite/reference_rewrite.h"
#include "core/rewrite/script_block.h"
#include "core/scan/form_scanner.h"
#include "fuzz/fuzz_input.h"

using namespace velmoraine;

namespace {

constexpr std::string_view kModel = "<!-- VELMORAINE-BEGIN -->\r\n<script>\r\n<!--\r\nfunction velmoraine_sub() {";

std::size_t count(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const int chosen = input.number() % 4 + 1;
    const int formNumber = input.number() % 10 + 1;
    const auto mode = input.number() % 2 == 0 ? rewrite::LaunchMode::Normal : rewrite::LaunchMode::Editor;
    const std::string_view id = input.text();
    std::vector<std::string> records;
    for (int n = input.number() % 4; n > 0; --n) {
        records.emplace_back(input.text());
    }
    const std::string_view page = input.rest();

    // Without and with the fallback setting: the same bytes, message, hash and warnings as the
    // plain reference, and the change list rebuilds the output from the page's own bytes.
    for (const rewrite::Html5Fallback fallback : {rewrite::Html5Fallback::Off, rewrite::Html5Fallback::On}) {
        const rewrite::RewriteInput in{page, kModel, chosen, id, formNumber, &records, mode, fallback};
        const rewrite::PiecesResult pieces = rewrite::rewritePageInPieces(in);
        const rewrite::RewriteResult plain = rewrite::reference::rewritePage(in);
        VELMORAINE_FUZZ_CHECK(pieces.output.has_value() == plain.output.has_value());
        VELMORAINE_FUZZ_CHECK(pieces.message == plain.message);
        if (!plain.output) {
            VELMORAINE_FUZZ_CHECK(!plain.message.empty());
            return 0;
        }
        VELMORAINE_FUZZ_CHECK(pieces.output->joined() == *plain.output);
        VELMORAINE_FUZZ_CHECK(pieces.cspHash == plain.cspHash && pieces.warnings == plain.warnings);
        // Each change removes the page's own bytes, changes something, and follows the one
        // before it in page order without overlapping it.
        const std::vector<rewrite::PageChange> changes = rewrite::listChanges(page, *pieces.output);
        std::size_t end = 0;
        for (const rewrite::PageChange &change : changes) {
            VELMORAINE_FUZZ_CHECK(change.offset >= end && change.offset + change.length <= page.size());
            VELMORAINE_FUZZ_CHECK(change.removed == page.substr(change.offset, change.length));
            VELMORAINE_FUZZ_CHECK(!change.removed.empty() || !change.added.empty());
            end = change.offset + change.length;
        }
        VELMORAINE_FUZZ_CHECK(rewrite::applyChanges(page, changes) == *plain.output);
    }
    const rewrite::RewriteResult result = rewrite::rewritePage({page, kModel, chosen, id, formNumber, &records, mode});

    // Reprocessing and the round trip of the stored rules, on pages that hold none of the
    // texts the block itself uses, so that the block is the only one.
    const std::string_view output = *result.output;
    const std::size_t tagStart = scan::findFormTag(page, chosen);
    const std::string_view tag = page.substr(tagStart, page.find('>', tagStart) - tagStart);
    bool plainRecords = !records.empty();
    for (const std::string &record : records) {
        plainRecords = plainRecords && record.size() > 4 && record.find(":;") == std::string::npos &&
                       record.find('\r') == std::string::npos && record.find("VELMORAINE") == std::string::npos &&
                       record.find("<form ") == std::string::npos && record.find("<FORM ") == std::string::npos;
    }
    if (!plainRecords || page.find("VELMORAINE") != std::string_view::npos ||
        page.find("<!--webbot") != std::string_view::npos || page.find("//VLDATA:") != std::string_view::npos ||
        tag.find("</head>") != std::string_view::npos || tag.find("</HEAD>") != std::string_view::npos ||
        tag.find("<body") != std::string_view::npos || tag.find("<BODY") != std::string_view::npos) {
        return 0;
    }
    // The checks name the form in a string (document["NAME"]) when its name is no plain
    // identifier. A name that holds "<form " or "<FORM " (no author's or browser's page has one)
    // thus puts a form tag into the block, the forms are numbered anew on the next run, and the
    // chosen number points at another form: such pages are left out of the reprocessing property.
    if (count(output, "<form ") + count(output, "<FORM ") != count(page, "<form ") + count(page, "<FORM ")) {
        return 0;
    }
    const rewrite::RewriteResult again = rewrite::rewritePage({output, kModel, chosen, id, formNumber, &records, mode});
    VELMORAINE_FUZZ_CHECK(again.output.has_value());
    VELMORAINE_FUZZ_CHECK(count(*again.output, rewrite::kBeginMarker) == 1);
    const scan::ScanResult scanned = scan::scanPage(output, [&](const std::vector<std::string> &) { return chosen; });
    VELMORAINE_FUZZ_CHECK(scanned.rules.records() == records);
    return 0;
}
