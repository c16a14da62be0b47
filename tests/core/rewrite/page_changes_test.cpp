#include "core/rewrite/page_changes.h"

#include <gtest/gtest.h>

#include "core/base/files.h"
#include "core/rewrite/page_rewriter.h"
#include "core/scan/form_scanner.h"
#include "tests/core/test_pages.h"

using namespace velmoraine;
using rewrite::ChangeReason;

namespace {

const std::string kModel = "<!-- VELMORAINE-BEGIN -->\r\n<script>\r\n<!--\r\nfunction velmoraine_sub() {";

// Every change applied to the page gives the rewriter's output byte for byte, each change's
// removed text is the page's own, and the changes come in page order without overlapping.
void expectChangesRebuildTheOutput(std::string_view page, const rewrite::RewriteInput &input,
                                   const std::string &label) {
    const rewrite::PiecesResult result = rewrite::rewritePageInPieces(input);
    if (!result.output) {
        return;
    }
    const std::vector<rewrite::PageChange> changes = rewrite::listChanges(page, *result.output);
    std::size_t end = 0;
    for (const rewrite::PageChange &change : changes) {
        ASSERT_GE(change.offset, end) << label;
        ASSERT_LE(change.offset + change.length, page.size()) << label;
        EXPECT_EQ(change.removed, page.substr(change.offset, change.length)) << label;
        EXPECT_FALSE(change.removed.empty() && change.added.empty()) << label;
        end = change.offset + change.length;
    }
    EXPECT_EQ(rewrite::applyChanges(page, changes), result.output->joined()) << label;
}

// The rewriter's runs on a page: with and without rules, linking and editor mode, with and
// without imported fields.
void expectForEveryRun(std::string_view page, const std::string &label) {
    const std::vector<std::string> records = {"email^1^0^Please enter a valid email address.",
                                              "name^0^1^0^0^Field \"name\" must be filled in."};
    const std::vector<std::string> none;
    const std::vector<std::string> imported = {"email", "name", "T1", "T2", "S1"};
    for (int chosen = 1; chosen <= 2; ++chosen) {
        for (const std::vector<std::string> *rules : {&records, &none}) {
            for (const char *id : {"24680", ""}) {
                for (rewrite::LaunchMode mode : {rewrite::LaunchMode::Normal, rewrite::LaunchMode::Editor}) {
                    for (auto fallback : {rewrite::Html5Fallback::Off, rewrite::Html5Fallback::On}) {
                        rewrite::RewriteInput input{page, kModel, chosen, id, 3, rules, mode, fallback};
                        expectChangesRebuildTheOutput(page, input, label);
                        input.legacyFields = &imported;
                        expectChangesRebuildTheOutput(page, input, label + ", imported fields");
                    }
                }
            }
        }
    }
}

} // namespace

TEST(PageChanges, RebuildTheOutputOfEveryCorpusAndTestPage) {
    const std::vector<test::NamedPage> pages = test::realAndTestPages();
    EXPECT_GT(pages.size(), 8u);
    for (const test::NamedPage &page : pages) {
        expectForEveryRun(page.bytes, page.name);
    }
}

TEST(PageChanges, EachCutHasItsReason) {
    const std::string page = "<html><head><!-- VELMORAINE-BEGIN old -->x<!-- VELMORAINE-END --></head><body>"
                             "<!--webbot a -->\n<form action=\"m.asp\" name=f>"
                             "<input type=\"hidden\" name=\"velmoraine\" value=\"1-1\"><input name=email>"
                             "<!--webbot b --></form></body></html>";
    const std::vector<std::string> records = {"email^1^0^Bad."};
    const rewrite::PiecesResult result =
        rewrite::rewritePageInPieces({page, kModel, 1, "24680", 1, &records, rewrite::LaunchMode::Normal});
    ASSERT_TRUE(result.output);
    const auto changes = rewrite::listChanges(page, *result.output);
    std::vector<ChangeReason> reasons;
    for (const auto &change : changes) {
        reasons.push_back(change.reason);
    }
    EXPECT_EQ(reasons, (std::vector<ChangeReason>{ChangeReason::OldBlock, ChangeReason::ScriptBlock,
                                                  ChangeReason::WebbotComment, ChangeReason::FormTag,
                                                  ChangeReason::HiddenInput, ChangeReason::WebbotComment}));
    EXPECT_EQ(changes[3].removed, "<form action=\"m.asp\" name=f>");
    EXPECT_EQ(changes[4].removed, "<input type=\"hidden\" name=\"velmoraine\" value=\"1-1\">");
    EXPECT_EQ(changes[4].added, "<input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">");
    EXPECT_EQ(rewrite::applyChanges(page, changes), result.output->joined());
}

// With the fallback setting, each field tag that gains attributes is a change of its own,
// between the hidden input and the webbot comment that follow the form tag.
TEST(PageChanges, FallbackAttributesAreTheFieldTagsOwnChange) {
    const std::string page = "<html><head></head><body><form action=\"m.asp\" name=f>"
                             "<input type=\"hidden\" name=\"velmoraine\" value=\"1-1\"><input name=email>"
                             "<!--webbot b --><input name=zip></form></body></html>";
    const std::vector<std::string> records = {"email^1^0^Bad.", "zip^2^5^5^^0^Five digits."};
    const rewrite::PiecesResult result = rewrite::rewritePageInPieces(
        {page, kModel, 1, "24680", 1, &records, rewrite::LaunchMode::Normal, rewrite::Html5Fallback::On});
    ASSERT_TRUE(result.output);
    const auto changes = rewrite::listChanges(page, *result.output);
    std::vector<ChangeReason> reasons;
    for (const auto &change : changes) {
        reasons.push_back(change.reason);
    }
    EXPECT_EQ(reasons,
              (std::vector<ChangeReason>{ChangeReason::ScriptBlock, ChangeReason::FormTag, ChangeReason::HiddenInput,
                                         ChangeReason::FieldTag, ChangeReason::WebbotComment, ChangeReason::FieldTag}));
    EXPECT_EQ(changes[3].removed, "<input name=email>");
    EXPECT_NE(changes[3].added.find("required"), std::string::npos);
    EXPECT_EQ(changes[5].removed, "<input name=zip>");
    EXPECT_EQ(rewrite::applyChanges(page, changes), result.output->joined());
    EXPECT_EQ(rewrite::reasonText(ChangeReason::FieldTag), "field attributes");
}

// The earlier tool's checks removed are changes of their own: the generated script with its
// markers, and a field tag that only lost its handler's call; a tag that also gains the
// fallback attributes stays one change of the field's attributes.
TEST(PageChanges, EarlierChecksRemovedAreTheirOwnChange) {
    const std::string page = "<html><head><!--webbot bot=\"GeneratedScript\" startspan -->"
                             "<script>FrontPage_Form1_Validator()</script>"
                             "<!--webbot bot=\"GeneratedScript\" endspan --><!--webbot x --></head><body>"
                             "<form name=f onsubmit=\"return FrontPage_Form1_Validator(this)\"><input name=email "
                             "onblur=\"MM_validateForm('email','','R')\">"
                             "<input name=zip onblur=\"MM_validateForm('zip','','R');z()\"></form></body></html>";
    const std::vector<std::string> records = {"zip^2^5^5^^0^Five digits."};
    const std::vector<std::string> imported = {"email", "zip"};
    rewrite::RewriteInput input{
        page, kModel, 1, "", 1, &records, rewrite::LaunchMode::Normal, rewrite::Html5Fallback::On};
    input.legacyFields = &imported;
    const rewrite::PiecesResult result = rewrite::rewritePageInPieces(input);
    ASSERT_TRUE(result.output);
    const auto changes = rewrite::listChanges(page, *result.output);
    std::vector<ChangeReason> reasons;
    for (const auto &change : changes) {
        reasons.push_back(change.reason);
    }
    EXPECT_EQ(reasons, (std::vector<ChangeReason>{ChangeReason::EarlierChecks, ChangeReason::WebbotComment,
                                                  ChangeReason::ScriptBlock, ChangeReason::FormTag,
                                                  ChangeReason::EarlierChecks, ChangeReason::FieldTag}));
    EXPECT_EQ(changes[0].removed, "<!--webbot bot=\"GeneratedScript\" startspan -->"
                                  "<script>FrontPage_Form1_Validator()</script>"
                                  "<!--webbot bot=\"GeneratedScript\" endspan -->");
    EXPECT_EQ(changes[0].added, "");
    EXPECT_EQ(changes[4].removed, "<input name=email onblur=\"MM_validateForm('email','','R')\">");
    EXPECT_EQ(changes[4].added, "<input name=email>");
    EXPECT_TRUE(changes[5].added.starts_with("<input name=zip onblur=\"z()\" required")) << changes[5].added;
    EXPECT_EQ(rewrite::applyChanges(page, changes), result.output->joined());
    EXPECT_EQ(rewrite::reasonText(ChangeReason::EarlierChecks), "earlier tool's checks");
}

TEST(PageChanges, UnifiedDiffUsesThePagesLineNumbers) {
    std::string page;
    for (int line = 1; line <= 20; ++line) {
        page += line == 12 ? "<form action=x>\n" : "line " + std::to_string(line) + "\n";
    }
    page += "<!--webbot z -->end";
    const rewrite::PiecesResult result =
        rewrite::rewritePageInPieces({page, kModel, 1, "24680", 2, nullptr, rewrite::LaunchMode::Normal});
    ASSERT_TRUE(result.output);
    const std::string diff = rewrite::unifiedDiff(page, rewrite::listChanges(page, *result.output), "p.htm");
    EXPECT_EQ(diff, "--- p.htm\n+++ p.htm\n"
                    "@@ -9,7 +9,7 @@ form tag, hidden input\n"
                    " line 9\n line 10\n line 11\n"
                    "-<form action=x>\n"
                    "+<form   action=\"https://www.velmoraine.com/cgi-bin/process.cgi\"  name=\"form1\" >"
                    "<input type=\"hidden\" name=\"velmoraine\" value=\"24680-2\">\n"
                    " line 13\n line 14\n line 15\n"
                    "@@ -18,4 +18,4 @@ webbot comment removed\n"
                    " line 18\n line 19\n line 20\n"
                    "-<!--webbot z -->end\n\\ No newline at end of file\n"
                    "+end\n\\ No newline at end of file\n");
    EXPECT_EQ(rewrite::unifiedDiff(page, {}, "p.htm"), "");
}

// A page of 100,000 webbot comments on one line: one change each (and the form tag's name), and
// one hunk whose lines are read once (a search per change back to the line's start would take
// hours).
TEST(PageChangesPathological, ManyWebbotCommentsOnOneLine) {
    std::string page = "<html><body><form action=x>\n";
    for (int i = 0; i < 100000; ++i) {
        page += "<!--webbot bot=x -->a";
    }
    page += "\n</form></body></html>\n";
    const rewrite::PiecesResult result =
        rewrite::rewritePageInPieces({page, kModel, 1, "", 1, nullptr, rewrite::LaunchMode::Normal});
    ASSERT_TRUE(result.output);
    const auto changes = rewrite::listChanges(page, *result.output);
    ASSERT_EQ(changes.size(), 100001u);
    EXPECT_EQ(changes.front().reason, ChangeReason::FormTag);
    EXPECT_EQ(rewrite::applyChanges(page, changes), result.output->joined());
    const std::string diff = rewrite::unifiedDiff(page, changes, "p.htm");
    EXPECT_NE(diff.find("@@ -1,3 +1,3 @@ form tag, webbot comment removed\n"), std::string::npos);
    EXPECT_NE(diff.find("\n+" + std::string(100000, 'a') + "\n"), std::string::npos);
}
