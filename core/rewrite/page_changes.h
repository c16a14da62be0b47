// What the rewriter changes in a page: a list of edits with their offsets in the source page,
// and a unified diff of the page against the updated page built from that list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::rewrite {

struct PageInPieces;

enum class ChangeReason {
    FormTag,       // the chosen form's tag rewritten
    HiddenInput,   // the hidden account input placed, or an earlier one removed
    ScriptBlock,   // the new validation script block (with a new empty head when needed)
    OldBlock,      // an earlier script block removed
    WebbotComment, // a webbot comment removed
    FieldTag,      // a field's tag with the attributes the fallback setting writes
    EarlierChecks, // an earlier tool's checks removed: its generated script, its handler calls
};

// The words the diff and the output page use for a reason ("form tag", "webbot comment removed").
std::string_view reasonText(ChangeReason reason);

// One edit: the bytes [offset, offset + length) of the source page, `removed`, are replaced by
// `added`. Edits come in page order and do not overlap; two may share an offset (the new form
// tag, then the hidden input after it).
struct PageChange {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string_view removed; // a view of the source page
    std::string added;
    ChangeReason reason = ChangeReason::FormTag;
};

// The changes that turn `page` into the rewriter's output: applied in order they give the
// output byte for byte. `output` must be the rewriter's result for this page. Linear in the
// number of pieces and the bytes removed.
std::vector<PageChange> listChanges(std::string_view page, const PageInPieces &output);

// The page with the changes applied.
std::string applyChanges(std::string_view page, const std::vector<PageChange> &changes);

// A unified diff of the page against the page with the changes applied, with the page's own
// line numbers and `context` lines of context; "---" and "+++" name `path`. Each hunk header
// ends with the reasons of its changes. Empty when there are no changes. Linear in the page size.
std::string unifiedDiff(std::string_view page, const std::vector<PageChange> &changes, std::string_view path,
                        std::size_t context = 3);

} // namespace velmoraine::rewrite
