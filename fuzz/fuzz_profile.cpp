// Profile file text: a stored value reads back, and a write changes nothing but that value.
#include "core/base/profile.h"
#include "fuzz/fuzz_input.h"

using namespace velmoraine;

namespace {
bool storable(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::FuzzInput input(data, size);
    const std::string_view section = input.text();
    const std::string_view key = input.text();
    const std::string_view value = input.text();
    const std::string_view file = input.rest();
    (void)profile::findValue(file, section, key);
    if (!storable(section) || !storable(key) || !storable(value) || trimmed(key).empty() ||
        key.find('=') != std::string_view::npos || section.find(']') != std::string_view::npos ||
        trimmed(section) != section || trimmed(key) != key || trimmed(value) != value ||
        key.find_first_of("[;#") == 0) {
        return 0;
    }
    const std::string written = profile::withValue(file, section, key, value);
    const auto readBack = profile::findValue(written, section, key);
    VELMORAINE_FUZZ_CHECK(readBack.has_value());
    VELMORAINE_FUZZ_CHECK(*readBack == trimmed(value));
    // Writing the same value again changes nothing.
    VELMORAINE_FUZZ_CHECK(profile::withValue(written, section, key, value) == written);
    return 0;
}
