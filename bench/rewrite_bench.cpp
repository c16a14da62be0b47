// The page rewrite against reading and atomically writing the same bytes. BM_RewritePage is
// the core step on a page in memory, BM_CopyPage its floor, BM_RewritePieces the step without
// the copy of its result; BM_RewriteFile is what the command line does (map or read, scan,
// rewrite, write the pieces), BM_ReadWriteAtomically its floor.
// The mem_x counter is the page plus the peak heap of the step, divided by the page size: the
// command's memory for the page.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "core/base/files.h"
#include "core/rewrite/page_rewriter.h"
#include "core/scan/form_scanner.h"

namespace velmoraine::bench {
namespace {

constexpr std::string_view kAccountId = "24680";

rewrite::RewriteInput rewriteInput(std::string_view page, PageShape shape) {
    rewrite::RewriteInput input;
    input.page = page;
    input.model = benchModel();
    input.chosenForm = chosenFormFor(shape, static_cast<int>(scan::formTagPositions(page).size()));
    input.accountIdText = kAccountId;
    input.records = &benchRecords();
    return input;
}

// The page, held outside the counted heap, and the peak heap of the step, per page byte.
double memoryRatio(std::size_t heapBefore, std::size_t pageSize) {
    const std::size_t extra = heap::peak() - heapBefore;
    return static_cast<double>(extra + pageSize) / static_cast<double>(pageSize);
}

void BM_RewritePage(benchmark::State &state, PageShape shape) {
    const std::string &page = cachedPage(shape, static_cast<std::size_t>(state.range(0)));
    const rewrite::RewriteInput input = rewriteInput(page, shape);

    // One untimed run for the memory figure and to check that the page is one the rewriter takes.
    const std::size_t before = heap::resetPeak();
    {
        const rewrite::RewriteResult result = rewrite::rewritePage(input);
        if (!result.output) {
            state.SkipWithError(result.message.c_str());
            return;
        }
    }
    const double memory = memoryRatio(before, page.size());

    for (auto _ : state) {
        rewrite::RewriteResult result = rewrite::rewritePage(input);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.SetComplexityN(static_cast<std::int64_t>(page.size()));
    state.counters["mem_x"] = memory;
    state.counters["MB"] = static_cast<double>(page.size()) / (1024.0 * 1024.0);
}

// The same step without the copy of the result into one text: the pieces the command line
// writes out from where they lie, and the warnings.
void BM_RewritePieces(benchmark::State &state, PageShape shape) {
    const std::string &page = cachedPage(shape, static_cast<std::size_t>(state.range(0)));
    const rewrite::RewriteInput input = rewriteInput(page, shape);
    for (auto _ : state) {
        rewrite::PiecesResult result = rewrite::rewritePageInPieces(input);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.SetComplexityN(static_cast<std::int64_t>(page.size()));
}

// The floor of any step that builds a new page: one copy into a fresh string of the same size.
// Beside BM_RewritePage it separates the rewriter's own work from the cost of touching new
// memory, which grows faster than the size once the pages leave the caches.
void BM_CopyPage(benchmark::State &state, PageShape shape) {
    const std::string &page = cachedPage(shape, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string copy;
        copy.reserve(page.size());
        copy.append(page);
        benchmark::DoNotOptimize(copy);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.SetComplexityN(static_cast<std::int64_t>(page.size()));
}

// The command's whole run: read, scan (the rules stored in the page join the given ones as in
// the command), rewrite and write atomically beside the page.
bool rewriteFile(const std::string &path, const std::string &output, PageShape shape) {
    const std::optional<files::FileBytes> page = files::readFileBytes(path, {"the page was shortened", 1});
    if (!page) {
        return false;
    }
    const scan::ScanResult scanned = scan::scanPage(page->view(), [shape](const std::vector<std::string> &tagTexts) {
        return chosenFormFor(shape, static_cast<int>(tagTexts.size()));
    });
    std::vector<std::string> records = scanned.rules.records();
    records.insert(records.end(), benchRecords().begin(), benchRecords().end());
    rewrite::RewriteInput input = rewriteInput(page->view(), shape);
    input.chosenForm = scanned.chosenForm;
    input.records = &records;
    const rewrite::PiecesResult result = rewrite::rewritePageInPieces(input);
    return result.output && files::writeFileAtomically(output, result.output->pieces);
}

void BM_RewriteFile(benchmark::State &state, PageShape shape) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string &path = cachedPageFile(shape, n);
    const std::string output = scratchPath("rewritten-" + std::to_string(n) + ".htm");
    const std::size_t size = cachedPage(shape, n).size();

    const std::size_t before = heap::resetPeak();
    if (!rewriteFile(path, output, shape)) {
        state.SkipWithError("the rewrite gave up or the output could not be written");
        return;
    }
    // The page is mapped, or read into memory that operator new does not count.
    const double memory = memoryRatio(before, size);

    for (auto _ : state) {
        benchmark::DoNotOptimize(rewriteFile(path, output, shape));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.SetComplexityN(static_cast<std::int64_t>(size));
    state.counters["mem_x"] = memory;
}

void BM_ReadWriteAtomically(benchmark::State &state, PageShape shape) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string &path = cachedPageFile(shape, n);
    const std::string output = scratchPath("copied-" + std::to_string(n) + ".htm");
    const std::size_t size = cachedPage(shape, n).size();
    for (auto _ : state) {
        std::optional<std::string> bytes = files::readWholeFile(path);
        benchmark::DoNotOptimize(bytes && files::writeFileAtomically(output, *bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.SetComplexityN(static_cast<std::int64_t>(size));
}

#define VELMORAINE_REWRITE_SHAPE(tag, shape)                                                                           \
    BENCHMARK_CAPTURE(BM_RewritePage, tag, shape)->Apply(shapeArguments<shape>);                                       \
    BENCHMARK_CAPTURE(BM_RewritePieces, tag, shape)->Apply(shapeArguments<shape>);                                     \
    BENCHMARK_CAPTURE(BM_CopyPage, tag, shape)->Apply(shapeArguments<shape>);                                          \
    BENCHMARK_CAPTURE(BM_RewriteFile, tag, shape)->Apply(shapeArguments<shape>);                                       \
    BENCHMARK_CAPTURE(BM_ReadWriteAtomically, tag, shape)->Apply(shapeArguments<shape>)

VELMORAINE_REWRITE_SHAPE(realistic, PageShape::Realistic);
VELMORAINE_REWRITE_SHAPE(webbots, PageShape::Webbots);
VELMORAINE_REWRITE_SHAPE(fields, PageShape::DistinctFields);
VELMORAINE_REWRITE_SHAPE(forms, PageShape::ManyForms);
VELMORAINE_REWRITE_SHAPE(form_tag, PageShape::LongFormTag);

} // namespace
} // namespace velmoraine::bench
