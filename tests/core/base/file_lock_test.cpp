// The page lock: a locked read waits for the writer that holds the page and reads the page that
// writer put in its place, and a write that must find the bytes read leaves a page changed
// meanwhile alone.
#include "core/base/file_lock.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "core/base/atomic_write.h"
#include "core/base/page_read.h"

namespace {

using velmoraine::files::PageLock;
using velmoraine::files::readFileBytes;
using velmoraine::files::stampOf;
using velmoraine::files::writeFileAtomically;
using velmoraine::files::WriteResult;

class FileLock : public velmoraine::test::TempFolderTest {};

TEST_F(FileLock, LockedReadWaitsForTheWriterAndReadsItsResult) {
    put(pathOf("page.htm"), "first");
    auto held = readFileBytes(pathOf("page.htm"), {"shortened", 1}, PageLock::Exclusive);
    ASSERT_TRUE(held);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        held.reset(); // the parent's lock is not the child's to hold
        // Waits for the lock, then must see the page that replaced the one it waited on.
        const auto mine = readFileBytes(pathOf("page.htm"), {"shortened", 1}, PageLock::Exclusive);
        std::_Exit(mine && mine->view() == "second" ? 0 : 1);
    }
    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), "second"));
    held.reset();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(FileLock, WriteOnlyIfHoldingLeavesAPageChangedMeanwhile) {
    put(pathOf("page.htm"), "scanned");
    const auto scanned = stampOf("scanned");
    put(pathOf("page.htm"), "saved by the editor");
    const WriteResult refused =
        writeFileAtomically(pathOf("page.htm"), "new", {.onlyIfHolding = scanned, .sourceUnchanged = {}});
    EXPECT_EQ(refused.outcome, WriteResult::Outcome::TargetChanged);
    EXPECT_EQ(contents(pathOf("page.htm")), "saved by the editor");

    put(pathOf("page.htm"), "scanned");
    EXPECT_TRUE(writeFileAtomically(pathOf("page.htm"), "new", {.onlyIfHolding = scanned, .sourceUnchanged = {}}));
    EXPECT_EQ(contents(pathOf("page.htm")), "new");
    EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"});
}

} // namespace
