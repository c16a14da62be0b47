// Writing over the page and to targets that are not files: a read-only page is refused, two
// runs over one page at once lose neither rule, stdout may be named as a file, and a full
// stdout or a model too large for memory is said.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli_run.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> rewriteArgs(const fs::path &page, std::vector<std::string> more,
                                     const fs::path &model = pagesDir() / "model.txt") {
    std::vector<std::string> args{"rewrite", "--model", model.string(), "--id", "24680", page.string()};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(CliInPlace, ReadOnlyPageIsRefusedAndKept) {
    const TempDir tmp;
    const fs::path page = tmp.path() / "page.htm";
    fs::copy_file(pagesDir() / "one_form.htm", page);
    fs::create_directory(tmp.path() / "config");
    fs::permissions(page, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The superuser may write any file: the run is then made as an unprivileged user, who owns
    // the page and its folder as the user of this row does, with a model that user can read.
    const std::optional<unsigned> user = ordinaryUser();
    handOver(tmp.path(), user);
    const fs::path model = readableCopy(pagesDir() / "model.txt");
    const std::string before = readFile(page);
    for (const std::string how : {"--in-place", "-o"}) {
        std::vector<std::string> more{"--rule", "email", how};
        if (how == "-o") {
            more.push_back(page.string());
        }
        const CliResult result =
            runCli({rewriteArgs(page, more, model), tmp.path(), tmp.path() / "config", {}}, {}, user);
        EXPECT_EQ(result.exitCode, 2) << how;
        EXPECT_EQ(result.err, "Cannot create file " + page.string() + ": the file is read-only\n") << how;
        EXPECT_EQ(readFile(page), before) << how;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 2);
}

// Each of two runs started together over the same page adds its own rule; holding the page's
// lock from reading to renaming, the second reads the first one's result.
TEST(CliInPlace, TwoRunsAtOnceKeepBothRules) {
    const TempDir tmp;
    const fs::path page = tmp.path() / "page.htm";
    constexpr int kRounds = 20;
    for (int round = 0; round < kRounds; ++round) {
        fs::remove(page);
        fs::copy_file(pagesDir() / "one_form.htm", page);
        CliResult first;
        CliResult second;
        std::thread other([&] { first = runCli({rewriteArgs(page, {"--rule", "email", "--in-place"}), {}, {}, {}}); });
        second = runCli({rewriteArgs(page, {"--rule", "zip", "--in-place"}), {}, {}, {}});
        other.join();
        ASSERT_EQ(first.exitCode, 0) << first.err;
        ASSERT_EQ(second.exitCode, 0) << second.err;
        const CliResult scan = runCli({{"scan", page.string()}, {}, {}, {}});
        EXPECT_NE(scan.out.find("Stored rules: 2\n"), std::string::npos) << "round " << round << ":\n" << scan.out;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);
}

// Runs the command with stdout into a pipe that this process reads.
CliResult runIntoPipe(const std::vector<std::string> &args) {
    int ends[2];
    if (::pipe(ends) != 0) {
        return {};
    }
    const TempDir capture;
    const fs::path err = capture.path() / "stderr";
    std::vector<std::string> argv{VELMORAINE_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char *> pointers;
    for (std::string &arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (errFd < 0 || ::dup2(ends[1], 1) < 0 || ::dup2(errFd, 2) < 0) {
            ::_exit(127);
        }
        ::close(ends[0]);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(ends[1]);
    CliResult result;
    char buffer[4096];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
        result.out.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    separateWarnings(readFile(err), result);
    return result;
}

TEST(CliOutput, StandardOutputNamedAsAFileGoesIntoThePipe) {
    const CliResult plain = runIntoPipe(rewriteArgs(pagesDir() / "one_form.htm", {"--rule", "email"}));
    const CliResult named =
        runIntoPipe(rewriteArgs(pagesDir() / "one_form.htm", {"--rule", "email", "-o", "/dev/stdout"}));
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(named.err, "");
    EXPECT_EQ(named.out, plain.out);
}

TEST(CliOutput, HelpIntoAFullDeviceFails) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"--help"}, {"rewrite", "--help"}, {"--version"}}) {
        const CliResult result = runCli({args, {}, {}, fs::path("/dev/full")});
        EXPECT_EQ(result.exitCode, 2) << args.front();
        EXPECT_EQ(result.err, "Cannot create file (standard output)\n");
    }
}

// The file that does not fit is named: the model, or the settings file, not the page.
TEST(CliOutput, FileTooLargeForMemoryIsNamed) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
    const TempDir tmp;
    const fs::path huge = tmp.path() / "huge.txt";
    const fs::path settings = tmp.path() / "velmoraine.ini";
    const std::string page = (pagesDir() / "one_form.htm").string();
    struct Row {
        fs::path tooLarge;
        std::vector<std::string> args;
    };
    for (const Row &row : {
             Row{huge, {"rewrite", "--model", huge.string(), "--id", "24680", page, "--rule", "email"}},
             Row{settings, {"rewrite", "--model", (pagesDir() / "model.txt").string(), page, "--rule", "email"}},
             Row{settings, {"rewrite", "--id", "24680", page, "--rule", "email"}},
         }) {
        SCOPED_TRACE(row.args[2]);
        fs::remove(huge);
        fs::remove(settings);
        writeFile(row.tooLarge, "[Settings]\n");
        fs::resize_file(row.tooLarge, std::uintmax_t{1} << 30); // sparse: no disk is used
        const CliResult result = runCli({row.args, {}, tmp.path(), {}}, 512L << 20);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "Not enough memory to work on " + row.tooLarge.string() + "\n");
    }
}

} // namespace
} // namespace velmoraine::clitest
