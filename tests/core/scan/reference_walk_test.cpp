// The fast scan against the plain reference walk: the same form numbering and the same fields,
// on the real pages, the test pages, and generated pages made of the pieces the walk reacts to.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/base/files.h"
#include "core/scan/form_scanner.h"
#include "core/scan/reference_walk.h"
#include "tests/core/test_pages.h"

namespace velmoraine {
namespace {

// Every answer the scan gives about forms and fields, compared with the reference's.
void expectSameAsReference(std::string_view page, const std::string &what) {
    const std::vector<std::size_t> forms = scan::reference::formTagPositions(page);
    ASSERT_EQ(scan::formTagPositions(page), forms) << what;
    // Every form of a small page; the first ones and the last ones of a page with many.
    const int count = static_cast<int>(forms.size());
    for (int number = 0; number <= count + 1; number = number == 12 && count > 16 ? count - 2 : number + 1) {
        ASSERT_EQ(scan::findFormTag(page, number), scan::reference::findFormTag(page, number))
            << what << ", form " << number;
        ASSERT_EQ(scan::listFields(page, number), scan::reference::listFields(page, number))
            << what << ", form " << number;
    }
    const int chosen = 1 + static_cast<int>(page.size() % (forms.size() + 1));
    const scan::ScanResult result = scan::scanPage(page, [&](const std::vector<std::string> &) { return chosen; });
    if (result.formFound) {
        ASSERT_EQ(result.fields, scan::reference::listFields(page, result.chosenForm)) << what;
    }
}

TEST(ReferenceWalk, AgreesOnEveryCorpusAndTestPage) {
    std::vector<test::NamedPage> pages = test::realAndTestPages();
    EXPECT_GT(pages.size(), 60u);
    for (test::NamedPage &input : test::pagesIn({test::sourceFolder() / "fuzz" / "corpus" / "fuzz_scan"})) {
        pages.push_back(std::move(input));
    }
    for (const test::NamedPage &page : pages) {
        expectSameAsReference(page.bytes, page.name);
    }
}

// Pages put together from the pieces the walk turns on: every spelling of the form tags and
// their closing tags, comments cut short, quotes that do not close, name and type attributes
// in their variants, zero bytes. Seeded, so every run sees the same pages.
std::string adversarialPage(std::mt19937 &random, std::size_t pieces) {
    static const std::vector<std::string> kPieces = {
        "<form ",
        "<FORM ",
        "<Form ",
        "</form>",
        "</FORM>",
        "</Form>",
        "<form>",
        "<form\n",
        "<fOrM/",
        "<FORM\t",
        "<format ",
        ">",
        "<",
        " ",
        "\n",
        "<input name=a>",
        "<INPUT NAME=\"b\">",
        "<input Name='c' type=text>",
        "<input type=hidden name=h>",
        "<input name=s TYPE=Submit>",
        "<input type = \"radio\" name=r>",
        "<input name =\"d\"",
        "<input name=",
        "<select name=\"sel\">",
        "<SELECT NAME=sel>",
        "<textarea name=t>",
        "<TEXTAREA name='t2'",
        "name=\"x",
        "type='checkbox'",
        "<!-- ",
        "<!-",
        "-->",
        "->",
        "\"",
        "'",
        "=",
        std::string(1, '\0'),
        "<inputname=z>",
        "<input\tname=tab>",
        "action=\"/go\"",
        "<a href=x>",
        "</FORMS>",
        "name = \"spaced\"",
        "NAME =",
        "<input ",
        "<SELECT\n",
        "Type=Radio ",
        "TYPE =",
        std::string(250, ' '),
    };
    return test::pageOfPieces(random, kPieces, pieces);
}

TEST(ReferenceWalk, AgreesOnGeneratedPages) {
    std::mt19937 random(15);
    for (int i = 0; i < 3000; ++i) {
        const std::string page = adversarialPage(random, 1 + static_cast<std::size_t>(i % 80));
        expectSameAsReference(page, "generated page " + std::to_string(i));
    }
}

// A page large enough for the scan to walk its first form on a second thread.
TEST(ReferenceWalk, AgreesOnALargePageWalkedOnTheSecondThread) {
    std::mt19937 random(4);
    std::string page = "<html><body>" + adversarialPage(random, 200) + "<form action=x>";
    for (std::size_t field = 0; page.size() < std::size_t{5} * 1024 * 1024; ++field) {
        page += "<input name=\"f" + std::to_string(field % 5000) + "\"> <!-- <input name=gone> -->";
        page += "<p>text without tags, long enough to matter to the wide searches.</p>\n";
    }
    page += adversarialPage(random, 200);
    expectSameAsReference(page, "large page");
}

} // namespace
} // namespace velmoraine
