#include "core/rewrite/page_changes.h"

#include <algorithm>
#include <functional>

#include "core/base/bytes.h"
#include "core/rewrite/page_rewriter.h"
#include "core/rewrite/script_block.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool holds(std::string_view outer, std::string_view inner) {
    return !inner.empty() && std::less_equal<>()(outer.data(), inner.data()) &&
           std::less_equal<>()(inner.data() + inner.size(), outer.data() + outer.size());
}

// ---------------------------------------------------------------------------------------------
// The change list
// ---------------------------------------------------------------------------------------------

// Builds the list edit by edit; an edit that continues the last one (its end, the same
// reason) joins it, so that the new tag replaces the old one in one change.
class ChangeList {
public:
    explicit ChangeList(std::string_view page) : m_page(page) {}

    void remove(std::size_t start, std::size_t end, ChangeReason reason) {
        PageChange &change = at(start, reason);
        change.length = end - change.offset;
        change.removed = m_page.substr(change.offset, change.length);
    }
    void add(std::size_t at, std::string_view text, ChangeReason reason) { this->at(at, reason).added.append(text); }

    std::vector<PageChange> take() { return std::move(m_changes); }

private:
    PageChange &at(std::size_t offset, ChangeReason reason) {
        if (m_changes.empty() || m_changes.back().reason != reason ||
            m_changes.back().offset + m_changes.back().length != offset) {
            m_changes.push_back(PageChange{offset, 0, m_page.substr(offset, 0), {}, reason});
        }
        return m_changes.back();
    }

    std::string_view m_page;
    std::vector<PageChange> m_changes;
};

using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

// Whether [from, to) lies in one of the ranges (in page order, none overlapping).
bool inRanges(const Ranges &ranges, std::size_t from, std::size_t to) {
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), from,
                                        [](std::size_t at, const auto &range) { return at < range.first; });
    return after != ranges.begin() && to <= std::prev(after)->second;
}

// Adds to `cuts` where the ranges that meet [start, end) begin and end.
void addCuts(const Ranges &ranges, std::size_t start, std::size_t end, std::vector<std::size_t> &cuts) {
    auto range = std::upper_bound(ranges.begin(), ranges.end(), start,
                                  [](std::size_t at, const auto &r) { return at < r.first; });
    if (range != ranges.begin()) {
        --range;
    }
    for (; range != ranges.end() && range->first < end; ++range) {
        cuts.push_back(range->first);
        cuts.push_back(range->second);
    }
}

struct Removal {
    std::size_t start = 0;
    std::size_t end = 0;
    ChangeReason reason = ChangeReason::WebbotComment;
};

// A stretch of the page that no piece keeps, split where the rewriter's own cuts begin and end
// (the form tag, the earlier hidden input, the field tags); the rest is told by what it holds.
std::vector<Removal> removalsIn(std::string_view page, std::size_t start, std::size_t end,
                                const PageInPieces::Marks &marks) {
    std::vector<std::size_t> cuts = {marks.tagStart, marks.tagEnd, marks.hiddenStart, marks.hiddenEnd};
    // The field tags rewritten within the stretch (a removed webbot comment may join two of
    // them into one stretch), and the generated scripts cut out.
    addCuts(marks.fieldTags, start, end, cuts);
    addCuts(marks.checkTags, start, end, cuts);
    addCuts(marks.checkScripts, start, end, cuts);
    std::sort(cuts.begin(), cuts.end());
    std::vector<Removal> removals;
    std::size_t from = start;
    for (std::size_t i = 0; i <= cuts.size() && from < end; ++i) {
        const std::size_t to = i < cuts.size() ? std::clamp(cuts[i], from, end) : end;
        if (to == from) {
            continue;
        }
        ChangeReason reason = ChangeReason::WebbotComment;
        if (from >= marks.tagStart && to <= marks.tagEnd) {
            reason = ChangeReason::FormTag;
        } else if (marks.hiddenEnd > marks.hiddenStart && from >= marks.hiddenStart && to <= marks.hiddenEnd) {
            reason = ChangeReason::HiddenInput;
        } else if (inRanges(marks.checkScripts, from, to) || inRanges(marks.checkTags, from, to)) {
            reason = ChangeReason::EarlierChecks;
        } else if (inRanges(marks.fieldTags, from, to)) {
            reason = ChangeReason::FieldTag;
        } else if (bytes::findFast(page.substr(from, to - from), kBeginMarker) != npos) {
            reason = ChangeReason::OldBlock;
        }
        removals.push_back({from, to, reason});
        from = to;
    }
    return removals;
}

// The texts the output puts between two kept stretches of the page, in their order.
struct Addition {
    std::string_view text;
    ChangeReason reason = ChangeReason::ScriptBlock;
};

// Lists the stretch [start, end) that no piece keeps and the additions in its place. An
// addition joins the removal of its own reason when it is next in line (the new tag takes the
// old tag's place); the others follow at the stretch's end, in their order.
void listGap(std::string_view page, std::size_t start, std::size_t end, const PageInPieces::Marks &marks,
             std::vector<Addition> &additions, ChangeList &list) {
    std::size_t next = 0;
    for (const Removal &removal : removalsIn(page, start, end, marks)) {
        list.remove(removal.start, removal.end, removal.reason);
        while (next < additions.size() && additions[next].reason == removal.reason) {
            list.add(removal.end, additions[next++].text, removal.reason);
        }
    }
    for (; next < additions.size(); ++next) {
        list.add(end, additions[next].text, additions[next].reason);
    }
    additions.clear();
}

// ---------------------------------------------------------------------------------------------
// The diff
// ---------------------------------------------------------------------------------------------

// The page's lines: where each starts. An empty page has one empty line.
class Lines {
public:
    explicit Lines(std::string_view page) : m_page(page) {
        m_starts.push_back(0);
        for (std::size_t at = page.find('\n'); at != npos && at + 1 < page.size(); at = page.find('\n', at + 1)) {
            m_starts.push_back(at + 1);
        }
    }
    std::size_t count() const { return m_starts.size(); }
    std::size_t start(std::size_t line) const { return m_starts[line]; }
    std::size_t end(std::size_t line) const { return line + 1 < count() ? m_starts[line + 1] : m_page.size(); }
    // The line that holds byte `offset` (the last line for the page's end). Offsets asked for
    // grow: the answer is searched forward from the last one.
    std::size_t of(std::size_t offset) {
        while (m_cursor + 1 < count() && m_starts[m_cursor + 1] <= offset) {
            ++m_cursor;
        }
        if (m_starts[m_cursor] > offset) {
            m_cursor = static_cast<std::size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), offset) -
                                                m_starts.begin()) -
                       1;
        }
        return m_cursor;
    }

private:
    std::string_view m_page;
    std::vector<std::size_t> m_starts;
    std::size_t m_cursor = 0;
};

// Appends `text` as lines, each after `prefix`; a last line without "\n" gets one and the
// marker diff tools read. Returns the number of lines.
std::size_t appendLines(std::string &out, char prefix, std::string_view text) {
    std::size_t count = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t newline = text.find('\n', at);
        const std::size_t end = newline == npos ? text.size() : newline + 1;
        out.push_back(prefix);
        out.append(text.substr(at, end - at));
        if (newline == npos) {
            out.append("\n\\ No newline at end of file\n");
        }
        at = end;
        ++count;
    }
    return count;
}

// Changes whose lines overlap, with the whole lines they touch.
struct Group {
    std::size_t firstChange = 0;
    std::size_t endChange = 0; // one past the last
    std::size_t firstLine = 0;
    std::size_t lastLine = 0;
};

std::string range(std::size_t start, std::size_t count) {
    // As diff writes it: a range of no lines names the line before it; ",1" is left out.
    std::string text = std::to_string(count == 0 ? start : start + 1);
    if (count != 1) {
        text += ',' + std::to_string(count);
    }
    return text;
}

} // namespace

std::string_view reasonText(ChangeReason reason) {
    switch (reason) {
    case ChangeReason::FormTag: return "form tag";
    case ChangeReason::HiddenInput: return "hidden input";
    case ChangeReason::ScriptBlock: return "script block";
    case ChangeReason::OldBlock: return "old block removed";
    case ChangeReason::WebbotComment: return "webbot comment removed";
    case ChangeReason::FieldTag: return "field attributes";
    case ChangeReason::EarlierChecks: return "earlier tool's checks";
    }
    return "";
}

std::vector<PageChange> listChanges(std::string_view page, const PageInPieces &output) {
    const PageInPieces::Marks &marks = output.marks;
    ChangeList list(page);
    std::vector<Addition> additions; // made texts since the last kept stretch of the page
    std::size_t pagePos = 0;         // the page is kept up to here
    // The field tags' new texts by address, to tell a piece of one by a search.
    const auto byAddress = [](std::string_view a, std::string_view b) { return std::less<>()(a.data(), b.data()); };
    const auto sortedByAddress = [&](std::vector<std::string_view> texts) {
        std::sort(texts.begin(), texts.end(), byAddress);
        return texts;
    };
    const std::vector<std::string_view> fieldTexts = sortedByAddress(marks.fieldTexts);
    const std::vector<std::string_view> checkTexts = sortedByAddress(marks.checkTexts);
    const auto inTexts = [&](const std::vector<std::string_view> &texts, std::string_view piece) {
        const auto after = std::upper_bound(texts.begin(), texts.end(), piece, byAddress);
        return after != texts.begin() && holds(*std::prev(after), piece);
    };
    for (std::string_view piece : output.pieces) {
        if (holds(page, piece)) {
            const auto offset = static_cast<std::size_t>(piece.data() - page.data());
            listGap(page, pagePos, std::max(pagePos, offset), marks, additions, list);
            pagePos = std::max(pagePos, offset + piece.size());
            continue;
        }
        ChangeReason reason = ChangeReason::ScriptBlock;
        if (holds(marks.tag, piece)) {
            reason = ChangeReason::FormTag;
        } else if (holds(marks.hidden, piece)) {
            reason = ChangeReason::HiddenInput;
        } else if (inTexts(fieldTexts, piece)) {
            reason = ChangeReason::FieldTag;
        } else if (inTexts(checkTexts, piece)) {
            reason = ChangeReason::EarlierChecks;
        }
        additions.push_back({piece, reason});
    }
    listGap(page, pagePos, page.size(), marks, additions, list);
    return list.take();
}

std::string applyChanges(std::string_view page, const std::vector<PageChange> &changes) {
    std::string out;
    std::size_t at = 0;
    for (const PageChange &change : changes) {
        out.append(page.substr(at, change.offset - at));
        out.append(change.added);
        at = change.offset + change.length;
    }
    out.append(page.substr(at));
    return out;
}

namespace {

// The changes grouped by the lines they touch: changes on a shared line are one group.
std::vector<Group> groupByLines(Lines &lines, const std::vector<PageChange> &changes) {
    std::vector<Group> groups;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const PageChange &change = changes[i];
        const std::size_t first = lines.of(change.offset);
        const std::size_t last = lines.of(change.offset + change.length - (change.length > 0 ? 1 : 0));
        if (!groups.empty() && first <= groups.back().lastLine) {
            groups.back().endChange = i + 1;
            groups.back().lastLine = std::max(groups.back().lastLine, last);
        } else {
            groups.push_back(Group{i, i + 1, first, last});
        }
    }
    return groups;
}

// Lines written into a hunk's body, counted on each side.
struct HunkCounts {
    std::size_t oldSide = 0;
    std::size_t newSide = 0;

    void addKept(std::size_t count) {
        oldSide += count;
        newSide += count;
    }
};

// One group's lines into the hunk's body: the old lines with "-", the same lines with the
// changes made with "+"; its reasons join `reasons`, each once.
void appendGroup(std::string &body, std::string_view page, const Lines &lines, const std::vector<PageChange> &changes,
                 const Group &group, HunkCounts &counts, std::vector<ChangeReason> &reasons) {
    const std::size_t from = lines.start(group.firstLine);
    const std::size_t to = lines.end(group.lastLine);
    counts.oldSide += appendLines(body, '-', page.substr(from, to - from));
    std::string updated;
    std::size_t at = from;
    for (std::size_t c = group.firstChange; c < group.endChange; ++c) {
        const PageChange &change = changes[c];
        updated.append(page.substr(at, change.offset - at));
        updated.append(change.added);
        at = change.offset + change.length;
        if (std::find(reasons.begin(), reasons.end(), change.reason) == reasons.end()) {
            reasons.push_back(change.reason);
        }
    }
    updated.append(page.substr(at, to - at));
    counts.newSide += appendLines(body, '+', updated);
}

} // namespace

std::string unifiedDiff(std::string_view page, const std::vector<PageChange> &changes, std::string_view path,
                        std::size_t context) {
    std::string out;
    if (changes.empty()) {
        return out;
    }
    Lines lines(page);
    const std::vector<Group> groups = groupByLines(lines, changes);
    out.append("--- ").append(path).append("\n+++ ").append(path).append("\n");
    std::string body;
    std::size_t oldLines = 0; // lines of the hunks written so far, on each side
    std::size_t newLines = 0;
    for (std::size_t g = 0; g < groups.size();) {
        // A hunk: groups whose context would meet.
        std::size_t end = g + 1;
        while (end < groups.size() && groups[end].firstLine - groups[end - 1].lastLine - 1 <= 2 * context) {
            ++end;
        }
        const std::size_t hunkFirst = groups[g].firstLine > context ? groups[g].firstLine - context : 0;
        const std::size_t hunkLast = std::min(lines.count() - 1, groups[end - 1].lastLine + context);
        body.clear();
        HunkCounts counts;
        std::vector<ChangeReason> reasons;
        std::size_t line = hunkFirst;
        for (std::size_t k = g; k < end; ++k) {
            const Group &group = groups[k];
            counts.addKept(appendLines(
                body, ' ', page.substr(lines.start(line), lines.start(group.firstLine) - lines.start(line))));
            appendGroup(body, page, lines, changes, group, counts, reasons);
            line = group.lastLine + 1;
        }
        if (line <= hunkLast) {
            counts.addKept(
                appendLines(body, ' ', page.substr(lines.start(line), lines.end(hunkLast) - lines.start(line))));
        }
        // The new side starts where the old one does, moved by what the hunks before added.
        const std::size_t newFirst = hunkFirst + newLines - oldLines;
        oldLines += counts.oldSide;
        newLines += counts.newSide;
        out.append("@@ -")
            .append(range(hunkFirst, counts.oldSide))
            .append(" +")
            .append(range(newFirst, counts.newSide));
        out.append(" @@");
        for (std::size_t r = 0; r < reasons.size(); ++r) {
            out.append(r == 0 ? " " : ", ").append(reasonText(reasons[r]));
        }
        out.push_back('\n');
        out.append(body);
        g = end;
    }
    return out;
}

} // namespace velmoraine::rewrite
