#include "cli/utf8_text.h"

#include <gtest/gtest.h>

namespace velmoraine::cli {
namespace {

TEST(Utf8FromBytes, KeepsAsciiAndZeroBytes) {
    EXPECT_EQ(utf8FromBytes(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8FromBytes, KeepsWellFormedSequencesOfEveryLength) {
    const std::string text = "\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xf4\x8f\xbf\xbf \xed\x9f\xbf";
    EXPECT_EQ(utf8FromBytes(text), text);
}

TEST(Utf8FromBytes, TurnsALatin1ByteIntoItsCharacter) {
    EXPECT_EQ(utf8FromBytes("caf\xe9"), "caf\xc3\xa9");
    EXPECT_EQ(utf8FromBytes("\xe9t\xe9"), "\xc3\xa9t\xc3\xa9");
}

TEST(Utf8FromBytes, TakesIllFormedSequencesByteByByte) {
    EXPECT_EQ(utf8FromBytes("\xc0\xaf"), "\xc3\x80\xc2\xaf");                         // overlong "/"
    EXPECT_EQ(utf8FromBytes("\xe0\x80\xaf"), "\xc3\xa0\xc2\x80\xc2\xaf");             // overlong, three bytes
    EXPECT_EQ(utf8FromBytes("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");             // surrogate
    EXPECT_EQ(utf8FromBytes("\xf4\x90\x80\x80"), "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80"); // above U+10FFFF
    EXPECT_EQ(utf8FromBytes("\xe2\x82"), "\xc3\xa2\xc2\x82");                         // cut at the end
    EXPECT_EQ(utf8FromBytes("\xe2\x82x"), "\xc3\xa2\xc2\x82x");                       // cut before a letter
    EXPECT_EQ(utf8FromBytes("\x80"), "\xc2\x80");                                     // stray continuation
    EXPECT_EQ(utf8FromBytes("\xff\xfe"), "\xc3\xbf\xc3\xbe");
}

TEST(Utf8FromBytes, ResumesRightAfterTheBadByte) {
    // The lead byte is bad on its own; the well-formed sequence after it passes through.
    EXPECT_EQ(utf8FromBytes("\xe2\xc3\xa9"), "\xc3\xa2\xc3\xa9");
}

} // namespace
} // namespace velmoraine::cli
