#include "core/base/bytes.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <span>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace velmoraine::bytes {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr char kLowerCaseBit = 0x20;

// The byte with the bit of lower case set: a letter's two cases give one byte.
constexpr char folded(char c) noexcept { return static_cast<char>(c | kLowerCaseBit); }

#if (defined(__GNUC__) || defined(__clang__)) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define VELMORAINE_VECTOR_SEARCH 1

// Sixteen bytes side by side; a comparison gives 0xFF in each lane that matches.
typedef unsigned char Lanes __attribute__((vector_size(16)));
constexpr std::size_t kLanes = sizeof(Lanes);

Lanes loadLanes(const char *p) noexcept {
    Lanes lanes;
    std::memcpy(&lanes, p, sizeof lanes);
    return lanes;
}

Lanes splat(char c) noexcept {
    Lanes lanes;
    std::memset(&lanes, c, sizeof lanes);
    return lanes;
}

// The matching lanes of a comparison (0xFF in each) as one bit per lane, lane i at bit i.
template <typename Matches> std::uint32_t laneMask(const Matches &matches) noexcept {
    static_assert(sizeof(Matches) == kLanes);
#if defined(__SSE2__)
    return static_cast<std::uint32_t>(_mm_movemask_epi8((__m128i)matches));
#else
    // The low bit of each byte of a half, gathered into its top byte by one multiplication.
    constexpr std::uint64_t kLowBitOfEachByte = 0x0101010101010101ULL;
    constexpr std::uint64_t kGather = 0x0102040810204080ULL;
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::memcpy(&low, &matches, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char *>(&matches) + sizeof low, sizeof high);
    return static_cast<std::uint32_t>(((low & kLowBitOfEachByte) * kGather) >> 56) |
           static_cast<std::uint32_t>(((high & kLowBitOfEachByte) * kGather) >> 56) << 8;
#endif
}
#endif

// findCandidate (below) with the 16-byte lanes every build has.
template <typename Verify>
std::size_t findCandidateNarrow(const char *text, std::size_t from, std::size_t last, char lead, std::size_t offset,
                                char probeA, char probeB, Verify &verify) {
    std::size_t at = from;
#ifdef VELMORAINE_VECTOR_SEARCH
    const Lanes leads = splat(lead);
    const Lanes probesA = splat(probeA);
    const Lanes probesB = splat(probeB);
    // One bit for each of the sixteen positions from `block` on that is a candidate.
    const auto candidatesAt = [&](const char *block) {
        const Lanes probes = loadLanes(block + offset);
        return laneMask((loadLanes(block) == leads) & ((probes == probesA) | (probes == probesB)));
    };
    // Offers the candidates of a mask, lowest first; the first that `verify` accepts, or npos.
    const auto firstVerified = [&](std::uint32_t candidates, std::size_t base) {
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t candidate = base + static_cast<std::size_t>(__builtin_ctz(candidates));
            if (verify(candidate)) {
                return candidate;
            }
        }
        return npos;
    };
    // Four blocks per round; a round without any candidate costs a few instructions.
    for (; at <= last && last - at >= 4 * kLanes - 1; at += 4 * kLanes) {
        const std::uint32_t low = candidatesAt(text + at) | candidatesAt(text + at + kLanes) << kLanes;
        const std::uint32_t high = candidatesAt(text + at + 2 * kLanes) | candidatesAt(text + at + 3 * kLanes)
                                                                              << kLanes;
        if ((low | high) != 0) {
            if (const std::size_t found = firstVerified(low, at); found != npos) {
                return found;
            }
            if (const std::size_t found = firstVerified(high, at + 2 * kLanes); found != npos) {
                return found;
            }
        }
    }
    for (; at <= last && last - at >= 2 * kLanes - 1; at += 2 * kLanes) {
        const std::uint32_t candidates = candidatesAt(text + at) | candidatesAt(text + at + kLanes) << kLanes;
        if (candidates != 0) {
            if (const std::size_t found = firstVerified(candidates, at); found != npos) {
                return found;
            }
        }
    }
    if (at <= last && last - at >= kLanes - 1) {
        if (const std::size_t found = firstVerified(candidatesAt(text + at), at); found != npos) {
            return found;
        }
        at += kLanes;
    }
    // The last few positions: one block ending at `last`, its lanes before `at` masked off. It
    // may start before `from`, never before the text.
    if (at <= last && last >= kLanes - 1) {
        const std::size_t block = last - (kLanes - 1);
        const std::uint32_t candidates = candidatesAt(text + block) & (~std::uint32_t{0} << (at - block));
        return firstVerified(candidates, block);
    }
#endif
    for (; at <= last; ++at) {
        if (text[at] == lead && (text[at + offset] == probeA || text[at + offset] == probeB) && verify(at)) {
            return at;
        }
    }
    return npos;
}

#if defined(VELMORAINE_VECTOR_SEARCH) && defined(__x86_64__)
#define VELMORAINE_WIDE_SEARCH 1

// Whether this processor has the 32-byte lanes of AVX2; asked once.
bool haveWideLanes() noexcept {
    static const bool wide = __builtin_cpu_supports("avx2") != 0;
    return wide;
}

// Thirty-two bytes from `bytes` on, each folded.
__attribute__((target("avx2"), always_inline)) inline __m256i loadFolded(const char *bytes) noexcept {
    return _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes)),
                           _mm256_set1_epi8(kLowerCaseBit));
}

// findCandidateNarrow with 32-byte lanes, two blocks a round; the last positions go to the
// narrow search. Built for AVX2 whatever the rest of the program is built for, and called only
// where the processor has it.
template <typename Verify>
__attribute__((target("avx2"))) std::size_t findCandidateWide(const char *text, std::size_t from, std::size_t last,
                                                              char lead, std::size_t offset, char probeA, char probeB,
                                                              Verify &verify) {
    const __m256i leads = _mm256_set1_epi8(lead);
    const __m256i probesA = _mm256_set1_epi8(probeA);
    const __m256i probesB = _mm256_set1_epi8(probeB);
    std::size_t at = from;
    for (; at <= last && last - at >= 63; at += 64) {
        const char *block = text + at;
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + 32));
        const __m256i lowProbes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + offset));
        const __m256i highProbes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + offset + 32));
        const __m256i lowHits =
            _mm256_and_si256(_mm256_cmpeq_epi8(low, leads), _mm256_or_si256(_mm256_cmpeq_epi8(lowProbes, probesA),
                                                                            _mm256_cmpeq_epi8(lowProbes, probesB)));
        const __m256i highHits =
            _mm256_and_si256(_mm256_cmpeq_epi8(high, leads), _mm256_or_si256(_mm256_cmpeq_epi8(highProbes, probesA),
                                                                             _mm256_cmpeq_epi8(highProbes, probesB)));
        std::uint64_t candidates = static_cast<std::uint32_t>(_mm256_movemask_epi8(lowHits)) |
                                   std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(highHits))} << 32;
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctzll(candidates));
            if (verify(candidate)) {
                return candidate;
            }
        }
    }
    return findCandidateNarrow(text, at, last, lead, offset, probeA, probeB, verify);
}
#endif

// The first position in [from, last] whose byte is `lead`, whose byte `offset` further on is
// `probeA` or `probeB`, and which `verify` accepts; npos when there is none. Every position up
// to `last` + `offset` must be inside `text`. Uses the widest lanes the processor has.
template <typename Verify>
std::size_t findCandidate(const char *text, std::size_t from, std::size_t last, char lead, std::size_t offset,
                          char probeA, char probeB, Verify verify) {
#ifdef VELMORAINE_WIDE_SEARCH
    if (haveWideLanes()) {
        return findCandidateWide(text, from, last, lead, offset, probeA, probeB, verify);
    }
#endif
    return findCandidateNarrow(text, from, last, lead, offset, probeA, probeB, verify);
}

// Whether the "<" at `at` may open a tag of findTagStart's kind; `at` + 2 is inside the text.
bool opensTagOfKind(const char *text, std::size_t at, std::string_view letters, std::string_view afterSlash) noexcept {
    const char next = text[at + 1];
    return text[at] == '<' && (next == '!' || letters.find(lowerAscii(next)) != npos ||
                               (next == '/' && afterSlash.find(lowerAscii(text[at + 2])) != npos));
}

// The candidates of findTagStart in blocks of the narrow lanes: "<" followed by a byte that,
// with the bit of lower case set, is "!" or one of the letters, or by "/" and then, the same,
// one of the letters after a slash. Returns the first position of [from, last] that
// opensTagOfKind, or npos; position `last` + 2 must be inside the text.
template <typename Kind>
std::size_t findTagStartNarrow(const char *text, std::size_t from, std::size_t last, const Kind &kind) noexcept {
    std::size_t at = from;
#ifdef VELMORAINE_VECTOR_SEARCH
    const Lanes opens = splat('<');
    const Lanes lowerBit = splat(0x20);
    const Lanes bang = splat('!');
    const Lanes slash = splat('/');
    for (; at <= last && last - at >= kLanes - 1; at += kLanes) {
        const Lanes first = loadLanes(text + at);
        const Lanes second = loadLanes(text + at + 1);
        const Lanes third = loadLanes(text + at + 2) | lowerBit;
        const Lanes folded = second | lowerBit;
        auto wanted = folded == bang;
        for (char letter : kind.letters) {
            wanted |= folded == splat(letter);
        }
        auto closing = third == splat(kind.afterSlash[0]);
        for (std::size_t i = 1; i < kind.afterSlash.size(); ++i) {
            closing |= third == splat(kind.afterSlash[i]);
        }
        wanted |= (second == slash) & closing;
        for (std::uint32_t candidates = laneMask((first == opens) & wanted); candidates != 0;
             candidates &= candidates - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(candidates));
            if (opensTagOfKind(text, candidate, kind.letterText, kind.slashText)) {
                return candidate;
            }
        }
    }
#endif
    for (; at <= last; ++at) {
        if (opensTagOfKind(text, at, kind.letterText, kind.slashText)) {
            return at;
        }
    }
    return npos;
}

#ifdef VELMORAINE_WIDE_SEARCH
// findTagStartNarrow with 32-byte lanes; the last positions go to the narrow search.
template <typename Kind>
__attribute__((target("avx2"))) std::size_t findTagStartWide(const char *text, std::size_t from, std::size_t last,
                                                             const Kind &kind) noexcept {
    const __m256i opens = _mm256_set1_epi8('<');
    const __m256i lowerBit = _mm256_set1_epi8(0x20);
    const __m256i bang = _mm256_set1_epi8('!');
    const __m256i slash = _mm256_set1_epi8('/');
    std::size_t at = from;
    for (; at <= last && last - at >= 31; at += 32) {
        const char *block = text + at;
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + 1));
        const __m256i third =
            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(block + 2)), lowerBit);
        const __m256i folded = _mm256_or_si256(second, lowerBit);
        __m256i wanted = _mm256_cmpeq_epi8(folded, bang);
        for (char letter : kind.letters) {
            wanted = _mm256_or_si256(wanted, _mm256_cmpeq_epi8(folded, _mm256_set1_epi8(letter)));
        }
        __m256i closing = _mm256_cmpeq_epi8(third, _mm256_set1_epi8(kind.afterSlash[0]));
        for (std::size_t i = 1; i < kind.afterSlash.size(); ++i) {
            closing = _mm256_or_si256(closing, _mm256_cmpeq_epi8(third, _mm256_set1_epi8(kind.afterSlash[i])));
        }
        wanted = _mm256_or_si256(wanted, _mm256_and_si256(_mm256_cmpeq_epi8(second, slash), closing));
        auto candidates =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(first, opens), wanted)));
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(candidates));
            if (opensTagOfKind(text, candidate, kind.letterText, kind.slashText)) {
                return candidate;
            }
        }
    }
    return findTagStartNarrow(text, at, last, kind);
}
#endif

// findTagStart with the lanes of `kind`.
template <typename Kind>
std::size_t findTagStartIn(std::string_view text, std::size_t from, const Kind &kind) noexcept {
    // The blocks stop two bytes before the end, where a candidate's third byte still is;
    // a "<" among the last two bytes is judged on what follows it.
    std::size_t at = from;
    if (text.size() >= 3 && at <= text.size() - 3) {
        const std::size_t last = text.size() - 3;
#ifdef VELMORAINE_WIDE_SEARCH
        const std::size_t found = haveWideLanes() ? findTagStartWide(text.data(), at, last, kind)
                                                  : findTagStartNarrow(text.data(), at, last, kind);
#else
        const std::size_t found = findTagStartNarrow(text.data(), at, last, kind);
#endif
        if (found != npos) {
            return found;
        }
        at = text.size() - 2;
    }
    for (; at + 1 < text.size(); ++at) {
        const char next = text[at + 1];
        if (text[at] == '<' && (next == '!' || kind.letterText.find(lowerAscii(next)) != npos)) {
            return at;
        }
    }
    return npos;
}

// The needles of a findAnyFast search as its lanes compare them: each needle's first two bytes
// and its last, all with the bit of lower case set, so that one comparison serves the needles in
// any case and those as written (a candidate is then checked as its needle is matched); every
// needle has two bytes or more.
constexpr std::size_t kMostNeedles = 6;

struct AnyNeedles {
    std::span<const AnyNeedle> needles;
    std::size_t longest = 0;

    // Whether a needle starts at `at` (`at` + its size inside the text). The folded bytes the
    // lanes compared are compared again first: a candidate is usually one needle's, and the
    // others are passed over without a call.
    bool startsAt(const char *text, std::size_t size, std::size_t at) const noexcept {
        for (const AnyNeedle &needle : needles) {
            const std::string_view bytes = needle.text;
            if (bytes.size() <= size - at &&
                (bytes.size() < 2 || (folded(text[at + 1]) == folded(bytes[1]) &&
                                      folded(text[at + bytes.size() - 1]) == folded(bytes.back()))) &&
                (needle.anyCase ? startsWithNoCase(std::string_view(text + at, bytes.size()), bytes)
                                : std::memcmp(text + at, bytes.data(), bytes.size()) == 0)) {
                return true;
            }
        }
        return false;
    }
};

// The first position in [from, last] where a needle may start, tested in blocks of the narrow
// lanes by each needle's first and last byte, and checked whole; `last` + the longest needle's
// size is inside the text. Returns npos when none is found there.
std::size_t findAnyNarrow(const char *text, std::size_t size, std::size_t from, std::size_t last,
                          const AnyNeedles &any) noexcept {
    std::size_t at = from;
#ifdef VELMORAINE_VECTOR_SEARCH
    for (; at <= last && last - at >= kLanes - 1; at += kLanes) {
        const Lanes first = loadLanes(text + at) | splat(kLowerCaseBit);
        const Lanes second = loadLanes(text + at + 1) | splat(kLowerCaseBit);
        std::uint32_t candidates = 0;
        for (const AnyNeedle &needle : any.needles) {
            const std::size_t end = needle.text.size() - 1;
            const Lanes ends = loadLanes(text + at + end) | splat(kLowerCaseBit);
            candidates |=
                laneMask((first == splat(folded(needle.text[0]))) & (second == splat(folded(needle.text[1]))) &
                         (ends == splat(folded(needle.text[end]))));
        }
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(candidates));
            if (any.startsAt(text, size, candidate)) {
                return candidate;
            }
        }
    }
#endif
    for (; at <= last; ++at) {
        if (any.startsAt(text, size, at)) {
            return at;
        }
    }
    return npos;
}

// The one-pass search of several needles keeps more vectors than there are registers; on
// Windows the compiler cannot align the stack they spill to for these lanes, so there it uses the
// narrow lanes.
#if defined(VELMORAINE_WIDE_SEARCH) && !defined(_WIN32)
#define VELMORAINE_WIDE_ANY_SEARCH 1
#endif

#ifdef VELMORAINE_WIDE_ANY_SEARCH
// findAnyNarrow with 32-byte lanes for `Count` needles, whose bytes stay in registers; the last
// positions go to the narrow search.
template <std::size_t Count>
__attribute__((target("avx2"))) std::size_t findAnyWideOf(const char *text, std::size_t size, std::size_t from,
                                                          std::size_t last, const AnyNeedles &any) noexcept {
    __m256i firsts[Count];
    __m256i seconds[Count];
    __m256i lasts[Count];
    std::size_t ends[Count];
    for (std::size_t i = 0; i < Count; ++i) {
        const std::string_view needle = any.needles[i].text;
        ends[i] = needle.size() - 1;
        firsts[i] = _mm256_set1_epi8(folded(needle[0]));
        seconds[i] = _mm256_set1_epi8(folded(needle[1]));
        lasts[i] = _mm256_set1_epi8(folded(needle[ends[i]]));
    }
    std::size_t at = from;
    for (; at <= last && last - at >= 31; at += 32) {
        const __m256i first = loadFolded(text + at);
        const __m256i second = loadFolded(text + at + 1);
        __m256i hits = _mm256_setzero_si256();
        for (std::size_t i = 0; i < Count; ++i) {
            const __m256i starts =
                _mm256_and_si256(_mm256_cmpeq_epi8(first, firsts[i]), _mm256_cmpeq_epi8(second, seconds[i]));
            const __m256i endings = _mm256_cmpeq_epi8(loadFolded(text + at + ends[i]), lasts[i]);
            hits = _mm256_or_si256(hits, _mm256_and_si256(starts, endings));
        }
        for (auto candidates = static_cast<std::uint32_t>(_mm256_movemask_epi8(hits)); candidates != 0;
             candidates &= candidates - 1) {
            const std::size_t candidate = at + static_cast<std::size_t>(__builtin_ctz(candidates));
            if (any.startsAt(text, size, candidate)) {
                return candidate;
            }
        }
    }
    return findAnyNarrow(text, size, at, last, any);
}

// findAnyWideOf for the number of needles, at most kMostNeedles.
std::size_t findAnyWide(const char *text, std::size_t size, std::size_t from, std::size_t last,
                        const AnyNeedles &any) noexcept {
    switch (any.needles.size()) {
    case 1: return findAnyWideOf<1>(text, size, from, last, any);
    case 2: return findAnyWideOf<2>(text, size, from, last, any);
    case 3: return findAnyWideOf<3>(text, size, from, last, any);
    case 4: return findAnyWideOf<4>(text, size, from, last, any);
    case 5: return findAnyWideOf<5>(text, size, from, last, any);
    default: return findAnyWideOf<kMostNeedles>(text, size, from, last, any);
    }
}
#endif

} // namespace

std::string lowerAsciiCopy(std::string_view text) {
    std::string out(text);
    for (char &c : out) {
        c = lowerAscii(c);
    }
    return out;
}

bool isAllDigits(std::string_view text) noexcept {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int readIntLikeScanf(std::string_view text, bool *ok) noexcept {
    std::size_t i = 0;
    // isspace in the "C" locale: blank, tab, line feed, vertical tab, form feed, carriage return.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (ok != nullptr) {
        *ok = any;
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::string decimal(long long value) { return std::to_string(value); }

// ---------------------------------------------------------------------------------------------
// Searching whole pages
// ---------------------------------------------------------------------------------------------

std::size_t findFast(std::string_view text, std::string_view needle, std::size_t from) noexcept {
    if (from > text.size()) {
        return npos;
    }
    if (needle.empty()) {
        return from;
    }
    if (needle.size() > text.size() - from) {
        return npos;
    }
    if (needle.size() == 1) {
        const void *found = std::memchr(text.data() + from, needle[0], text.size() - from);
        return found == nullptr ? npos : static_cast<std::size_t>(static_cast<const char *>(found) - text.data());
    }
    // The first and the last byte pick the candidates; the bytes between them decide.
    const char *data = text.data();
    const std::size_t middle = needle.size() - 2;
    return findCandidate(data, from, text.size() - needle.size(), needle.front(), needle.size() - 1, needle.back(),
                         needle.back(), [&](std::size_t at) {
                             // The second byte first: most candidates fail there, without a call.
                             return middle == 0 ||
                                    (data[at + 1] == needle[1] &&
                                     (middle == 1 || std::memcmp(data + at + 2, needle.data() + 2, middle - 1) == 0));
                         });
}

std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from) noexcept {
    const AnyNeedle any{needle, true};
    return findAnyFast(text, std::span(&any, 1), from);
}

std::size_t findAnyFast(std::string_view text, std::span<const AnyNeedle> needles, std::size_t from) noexcept {
    if (needles.size() > kMostNeedles) {
        return npos; // not a search this function makes
    }
    AnyNeedles any{needles};
    for (const AnyNeedle &needle : needles) {
        if (needle.text.empty()) {
            return from <= text.size() ? from : npos;
        }
        any.longest = std::max(any.longest, needle.text.size());
    }
    if (needles.empty() || from > text.size()) {
        return npos;
    }
    // The blocks stop where the longest needle would run past the end; the positions after
    // that are tried one at a time.
    std::size_t at = from;
    const bool lanes =
        std::all_of(needles.begin(), needles.end(), [](const AnyNeedle &n) { return n.text.size() >= 2; });
    if (lanes && any.longest <= text.size() && at <= text.size() - any.longest) {
        const std::size_t last = text.size() - any.longest;
#ifdef VELMORAINE_WIDE_ANY_SEARCH
        const std::size_t found = haveWideLanes() ? findAnyWide(text.data(), text.size(), at, last, any)
                                                  : findAnyNarrow(text.data(), text.size(), at, last, any);
#else
        const std::size_t found = findAnyNarrow(text.data(), text.size(), at, last, any);
#endif
        if (found != npos) {
            return found;
        }
        at = last + 1;
    }
    for (; at < text.size(); ++at) {
        if (any.startsAt(text.data(), text.size(), at)) {
            return at;
        }
    }
    return npos;
}

EitherFound findEitherFast(std::string_view text, std::string_view first, std::string_view second,
                           std::size_t from) noexcept {
    EitherFound found;
    const bool sharedLead = first.size() == second.size() && first.size() >= 2 && first[0] == second[0];
    if (!sharedLead) {
        const std::size_t a = findFast(text, first, from);
        const std::size_t b = findFast(text, second, from);
        found.at = a <= b ? a : b;
        found.which = a <= b ? 0 : 1;
        return found;
    }
    if (from > text.size() || first.size() > text.size() - from) {
        return found;
    }
    // The shared first byte and the two second bytes pick the candidates.
    const char *data = text.data();
    int which = 0;
    found.at =
        findCandidate(data, from, text.size() - first.size(), first[0], 1, first[1], second[1], [&](std::size_t at) {
            if (std::memcmp(data + at, first.data(), first.size()) == 0) {
                which = 0;
                return true;
            }
            if (std::memcmp(data + at, second.data(), second.size()) == 0) {
                which = 1;
                return true;
            }
            return false;
        });
    found.which = found.at == npos ? 0 : which;
    return found;
}

std::size_t findTagStart(std::string_view text, std::size_t from, std::string_view letters,
                         std::string_view afterSlash) noexcept {
    if (letters.empty() || letters.size() > 8 || afterSlash.empty() || afterSlash.size() > 2) {
        return npos; // not a search this function makes
    }
    // The scan's searches compare four letters and one after a slash; the wider lanes are for
    // the form walks that look at more kinds of tags.
    if (letters.size() <= 4 && afterSlash.size() == 1) {
        return TagStartSet<4, 1>(letters, afterSlash).find(text, from);
    }
    return TagStartSearch(letters, afterSlash).find(text, from);
}

template <std::size_t Letters, std::size_t SlashLetters>
TagStartSet<Letters, SlashLetters>::TagStartSet(std::string_view lettersText, std::string_view afterSlashText) noexcept
    : letterText(lettersText.substr(0, Letters)), slashText(afterSlashText.substr(0, SlashLetters)) {
    for (std::size_t i = 0; i < Letters; ++i) {
        letters[i] = letterText.empty() ? '!' : letterText[i < letterText.size() ? i : 0];
    }
    for (std::size_t i = 0; i < SlashLetters; ++i) {
        afterSlash[i] = slashText.empty() ? '!' : slashText[i < slashText.size() ? i : 0];
    }
}

template <std::size_t Letters, std::size_t SlashLetters>
std::size_t TagStartSet<Letters, SlashLetters>::find(std::string_view text, std::size_t from) const noexcept {
    return findTagStartIn(text, from, *this);
}

template struct TagStartSet<4, 1>;
template struct TagStartSet<8, 2>;

namespace {

// The classes of the byte after a "<", and of the one after "</", for TagStartCursor.
constexpr unsigned char kOpensTag = 1;   // "!" or one of the letters, in either case
constexpr unsigned char kSlash = 2;      // "/"
constexpr unsigned char kAfterSlash = 4; // one of the letters after a slash, in either case

constexpr std::size_t kCursorBlock = 64;

// The "<" among the `size` bytes (at most kCursorBlock) from `block` on, byte i at bit i.
std::uint64_t opensIn(const char *block, std::size_t size) noexcept {
    std::uint64_t opens = 0;
#ifdef VELMORAINE_VECTOR_SEARCH
    if (size == kCursorBlock) {
        const Lanes open = splat('<');
        for (std::size_t lane = 0; lane < kCursorBlock; lane += kLanes) {
            opens |= std::uint64_t{laneMask(loadLanes(block + lane) == open)} << lane;
        }
        return opens;
    }
#endif
    for (std::size_t i = 0; i < size; ++i) {
        opens |= std::uint64_t{block[i] == '<'} << i;
    }
    return opens;
}

} // namespace

template <std::size_t Letters, std::size_t SlashLetters>
TagStartCursor<Letters, SlashLetters>::TagStartCursor(const TagStartSet<Letters, SlashLetters> &set,
                                                      std::string_view text) noexcept
    : m_text(text) {
    for (int byte = 0; byte < 256; ++byte) {
        const char c = lowerAscii(static_cast<char>(byte));
        unsigned char &classes = m_classes[static_cast<std::size_t>(byte)];
        classes |= c == '!' || set.letterText.find(c) != npos ? kOpensTag : 0;
        classes |= c == '/' ? kSlash : 0;
        classes |= set.slashText.find(c) != npos ? kAfterSlash : 0;
    }
}

template <std::size_t Letters, std::size_t SlashLetters>
std::size_t TagStartCursor<Letters, SlashLetters>::next(std::size_t from) noexcept {
    const std::size_t size = m_text.size();
    const auto classOf = [this](std::size_t at) { return m_classes[static_cast<unsigned char>(m_text[at])]; };
    while (from < size) {
        const std::size_t block = from & ~(kCursorBlock - 1);
        if (block != m_block) {
            m_block = block;
            m_opens = opensIn(m_text.data() + block, std::min(kCursorBlock, size - block));
        }
        for (std::uint64_t opens = m_opens & (~std::uint64_t{0} << (from - block)); opens != 0; opens &= opens - 1) {
            // As findTagStart: a "<" needs the byte after it, and after "</" the next one too.
            const std::size_t at = block + static_cast<std::size_t>(__builtin_ctzll(opens));
            if (at + 1 >= size) {
                return npos;
            }
            const unsigned char after = classOf(at + 1);
            if ((after & kOpensTag) != 0 ||
                ((after & kSlash) != 0 && at + 2 < size && (classOf(at + 2) & kAfterSlash) != 0)) {
                return at;
            }
        }
        from = block + kCursorBlock;
    }
    return npos;
}

template class TagStartCursor<4, 1>;
template class TagStartCursor<8, 2>;

std::size_t findTagStart(std::string_view text, std::size_t from, std::string_view letters, char afterSlash) noexcept {
    return findTagStart(text, from, letters, std::string_view(&afterSlash, 1));
}

// ---------------------------------------------------------------------------------------------
// Large buffers
// ---------------------------------------------------------------------------------------------

void adviseHugePages(char *data, std::size_t size) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only whole huge pages inside the buffer are marked; below two of them it is not worth a
    // system call. A kernel without huge pages refuses, which changes nothing.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} * 1024 * 1024;
    if (data == nullptr || size < 2 * kHugePage) {
        return;
    }
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
    if (last > first) {
        (void)::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)size;
#endif
}

void reserveLarge(std::string &text, std::size_t size) {
    text.reserve(size);
    adviseHugePages(text.data(), text.capacity());
}

} // namespace velmoraine::bytes
