#include "core/rewrite/page_rewriter.h"
#include "core/rewrite/reference_rewrite.h"

#include <random>

#include <gtest/gtest.h>

using velmoraine::rewrite::removeScriptBlock;
using velmoraine::rewrite::removeWebbotComments;

namespace {

std::string removed(std::string text) {
    removeWebbotComments(text);
    return text;
}

} // namespace

TEST(WebbotComments, EveryCommentGoesAndTheRestStays) {
    EXPECT_EQ(removed("a<!--webbot bot=\"x\" -->b<!--webbot y -->c"), "abc");
    EXPECT_EQ(removed("no comments"), "no comments");
    EXPECT_EQ(removed("a<!--webbot open only"), "a<!--webbot open only");
    EXPECT_EQ(removed("a<!--webbot x -->b<!--webbot open"), "ab<!--webbot open");
}

TEST(WebbotComments, NestedOpenerEndsAtTheFirstClose) {
    EXPECT_EQ(removed("a<!--webbot <!--webbot x --> y -->z"), "a y -->z");
}

TEST(WebbotComments, OpenerFormedByACutIsRemovedToo) {
    // Cutting the inner comment joins "<!--web" and "bot ... -->" into a new comment.
    EXPECT_EQ(removed("x<!--web<!--webbot a -->bot b -->y"), "xy");
    EXPECT_EQ(removed("<<!--webbot-->!--webbot-->z"), "z");
    EXPECT_EQ(removed("x<!--web<!--webbot a -->bot open"), "x<!--webbot open");
}

TEST(WebbotComments, MatchesTheRepeatedSearchOnRandomPieces) {
    const std::vector<std::string> pieces = {"<!--webbot", "<!--web", "bot", "<!--",   "-->", "--",
                                             ">",          "<",       "x",   "webbot", "!",   "-"};
    std::mt19937 random(12345);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) {
            text += pieces[random() % pieces.size()];
        }
        std::string plain = text;
        velmoraine::rewrite::reference::removeWebbotComments(plain);
        ASSERT_EQ(removed(text), plain) << text;
    }
}

TEST(ScriptBlockRemoval, RemovesFromBeginMarkerThroughEndMarkerAngle) {
    std::string text = "a\r\n<!-- VELMORAINE-BEGIN x <!-- VELMORAINE-END -->\r\nb";
    EXPECT_TRUE(removeScriptBlock(text));
    EXPECT_EQ(text, "a\r\n\r\nb");
    std::string unended = "a<!-- VELMORAINE-BEGIN x";
    EXPECT_FALSE(removeScriptBlock(unended));
    EXPECT_EQ(unended, "a<!-- VELMORAINE-BEGIN x");
}
