// velmoraine_make_page: writes one generated page, for scripts/bench_cli.sh and for trying a
// shape by hand:
//   velmoraine_make_page SHAPE N OUT
#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "bench/page_generator.h"
#include "core/base/files.h"

namespace {

// A count or a size: digits with an optional K (x 1024) or M (x 1024 * 1024).
bool readSize(std::string_view text, std::size_t &value) {
    std::size_t unit = 1;
    if (!text.empty() && (text.back() == 'K' || text.back() == 'k')) {
        unit = 1024;
        text.remove_suffix(1);
    } else if (!text.empty() && (text.back() == 'M' || text.back() == 'm')) {
        unit = 1024 * 1024;
        text.remove_suffix(1);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return false;
    }
    value *= unit;
    return true;
}

} // namespace

int main(int argc, char **argv) {
    using velmoraine::bench::PageShape;
    std::size_t n = 0;
    const std::optional<PageShape> shape =
        argc == 4 ? velmoraine::bench::shapeByName(argv[1]) : std::optional<PageShape>();
    if (!shape || !readSize(argv[2], n)) {
        std::fprintf(stderr,
                     "usage: velmoraine_make_page SHAPE N OUT\n  SHAPE: %s\n"
                     "  N: bytes for realistic and form-tag, a count for the others (K and M suffixes)\n",
                     velmoraine::bench::shapeNames().c_str());
        return 1;
    }
    if (!velmoraine::files::writeFileAtomically(argv[3], velmoraine::bench::generatePage(*shape, n))) {
        std::fprintf(stderr, "velmoraine_make_page: cannot write %s\n", argv[3]);
        return 2;
    }
    return 0;
}
