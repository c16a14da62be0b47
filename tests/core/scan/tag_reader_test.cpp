#include "core/scan/tag_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace velmoraine::scan;

namespace {

constexpr TagSyntax kDefault{};
constexpr TagSyntax kEveryName{.slash = TagSyntax::Slash::EndsNames};
constexpr TagSyntax kToTheEnd{.openQuote = TagSyntax::OpenQuote::RunsToEnd};
constexpr TagSyntax kSeparates{.angle = TagSyntax::Angle::Separates, .openQuote = TagSyntax::OpenQuote::RunsToEnd};
constexpr TagSyntax kPlain{
    .angle = TagSyntax::Angle::Plain, .slash = TagSyntax::Slash::Plain, .openQuote = TagSyntax::OpenQuote::RunsToEnd};

// The attributes as "name=value" (or "name" without "="), then "@" and the close, "-" for none.
std::string shown(const std::vector<TagAttribute> &attributes, std::size_t close) {
    std::string out;
    for (const TagAttribute &attribute : attributes) {
        out += std::string(attribute.name) + (attribute.hasValue ? "=" + std::string(attribute.value) : "") + " ";
    }
    return out + "@" + (close == std::string_view::npos ? "-" : std::to_string(close));
}

} // namespace

// Where the options differ, and what every reading shares.
TEST(TagReader, EachOptionReadsItsOwnDifference) {
    struct Row {
        const char *name;
        TagSyntax syntax;
        std::string text;
        std::string expected; // "<" + the tag's name + ">" first, for a tag
    };
    const Row rows[] = {
        {"BlanksAroundTheEquals", kDefault, "<A  X = \"1\"\ty='2' z=3>", "<a> X=1 y=2 z=3 @21"},
        {"SlashEndsANameOnlyBeforeTheAngle", kDefault, "<p a/lang=de c/>", "<p> a/lang=de c @15"},
        {"SlashEndsEveryName", kEveryName, "<p a/lang=de c/>", "<p> a lang=de c @15"},
        {"EqualsInTheTagsName", kDefault, "<input=x name=a>", "<input=x> name=a @15"},
        {"EqualsEndsTheTagsName", kEveryName, "<input=x name=a>", "<input> =x name=a @15"},
        {"EndTagHasNoName", kDefault, "</Label>", "<> Label @7"},
        {"AngleInsideQuotesIsValue", kDefault, "<i v=\"a>b\">", "<i> v=a>b @10"},
        {"OpenQuoteEndsTheReading", kDefault, "<i a=1 v=\"x> b=2", "<i> a=1 @-"},
        {"OpenQuoteRunsToTheEnd", kToTheEnd, "<i a=1 v=\"x> b=2", "<i> a=1 v=x> b=2 @-"},
        {"NoAngleNoClose", kDefault, "<i a=1 b", "<i> a=1 b @-"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Tag tag = readTag(row.text, row.syntax);
        EXPECT_EQ("<" + tag.name + "> " + shown(tag.attributes, tag.close), row.expected);
    }
    const Row texts[] = {
        {"AnglesEndTheTag", kDefault, "a=1 <b=2> c=3", "a=1 <b=2 @8"},
        {"AnglesSeparate", kSeparates, "a=1 <b=2> c=3 d=x>", "a=1 b=2 c=3 d=x @-"},
        {"AnglesAndSlashesArePlain", kPlain, "bot=x>startspan /end <a", "bot=x>startspan /end <a @-"},
    };
    for (const Row &row : texts) {
        SCOPED_TRACE(row.name);
        AttributeReader reader(row.text, 0, row.syntax);
        std::vector<TagAttribute> attributes;
        while (const std::optional<TagAttribute> attribute = reader.next()) {
            attributes.push_back(*attribute);
        }
        EXPECT_EQ(shown(attributes, reader.close()), row.expected);
        EXPECT_EQ(shown(readAttributes(row.text, row.syntax), reader.close()), row.expected);
    }
}

// Each attribute spans the separators before it, so that cutting [start, end) takes it out
// with its blank; lookups are in any case and the first one decides.
TEST(TagReader, AttributesKnowTheirPlaceAndAreFoundInAnyCase) {
    const std::string text = "<input a=1  B c=\"x\" b=2>";
    const Tag tag = readTag(text);
    ASSERT_EQ(tag.attributes.size(), 4u);
    std::string kept;
    std::size_t from = 0;
    for (const TagAttribute &attribute : tag.attributes) {
        if (attribute.name == "B") {
            kept += text.substr(from, attribute.start - from);
            from = attribute.end;
        }
    }
    kept += text.substr(from);
    EXPECT_EQ(kept, "<input a=1 c=\"x\" b=2>");
    EXPECT_EQ(findAttribute(tag.attributes, "b"), &tag.attributes[1]);
    EXPECT_EQ(attributeValue(tag.attributes, "C"), "x");
    EXPECT_EQ(attributeValue(tag.attributes, "b"), "");
    EXPECT_EQ(findAttribute(tag.attributes, "d"), nullptr);
}

// tagCloseOf and readUsualAttributes, which read the usual syntax in their own loop, against
// the whole reading, on random tags of the bytes that steer the reading, in every syntax.
TEST(TagReader, ReadingsWithoutKeepingAreTheWholeReading) {
    std::mt19937 random(2718);
    const std::string alphabet = "<>/=\"' \tabxyzabxyzabxyz";
    for (int round = 0; round < 20000; ++round) {
        std::string text = "<";
        for (std::size_t i = random() % 64; i > 0; --i) {
            text += alphabet[random() % alphabet.size()];
        }
        for (const TagSyntax &syntax : {kDefault, kEveryName, kToTheEnd, kSeparates, kPlain}) {
            ASSERT_EQ(tagCloseOf(text, syntax), readTag(text, syntax).close) << text;
        }
        const Tag tag = readTag(text);
        std::vector<TagAttribute> seen;
        const std::size_t close =
            readUsualAttributes(text, [&](std::string_view name, std::string_view value, bool hasValue) {
                seen.push_back({.name = name, .value = value, .hasValue = hasValue});
            });
        ASSERT_EQ(shown(seen, close), shown(tag.attributes, tag.close)) << text;
    }
}
