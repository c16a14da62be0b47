// The page rewriter: from the source page, the script model and the rule records it builds
// the updated page, whose chosen form posts to the service, carries the hidden account input
// and runs the validation script block before it is sent.
#pragma once

#include <deque>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/rewrite/html5_fallback.h"

namespace velmoraine::rewrite {

enum class LaunchMode { Normal, Editor };

struct RewriteInput {
    std::string_view page;                             // the source page, whole
    std::string_view model;                            // the script model text, whole
    int chosenForm = 1;                                // form count order, 1-based
    std::string_view accountIdText;                    // the account ID box as typed
    int formNumber = 1;                                // 1..10
    const std::vector<std::string> *records = nullptr; // rule records in list order
    LaunchMode mode = LaunchMode::Normal;
    // On: the fields with a rule also get the HTML attributes that stop bad values when
    // scripts cannot run. Either way, the attributes an earlier run wrote are taken out.
    Html5Fallback html5Fallback = Html5Fallback::Off;
    // A language of the visitors' texts ("fr"), written as the form tag's lang when the form
    // has no nearest lang of its own, so that the page keeps it; empty: nothing is written.
    std::string_view formLanguage{};
    // The fields whose rules were imported from an earlier tool's checks, which then no longer
    // run beside ours: the generated validator script goes with its webbot markers, and the
    // form's event handlers lose their MM_validateForm calls (fallbackEdits). Null or empty:
    // nothing is imported, and nothing of the sort is touched.
    const std::vector<std::string> *legacyFields = nullptr;
    // False: rewritePageInPieces leaves the warnings to warningsFor, which a caller may run
    // beside writing the page out (they read the page only, and take as long as a pass over it).
    bool warnings = true;
};

struct RewriteResult {
    std::optional<std::string> output; // the updated page; empty when the rewriter gave up
    std::string message;               // the system's message when it gave up
    std::string cspHash;               // the block's script-src hash; empty without a block
    std::vector<std::string> warnings; // authorWarnings, when a block was written
};

// The updated page as pieces read one after the other: views into the source page and into
// the texts the rewriter made, which `texts` holds where moving the result does not move them.
// A page of a hundred megabytes is then written out from where it lies, not copied first.
struct PageInPieces {
    std::vector<std::string_view> pieces;
    std::unique_ptr<std::deque<std::string>> texts = std::make_unique<std::deque<std::string>>();

    // Where the rewriter cut the source page and what it made, for the change list
    // (listChanges): the chosen form's tag with its ">", the earlier hidden input it deleted
    // (empty range when none), and the made texts the pieces may view.
    struct Marks {
        std::size_t tagStart = 0;
        std::size_t tagEnd = 0;
        std::size_t hiddenStart = 0;
        std::size_t hiddenEnd = 0;
        std::string_view tag;    // the rewritten tag with its ">"
        std::string_view hidden; // the new hidden input
        // The field tags the fallback setting rewrote: their ranges in the page, in page order,
        // and their new texts.
        std::vector<std::pair<std::size_t, std::size_t>> fieldTags;
        std::vector<std::string_view> fieldTexts;
        // The same of the tags that only lost an earlier tool's checks, and the page ranges of the
        // generated validator scripts cut out with their markers, in page order.
        std::vector<std::pair<std::size_t, std::size_t>> checkTags;
        std::vector<std::string_view> checkTexts;
        std::vector<std::pair<std::size_t, std::size_t>> checkScripts;
    } marks;

    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] std::string joined() const;
};

struct PiecesResult {
    std::optional<PageInPieces> output; // empty when the rewriter gave up
    std::string message;                // the system's message when it gave up
    std::string cspHash;                // the block's script-src hash; empty without a block
    std::vector<std::string> warnings;  // authorWarnings, when a block was written
    std::size_t formTagStart = 0;       // the chosen form's tag in the page, for warningsFor
    std::size_t formTagClose = 0;
    std::optional<bool> namesPolicy; // whether the page holds kPolicyName, when it was looked for
};

// Runs the rewriter's steps in their order. The pieces view the source page: it must outlive
// them.
PiecesResult rewritePageInPieces(const RewriteInput &input);

// The warnings of a result built with `input.warnings` false, as they would have been; none
// when the rewriter gave up or wrote no block. The page and the records must still be there.
std::vector<std::string> warningsFor(const RewriteInput &input, const PiecesResult &result);

// The same, the output joined into one text.
RewriteResult rewritePage(const RewriteInput &input);

// Service linking is on when the account ID text reads as 12863 or more.
bool serviceLinking(std::string_view accountIdText);

// --- What the rewriter writes and looks for, and its steps, shared with the reference
// rewrite ---

inline constexpr std::string_view kNewOnSubmit = " onsubmit=\" return velmoraine_sub()\" ";
inline constexpr std::string_view kDefaultNameAttribute = " name=\"form1\" ";
inline constexpr std::string_view kDefaultFormName = "form1";
// Our hidden input as written, and what a hidden input of ours written otherwise starts with
// and holds before its ">".
inline constexpr std::string_view kHiddenExact = "<input type=\"hidden\" name=\"velmoraine\"";
inline constexpr std::string_view kHiddenGeneral = "<input type=\"hidden\"";
inline constexpr std::string_view kHiddenWord = "velmoraine";
inline constexpr std::string_view kWebbotOpen = "<!--webbot";
inline constexpr std::string_view kWebbotClose = "-->";

// The service's action attribute, with a blank before and after.
std::string newActionAttribute();

// The chosen form's tag text (without its ">") rewritten: with rules its onsubmit goes; with
// service linking its action, enctype and webbot-action go and the service's action comes; with
// rules the check's onsubmit comes; a tag without a name gets name="form1". `formName` gets the
// name the checks use.
std::string rewriteFormTag(std::string_view tagText, bool haveRules, bool linking, std::string &formName);

// " lang=\"xx\" " for the form tag at `tagStart` when `language` is one the texts are
// written in and the form has no nearest lang; empty otherwise.
std::string formLanguageAttribute(std::string_view page, std::size_t tagStart, std::string_view language);

// The hidden input that carries the account ID and the form number.
std::string newHiddenInput(int accountId, int formNumber);

// Cuts the first occurring variant's attribute out of `tag` (replaced by one space).
void cutAttribute(std::string &tag, std::initializer_list<std::string_view> variants);

// The form name as extracted from the rewritten tag text; empty when there is none.
std::string extractFormName(std::string_view tag);

// Removes the first block between the begin and end markers; true when one was removed.
bool removeScriptBlock(std::string &text);

// Removes every webbot comment, with exactly the result of searching again from the start
// after each cut, in one pass.
void removeWebbotComments(std::string &text);

// Removes each generated validator script: from the "<" of a webbot comment (its opener in any
// case) that starts one (generatedScriptMarker) through the ">" of the next that ends one. The
// comments are read from the start, one after the other; a start without an end removes
// nothing. In one pass.
void removeGeneratedScripts(std::string &text, std::string_view validator = {});

} // namespace velmoraine::rewrite
