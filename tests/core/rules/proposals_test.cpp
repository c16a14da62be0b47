#include "core/rules/proposals.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace velmoraine::rules;

// The rows of the name table in order of precedence: the first whose words occur in the
// lower-cased name gives the kind, the message and, for phone, zip and date, the sequence
// values. Nothing else is proposed from a name.
TEST(Proposals, RowsInOrderOfPrecedence) {
    const std::string email = "Please enter a valid email address.";
    const std::string zip = "Please enter a valid zip code.";
    const std::string date = "Please enter a date in the format dd/mm/yy.";
    const auto number = [](const std::string &name) { return "Field \"" + name + "\" must contain a valid number."; };
    const auto filledIn = [](const std::string &name) { return "Field \"" + name + "\" must be filled in."; };
    const SequenceValues zipValues{"5", "9", "-"};
    const SequenceValues dateValues{"6", "6", "-/"};
    struct Row {
        std::string field;
        RuleKind kind;
        std::string message;
        std::optional<SequenceValues> sequence;
    };
    const Row rows[] = {
        {"Email", RuleKind::Email, email, std::nullopt},
        {"E-Mail", RuleKind::Email, email, std::nullopt},
        {"your_e_mail", RuleKind::Email, email, std::nullopt},
        {"email_zip", RuleKind::Email, email, std::nullopt},
        {"mail", RuleKind::FilledIn, filledIn("mail"), std::nullopt},
        {"ZIP", RuleKind::DigitSequence, zip, zipValues},
        {"zipcode", RuleKind::DigitSequence, zip, zipValues},
        {"fax_number", RuleKind::DigitSequence, "Please enter a valid phone number with area code.",
         SequenceValues{"10", "10", " ()-+"}},
        {"update", RuleKind::DigitSequence, date, dateValues},
        {"candidate", RuleKind::DigitSequence, date, dateValues},
        {"message", RuleKind::NumberValue, number("message"), std::nullopt},
        {"page", RuleKind::NumberValue, number("page"), std::nullopt},
        {"language", RuleKind::NumberValue, number("language"), std::nullopt},
        {"number", RuleKind::NumberValue, number("number"), std::nullopt},
        {"quantity", RuleKind::NumberValue, number("quantity"), std::nullopt},
        {"Price", RuleKind::NumberValue, number("Price"), std::nullopt},
        // The filled-in row keeps the name's case; only A-Z are folded, other bytes stay as they are.
        {"FirstName", RuleKind::FilledIn, filledIn("FirstName"), std::nullopt},
        {"\xC3\x89MAIL", RuleKind::FilledIn, filledIn("\xC3\x89MAIL"), std::nullopt},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.field);
        const Proposal proposal = proposeFor(row.field);
        EXPECT_EQ(proposal.kind, row.kind);
        EXPECT_EQ(proposal.message, row.message);
        ASSERT_EQ(proposal.sequence.has_value(), row.sequence.has_value());
        if (row.sequence) {
            EXPECT_EQ(proposal.sequence->seqMin, row.sequence->seqMin);
            EXPECT_EQ(proposal.sequence->seqMax, row.sequence->seqMax);
            EXPECT_EQ(proposal.sequence->punct, row.sequence->punct);
        }
        EXPECT_FALSE(proposal.minChars || proposal.maxChars || proposal.numMin || proposal.numMax ||
                     proposal.blankAllowed);
    }
}

TEST(Proposals, ApplyChangesOnlyKindMessageAndSequenceBoxes) {
    RuleSettings settings;
    settings.minChars = "3";
    settings.blankAllowed = true;
    applyProposal(proposeFor("zip"), settings);
    applyProposal(proposeFor("comments"), settings);
    EXPECT_EQ(settings.kind, RuleKind::FilledIn);
    EXPECT_EQ(settings.message, "Field \"comments\" must be filled in.");
    EXPECT_EQ(settings.seqMin, "5");
    EXPECT_EQ(settings.seqMax, "9");
    EXPECT_EQ(settings.punct, "-");
    EXPECT_EQ(settings.minChars, "3");
    EXPECT_TRUE(settings.blankAllowed);
}

TEST(Proposals, KindMessages) {
    EXPECT_EQ(kindMessage(RuleKind::Email, std::nullopt), "Please enter a valid email address");
    EXPECT_FALSE(kindMessage(RuleKind::FilledIn, std::nullopt));
    EXPECT_EQ(kindMessage(RuleKind::FilledIn, "a"), "Field \"a\" must be filled in.");
    EXPECT_EQ(kindMessage(RuleKind::DigitSequence, "a"), "The value in field \"a\" is not valid.");
    EXPECT_EQ(kindMessage(RuleKind::NumberValue, "a"), "Field 'a' must contain a valid number.");
    EXPECT_EQ(preset(Preset::Phone).message, "Please enter a valid phone number with area code.");
}
