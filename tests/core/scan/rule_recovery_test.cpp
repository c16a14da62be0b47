#include "core/scan/rule_recovery.h"

#include <gtest/gtest.h>

using namespace velmoraine;
using Texts = std::vector<std::string>;

namespace {
rules::RuleList recovered(std::string_view page) {
    rules::RuleList list;
    scan::recoverRules(page, list);
    return list;
}
} // namespace

TEST(RuleRecovery, RestoresRecordsWithRestoredDisplayTexts) {
    const auto list = recovered("x\r\n//VLDATA:name^0^1^0^0^Field \"name\" must be filled in.:;"
                                "email^1^0^Please enter a valid email address.:;\r\n*/");
    EXPECT_EQ(list.records(), (Texts{"name^0^1^0^0^Field \"name\" must be filled in.",
                                     "email^1^0^Please enter a valid email address."}));
    EXPECT_EQ(list.displays(), (Texts{"name (filled-in)", "email (email)"}));
}

TEST(RuleRecovery, NothingWithoutMarkerLineEndOrSeparator) {
    EXPECT_TRUE(recovered("no marker").empty());
    EXPECT_TRUE(recovered("//VLDATA:abcde^1^0^m:;").empty());
    EXPECT_TRUE(recovered("//VLDATA:abcde^1^0^m\r\n").empty());
    EXPECT_TRUE(recovered("//VLDATA:abcd:;ab:;\r\n").empty());
}

TEST(RuleRecovery, ShortItemsSkippedOthersKeptWhole) {
    const auto list = recovered("//VLDATA:x^1^0^:;abcd:;plain:;k^7^1:;n^ 2^3:;tail\r\n");
    EXPECT_EQ(list.records(), (Texts{"x^1^0^", "plain", "k^7^1", "n^ 2^3"}));
    EXPECT_EQ(list.displays(), (Texts{"x (email)", "plain", "k", "n (number sequence)"}));
}

TEST(RuleRecovery, CarriageReturnFirstThenLineFeed) {
    // With a carriage return further on, the line runs past the line feeds to it.
    const auto crLater = recovered("//VLDATA:aaaa^0^1^0^0^m:;\nbbbb^1^0^n:;\nrest\r\n");
    EXPECT_EQ(crLater.records(), (Texts{"aaaa^0^1^0^0^m", "\nbbbb^1^0^n"}));
    const auto lfOnly = recovered("//VLDATA:aaaa^0^1^0^0^m:;\nbbbb^1^0^n:;\n");
    EXPECT_EQ(lfOnly.records(), (Texts{"aaaa^0^1^0^0^m"}));
}

TEST(RuleRecovery, OnlyTheFirstLineCountsAndDuplicatesStay) {
    const auto list = recovered("//VLDATA:same^1^0^a:;same^1^0^b:;\r\n//VLDATA:other^1^0^c:;\r\n");
    EXPECT_EQ(list.records(), (Texts{"same^1^0^a", "same^1^0^b"}));
}
