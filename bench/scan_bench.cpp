// The page scan against reading the same page from its file: realistic pages of 1, 10 and
// 100 MB, and the shapes that would make a careless scan slower than linear. Each shape runs
// at sizes ten times apart; the complexity line (_BigO, _RMS) says how well O(n) fits.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"
#include "core/base/files.h"
#include "core/scan/form_scanner.h"

namespace velmoraine::bench {
namespace {

// scanPage on the page in memory, the chooser answering as chosenFormFor() says.
void BM_ScanPage(benchmark::State &state, PageShape shape) {
    const std::string &page = cachedPage(shape, static_cast<std::size_t>(state.range(0)));
    const scan::Chooser chooser = [shape](const std::vector<std::string> &tagTexts) {
        return chosenFormFor(shape, static_cast<int>(tagTexts.size()));
    };
    std::size_t fields = 0;
    for (auto _ : state) {
        scan::ScanResult result = scan::scanPage(page, chooser);
        fields = result.fields.size();
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.SetComplexityN(static_cast<std::int64_t>(page.size()));
    state.counters["fields"] = static_cast<double>(fields);
    state.counters["MB"] = static_cast<double>(page.size()) / (1024.0 * 1024.0);
}

// The floor of a scan: one search that reads every byte of the page in memory.
void BM_ReadPass(benchmark::State &state, PageShape shape) {
    const std::string &page = cachedPage(shape, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::string_view(page).find('\x01'));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
    state.SetComplexityN(static_cast<std::int64_t>(page.size()));
}

// readWholeFile of the same page, the floor any command that reads the page pays.
void BM_ReadWholeFile(benchmark::State &state, PageShape shape) {
    const std::string &path = cachedPageFile(shape, static_cast<std::size_t>(state.range(0)));
    std::size_t size = 0;
    for (auto _ : state) {
        std::optional<std::string> bytes = files::readWholeFile(path);
        size = bytes ? bytes->size() : 0;
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.SetComplexityN(static_cast<std::int64_t>(size));
}

#define VELMORAINE_SCAN_SHAPE(tag, shape)                                                                              \
    BENCHMARK_CAPTURE(BM_ScanPage, tag, shape)->Apply(shapeArguments<shape>);                                          \
    BENCHMARK_CAPTURE(BM_ReadPass, tag, shape)->Apply(shapeArguments<shape>);                                          \
    BENCHMARK_CAPTURE(BM_ReadWholeFile, tag, shape)->Apply(shapeArguments<shape>)

VELMORAINE_SCAN_SHAPE(realistic, PageShape::Realistic);
VELMORAINE_SCAN_SHAPE(fields, PageShape::DistinctFields);
VELMORAINE_SCAN_SHAPE(webbots, PageShape::Webbots);
VELMORAINE_SCAN_SHAPE(forms, PageShape::ManyForms);
VELMORAINE_SCAN_SHAPE(inputs, PageShape::ManyInputs);
VELMORAINE_SCAN_SHAPE(form_tag, PageShape::LongFormTag);
VELMORAINE_SCAN_SHAPE(open_forms, PageShape::OpenForms);
VELMORAINE_SCAN_SHAPE(open_tags, PageShape::OpenTags);
VELMORAINE_SCAN_SHAPE(open_comments, PageShape::OpenComments);

} // namespace
} // namespace velmoraine::bench
