#include "core/scan/legacy_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/scan/form_scanner.h"

using namespace velmoraine::scan;

namespace {

// The form's fields and what was read back: "record" for a rule, "-field: reason" for one not
// imported, in that order.
std::vector<std::string> readBack(const std::string &body) {
    const std::string page = "<html><body><form action=x>" + body + "</form></body></html>";
    const ScanResult scanned = scanPage(page, {});
    std::vector<std::string> out;
    for (const ImportedRule &rule : scanned.legacy.rules) {
        out.push_back(rule.record);
    }
    for (const NotImported &skipped : scanned.legacy.notImported) {
        out.push_back("-" + skipped.field + ": " + skipped.reason);
    }
    return out;
}

} // namespace

// One row per kind of validation an earlier tool wrote, and what it becomes.
TEST(LegacyRules, EachOldCheckBecomesTheClosestRuleOrSaysWhyNot) {
    struct Row {
        const char *name;
        std::string body;
        std::vector<std::string> expected;
    };
    const std::string number = " must contain a valid number.";
    const Row rows[] = {
        {"RequiredWithLengthsAndDisplayName",
         "<!--webbot bot=\"Validation\" S-Display-Name=\"Your name\" B-Value-Required=\"TRUE\" I-Minimum-Length=\"2\" "
         "I-Maximum-Length=\"40\" --><input name=\"n\">",
         {"n^0^2^40^0^Field \"Your name\" must be filled in."}},
        {"UpperCaseSpreadOverLines",
         "<!--WEBBOT\r\n   BOT=\"Validation\"\r\n   B-VALUE-REQUIRED=\"TRUE\" -->\r\n  <INPUT NAME=\"city\">",
         {"city^0^1^0^0^Field \"city\" must be filled in."}},
        {"IntegerWithEachBound",
         "<!--webbot bot=\"Validation\" S-Data-Type=\"Integer\" S-Validation-Constraint=\"Greater than\" "
         "S-Validation-Value=\"0\" S-Validation-Constraint=\"Less than\" S-Validation-Value=\"100\" -->"
         "<input name=\"qty\">",
         {"qty^3^1^99^1^Field 'qty'" + number}},
        {"NumberInclusive",
         "<!--webbot bot=\"Validation\" S-Data-Type=\"Number\" S-Number-Separators=\"x.\" B-Value-Required=\"TRUE\" "
         "S-Validation-Constraint=\"Greater than or equal to\" S-Validation-Value=\"-2.5\" "
         "S-Validation-Constraint=\"Less than or equal to\" S-Validation-Value=\"7.5\" --><input name=\"t\">",
         {"t^3^-2.5^7.5^0^Field 't'" + number}},
        {"NumberStrictBoundIsNotKept",
         "<!--webbot bot=\"Validation\" S-Data-Type=\"Number\" S-Validation-Constraint=\"Greater than\" "
         "S-Validation-Value=\"1\" --><input name=\"w\">",
         {"-w: the constraint \"Greater than\" cannot be kept"}},
        {"ZeroLimitIsNotKept",
         "<!--webbot bot=\"Validation\" S-Data-Type=\"Integer\" S-Validation-Constraint=\"Greater than or equal to\" "
         "S-Validation-Value=\"0\" --><input name=\"z\">",
         {"-z: a limit of 0 cannot be kept: 0 means no limit in a number rule"}},
        {"DecimalComma",
         "<!--webbot bot=\"Validation\" S-Data-Type=\"Number\" S-Number-Separators=\".,\" --><input name=\"p\">",
         {"-p: a decimal mark other than \".\" cannot be checked"}},
        {"DigitsWithOtherCharacters",
         "<!--webbot bot=\"Validation\" B-Allow-Digits=\"TRUE\" B-Allow-WhiteSpace=\"TRUE\" "
         "S-Allow-Other-Chars=\"-()\" "
         "I-Minimum-Length=\"7\" --><input name=\"tel\">",
         {"tel^2^7^0^-() ^1^The value in field \"tel\" is not valid."}},
        {"LettersOnly",
         "<!--webbot bot=\"Validation\" B-Allow-Letters=\"TRUE\" B-Value-Required=\"TRUE\" --><input name=\"l\">",
         {"-l: letters only: no rule checks for letters"}},
        {"CommentNotRightBeforeTheField",
         "<!--webbot bot=\"Validation\" B-Value-Required=\"TRUE\" -->Name: <input name=\"far\">",
         {}},
        {"EveryMmCode",
         "<input name=\"a\"><input name=\"b\"><input name=\"c\"><input name=\"d\"><input name=\"e\"><input name=\"f\">"
         "<input type=submit onClick=\"MM_validateForm('a','','R','b','','NisEmail','c','','RisNum',"
         "'document.form1.d','','NinRange-10:-2','e','','N','f','','RisDate');return document.MM_returnValue\">",
         {"a^0^1^0^0^Field \"a\" must be filled in.", "b^1^1^Please enter a valid email address",
          "c^3^0^0^0^Field 'c'" + number, "d^3^-10^-2^1^Field 'd'" + number, "-e: nothing is checked",
          "-f: the code \"RisDate\" is not known"}},
        {"SeveralCallsFirstWinsAndUnknownField",
         "<input name=\"m\" onBlur=\"MM_validateForm('m','','RisEmail');return document.MM_returnValue\">"
         "<input type=button onClick=\"MM_validateForm('m','','R','ghost','','R')\">",
         {"m^1^0^Please enter a valid email address", "-ghost: the form has no field of that name"}},
        {"RulesInFieldOrderByFirstPlace",
         "<input name=\"a\" onBlur=\"MM_validateForm('a','','R','c','','R')\">"
         "<!--webbot bot=\"Validation\" B-Value-Required=\"TRUE\" --><input name=\"b\"><input name=\"c\">"
         "<input name=\"a\">",
         {"a^0^1^0^0^Field \"a\" must be filled in.", "b^0^1^0^0^Field \"b\" must be filled in.",
          "c^0^1^0^0^Field \"c\" must be filled in."}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readBack(row.body), row.expected);
    }
}

// A stored rule wins over an earlier tool's for the same field; FrontPage's mail address is
// read from the form.
TEST(LegacyRules, StoredRulesWinAndResultsAddressesAreNamed) {
    const std::string page =
        "<html><body><form action=x><!--webbot bot=\"SaveResults\" S-Email-Address=\"orders@example.com\" -->"
        "<!--webbot bot=\"Validation\" B-Value-Required=\"TRUE\" --><input name=\"a\"></form>"
        "<script>/*\r\n//VLDATA:a^1^0^Stored.:;\r\n*/</script></body></html>";
    const ScanResult scanned = scanPage(page, {});
    EXPECT_TRUE(scanned.legacy.rules.empty());
    ASSERT_EQ(scanned.legacy.notImported.size(), 1u);
    EXPECT_EQ(scanned.legacy.notImported[0].reason, "the page stores a rule for it, which is kept");
    EXPECT_EQ(scanned.legacy.resultsMailedTo, std::vector<std::string>{"orders@example.com"});
}
