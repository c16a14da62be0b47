// Saving a page never loses or exposes it: links, rights, owner, attributes and hard links
// are kept, the reasons of failures are told, planted links and read-only pages are refused,
// an interrupted write leaves no temporary file, and a page changed meanwhile is not replaced.
#include "core/base/files.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using velmoraine::files::PageLock;
using velmoraine::files::readFileBytes;
using velmoraine::files::stampOf;
using velmoraine::files::writeFileAtomically;
using velmoraine::files::WriteResult;

constexpr uid_t kNobody = 65534; // an unprivileged user every Debian system has

bool root() { return ::geteuid() == 0; }

class Saving : public velmoraine::test::TempFolderTest {
protected:
    static struct stat statusOf(const std::string &path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st;
    }
};

// ---------------------------------------------------------------------------------------------
// Links, devices and refusals
// ---------------------------------------------------------------------------------------------

TEST_F(Saving, LinkPlantedInAStickyFolderIsRefusedAnOwnLinkThereIsFollowed) {
    ASSERT_EQ(::mkdir(pathOf("shared").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(pathOf("shared").c_str(), 01777), 0);
    put(pathOf("victim"), "secret");
    ASSERT_EQ(::symlink(pathOf("victim").c_str(), pathOf("shared/out.htm").c_str()), 0);

    if (root()) {
        // Another user's link: the system would not follow it for us, nor do we.
        ASSERT_EQ(::lchown(pathOf("shared/out.htm").c_str(), kNobody, kNobody), 0);
        const WriteResult refused = writeFileAtomically(pathOf("shared/out.htm"), "new");
        EXPECT_EQ(refused.outcome, WriteResult::Outcome::Failed);
        EXPECT_EQ(refused.reason, "Permission denied");
        EXPECT_EQ(contents(pathOf("victim")), "secret");
        EXPECT_EQ(entries(pathOf("shared")), std::vector<std::string>{"out.htm"});
        ASSERT_EQ(::lchown(pathOf("shared/out.htm").c_str(), 0, 0), 0);
    }
    ASSERT_TRUE(writeFileAtomically(pathOf("shared/out.htm"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(pathOf("shared/out.htm")));
    EXPECT_EQ(contents(pathOf("victim")), "new");
    if (!root()) {
        GTEST_SKIP() << "only the superuser can give a link to another user: the refusal was not tried";
    }
}

TEST_F(Saving, PipeNamedThroughTheSystemsLinkIsWrittenStraight) {
    // /dev/stdout leads to /proc/self/fd/1, a link to a pipe with no name in any folder.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string name = "/proc/self/fd/" + std::to_string(ends[1]);
    const WriteResult written = writeFileAtomically(name, "through the pipe");
    ::close(ends[1]);
    char buffer[64] = {};
    const ssize_t got = ::read(ends[0], buffer, sizeof buffer);
    ::close(ends[0]);
    EXPECT_TRUE(written) << written.reason;
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the pipe");
}

TEST_F(Saving, FailuresGiveTheSystemsReason) {
    ASSERT_EQ(::symlink("b", pathOf("a").c_str()), 0);
    ASSERT_EQ(::symlink("a", pathOf("b").c_str()), 0);
    ASSERT_EQ(::mkdir(pathOf("folder").c_str(), 0700), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {pathOf("a"), "Too many levels of symbolic links"},
        {pathOf(std::string(300, 'n')), "File name too long"},
        {pathOf("no/such/page.htm"), "No such file or directory"},
        {pathOf("folder"), "Is a directory"},
        {"/dev/full", "No space left on device"},
    };
    for (const Case &c : cases) {
        const WriteResult result = writeFileAtomically(c.path, "x");
        EXPECT_FALSE(result) << c.path;
        EXPECT_EQ(result.reason, c.reason) << c.path;
        EXPECT_EQ(result.keptCopy, "") << c.path;
    }
    EXPECT_EQ(entries(), (std::vector<std::string>{"a", "b", "folder"}));
}

TEST_F(Saving, ReadOnlyPageIsRefused) {
    put(pathOf("page.htm"), "old");
    ASSERT_EQ(::chmod(pathOf("page.htm").c_str(), 0444), 0);
    // The superuser may write a read-only file: the write is made by its owner, who may not.
    const std::string reason = asOrdinaryUser([this] {
        const WriteResult result = writeFileAtomically(pathOf("page.htm"), "new");
        return result ? std::string("written") : result.reason;
    });
    EXPECT_EQ(reason, "the file is read-only");
    EXPECT_EQ(contents(pathOf("page.htm")), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"});
}

// ---------------------------------------------------------------------------------------------
// What the file keeps
// ---------------------------------------------------------------------------------------------

// An access list giving user 65534 read and write, in the system's stored form.
std::string accessListWithNobody() {
    struct Entry {
        std::uint16_t tag;
        std::uint16_t perm;
        std::uint32_t id;
    };
    constexpr std::uint32_t kVersion = 2;
    constexpr std::uint32_t kNoId = 0xFFFFFFFF;
    const Entry list[] = {{0x01, 6, kNoId}, {0x02, 6, kNobody}, {0x04, 4, kNoId}, {0x10, 6, kNoId}, {0x20, 4, kNoId}};
    std::string bytes(reinterpret_cast<const char *>(&kVersion), sizeof kVersion);
    bytes.append(reinterpret_cast<const char *>(list), sizeof list);
    return bytes;
}

std::optional<std::string> attribute(const std::string &path, const char *name) {
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? std::nullopt : std::optional<std::string>(std::string(value, static_cast<std::size_t>(size)));
}

TEST_F(Saving, AccessListAttributesAndModeAreKept) {
    put(pathOf("page.htm"), "old");
    const std::string list = accessListWithNobody();
    if (::setxattr(pathOf("page.htm").c_str(), "user.velmoraine.note", "kept", 4, 0) != 0 ||
        ::setxattr(pathOf("page.htm").c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0) {
        GTEST_SKIP() << "this file system stores no extended attributes or access lists";
    }
    const mode_t mode = statusOf(pathOf("page.htm")).st_mode;

    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), "new"));
    EXPECT_EQ(contents(pathOf("page.htm")), "new");
    EXPECT_EQ(attribute(pathOf("page.htm"), "user.velmoraine.note"), "kept");
    EXPECT_EQ(attribute(pathOf("page.htm"), "system.posix_acl_access"), list);
    EXPECT_EQ(statusOf(pathOf("page.htm")).st_mode, mode); // the group did not gain write access
    EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(Saving, EveryHardLinkShowsTheNewPage) {
    put(pathOf("page.htm"), "old text, longer than the new one");
    ASSERT_EQ(::link(pathOf("page.htm").c_str(), pathOf("other-name.htm").c_str()), 0);
    const ino_t inode = statusOf(pathOf("page.htm")).st_ino;

    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), "new"));
    EXPECT_EQ(contents(pathOf("page.htm")), "new");
    EXPECT_EQ(contents(pathOf("other-name.htm")), "new");
    EXPECT_EQ(statusOf(pathOf("page.htm")).st_ino, inode);
    EXPECT_EQ(statusOf(pathOf("page.htm")).st_nlink, 2U);
    EXPECT_EQ(entries(), (std::vector<std::string>{"other-name.htm", "page.htm"}));
}

TEST_F(Saving, OwnerAndGroupAreKept) {
    if (!root()) {
        GTEST_SKIP() << "a file of another owner can be made by the superuser only";
    }
    // The superuser keeps them by giving the new file away.
    put(pathOf("by-root.htm"), "old");
    ASSERT_EQ(::chown(pathOf("by-root.htm").c_str(), kNobody, kNobody), 0);
    ASSERT_TRUE(writeFileAtomically(pathOf("by-root.htm"), "new"));
    EXPECT_EQ(statusOf(pathOf("by-root.htm")).st_uid, kNobody);
    EXPECT_EQ(statusOf(pathOf("by-root.htm")).st_gid, kNobody);

    // Another user cannot give a file away: the new bytes go through the existing file.
    ASSERT_EQ(::chmod(m_folder.c_str(), 0777), 0);
    put(pathOf("shared.htm"), "old text of the shared page");
    ASSERT_EQ(::chmod(pathOf("shared.htm").c_str(), 0666), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            std::_Exit(9);
        }
        std::_Exit(writeFileAtomically(pathOf("shared.htm"), "new") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(contents(pathOf("shared.htm")), "new");
    EXPECT_EQ(statusOf(pathOf("shared.htm")).st_uid, 0U);
    EXPECT_EQ(statusOf(pathOf("shared.htm")).st_gid, 0U);
    EXPECT_EQ(entries(), (std::vector<std::string>{"by-root.htm", "shared.htm"}));
}

// ---------------------------------------------------------------------------------------------
// Interruptions and other writers
// ---------------------------------------------------------------------------------------------

// True while `child` holds a file of `folder` open: the new page, named or not yet.
bool writingInto(pid_t child, const std::string &folder) {
    const std::filesystem::path fds = "/proc/" + std::to_string(child) + "/fd";
    std::error_code error;
    for (const auto &fd : std::filesystem::directory_iterator(fds, error)) {
        if (std::filesystem::read_symlink(fd.path(), error).string().starts_with(folder + "/")) {
            return true;
        }
    }
    return false;
}

TEST_F(Saving, EndingTheProcessMidWriteLeavesOnlyThePage) {
    // A write of 192 MB, ended as soon as it has begun. The new file has no name until it is
    // whole, so even a kill that cannot be caught leaves nothing beside the page; the signals
    // that can be caught remove a named temporary file where the file system gives no other.
    const std::string block(std::size_t{64} << 20, 'n');
    const std::string_view pieces[] = {block, block, block};
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        put(pathOf("page.htm"), "old");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            writeFileAtomically(pathOf("page.htm"), std::span<const std::string_view>(pieces));
            std::_Exit(0);
        }
        while (!writingInto(child, m_folder)) {
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child) {
                FAIL() << "the write ended before it could be interrupted";
            }
        }
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        // Ended by the signal, or done just before it came: either way a whole page and
        // nothing beside it.
        EXPECT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == signal : WEXITSTATUS(status) == 0) << signal;
        const std::string page = contents(pathOf("page.htm"));
        EXPECT_TRUE(page == "old" || page.size() == 3 * block.size()) << signal;
        EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"}) << signal;
    }
}

// Interrupted while the new bytes are copied through a hard-linked page: the complete copy
// stays, and the message says where it is.
TEST_F(Saving, InterruptedCopyThroughThePageKeepsTheCopyAndSaysWhere) {
    const std::string block(std::size_t{64} << 20, 'n');
    const std::string_view pieces[] = {block, block, block};
    put(pathOf("page.htm"), "old");
    ASSERT_EQ(::link(pathOf("page.htm").c_str(), pathOf("other-name.htm").c_str()), 0);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(ends[1], STDERR_FILENO);
        writeFileAtomically(pathOf("page.htm"), std::span<const std::string_view>(pieces));
        std::_Exit(0);
    }
    ::close(ends[1]);
    // The copy through the page has begun once the page grows.
    while (statusOf(pathOf("page.htm")).st_size <= 3) {
        int status = 0;
        ASSERT_NE(::waitpid(child, &status, WNOHANG), child) << "the write ended before the copy began";
    }
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::string err(4096, '\0');
    const ssize_t got = ::read(ends[0], err.data(), err.size());
    err.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    ::close(ends[0]);

    const std::size_t size = 3 * block.size();
    if (!WIFSIGNALED(status)) { // done just before the signal came
        EXPECT_EQ(statusOf(pathOf("other-name.htm")).st_size, static_cast<off_t>(size));
        EXPECT_EQ(entries(), (std::vector<std::string>{"other-name.htm", "page.htm"}));
        return;
    }
    const std::vector<std::string> names = entries();
    ASSERT_EQ(names.size(), 3U);
    const std::string copy = pathOf(names[0]);
    EXPECT_TRUE(names[0].starts_with(".page.htm.")) << names[0];
    EXPECT_EQ(statusOf(copy).st_size, static_cast<off_t>(size));
    EXPECT_EQ(err,
              "Cannot create file " + pathOf("page.htm") + ": interrupted. The new page is kept in " + copy + ".\n");
}

TEST_F(Saving, SameSizeRewriteWithTheOldTimeIsSeenAsAChange) {
    put(pathOf("page.htm"), "<form>old</form>");
    const auto bytes = readFileBytes(pathOf("page.htm"), {"shortened", 1});
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

TEST_F(Saving, WriteOnlyIfHoldingLeavesAPageChangedMeanwhile) {
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

// The page the bytes were made from changed while they were written: whatever the target,
// nothing is committed, and the question came only once every byte was in the new file.
TEST_F(Saving, BytesFromAPageChangedMeanwhileAreNotCommitted) {
    const std::string bytes = "the new page, read from a page that changed";
    struct Row {
        const char *name;
        std::function<void()> prepare; // makes page.htm as the row needs it
    };
    const std::vector<Row> rows = {
        {"new target", [] {}},
        {"existing target", [&] { put(pathOf("page.htm"), "old"); }},
        {"hard-linked target",
         [&] {
             put(pathOf("page.htm"), "old");
             ASSERT_EQ(::link(pathOf("page.htm").c_str(), pathOf("other-name.htm").c_str()), 0);
         }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(m_folder);
        ASSERT_TRUE(std::filesystem::create_directory(m_folder));
        row.prepare();
        const auto before = entries();
        const std::string old = before.empty() ? std::string() : contents(pathOf("page.htm"));
        std::optional<off_t> writtenWhenAsked;
        const auto sourceUnchanged = [&] {
            for (const auto &fd : std::filesystem::directory_iterator("/proc/self/fd")) {
                struct stat st {};
                if (std::filesystem::read_symlink(fd.path()).string().starts_with(m_folder + "/") &&
                    ::stat(fd.path().c_str(), &st) == 0) {
                    writtenWhenAsked = st.st_size;
                }
            }
            return false;
        };
        const WriteResult result = writeFileAtomically(pathOf("page.htm"), bytes, {.sourceUnchanged = sourceUnchanged});
        EXPECT_EQ(result.outcome, WriteResult::Outcome::SourceChanged);
        EXPECT_EQ(writtenWhenAsked, static_cast<off_t>(bytes.size()));
        EXPECT_EQ(entries(), before);
        if (!before.empty()) {
            EXPECT_EQ(contents(pathOf("page.htm")), old);
        }
    }
}

TEST_F(Saving, LockedReadWaitsForTheWriterAndReadsItsResult) {
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

} // namespace
