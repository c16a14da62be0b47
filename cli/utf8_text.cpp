#include "cli/utf8_text.h"

namespace velmoraine::cli {

namespace {

bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Length of the well-formed sequence starting at `at`, or 0 when the lead byte does not begin
// one. The ranges of the second byte shut out overlongs (E0, F0), surrogates (ED) and values
// above U+10FFFF (F4).
std::size_t wellFormedLength(std::string_view bytes, std::size_t at) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(at);
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            secondLow = 0xA0;
        } else if (lead == 0xED) {
            secondHigh = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            secondLow = 0x90;
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;
        }
    } else {
        return 0;
    }
    if (bytes.size() - at < length) {
        return 0;
    }
    const unsigned char second = byteAt(at + 1);
    if (second < secondLow || second > secondHigh) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(byteAt(at + i))) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::string utf8FromBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t length = wellFormedLength(bytes, at);
        if (length > 0) {
            out.append(bytes.substr(at, length));
            at += length;
            continue;
        }
        // One byte of an ill-formed sequence: its Latin-1 character, then go on with the next byte.
        const auto c = static_cast<unsigned char>(bytes[at]);
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        ++at;
    }
    return out;
}

} // namespace velmoraine::cli
