// A search for one fixed text that a walk moving forward through a text asks again and again.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "core/base/bytes.h"

namespace velmoraine::scan {

// Finds the next occurrence of a fixed text at or after a position, when it starts before a
// limit. What a search learns is kept: the last occurrence found stays the answer for every
// later start up to it, and a stretch searched in vain is not searched again. So a walk whose
// starts move forward reads each byte about once per needle, whatever the number of tags (a
// tag without ">" runs to the end of the text and must not make the walk quadratic), and a
// spelling that the tags do not use costs the bytes of the tags only, not the rest of the
// text. A start before the last one searches only the stretch up to the last start.
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view needle) : m_text(text), m_needle(needle) {}

    // The first occurrence at or after `from`. When none starts before `limit`, the answer is
    // npos or a position at or past `limit`.
    std::size_t at(std::size_t from, std::size_t limit = std::string_view::npos) {
        limit = std::min(limit, m_text.size());
        if (!m_valid) {
            startAfresh(from);
            m_valid = true;
        } else if (from < m_from) {
            const std::size_t found = searchBetween(from, m_from);
            m_from = from;
            if (found != std::string_view::npos) {
                m_found = found;
            }
        }
        if (m_found != std::string_view::npos && m_found >= from) {
            return m_found;
        }
        if (m_found != std::string_view::npos || from > m_searchedTo) {
            startAfresh(from);
        }
        // Here no occurrence starts in [m_from, m_searchedTo), and `from` is inside that stretch
        // or at its end.
        if (limit > m_searchedTo) {
            m_found = searchBetween(m_searchedTo, limit);
            m_searchedTo = limit;
        }
        return m_found;
    }

private:
    void startAfresh(std::size_t from) {
        m_from = from;
        m_found = std::string_view::npos;
        m_searchedTo = from;
    }

    // The first occurrence that starts in [start, end), or npos.
    std::size_t searchBetween(std::size_t start, std::size_t end) const {
        const std::string_view stretch = m_text.substr(0, end + m_needle.size() - 1);
        // Most searches stay inside one tag, where the plain search is quicker to set up.
        constexpr std::size_t kShort = 256;
        return end - start < kShort ? stretch.find(m_needle, start) : bytes::findFast(stretch, m_needle, start);
    }

    std::string_view m_text;
    std::string_view m_needle;
    std::size_t m_from = 0;
    std::size_t m_found = std::string_view::npos; // the first occurrence at or after m_from, when not npos
    std::size_t m_searchedTo = 0;                 // with m_found npos: none starts in [m_from, m_searchedTo)
    bool m_valid = false;
};

} // namespace velmoraine::scan
