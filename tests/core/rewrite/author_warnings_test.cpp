#include "core/rewrite/author_warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmoraine::rewrite {
namespace {

struct WarningCase {
    const char *page;
    std::vector<std::string> expected;
};

TEST(AuthorWarnings, SaysWhatWillNotWork) {
    const std::string noLabel = "Warning: field \"a\" has no label. Screen readers cannot name it, and its error "
                                "message names it by its field name. Give it a <label for> or an aria-label.";
    const std::string noSubmit =
        "Warning: the form has no submit button. Visitors using the keyboard may not be able to send it.";
    const WarningCase cases[] = {
        {"<form><label for=\"i\">A</label><input id=\"i\" name=\"a\"><input type=submit></form>", {}},
        {"<form><LABEL>A <input name=\"a\"></LABEL><button>Go</button></form>", {}},
        // A label ends at its closing tag: a field after it has none.
        {"<form><label>C <input name=\"c\"></label><input name=\"a\"><input type=submit></form>", {noLabel}},
        {"<form><input name=\"a\" aria-label=\"A\"><input type=\"image\" src=x alt=Go></form>", {}},
        {"<form><input name=\"a\"><input name=\"a\"><button type=\"button\">x</button></form>", {noLabel, noSubmit}},
        // Only a field with a rule has an error message that its label leads.
        {"<form><input name=\"b\"><select name=\"c\"></select><input type=submit></form>",
         {"Warning: field \"c\" has no label. Screen readers cannot name it, and its error message names it by its "
          "field name. Give it a <label for> or an aria-label."}},
        {"<form onsubmit=\"return check()\"><input type=hidden name=h><input type=submit></form>",
         {"Warning: the form's own onsubmit handler (return check()) is replaced by the Velmoraine checks."}},
        // The first handler in any case counts; one of the checks' own is no handler to replace.
        {"<form ONSUBMIT='first()' onsubmit=\"second()\"><input type=submit></form>",
         {"Warning: the form's own onsubmit handler (first()) is replaced by the Velmoraine checks."}},
        {"<form onsubmit=\"return velmoraine_sub()\" onsubmit=x><input type=submit></form>", {}},
        {"<meta http-equiv=\"content-security-policy\" content=\"default-src 'self'\">"
         "<form><input type=submit></form>",
         {"Warning: the page's Content-Security-Policy meta tag blocks the Velmoraine checks. Add 'sha256-X' to its "
          "script-src."}},
        {"<meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'self' 'sha256-X'\">"
         "<form><input type=submit></form>",
         {}},
        {"<meta http-equiv=\"Content-Security-Policy\" content=\"img-src 'self'; script-src 'unsafe-inline'\">"
         "<form><input type=submit></form>",
         {}},
        // Submit buttons in any spelling, and the fields after them still looked at.
        {"<form><input type=\"SUBMIT\"><input name=\"a\"></form>", {noLabel}},
        {"<form><INPUT TYPE=IMAGE src=x><input value=\"a\" name=\"b\"><select name=a></select></form>", {noLabel}},
        {"<form><button>Go</button><button type=reset>x</button><input name='a' title=\"A\"></form>", {}},
        // A label anywhere in the page names a field by its id; a field without an id has none.
        {"<form><input id=\"x\" name=\"a\"><input name=\"a\"><input type=submit></form><label for=\"x\">A</label>",
         {noLabel}},
        {"<form><input id=\"y\" name=\"a\"><input id=\"x\" name=\"a\"><input type=submit></form>"
         "<label for=\"x\">A</label>",
         {noLabel}},
        {"<form><input id=\"x\" name=\"a\"><input id=\"x\" name=\"a\"><input type=submit></form>"
         "<label for=\"x\">A</label>",
         {}},
    };
    // A page of megabytes is read on two threads: its answers are the small page's.
    const std::string filler = [] {
        std::string text;
        while (text.size() < 5 * 1024 * 1024) {
            text += "<p>Some <i>text</i> of the page, <b>a list</b>: <ul><li>one</li></ul> <!-- a note --></p>\n";
        }
        return text;
    }();
    for (const WarningCase &c : cases) {
        for (const bool large : {false, true}) {
            const std::string page = large ? filler + c.page + filler : std::string(c.page);
            const std::size_t start = page.find("<form");
            EXPECT_EQ(authorWarnings(page, start, page.find('>', start), {"a^1^0^Bad", "c^0^0^0^Pick"}, "'sha256-X'"),
                      c.expected)
                << c.page << (large ? " (large)" : "");
        }
    }
}

} // namespace
} // namespace velmoraine::rewrite
