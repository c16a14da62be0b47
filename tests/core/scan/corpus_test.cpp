// Pages written by others: every one scans, and pages with forms list their fields.
#include <filesystem>

#include <gtest/gtest.h>

#include "core/base/files.h"
#include "core/scan/form_scanner.h"

using namespace velmoraine;

TEST(CorpusPages, EveryPageScans) {
    const std::filesystem::path folder =
        std::filesystem::path(VELMORAINE_SOURCE_DIR) / ".." / "shared" / "corpus" / "pages";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no corpus at " << folder;
    }
    int pages = 0;
    int withForms = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const auto bytes = files::readWholeFile(entry.path().string());
        ASSERT_TRUE(bytes) << entry.path();
        const auto result = scan::scanPage(*bytes, [](const std::vector<std::string> &tags) {
            EXPECT_GE(tags.size(), 1u);
            return 1;
        });
        ++pages;
        withForms += result.formFound ? 1 : 0;
        if (!result.formFound) {
            EXPECT_TRUE(result.fields.empty());
        }
    }
    EXPECT_GT(pages, 10);
    EXPECT_GT(withForms, pages / 2);
}
