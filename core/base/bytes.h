// Byte-level text helpers shared by the core. Page text is bytes: a zero byte is an
// ordinary byte, and only the ASCII letters A-Z/a-z are ever folded for comparison.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace velmoraine::bytes {

inline constexpr char lowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The white space of HTML markup: space, tab, line feed, carriage return and form feed (not the
// vertical tab that C's isspace adds). It separates a tag's name and attributes.
inline constexpr bool isHtmlSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A copy in which only A-Z became a-z.
std::string lowerAsciiCopy(std::string_view text);

// True when `text` begins with `prefix`, comparing ASCII letters without regard to case.
// Inline: the form walks ask it at every tag they stop at.
inline bool startsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) {
        return false;
    }
    // Bytes that differ are the two cases of one letter when, with the bit of lower case set,
    // they are one letter.
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (text[i] != prefix[i]) {
            const char lower = static_cast<char>(text[i] | 0x20);
            if (lower != static_cast<char>(prefix[i] | 0x20) || lower < 'a' || lower > 'z') {
                return false;
            }
        }
    }
    return true;
}

// True when the two texts are equal, comparing ASCII letters without regard to case.
inline bool equalsNoCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && startsWithNoCase(a, b);
}

// The first `byte` at or after `from` (at most the text's size), or npos, for a search that
// usually ends a few bytes on (an attribute value's closing quote): the first sixteen bytes are
// looked at eight at a time in a word, without a call; the rest by the library's search.
inline std::size_t findNearByte(std::string_view text, std::size_t from, char byte) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
        constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
        const std::uint64_t pattern = kOnes * static_cast<unsigned char>(byte);
        for (int word = 0; word < 2 && text.size() - from >= 8; ++word, from += 8) {
            std::uint64_t bytes = 0;
            std::memcpy(&bytes, text.data() + from, sizeof bytes);
            // A zero byte of `differ` is a match; the lowest high bit set marks the first one
            // exactly (a borrow only spreads upwards from a zero byte).
            const std::uint64_t differ = bytes ^ pattern;
            const std::uint64_t matches = (differ - kOnes) & ~differ & kHighBits;
            if (matches != 0) {
                return from + static_cast<std::size_t>(std::countr_zero(matches)) / 8;
            }
        }
    }
    return text.find(byte, from);
}

// Reads a decimal integer the way a "%d" conversion does: leading white space, an optional
// sign, then digits up to the first other character. A text that does not begin with a number
// gives 0. A number too large for int saturates at INT_MAX (INT_MIN when negative).
// `ok` (when given) tells whether any digit was read.
int readIntLikeScanf(std::string_view text, bool *ok = nullptr) noexcept;

// True when `text` is one or more ASCII digits and nothing else.
bool isAllDigits(std::string_view text) noexcept;

// Decimal text of a number, as "%d" writes it.
std::string decimal(long long value);

// ---------------------------------------------------------------------------------------------
// Searching whole pages
// ---------------------------------------------------------------------------------------------

// The position of the first `needle` in `text` at or after `from`, answered exactly as
// std::string_view::find answers (npos when there is none or `from` is past the end; `from`
// itself for an empty needle that fits). Where the compiler offers vector types, sixteen
// positions are tested at once for the needle's first and last byte, so that a page full of
// "<" costs about what reading it costs.
std::size_t findFast(std::string_view text, std::string_view needle, std::size_t from = 0) noexcept;

// The same, comparing ASCII letters without regard to case.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) noexcept;

// A needle of findAnyFast: its bytes as written, or with ASCII letters in any case.
struct AnyNeedle {
    std::string_view text;
    bool anyCase = false;
};

// The first position at or after `from` where any of `needles` (at most six) starts, in one pass
// for all of them (each needle's first two bytes and its last pick the candidates); npos when
// none does, as std::string_view::find (or findNoCase) would answer for the nearest of them.
std::size_t findAnyFast(std::string_view text, std::span<const AnyNeedle> needles, std::size_t from = 0) noexcept;

// Which of two needles was found where: `at` is npos when neither occurs.
struct EitherFound {
    std::size_t at = std::string_view::npos;
    int which = 0; // 0: the first needle, 1: the second
};

// The first position at or after `from` where `first` or `second` occurs (the first needle
// when both do). One pass for both; fastest when the needles have one length and share their
// first byte ("<form " and "<FORM "), and right for any two.
EitherFound findEitherFast(std::string_view text, std::string_view first, std::string_view second,
                           std::size_t from = 0) noexcept;

// The first "<" at or after `from` that may open a tag of one kind: one followed by "!", by
// one of `letters` (one to four lower-case ASCII letters) in either case, or by "/" and then
// `afterSlash` (a lower-case letter) in either case. Every other "<" is passed over many
// positions at a time, so a walk that acts on a few kinds of tags only does not stop at each
// tag of the page. npos when there is none.
std::size_t findTagStart(std::string_view text, std::size_t from, std::string_view letters, char afterSlash) noexcept;

// The same for up to eight `letters` and up to two letters after a slash (`afterSlash`, lower
// case): the form walks that stop at fields, buttons, labels, their closing tags and the form's.
std::size_t findTagStart(std::string_view text, std::size_t from, std::string_view letters,
                         std::string_view afterSlash) noexcept;

// That search set up once, for a walk that asks it at every tag it stops at: lanes for `Letters`
// letters and `SlashLetters` letters after a slash (the scan's four and one, the form walks'
// eight and two).
template <std::size_t Letters, std::size_t SlashLetters> struct TagStartSet {
    TagStartSet(std::string_view letters, std::string_view afterSlash) noexcept;

    [[nodiscard]] std::size_t find(std::string_view text, std::size_t from) const noexcept;

    // The lanes' bytes: the letters, the letters after a slash, each padded with its first.
    std::array<char, Letters> letters{};
    std::array<char, SlashLetters> afterSlash{};
    std::string_view letterText;
    std::string_view slashText;
};
using TagStartSearch = TagStartSet<8, 2>;

// The starts a TagStartSet finds, for a walk along one text that goes forward from stop to stop,
// often a few bytes at a time: the "<" of each 64-byte block of the text are found once, and the
// byte after each (and after a "/" the next) is classed by one look-up. next(from) answers what
// set.find(text, from) does, wherever `from` lies. The text must outlive the cursor; the set's
// letters are read once, when it is made.
template <std::size_t Letters, std::size_t SlashLetters> class TagStartCursor {
public:
    TagStartCursor(const TagStartSet<Letters, SlashLetters> &set, std::string_view text) noexcept;

    [[nodiscard]] std::size_t next(std::size_t from) noexcept;

private:
    std::string_view m_text;
    std::array<unsigned char, 256> m_classes{};   // each byte's classes after a "<" or "</"
    std::size_t m_block = std::string_view::npos; // the start of the block `m_opens` describes
    std::uint64_t m_opens = 0;                    // its "<", block byte i at bit i
};

// ---------------------------------------------------------------------------------------------
// Large buffers
// ---------------------------------------------------------------------------------------------

// Asks the kernel to back the whole huge pages inside [data, data + size) with huge pages, for
// memory not yet written: filling a buffer of several megabytes then takes a few hundred page
// faults instead of a quarter of a million per gigabyte. Linux only; elsewhere, and for a
// smaller buffer, nothing happens.
void adviseHugePages(char *data, std::size_t size) noexcept;

// Reserves room for `size` bytes in `text`, advised as above. Contents and size are unchanged.
void reserveLarge(std::string &text, std::size_t size);

} // namespace velmoraine::bytes
