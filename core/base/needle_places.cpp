#include "core/base/needle_places.h"

#include <algorithm>
#include <functional>

#include "core/base/bytes.h"

namespace velmoraine::bytes {

namespace {
constexpr std::size_t npos = std::string_view::npos;
} // namespace

NeedlePlaces::NeedlePlaces(std::string_view page, const std::vector<Sought> &needles, std::size_t kept) : m_page(page) {
    for (const Sought &needle : needles) {
        m_needles.push_back({needle.text, needle.anyCase, std::min(needle.from, page.size()), {}, page.size()});
    }
    // The pass runs from one needle's `from` to the next, each stretch with the needles that
    // count in it; a needle that has all the places it keeps is left out from there on.
    std::vector<std::size_t> stops;
    for (const Needle &needle : m_needles) {
        stops.push_back(needle.from);
    }
    stops.push_back(page.size());
    std::sort(stops.begin(), stops.end());
    std::size_t longest = 0;
    for (const Needle &needle : m_needles) {
        longest = std::max(longest, needle.text.size());
    }
    for (std::size_t stop = 0; stop + 1 < stops.size(); ++stop) {
        const std::size_t end = stops[stop + 1];
        std::vector<AnyNeedle> looked = lookedForAt(stops[stop]);
        // The stretch's places, with the bytes after it that a needle starting in it runs into.
        const std::string_view stretch = page.substr(0, end + longest - 1);
        const auto next = [&](std::size_t from) {
            const std::size_t at = looked.empty() ? npos : findAnyFast(stretch, looked, from);
            return at < end ? at : npos;
        };
        for (std::size_t at = next(stops[stop]); at != npos; at = next(at + 1)) {
            bool full = false;
            for (Needle &needle : m_needles) {
                if (needle.from > at || needle.complete != page.size() || !startsAt(needle, at)) {
                    continue;
                }
                needle.places.push_back(at);
                if (needle.places.size() >= kept) {
                    needle.complete = at + 1;
                    full = true;
                }
            }
            if (full) {
                looked = lookedForAt(at + 1);
                if (looked.empty()) {
                    break;
                }
            }
        }
    }
}

std::vector<AnyNeedle> NeedlePlaces::lookedForAt(std::size_t at) const {
    const auto open = [&](const Needle &needle) { return needle.from <= at && needle.complete == m_page.size(); };
    std::vector<AnyNeedle> looked;
    for (const Needle &needle : m_needles) {
        const auto startsIt = [&](const Needle &other) {
            return open(other) && !other.anyCase && !needle.anyCase && other.text.size() < needle.text.size() &&
                   needle.text.starts_with(other.text);
        };
        if (open(needle) && std::none_of(m_needles.begin(), m_needles.end(), startsIt)) {
            looked.push_back({needle.text, needle.anyCase});
        }
    }
    return looked;
}

std::size_t NeedlePlaces::find(std::size_t which, std::size_t from, std::size_t to) const {
    const Needle &needle = m_needles[which];
    to = std::min(to, m_page.size());
    if (from > to || to - from < needle.text.size()) {
        return npos;
    }
    const std::string_view searched = m_page.substr(0, to);
    const auto search = [&](std::string_view text, std::size_t at) {
        return needle.anyCase ? findNoCase(text, needle.text, at) : findFast(text, needle.text, at);
    };
    if (from < needle.from) {
        // Before its places count: the page up to where they do.
        const std::size_t before = search(searched.substr(0, std::min(to, needle.from + needle.text.size() - 1)), from);
        if (before != npos) {
            return before;
        }
        from = needle.from;
    }
    if (from < needle.complete) {
        const auto place = std::lower_bound(needle.places.begin(), needle.places.end(), from);
        if (place != needle.places.end()) {
            return *place + needle.text.size() <= to ? *place : npos;
        }
        from = needle.complete;
    }
    // Past the places kept: the page from there on.
    return search(searched, from);
}

bool NeedlePlaces::startsAt(const Needle &needle, std::size_t at) const {
    if (m_page.size() - at < needle.text.size()) {
        return false;
    }
    const std::string_view here = m_page.substr(at, needle.text.size());
    return needle.anyCase ? equalsNoCase(here, needle.text) : here == needle.text;
}

std::size_t NeedlePlaces::indexOf(std::string_view needle) const {
    for (std::size_t i = 0; i < m_needles.size(); ++i) {
        // The steps ask with the constants they gave, most often: the same bytes, compared by
        // their address first.
        const std::string_view text = m_needles[i].text;
        if (text.size() == needle.size() && (text.data() == needle.data() || text == needle)) {
            return i;
        }
    }
    return npos;
}

bool NeedlePlaces::holds(std::string_view text) const {
    return std::less_equal<>()(m_page.data(), text.data()) &&
           std::less_equal<>()(text.data() + text.size(), m_page.data() + m_page.size());
}

} // namespace velmoraine::bytes
