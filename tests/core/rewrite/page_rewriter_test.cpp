#include "core/rewrite/page_rewriter.h"

#include <gtest/gtest.h>

#include "core/rewrite/reference_rewrite.h"
#include "core/rewrite/script_block.h"
#include "core/scan/form_scanner.h"

using namespace velmoraine;
using rewrite::LaunchMode;
using rewrite::rewritePage;
using namespace std::string_literals;

namespace {

const std::string kModel = "<!-- VELMORAINE-BEGIN -->\r\n<script>\r\n<!--\r\nfunction velmoraine_sub() {";
const std::string kAction = " action=\"https://www.velmoraine.com/cgi-bin/process.cgi\" ";
const std::string kOnSubmit = " onsubmit=\" return velmoraine_sub()\" ";

struct PageRun {
    std::string page;
    std::vector<std::string> records;
    std::string id = "24680";
    int chosen = 1;
    int formNumber = 1;
    LaunchMode mode = LaunchMode::Normal;

    // The rewriter's answer, after checking that the plain reference gives the same.
    rewrite::RewriteResult go() const {
        const rewrite::RewriteInput input{page, kModel, chosen, id, formNumber, &records, mode};
        rewrite::RewriteResult result = rewritePage(input);
        const rewrite::RewriteResult plain = rewrite::reference::rewritePage(input);
        EXPECT_EQ(result.output, plain.output);
        EXPECT_EQ(result.message, plain.message);
        return result;
    }
    std::string out() const {
        auto result = go();
        EXPECT_TRUE(result.output.has_value()) << result.message;
        return result.output.value_or("");
    }
};

std::string tagOf(const std::string &output, std::size_t from = 0) {
    const std::size_t at = output.find("<form ", from);
    return output.substr(at, output.find('>', at) - at + 1);
}

} // namespace

TEST(FormTagRewriting, WorkedExampleComesOutByteForByte) {
    PageRun run;
    run.page = "<html><head></head><body><form method=\"post\" action=\"mail.asp\" name=\"order\">"
               "<input name=\"name\"></form></body></html>";
    run.records = {"name^0^1^0^0^Field \"name\" must be filled in."};
    const std::string out = run.out();
    const std::string expectedTag = "<form method=\"post\"   name=\"order\" " + kAction + kOnSubmit + ">" +
                                    "<input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">";
    EXPECT_NE(out.find(expectedTag), std::string::npos) << out;
    EXPECT_NE(out.find("velmoraine_filledin(document.order.name)"), std::string::npos);
}

TEST(FormTagRewriting, ChoosesTheNumberedFormInFormCountOrder) {
    PageRun run;
    run.page = "<head></head><FORM action=\"a\"></FORM><form action=\"b\"></form><form action=\"c\"></form>";
    run.chosen = 2;
    const std::string out = run.out();
    // Lower-case forms come first: number 2 is the one with action c.
    EXPECT_NE(out.find("<FORM action=\"a\">"), std::string::npos);
    EXPECT_NE(out.find("<form action=\"b\">"), std::string::npos);
    EXPECT_EQ(out.find("action=\"c\""), std::string::npos);
    run.chosen = 3;
    EXPECT_EQ(run.out().find("action=\"a\""), std::string::npos);
}

TEST(FormTagRewriting, OnSubmitIsReplacedOnlyWhenThereAreRules) {
    PageRun run;
    run.page = "<head></head><form name=\"f\" onsubmit=\"return check()\" action=\"x\"><input name=\"a\"></form>";
    EXPECT_EQ(tagOf(run.out()), "<form name=\"f\" onsubmit=\"return check()\"   " + kAction + ">");
    run.records = {"a^1^0^Bad"};
    EXPECT_EQ(tagOf(run.out()), "<form name=\"f\"     " + kAction + kOnSubmit + ">");
}

TEST(FormTagRewriting, TagWithoutNameGainsForm1Last) {
    PageRun run;
    run.page = "<head></head><form method=\"post\"><input name=\"a\"></form>";
    run.records = {"a^1^0^Bad"};
    const std::string out = run.out();
    EXPECT_EQ(tagOf(out), "<form method=\"post\" " + kAction + kOnSubmit + " name=\"form1\" >");
    EXPECT_NE(out.find("velmoraine_email(document.form1.a)"), std::string::npos);
}

TEST(FormTagRewriting, CapitalTagLosesQuotedActionAndKeepsUnquotedMethod) {
    PageRun run;
    run.page = "<head></head><FORM ACTION=\"x.pl\" METHOD=post NAME=\"f\"></FORM>";
    const std::string out = run.out();
    const std::size_t at = out.find("<FORM ");
    EXPECT_EQ(out.substr(at, out.find('>', at) - at + 1), "<FORM   METHOD=post NAME=\"f\" " + kAction + ">");
}

TEST(FormTagRewriting, AttributeCutMatchesInsideWebbotAction) {
    std::string tag = "<form webbot-action=\"--WEBBOT-SELF--\" method=\"post\" ";
    rewrite::cutAttribute(tag, {"action", "ACTION", "Action"});
    EXPECT_EQ(tag, "<form webbot-  method=\"post\" ");
    std::string unquoted = "<form action=x.pl method=post ";
    rewrite::cutAttribute(unquoted, {"action"});
    // "=" and the next character are skipped, then the first double quote, else the first blank.
    EXPECT_EQ(unquoted, "<form  method=post ");
    std::string noEnd = "<form action=";
    rewrite::cutAttribute(noEnd, {"action"});
    EXPECT_EQ(noEnd, "<form action=");
}

TEST(FormTagRewriting, FormNameExtractionFollowsTheQuoteRules) {
    EXPECT_EQ(rewrite::extractFormName("<form name=\"order\" "), "order");
    EXPECT_EQ(rewrite::extractFormName("<form NAME=order method=post "), "order");
    EXPECT_EQ(rewrite::extractFormName("<form id=\"x\" "), "");
    EXPECT_EQ(rewrite::extractFormName("<form name=\"\" "), "");
    // The first double quote is deleted wherever it stands.
    EXPECT_EQ(rewrite::extractFormName("<form name=order action=\"x\" "), "order action=x");
    // "NAME" is tried before "name": a capital variant later in the tag wins.
    EXPECT_EQ(rewrite::extractFormName("<form name=\"a\" NAME=\"b\" "), "b");
}

TEST(HiddenInput, ReplacedRightAfterTheTagOutsideEditorMode) {
    PageRun run;
    run.page =
        "<head></head><form name=\"f\"><p><input type=\"hidden\" name=\"velmoraine\" value=\"11111-2\"></p></form>";
    run.formNumber = 3;
    EXPECT_NE(run.out().find("<form name=\"f\" " + kAction +
                             "><input type=\"hidden\" name=\"velmoraine\" value=\"24680-3\"><p></p>"),
              std::string::npos);
    run.mode = LaunchMode::Editor;
    const std::string kept = run.out();
    EXPECT_NE(kept.find("<p><input type=\"hidden\" name=\"velmoraine\" value=\"11111-2\"></p>"), std::string::npos);
    EXPECT_EQ(kept.find("24680-3"), std::string::npos);
}

TEST(HiddenInput, GeneralMatchNeedsTheWordBeforeTheNextAngle) {
    PageRun run;
    run.page = "<head></head><form name=\"f\"><input type=\"hidden\" value=\"1\" name=\"velmoraine\"></form>";
    EXPECT_EQ(run.out().find("value=\"1\""), std::string::npos);
    run.page = "<head></head><form name=\"f\"><input type=\"hidden\" name=\"other\"><i>velmoraine</i></form>";
    EXPECT_NE(run.out().find("name=\"other\""), std::string::npos);
}

TEST(ServiceLinking, OffBelow12863KeepsActionAndAddsNoInput) {
    PageRun run;
    run.page = "<head></head><form name=\"f\" action=\"x\" enctype=\"text/plain\"><input name=\"a\"></form>";
    run.id = "";
    run.records = {"a^1^0^Bad"};
    run.mode = LaunchMode::Editor;
    const std::string out = run.out();
    EXPECT_EQ(tagOf(out), "<form name=\"f\" action=\"x\" enctype=\"text/plain\" " + kOnSubmit + ">");
    EXPECT_EQ(out.find("name=\"velmoraine\""), std::string::npos);
    EXPECT_TRUE(rewrite::serviceLinking("12863"));
    EXPECT_FALSE(rewrite::serviceLinking("12862"));
    EXPECT_TRUE(rewrite::serviceLinking("  99999999999"));
    EXPECT_FALSE(rewrite::serviceLinking("abc"));
}

TEST(ServiceLinking, HugeAccountIdSaturates) {
    PageRun run;
    run.page = "<head></head><form name=\"f\"></form>";
    run.id = "99999999999";
    EXPECT_NE(run.out().find("value=\"2147483647-1\""), std::string::npos);
}

TEST(RewriterFailures, ChosenFormMissingOrUnclosed) {
    PageRun run;
    run.page = "<head></head><form name=\"f\"></form>";
    run.chosen = 2;
    auto result = run.go();
    EXPECT_FALSE(result.output);
    EXPECT_EQ(result.message, "Velmoraine cannot find the chosen form (number 2) in your HTML page. Please "
                              "select the page again.");
    run.chosen = 1;
    run.page = "<head></head><form name=\"f\"";
    EXPECT_FALSE(run.go().output);
}

TEST(RewriterFailures, NoHeadNoBodyOnlyMattersWithRules) {
    PageRun run;
    run.page = "<form name=\"f\"><input name=\"a\"></form>";
    EXPECT_TRUE(run.go().output);
    run.records = {"a^1^0^Bad"};
    auto result = run.go();
    EXPECT_FALSE(result.output);
    EXPECT_EQ(result.message,
              "Error: Your HTML page does not contain <HEAD> or <BODY> tags. Velmoraine cannot process this file.");
}

TEST(Reprocessing, GivesOneBlockWithCurrentRulesAndThreeMoreLineBreaks) {
    PageRun run;
    run.page = "<html><head>\r\n<title>t</title></head><body><form name=\"f\"><input name=\"a\">"
               "<input name=\"b\"></form></body></html>";
    run.records = {"a^1^0^Bad"};
    const std::string first = run.out();
    PageRun again = run;
    again.page = first;
    again.records = {"b^0^1^0^0^Fill b"};
    const std::string second = again.out();
    auto count = [](const std::string &text, std::string_view what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count(second, rewrite::kBeginMarker), 1u);
    EXPECT_EQ(count(second, "//VLDATA:"), 1u);
    EXPECT_NE(second.find("//VLDATA:b^0^1^0^0^Fill b:;\r\n"), std::string::npos);
    EXPECT_EQ(count(second, "name=\"velmoraine\""), 1u);
    EXPECT_EQ(count(second, kOnSubmit), 1u);
    EXPECT_NE(second.find("\r\n\r\n\r\n\r\n\r\n<!-- VELMORAINE-BEGIN"), std::string::npos);
    EXPECT_NE(second.find("<!-- VELMORAINE-END -->\r\n</head>"), std::string::npos);
}

TEST(Reprocessing, RoundTripRestoresTheRulesThatBuiltThePage) {
    PageRun run;
    run.page = "<head></head><form name=\"f\"><input name=\"a\"><input name=\"zip\"><input name=\"q\"></form>";
    run.records = {"a^1^0^Say \"hi\"", "zip^2^5^9^-^1^Zip!", "q^3^1^0^0^"};
    const std::string out = run.out();
    const scan::ScanResult scanned = scan::scanPage(out, {});
    EXPECT_EQ(scanned.rules.records(), run.records);
    EXPECT_EQ(scanned.fields, (std::vector<std::string>{"a", "zip", "q"}));
}

TEST(PageBytes, ZeroBytesAndEverythingAfterThemSurvive) {
    PageRun run;
    run.page = "<head>\0</head><form name=\"f\">\0<input name=\"a\"></form>\0tail"s;
    run.records = {"a^1^0^Bad"};
    const std::string out = run.out();
    EXPECT_NE(out.find(std::string("\0tail", 5)), std::string::npos);
    EXPECT_EQ(out.substr(0, 7), std::string("<head>\0", 7));
}

// The steps search texts that a cut or the rewritten tag joins together; each must find what a
// search of the joined page finds.
TEST(Insertion, HeadEndJoinedByAWebbotCutTakesTheBlock) {
    PageRun run;
    run.page = "<html><head></he<!--webbot bot=\"x\" -->ad><body><form name=\"f\"><input name=\"a\"></form>";
    run.records = {"a^1^0^Bad"};
    const std::string out = run.out();
    EXPECT_EQ(out.substr(0, 12), "<html><head>");
    EXPECT_NE(out.find("<!-- VELMORAINE-END -->\r\n</head><body>"), std::string::npos) << out;
    EXPECT_EQ(out.find("webbot"), std::string::npos);
}

TEST(Insertion, OldBlockMarkersAcrossTheNewTagAreFound) {
    // The old block's end marker comes after the form tag that the rewriter rebuilds, and the
    // page's head end only after the block.
    PageRun run;
    run.page = "<head><!-- VELMORAINE-BEGIN --><form name=\"f\"><!-- VELMORAINE-END -->x</head><body>"
               "<input name=\"a\"></form>";
    run.records = {"a^1^0^Bad"};
    const std::string out = run.out();
    EXPECT_EQ(out.find("<form"), std::string::npos) << out; // the tag went with the old block
    EXPECT_EQ(out.substr(0, 32), "<head>x\r\n\r\n<!-- VELMORAINE-BEGIN") << out;
}

TEST(Insertion, BodyWithoutHeadGetsAnEmptyHeadAroundTheBlock) {
    PageRun run;
    run.page = "<BODY><form name=\"f\"><!--webbot a --><input name=\"a\"></form></BODY>";
    run.records = {"a^1^0^Bad"};
    const std::string out = run.out();
    EXPECT_EQ(out.substr(0, 8), "<head>  ");
    EXPECT_NE(out.find("<!-- VELMORAINE-END -->\r\n</head><BODY>"), std::string::npos) << out;
}
