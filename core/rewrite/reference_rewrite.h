// The rewrite as it reads: the steps from the source page to the updated page written plainly,
// on one string, one search at a time. rewritePageInPieces (page_rewriter.cpp) gives the same
// bytes quickly (the output as views of the page, the earlier block and the webbot comments cut
// in one pass, wide searches). A change to what the rewrite does changes this one first.
#pragma once

#include <string>
#include <string_view>

#include "core/rewrite/page_rewriter.h"

namespace velmoraine::rewrite::reference {

// The updated page, or the system's message when the rewrite gives up, in these steps:
//  1. a rule whose text would end the stored rules' comment, the script or its line early is
//     refused, with the settings message that names its field;
//  2. the chosen form's tag is found in form count order (every "<form ", then every "<FORM ",
//     then the other tags named form) and read up to its ">"; without one the chosen form is
//     missing;
//  3. the tag is rewritten: with rules its onsubmit goes; with service linking (an account ID
//     of 12863 or more) its action, enctype and webbot-action go and the service's action
//     comes; with rules the check's onsubmit comes; a tag without a name gets name="form1"; a
//     language chosen for a form without a nearest lang comes last;
//  4. after the tag, the first earlier hidden input of ours goes (in editor mode it stays, and
//     no new one is written), and the field tags change as the fallback setting and the
//     imported fields want;
//  5. with service linking the new hidden input follows the tag;
//  6. the first earlier block goes, from its begin marker through the ">" after its end marker;
//  7. with imported fields, the earlier tool's generated script that defines the validator the
//     form tag calls goes with its markers;
//  8. every webbot comment goes, searching again from the start after each cut;
//  9. with rules the block goes before the first "</head>" (else "</HEAD>"), else into a new
//     head before the first "<body" (else "<BODY"); a page with none of these is refused.
// The block's CSP hash and the warnings are those of the same block and page.
RewriteResult rewritePage(const RewriteInput &input);

// Step 7 on its own: the webbot comments (their opener in any case) are read one after the
// other from the start; from the "<" of one that starts a generated script
// (generatedScriptMarker) through the ">" of the next that ends one is cut; a start without an
// end cuts nothing.
void removeGeneratedScripts(std::string &text, std::string_view validator = {});

// Step 8 on its own: every "<!--webbot" through the next "-->" is cut, searching again from
// the start after each cut, so that an opener a cut puts together goes too; an opener without
// "-->" stays and ends the removal.
void removeWebbotComments(std::string &text);

// Step 9 on its own: false, and `text` unchanged, when the page has no place for the block.
bool insertScriptBlock(std::string &text, std::string_view block);

} // namespace velmoraine::rewrite::reference
