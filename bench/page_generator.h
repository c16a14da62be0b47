// Deterministic pages for the benchmarks and for scripts/bench_cli.sh: a realistic page of a
// chosen size and the shapes that must not make the scanner or the rewriter slower than
// linear. The same shape and size always give the same bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmoraine::bench {

enum class PageShape {
    Realistic,      // n: page size in bytes
    DistinctFields, // n: distinct field names in the first form
    Webbots,        // n: "<!--webbot bot=..." comments scattered through the page
    ManyForms,      // n: complete forms, one after another
    ManyInputs,     // n: inputs in one form, their names repeating
    LongFormTag,    // n: bytes of the first form's tag
    OpenForms,      // n: "<form " with no ">" anywhere after them
    OpenTags,       // n: field tags with no ">" inside the first form
    OpenComments,   // n: "<!--" never closed inside the first form
};

// The field that the first form of every shape holds, so that a rule can always be added.
inline constexpr std::string_view kRuleField = "email";

// The shape's name on the command line and in benchmark names ("realistic", "fields", ...).
std::string_view shapeName(PageShape shape);

// The shape with that name, or nullopt.
std::optional<PageShape> shapeByName(std::string_view name);

// Every shape name, separated by ", ", for usage messages.
std::string shapeNames();

// The page of `shape` for the parameter `n` (bytes or a count, see PageShape).
std::string generatePage(PageShape shape, std::size_t n);

} // namespace velmoraine::bench
