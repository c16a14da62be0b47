#include "core/base/bytes.h"
#include "core/base/needle_places.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using velmoraine::bytes::findEitherFast;
using velmoraine::bytes::findFast;
using velmoraine::bytes::findTagStart;
using velmoraine::bytes::reserveLarge;
using namespace std::string_literals;
using namespace std::string_view_literals;

namespace {

constexpr std::size_t npos = std::string_view::npos;

// What findEitherFast must answer, from two plain searches.
velmoraine::bytes::EitherFound plainEither(std::string_view text, std::string_view first, std::string_view second,
                                           std::size_t from) {
    const std::size_t a = text.find(first, from);
    const std::size_t b = text.find(second, from);
    velmoraine::bytes::EitherFound found;
    found.at = a <= b ? a : b;
    found.which = a <= b || found.at == npos ? 0 : 1;
    return found;
}

// `size` bytes drawn from `alphabet`, one draw of `random` each.
std::string randomText(std::mt19937 &random, std::string_view alphabet, std::size_t size) {
    std::string text(size, ' ');
    for (char &c : text) {
        c = alphabet[random() % alphabet.size()];
    }
    return text;
}

// Every start position, and one past the end, against the plain search.
void expectLikeFind(std::string_view text, std::string_view needle) {
    for (std::size_t from = 0; from <= text.size() + 1; ++from) {
        ASSERT_EQ(findFast(text, needle, from), text.find(needle, from))
            << "needle \"" << needle << "\" from " << from << " in " << text.size() << " bytes";
    }
}

} // namespace

TEST(FindFast, AnswersLikeFindAtTheEdges) {
    EXPECT_EQ(findFast("", ""), 0u);
    EXPECT_EQ(findFast("", "", 1), npos);
    EXPECT_EQ(findFast("abc", "", 3), 3u);
    EXPECT_EQ(findFast("abc", "", 4), npos);
    EXPECT_EQ(findFast("abc", "abcd"), npos);
    EXPECT_EQ(findFast("abc", "c", 3), npos);
    EXPECT_EQ(findFast("abc", "bc", 1), 1u);
    EXPECT_EQ(findFast("abc", "bc", 2), npos);
    EXPECT_EQ(findFast("abc", "abc", 0), 0u);
    EXPECT_EQ(findFast("abc", "abc", 1), npos);
}

TEST(FindFast, FindsANeedleEndingOnTheLastByteAtEveryLength) {
    for (std::size_t size = 6; size < 200; ++size) {
        const std::string text = std::string(size - 6, 'x') + "<form ";
        EXPECT_EQ(findFast(text, "<form "), size - 6);
        expectLikeFind(text, "<form ");
        expectLikeFind(text, "m ");
        expectLikeFind(text, " ");
        expectLikeFind(text, "<form  ");
    }
}

TEST(FindFast, FindsEveryOverlappingMatch) {
    const std::string text(100, 'a');
    for (std::size_t from = 0; from <= 100; ++from) {
        EXPECT_EQ(findFast(text, "aaa", from), from <= 97 ? from : npos);
    }
    expectLikeFind("abababababababababababababababababababababab", "abab");
    expectLikeFind("--->--->---->------->-----------------------------------------------------------------", "-->");
}

TEST(FindFast, TreatsZeroBytesAsOrdinaryBytes) {
    std::string text(70, '\0');
    text[40] = 'a';
    text[41] = '\0';
    text[42] = 'b';
    expectLikeFind(text, "a\0b"s);
    expectLikeFind(text, "\0\0\0"s);
    expectLikeFind(text, "\0a"s);
    expectLikeFind(text, "b\0"s);
}

TEST(FindFast, AgreesWithFindOnRandomTextAtEveryAlignment) {
    std::mt19937 random(20240611);
    // A small alphabet gives many near misses: candidates whose first and last bytes match.
    const std::string alphabet = "<fF >m-!/\0"s;
    for (int round = 0; round < 300; ++round) {
        std::string text = randomText(random, alphabet, 1 + random() % 300);
        std::string needle = randomText(random, alphabet, 1 + random() % 6);
        // The same text at every start address, so that every lane lines up with every byte.
        for (std::size_t shift = 0; shift < 16; ++shift) {
            const std::string shifted = std::string(shift, '#') + text;
            const std::string_view view = std::string_view(shifted).substr(shift);
            const std::size_t from = random() % (view.size() + 2);
            ASSERT_EQ(findFast(view, needle, from), view.find(needle, from));
        }
        expectLikeFind(text, needle);
    }
}

// findNoCase against a plain search of the text and needle both in lower case, with the bytes
// that only the bit of lower case tells from a letter ("@" and "`", "[" and "{").
TEST(FindNoCase, AgreesWithAPlainSearchInLowerCaseAtEveryAlignment) {
    std::mt19937 random(1999);
    const std::string alphabet = "sSuUbBmM@`[{ \0"s;
    for (int round = 0; round < 300; ++round) {
        std::string text = randomText(random, alphabet, 1 + random() % 300);
        const std::string needle = velmoraine::bytes::lowerAsciiCopy(randomText(random, alphabet, 1 + random() % 5));
        const std::string lower = velmoraine::bytes::lowerAsciiCopy(text);
        for (std::size_t shift = 0; shift < 32; shift += 5) {
            const std::string shifted = std::string(shift, '#') + text;
            const std::string_view view = std::string_view(shifted).substr(shift);
            for (std::size_t from = 0; from <= view.size() + 1; from += 1 + random() % 7) {
                ASSERT_EQ(velmoraine::bytes::findNoCase(view, needle, from), lower.find(needle, from))
                    << text << " / " << needle;
            }
        }
    }
    EXPECT_EQ(velmoraine::bytes::findNoCase("type=SUBMIT", "submit"), 5u);
    EXPECT_EQ(velmoraine::bytes::findNoCase("type=Submi", "submit"), npos);
}

TEST(FindFast, FindsTheOnlyMatchInALargePage) {
    std::string page(1 << 20, '<');
    const std::size_t at = page.size() - 11;
    page.replace(at, 10, "<!--webbot");
    EXPECT_EQ(findFast(page, "<!--webbot"), at);
    EXPECT_EQ(findFast(page, "<!--webbot", at + 1), npos);
    EXPECT_EQ(findFast(page, "<!--webbotx"), npos);
}

// What findTagStart(text, from, letters, afterSlash) must answer, one position at a time.
std::size_t plainTagStart(std::string_view text, std::size_t from, std::string_view letters,
                          std::string_view afterSlash) {
    using velmoraine::bytes::lowerAscii;
    for (std::size_t at = from; at + 1 < text.size(); ++at) {
        const char next = lowerAscii(text[at + 1]);
        const bool closes = next == '/' && at + 2 < text.size() && afterSlash.find(lowerAscii(text[at + 2])) != npos;
        if (text[at] == '<' && (next == '!' || letters.find(next) != npos || closes)) {
            return at;
        }
    }
    return npos;
}

// The scan's search (four letters, one after a slash) and the form walks' (five, two).
TEST(FindTagStart, AgreesWithAPlainWalkAtEveryAlignment) {
    std::mt19937 random(4711);
    // Each wanted byte beside the bytes that differ from it only in the bit of lower case.
    const std::string alphabet = "<<<!\x01iIsStTbBlL/\x0f"
                                 "fFaA\0"s;
    const std::string_view kinds[][2] = {{"ist", "f"}, {"istbl", "lf"}};
    for (int round = 0; round < 300; ++round) {
        std::string text = randomText(random, alphabet, random() % 300);
        for (const auto &[letters, afterSlash] : kinds) {
            const auto search = [&](std::string_view view, std::size_t from) {
                return afterSlash.size() == 1 ? findTagStart(view, from, letters, afterSlash[0])
                                              : findTagStart(view, from, letters, afterSlash);
            };
            for (std::size_t shift = 0; shift < 32; shift += 3) {
                const std::string shifted = std::string(shift, '#') + text;
                const std::string_view view = std::string_view(shifted).substr(shift);
                const std::size_t from = random() % (view.size() + 2);
                ASSERT_EQ(search(view, from), plainTagStart(view, from, letters, afterSlash)) << text;
            }
            std::vector<std::size_t> all;
            for (std::size_t at = search(text, 0); at != npos; at = search(text, at + 1)) {
                all.push_back(at);
            }
            std::vector<std::size_t> plain;
            for (std::size_t at = plainTagStart(text, 0, letters, afterSlash); at != npos;
                 at = plainTagStart(text, at + 1, letters, afterSlash)) {
                plain.push_back(at);
            }
            ASSERT_EQ(all, plain) << text;
            // The cursor, asked as a walk asks it: onwards by a few bytes or past a block, now
            // and then back, and past the end.
            const auto walk = [&](const auto &set) {
                velmoraine::bytes::TagStartCursor cursor(set, text);
                for (std::size_t step = 0, from = 0; step < 60; ++step) {
                    ASSERT_EQ(cursor.next(from), plainTagStart(text, from, letters, afterSlash))
                        << "from " << from << " in " << text;
                    from = random() % 5 == 0 ? random() % (text.size() + 2) : from + random() % 80;
                }
            };
            if (afterSlash.size() == 1) {
                walk(velmoraine::bytes::TagStartSet<4, 1>(letters, afterSlash));
            } else {
                walk(velmoraine::bytes::TagStartSearch(letters, afterSlash));
            }
        }
    }
    EXPECT_EQ(findTagStart("<p><b></b></FORM>", 0, "ist", 'f'), 10u);
    EXPECT_EQ(findTagStart("<p><", 0, "ist", 'f'), npos);
    EXPECT_EQ(findTagStart("x</", 0, "ist", 'f'), npos);
    EXPECT_EQ(findTagStart("x<!", 0, "ist", 'f'), 1u);
}

TEST(FindEitherFast, FindsBothKindsInPageOrder) {
    const std::string page = "x<FORM a><form b><Form c><FORM d<form ";
    std::vector<std::pair<std::size_t, int>> found;
    for (auto hit = findEitherFast(page, "<form ", "<FORM "); hit.at != npos;
         hit = findEitherFast(page, "<form ", "<FORM ", hit.at + 1)) {
        found.emplace_back(hit.at, hit.which);
    }
    EXPECT_EQ(found, (std::vector<std::pair<std::size_t, int>>{{1, 1}, {9, 0}, {25, 1}, {32, 0}}));
    EXPECT_EQ(findEitherFast(page, "<form ", "<FORM ", page.size() + 1).at, npos);
}

TEST(FindEitherFast, AgreesWithTwoPlainSearches) {
    std::mt19937 random(77);
    const std::string alphabet = "<fF oOrRmM\0"s;
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"<form ", "<FORM "}, {"ab", "ac"}, {"<f", "<fo"}, {"", "x"}, {"aa", "aa"}, {"\0f"s, "\0F"s}};
    for (int round = 0; round < 300; ++round) {
        std::string text = randomText(random, alphabet, random() % 200);
        if (round % 3 == 0) {
            text.insert(random() % (text.size() + 1), round % 2 == 0 ? "<form " : "<FORM ");
        }
        for (const auto &[first, second] : pairs) {
            for (std::size_t from = 0; from <= text.size() + 1; ++from) {
                const auto found = findEitherFast(text, first, second, from);
                const auto expected = plainEither(text, first, second, from);
                ASSERT_EQ(found.at, expected.at) << first << " / " << second << " from " << from;
                ASSERT_EQ(found.which, expected.which);
            }
        }
    }
}

TEST(ReserveLarge, KeepsTheTextAndMakesRoom) {
    std::string text = "kept";
    reserveLarge(text, 9 * 1024 * 1024);
    EXPECT_EQ(text, "kept");
    EXPECT_GE(text.capacity(), 9u * 1024 * 1024);
    text.append(9 * 1024 * 1024 - 4, 'x');
    EXPECT_EQ(text.size(), 9u * 1024 * 1024);
    EXPECT_EQ(text.substr(0, 5), "keptx");

    std::string small;
    reserveLarge(small, 10);
    EXPECT_GE(small.capacity(), 10u);
    EXPECT_TRUE(small.empty());
}

// The comparisons without regard to case fold A-Z only: every pair of bytes, and findNearByte
// against the library's search from every start, the byte near or far.
TEST(NoCase, FoldsOnlyAsciiLettersAndFindNearByteAgreesWithFind) {
    using velmoraine::bytes::lowerAscii;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const std::string text(1, static_cast<char>(a));
            const std::string prefix(1, static_cast<char>(b));
            ASSERT_EQ(velmoraine::bytes::startsWithNoCase(text, prefix),
                      lowerAscii(static_cast<char>(a)) == lowerAscii(static_cast<char>(b)))
                << a << " " << b;
        }
    }
    EXPECT_TRUE(velmoraine::bytes::equalsNoCase("Content-Security-POLICY", "content-security-policy"));
    EXPECT_FALSE(velmoraine::bytes::equalsNoCase("content-security-policy ", "content-security-policy"));
    std::mt19937 random(1913);
    for (int round = 0; round < 200; ++round) {
        const std::string text = randomText(random, "\"\x22\xa2\x02x'\0"s, random() % 40);
        for (std::size_t from = 0; from <= text.size(); ++from) {
            for (const char byte : {'"', '\''}) {
                ASSERT_EQ(velmoraine::bytes::findNearByte(text, from, byte), text.find(byte, from)) << from;
            }
        }
    }
}

// Markup's white space is five bytes; the vertical tab that isspace also counts is not one.
TEST(IsHtmlSpace, IsSpaceTabLineFeedCarriageReturnAndFormFeed) {
    std::string spaces;
    for (int c = 0; c < 256; ++c) {
        if (velmoraine::bytes::isHtmlSpace(static_cast<char>(c))) {
            spaces.push_back(static_cast<char>(c));
        }
    }
    EXPECT_EQ(spaces, "\t\n\f\r ");
}

// findAnyFast and the places a pass of it keeps, against plain searches: needles that start
// others, share their first bytes or overlap, on random text at every alignment, counted from
// the start or from anywhere, with room for few places or many, so that the searches before
// where the places count and past those kept are tried too.
TEST(NeedlePlaces, AnswerLikePlainSearchesOfThePage) {
    using velmoraine::bytes::AnyNeedle;
    using velmoraine::bytes::findAnyFast;
    using velmoraine::bytes::NeedlePlaces;
    std::mt19937 random(77);
    const std::string alphabet = "<!-wWbBt ai\"dD\0"s;
    const std::vector<AnyNeedle> needles = {
        {"<!-"}, {"<!-w"}, {"wb", true}, {"a\"d"}, {"\0<"sv}, {"dw", true},
    };
    // Where a plain search finds the needle: in the page and the needle in lower case, for one
    // in any case.
    const auto plainFind = [](std::string_view page, const AnyNeedle &needle, std::size_t from) {
        if (!needle.anyCase) {
            return page.find(needle.text, from);
        }
        return velmoraine::bytes::lowerAsciiCopy(page).find(velmoraine::bytes::lowerAsciiCopy(needle.text), from);
    };
    for (int round = 0; round < 200; ++round) {
        std::string text = randomText(random, alphabet, random() % 200);
        const std::string shifted = std::string(round % 32, '#') + text;
        const std::string_view page = std::string_view(shifted).substr(round % 32);
        for (std::size_t from = 0; from <= page.size() + 1; ++from) {
            std::size_t nearest = npos;
            for (const AnyNeedle &needle : needles) {
                nearest = std::min(nearest, plainFind(page, needle, from));
            }
            ASSERT_EQ(findAnyFast(page, needles, from), nearest) << text;
        }
        std::vector<NeedlePlaces::Sought> sought;
        for (const AnyNeedle &needle : needles) {
            sought.push_back({needle.text, round % 3 == 0 ? 0 : random() % (page.size() + 2), needle.anyCase});
        }
        const NeedlePlaces places(page, sought, 1 + round % 4);
        for (std::size_t which = 0; which < needles.size(); ++which) {
            for (int query = 0; query < 40; ++query) {
                const std::size_t to = random() % (page.size() + 2);
                const std::size_t from = random() % (page.size() + 2);
                const std::size_t plain = plainFind(page.substr(0, std::min(to, page.size())), needles[which], from);
                ASSERT_EQ(places.find(which, from, to), plain) << text << " " << which << " " << from << " " << to;
            }
        }
    }
    EXPECT_EQ(findAnyFast("abc", std::vector<AnyNeedle>{}), npos);
}
