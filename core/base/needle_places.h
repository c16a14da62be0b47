// The places of a few needles in a page, found in one pass over it, for a step that searches the
// page for them again and again: each search is then a look-up.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/base/bytes.h"

namespace velmoraine::bytes {

class NeedlePlaces {
public:
    // A needle (not empty), where in the page its places start to count, and whether its ASCII
    // letters match in any case.
    struct Sought {
        std::string_view text;
        std::size_t from = 0;
        bool anyCase = false;
    };

    // One pass over `page` for all the needles (at most six), each from its `from` on. A needle
    // found more than `kept` times keeps its first `kept` places; a search past them, or before
    // its `from`, goes to the page.
    NeedlePlaces(std::string_view page, const std::vector<Sought> &needles, std::size_t kept);

    // The first place at or after `from` of the needle `which` (its index in the needles) that
    // ends at or before `to`, as a search of page[0, to) answers it; npos when there is none.
    [[nodiscard]] std::size_t find(std::size_t which, std::size_t from, std::size_t to) const;

    // The index of `needle` among the needles; npos when it is not one of them.
    [[nodiscard]] std::size_t indexOf(std::string_view needle) const;

    // Whether `text` is a view of the page's bytes, so that find answers for it.
    [[nodiscard]] bool holds(std::string_view text) const;

    [[nodiscard]] std::string_view page() const { return m_page; }

    // Room for one place in 1024 bytes of the page for each needle, and at least 256: the
    // places take a small share of the page's size, whatever the page holds.
    static std::size_t keptFor(std::size_t pageSize) { return pageSize / 1024 > 256 ? pageSize / 1024 : 256; }

private:
    struct Needle {
        std::string_view text;
        bool anyCase = false;
        std::size_t from = 0; // the places are those at or after this
        std::vector<std::size_t> places;
        std::size_t complete = 0; // ... and before this, all of them
    };

    // The needles the pass looks for at `at`: those that count there and keep more places, less
    // one that a shorter one starts (found at the shorter one's places).
    std::vector<AnyNeedle> lookedForAt(std::size_t at) const;

    // Whether the needle starts at `at` of the page.
    bool startsAt(const Needle &needle, std::size_t at) const;

    std::string_view m_page;
    std::vector<Needle> m_needles;
};

} // namespace velmoraine::bytes
