// The pages the differential tests read: the real pages others wrote (shared/corpus/pages, beside
// the repository), the command-line tests' pages and the documented example, sorted by path so
// that every run reads them in the same order; and pages generated from pieces.
#pragma once

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/base/files.h"

namespace velmoraine::test {

struct NamedPage {
    std::string name; // the file's path
    std::string bytes;
};

// Every regular file under the folders (and their subfolders), read whole.
inline std::vector<NamedPage> pagesIn(std::initializer_list<std::filesystem::path> folders) {
    std::vector<std::filesystem::path> paths;
    for (const std::filesystem::path &folder : folders) {
        EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
        if (std::filesystem::is_directory(folder)) {
            for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
                if (entry.is_regular_file()) {
                    paths.push_back(entry.path());
                }
            }
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<NamedPage> pages;
    for (const std::filesystem::path &path : paths) {
        std::optional<std::string> bytes = files::readWholeFile(path.string());
        EXPECT_TRUE(bytes) << path;
        pages.push_back({path.string(), bytes.value_or("")});
    }
    return pages;
}

inline std::filesystem::path sourceFolder() { return VELMORAINE_SOURCE_DIR; }

// The real pages, the command-line tests' pages and the example.
inline std::vector<NamedPage> realAndTestPages() {
    const std::filesystem::path source = sourceFolder();
    return pagesIn({source / ".." / "shared" / "corpus" / "pages", source / "tests" / "cli" / "pages",
                    source / "docs" / "example"});
}

// `count` pieces picked by `random` and joined: a generated page. The tests seed `random`, so
// every run sees the same pages.
inline std::string pageOfPieces(std::mt19937 &random, const std::vector<std::string> &pieces, std::size_t count) {
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::string page;
    for (std::size_t i = 0; i < count; ++i) {
        page += pieces[pick(random)];
    }
    return page;
}

} // namespace velmoraine::test
