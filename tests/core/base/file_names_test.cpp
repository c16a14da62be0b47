// The file layer as every system the program builds for must give it: pages under UTF-8 names
// outside any one code page and in folders deeper than a short path allows, the lock that makes
// two writers take turns, the system's reasons in the same words, and the path helpers. No
// POSIX call here, so the same cases run on Windows, where every name passes through UTF-16.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "core/base/atomic_write.h"
#include "core/base/page_read.h"
#include "core/base/platform_files.h"

namespace velmoraine::files {
namespace {

namespace fs = std::filesystem;

fs::path fromUtf8(std::string_view text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string toUtf8(const fs::path &path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// A folder of the test's own under the system's temporary folder, emptied first.
class FileNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / (std::string("velmoraine-names-") + test->name());
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        fs::create_directories(m_folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    fs::path m_folder;
};

// How many names a folder holds. On Windows the runtime's folder listing cannot open a folder
// past the short path's length (it lists another one), so the system lists it, with the
// long-path prefix.
int namesIn(fs::path folder) {
    int names = 0;
#ifdef _WIN32
    const std::wstring pattern = L"\\\\?\\" + folder.make_preferred().wstring() + L"\\*";
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found) != 0) {
        const std::wstring_view name = found.cFileName;
        names += name == L"." || name == L".." ? 0 : 1;
    }
    if (search != INVALID_HANDLE_VALUE) {
        ::FindClose(search);
    }
#else
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(folder)) {
        ++names;
    }
#endif
    return names;
}

// What the system's own streams find under a name, so that the layer is not checked against
// itself.
std::string contentsOf(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(FileNamesTest, PagesUnderEveryKindOfNameAreWrittenReadAndReplaced) {
    const std::string deep = [] {
        std::string folders;
        for (int level = 0; level < 12; ++level) {
            folders += "a-folder-with-a-rather-long-name-" + std::to_string(level) + "/";
        }
        return folders;
    }();
    const struct {
        const char *what;
        std::string name; // UTF-8, under the test's folder
    } cases[] = {
        {"plain", "page.html"},
        {"spaces and a dot first", ".my page (copy).html"},
        {"Cyrillic, Japanese and Greek", "\xd1\x81\xd1\x82\xd1\x80\xd0\xb0\xd0\xbd\xd0\xb8\xd1\x86\xd0\xb0-"
                                         "\xe3\x83\x9a\xe3\x83\xbc\xe3\x82\xb8-\xce\xb1.html"},
        {"past the short path's 260 characters", deep + "page.html"},
    };
    int folder = 0; // a folder for each case, so that each folder's names are the case's own
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path native = m_folder / std::to_string(++folder) / fromUtf8(c.name);
        fs::create_directories(native.parent_path());
        const std::string path = toUtf8(native);
        ASSERT_TRUE(!c.name.starts_with("a-folder") || path.size() > 260) << path.size();

        ASSERT_TRUE(writeFileAtomically(path, std::string_view("<form>first</form>")));
        EXPECT_EQ(contentsOf(native), "<form>first</form>");
        EXPECT_EQ(readWholeFile(path), "<form>first</form>");

        // Read under the exclusive lock, then replaced while it still holds what was read (the
        // write takes the lock again to check that).
        WriteOptions options;
        {
            const auto held = readFileBytes(path, {}, PageLock::Exclusive);
            ASSERT_TRUE(held);
            EXPECT_EQ(held->view(), "<form>first</form>");
            EXPECT_FALSE(held->changedSinceRead());
            options.onlyIfHolding = stampOf(held->view());
        }
        ASSERT_TRUE(writeFileAtomically(path, std::string_view("<form>second</form>"), options));
        EXPECT_EQ(contentsOf(native), "<form>second</form>");

        // A page that changed meanwhile is left alone.
        options.onlyIfHolding = stampOf("<form>first</form>");
        EXPECT_EQ(writeFileAtomically(path, std::string_view("<form>third</form>"), options).outcome,
                  WriteResult::Outcome::TargetChanged);
        EXPECT_EQ(contentsOf(native), "<form>second</form>");

        // Nothing but the page is left in its folder.
        EXPECT_EQ(namesIn(native.parent_path()), 1);
    }
}

TEST_F(FileNamesTest, MissingPagesAndFoldersFailWithTheSystemsReason) {
    const std::string missingFolder = toUtf8(m_folder / "no-such-folder" / "page.html");
    const auto result = writeFileAtomically(missingFolder, std::string_view("<form></form>"));
    EXPECT_EQ(result.outcome, WriteResult::Outcome::Failed);
    EXPECT_EQ(result.reason, "No such file or directory");
    EXPECT_FALSE(fs::exists(m_folder / "no-such-folder"));

    EXPECT_FALSE(readWholeFile(toUtf8(m_folder / "missing.html")));
    EXPECT_FALSE(readWholeFile(toUtf8(m_folder))); // a folder is no page
    EXPECT_FALSE(readFileBytes(toUtf8(m_folder / "missing.html"), {}));
}

TEST_F(FileNamesTest, AWriterWaitsForThePageThatAnotherHoldsLocked) {
    const fs::path native = m_folder / "page.html";
    const std::string path = toUtf8(native);
    ASSERT_TRUE(writeFileAtomically(path, std::string_view("<form>first</form>")));

    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
    std::thread holder([&] {
        const auto page = readFileBytes(path, {}, PageLock::Exclusive);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        released = true; // the lock goes with `page`, just after this
    });
    while (!held) {
        std::this_thread::yield();
    }
    WriteOptions options;
    options.onlyIfHolding = stampOf("<form>first</form>");
    const bool written = static_cast<bool>(writeFileAtomically(path, std::string_view("<form>second</form>"), options));
    const bool waited = released;
    holder.join();
    EXPECT_TRUE(written);
    EXPECT_TRUE(waited) << "the write did not wait for the lock";
    EXPECT_EQ(contentsOf(native), "<form>second</form>");
}

TEST(FileReasons, TheSystemsReasonsReadTheSameOnEverySystem) {
    const struct {
        int error;
        const char *reason;
    } cases[] = {
        {ENOENT, "No such file or directory"},
        {EACCES, "Permission denied"},
        {EEXIST, "File exists"},
        {ENOSPC, "No space left on device"},
        {EROFS, "Read-only file system"},
        {ENAMETOOLONG, "File name too long"},
        {EISDIR, "Is a directory"},
        {EIO, "Input/output error"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(systemReason(c.error), c.reason) << c.error;
    }
}

TEST(FilePaths, TheLastSeparatorAndAbsolutePathsFollowTheSystem) {
#ifdef _WIN32
    constexpr bool windows = true;
#else
    constexpr bool windows = false;
#endif
    const struct {
        std::string_view path;
        bool absolute;             // on this system
        std::size_t lastSeparator; // on this system
    } cases[] = {
        {"page.html", false, std::string_view::npos},
        {"site/page.html", false, 4},
        {"/home/ann/page.html", true, 9},
        {"", false, std::string_view::npos},
        {"C:\\Sites\\page.html", windows, windows ? 8 : std::string_view::npos},
        {"C:/Sites/page.html", windows, 8},
        {"\\\\server\\share\\page.html", windows, windows ? 14 : std::string_view::npos},
        {"C:page.html", false, std::string_view::npos}, // relative to the drive's own folder
        {"site\\sub/page.html", false, 8},
        {"site/sub\\page.html", false, windows ? 8 : 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.path));
        EXPECT_EQ(platform::isAbsolutePath(c.path), c.absolute);
        EXPECT_EQ(platform::lastSeparator(c.path), c.lastSeparator);
    }
    const std::string settings = platform::settingsFolder();
    EXPECT_TRUE(platform::isAbsolutePath(settings)) << settings;
    EXPECT_FALSE(settings.empty() || platform::isPathSeparator(settings.back())) << settings;
}

} // namespace
} // namespace velmoraine::files
