// The rewriter's output while it is built: a text made of views of other texts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/bytes.h"
#include "core/base/needle_places.h"

namespace velmoraine::rewrite {

// A text made of pieces of other texts (the source page, the rewritten tag, the new hidden
// input, the block), read as if they were joined. The steps cut and search it without moving
// any byte; the output is copied from the pieces once, at the end.
class PieceText {
public:
    PieceText() = default;
    explicit PieceText(std::string_view whole) { append(whole); }

    std::size_t size() const { return m_size; }

    // Room for `count` pieces, so that a text built from a known number of pieces holds one
    // list of them, never a list and its growing copy.
    void reserve(std::size_t count) {
        m_pieces.reserve(count);
        m_starts.reserve(count);
    }

    void append(std::string_view piece) {
        if (piece.empty()) {
            return;
        }
        m_starts.push_back(m_size);
        m_pieces.push_back(piece);
        m_size += piece.size();
    }

    // Appends the bytes [start, end) of `source`.
    void appendRange(const PieceText &source, std::size_t start, std::size_t end) {
        if (start >= end) {
            return;
        }
        for (std::size_t i = source.pieceAt(start); start < end; ++i) {
            const std::string_view piece = source.m_pieces[i];
            const std::size_t offset = start - source.m_starts[i];
            const std::size_t count = std::min(piece.size() - offset, end - start);
            append(piece.substr(offset, count));
            start += count;
        }
    }

    // Drops every byte from `size` on.
    void truncate(std::size_t size) {
        while (!m_pieces.empty() && m_starts.back() >= size) {
            m_size = m_starts.back();
            m_pieces.pop_back();
            m_starts.pop_back();
        }
        if (m_size > size) {
            m_pieces.back() = m_pieces.back().substr(0, size - m_starts.back());
            m_size = size;
        }
    }

    // The last `count` bytes (count <= size): a view of the last piece when it holds them all,
    // else a copy kept in `buffer`.
    std::string_view lastBytes(std::size_t count, std::string &buffer) const {
        if (!m_pieces.empty() && m_pieces.back().size() >= count) {
            return m_pieces.back().substr(m_pieces.back().size() - count);
        }
        buffer = bytesAt(m_size - count, count);
        return buffer;
    }

    // Up to `count` bytes from `at` on; fewer at the end.
    std::string bytesAt(std::size_t at, std::size_t count) const {
        std::string out;
        if (at >= m_size) {
            return out;
        }
        for (std::size_t i = pieceAt(at); out.size() < count && i < m_pieces.size(); ++i) {
            const std::size_t offset = at > m_starts[i] ? at - m_starts[i] : 0;
            out.append(m_pieces[i].substr(offset, count - out.size()));
        }
        return out;
    }

    // The first occurrence at or after `from`, as find on the joined text answers. With `places`
    // that hold the needle, the pieces that are views of their page are looked up there instead
    // of searched.
    std::size_t find(std::string_view needle, std::size_t from, const bytes::NeedlePlaces *places = nullptr) const {
        const std::size_t indexed = places != nullptr ? places->indexOf(needle) : std::string_view::npos;
        if (from > m_size) {
            return std::string_view::npos;
        }
        if (needle.empty()) {
            return from;
        }
        if (needle.size() > m_size - from) {
            return std::string_view::npos;
        }
        for (std::size_t i = pieceAt(from); i < m_pieces.size(); ++i) {
            const std::string_view piece = m_pieces[i];
            const std::size_t local = from > m_starts[i] ? from - m_starts[i] : 0;
            const std::size_t inside = indexed != std::string_view::npos && places->holds(piece)
                                           ? inPiece(*places, indexed, piece, local)
                                           : bytes::findFast(piece, needle, local);
            if (inside != std::string_view::npos) {
                return m_starts[i] + inside;
            }
            // Else one that starts in the last bytes of this piece and runs on into the next.
            if (needle.size() == 1 || i + 1 == m_pieces.size()) {
                continue;
            }
            const std::size_t tail =
                std::max(local, piece.size() >= needle.size() ? piece.size() - (needle.size() - 1) : 0);
            if (tail < piece.size() && std::memchr(piece.data() + tail, needle[0], piece.size() - tail) != nullptr) {
                const std::size_t tailSize = piece.size() - tail;
                const std::size_t across = bytesAt(m_starts[i] + tail, tailSize + needle.size() - 1).find(needle);
                if (across < tailSize) {
                    return m_starts[i] + tail + across;
                }
            }
        }
        return std::string_view::npos;
    }

    const std::vector<std::string_view> &pieces() const & { return m_pieces; }
    // The pieces of a text that is done with, without a copy of the list.
    std::vector<std::string_view> pieces() && { return std::move(m_pieces); }

    // The offsets in `source` of the first and one past the last byte of [start, end) that are
    // views of `source`; first == last when there is none.
    std::pair<std::size_t, std::size_t> sourceRange(std::string_view source, std::size_t start, std::size_t end) const {
        std::pair<std::size_t, std::size_t> range{0, 0};
        bool found = false;
        for (std::size_t i = start < end ? pieceAt(start) : m_pieces.size(); i < m_pieces.size() && m_starts[i] < end;
             ++i) {
            const std::string_view piece = m_pieces[i];
            if (!std::less_equal<>()(source.data(), piece.data()) ||
                !std::less_equal<>()(piece.data() + piece.size(), source.data() + source.size())) {
                continue;
            }
            const std::size_t from = std::max(start, m_starts[i]) - m_starts[i];
            const std::size_t to = std::min(end, m_starts[i] + piece.size()) - m_starts[i];
            const auto offset = static_cast<std::size_t>(piece.data() - source.data());
            if (!found) {
                range.first = offset + from;
                found = true;
            }
            range.second = offset + to;
        }
        return range;
    }

    // Appends the bytes [start, end) to `out`.
    void appendTo(std::string &out, std::size_t start, std::size_t end) const {
        if (start >= end) {
            return;
        }
        for (std::size_t i = pieceAt(start); start < end; ++i) {
            const std::size_t offset = start - m_starts[i];
            const std::size_t count = std::min(m_pieces[i].size() - offset, end - start);
            out.append(m_pieces[i].substr(offset, count));
            start += count;
        }
    }

private:
    // The first place of the needle `which` inside `piece`, a view of the places' page, at or
    // after `local` in it; npos when there is none.
    static std::size_t inPiece(const bytes::NeedlePlaces &places, std::size_t which, std::string_view piece,
                               std::size_t local) {
        const auto start = static_cast<std::size_t>(piece.data() - places.page().data());
        const std::size_t at = places.find(which, start + local, start + piece.size());
        return at == std::string_view::npos ? at : at - start;
    }

    // The index of the piece that holds byte `at` (at < size).
    std::size_t pieceAt(std::size_t at) const {
        return static_cast<std::size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), at) - m_starts.begin()) - 1;
    }

    std::vector<std::string_view> m_pieces;
    std::vector<std::size_t> m_starts; // where each piece starts in the joined text
    std::size_t m_size = 0;
};

} // namespace velmoraine::rewrite
