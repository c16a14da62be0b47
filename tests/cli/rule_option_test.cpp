#include "cli/rule_option.h"

#include <gtest/gtest.h>

namespace velmoraine::cli {
namespace {

using rules::RuleKind;

RuleOption parsed(std::string_view text) {
    std::string error;
    std::optional<RuleOption> option = parseRuleOption(text, error);
    EXPECT_TRUE(option.has_value()) << text << ": " << error;
    return option.value_or(RuleOption{});
}

std::string refusal(std::string_view text) {
    std::string error;
    EXPECT_FALSE(parseRuleOption(text, error).has_value()) << text;
    return error;
}

TEST(RuleOption, FieldAloneTakesTheProposal) {
    const RuleOption option = parsed("zip");
    EXPECT_EQ(option.field, "zip");
    EXPECT_FALSE(option.kind);
    const rules::RuleSettings settings = settingsFor(option);
    EXPECT_EQ(settings.kind, RuleKind::DigitSequence);
    EXPECT_EQ(settings.seqMin, "5");
    EXPECT_EQ(settings.seqMax, "9");
    EXPECT_EQ(settings.punct, "-");
    EXPECT_EQ(settings.minChars, "1");
}

TEST(RuleOption, KindStartsFromTheEditorsBoxesAndItsMessage) {
    const rules::RuleSettings settings = settingsFor(parsed("zip=digits"));
    EXPECT_EQ(settings.kind, RuleKind::DigitSequence);
    EXPECT_EQ(settings.seqMin, "10");
    EXPECT_EQ(settings.seqMax, "0");
    EXPECT_EQ(settings.punct, " ()-+");
    EXPECT_FALSE(settings.blankAllowed);
    EXPECT_EQ(settings.message, "The value in field \"zip\" is not valid.");
    EXPECT_EQ(settingsFor(parsed("x=email")).message, "Please enter a valid email address");
}

TEST(RuleOption, LimitsGoToTheKindsBoxes) {
    const rules::RuleSettings filled = settingsFor(parsed("a=filled,min=2,max=9"));
    EXPECT_EQ(filled.minChars, "2");
    EXPECT_EQ(filled.maxChars, "9");
    EXPECT_EQ(filled.seqMin, "10");
    const rules::RuleSettings digits = settingsFor(parsed("a=digits,min=3,max=4,punct=/"));
    EXPECT_EQ(digits.seqMin, "3");
    EXPECT_EQ(digits.seqMax, "4");
    EXPECT_EQ(digits.punct, "/");
    EXPECT_EQ(digits.minChars, "1");
    const rules::RuleSettings number = settingsFor(parsed("a=number,min=-5,max=,blank=Yes"));
    EXPECT_EQ(number.numMin, "-5");
    EXPECT_EQ(number.numMax, "");
    EXPECT_TRUE(number.blankAllowed);
}

TEST(RuleOption, MessageKeepsItsCommasAndEquals) {
    const RuleOption option = parsed("a=filled,message=Hi, there, min=3 is fine,blank=1");
    EXPECT_EQ(settingsFor(option).message, "Hi, there, min=3 is fine");
    EXPECT_TRUE(settingsFor(option).blankAllowed);
}

TEST(RuleOption, SplitsAtTheFirstEqualsFollowedByAKind) {
    EXPECT_EQ(parsed("a=b=digits,max=4").field, "a=b");
    EXPECT_EQ(parsed("a=emails=email").field, "a=emails");
    const RuleOption plain = parsed("a=b");
    EXPECT_EQ(plain.field, "a=b");
    EXPECT_FALSE(plain.kind);
    EXPECT_TRUE(plain.kindMaybeMisspelt);
    EXPECT_FALSE(parsed("a,b").kindMaybeMisspelt);
}

TEST(RuleOption, RefusesWhatDoesNotFit) {
    EXPECT_NE(refusal("=filled"), "");
    EXPECT_NE(refusal("a=filled,"), "");
    EXPECT_NE(refusal("a=filled,size=3"), "");
    EXPECT_NE(refusal("a=email,min=3"), "");
    EXPECT_NE(refusal("a=number,punct=-"), "");
    EXPECT_NE(refusal("a=filled,blank=maybe"), "");
    EXPECT_NE(refusal("a=filled,Min=3"), "");
}

} // namespace
} // namespace velmoraine::cli
