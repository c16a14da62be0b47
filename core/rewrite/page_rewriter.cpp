#include "core/rewrite/page_rewriter.h"

#include "core/rules/rule_record.h"

#include <algorithm>
#include <future>
#include <optional>
#include <utility>

#include "core/base/aside.h"
#include "core/base/bytes.h"
#include "core/base/service.h"
#include "core/base/texts.h"
#include "core/rewrite/author_warnings.h"
#include "core/rewrite/csp_hash.h"
#include "core/rewrite/earlier_checks.h"
#include "core/rewrite/html5_fallback.h"
#include "core/rewrite/piece_text.h"
#include "core/rewrite/script_block.h"
#include "core/scan/form_language.h"
#include "core/scan/form_scanner.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr int kLinkingThreshold = service::kLowestAccountId;

// The earlier hidden input in the rest: [start, end) to delete, or start == npos.
struct HiddenInput {
    std::size_t start = npos;
    std::size_t end = npos; // one past its ">", npos when it has none
};

HiddenInput findHiddenInput(std::string_view rest, const bytes::NeedlePlaces &places) {
    HiddenInput found;
    const PieceText text(rest);
    std::size_t at = text.find(kHiddenExact, 0, &places);
    if (at == npos) {
        at = text.find(kHiddenGeneral, 0, &places);
        if (at == npos) {
            return found;
        }
        const std::size_t close = rest.find('>', at);
        if (close == npos || rest.substr(at, close - at).find(kHiddenWord) == npos) {
            return found;
        }
    }
    found.start = at;
    const std::size_t close = rest.find('>', at);
    found.end = close == npos ? npos : close + 1;
    return found;
}

// The needles the rewriter looks for in the page, in one pass: the old block and the webbot
// comments in the whole page; after the chosen form's tag (which closes at `tagClose`), the
// earlier hidden input (kHiddenGeneral starts kHiddenExact) and the attributes an earlier run
// wrote on the fields; and, for the warnings of a run with rules, the name of a policy in any
// case. The steps' searches of the page's bytes are then look-ups, however often a cut makes
// them search again. Where the block goes ("</head>") is left to its own search, which stops
// near the top of nearly every page.
bytes::NeedlePlaces rewriterPlaces(std::string_view page, std::size_t tagClose, bool warnings) {
    std::vector<bytes::NeedlePlaces::Sought> needles = {{kBeginMarker, 0},
                                                        {kWebbotOpen, 0},
                                                        {kHiddenGeneral, tagClose + 1},
                                                        {kHiddenExact, tagClose + 1},
                                                        {kWrittenAttribute, tagClose}};
    if (warnings) {
        needles.push_back({kPolicyName, 0, true});
    }
    return bytes::NeedlePlaces(page, needles, bytes::NeedlePlaces::keptFor(page.size()));
}

// ---------------------------------------------------------------------------------------------
// Cuts and searches of the output while it is built (piece_text.h)
// ---------------------------------------------------------------------------------------------

// The text without the bytes [start, end).
PieceText withoutRange(const PieceText &text, std::size_t start, std::size_t end) {
    PieceText out;
    out.appendRange(text, 0, start);
    out.appendRange(text, end, text.size());
    return out;
}

// ---------------------------------------------------------------------------------------------
// The steps on the output
// ---------------------------------------------------------------------------------------------

struct Range {
    std::size_t start = 0;
    std::size_t end = 0;
};

// The first block between the begin and end markers, through the end marker's ">".
std::optional<Range> scriptBlockRange(const PieceText &text, const bytes::NeedlePlaces *places = nullptr) {
    const std::size_t begin = text.find(kBeginMarker, 0, places);
    if (begin == npos) {
        return std::nullopt;
    }
    const std::size_t endMarker = text.find(kEndMarker, begin);
    if (endMarker == npos) {
        return std::nullopt;
    }
    const std::size_t close = text.find(">", endMarker);
    if (close == npos) {
        return std::nullopt;
    }
    return Range{begin, close + 1};
}

// The text without its webbot comments, with exactly the result of searching again from the
// start after every cut, in one pass. The kept text before the first remaining opener holds
// none, so after a cut a new opener can only start in the last nine bytes kept and run on into
// the text after the cut; those joins are checked before the search goes on in the unread text.
PieceText withoutWebbotComments(PieceText text, const bytes::NeedlePlaces *places = nullptr) {
    std::size_t next = text.find(kWebbotOpen, 0, places);
    if (next == npos) {
        return text;
    }
    PieceText kept;
    std::size_t pos = 0; // the unread text starts here
    for (;;) {
        // An opener across the join of the kept text and the unread text (only after a cut).
        std::size_t joinStart = npos;
        std::size_t openerEnd = npos;
        const std::size_t tailSize = std::min(kept.size(), kWebbotOpen.size() - 1);
        std::string tailCopy;
        const std::string_view tail = kept.size() < pos ? kept.lastBytes(tailSize, tailCopy) : std::string_view();
        // The earliest start wins; these few bytes are compared in place, without calls.
        for (std::size_t s = 0; s < tail.size(); ++s) {
            const std::size_t keptPart = tailSize - s;
            std::size_t same = 0;
            while (same < keptPart && tail[s + same] == kWebbotOpen[same]) {
                ++same;
            }
            const std::string_view needed = kWebbotOpen.substr(keptPart);
            if (same == keptPart && text.bytesAt(pos, needed.size()) == needed) {
                joinStart = kept.size() - keptPart;
                openerEnd = pos + needed.size();
                break;
            }
        }
        std::size_t openerStart = npos; // in the unread text, when not across the join
        if (joinStart == npos) {
            if (next != npos && next < pos) {
                next = text.find(kWebbotOpen, pos, places);
            }
            openerStart = next;
            if (openerStart == npos) {
                break;
            }
            openerEnd = openerStart + kWebbotOpen.size();
        }
        const std::size_t close = text.find(kWebbotClose, openerEnd);
        if (close == npos) {
            break; // an opener without "-->" stays and ends the removal
        }
        if (joinStart != npos) {
            kept.truncate(joinStart);
        } else {
            kept.appendRange(text, pos, openerStart);
        }
        pos = close + kWebbotClose.size();
    }
    kept.appendRange(text, pos, text.size());
    return kept;
}

// The generated validator scripts of an earlier tool, each from the "<" of its start comment
// through the ">" of the next end comment, in one pass over the webbot comments (their opener
// in any case) from the start; with `validator`, only those that hold its name.
std::vector<Range> generatedScriptRanges(const PieceText &text, std::string_view validator = {}) {
    std::vector<Range> ranges;
    std::size_t start = npos; // of the script being read; npos between scripts
    std::size_t at = text.find("<!--", 0);
    while (at != npos) {
        if (!bytes::equalsNoCase(text.bytesAt(at, kWebbotOpen.size()), kWebbotOpen)) {
            at = text.find("<!--", at + 1);
            continue;
        }
        const std::size_t close = text.find(kWebbotClose, at + kWebbotOpen.size());
        if (close == npos) {
            break;
        }
        const std::size_t end = close + kWebbotClose.size();
        const GeneratedScriptMarker marker = generatedScriptMarker(text.bytesAt(at, end - at));
        if (start == npos && marker.start) {
            start = at;
        } else if (start != npos && marker.end) {
            const std::size_t named = validator.empty() ? start : text.find(validator, start);
            if (named != npos && named < end) {
                ranges.push_back({start, end});
            }
            start = npos;
        }
        at = text.find("<!--", end);
    }
    return ranges;
}

// The text without the ranges (in order, none overlapping).
PieceText withoutRanges(const PieceText &text, const std::vector<Range> &ranges) {
    PieceText out;
    std::size_t from = 0;
    for (const Range &range : ranges) {
        out.appendRange(text, from, range.start);
        from = range.end;
    }
    out.appendRange(text, from, text.size());
    return out;
}

// Where the block goes, as reference::insertScriptBlock puts it: before the first "</head>"
// (else "</HEAD>"), else in a new empty head before the first "<body" (else "<BODY"). Nullopt when there is none.
struct InsertionPoint {
    std::size_t at = 0;
    bool newHead = false;
};

std::optional<InsertionPoint> insertionPoint(const PieceText &text) {
    for (std::string_view closingHead : {"</head>", "</HEAD>"}) {
        if (const std::size_t at = text.find(closingHead, 0); at != npos) {
            return InsertionPoint{at, false};
        }
    }
    for (std::string_view body : {"<body", "<BODY"}) {
        if (const std::size_t at = text.find(body, 0); at != npos) {
            return InsertionPoint{at, true};
        }
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// The rewriter's steps after the form's tag
// ---------------------------------------------------------------------------------------------

// A rule restored from a hand-edited page may hold text that would end the stored-rules
// comment or the script early: the message that refuses the first such rule, as the same text
// typed would be refused.
std::optional<std::string> refusedRecord(const std::vector<std::string> &records) {
    for (const std::string &record : records) {
        if (std::optional<std::string> refusal = rules::checkStoredRecord(record)) {
            return refusal;
        }
    }
    return std::nullopt;
}

// The field tags' edits (fallbackEdits) and the cut of the earlier hidden input when it goes, in
// page order, none overlapping: a field tag inside that input goes with it.
std::vector<TagEdit> tagEdits(const RewriteInput &input, const std::vector<std::string> &records, std::size_t tagClose,
                              const std::optional<TagEdit> &hiddenCut, const bytes::NeedlePlaces &places) {
    std::vector<TagEdit> edits =
        fallbackEdits(input.page, tagClose, records, input.html5Fallback, input.legacyFields, &places);
    if (hiddenCut) {
        const TagEdit &cut = *hiddenCut;
        std::erase_if(edits, [&](const TagEdit &e) { return e.start < cut.end && cut.start < e.end; });
        edits.insert(std::upper_bound(edits.begin(), edits.end(), cut,
                                      [](const TagEdit &a, const TagEdit &b) { return a.start < b.start; }),
                     cut);
    }
    return edits;
}

// Appends the page from `from` on, with the edits made, to `assembled`. The edits' texts go
// into `output`'s texts, and each tag edit into its marks (the hidden input's cut is none).
void appendEdited(PieceText &assembled, std::string_view page, std::size_t from, std::vector<TagEdit> &edits,
                  const std::optional<TagEdit> &hiddenCut, PageInPieces &output) {
    for (TagEdit &edit : edits) {
        assembled.append(page.substr(from, edit.start - from));
        const std::string &text = output.texts->emplace_back(std::move(edit.text));
        assembled.append(text);
        if (!(hiddenCut && edit.start == hiddenCut->start)) {
            const bool checksOnly = edit.change == TagChange::EarlierChecks;
            (checksOnly ? output.marks.checkTags : output.marks.fieldTags).push_back({edit.start, edit.end});
            (checksOnly ? output.marks.checkTexts : output.marks.fieldTexts).push_back(text);
        }
        from = edit.end;
    }
    assembled.append(page.substr(from));
}

// Cuts the earlier block from `assembled`, and then, with imported fields, the earlier tool's
// generated scripts of the validator `formTag` calls, before the webbot comments go, so that the
// script between its two markers goes with them. The scripts' page ranges go into `marks`.
void cutEarlierScripts(PieceText &assembled, std::string_view page, std::string_view formTag, bool imported,
                       const bytes::NeedlePlaces &places, PageInPieces::Marks &marks) {
    if (const std::optional<Range> oldBlock = scriptBlockRange(assembled, &places)) {
        assembled = withoutRange(assembled, oldBlock->start, oldBlock->end);
    }
    const std::string_view validator = frontPageValidator(formTag);
    if (!imported || validator.empty()) {
        return;
    }
    const std::vector<Range> scripts = generatedScriptRanges(assembled, validator);
    for (const Range &script : scripts) {
        if (const auto range = assembled.sourceRange(page, script.start, script.end); range.first < range.second) {
            marks.checkScripts.push_back(range);
        }
    }
    if (!scripts.empty()) {
        assembled = withoutRanges(assembled, scripts);
    }
}

// `kept` with the block at `insertion`, inside a new head when the page needs one.
PieceText withBlock(PieceText kept, const InsertionPoint &insertion, std::string_view block) {
    PieceText out;
    // The kept pieces, one of them cut in two at the insertion, and at most three of the block.
    out.reserve(kept.pieces().size() + 4);
    out.appendRange(kept, 0, insertion.at);
    if (insertion.newHead) {
        out.append(kEmptyHead.substr(0, kEmptyHeadOpening));
        out.append(block);
        out.append(kEmptyHead.substr(kEmptyHeadOpening));
    } else {
        out.append(block);
    }
    out.appendRange(kept, insertion.at, kept.size());
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The rewriter
// ---------------------------------------------------------------------------------------------

std::string newActionAttribute() {
    std::string attribute = " action=\"";
    attribute.append(service::kBaseUrl);
    attribute.append(service::kProcessScript);
    attribute.append("\" ");
    return attribute;
}

std::string rewriteFormTag(std::string_view tagText, bool haveRules, bool linking, std::string &formName) {
    std::string tag;
    // Room for the attributes that are appended, so that the copy of a large tag is not grown.
    tag.reserve(tagText.size() + 256);
    tag.append(tagText);
    tag.push_back(' ');
    if (haveRules) {
        cutAttribute(tag, {"onsubmit", "ONSUBMIT", "OnSubmit", "onSubmit"});
    }
    if (linking) {
        cutAttribute(tag, {"action", "ACTION", "Action"});
        tag.append(newActionAttribute());
        cutAttribute(tag, {"enctype", "ENCTYPE", "Enctype"});
        cutAttribute(tag, {"webbot-action"});
    }
    if (haveRules) {
        tag.append(kNewOnSubmit);
    }
    formName = extractFormName(tag);
    if (formName.empty()) {
        tag.append(kDefaultNameAttribute);
        formName = kDefaultFormName;
    }
    return tag;
}

std::string formLanguageAttribute(std::string_view page, std::size_t tagStart, std::string_view language) {
    if (language.empty() || scan::offeredLanguage(language) != language ||
        scan::formLanguage(page, tagStart).declared) {
        return {};
    }
    return " lang=\"" + std::string(language) + "\" ";
}

std::string newHiddenInput(int accountId, int formNumber) {
    std::string input(kHiddenExact);
    input.append(" value=\"");
    input.append(bytes::decimal(accountId));
    input.push_back('-');
    input.append(bytes::decimal(formNumber));
    input.append("\">");
    return input;
}

bool serviceLinking(std::string_view accountIdText) {
    return bytes::readIntLikeScanf(accountIdText) >= kLinkingThreshold;
}

void cutAttribute(std::string &tag, std::initializer_list<std::string_view> variants) {
    std::size_t start = npos;
    for (std::string_view variant : variants) {
        start = bytes::findFast(tag, variant);
        if (start != npos) {
            break;
        }
    }
    if (start == npos) {
        return;
    }
    const std::size_t equals = tag.find('=', start);
    if (equals == npos) {
        return;
    }
    // Skip the "=" and the character after it (normally the opening quote).
    const std::size_t from = equals + 2;
    std::size_t end = tag.find('"', from);
    if (end == npos) {
        end = tag.find(' ', from);
    }
    if (end == npos) {
        return;
    }
    tag.replace(start, end - start + 1, " ");
}

std::string extractFormName(std::string_view tag) {
    std::size_t at = npos;
    std::size_t variantSize = 0;
    for (std::string_view variant : {"NAME", "name", "Name"}) {
        at = bytes::findFast(tag, variant);
        if (at != npos) {
            variantSize = variant.size();
            break;
        }
    }
    if (at == npos) {
        return {};
    }
    const std::size_t equals = tag.find('=', at + variantSize);
    if (equals == npos) {
        return {};
    }
    std::string name(tag.substr(equals + 1));
    const std::size_t firstQuote = name.find('"');
    if (firstQuote != npos) {
        name.erase(firstQuote, 1);
    }
    std::size_t end = name.find('"');
    if (end == npos) {
        end = name.find(' ');
    }
    if (end != npos) {
        name.resize(end);
    }
    return name;
}

bool removeScriptBlock(std::string &text) {
    const std::optional<Range> block = scriptBlockRange(PieceText(text));
    if (!block) {
        return false;
    }
    text.erase(block->start, block->end - block->start);
    return true;
}

void removeWebbotComments(std::string &text) {
    const PieceText whole(text);
    const PieceText kept = withoutWebbotComments(whole);
    if (kept.size() == whole.size()) {
        return;
    }
    std::string out;
    out.reserve(kept.size());
    kept.appendTo(out, 0, kept.size());
    text = std::move(out);
}

void removeGeneratedScripts(std::string &text, std::string_view validator) {
    const PieceText whole(text);
    const std::vector<Range> scripts = generatedScriptRanges(whole, validator);
    if (scripts.empty()) {
        return;
    }
    const PieceText kept = withoutRanges(whole, scripts);
    std::string out;
    out.reserve(kept.size());
    kept.appendTo(out, 0, kept.size());
    text = std::move(out);
}

namespace {

using PendingWarnings = std::future<std::vector<std::string>>;

// The rewriter's steps. On a large page the warnings are read on a second thread while this one
// builds the page, and left running in `pending`: the caller takes them (takeWarnings) once it
// has done its own work with the pieces, so that writing or joining them overlaps them too.
PiecesResult buildPieces(const RewriteInput &input, PendingWarnings &pending) {
    static const std::vector<std::string> kNoRecords;
    const std::vector<std::string> &records = input.records != nullptr ? *input.records : kNoRecords;
    const bool haveRules = !records.empty();
    const int accountId = bytes::readIntLikeScanf(input.accountIdText);
    const bool linking = accountId >= kLinkingThreshold;
    const std::string_view page = input.page;

    PiecesResult result;
    if (std::optional<std::string> refusal = refusedRecord(records)) {
        result.message = std::move(*refusal);
        return result;
    }
    const std::size_t tagStart = scan::findFormTag(page, input.chosenForm);
    const std::size_t tagClose = tagStart == npos ? npos : page.find('>', tagStart);
    if (tagClose == npos) {
        result.message = texts::fill(texts::kChosenFormMissing, input.chosenForm);
        return result;
    }

    PageInPieces output;
    std::deque<std::string> &texts = *output.texts;
    // Room for the attributes that are appended, so that the copy of a large tag is not grown.
    std::string formName;
    std::string &tag =
        texts.emplace_back(rewriteFormTag(page.substr(tagStart, tagClose - tagStart), haveRules, linking, formName));
    tag.append(formLanguageAttribute(page, tagStart, input.formLanguage));
    // The tag's ">" is its own: one piece, which the change list tells from the page's bytes.
    tag.push_back('>');

    const std::string_view rest = page.substr(tagClose + 1);
    const bytes::NeedlePlaces places = rewriterPlaces(page, tagClose, haveRules);
    if (const std::size_t policy = places.indexOf(kPolicyName); policy != npos) {
        result.namesPolicy = places.find(policy, 0, page.size()) != npos;
    }
    const HiddenInput earlier = findHiddenInput(rest, places);
    const bool keepEarlier = earlier.start != npos && input.mode == LaunchMode::Editor;
    const bool dropEarlier = earlier.start != npos && !keepEarlier && earlier.end != npos;
    const std::string &hidden =
        texts.emplace_back(linking && !keepEarlier ? newHiddenInput(accountId, input.formNumber) : std::string());
    const std::string &block =
        texts.emplace_back(haveRules ? buildScriptBlock(input.model, records, formName) : std::string());

    // The warnings read the page only.
    const std::string hash = haveRules ? cspHash(block) : std::string();
    if (haveRules && input.warnings && page.size() >= aside::kSecondThreadFrom) {
        pending = aside::start([page, tagStart, tagClose, &records, hash, policy = result.namesPolicy] {
            return authorWarnings(page, tagStart, tagClose, records, hash, policy);
        });
    }

    std::optional<TagEdit> hiddenCut;
    if (dropEarlier) {
        hiddenCut = TagEdit{tagClose + 1 + earlier.start, tagClose + 1 + earlier.end, {}};
    }
    std::vector<TagEdit> edits = tagEdits(input, records, tagClose, hiddenCut, places);

    // The steps work on pieces of the page and of the new texts, without copying any byte.
    PieceText assembled;
    assembled.append(page.substr(0, tagStart));
    assembled.append(tag);
    assembled.append(hidden);
    output.marks.tagStart = tagStart;
    output.marks.tagEnd = tagClose + 1;
    if (hiddenCut) {
        output.marks.hiddenStart = hiddenCut->start;
        output.marks.hiddenEnd = hiddenCut->end;
    }
    output.marks.tag = tag;
    output.marks.hidden = hidden;
    appendEdited(assembled, page, tagClose + 1, edits, hiddenCut, output);
    const bool imported = input.legacyFields != nullptr && !input.legacyFields->empty();
    cutEarlierScripts(assembled, page, page.substr(tagStart, tagClose - tagStart), imported, places, output.marks);
    // Each step's text is passed on and freed once the next one is built: two lists of pieces
    // at most, on a page of a million comments.
    PieceText kept = withoutWebbotComments(std::move(assembled), &places);

    if (!haveRules) {
        output.pieces = std::move(kept).pieces();
        result.output = std::move(output);
        return result;
    }
    const std::optional<InsertionPoint> insertion = insertionPoint(kept);
    if (!insertion) {
        result.message = std::string(texts::kNoHeadOrBody);
        return result;
    }
    result.cspHash = hash;
    result.formTagStart = tagStart;
    result.formTagClose = tagClose;
    output.pieces = withBlock(std::move(kept), *insertion, block).pieces();
    result.output = std::move(output);
    return result;
}

// Whether the rewriter wrote a page with a block: the warnings are about its checks.
bool wroteBlock(const PiecesResult &result) { return result.output && !result.cspHash.empty(); }

// The warnings of `result` when the input asks for them: those `pending` reads, dropped when the
// rewriter gave up or wrote no block, else read here.
void takeWarnings(const RewriteInput &input, PendingWarnings &pending, PiecesResult &result) {
    if (pending.valid()) {
        std::vector<std::string> read = pending.get();
        if (wroteBlock(result)) {
            result.warnings = std::move(read);
        }
    } else if (input.warnings) {
        result.warnings = warningsFor(input, result);
    }
}

} // namespace

std::vector<std::string> warningsFor(const RewriteInput &input, const PiecesResult &result) {
    if (!wroteBlock(result) || input.records == nullptr) {
        return {};
    }
    return authorWarnings(input.page, result.formTagStart, result.formTagClose, *input.records, result.cspHash,
                          result.namesPolicy);
}

PiecesResult rewritePageInPieces(const RewriteInput &input) {
    PendingWarnings pending;
    PiecesResult result = buildPieces(input, pending);
    takeWarnings(input, pending, result);
    return result;
}

RewriteResult rewritePage(const RewriteInput &input) {
    // The join of a large page's pieces is a pass over its bytes of its own: it runs while the
    // warnings are read.
    PendingWarnings pending;
    PiecesResult pieces = buildPieces(input, pending);
    RewriteResult result;
    if (pieces.output) {
        result.output = pieces.output->joined();
    }
    takeWarnings(input, pending, pieces);
    result.message = std::move(pieces.message);
    result.cspHash = std::move(pieces.cspHash);
    result.warnings = std::move(pieces.warnings);
    return result;
}

std::size_t PageInPieces::size() const {
    std::size_t total = 0;
    for (std::string_view piece : pieces) {
        total += piece.size();
    }
    return total;
}

std::string PageInPieces::joined() const {
    std::string out;
    bytes::reserveLarge(out, size());
    for (std::string_view piece : pieces) {
        out.append(piece);
    }
    return out;
}

} // namespace velmoraine::rewrite
