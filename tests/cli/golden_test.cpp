// Golden cases: one file per case under tests/cli/golden/, NAME.case (the format is described
// in golden_case.h): what the case shows, the arguments, the exit code, the settings, and the
// exact bytes expected on stdout and stderr, or in the file the run writes. Every fixed bug adds
// a case. A failing case leaves what it got in the build folder as a ready case file,
// tests/cli/actual/NAME.case, to compare and, once checked by hand, to copy over its own file.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_run.h"
#include "golden_case.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;

fs::path goldenDir() { return fs::path(VELMORAINE_SOURCE_DIR) / "tests" / "cli" / "golden"; }

fs::path actualDir() { return fs::path(VELMORAINE_BINARY_DIR) / "tests" / "cli" / "actual"; }

// A case's name is its test's name, so it keeps to what GoogleTest allows there.
bool isCaseName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// The names of the case files, sorted, so the cases run and are listed in the same order on
// every machine. A file that is not NAME.case is left to CliGoldenFiles to report.
std::vector<std::string> caseNames() {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(goldenDir(), error)) {
        const std::string stem = entry.path().stem().string();
        if (entry.is_regular_file() && entry.path().extension() == ".case" && isCaseName(stem)) {
            names.push_back(stem);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// "{tmp}" in an argument or in the compared file's path is the case's fresh folder.
std::string substitute(const std::string &text, const fs::path &tmp) {
    std::string out = text;
    for (std::size_t at = out.find("{tmp}"); at != std::string::npos; at = out.find("{tmp}", at)) {
        out.replace(at, 5, tmp.string());
        at += tmp.string().size();
    }
    return out;
}

// A case with pages of its own runs in a folder of its own: a copy of pages/, so that the
// shared pages and the model are found by the same names, and the case's pages beside them.
// A page of the case may not take the name of a shared one.
void preparePages(const GoldenCase &golden, const fs::path &runDir) {
    for (const fs::directory_entry &entry : fs::directory_iterator(pagesDir())) {
        if (entry.is_regular_file()) {
            fs::copy_file(entry.path(), runDir / entry.path().filename());
        }
    }
    for (const GoldenPage &page : golden.pages) {
        if (fs::exists(runDir / page.name)) {
            throw GoldenCaseError("page " + page.name + ": tests/cli/pages/ has one of that name");
        }
        writeFile(runDir / page.name, page.bytes);
    }
}

class CliGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(CliGolden, MatchesExpectedBytes) {
    const std::string &name = GetParam();
    const fs::path casePath = goldenDir() / (name + ".case");
    if (!fs::exists(casePath)) {
        FAIL() << casePath.string() << " is gone; build cli_tests again, so that ctest forgets the case";
    }
    GoldenCase golden;
    try {
        golden = parseGoldenCase(readFile(casePath));
    } catch (const GoldenCaseError &error) {
        FAIL() << casePath.string() << ": " << error.what();
    }

    const TempDir tmp;
    const TempDir config;
    if (golden.settings) {
        writeFile(config.path() / "velmoraine.ini", *golden.settings);
    }
    CliRun run;
    for (const std::string &arg : golden.args) {
        run.args.push_back(substitute(arg, tmp.path()));
    }
    run.configHome = config.path();
    std::optional<TempDir> runDir;
    if (!golden.pages.empty()) {
        runDir.emplace();
        try {
            preparePages(golden, runDir->path());
        } catch (const GoldenCaseError &error) {
            FAIL() << casePath.string() << ": " << error.what();
        }
        run.workDir = runDir->path();
    }
    const CliResult result = runCli(run);

    GoldenCase got = golden;
    got.exitCode = result.exitCode;
    got.out = result.out;
    got.err = result.err;
    if (golden.filePath) {
        got.file = readFile(substitute(*golden.filePath, tmp.path()));
    }
    EXPECT_EQ(got.exitCode, golden.exitCode) << "exit code; stderr:\n" << got.err;
    EXPECT_EQ(got.out, golden.out) << "stdout";
    EXPECT_EQ(got.err, golden.err) << "stderr";
    EXPECT_EQ(got.file, golden.file) << "the file " << golden.filePath.value_or("");

    // What it got, as a case file that can replace the old one once checked by hand; a case that
    // passes removes its old one, so the folder shows only what fails now.
    const fs::path actualPath = actualDir() / (name + ".case");
    if (!::testing::Test::HasFailure()) {
        std::error_code ignored;
        fs::remove(actualPath, ignored);
        return;
    }
    fs::create_directories(actualDir());
    writeFile(actualPath, writeGoldenCase(got));
    ADD_FAILURE() << name << " differs; what it got is in " << actualPath.string() << "\n  compare: diff "
                  << casePath.string() << " " << actualPath.string() << "\n  once checked by hand: cp "
                  << actualPath.string() << " " << casePath.string();
}

INSTANTIATE_TEST_SUITE_P(Cases, CliGolden, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

TEST(CliGoldenFiles, EveryFileIsACase) {
    EXPECT_FALSE(caseNames().empty()) << "no case files in " << goldenDir();
    for (const fs::directory_entry &entry : fs::directory_iterator(goldenDir())) {
        EXPECT_TRUE(entry.is_regular_file() && entry.path().extension() == ".case" &&
                    isCaseName(entry.path().stem().string()))
            << entry.path() << ": golden/ holds only NAME.case files, NAME of letters, digits and \"_\"";
    }
}

// The file a failing case leaves is written by writeGoldenCase; it must read back to the same
// bytes, so that copying it over the old one changes only what the run changed.
TEST(CliGoldenFiles, WritingACaseGivesBackItsFile) {
    for (const std::string &name : caseNames()) {
        const std::string text = readFile(goldenDir() / (name + ".case"));
        try {
            EXPECT_EQ(writeGoldenCase(parseGoldenCase(text)), text) << name;
        } catch (const GoldenCaseError &error) {
            ADD_FAILURE() << name << ": " << error.what();
        }
    }
}

} // namespace
} // namespace velmoraine::clitest
