#include "bench/bench_support.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <utility>

#include "core/base/files.h"
#include "core/rules/rule_record.h"

namespace velmoraine::bench {

namespace {

// ---------------------------------------------------------------------------------------------
// Pages and files
// ---------------------------------------------------------------------------------------------

using PageKey = std::pair<PageShape, std::size_t>;

std::map<PageKey, std::string> &pageCache() {
    static std::map<PageKey, std::string> pages;
    return pages;
}

std::map<PageKey, std::string> &fileCache() {
    static std::map<PageKey, std::string> files;
    return files;
}

// The scratch folder, made on first use and removed with everything in it when the program ends.
class ScratchFolder {
public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    ~ScratchFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
    std::string path;
};

std::string &scratchFolder() {
    static ScratchFolder folder;
    return folder.path;
}

const std::string &ensureScratchFolder() {
    std::string &folder = scratchFolder();
    if (folder.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmoraine-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort(); // no scratch folder, no file benchmarks
        }
        folder = pattern;
    }
    return folder;
}

// ---------------------------------------------------------------------------------------------
// Parameter ranges (nominal sizes are the ones the command-line script uses)
// ---------------------------------------------------------------------------------------------

constexpr std::size_t kMiB = 1024 * 1024;

struct Range {
    std::size_t low;
    std::size_t high;
};

constexpr Range rangeOf(PageShape shape) {
    switch (shape) {
    case PageShape::Realistic: return {kMiB, 100 * kMiB};
    case PageShape::DistinctFields: return {10'000, 1'000'000};
    case PageShape::Webbots: return {10'000, 1'000'000};
    case PageShape::ManyForms: return {1'000, 100'000};
    case PageShape::ManyInputs: return {5'000, 500'000};
    case PageShape::LongFormTag: return {kMiB, 10 * kMiB};
    case PageShape::OpenForms: return {10'000, 1'000'000};
    case PageShape::OpenTags: return {10'000, 1'000'000};
    // Two points only: a slower than linear walk would make a third one take minutes.
    case PageShape::OpenComments: return {1'000, 10'000};
    }
    return {1, 1};
}

} // namespace

const std::string &cachedPage(PageShape shape, std::size_t n) {
    auto [entry, inserted] = pageCache().try_emplace(PageKey{shape, n});
    if (inserted) {
        entry->second = generatePage(shape, n);
    }
    return entry->second;
}

const std::string &cachedPageFile(PageShape shape, std::size_t n) {
    auto [entry, inserted] = fileCache().try_emplace(PageKey{shape, n});
    if (inserted) {
        entry->second = scratchPath(std::string(shapeName(shape)) + "-" + std::to_string(n) + ".htm");
        if (!files::writeFileAtomically(entry->second, cachedPage(shape, n))) {
            std::abort();
        }
    }
    return entry->second;
}

std::string scratchPath(std::string_view name) { return ensureScratchFolder() + "/" + std::string(name); }

template <PageShape Shape> void shapeArguments(benchmark::internal::Benchmark *benchmark) {
    constexpr Range range = rangeOf(Shape);
    // Exact steps of ten (Range() would add the powers of ten in between as well).
    for (std::size_t n = range.low; n <= range.high; n *= 10) {
        benchmark->Arg(static_cast<std::int64_t>(n));
    }
    benchmark->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond)->MinTime(0.2);
}

template void shapeArguments<PageShape::Realistic>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::DistinctFields>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::Webbots>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::ManyForms>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::ManyInputs>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::LongFormTag>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::OpenForms>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::OpenTags>(benchmark::internal::Benchmark *);
template void shapeArguments<PageShape::OpenComments>(benchmark::internal::Benchmark *);

int chosenFormFor(PageShape shape, int formCount) {
    return shape == PageShape::ManyForms && formCount > 1 ? formCount : 1;
}

const std::vector<std::string> &benchRecords() {
    static const std::vector<std::string> records = [] {
        rules::RuleSettings email;
        email.kind = rules::RuleKind::Email;
        email.message = "Please enter your e-mail address.";
        rules::RuleSettings name;
        name.message = "Please enter your name.";
        rules::RuleSettings phone;
        phone.kind = rules::RuleKind::DigitSequence;
        phone.message = "Please enter your phone number.";
        rules::RuleSettings age;
        age.kind = rules::RuleKind::NumberValue;
        age.numMin = "18";
        age.numMax = "120";
        age.message = "Please enter your age.";
        return std::vector<std::string>{rules::buildRecord("email", email), rules::buildRecord("name", name),
                                        rules::buildRecord("phone", phone), rules::buildRecord("age", age)};
    }();
    return records;
}

const std::string &benchModel() {
    static const std::string model = [] {
        std::optional<std::string> shipped = files::readWholeFile(VELMORAINE_SOURCE_DIR "/core/rewrite/vlmodel.txt");
        if (shipped) {
            return std::move(*shipped);
        }
        return std::string("<!-- VELMORAINE-BEGIN -->\r\n<script type=\"text/javascript\">\r\n<!--\r\n"
                           "var b, errmsg, min, max, punct;\r\nfunction velmoraine_sub() {");
    }();
    return model;
}

// ---------------------------------------------------------------------------------------------
// Heap meter: every block carries its size in a header in front of it
// ---------------------------------------------------------------------------------------------

namespace heap {

namespace {
std::atomic<std::size_t> g_current{0};
std::atomic<std::size_t> g_peak{0};
} // namespace

std::size_t resetPeak() {
    const std::size_t now = g_current.load(std::memory_order_relaxed);
    g_peak.store(now, std::memory_order_relaxed);
    return now;
}

std::size_t peak() { return g_peak.load(std::memory_order_relaxed); }

namespace {

// Keeps the alignment that operator new promises for ordinary types.
constexpr std::size_t kHeader = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

void *allocate(std::size_t size) noexcept {
    void *block = std::malloc(size + kHeader);
    if (block == nullptr) {
        return nullptr;
    }
    *static_cast<std::size_t *>(block) = size;
    const std::size_t now = g_current.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t highest = g_peak.load(std::memory_order_relaxed);
    while (now > highest && !g_peak.compare_exchange_weak(highest, now, std::memory_order_relaxed)) {
    }
    return static_cast<char *>(block) + kHeader;
}

void release(void *pointer) noexcept {
    if (pointer == nullptr) {
        return;
    }
    void *block = static_cast<char *>(pointer) - kHeader;
    g_current.fetch_sub(*static_cast<std::size_t *>(block), std::memory_order_relaxed);
    std::free(block);
}

void *allocateOrThrow(std::size_t size) {
    if (void *pointer = allocate(size)) {
        return pointer;
    }
    throw std::bad_alloc();
}

} // namespace
} // namespace heap

} // namespace velmoraine::bench

// Replacements of the ordinary (not over-aligned) allocation functions for the whole program.
void *operator new(std::size_t size) { return velmoraine::bench::heap::allocateOrThrow(size); }
void *operator new[](std::size_t size) { return velmoraine::bench::heap::allocateOrThrow(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return velmoraine::bench::heap::allocate(size);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    return velmoraine::bench::heap::allocate(size);
}
void operator delete(void *pointer) noexcept { velmoraine::bench::heap::release(pointer); }
void operator delete[](void *pointer) noexcept { velmoraine::bench::heap::release(pointer); }
void operator delete(void *pointer, std::size_t) noexcept { velmoraine::bench::heap::release(pointer); }
void operator delete[](void *pointer, std::size_t) noexcept { velmoraine::bench::heap::release(pointer); }
void operator delete(void *pointer, const std::nothrow_t &) noexcept { velmoraine::bench::heap::release(pointer); }
void operator delete[](void *pointer, const std::nothrow_t &) noexcept { velmoraine::bench::heap::release(pointer); }
