#include "core/base/needle_places.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "core/base/bytes.h"

namespace velmoraine::bytes {

namespace {
constexpr std::size_t npos = std::string_view::npos;
} // namespace

NeedlePlaces::NeedlePlaces(std::string_view page, std::vector<std::string_view> needles, std::size_t kept)
    : m_page(page) {
    for (std::string_view needle : needles) {
        m_needles.push_back({needle, {}, page.size()});
    }
    // The needles the pass looks for: one that another starts (kHiddenExact after
    // kHiddenGeneral) is found at the places of the shorter one, and one with all the places it
    // keeps is left to find.
    const auto looked = [&] {
        std::vector<std::string_view> open;
        for (const Needle &needle : m_needles) {
            const auto startsIt = [&](const Needle &other) {
                return other.text.size() < needle.text.size() && other.complete == page.size() &&
                       needle.text.starts_with(other.text);
            };
            if (needle.complete == page.size() && std::none_of(m_needles.begin(), m_needles.end(), startsIt)) {
                open.push_back(needle.text);
            }
        }
        return open;
    };
    std::vector<std::string_view> open = looked();
    std::size_t at = open.empty() ? npos : findAnyFast(page, open, 0);
    while (at != npos) {
        bool full = false;
        for (Needle &needle : m_needles) {
            if (needle.complete != page.size() || page.size() - at < needle.text.size() ||
                std::memcmp(page.data() + at, needle.text.data(), needle.text.size()) != 0) {
                continue;
            }
            needle.places.push_back(at);
            if (needle.places.size() >= kept) {
                needle.complete = at + 1;
                full = true;
            }
        }
        if (full) {
            open = looked();
            if (open.empty()) {
                break;
            }
        }
        at = findAnyFast(page, open, at + 1);
    }
}

std::size_t NeedlePlaces::find(std::size_t which, std::size_t from, std::size_t to) const {
    const Needle &needle = m_needles[which];
    to = std::min(to, m_page.size());
    if (from > to || to - from < needle.text.size()) {
        return npos;
    }
    const std::size_t last = to - needle.text.size(); // the last place that ends before `to`
    const auto place = std::lower_bound(needle.places.begin(), needle.places.end(), from);
    if (place != needle.places.end() && *place < needle.complete) {
        return *place <= last ? *place : npos;
    }
    // Past the places kept: the page from there on.
    const std::size_t searchedFrom = std::max(from, needle.complete);
    if (searchedFrom > last) {
        return npos;
    }
    return findFast(m_page.substr(0, to), needle.text, searchedFrom);
}

std::size_t NeedlePlaces::indexOf(std::string_view needle) const {
    for (std::size_t i = 0; i < m_needles.size(); ++i) {
        if (m_needles[i].text == needle) {
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
