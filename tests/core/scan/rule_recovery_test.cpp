#include "core/scan/rule_recovery.h"

#include <gtest/gtest.h>

#include <optional>

using namespace velmoraine;
using Texts = std::vector<std::string>;

// The stored rules of a page: the first "//VLDATA:" line, up to its carriage return (or, without
// one, its line feed), items ended by ":;", each kept whole unless too short.
TEST(RuleRecovery, RestoresTheStoredRecords) {
    struct Row {
        const char *name;
        std::string page;
        Texts records;
        std::optional<Texts> displays; // nullopt: not what the row is about
    };
    const Row rows[] = {
        {"RestoresRecordsWithRestoredDisplayTexts",
         "x\r\n//VLDATA:name^0^1^0^0^Field \"name\" must be filled in.:;"
         "email^1^0^Please enter a valid email address.:;\r\n*/",
         {"name^0^1^0^0^Field \"name\" must be filled in.", "email^1^0^Please enter a valid email address."},
         Texts{"name (filled-in)", "email (email)"}},
        {"NothingWithoutMarker", "no marker", {}, Texts{}},
        {"NothingWithoutLineEnd", "//VLDATA:abcde^1^0^m:;", {}, Texts{}},
        {"NothingWithoutSeparator", "//VLDATA:abcde^1^0^m\r\n", {}, Texts{}},
        {"NothingWhenEveryItemIsShort", "//VLDATA:abcd:;ab:;\r\n", {}, Texts{}},
        {"ShortItemsSkippedOthersKeptWhole",
         "//VLDATA:x^1^0^:;abcd:;plain:;k^7^1:;n^ 2^3:;tail\r\n",
         {"x^1^0^", "plain", "k^7^1", "n^ 2^3"},
         Texts{"x (email)", "plain", "k", "n (number sequence)"}},
        // With a carriage return further on, the line runs past the line feeds to it.
        {"CarriageReturnFirst",
         "//VLDATA:aaaa^0^1^0^0^m:;\nbbbb^1^0^n:;\nrest\r\n",
         {"aaaa^0^1^0^0^m", "\nbbbb^1^0^n"},
         std::nullopt},
        {"ThenLineFeed", "//VLDATA:aaaa^0^1^0^0^m:;\nbbbb^1^0^n:;\n", {"aaaa^0^1^0^0^m"}, std::nullopt},
        {"OnlyTheFirstLineCountsAndDuplicatesStay",
         "//VLDATA:same^1^0^a:;same^1^0^b:;\r\n//VLDATA:other^1^0^c:;\r\n",
         {"same^1^0^a", "same^1^0^b"},
         std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        rules::RuleList list;
        scan::recoverRules(row.page, list);
        EXPECT_EQ(list.records(), row.records);
        EXPECT_EQ(list.displays().size(), list.records().size());
        if (row.displays) {
            EXPECT_EQ(list.displays(), *row.displays);
        }
    }
}
