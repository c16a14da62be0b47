// A 100 MB page: rewritten in linear time and within 3.5 times its size in memory.
#include <gtest/gtest.h>

#include <string>

#include "cli_run.h"

namespace velmoraine::clitest {
namespace {

TEST(CliLargePage, RewriteStaysWithinMemoryBudget) {
    const TempDir tmp;
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
    writeFile(tmp.path() / "big.htm", page);
    const std::size_t size = page.size();
    std::string().swap(page);

    const CliResult result = runCli({{"rewrite", "--model", (pagesDir() / "model.txt").string(), "--id", "24680",
                                      "big.htm", "--rule", "email", "-o", "out.htm"},
                                     tmp.path(),
                                     {},
                                     {}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_LE(static_cast<double>(result.peakKilobytes) * 1024, 3.5 * static_cast<double>(size));
    EXPECT_GT(std::filesystem::file_size(tmp.path() / "out.htm"), size);
}

} // namespace
} // namespace velmoraine::clitest
