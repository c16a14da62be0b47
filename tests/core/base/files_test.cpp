#include "core/base/files.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
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

using velmoraine::files::readFileBytes;
using velmoraine::files::readWholeFile;
using velmoraine::files::writeFileAtomically;
using namespace std::string_literals;

namespace {

std::optional<velmoraine::files::FileBytes> readPage(const std::string &path) {
    return readFileBytes(path, {"shortened", 1});
}

// Each test works in its own temporary folder.
class Files : public velmoraine::test::TempFolderTest {
protected:
    static mode_t modeOf(const std::string &path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_mode & 07777;
    }
};

// ---------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------

// What an atomic write puts down reads back byte for byte, by a plain stream and by our read.
TEST_F(Files, WrittenBytesReadBack) {
    for (const auto &[name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"zero-bytes.htm", "<form\0 name=\"a\">\0\0\r\n"s},
             {"empty.htm", ""},
         }) {
        ASSERT_TRUE(writeFileAtomically(pathOf(name), bytes)) << name;
        EXPECT_EQ(contents(pathOf(name)), bytes) << name;
        EXPECT_EQ(readWholeFile(pathOf(name)), bytes) << name;
    }
}

TEST_F(Files, FolderAndMissingFileGiveNothing) {
    EXPECT_EQ(readWholeFile(m_folder), std::nullopt);
    EXPECT_EQ(readWholeFile(pathOf("missing.htm")), std::nullopt);
    EXPECT_EQ(readWholeFile(""), std::nullopt);
}

TEST_F(Files, ReadsFileLargerThanOneReadCall) {
    std::string bytes(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 31);
    }
    put(pathOf("big.htm"), bytes);
    EXPECT_EQ(readWholeFile(pathOf("big.htm")), bytes);
}

TEST_F(Files, ReadsFileWhoseSizeIsNotKnownAhead) {
    // The kernel reports a size of zero for this file, yet it has contents.
    const auto status = readWholeFile("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->substr(0, 5), "Name:");
}

TEST_F(Files, PageBytesGiveTheSameAnswersReadOrMapped) {
    const std::string zeros = "<form\0 name=\"a\">\0\0\r\n"s;
    put(pathOf("page.htm"), zeros);
    std::string big(9 * 1024 * 1024 + 5, '\0'); // mapped
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>(i * 7);
    }
    put(pathOf("big.htm"), big);
    put(pathOf("empty.htm"), "");
    for (const char *name : {"page.htm", "big.htm", "empty.htm"}) {
        const auto read = readPage(pathOf(name));
        ASSERT_TRUE(read.has_value()) << name;
        EXPECT_EQ(read->view(), readWholeFile(pathOf(name)).value()) << name;
        EXPECT_FALSE(read->changedSinceRead()) << name;
    }
    EXPECT_FALSE(readPage(m_folder).has_value());
    EXPECT_FALSE(readPage(pathOf("missing.htm")).has_value());
    const auto status = readPage("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->view().substr(0, 5), "Name:");
}

TEST_F(Files, PageBytesMoveReleaseAndNoticeChanges) {
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

TEST_F(Files, MappedPageShortenedWhileInUseEndsWithTheMessage) {
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

// ---------------------------------------------------------------------------------------
// Atomic writes
// ---------------------------------------------------------------------------------------

TEST_F(Files, ReplacesContentsAndKeepsPermissions) {
    put(pathOf("page.htm"), "old contents that are longer");
    ASSERT_EQ(::chmod(pathOf("page.htm").c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), "new"));
    EXPECT_EQ(contents(pathOf("page.htm")), "new");
    EXPECT_EQ(modeOf(pathOf("page.htm")), 0640U);
    EXPECT_EQ(entries(), std::vector<std::string>{"page.htm"});
}

TEST_F(Files, NewFileFollowsTheCreationMask) {
    const mode_t old = ::umask(027);
    const bool written = static_cast<bool>(writeFileAtomically(pathOf("new.htm"), "x"));
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(modeOf(pathOf("new.htm")), 0640U);
}

TEST_F(Files, SymbolicLinkStaysAndItsTargetGetsTheBytes) {
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

TEST_F(Files, DanglingLinkGetsItsTargetCreated) {
    ASSERT_EQ(::symlink(pathOf("target.htm").c_str(), pathOf("link").c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(pathOf("link"), "bytes"));
    EXPECT_TRUE(std::filesystem::is_symlink(pathOf("link")));
    EXPECT_EQ(contents(pathOf("target.htm")), "bytes");
}

// A write that cannot be made fails and leaves its folder as it was: the same names, each file
// with its bytes, each link with its target, and no temporary file. Each row makes its folder
// as the row describes it, and the folder must read the same after the write.
TEST_F(Files, FailedWritesLeaveTheFolderAsItWas) {
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
        bool readOnlyFolder = false;
    };
    for (const Row &row : {
             Row{"LinkLoopFails", {{"a", "link to b"}, {"b", "link to a"}}, "a"},
             Row{"FolderAsTargetFails", {{"sub", "folder"}}, "sub"},
             Row{"MissingFolderFails", {}, "no/such/page.htm"},
             Row{"ReadOnlyFolderFailsAndLeavesTargetAlone", {{"page.htm", "file holding old"}}, "page.htm", true},
             Row{"LinkToDeviceIsWrittenThrough", {{"full", "link to /dev/full"}}, "full"},
             Row{"PipeWithoutReaderFailsInsteadOfWaiting", {{"pipe", "pipe"}}, "pipe"},
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
        ASSERT_EQ(::chmod(dir.c_str(), row.readOnlyFolder ? 0500 : 0700), 0);
        ASSERT_EQ(stateOf(dir), row.folder);
        const auto write = [&] { return writeFileAtomically(dir + "/" + row.target, "new") ? "written" : "failed"; };
        // Permission bits do not stop the superuser: the read-only folder is written by its owner.
        EXPECT_EQ(row.readOnlyFolder ? asOrdinaryUser(write) : write(), "failed");
        ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
        EXPECT_EQ(stateOf(dir), row.folder);
    }
}

TEST_F(Files, FailedWriteLeavesTargetAndNoTemporaryFile) {
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

TEST_F(Files, DeviceIsWrittenInPlace) {
    EXPECT_FALSE(writeFileAtomically("/dev/full", "x"));
    EXPECT_TRUE(writeFileAtomically("/dev/null", "x"));
    struct stat st {};
    ASSERT_EQ(::stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST_F(Files, PageShortenedWhileItsPiecesAreWrittenLeavesNoTemporaryFile) {
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
// written, and more large ones, alternating with small ones, than one write call takes.
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

TEST_F(Files, PiecesAreWrittenInOrder) {
    const ManyPieces many;
    put(pathOf("page.htm"), "old");
    ASSERT_TRUE(writeFileAtomically(pathOf("page.htm"), std::span<const std::string_view>(many.pieces)));
    EXPECT_EQ(readWholeFile(pathOf("page.htm")), many.joined);
    EXPECT_FALSE(writeFileAtomically("/dev/full", std::span<const std::string_view>(many.pieces)));
}

TEST_F(Files, PiecesGoThroughAPipeWhileItIsRead) {
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

} // namespace
