// The golden case file: what it reads, that writing and reading keep every byte, and the files
// it refuses.
#include "golden_case.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velmoraine::clitest {
namespace {

using namespace std::string_literals;

const std::string kExample = "# A page that is not there.\n"
                             "exit: 2\n"
                             "~~~ args\n"
                             "scan\n"
                             "--json\n"
                             "missing.htm\n"
                             "\n"
                             "~~~ stdout\n"
                             "\n"
                             "~~~ stderr\n"
                             "Cannot open file missing.htm\n"
                             "\n"
                             "~~~ end\n";

TEST(CliGoldenFormat, ReadsTheSections) {
    const GoldenCase golden = parseGoldenCase(kExample);
    EXPECT_EQ(golden.notes, std::vector<std::string>{"# A page that is not there."});
    EXPECT_EQ(golden.exitCode, 2);
    EXPECT_EQ(golden.args, (std::vector<std::string>{"scan", "--json", "missing.htm"}));
    EXPECT_FALSE(golden.settings);
    EXPECT_TRUE(golden.pages.empty());
    EXPECT_EQ(golden.out, "");
    EXPECT_EQ(golden.err, "Cannot open file missing.htm\n");
    EXPECT_FALSE(golden.filePath);
    EXPECT_EQ(writeGoldenCase(golden), kExample);
}

TEST(CliGoldenFormat, ABodyEndsBeforeTheLineBreakThatPrecedesTheNextDelimiter) {
    const GoldenCase golden = parseGoldenCase("# x\nexit: 0\n~~~ args\n\n~~~ stdout\nno break\n~~~ stderr\n\n\n"
                                              "~~~ end\n");
    EXPECT_TRUE(golden.args.empty());
    EXPECT_EQ(golden.out, "no break");
    EXPECT_EQ(golden.err, "\n");
}

TEST(CliGoldenFormat, KeepsEveryByte) {
    GoldenCase golden;
    golden.notes = {"# Every kind of byte.", "#", "#\tand a tab"};
    golden.exitCode = 255;
    golden.args = {"caf\xe9", "", "a b", "{tmp}/x.htm", "\r"};
    golden.settings = "[Settings]\r\nvl_id=24680\r\n";
    golden.pages = {{"latin.htm", "<p>\xe9t\xe9</p>\r\n\0\0\r"s}, {"empty.htm", ""}};
    golden.out = "no final line break";
    golden.err = "\n\n\r\n";
    golden.filePath = "{tmp}/out.htm";
    golden.file = "\0"s;
    const GoldenCase back = parseGoldenCase(writeGoldenCase(golden));
    EXPECT_EQ(back.notes, golden.notes);
    EXPECT_EQ(back.exitCode, golden.exitCode);
    EXPECT_EQ(back.args, golden.args);
    EXPECT_EQ(back.settings, golden.settings);
    ASSERT_EQ(back.pages.size(), 2U);
    EXPECT_EQ(back.pages[0].name, "latin.htm");
    EXPECT_EQ(back.pages[0].bytes, golden.pages[0].bytes);
    EXPECT_EQ(back.pages[1].name, "empty.htm");
    EXPECT_EQ(back.pages[1].bytes, "");
    EXPECT_EQ(back.out, golden.out);
    EXPECT_EQ(back.err, golden.err);
    EXPECT_EQ(back.filePath, golden.filePath);
    EXPECT_EQ(back.file, golden.file);
}

TEST(CliGoldenFormat, ABodyLineThatLooksLikeADelimiterIsWrittenWithOneMoreTilde) {
    GoldenCase golden;
    golden.notes = {"# Tildes."};
    golden.out = "~~~ end\n~~~~ x\n~~~\n~~\n";
    golden.err = "~~~ stderr";
    const std::string text = writeGoldenCase(golden);
    EXPECT_NE(text.find("\n~~~~ end\n~~~~~ x\n~~~~\n~~\n\n~~~ stderr\n~~~~ stderr\n~~~ end\n"), std::string::npos)
        << text;
    const GoldenCase back = parseGoldenCase(text);
    EXPECT_EQ(back.out, golden.out);
    EXPECT_EQ(back.err, golden.err);
}

TEST(CliGoldenFormat, WritesNothingItCouldNotReadBack) {
    GoldenCase golden;
    EXPECT_THROW(writeGoldenCase(golden), GoldenCaseError); // no comment line
    golden.notes = {"# x"};
    golden.args = {"a\nb"};
    EXPECT_THROW(writeGoldenCase(golden), GoldenCaseError);
    golden.args = {};
    golden.pages = {{"sub/page.htm", ""}};
    EXPECT_THROW(writeGoldenCase(golden), GoldenCaseError);
}

TEST(CliGoldenFormat, RefusesWhatIsNotACase) {
    const std::string sections = "~~~ args\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n";
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "must end with"},
        {"# x\nexit: 0\n" + sections.substr(0, sections.size() - 1), "must end with"},
        {"exit: 0\n" + sections, "line 1: the header is comment lines"},
        {"# x\n" + sections, "line 2: the header needs at least one comment line"},
        {"# x\nexit: 0\nexit: 0\n" + sections, "line 3: the header is comment lines"},
        {"# x\nexit: 0\n# y\n" + sections, "line 3: the header is comment lines"},
        {"# x\n\nexit: 0\n" + sections, "line 2: the header is comment lines"},
        {"# x\nexit: 256\n" + sections, "line 2: \"exit: N\" takes a number from 0 to 255"},
        {"# x\nexit: 01\n" + sections, "line 2: \"exit: N\" takes a number"},
        {"# x\nexit: -1\n" + sections, "line 2: \"exit: N\" takes a number"},
        {"# x\nexit: 0\n~~~args\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 3: a delimiter line is"},
        {"# x\nexit: 0\n~~~ argv\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 3: unknown section \"argv\""},
        {"# x\nexit: 0\n~~~ args\r\n\r\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 3: the delimiter line ends in"},
        {"# x\nexit: 0\n~~~ args x\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 3: \"~~~ args\" takes nothing"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ page\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 5: \"~~~ page\" needs"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ page a/b\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 5: a page's name"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ page a\n\n~~~ page a\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n",
         "line 7: a second page named \"a\""},
        {"# x\nexit: 0\n~~~ args\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ file \n\n~~~ end\n",
         "line 9: \"~~~ file\" needs the file's path"},
        {"# x\nexit: 0\n~~~ stdout\n\n~~~ args\n\n~~~ stderr\n\n~~~ end\n", "line 5: section \"args\" is out of order"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ stdout\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n",
         "line 7: section \"stdout\" is out of order or repeated"},
        {"# x\nexit: 0\n~~~ args\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 3: the section has no body line"},
        {"# x\nexit: 0\n~~~ args\na\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n", "line 4: every argument is one line"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ stdout\n\n~~~ stderr\n\n", "line 7: the section runs to the end"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ stdout\n\n~~~ stderr\n\n~~~ end\n\n", "line 10: nothing may follow"},
        {"# x\nexit: 0\n~~~ args\n\n~~~ stderr\n\n~~~ end\n", "needs the sections args, stdout and stderr"},
        {"# x\nexit: 0\n", "line 2: the last line must be \"~~~ end\""},
    };
    for (const auto &[text, why] : bad) {
        try {
            parseGoldenCase(text);
            ADD_FAILURE() << "read without complaint:\n" << text;
        } catch (const GoldenCaseError &error) {
            EXPECT_NE(std::string(error.what()).find(why), std::string::npos)
                << "wanted \"" << why << "\", got \"" << error.what() << "\" for:\n"
                << text;
        }
    }
}

} // namespace
} // namespace velmoraine::clitest
