// Every page of the shared corpus scans and rewrites without surprises: a scan ends with exit 0,
// or exit 3 and the no-form message; a rewrite (with a rule on the first field when there is
// one) ends with exit 0 or 3; and the rewritten page scans to the same fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_run.h"
#include "core/base/texts.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;

fs::path corpusDir() { return fs::path(VELMORAINE_SOURCE_DIR) / ".." / "shared" / "corpus" / "pages"; }

std::vector<std::string> corpusPages() {
    std::vector<std::string> pages;
    std::error_code error;
    for (fs::directory_iterator it(corpusDir(), error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file()) {
            pages.push_back(it->path().filename().string());
        }
    }
    std::sort(pages.begin(), pages.end());
    return pages;
}

// Whether the page holds a tag named form in any case: "<form" followed by a blank, a tab, a
// line break, a form feed, "/" or ">".
bool holdsFormTag(const fs::path &page) {
    const std::string bytes = readFile(page);
    for (std::size_t at = bytes.find('<'); at != std::string::npos; at = bytes.find('<', at + 1)) {
        std::string name = bytes.substr(at + 1, 4);
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return std::tolower(c); });
        if (name == "form" && at + 5 < bytes.size() &&
            std::string_view(" \t\n\r\f/>").find(bytes[at + 5]) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// The scan's field list, or nothing when the page has no form. Only a page without any form
// tag is refused.
std::optional<nlohmann::json> scannedFields(const fs::path &page) {
    const CliResult scan = runCli({{"scan", "--json", page.string()}, {}, {}, {}});
    if (scan.exitCode == 3) {
        EXPECT_EQ(scan.err, std::string(texts::kNoForm) + "\n");
        EXPECT_FALSE(holdsFormTag(page));
        return std::nullopt;
    }
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    EXPECT_EQ(scan.err, "");
    const nlohmann::json parsed = nlohmann::json::parse(scan.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << scan.out;
    if (parsed.is_discarded()) {
        return std::nullopt;
    }
    return parsed.at("fields");
}

class CliCorpus : public ::testing::TestWithParam<std::string> {};

TEST_P(CliCorpus, ScansAndRewritesToTheSameFields) {
    const fs::path page = corpusDir() / GetParam();
    const std::optional<nlohmann::json> fields = scannedFields(page);
    if (!fields) {
        return;
    }
    const TempDir tmp;
    const fs::path out = tmp.path() / "out.htm";
    std::vector<std::string> args{
        "rewrite", "--model", (pagesDir() / "model.txt").string(), "--id", "24680", page.string(), "-o", out.string()};
    if (!fields->empty()) {
        // The field list is UTF-8; the name on the command line must be the page's own bytes.
        const CliResult text = runCli({{"scan", page.string()}, {}, {}, {}});
        const std::string marker = "\n  1. ";
        const std::size_t at = text.out.find(marker);
        ASSERT_NE(at, std::string::npos) << text.out;
        const std::size_t start = at + marker.size();
        args.push_back("--rule");
        args.push_back(text.out.substr(start, text.out.find('\n', start) - start));
    }
    const CliResult rewrite = runCli({args, {}, {}, {}});
    if (rewrite.exitCode == 3) {
        EXPECT_FALSE(rewrite.err.empty());
        EXPECT_FALSE(fs::exists(out));
        return;
    }
    ASSERT_EQ(rewrite.exitCode, 0) << rewrite.err;
    EXPECT_EQ(scannedFields(out), fields);
}

INSTANTIATE_TEST_SUITE_P(Pages, CliCorpus, ::testing::ValuesIn(corpusPages()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CliCorpus);

TEST(CliCorpusFolder, IsPresent) {
    if (corpusPages().empty()) {
        GTEST_SKIP() << "no corpus at " << corpusDir();
    }
}

} // namespace
} // namespace velmoraine::clitest
