// Where rewrite puts the page: stdout, -o (atomically) or over the page, and what a failing
// target leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;

const std::string kCannotCreate = "Cannot create file ";

std::vector<std::string> rewriteOnePage(const std::string &page, std::vector<std::string> more) {
    std::vector<std::string> args{"rewrite", "--model", (pagesDir() / "model.txt").string(), "--id", "24680", page,
                                  "--rule",  "email"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::string onePageToStdout() {
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_FALSE(result.out.empty());
    return result.out;
}

std::vector<std::string> entries(const fs::path &dir) {
    std::vector<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(CliRewriteOutput, OutputFileHoldsExactlyTheStdoutBytesAndNothingElseIsLeft) {
    const TempDir tmp;
    const fs::path target = tmp.path() / "out.htm";
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {"-o", target.string()}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(readFile(target), onePageToStdout());
    EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"out.htm"}); // no temporary file stays
}

TEST(CliRewriteOutput, OutputReplacesAnExistingFileKeepingItsPermissions) {
    const TempDir tmp;
    const fs::path target = tmp.path() / "out.htm";
    writeFile(target, "old text that is longer than nothing");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {"--output", target.string()}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(target), onePageToStdout());
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(CliRewriteOutput, MissingFolderGivesCannotCreateWithThePathAsGiven) {
    const std::string target = "/nonexistent-velmoraine-dir/x.htm";
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {"-o", target}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kCannotCreate + target + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists("/nonexistent-velmoraine-dir"));
}

TEST(CliRewriteOutput, RelativeTargetIsNamedAsGiven) {
    const TempDir tmp;
    const CliResult result = runCli(
        {rewriteOnePage((pagesDir() / "one_form.htm").string(), {"-o", "sub/../none/x.htm"}), tmp.path(), {}, {}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, kCannotCreate + "sub/../none/x.htm: No such file or directory\n");
    EXPECT_TRUE(entries(tmp.path()).empty());
}

TEST(CliRewriteOutput, FullDeviceIsAFailureNotASuccess) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {"-o", "/dev/full"}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, kCannotCreate + "/dev/full: No space left on device\n");
}

TEST(CliRewriteOutput, FullStdoutIsAFailureNotASuccess) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {}), {}, {}, fs::path("/dev/full")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, kCannotCreate + "(standard output)\n");
}

TEST(CliRewriteOutput, FolderAsTargetIsRefusedAndStaysAFolder) {
    const TempDir tmp;
    fs::create_directory(tmp.path() / "folder");
    const std::string target = (tmp.path() / "folder").string();
    const CliResult result = runCli({rewriteOnePage("one_form.htm", {"-o", target}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, kCannotCreate + target + ": Is a directory\n");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(entries(target).empty());
}

TEST(CliRewriteOutput, RefusedRewriteCreatesNoFile) {
    const TempDir tmp;
    const fs::path target = tmp.path() / "out.htm";
    const CliResult result =
        runCli({rewriteOnePage("one_form.htm", {"--rule", "gift", "-o", target.string()}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(entries(tmp.path()).empty());
}

TEST(CliRewriteOutput, InPlaceWritesOverThePageAndTheRulesComeBack) {
    const TempDir tmp;
    const fs::path page = tmp.path() / "page.htm";
    fs::copy_file(pagesDir() / "one_form.htm", page);
    const CliResult result = runCli({rewriteOnePage(page.string(), {"--in-place"}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(readFile(page), onePageToStdout());
    EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"page.htm"});

    // The stored rule comes back with its restored display text.
    const CliResult scan = runCli({{"scan", "--json", page.string()}, {}, {}, {}});
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_NE(scan.out.find(R"x("record": "email^1^0^Please enter a valid email address.")x"), std::string::npos)
        << scan.out;
    EXPECT_NE(scan.out.find(R"x("display": "email (email)")x"), std::string::npos) << scan.out;
}

TEST(CliRewriteOutput, RewritingTwiceKeepsOneBlockWithTheCurrentRules) {
    const TempDir tmp;
    const fs::path page = tmp.path() / "page.htm";
    fs::copy_file(pagesDir() / "one_form.htm", page);
    ASSERT_EQ(runCli({rewriteOnePage(page.string(), {"--in-place"}), {}, {}, {}}).exitCode, 0);
    const CliResult second = runCli(
        {{"rewrite", "--model", (pagesDir() / "model.txt").string(), "--id", "24680", page.string(), "--rule", "name"},
         {},
         {},
         {}});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const std::string &out = second.out;
    EXPECT_EQ(out.find("VELMORAINE-BEGIN"), out.rfind("VELMORAINE-BEGIN"));
    EXPECT_NE(out.find("//VLDATA:email^1^0^Please enter a valid email address.:;name^0^1^0^0^"), std::string::npos);
    EXPECT_EQ(out.find("<input type=\"hidden\" name=\"velmoraine\""),
              out.rfind("<input type=\"hidden\" name=\"velmoraine\""));
}

TEST(CliRewriteOutput, DefaultModelComesFromTheMainDirectory) {
    const TempDir config;
    const TempDir mainDir;
    fs::copy_file(pagesDir() / "model.txt", mainDir.path() / "vlmodel.txt");
    writeFile(config.path() / "velmoraine.ini", "[Settings]\nmain dir=" + mainDir.path().string() + "/\nvl_id=24680\n");
    const CliResult result = runCli({{"rewrite", "one_form.htm", "--rule", "email"}, {}, config.path(), {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, onePageToStdout());
}

TEST(CliRewriteOutput, MissingDefaultModelNamesItsPath) {
    const TempDir config;
    const TempDir mainDir;
    writeFile(config.path() / "velmoraine.ini", "[Settings]\nmain dir=" + mainDir.path().string() + "/\n");
    const CliResult result = runCli({{"rewrite", "--id", "24680", "one_form.htm"}, {}, config.path(), {}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "Cannot open file " + mainDir.path().string() + "/vlmodel.txt\n");
}

TEST(CliRewriteOutput, EveryCommandHasHelp) {
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--help"}, {"scan", "--help"}, {"suggest", "--help"}, {"rewrite", "--help"}, {"rewrite", "-h"}}) {
        const CliResult result = runCli({args, {}, {}, {}});
        EXPECT_EQ(result.exitCode, 0) << args.front();
        EXPECT_NE(result.out.find("Usage: velmoraine-cli"), std::string::npos) << result.out;
        EXPECT_EQ(result.err, "");
    }
}

} // namespace
} // namespace velmoraine::clitest

namespace velmoraine::clitest {
namespace {

// --json reports the block's CSP hash and the warnings, which stderr also carries; the page
// is written all the same. On stdout the JSON would mix with the page: refused.
TEST(CliRewriteJson, HashAndWarningsBesideThePage) {
    const TempDir tmp;
    const fs::path target = tmp.path() / "out.htm";
    const CliResult result =
        runCli({rewriteOnePage("one_form.htm", {"--json", "--html5-fallback", "-o", target.string()}), {}, {}, {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_FALSE(result.warnings.empty());
    EXPECT_NE(result.out.find("\"csp_hash\": \"'sha256-"), std::string::npos) << result.out;
    for (const std::string &warning : result.warnings) {
        const std::string quoted = warning.substr(0, warning.find('"')); // the text before any quote
        EXPECT_NE(result.out.find(quoted), std::string::npos) << warning;
    }
    EXPECT_NE(readFile(target).find("data-velmoraine=\""), std::string::npos);

    const CliResult mixed = runCli({rewriteOnePage("one_form.htm", {"--json"}), {}, {}, {}});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_EQ(mixed.out, "");
}

} // namespace
} // namespace velmoraine::clitest
