// Atomic writes: what a write puts down reads back, links stay and their targets get the bytes,
// planted links, folders and read-only pages are refused with the system's reason, devices and
// pipes are written in place, pieces go out whole and in order, and bytes from a page that
// changed meanwhile are not committed. A failure never leaves a temporary file.
#include "core/base/atomic_write.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using velmoraine::files::readFileBytes;
using velmoraine::files::readWholeFile;
using velmoraine::files::writeFileAtomically;
using velmoraine::files::WriteResult;
using namespace std::string_literals;

constexpr uid_t kNobody = 65534; // an unprivileged user every Debian system has

bool root() { return ::geteuid() == 0; }

// Each test works in its own temporary folder.
class AtomicWrite : public velmoraine::test::TempFolderTest {
protected:
    static mode_t modeOf(const std::string &path) { return statusOf(path).st_mode & 07777; }
};

// What an atomic write puts down reads back byte for byte, by a plain stream and by our read.
TEST_F(AtomicWrite, WrittenBytesReadBack) {
    for (const auto &[name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"zero-bytes.htm", "<form\0 name=\"a\">\0\0\r\n"s},
             {"empty.htm", ""},
         }) {
        ASSERT_TRUE(writeFileAtomically(pathOf(name), bytes)) << name;
        EXPECT_EQ(contents(pathOf(name)), bytes) << name;
        EXPECT_EQ(readWholeFile(pathOf(name)), bytes) << name;
    }
}

TEST_F(AtomicWrite, ReplacesContentsAndKeepsPermissions) {
    put(pathOf("page.htm"), "old contents that are longer");
    ASSERT_EQ(::chmod(pathOf("page.htm").c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), "new"));
    EXPECT_EQ(contents(pathOf("page.htm")), "new");
    EXPECT_EQ(modeOf(pathOf("page.htm")), 0640U);
    EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(AtomicWrite, NewFileFollowsTheCreationMask) {
    const mode_t old = ::umask(027);
    const bool written = static_cast<bool>(writeFileAtomically(pathOf("new.htm"), "x"));
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(modeOf(pathOf("new.htm")), 0640U);
}

TEST_F(AtomicWrite, SymbolicLinkStaysAndItsTargetGetsTheBytes) {
    ASSERT_EQ(::mkdir(pathOf("real").c_str(), 0700), 0);
    put(pathOf("real/page.htm"), "old");
    ASSERT_EQ(::chmod(pathOf("real/page.htm").c_str(), 0604), 0);
    // A chain: link -> real/hop (relative to the link's folder) -> page.htm (relative to real/).
    ASSERT_EQ(::symlink("page.htm", pathOf("real/hop").c_str()), 0);
    ASSERT_EQ(::symlink("real/hop", pathOf("link").c_str()), 0);

    ASSERT_TRUE(writeFileAtomically(pathOf("link"), "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(pathOf("link")));
    EXPECT_TRUE(std::filesystem::is_symlink(pathOf("real/hop")));
    EXPECT_EQ(std::filesystem::read_symlink(pathOf("link")), "real/hop");
    EXPECT_EQ(contents(pathOf("real/page.htm")), "new");
    EXPECT_EQ(modeOf(pathOf("real/page.htm")), 0604U);
    EXPECT_EQ(entries(), (std::vector<std::string>{"link", "real"}));
}

TEST_F(AtomicWrite, DanglingLinkGetsItsTargetCreated) {
    ASSERT_EQ(::symlink(pathOf("target.htm").c_str(), pathOf("link").c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(pathOf("link"), "bytes"));
    EXPECT_TRUE(std::filesystem::is_symlink(pathOf("link")));
    EXPECT_EQ(contents(pathOf("target.htm")), "bytes");
}

TEST_F(AtomicWrite, LinkPlantedInAStickyFolderIsRefusedAnOwnLinkThereIsFollowed) {
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

TEST_F(AtomicWrite, PipeNamedThroughTheSystemsLinkIsWrittenStraight) {
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

// A write that cannot be made fails with the system's reason, keeps no copy, and leaves its
// folder as it was: the same names, each file with its bytes, each link with its target, and
// no temporary file. Each row makes its folder as the row describes it, takes the rights the
// row takes away, and the folder must read the same after the write.
TEST_F(AtomicWrite, FailedWritesGiveTheReasonAndLeaveTheFolderAsItWas) {
    const auto stateOf = [](const std::string &folder) {
        std::map<std::string, std::string> state;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            const std::filesystem::path &path = entry.path();
            state[path.filename().string()] = entry.is_symlink()
                                                  ? "link to " + std::filesystem::read_symlink(path).string()
                                              : entry.is_regular_file() ? "file holding " + contents(path.string())
                                              : entry.is_directory()    ? "folder"
                                              : entry.is_fifo()         ? "pipe"
                                                                        : "other";
        }
        return state;
    };
    struct Row {
        const char *name;
        std::map<std::string, std::string> folder; // as stateOf describes it
        std::string target;
        std::string reason;
        mode_t folderMode = 0700;
        mode_t targetMode = 0; // given to the target once made, unless 0
    };
    const std::map<std::string, std::string> page = {{"page.htm", "file holding old"}};
    for (const Row &row : {
             Row{"LinkLoop", {{"a", "link to b"}, {"b", "link to a"}}, "a", "Too many levels of symbolic links"},
             Row{"FolderAsTarget", {{"sub", "folder"}}, "sub", "Is a directory"},
             Row{"MissingFolder", {}, "no/such/page.htm", "No such file or directory"},
             Row{"NameTooLong", {}, std::string(300, 'n'), "File name too long"},
             Row{"ReadOnlyFolder", page, "page.htm", "Permission denied", 0500},
             Row{"ReadOnlyPage", page, "page.htm", "the file is read-only", 0700, 0444},
             Row{"LinkToDeviceIsWrittenThrough", {{"full", "link to /dev/full"}}, "full", "No space left on device"},
             Row{"PipeWithoutReaderFailsInsteadOfWaiting", {{"pipe", "pipe"}}, "pipe", "No such device or address"},
         }) {
        SCOPED_TRACE(row.name);
        const std::string dir = pathOf(row.name);
        ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
        for (const auto &[name, what] : row.folder) {
            const std::string path = dir + "/" + name;
            if (what.starts_with("link to ")) {
                ASSERT_EQ(::symlink(what.substr(8).c_str(), path.c_str()), 0);
            } else if (what.starts_with("file holding ")) {
                put(path, what.substr(13));
            } else if (what == "folder") {
                ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
            } else {
                ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            }
        }
        if (row.targetMode != 0) {
            ASSERT_EQ(::chmod((dir + "/" + row.target).c_str(), row.targetMode), 0);
        }
        ASSERT_EQ(::chmod(dir.c_str(), row.folderMode), 0);
        ASSERT_EQ(stateOf(dir), row.folder);
        const auto write = [&] {
            const WriteResult result = writeFileAtomically(dir + "/" + row.target, "new");
            return result                    ? "written"
                   : result.keptCopy.empty() ? result.reason
                                             : result.reason + ", kept in " + result.keptCopy;
        };
        // Permission bits do not stop the superuser: where the row takes rights away, the write
        // is made by the folder's owner, whom they stop.
        const bool rightsTaken = row.folderMode != 0700 || row.targetMode != 0;
        EXPECT_EQ(rightsTaken ? asOrdinaryUser(write) : write(), row.reason);
        ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
        EXPECT_EQ(stateOf(dir), row.folder);
    }
}

TEST_F(AtomicWrite, FailedWriteLeavesTargetAndNoTemporaryFile) {
    // A file size limit makes the write fail part way even for the superuser.
    put(pathOf("page.htm"), "old");
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    auto *const oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = static_cast<bool>(writeFileAtomically(pathOf("page.htm"), std::string(4096, 'x')));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(contents(pathOf("page.htm")), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(AtomicWrite, DeviceIsWrittenInPlace) {
    const WriteResult full = writeFileAtomically("/dev/full", "x");
    EXPECT_FALSE(full);
    EXPECT_EQ(full.reason, "No space left on device");
    EXPECT_TRUE(writeFileAtomically("/dev/null", "x"));
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(AtomicWrite, PageShortenedWhileItsPiecesAreWrittenLeavesNoTemporaryFile) {
    GTEST_FLAG_SET(death_test_style, "fast"); // the child works in this test's own folder
    const std::size_t size = 3 * 1024 * 1024;
    put(pathOf("big.htm"), std::string(size, 'y'));
    put(pathOf("out.htm"), "old");
    EXPECT_EXIT(
        {
            const auto mapped = readFileBytes(pathOf("big.htm"), {"Cannot open file big.htm", 2});
            if (!mapped || ::truncate(pathOf("big.htm").c_str(), 0) != 0) {
                std::_Exit(9);
            }
            // Small pieces are copied into the writer's buffer, which reads the lost bytes.
            std::vector<std::string_view> pieces;
            for (std::size_t at = 0; at < size; at += 100) {
                pieces.push_back(mapped->view().substr(at, 100));
            }
            writeFileAtomically(pathOf("out.htm"), std::span<const std::string_view>(pieces));
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(2), "Cannot open file big.htm");
    EXPECT_EQ(entries(), (std::vector<std::string>{"big.htm", "out.htm"}));
    EXPECT_EQ(readWholeFile(pathOf("out.htm")), "old");
}

// Pieces of every size, empty ones among them: many small ones, gathered before they are
// written, more large ones, alternating with small ones, than one write call takes, and one
// larger than the bytes of one call.
struct ManyPieces {
    std::vector<std::string> texts;
    std::vector<std::string_view> pieces;
    std::string joined;
    ManyPieces() {
        texts.reserve(20100);
        for (int i = 0; i < 20000; ++i) {
            texts.push_back(i % 7 == 0 ? std::string() : std::string(static_cast<std::size_t>(i % 97), 'a' + i % 26));
        }
        const std::string &large = texts.emplace_back(std::string(16 * 1024, 'L'));
        const std::string &small = texts.emplace_back("\0s"s);
        // Larger than one call of the system and than what goes to the disk at a time.
        texts.emplace_back(std::string(17 * 1024 * 1024 + 3, 'H'));
        for (const std::string &text : texts) {
            pieces.push_back(text);
        }
        for (int i = 0; i < 1100; ++i) {
            pieces.push_back(large);
            pieces.push_back(small);
        }
        for (std::string_view piece : pieces) {
            joined += piece;
        }
    }
};

TEST_F(AtomicWrite, PiecesAreWrittenInOrder) {
    const ManyPieces many;
    put(pathOf("page.htm"), "old");
    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), std::span<const std::string_view>(many.pieces)));
    EXPECT_EQ(readWholeFile(pathOf("page.htm")), many.joined);
    EXPECT_FALSE(writeFileAtomically("/dev/full", std::span<const std::string_view>(many.pieces)));
}

TEST_F(AtomicWrite, PiecesGoThroughAPipeWhileItIsRead) {
    const ManyPieces many;
    ASSERT_EQ(::mkfifo(pathOf("pipe").c_str(), 0600), 0);
    const int reader = ::open(pathOf("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::fcntl(reader, F_SETFL, 0), 0);
    // A writer of our own until the write is done: without any, the reader would see the end
    // of the pipe before the write had begun.
    const int keepOpen = ::open(pathOf("pipe").c_str(), O_WRONLY);
    ASSERT_GE(keepOpen, 0);
    std::string received;
    std::thread drain([&] {
        char buffer[1000];
        for (ssize_t got; (got = ::read(reader, buffer, sizeof buffer)) != 0;) {
            if (got > 0) {
                received.append(buffer, static_cast<std::size_t>(got));
            } else if (errno != EINTR && errno != EAGAIN) {
                break;
            }
        }
    });
    const bool written =
        static_cast<bool>(writeFileAtomically(pathOf("pipe"), std::span<const std::string_view>(many.pieces)));
    ::close(keepOpen);
    drain.join();
    ::close(reader);
    EXPECT_TRUE(written);
    EXPECT_EQ(received, many.joined);
}

// The page the bytes were made from changed while they were written: whatever the target,
// nothing is committed, and the question came only once every byte was in the new file.
TEST_F(AtomicWrite, BytesFromAPageChangedMeanwhileAreNotCommitted) {
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

} // namespace
