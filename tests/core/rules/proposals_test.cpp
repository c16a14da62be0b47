#include "core/rules/proposals.h"

#include <gtest/gtest.h>

using namespace velmoraine::rules;

namespace {
RuleKind kindFor(std::string_view name) { return proposeFor(name).kind; }
} // namespace

TEST(Proposals, RowsInOrderOfPrecedence) {
    for (const char *name : {"Email", "E-Mail", "your_e_mail", "email_zip"}) {
        EXPECT_EQ(kindFor(name), RuleKind::Email) << name;
    }
    EXPECT_EQ(proposeFor("Email").message, "Please enter a valid email address.");
    EXPECT_EQ(kindFor("mail"), RuleKind::FilledIn);
    for (const char *name : {"ZIP", "zipcode"}) {
        const Proposal zip = proposeFor(name);
        ASSERT_TRUE(zip.sequence) << name;
        EXPECT_EQ(zip.sequence->seqMin, "5");
        EXPECT_EQ(zip.sequence->seqMax, "9");
        EXPECT_EQ(zip.sequence->punct, "-");
        EXPECT_EQ(zip.message, "Please enter a valid zip code.");
    }
    const Proposal fax = proposeFor("fax_number");
    ASSERT_TRUE(fax.sequence);
    EXPECT_EQ(fax.sequence->punct, " ()-+");
    EXPECT_EQ(fax.sequence->seqMin, "10");
    for (const char *name : {"update", "candidate"}) {
        const Proposal date = proposeFor(name);
        ASSERT_TRUE(date.sequence) << name;
        EXPECT_EQ(date.message, "Please enter a date in the format dd/mm/yy.");
        EXPECT_EQ(date.sequence->punct, "-/");
    }
    for (const char *name : {"message", "page", "language", "number", "quantity", "Price"}) {
        EXPECT_EQ(kindFor(name), RuleKind::NumberValue) << name;
    }
    EXPECT_EQ(proposeFor("message").message, "Field \"message\" must contain a valid number.");
}

TEST(Proposals, FilledInKeepsTheNamesCase) {
    const Proposal proposal = proposeFor("FirstName");
    EXPECT_EQ(proposal.kind, RuleKind::FilledIn);
    EXPECT_EQ(proposal.message, "Field \"FirstName\" must be filled in.");
    EXPECT_FALSE(proposal.sequence);
    // Only A-Z are folded: other bytes stay as they are.
    EXPECT_EQ(kindFor("\xC3\x89MAIL"), RuleKind::FilledIn);
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
