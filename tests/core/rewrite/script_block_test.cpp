#include "core/rewrite/script_block.h"

#include <gtest/gtest.h>

using namespace velmoraine::rewrite;

namespace {
const std::string kModel = "<!-- VELMORAINE-BEGIN -->MODEL";
}

TEST(ScriptBlock, WorkedExampleStatementsAndStoredLine) {
    const std::vector<std::string> records = {"name^0^1^0^0^Field \"name\" must be filled in.",
                                              "email^1^0^Please enter a valid email address."};
    const std::string block = buildScriptBlock(kModel, records, "order");
    const std::string expected =
        "\r\n\r\n" + kModel + "\r\n" +
        "/*\r\n//VLDATA:name^0^1^0^0^Field \"name\" must be filled in.:;email^1^0^Please enter a valid email "
        "address.:;\r\n*/\r\n"
        "b=0;\r\n"
        "errmsg=\"Field \\\"name\\\" must be filled in.\";\r\n"
        "min=1;\r\n"
        "max=0;\r\n"
        "if (! velmoraine_filledin(document.order.name) ) return false ;\r\n"
        "\r\n"
        "b=0;\r\n"
        "errmsg=\"Please enter a valid email address.\";\r\n"
        "if (! velmoraine_email(document.order.email) ) return false ;\r\n"
        "\r\n"
        "\r\n}\r\n-->\r\n</script>\r\n<!-- VELMORAINE-END -->\r\n";
    EXPECT_EQ(block, expected);
}

TEST(ScriptBlock, DigitSequenceStatementsInTheirOrder) {
    std::string out;
    appendCheckStatements(out, "phone^2^10^10^ ()-+^1^Please enter a valid phone number with area code.", "f");
    EXPECT_EQ(out, "b=1;\r\nerrmsg=\"Please enter a valid phone number with area code.\";\r\npunct=\" ()-+\";\r\n"
                   "min=10;\r\nmax=10;\r\nif (! velmoraine_numseq(document.f.phone) ) return false ;\r\n\r\n");
}

TEST(ScriptBlock, NumberValueAndEmptyMessage) {
    std::string out;
    appendCheckStatements(out, "qty^3^1^0^1^", "f");
    EXPECT_EQ(out, "b=1;\r\nerrmsg=\"\";\r\nmin=1;\r\nmax=0;\r\nif (! velmoraine_number(document.f.qty) ) return "
                   "false ;\r\n\r\n");
}

TEST(ScriptBlock, UnknownKindOrEmptyNameGivesNoStatementsButIsStored) {
    std::string out;
    appendCheckStatements(out, "x^7^1^0", "f");
    appendCheckStatements(out, "^0^1^0^0^m", "f");
    appendCheckStatements(out, "x^01^0^m", "f");
    appendCheckStatements(out, "plain", "f");
    EXPECT_EQ(out, "");
    const std::string block = buildScriptBlock(kModel, {"x^7^1^0"}, "f");
    EXPECT_NE(block.find("//VLDATA:x^7^1^0:;\r\n"), std::string::npos);
}

TEST(ScriptBlock, MissingFieldsAreEmptyTexts) {
    std::string out;
    appendCheckStatements(out, "x^0", "f");
    EXPECT_EQ(out, "b=\"\";\r\nerrmsg=\"\";\r\nmin=\"\";\r\nmax=\"\";\r\nif (! velmoraine_filledin(document.f.x) ) "
                   "return false ;\r\n\r\n");
}

// Texts that would break the script are written so that it stays valid; plain texts are
// written exactly as before.
TEST(ScriptLiterals, EscapesOnlyWhatBreaksTheScript) {
    EXPECT_EQ(jsString("Say \"hi\""), "\"Say \\\"hi\\\"\"");
    EXPECT_EQ(jsString("a\\b"), "\"a\\\\b\"");
    EXPECT_EQ(jsString("</script>"), "\"<\\/script>\"");
    EXPECT_EQ(jsString("a<b"), "\"a<b\"");
    EXPECT_EQ(jsString("l1\r\nl2"), "\"l1\\r\\nl2\"");
    EXPECT_EQ(jsString(" ()-+"), "\" ()-+\"");
    EXPECT_EQ(jsString("x<"), "\"x<\"");
    // Line and paragraph separators end a string literal in older browsers.
    EXPECT_EQ(jsString("a\xE2\x80\xA8"
                       "b\xE2\x80\xA9"
                       "c"),
              "\"a\\u2028b\\u2029c\"");
    // Other characters sharing their first bytes, and a sequence cut short, stay as they are.
    EXPECT_EQ(jsString("\xE2\x80\xA6 \xE2\x82\xAC \xE2\x80"), "\"\xE2\x80\xA6 \xE2\x82\xAC \xE2\x80\"");
}

TEST(ScriptLiterals, NumbersBareEverythingElseQuoted) {
    EXPECT_EQ(jsValue("0"), "0");
    EXPECT_EQ(jsValue("-12.5"), "-12.5");
    EXPECT_EQ(jsValue(""), "\"\"");
    EXPECT_EQ(jsValue("abc"), "\"abc\"");
    EXPECT_EQ(jsValue("1."), "\"1.\"");
    EXPECT_EQ(jsValue("-"), "\"-\"");
    EXPECT_EQ(jsValue("1;alert(1)"), "\"1;alert(1)\"");
    EXPECT_EQ(jsValue(" 5"), "\" 5\"");
    // A leading zero would be read as an octal number, or break the script ("010.5").
    EXPECT_EQ(jsValue("010"), "\"010\"");
    EXPECT_EQ(jsValue("010.5"), "\"010.5\"");
    EXPECT_EQ(jsValue("0.5"), "0.5");
    EXPECT_EQ(jsValue("-0"), "-0");
}

TEST(ScriptLiterals, IdentifiersWithDotsOthersInBrackets) {
    EXPECT_EQ(jsMember("document", "order"), "document.order");
    EXPECT_EQ(jsMember("document", "$_a9"), "document.$_a9");
    EXPECT_EQ(jsMember("document.order", "first-name"), "document.order[\"first-name\"]");
    EXPECT_EQ(jsMember("document", "my form"), "document[\"my form\"]");
    EXPECT_EQ(jsMember("document", "9lives"), "document[\"9lives\"]");
    EXPECT_EQ(jsMember("document", "caf\xC3\xA9"), "document[\"caf\xC3\xA9\"]");
}
