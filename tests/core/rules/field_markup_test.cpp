#include "core/rules/field_markup.h"

#include <gtest/gtest.h>

using namespace velmoraine::rules;

namespace {

using Attribute = FieldMarkup::Attribute;

FieldMarkup typed(std::string_view type) { return FieldMarkup().with(Attribute::Type, type); }

} // namespace

TEST(MarkupProposals, NothingDeclaredIsTheNameProposalByteForByte) {
    for (const char *name : {"email", "zip", "fax", "update", "qty", "FirstName"}) {
        const Proposal fromName = proposeFor(name);
        const Proposal fromMarkup = proposeFor(name, FieldMarkup{});
        EXPECT_EQ(fromMarkup.kind, fromName.kind) << name;
        EXPECT_EQ(fromMarkup.message, fromName.message) << name;
        EXPECT_EQ(fromMarkup.sequence.has_value(), fromName.sequence.has_value()) << name;
        EXPECT_FALSE(fromMarkup.minChars || fromMarkup.maxChars || fromMarkup.numMin || fromMarkup.numMax ||
                     fromMarkup.blankAllowed)
            << name;
    }
}

// The markup decides the kind before the name: each row a name whose table row would differ.
TEST(MarkupProposals, DeclaredKindWinsOverTheName) {
    struct Case {
        const char *name;
        FieldMarkup markup;
        RuleKind kind;
        const char *message;
        const char *seqMin; // nullptr: no sequence values
        const char *seqMax;
        const char *punct;
    };
    const FieldMarkup zipPattern = FieldMarkup().with(Attribute::Pattern, "\\d{5}");
    const FieldMarkup rangePattern = FieldMarkup().with(Attribute::Pattern, "[0-9]{3,4}");
    const FieldMarkup numeric = FieldMarkup()
                                    .with(Attribute::InputMode, "numeric")
                                    .with(Attribute::MinLength, "4")
                                    .with(Attribute::MaxLength, "6");
    const FieldMarkup decimal = FieldMarkup().with(Attribute::InputMode, "decimal");
    const Case cases[] = {
        {"contact", typed("email"), RuleKind::Email, "Please enter a valid email address.", nullptr, nullptr, nullptr},
        {"zip", typed("number"), RuleKind::NumberValue, "Field \"zip\" must contain a valid number.", nullptr, nullptr,
         nullptr},
        {"email", typed("tel"), RuleKind::DigitSequence, "Please enter a valid phone number with area code.", "10",
         "10", " ()-+"},
        {"homepage", typed("url"), RuleKind::FilledIn, "Field \"homepage\" must be filled in.", nullptr, nullptr,
         nullptr},
        {"when", typed("date"), RuleKind::DigitSequence, "The value in field \"when\" is not valid.", "8", "8", "-"},
        {"code", zipPattern, RuleKind::DigitSequence, "The value in field \"code\" is not valid.", "5", "5", ""},
        {"phone", rangePattern, RuleKind::DigitSequence, "The value in field \"phone\" is not valid.", "3", "4", ""},
        {"pin", numeric, RuleKind::DigitSequence, "The value in field \"pin\" is not valid.", "4", "6", ""},
        {"weight", decimal, RuleKind::NumberValue, "Field \"weight\" must contain a valid number.", nullptr, nullptr,
         nullptr},
    };
    for (const Case &c : cases) {
        const Proposal proposal = proposeFor(c.name, c.markup);
        EXPECT_EQ(proposal.kind, c.kind) << c.name;
        EXPECT_EQ(proposal.message, c.message) << c.name;
        ASSERT_EQ(proposal.sequence.has_value(), c.seqMin != nullptr) << c.name;
        if (c.seqMin) {
            EXPECT_EQ(proposal.sequence->seqMin, c.seqMin) << c.name;
            EXPECT_EQ(proposal.sequence->seqMax, c.seqMax) << c.name;
            EXPECT_EQ(proposal.sequence->punct, c.punct) << c.name;
        }
    }
}

TEST(MarkupProposals, BoxesFilledOnlyWhereDeclared) {
    RuleSettings settings;
    settings.minChars = "3";
    settings.maxChars = "7";
    settings.numMin = "2";
    settings.numMax = "9";
    settings.blankAllowed = true;

    FieldMarkup required = FieldMarkup().with(Attribute::MaxLength, "5");
    required.required = true;
    applyProposal(proposeFor("zip", required), settings);
    // The name row stands (zip preset); only the declared boxes changed.
    EXPECT_EQ(settings.kind, RuleKind::DigitSequence);
    EXPECT_EQ(settings.message, "Please enter a valid zip code.");
    EXPECT_EQ(settings.seqMin, "5");
    EXPECT_FALSE(settings.blankAllowed);
    EXPECT_EQ(settings.minChars, "3");
    EXPECT_EQ(settings.maxChars, "5");
    EXPECT_EQ(settings.numMin, "2");

    const FieldMarkup limits = typed("number").with(Attribute::Min, "1").with(Attribute::Max, "10");
    applyProposal(proposeFor("qty", limits), settings);
    EXPECT_EQ(settings.kind, RuleKind::NumberValue);
    EXPECT_EQ(settings.numMin, "1");
    EXPECT_EQ(settings.numMax, "10");
    EXPECT_EQ(settings.maxChars, "5");
    EXPECT_FALSE(settings.blankAllowed); // not declared this time: left as it was
}

TEST(MarkupProposals, ValuesKeepTheirPlacesWhateverTheOrderSet) {
    FieldMarkup markup = FieldMarkup().with(Attribute::Max, "10").with(Attribute::Type, "number");
    markup.set(Attribute::Max, "1000");
    markup.set(Attribute::MinLength, "");
    EXPECT_EQ(markup.get(Attribute::Type), "number");
    EXPECT_EQ(markup.get(Attribute::Max), "1000");
    EXPECT_EQ(markup.get(Attribute::MinLength), "");
    EXPECT_FALSE(markup.get(Attribute::Min));
    EXPECT_FALSE(markup.declaresNothing());
    EXPECT_EQ(
        markup,
        FieldMarkup().with(Attribute::Type, "number").with(Attribute::MinLength, "").with(Attribute::Max, "1000"));
    EXPECT_TRUE(FieldMarkup().declaresNothing());
}

TEST(MarkupProposals, DigitPatterns) {
    struct Case {
        const char *pattern;
        const char *min; // nullptr: not a simple digit pattern
        const char *max;
    };
    const Case cases[] = {
        {"\\d{5}", "5", "5"},        {"[0-9]{3,4}", "3", "4"},
        {"^\\d{2,}$", "2", "0"},     {"\\d+", "1", "0"},
        {"[0-9]*", "0", "0"},        {"\\d{4,2}", nullptr, ""},
        {"[a-z]{3}", nullptr, ""},   {"\\d{5}-\\d{4}", nullptr, ""},
        {"\\d{99999}", nullptr, ""}, {"\\d{}", nullptr, ""},
        {"", nullptr, ""},
    };
    for (const Case &c : cases) {
        const auto lengths = readDigitPattern(c.pattern);
        ASSERT_EQ(lengths.has_value(), c.min != nullptr) << c.pattern;
        if (c.min) {
            EXPECT_EQ(lengths->min, c.min) << c.pattern;
            EXPECT_EQ(lengths->max, c.max) << c.pattern;
        }
    }
}
