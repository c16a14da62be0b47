// The earlier tools' checks that go when their rules are imported: the generated validator
// script with its markers, the MM_validateForm calls of the form's handlers; and nothing of
// the sort without an import.
#include "core/rewrite/earlier_checks.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/rewrite/page_rewriter.h"
#include "core/rewrite/reference_rewrite.h"

namespace velmoraine::rewrite {
namespace {

const std::vector<std::string> kImported = {"email", "name", "note"};

// A page with `head` in its head and `fields` in its form; after the form, a field whose call
// must stay, as everything outside the form does.
std::string
pageWith(std::string_view head, std::string_view fields,
         std::string_view formTag = "<form name=\"f\" onsubmit=\"return FrontPage_Form1_Validator(this)\">") {
    return "<html><head>" + std::string(head) + "</head><body>" + std::string(formTag) + std::string(fields) +
           "</form><input name=\"email\" onblur=\"MM_validateForm('email','','R')\"></body></html>";
}

std::string rewritten(const std::string &page, const std::vector<std::string> *legacy) {
    RewriteInput input{page, "", 1, "", 1, nullptr};
    input.legacyFields = legacy;
    const RewriteResult fast = rewritePage(input);
    const RewriteResult plain = reference::rewritePage(input);
    EXPECT_TRUE(fast.output && plain.output);
    EXPECT_EQ(fast.output.value_or(""), plain.output.value_or(""));
    return fast.output.value_or("");
}

TEST(EarlierChecks, GoWhenImportedAndOnlyThen) {
    const struct {
        const char *what;
        std::string head;
        std::string fields;
        std::string expectedHead; // with the import
        std::string expectedFields;
    } kRows[] = {
        {"generated script in upper case over lines",
         "<TITLE>t</TITLE>\r\n<!--WEBBOT BOT=\"GENERATEDSCRIPT\"\r\n  PREVIEW=\" \" STARTSPAN --><SCRIPT>\r\n"
         "function FrontPage_Form1_Validator(theForm) { return (true); }\r\n//--></SCRIPT><!--WEBBOT\r\n"
         "BOT=\"GeneratedScript\" ENDSPAN -->\r\n",
         "<input name=\"email\">", "<TITLE>t</TITLE>\r\n\r\n", "<input name=\"email\">"},
        {"generated script in the form, attributes in another order", "",
         "<input name=\"email\"><!--webbot PREVIEW=\" \" startspan bot='generatedscript' -->"
         "<script>FrontPage_Form1_Validator()</script>"
         "<!--webbot endspan bot=GeneratedScript i-checksum=\"1234\" -->x",
         "", "<input name=\"email\">x"},
        {"another form's generated script stays",
         "<!--webbot bot=\"GeneratedScript\" startspan --><script>function FrontPage_Form2_Validator(f) {}</script>"
         "<!--webbot bot=\"GeneratedScript\" endspan -->",
         "", "<script>function FrontPage_Form2_Validator(f) {}</script>", ""},
        {"start without an end", "<!--webbot bot=\"GeneratedScript\" startspan --><script>keep()</script>", "",
         "<script>keep()</script>", ""},
        {"start of another bot",
         "<!--webbot bot=\"Validation\" startspan --><b>x</b><!--webbot bot=\"GeneratedScript\" "
         "endspan -->",
         "", "<b>x</b>", ""},
        {"imported field's onBlur", "",
         "<input name=\"email\" onBlur=\"MM_validateForm('email','','RisEmail');return document.MM_returnValue\">", "",
         "<input name=\"email\">"},
        {"onChange of a field not imported", "",
         "<select name=\"size\" onChange=\"MM_validateForm('size','','R');return document.MM_returnValue\">", "",
         "<select name=\"size\" onChange=\"MM_validateForm('size','','R');return document.MM_returnValue\">"},
        {"handler keeps its other code", "",
         "<input name=\"name\" onblur=\"trim(this); MM_validateForm('name','','R');return document.MM_returnValue; "
         "upper(this)\" onfocus=\"hint()\">",
         "", "<input name=\"name\" onblur=\"trim(this); upper(this)\" onfocus=\"hint()\">"},
        {"handler left blank goes", "",
         "<textarea name=\"note\"\r\n ONCHANGE=\" MM_validateForm('note','','R');  \" rows=3></textarea>", "",
         "<textarea name=\"note\"\r\n rows=3></textarea>"},
        {"submit button naming imported fields", "",
         "<input type=\"submit\" value=\"Send\" onClick=\"MM_validateForm('document.f.email','','RisEmail','name','',"
         "'R');return document.MM_returnValue\">",
         "", "<input type=\"submit\" value=\"Send\">"},
        {"submit button naming a field not imported", "",
         "<input type=submit onclick=\"MM_validateForm('email','','R','size','','R');return document.MM_returnValue\">",
         "",
         "<input type=submit onclick=\"MM_validateForm('email','','R','size','','R');return "
         "document.MM_returnValue\">"},
        {"parenthesis inside a literal", "",
         "<input name='email' onblur='MM_validateForm(\"email\",\"\",\"R(1)\", \"name\", \")\", \"R\");"
         "return document.MM_returnValue'>",
         "", "<input name='email'>"},
        {"field not imported, call naming an imported one", "",
         "<input name=\"phone\" onkeyup=\"MM_validateForm('email','','R'); count(this)\">", "",
         "<input name=\"phone\" onkeyup=\"count(this)\">"},
        {"a call that stays keeps the returned value", "",
         "<button onclick=\"MM_validateForm('name','','R');MM_validateForm('size','','R');"
         "return document.MM_returnValue\">Go</button>",
         "", "<button onclick=\"MM_validateForm('size','','R');return document.MM_returnValue\">Go</button>"},
    };
    const std::vector<std::string> none;
    for (const auto &row : kRows) {
        const std::string page = pageWith(row.head, row.fields);
        EXPECT_EQ(rewritten(page, &kImported),
                  pageWith(row.expectedHead, row.expectedFields,
                           "<form name=\"f\" onsubmit=\"return FrontPage_Form1_Validator(this)\" >"))
            << row.what;
        // Without an import: the page as the rewrite leaves it today, the form tag with its blank
        // and the webbot comments cut.
        std::string today =
            pageWith(row.head, row.fields, "<form name=\"f\" onsubmit=\"return FrontPage_Form1_Validator(this)\" >");
        reference::removeWebbotComments(today);
        EXPECT_EQ(rewritten(page, nullptr), today) << row.what;
        EXPECT_EQ(rewritten(page, &none), today) << row.what;
    }
}

TEST(EarlierChecks, ValidateCallsAreReadAsTheirLiterals) {
    const struct {
        const char *handler;
        ValidateCalls which;
        const char *expected; // nullptr: unchanged
    } kRows[] = {
        {"MM_validateForm('x','','R');return document.MM_returnValue", ValidateCalls::All, ""},
        {"MM_validateForm ( 'x' , '' , 'R' );  a()", ValidateCalls::All, "a()"},
        {"MM_validateForm('x','','R') ; a()", ValidateCalls::All, " ; a()"},
        {"MM_validateForm('it\\'s(','','R');b()", ValidateCalls::All, "b()"},
        {"MM_validateForm('x,'','R')", ValidateCalls::All, nullptr}, // no literal between commas
        {"MM_validateForm(f,'','R')", ValidateCalls::All, nullptr},
        {"myMM_validateForm('x','','R');w.MM_validateForm('x','','R')", ValidateCalls::All, nullptr},
        {"MM_validateForm();return document.MM_returnValue;", ValidateCalls::NamingOnlyImported, ""},
        {"MM_validateForm('form1.email','','R','name','','R')", ValidateCalls::NamingOnlyImported, ""},
        {"MM_validateForm('email','','R','phone','','R')", ValidateCalls::NamingOnlyImported, nullptr},
        {"MM_validateForm('email','','R');return document.MM_returnValueX", ValidateCalls::All,
         "return document.MM_returnValueX"},
    };
    const ImportedFields imported = {"email", "name"};
    for (const auto &row : kRows) {
        const std::optional<std::string> got = withoutValidateCalls(row.handler, row.which, imported);
        EXPECT_EQ(got.has_value(), row.expected != nullptr) << row.handler;
        if (got && row.expected != nullptr) {
            EXPECT_EQ(*got, row.expected) << row.handler;
        }
    }
}

// The generated scripts cut on their own: the fast pass and the reference on texts made of the
// markers and their halves in both cases.
TEST(EarlierChecks, GeneratedScriptsCutAsTheReferenceCutsThem) {
    const std::vector<std::string> pieces = {"<!--webbot bot=\"GeneratedScript\" startspan -->",
                                             "<!--WEBBOT BOT=GENERATEDSCRIPT\nENDSPAN-->",
                                             "<!--webbot bot=\"Validation\" endspan -->",
                                             "<!--webbot startspan bot='generatedscript' -->",
                                             "<!--webbot",
                                             "<!--",
                                             "-->",
                                             " bot=GeneratedScript ",
                                             "endspan",
                                             "x"};
    std::mt19937 random(2718);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 10); i > 0; --i) {
            text += pieces[random() % pieces.size()];
        }
        std::string fast = text;
        removeGeneratedScripts(fast);
        std::string plain = text;
        reference::removeGeneratedScripts(plain);
        ASSERT_EQ(fast, plain) << text;
    }
    std::string text = "a<!--webbot bot=\"GeneratedScript\" startspan -->b<!--webbot bot=\"GeneratedScript\" "
                       "startspan -->c<!--webbot BOT=\"GeneratedScript\" endspan -->d";
    removeGeneratedScripts(text);
    EXPECT_EQ(text, "ad");
}

} // namespace
} // namespace velmoraine::rewrite
