// Page reads: whole reads and held (mapped when large) pages give the same bytes, notice a page
// changed since it was read, and end the process with the message when a mapped page shrinks.
#include "core/base/page_read.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/atomic_write.h"

using velmoraine::files::readFileBytes;
using velmoraine::files::readWholeFile;
using velmoraine::files::writeFileAtomically;
using namespace std::string_literals;

namespace {

std::optional<velmoraine::files::FileBytes> readPage(const std::string &path) {
    return readFileBytes(path, {"shortened", 1});
}

// Each test works in its own temporary folder.
class PageRead : public velmoraine::test::TempFolderTest {};

// Bytes that change from one byte to the next, so that a piece read twice or left out shows.
std::string patterned(std::size_t size, unsigned step) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * step);
    }
    return bytes;
}

// Both reads give the file's bytes: read into memory below the mapping size, mapped from it.
TEST_F(PageRead, ReadsGiveTheWholeFileReadOrMapped) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"zero-bytes.htm", "<form\0 name=\"a\">\0\0\r\n"s},
        {"empty.htm", ""},
        {"larger-than-one-read-call.htm", patterned(3 * 1024 * 1024 + 17, 31)},
        {"mapped.htm", patterned(9 * 1024 * 1024 + 5, 7)},
    };
    for (const auto &[name, bytes] : rows) {
        put(pathOf(name), bytes);
        EXPECT_EQ(readWholeFile(pathOf(name)), bytes) << name;
        const auto read = readPage(pathOf(name));
        ASSERT_TRUE(read.has_value()) << name;
        EXPECT_EQ(read->view(), bytes) << name;
        EXPECT_FALSE(read->changedSinceRead()) << name;
    }
    // The kernel reports a size of zero for this file, yet it has contents.
    const auto status = readWholeFile("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->substr(0, 5), "Name:");
    const auto held = readPage("/proc/self/status");
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->view().substr(0, 5), "Name:");
}

TEST_F(PageRead, FolderAndMissingFileGiveNothing) {
    for (const std::string &path : {m_folder, pathOf("missing.htm"), std::string()}) {
        EXPECT_EQ(readWholeFile(path), std::nullopt) << path;
        EXPECT_FALSE(readPage(path).has_value()) << path;
    }
}

TEST_F(PageRead, PageBytesMoveReleaseAndNoticeChanges) {
    put(pathOf("page.htm"), "abc");
    auto read = readPage(pathOf("page.htm"));
    ASSERT_TRUE(read.has_value());
    velmoraine::files::FileBytes moved = std::move(*read);
    EXPECT_EQ(moved.view(), "abc");
    EXPECT_TRUE(read->view().empty());
    EXPECT_FALSE(read->changedSinceRead());
    {
        std::ofstream more(pathOf("page.htm"), std::ios::binary | std::ios::app);
        more << "d";
    }
    EXPECT_TRUE(moved.changedSinceRead());
    moved.release();
    EXPECT_TRUE(moved.view().empty());

    // Replacing the file by a new one (as an atomic save does) leaves the bytes read alone.
    const std::string big(2 * 1024 * 1024, 'x');
    put(pathOf("big.htm"), big);
    auto mapped = readPage(pathOf("big.htm"));
    ASSERT_TRUE(mapped.has_value());
    ASSERT_TRUE(writeFileAtomically(pathOf("big.htm"), "new"));
    EXPECT_FALSE(mapped->changedSinceRead());
    EXPECT_EQ(mapped->view(), big);
}

TEST_F(PageRead, SameSizeRewriteWithTheOldTimeIsSeenAsAChange) {
    put(pathOf("page.htm"), "<form>old</form>");
    const auto bytes = readPage(pathOf("page.htm"));
    ASSERT_TRUE(bytes);
    EXPECT_FALSE(bytes->changedSinceRead());
    // Another program writes the same number of bytes in the same tick of the clock.
    const struct stat before = statusOf(pathOf("page.htm"));
    const int fd = ::open(pathOf("page.htm").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, "new", 3, 6), 3);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
    EXPECT_TRUE(bytes->changedSinceRead());
}

TEST_F(PageRead, MappedPageShortenedWhileInUseEndsWithTheMessage) {
    GTEST_FLAG_SET(death_test_style, "fast"); // the child works in this test's own folder
    const std::string big(3 * 1024 * 1024, 'y');
    put(pathOf("big.htm"), big);
    EXPECT_EXIT(
        {
            const auto mapped = readFileBytes(pathOf("big.htm"), {"Cannot open file big.htm", 2});
            if (!mapped || ::truncate(pathOf("big.htm").c_str(), 0) != 0) {
                std::_Exit(9);
            }
            volatile char last = mapped->view().back();
            (void)last;
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(2), "Cannot open file big.htm");
}

} // namespace
