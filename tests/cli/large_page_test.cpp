// A 100 MB page: rewritten in linear time and within 3.5 times its size in memory, and a run
// caught in the middle of writing it (the page changed under it, or the run killed) leaves
// nothing but whole files behind.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_run.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;

// Writes the 100 MB page as `path`; its size.
std::size_t writeLargePage(const fs::path &path) {
    const std::string head = "<html><head><title>big</title></head><body>\n"
                             "<form method=\"post\" action=\"a.cgi\" name=\"big\">\n"
                             "<input type=\"text\" name=\"email\">\n</form>\n";
    const std::string filler = "<p>Filler text with a <b>tag</b>, an <!-- aside --> and <form-like> words.</p>\n";
    const std::size_t pageSize = 100u * 1024 * 1024;
    std::string page = head;
    page.reserve(pageSize + filler.size());
    while (page.size() < pageSize) {
        page += filler;
    }
    page += "</body></html>\n";
    writeFile(path, page);
    return page.size();
}

TEST(CliLargePage, RewriteStaysWithinMemoryBudget) {
    const TempDir tmp;
    const std::size_t size = writeLargePage(tmp.path() / "big.htm");

    const CliResult result = runCli({{"rewrite", "--model", (pagesDir() / "model.txt").string(), "--id", "24680",
                                      "big.htm", "--rule", "email", "-o", "out.htm"},
                                     tmp.path(),
                                     {},
                                     {}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_LE(static_cast<double>(result.peakKilobytes) * 1024, 3.5 * static_cast<double>(size));
    EXPECT_GT(std::filesystem::file_size(tmp.path() / "out.htm"), size);
}

// How much of the new page `child` has written into `folder`: the size of the first file it
// holds open there other than `page` (it grows while a single large write goes on); 0 before
// it has one.
std::uintmax_t newFileWritten(pid_t child, const fs::path &folder, const fs::path &page) {
    std::error_code error;
    for (const auto &fd : fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", error)) {
        const fs::path open = fs::read_symlink(fd.path(), error);
        if (open.parent_path() == folder && open != page) {
            const std::uintmax_t size = fs::file_size(fd.path(), error);
            return error ? 0 : size;
        }
    }
    return 0;
}

// The run is stopped while it writes the new page, then the page is changed in place (as
// another program saving it with the same size would) or the run is killed. The output is
// never a mix of old and new bytes, and no temporary file stays.
TEST(CliLargePage, RunCaughtMidWriteCommitsNothingAndLeavesNothing) {
    struct Row {
        const char *name;
        std::vector<std::string> target;
        bool changePage; // else SIGKILL
        int exitCode;
        std::string err;
    };
    const std::vector<Row> rows = {
        {"page changed, to a file", {"-o", "out.htm"}, true, 2, "Cannot open file big.htm\n"},
        {"page changed, in place", {"--in-place"}, true, 2, "Cannot open file big.htm\n"},
        {"killed, in place", {"--in-place"}, false, -1, ""},
        {"killed, to a file", {"-o", "out.htm"}, false, -1, ""},
    };
    const TempDir tmp;
    const fs::path folder = fs::canonical(tmp.path());
    const std::size_t size = writeLargePage(folder / "big.htm");
    const std::string original = readFile(folder / "big.htm");
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(folder / "big.htm", original);
        std::vector<std::string> args{
            "rewrite", "--model", (pagesDir() / "model.txt").string(), "--id", "24680", "big.htm", "--rule", "email"};
        args.insert(args.end(), row.target.begin(), row.target.end());
        // Caught in the act: stopped with some of the new page written and not all of it.
        bool caught = false;
        const auto interrupt = [&](pid_t child) {
            const auto running = [child] {
                siginfo_t ended{};
                return ::waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       ended.si_pid == 0;
            };
            std::uintmax_t written = 0;
            while (written == 0 && running()) {
                written = newFileWritten(child, folder, folder / "big.htm");
            }
            ::kill(child, SIGSTOP);
            written = newFileWritten(child, folder, folder / "big.htm");
            caught = written > 0 && written < size;
            if (!caught) {
                ::kill(child, SIGCONT);
                return;
            }
            if (row.changePage) {
                const int fd = ::open((folder / "big.htm").c_str(), O_WRONLY);
                ASSERT_GE(fd, 0);
                ASSERT_EQ(::pwrite(fd, "<HTML>", 6, 0), 6);
                ::close(fd);
                ::kill(child, SIGCONT);
            } else {
                ::kill(child, SIGKILL);
            }
        };
        const CliResult result = runCli({args, folder, {}, {}, interrupt});
        ASSERT_TRUE(caught) << "the run ended before it could be caught writing; exit " << result.exitCode;
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(result.err, row.err);
        EXPECT_EQ(fs::exists(folder / "out.htm"), false);
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"big.htm"});
        EXPECT_EQ(fs::file_size(folder / "big.htm"), size);
    }
}

} // namespace
} // namespace velmoraine::clitest
