// Saving a page keeps what a rename would lose: its access list, attributes and mode, its owner
// and group, and every hard link's view of it. Ended in the middle, a write leaves only the page,
// or, while it copies the new bytes through a hard-linked page, keeps the copy and says where.
#include "core/base/atomic_write.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using velmoraine::files::writeFileAtomically;

constexpr uid_t kNobody = 65534; // an unprivileged user every Debian system has

bool root() { return ::geteuid() == 0; }

class Saving : public velmoraine::test::TempFolderTest {};

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
// Interruptions
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

} // namespace
