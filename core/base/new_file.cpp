#include "core/base/new_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

namespace velmoraine::files {

TemporaryName::TemporaryName(std::string path) : m_path(std::move(path)) { platform::setTemporaryFile(m_path.c_str()); }

TemporaryName::~TemporaryName() {
    platform::setTemporaryFile(nullptr);
    if (!m_path.empty()) {
        platform::removeName(m_path);
    }
}

void TemporaryName::dismiss() noexcept {
    platform::setTemporaryFile(nullptr);
    m_path.clear();
}

bool NewFile::open(const std::string &folder, const std::string &base) {
    m_pattern = (platform::isPathSeparator(folder.back()) ? folder : folder + "/") + "." + base + ".XXXXXX";
    m_file = platform::createUnnamed(folder);
    if (m_file.valid()) {
        return true;
    }
    const platform::EndingSignalsHeld held; // until the handler knows the name it must remove
    std::string name = m_pattern;
    m_file = platform::createTemporary(name);
    if (!m_file.valid()) {
        return false;
    }
    m_temporary.emplace(std::move(name));
    return true;
}

bool NewFile::name() {
    if (m_temporary) {
        return true;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = m_pattern;
        fillRandomly(std::span(name).last(6));
        const platform::EndingSignalsHeld held;
        if (platform::linkAs(m_file, name)) {
            m_temporary.emplace(std::move(name));
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

bool NewFile::linkAs(const std::string &target) {
    if (m_temporary) {
        errno = EEXIST;
        return false;
    }
    return platform::linkAs(m_file, target);
}

// Letters and digits as mkostemp uses them, from the system's random source.
void NewFile::fillRandomly(std::span<char> out) {
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (!platform::randomBytes(random)) {
        const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::memcpy(random, &now, sizeof random);
    }
    for (std::size_t i = 0; i < out.size() && i < sizeof random; ++i) {
        out[i] = kLetters[random[i] % kLetters.size()];
    }
}

} // namespace velmoraine::files
