// The fallback attributes of a field and the edits that write them and take them out again.
#include "core/rewrite/html5_fallback.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmoraine::rewrite {
namespace {

std::string joined(const Attributes &attributes) {
    std::string out;
    for (const auto &[name, value] : attributes) {
        out += (out.empty() ? "" : " ") + name + (value.empty() ? "" : "=" + value);
    }
    return out;
}

struct FallbackCase {
    const char *record;
    const char *tag;
    const char *expected;
};

TEST(FallbackAttributes, NeverStricterThanTheRule) {
    const FallbackCase cases[] = {
        {"name^0^1^0^0^m", "<input name=\"name\">", "required"},
        {"name^0^1^0^1^m", "<input name=\"name\">", ""},
        {"code^0^2.5^7.5^0^m", "<input type=\"TEXT\" name=\"code\">", "required minlength=3 maxlength=7"},
        {"code^0^abc^0x10^0^m", "<input name=\"code\">", "required"}, // not plain numbers: no limit written
        {"note^0^3^40^yes^m", "<textarea name=\"note\">", "minlength=3 maxlength=40"}, // blank "yes": unknown
        {"size^0^1^0^0^m", "<select name=\"size\">", "required"},
        {"ok^0^1^0^0^m", "<input type=\"checkbox\" name=\"ok\">", "required"},
        {"name^0^1^0^0^m", "<input name=\"name\" required maxlength=\"9\">", ""}, // the author's own stay
        {"h^0^1^0^0^m", "<input type=\"hidden\" name=\"h\">", ""},
        {"e^1^1^m", "<input name=\"e\">",
         R"(pattern=[^\s@,;:<>\(\)\[\]\\".]([^\s@,;:<>\(\)\[\]\\"]*[^\s@,;:<>\(\)\[\]\\".])?@[^\s@,;:<>\(\)\[\]\\".]+(\.[^\s@,;:<>\(\)\[\]\\".]+)+)"},
        {"p^2^10^10^ ()-+^0^m", "<input name=\"p\">",
         R"(required pattern=(?:[ \(\)\-+]*[0-9]){10,10}[ \(\)\-+]*)"
         " inputmode=tel"},
        {"z^2^5^0^^0^m", "<input name=\"z\">", "required pattern=[0-9]{5,} inputmode=numeric"},
        {"z^2^9^5^^0^m", "<input name=\"z\">", "required inputmode=numeric"}, // refuses all: no pattern
        {"z^2^^^--^0^m", "<input name=\"z\">", R"(required pattern=(?:[\-]*[0-9]){0,}[\-]* inputmode=tel)"},
        {"q^3^1^10^0^m", "<input name=\"q\">", R"(required pattern=\s*[+\-]?(\d+(\.\d*)?|\.\d+)\s* inputmode=decimal)"},
        {"q^3^1^10^0^m", "<input type=\"number\" name=\"q\">", "required min=1 max=10"},
        {"q^3^0^0^0^m", "<input type=\"number\" name=\"q\">", "required"},
        {"q^9^1^10^0^m", "<input name=\"q\">", ""},
    };
    for (const FallbackCase &c : cases) {
        EXPECT_EQ(joined(fallbackAttributes(c.record, c.tag)), c.expected) << c.record << " " << c.tag;
    }
}

std::string applied(std::string_view page, const std::vector<TagEdit> &edits) {
    std::string out;
    std::size_t from = 0;
    for (const TagEdit &edit : edits) {
        EXPECT_GE(edit.start, from);
        out.append(page.substr(from, edit.start - from));
        out.append(edit.text);
        from = edit.end;
    }
    out.append(page.substr(from));
    return out;
}

TEST(FallbackEdits, WrittenListedAndTakenOutAgain) {
    const std::string page = "<form name=\"f\">\n<label>Phone <input name=\"p\" required/></label>\n"
                             "<!-- <input name=\"p\"> -->\n<input type=\"hidden\" name=\"p\">\n"
                             "<textarea name='t' rows=3>x</textarea></form><input name=\"p\">";
    const std::size_t close = page.find('>');
    const std::vector<std::string> records{"p^2^3^3^-^0^m", "t^0^1^5^0^m"};

    const std::string on = applied(page, fallbackEdits(page, close, records, Html5Fallback::On));
    EXPECT_EQ(on,
              "<form name=\"f\">\n<label>Phone <input name=\"p\" required pattern=\"(?:[\\-]*[0-9]){3,3}[\\-]*\""
              " inputmode=\"tel\" data-velmoraine=\"pattern inputmode\"/></label>\n"
              "<!-- <input name=\"p\"> -->\n<input type=\"hidden\" name=\"p\">\n"
              "<textarea name='t' rows=3 required maxlength=\"5\" data-velmoraine=\"required maxlength\">x</textarea>"
              "</form><input name=\"p\">");
    // Again with the same rules: the same page; without the setting: the page as it was.
    EXPECT_EQ(applied(on, fallbackEdits(on, close, records, Html5Fallback::On)), on);
    EXPECT_EQ(applied(on, fallbackEdits(on, close, records, Html5Fallback::Off)), page);
    EXPECT_TRUE(fallbackEdits(page, close, records, Html5Fallback::Off).empty());
}

} // namespace
} // namespace velmoraine::rewrite
