// Splits a fuzzer's input into parts: small numbers from the front, then texts separated by
// a byte that is rare in pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : m_rest(reinterpret_cast<const char *>(data), size) {}

    // A number from the next byte, 0 when the input is used up.
    int number() {
        if (m_rest.empty()) {
            return 0;
        }
        const auto value = static_cast<unsigned char>(m_rest.front());
        m_rest.remove_prefix(1);
        return value;
    }

    // The text up to the next separator byte (0xFF), or the rest.
    std::string_view text() {
        const std::size_t end = m_rest.find('\xFF');
        const std::string_view piece = m_rest.substr(0, end);
        m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
        return piece;
    }

    std::string_view rest() const { return m_rest; }

private:
    std::string_view m_rest;
};

// Stops the fuzzer with a message when a property does not hold.
#define VELMORAINE_FUZZ_CHECK(condition)                                                                               \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                     \
            std::fflush(stderr);                                                                                       \
            __builtin_trap();                                                                                          \
        }                                                                                                              \
    } while (false)

} // namespace velmoraine::fuzz
