// A test fixture that gives each test a temporary folder of its own, removed afterwards, with
// plain stream helpers to write and read files in it (so that the tests do not check our file
// functions against themselves).
#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

namespace velmoraine::test {

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmoraine-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override {
        ::chmod(m_folder.c_str(), 0700); // a test may have taken the folder's rights away
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

    [[nodiscard]] std::string pathOf(const std::string &name) const { return m_folder + "/" + name; }

    static void put(const std::string &path, const std::string &bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    static std::string contents(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Names in a folder (the test's own by default): a temporary file left behind shows here.
    [[nodiscard]] std::vector<std::string> entries(const std::string &folder = {}) const {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder.empty() ? m_folder : folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string m_folder;
};

} // namespace velmoraine::test
