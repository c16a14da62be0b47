#include "platform/bytes.h"

#include <climits>
#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmoraine::bytes {

namespace {

constexpr std::size_t npos = std::string_view::npos;

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

// The first position in [from, last] whose byte is `lead`, whose byte `offset` further on is
// `probeA` or `probeB`, and which `verify` accepts; npos when there is none. Every position up
// to `last` + `offset` must be inside `text`.
template <typename Verify>
std::size_t findCandidate(const char *text, std::size_t from, std::size_t last, char lead, std::size_t offset,
                          char probeA, char probeB, Verify verify) {
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
        const std::uint32_t high = candidatesAt(text + at + 2 * kLanes) | candidatesAt(text + at + 3 * kLanes) << kLanes;
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

} // namespace

std::string lowerAsciiCopy(std::string_view text) {
    std::string out(text);
    for (char &c : out) {
        c = lowerAscii(c);
    }
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lowerAscii(text[i]) != lowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && startsWithNoCase(a, b);
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
    found.at = findCandidate(data, from, text.size() - first.size(), first[0], 1, first[1], second[1],
                             [&](std::size_t at) {
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
