#include "core/scan/form_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmoraine::scan;
using Names = std::vector<std::string>;
using namespace std::string_literals;

namespace {

Names fieldsOf(std::string_view page) { return scanPage(page, {}).fields; }

std::string inForm(std::string_view body) { return "<form action=\"x\">" + std::string(body) + "</form>"; }

} // namespace

// The fields of a page's only form, in order, each name once: which tags count, how their
// names are read, and where the walk stops.
TEST(FormScanner, ListsTheFormsFields) {
    struct Row {
        const char *name;
        std::string page;
        Names fields;
    };
    const Row rows[] = {
        {"ListsTextLikeInputsAndSkipsButtonsHiddenAndChoices",
         inForm("<input type=\"text\" name=\"a\"><input type=\"password\" name=\"b\"><input name=\"c\">"
                "<input type=\"file\" name=\"d\"><input type=\"email\" name=\"e\">"
                "<input type=\"submit\" name=\"s1\"><input type=\"image\" name=\"s2\">"
                "<input type=\"reset\" name=\"s3\"><input type=\"button\" name=\"s4\">"
                "<input type=\"hidden\" name=\"s5\"><input type=\"checkbox\" name=\"s6\">"
                "<input type=\"radio\" name=\"s7\"><input type=\"Hidden\" name=\"s8\">"
                "<input TYPE=\"TEXT\" name=\"f\">"),
         {"a", "b", "c", "d", "e", "f"}},
        // Attribute variants and quoting.
        {"QuotedAndCapitalSpellingsAreOneField",
         inForm("<input type=\"text\" name=\"email\"><INPUT TYPE=text NAME=email>"),
         {"email"}},
        {"CapitalTagAndAttributes", inForm("<INPUT TYPE=text NAME=email>"), {"email"}},
        {"SingleQuotes", inForm("<input name='phone'>"), {"phone"}},
        {"UnquotedNameEndsAtABlank", inForm("<input name=first name>"), {"first"}},
        {"BlanksAroundTheEquals", inForm("<input name =  \"spaced\">"), {"spaced"}},
        {"NameKeepsItsCase", inForm("<input Name=Cap>"), {"Cap"}},
        {"UnclosedQuoteGivesNoField", inForm("<input name=\"unclosed>"), {}},
        {"TabInsideAnUnquotedName", inForm("<input name=a\tb>"), {"a\tb"}},
        {"EmptyNameIsAField", inForm("<input name=\"\">"), {""}},
        {"UsernameAttributeShadowsName", inForm("<input username=\"u\" name=\"n\">"), {"u"}},
        {"TypeWordsAreWholeWords",
         inForm("<input type=\"submitx\" name=\"a\"><input type=\"hidden \" name=\"b\">"),
         {"a", "b"}},
        // An unreadable type counts as text.
        {"TypeWithUnclosedQuoteBeforeTheName", inForm("<input type=\"hidden name=\"c\">"), {"c"}},
        {"TypeWithUnclosedQuoteAfterTheName", inForm("<input name=\"c\" type=\"hidden>"), {"c"}},
        {"SelectAndTextareaByOwnNameOptionsNeverListed",
         inForm("<select name=\"s\"><option name=\"o\">1</option></select>"
                "<textarea name=\"t\"><input name=\"inside\"></textarea><select>"),
         {"s", "t", "inside"}},
        {"SameNameInInputSelectAndTextareaOnce",
         inForm("<input name=\"dup\"><select name=\"dup\"><textarea name=\"dup\">"),
         {"dup"}},
        {"TagNameOnlyHasToStartWithInput", inForm("<inputfoo name=\"x\">"), {"x"}},
        {"CommentsAreSkipped", inForm("<!-- <input name=\"hidden\"> --><input name=\"shown\">"), {"shown"}},
        {"FieldRightAfterAComment", inForm("<!-- x --><input name=\"direct\">"), {"direct"}},
        // "->" ends the comment, even without the second dash.
        {"ArrowWithOneDashEndsAComment", inForm("<!- a -><input name=\"after\">"), {"after"}},
        // An unclosed comment only skips its opener.
        {"UnclosedCommentSkipsOnlyItsOpener", inForm("<!-<input name=\"n\">"), {"n"}},
        // The chosen form ends the walk.
        {"ClosingTagEndsTheWalk", "<form a><input name=\"one\"></FORM><form b><input name=\"two\"></form>", {"one"}},
        {"ClosingTagInMixedCase", "<form a><input name=\"one\"></fOrM><input name=\"two\">", {"one"}},
        {"FieldBeforeTheFormIsNotListed", "<input name=\"before\"><form a><input name=\"x\">", {"x"}},
        // A capital form is cut at its capital closing tag, even inside a comment.
        {"CapitalFormCutInsideAComment", "<FORM a><!-- </FORM> --><input name=\"lost\"></FORM>", {}},
        {"LowerFormCutInsideAComment", "<form a><!-- </form> --><input name=\"lost\"></form>", {}},
        // The closing tag of the other spelling inside a comment is only part of the comment.
        {"OtherSpellingInsideACommentIsCommentOnly", "<form a><!-- </FORM> --><input name=\"kept\"></form>", {"kept"}},
        // A field tag is cut there too: an unclosed quote, or a tag whose ">" lies past the end.
        {"ClosingTagInsideANameCutsTheField", "<form a><input name=\"a</form>\"><input name=\"b\">", {}},
        {"ClosingTagInsideATypeCutsTheType", "<form a><input name=\"a\" type=\"hidden</form>\">", {"a"}},
        {"ClosingTagRightAfterAnUnquotedName", "<form a><input name=a</form> type=hidden>", {"a"}},
        {"CapitalClosingTagRightAfterAName", "<FORM a><input type=text name=b</FORM>", {"b"}},
        {"ZeroBytesAreOrdinary",
         "<form a>\0<input name=\"a\0b\"><input name=\"c\"></form>"s,
         {std::string("a\0b", 3), "c"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fieldsOf(row.page), row.fields);
    }
}

// Every tag named form opens a form: "<form " and "<FORM " first, as they were always
// numbered, then the other spellings in page order. Each row: the chooser's texts (empty: no
// form), whether the chooser is asked, and the fields of the form chosen.
TEST(FormScanner, EveryFormTagSpellingIsFound) {
    struct Row {
        const char *name;
        std::string page;
        int chosen;
        std::vector<std::string> tagTexts;
        bool several;
        Names fields;
    };
    const Row rows[] = {
        {"EmptyPage", "", 1, {}, false, {}},
        {"NoTagNamedForm", "<formation><forms><form-x><form", 1, {}, false, {}},
        {"ClosedDirectly", "<form><input name=a></form>", 1, {"<form>"}, false, {"a"}},
        {"FirstLetterInCapitals", "<Form action=x><input name=a></Form>", 1, {"<Form action=x>"}, false, {"a"}},
        {"LineBreakAfterTheName",
         "<form\r\n  action=x><input name=a></form>",
         1,
         {"<form\r\n  action=x>"},
         false,
         {"a"}},
        {"TabFormFeedAndSlash", "<FORM\ta><fOrM\fb><form/>", 3, {"<FORM\ta>", "<fOrM\fb>", "<form/>"}, true, {}},
        {"CapitalsKeepTheirPlace", "<FORM action=x>", 1, {"<FORM action=x>"}, false, {}},
        // The form a page always had stays form 1, with its own closing tag; the others can
        // be chosen wherever they stand.
        {"BlankSpellingFirst",
         "<form>x<input name=b></form><form a><input name=a></form>",
         1,
         {"<form a>", "<form>"},
         true,
         {"a"}},
        {"OtherSpellingAfter",
         "<form a><input name=a></form><Form b><input name=b></FORM><input name=c></form>",
         2,
         {"<form a>", "<Form b>"},
         true,
         {"b"}},
        {"AfterBothOldSpellings",
         "<Form c><input name=c><FORM b><form a>",
         3,
         {"<form a>", "<FORM b>", "<Form c>"},
         true,
         {"c"}},
        {"CapitalBeforeTheOnlyLowerCase",
         "<FORM b><input name=b><form a><input name=a>",
         2,
         {"<form a>", "<FORM b>"},
         false,
         {"a"}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        bool asked = false;
        const ScanResult result = scanPage(row.page, [&](const std::vector<std::string> &) {
            asked = true;
            return row.chosen;
        });
        EXPECT_EQ(result.formFound, !row.tagTexts.empty());
        EXPECT_EQ(result.tagTexts, row.tagTexts);
        EXPECT_EQ(asked, row.several);
        EXPECT_EQ(result.fields, row.fields);
        EXPECT_EQ(listFields(row.page, result.chosenForm), row.fields);
    }
}

TEST(FormScanner, SeveralFormsAskTheChooser) {
    const std::string page = "<form id=1><input name=\"a\"></form><form id=2><input name=\"b\"></form>"
                             "<FORM id=3><input name=\"c\"></FORM><form id=4><input name=\"d\"></form>";
    std::vector<std::string> shown;
    const ScanResult result = scanPage(page, [&](const std::vector<std::string> &tags) {
        shown = tags;
        return 3;
    });
    EXPECT_TRUE(result.severalForms);
    EXPECT_EQ(shown, (std::vector<std::string>{"<form id=1>", "<form id=2>", "<form id=4>", "<FORM id=3>"}));
    EXPECT_EQ(result.chosenForm, 3);
    EXPECT_EQ(result.fields, Names{"d"});
}

TEST(FormScanner, ChooserTextsPassOverTagsWithoutAngle) {
    EXPECT_EQ(chooserTagTexts("<form a><FORM b><form c"), (std::vector<std::string>{"<form a>", "<FORM b>"}));
    // The search goes on from the ">" just used: a tag text inside another is not listed.
    EXPECT_EQ(chooserTagTexts("<form title=\"<form x\">"), (std::vector<std::string>{"<form title=\"<form x\">"}));
    EXPECT_EQ(formTagPositions("<form title=\"<form x\">").size(), 2u);
}

TEST(FormScanner, StoredRulesComeBackWhicheverFormIsChosen) {
    const std::string page = "<form a><input name=\"x\"></form><form b><input name=\"y\"></form>"
                             "<script>/*\r\n//VLDATA:x^1^0^Bad:;\r\n*/</script>";
    const ScanResult result = scanPage(page, [](const std::vector<std::string> &) { return 2; });
    EXPECT_EQ(result.fields, Names{"y"});
    EXPECT_EQ(result.rules.records(), std::vector<std::string>{"x^1^0^Bad"});
    EXPECT_EQ(result.rules.displays(), std::vector<std::string>{"x (email)"});
}

// A tag without ">" runs to the end of the text; many of them must not make the scan quadratic.
// Sized so that a quadratic walk would take minutes while the linear one takes milliseconds.
TEST(FormScannerPathological, ManyOpenTagsStayLinear) {
    std::string page = "<form a>";
    for (int i = 0; i < 200000; ++i) {
        page += "<input type=\"";
    }
    page += " name=\"z\"";
    EXPECT_EQ(fieldsOf(page).size(), 1u);
    std::string forms;
    for (int i = 0; i < 100000; ++i) {
        forms += "<form ";
    }
    EXPECT_TRUE(chooserTagTexts(forms).empty());
    EXPECT_TRUE(scanPage(forms, [](const std::vector<std::string> &) { return 1; }).fields.empty());
    // Tags of the other spellings are counted to the end of the page, and the chosen one looks
    // for its closing tag in any case once.
    std::string others;
    for (int i = 0; i < 100000; ++i) {
        others += i % 2 == 0 ? "<Form\n" : "</Formx ";
    }
    EXPECT_EQ(formTagPositions(others).size(), 50000u);
    EXPECT_TRUE(scanPage(others, [](const std::vector<std::string> &) { return 50000; }).fields.empty());
}

TEST(FormScannerPathological, ManyUnclosedCommentsStayLinear) {
    std::string page = "<form a>";
    for (int i = 0; i < 200000; ++i) {
        page += "<!-- note <input name=\"n\">";
    }
    EXPECT_EQ(fieldsOf(page), Names{"n"});
}

TEST(FormScannerPathological, FiftyThousandInputsKeepTheirOrder) {
    std::string page = "<form a>";
    for (int i = 0; i < 50000; ++i) {
        page += "<input name=\"f" + std::to_string(i) + "\"><input name=\"f" + std::to_string(i / 2) + "\">";
    }
    const Names fields = fieldsOf(page);
    ASSERT_EQ(fields.size(), 50000u);
    EXPECT_EQ(fields[49999], "f49999");
}

TEST(FormScanner, ResultCarriesTheChooserTagTexts) {
    EXPECT_TRUE(scanPage("<p>no form</p>", {}).tagTexts.empty());
    const std::string one = "<form a><input name=\"x\"></form>";
    EXPECT_EQ(scanPage(one, {}).tagTexts, chooserTagTexts(one));
    const std::string several = "<FORM b><form a><form c";
    EXPECT_EQ(scanPage(several, [](const std::vector<std::string> &) { return 1; }).tagTexts,
              (std::vector<std::string>{"<form a>", "<FORM b>"}));
}

// The scan keeps the positions of the first forms of each spelling; a form further on is
// found again, with the same answer as listFields.
TEST(FormScanner, ChosenFormFarDownThePageHasItsOwnFields) {
    std::string page;
    for (int i = 1; i <= 20; ++i) {
        page += "<form n=" + std::to_string(i) + "><input name=\"f" + std::to_string(i) + "\"></form>";
    }
    page += "<FORM n=21><input name=\"f21\"></FORM>";
    for (int chosen : {1, 16, 17, 20, 21, 22}) {
        const ScanResult result = scanPage(page, [&](const std::vector<std::string> &) { return chosen; });
        EXPECT_EQ(result.fields, listFields(page, chosen)) << chosen;
        if (chosen <= 21) {
            EXPECT_EQ(result.fields, Names{"f" + std::to_string(chosen)});
        }
    }
}

TEST(FormScannerPathological, ManyOpenFormsAfterARealOneStillCount) {
    std::string page = "<form a><input name=\"x\"></form>";
    for (int i = 0; i < 100000; ++i) {
        page += i % 4 == 3 ? "<FORM " : "<form ";
    }
    const ScanResult result = scanPage(page, [](const std::vector<std::string> &) { return 2; });
    EXPECT_TRUE(result.severalForms);
    EXPECT_EQ(result.tagTexts, (std::vector<std::string>{"<form a>"}));
    EXPECT_EQ(result.chosenForm, 2);
    EXPECT_EQ(result.fields, listFields(page, 2));
}

TEST(FormScanner, LargePageGivesTheChosenFormWhicheverThreadWalksIt) {
    // Past the size from which the first form is walked beside the survey of the form tags.
    const std::string padding(5 << 20, '.');
    const std::string page = "<FORM a><input name=\"capital\"></FORM>" + padding +
                             "<form b><!-- <input name=\"hidden\"> --><input name=\"first\"></form>" + padding +
                             "<form c><input name=\"second\"></form>";
    const std::vector<Names> expected = {{"first"}, {"second"}, {"capital"}, {}};
    for (int chosen : {1, 2, 3, 4}) {
        const ScanResult result = scanPage(page, [&](const std::vector<std::string> &) { return chosen; });
        EXPECT_EQ(result.fields, expected[static_cast<std::size_t>(chosen - 1)]) << chosen;
        EXPECT_EQ(result.fields, listFields(page, chosen)) << chosen;
    }
    // With no lower-case tag anywhere, the first capital one is form 1.
    const std::string capitalsOnly = padding + "<FORM a><TEXTAREA NAME=\"note\"></TEXTAREA></FORM>" + padding;
    EXPECT_EQ(scanPage(capitalsOnly, {}).fields, Names{"note"});
    EXPECT_FALSE(scanPage(padding + padding, {}).formFound);
}

// ---------------------------------------------------------------------------------------------
// What the fields' first tags declare
// ---------------------------------------------------------------------------------------------

TEST(FormScannerMarkup, ReadsEachDeclaredAttribute) {
    using velmoraine::rules::FieldMarkup;
    using Attribute = FieldMarkup::Attribute;
    const ScanResult result =
        scanPage("<form action=x>"
                 "<input type=\"email\" name=\"contact\" required>"
                 "<INPUT TYPE=NUMBER NAME=qty MIN=1 MAX=\"10\">"
                 "<input name='zip' maxlength='5' minLength=5 pattern=\"\\d{5}\" inputmode=numeric>"
                 "<textarea name=notes required maxlength=200></textarea>"
                 "<input type=text name=plain title=\"required field\" data-max=4 xmin=3>"
                 "<input type=\"url\" name=site pattern=\"[a-z]+\" min=abc></form>",
                 {});
    ASSERT_EQ(result.fields, (Names{"contact", "qty", "zip", "notes", "plain", "site"}));
    const auto &markup = result.markup;
    FieldMarkup contact = FieldMarkup().with(Attribute::Type, "email");
    contact.required = true;
    FieldMarkup notes = FieldMarkup().with(Attribute::MaxLength, "200");
    notes.required = true;
    ASSERT_TRUE(markup.find(0) && markup.find(1) && markup.find(2) && markup.find(3) && markup.find(5));
    EXPECT_EQ(*markup.find(0), contact);
    EXPECT_EQ(*markup.find(1),
              FieldMarkup().with(Attribute::Type, "number").with(Attribute::Min, "1").with(Attribute::Max, "10"));
    EXPECT_EQ(*markup.find(2), FieldMarkup()
                                   .with(Attribute::MinLength, "5")
                                   .with(Attribute::MaxLength, "5")
                                   .with(Attribute::Pattern, "\\d{5}")
                                   .with(Attribute::InputMode, "numeric"));
    EXPECT_EQ(*markup.find(3), notes);
    // Words inside values, other attributes' names and values the proposal cannot use are not read.
    EXPECT_EQ(markup.find(4), nullptr);
    EXPECT_EQ(*markup.find(5), FieldMarkup().with(Attribute::Type, "url"));
}

TEST(FormScannerMarkup, TheFirstTagOfAFieldDecides) {
    const ScanResult result = scanPage("<form action=x><input name=a><input name=a type=email required>"
                                       "<select name=b required></select><input name=b type=number></form>",
                                       {});
    EXPECT_EQ(result.markup.find(0), nullptr);
    ASSERT_TRUE(result.markup.find(1));
    EXPECT_TRUE(result.markup.find(1)->required);
    EXPECT_FALSE(result.markup.find(1)->get(velmoraine::rules::FieldMarkup::Attribute::Type));
}

TEST(FormScannerMarkup, ATagIsReadOnlyUpToTheNextAngle) {
    // A tag without ">" is read up to the next "<": the next field's attributes are its own.
    const ScanResult result = scanPage("<form action=x><input name=a <input name=b required></form>", {});
    EXPECT_EQ(result.fields, (Names{"a", "b"}));
    EXPECT_EQ(result.markup.find(0), nullptr);
    ASSERT_TRUE(result.markup.find(1));
    EXPECT_TRUE(result.markup.find(1)->required);
}

TEST(FormScannerPathological, ManyOpenFieldTagsWithMarkupStayLinear) {
    std::string page = "<form action=x>";
    for (int i = 0; i < 100000; ++i) {
        page += "<input required maxlength=9 name=f" + std::to_string(i) + ' ';
    }
    const ScanResult result = scanPage(page, {});
    ASSERT_EQ(result.fields.size(), 100000u);
    EXPECT_EQ(result.markup.size(), 100000u);
    EXPECT_EQ(result.markup.find(99999)->get(velmoraine::rules::FieldMarkup::Attribute::MaxLength), "9");
}
