// The fast rewriter against the plain reference rewrite: the same bytes, message, hash and
// warnings on the real pages, the test pages and generated pages made of the pieces the steps
// react to, for every launch mode, both sides of service linking and both fallback settings.
#include "core/rewrite/reference_rewrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/base/files.h"
#include "core/rewrite/page_rewriter.h"
#include "core/scan/reference_walk.h"
#include "tests/core/test_pages.h"

namespace velmoraine {
namespace {

using rewrite::Html5Fallback;
using rewrite::LaunchMode;

std::string shippedModel() {
    const std::optional<std::string> model =
        files::readWholeFile(std::string(VELMORAINE_SOURCE_DIR) + "/core/rewrite/vlmodel.txt");
    EXPECT_TRUE(model);
    return model.value_or("");
}

// One rule of each kind on the first fields, in turn, so that every kind's statements and
// fallback attributes are written.
std::vector<std::string> rulesFor(const std::vector<std::string> &fields) {
    static const char *const kPatterns[] = {"^1^^Please enter your e-mail address.", "^0^1^20^0^Fill it in.",
                                            "^2^5^9^ ()-^1^Digits only.", "^3^1^99^0^From 1 to 99."};
    std::vector<std::string> records;
    for (std::size_t i = 0; i < fields.size() && i < 8; ++i) {
        records.push_back(fields[i] + kPatterns[i % 4]);
    }
    return records;
}

// Where two outputs part, with a little of each from there: a page's output is too long to
// print whole.
std::string firstDifference(std::string_view a, std::string_view b) {
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin());
    return "they part at byte " + std::to_string(at) + ": \"" + std::string(a.substr(at, 60)) + "\" against \"" +
           std::string(b.substr(at, 60)) + "\"";
}

// Every setting that changes what the rewrite does, on form `chosen` of the page; with
// `imported` (the fields whose rules came from an earlier tool) too, when it is given.
void expectSameAsReference(std::string_view page, int chosen, const std::vector<std::string> &records,
                           const std::string &model, const std::string &what,
                           const std::vector<std::string> *imported = nullptr) {
    for (const std::string_view id : {"24680", "100"}) {
        for (const LaunchMode mode : {LaunchMode::Normal, LaunchMode::Editor}) {
            for (const Html5Fallback fallback : {Html5Fallback::Off, Html5Fallback::On}) {
                // The author's language for a form without one goes with the fallback.
                const std::string_view language = fallback == Html5Fallback::On ? "fr" : "";
                const rewrite::RewriteInput input{page,     model, chosen,   id,       3,
                                                  &records, mode,  fallback, language, imported};
                const rewrite::RewriteResult fast = rewrite::rewritePage(input);
                const rewrite::RewriteResult plain = rewrite::reference::rewritePage(input);
                const std::string where = what + ", form " + std::to_string(chosen) + ", " +
                                          std::to_string(records.size()) + " rules, ID " + std::string(id) +
                                          (mode == LaunchMode::Editor ? ", editor" : "") +
                                          (fallback == Html5Fallback::On ? ", fallback, lang fr" : "") +
                                          (imported != nullptr ? ", imported fields" : "");
                ASSERT_EQ(fast.output.has_value(), plain.output.has_value()) << where;
                if (fast.output && *fast.output != *plain.output) {
                    FAIL() << where << ": " << firstDifference(*fast.output, *plain.output);
                }
                ASSERT_EQ(fast.message, plain.message) << where;
                ASSERT_EQ(fast.cspHash, plain.cspHash) << where;
                ASSERT_EQ(fast.warnings, plain.warnings) << where;
                // Read afterwards, as the command line reads them beside its write, the warnings
                // are the same.
                rewrite::RewriteInput later = input;
                later.warnings = false;
                const rewrite::PiecesResult pieces = rewrite::rewritePageInPieces(later);
                ASSERT_TRUE(pieces.warnings.empty()) << where;
                ASSERT_EQ(rewrite::warningsFor(later, pieces), fast.warnings) << where;
            }
        }
    }
}

// Each form of the page and one past the last; without rules, with rules on its fields, and
// with a rule the rewrite refuses.
void expectSameOnEveryForm(std::string_view page, const std::string &model, const std::string &what) {
    const int forms = static_cast<int>(scan::reference::formTagPositions(page).size());
    for (int chosen = 1; chosen <= std::min(forms, 4) + 1; ++chosen) {
        const std::vector<std::string> fields = scan::reference::listFields(page, chosen);
        const std::vector<std::string> rules = rulesFor(fields.empty() ? std::vector<std::string>{"a"} : fields);
        expectSameAsReference(page, chosen, {}, model, what);
        expectSameAsReference(page, chosen, rules, model, what);
        expectSameAsReference(page, chosen, {"a^0^1^0^0^ends */ the comment"}, model, what);
        // The ruled fields' rules imported from the earlier tool's checks.
        std::vector<std::string> imported(fields.begin(), fields.begin() + std::min<std::ptrdiff_t>(8, fields.size()));
        imported.emplace_back("a");
        expectSameAsReference(page, chosen, rules, model, what, &imported);
    }
}

TEST(ReferenceRewrite, AgreesOnEveryCorpusAndTestPage) {
    const std::string model = shippedModel();
    const std::vector<test::NamedPage> pages = test::realAndTestPages();
    EXPECT_GT(pages.size(), 60u);
    for (const test::NamedPage &page : pages) {
        expectSameOnEveryForm(page.bytes, model, page.name);
    }
}

// Pages put together from the pieces the steps turn on: form tags in both spellings with the
// attributes that are cut, heads and bodies, webbot comments and their halves, block markers,
// earlier hidden inputs whole and cut short, fields with and without attributes an earlier
// run wrote, zero bytes. Seeded, so every run sees the same pages.
std::string adversarialPage(std::mt19937 &random, std::size_t pieces) {
    static const std::vector<std::string> kPieces = {
        "<form ",
        "<FORM ",
        "<form action=\"old.cgi\" onsubmit=\"return check()\" name=\"order\"",
        "<FORM ACTION=/x ENCTYPE=\"multipart/form-data\" webbot-action=\"--WEBBOT-SELF--\"",
        "Name='q' OnSubmit=\"go()\"",
        ">",
        "</form>",
        "</FORM>",
        "<head>",
        "</head>",
        "</HEAD>",
        "<body>",
        "<BODY bgcolor=white>",
        "<!--webbot bot=\"Validation\" -->",
        "<!--webbot",
        "<!--web",
        "bot",
        "-->",
        "<!-- VELMORAINE-BEGIN -->",
        "<!-- VELMORAINE-END -->",
        "<input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">",
        "<input type=\"hidden\" value=\"velmoraine\">",
        "<input type=\"hidden\" name=\"velmoraine\"",
        "<input type=\"hidden\" name=other>",
        " required data-velmoraine=\"required\">",
        "<input name=\"email\">",
        "<input name=email type=email required data-velmoraine=\"required\">",
        "<input name=\"qty\" min=\"1\" max=\"99\" data-velmoraine=\"min max\"/>",
        "<select name=zip>",
        "<textarea name=\"note\" maxlength=20 data-velmoraine=\"maxlength\">",
        "<input name=\"phone\" inputmode=numeric>",
        "name=",
        "\"",
        " ",
        "\r\n",
        std::string(1, '\0'),
        "velmoraine",
        "<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'self'\">",
        "<label for=email>E-mail</label>",
        "<input type=submit>",
        // An earlier tool's checks: the generated script's markers and halves of them, in both
        // cases, and fields, buttons and handlers that call MM_validateForm.
        "<!--webbot bot=\"GeneratedScript\" PREVIEW=\" \" startspan -->",
        "<!--WEBBOT BOT=\"GENERATEDSCRIPT\"\r\nENDSPAN -->",
        "<!--webbot endspan bot=GeneratedScript",
        "<script>function FrontPage_Form1_Validator(theForm) { return (true); }</script>",
        "<input name=\"email\" onBlur=\"MM_validateForm('email','','RisEmail');return document.MM_returnValue\">",
        "<input name=note ONCHANGE=\"check(this); MM_validateForm('note','','R(1)');\"",
        "<select name=zip onchange='MM_validateForm(\"zip\",\"\",\"R\")'>",
        "<input type=submit onClick=\"MM_validateForm('document.form1.email','','R','q','','R');"
        "return document.MM_returnValue\">",
        "<button onclick=\"MM_validateForm('phone','','R')\">",
        " onkeyup=\"MM_validateForm('email','','R');\"",
        "MM_validateForm('",
    };
    return test::pageOfPieces(random, kPieces, pieces);
}

TEST(ReferenceRewrite, AgreesOnGeneratedPages) {
    const std::string model = shippedModel();
    const std::vector<std::string> rules = rulesFor({"email", "note", "phone", "qty", "zip", "q"});
    const std::vector<std::string> imported = {"email", "note", "zip", "q"};
    std::mt19937 random(14);
    for (int i = 0; i < 1500; ++i) {
        const std::string page = adversarialPage(random, 1 + static_cast<std::size_t>(i % 60));
        const std::string what = "generated page " + std::to_string(i);
        const int chosen = 1 + i % 3;
        expectSameAsReference(page, chosen, {}, model, what);
        expectSameAsReference(page, chosen, rules, model, what);
        expectSameAsReference(page, chosen, rules, model, what, &imported);
    }
}

// A page of some megabytes: the fast rewriter keeps it as views of the page, the reference
// copies it; the bytes must still be the same.
TEST(ReferenceRewrite, AgreesOnALargePage) {
    std::mt19937 random(8);
    std::string page = "<html><head>" + adversarialPage(random, 100) + "</head><body><form action=\"x\">";
    for (std::size_t field = 0; page.size() < std::size_t{4} * 1024 * 1024; ++field) {
        const std::string name = "f" + std::to_string(field % 3000);
        page += "<input name=\"" + name + "\" maxlength=9" +
                (field % 7 == 0 ? " onblur=\"MM_validateForm('" + name + "','','R');return document.MM_returnValue\">"
                                : ">");
        page += field % 5000 == 0      ? "<!--webbot bot=\"x\" -->"
                : field % 5000 == 2500 ? "<!--webbot bot=\"GeneratedScript\" startspan --><script>v()</script>"
                                         "<!--webbot bot=\"GeneratedScript\" endspan -->"
                                       : "<p>text between the fields of the form.</p>\n";
    }
    page += "</form>" + adversarialPage(random, 100) + "</body></html>";
    const std::vector<std::string> rules = rulesFor({"f1", "f2", "f3", "f4", "f2999"});
    const std::vector<std::string> imported = {"f1", "f2", "f3", "f4", "f2999"};
    expectSameAsReference(page, 1, rules, shippedModel(), "large page");
    expectSameAsReference(page, 1, rules, shippedModel(), "large page", &imported);
}

// Where the block goes: before the first "</head>", else "</HEAD>", else in a new head before
// the first "<body", else "<BODY"; nowhere on a page with none of these.
TEST(ReferenceRewrite, BlockGoesBeforeTheHeadEndElseIntoANewHead) {
    const struct {
        std::string page;
        std::string expected; // empty: refused, the page unchanged
    } kRows[] = {
        {"<HTML></HEAD></head>", "<HTML></HEAD>[B]</head>"},
        {"<HTML></HEAD><body>", "<HTML>[B]</HEAD><body>"},
        {"<html><body bgcolor=\"white\"><BODY>", "<html><head>  [B]</head><body bgcolor=\"white\"><BODY>"},
        {"<html><BODY>", "<html><head>  [B]</head><BODY>"},
        {"<Head></Head><Body>", ""},
    };
    for (const auto &row : kRows) {
        std::string text = row.page;
        EXPECT_EQ(rewrite::reference::insertScriptBlock(text, "[B]"), !row.expected.empty()) << row.page;
        EXPECT_EQ(text, row.expected.empty() ? row.page : row.expected);
    }
}

} // namespace
} // namespace velmoraine
