// A test fixture that gives each test a temporary folder of its own, removed afterwards, with
// plain stream helpers to write and read files in it (so that the tests do not check our file
// functions against themselves), and a way to work in it as a user whom permission bits stop.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
    // The status of `path`, links followed; a failure to read it fails the test.
    static struct stat statusOf(const std::string &path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st;
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

    // Runs `work` as a user whom permission bits stop and gives back the text it returns: here,
    // or, when this process is the superuser (whom they do not stop), in a child that becomes
    // user 65534 (nobody) once the test's folder and everything in it are that user's. `work`
    // makes no assertions: a child's would not count.
    [[nodiscard]] std::string asOrdinaryUser(const std::function<std::string()> &work) const {
        constexpr uid_t kOrdinaryUser = 65534;
        if (::geteuid() != 0) {
            return work();
        }
        EXPECT_EQ(::lchown(m_folder.c_str(), kOrdinaryUser, kOrdinaryUser), 0);
        for (const auto &entry : std::filesystem::recursive_directory_iterator(m_folder)) {
            EXPECT_EQ(::lchown(entry.path().c_str(), kOrdinaryUser, kOrdinaryUser), 0) << entry.path();
        }
        int ends[2];
        if (::pipe(ends) != 0) {
            ADD_FAILURE() << "no pipe";
            return {};
        }
        const pid_t child = ::fork();
        if (child < 0) {
            ADD_FAILURE() << "no child process";
            ::close(ends[0]);
            ::close(ends[1]);
            return {};
        }
        if (child == 0) {
            ::close(ends[0]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(kOrdinaryUser) != 0 || ::setuid(kOrdinaryUser) != 0) {
                std::_Exit(9);
            }
            const std::string text = work();
            const bool sent = ::write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
            std::_Exit(sent ? 0 : 8);
        }
        ::close(ends[1]);
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(ends[0]);
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child as user 65534 ended with " << status;
        return text;
    }

    std::string m_folder;
};

} // namespace velmoraine::test
