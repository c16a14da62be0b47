// What the scan and rewrite benchmarks share: generated pages kept for the whole run, their
// files in one scratch folder, the parameter range of every shape, a heap meter and the rule
// records and script model a rewrite uses.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/page_generator.h"

namespace velmoraine::bench {

// The page of `shape` and `n`, generated on first use and kept until the process ends.
const std::string &cachedPage(PageShape shape, std::size_t n);

// The same page as a file in the scratch folder, written on first use.
const std::string &cachedPageFile(PageShape shape, std::size_t n);

// A path in the scratch folder (a new folder in the temp folder, removed when the program ends).
std::string scratchPath(std::string_view name);

// The arguments of a shape: its nominal size and the sizes ten times apart around it, so that
// the time ratio of neighbours shows whether the work grows linearly.
template <PageShape Shape> void shapeArguments(benchmark::internal::Benchmark *benchmark);

// The form a chooser picks on a page of `shape` with `formCount` forms: the last one where the
// shape is many forms (the longest walk to it), else the first.
int chosenFormFor(PageShape shape, int formCount);

// The rule records of the rewrite benchmarks: one of each kind, for fields of the first form.
const std::vector<std::string> &benchRecords();

// The shipped script model when the source tree has it, else a small stand-in.
const std::string &benchModel();

// Counts the bytes held by operator new, to measure the peak heap of one call.
namespace heap {
// Makes the current bytes the new peak and returns them.
std::size_t resetPeak();
// The highest count since the last resetPeak().
std::size_t peak();
} // namespace heap

} // namespace velmoraine::bench
