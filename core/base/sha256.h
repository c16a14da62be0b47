// SHA-256 of bytes, for the Content-Security-Policy hash of the validation script.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmoraine::sha256 {

// The 32-byte digest of `bytes`.
std::array<std::uint8_t, 32> digest(std::string_view bytes);

// Standard base64 (with "=" padding) of `bytes`.
std::string base64(std::string_view bytes);

} // namespace velmoraine::sha256
