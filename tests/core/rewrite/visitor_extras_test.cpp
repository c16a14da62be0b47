// The extras for the page's visitors: the fallback attributes, the edits that write and take
// them out again, the script's CSP hash and the warnings to the author.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/sha256.h"
#include "core/rewrite/visitor_extras.h"

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

TEST(Sha256, KnownDigests) {
    const auto hex = [](std::string_view text) {
        std::string out;
        for (std::uint8_t byte : sha256::digest(text)) {
            out += "0123456789abcdef"[byte >> 4];
            out += "0123456789abcdef"[byte & 15];
        }
        return out;
    };
    EXPECT_EQ(hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hex(std::string(1000, 'a')), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
    EXPECT_EQ(sha256::base64("abcd"), "YWJjZA==");
    EXPECT_EQ(sha256::base64("abcde"), "YWJjZGU=");
}

TEST(CspHash, HashesTheScriptTextAsTheBrowserReadsIt) {
    const std::string crlf = "<!-- VELMORAINE-BEGIN -->\r\n<script type=\"text/javascript\">\r\nvar b;\r\n</script>";
    const std::string lf = "<!-- VELMORAINE-BEGIN -->\n<script type=\"text/javascript\">\nvar b;\n</script>";
    EXPECT_EQ(cspHash(crlf), cspHash(lf));
    const auto digest = sha256::digest("\nvar b;\n");
    EXPECT_EQ(cspHash(lf),
              "'sha256-" + sha256::base64(std::string_view(reinterpret_cast<const char *>(digest.data()), 32)) + "'");
    EXPECT_EQ(cspHash("<script>no marker</script>"), "");
}

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
        {"<form><input name=\"a\" aria-label=\"A\"><input type=\"image\" src=x alt=Go></form>", {}},
        {"<form><input name=\"a\"><input name=\"a\"><button type=\"button\">x</button></form>", {noLabel, noSubmit}},
        // Only a field with a rule has an error message that its label leads.
        {"<form><input name=\"b\"><select name=\"c\"></select><input type=submit></form>",
         {"Warning: field \"c\" has no label. Screen readers cannot name it, and its error message names it by its "
          "field name. Give it a <label for> or an aria-label."}},
        {"<form onsubmit=\"return check()\"><input type=hidden name=h><input type=submit></form>",
         {"Warning: the form's own onsubmit handler (return check()) is replaced by the Velmoraine checks."}},
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
    };
    for (const WarningCase &c : cases) {
        const std::string page = c.page;
        const std::size_t start = page.find("<form");
        EXPECT_EQ(authorWarnings(page, start, page.find('>', start), {"a^1^0^Bad", "c^0^0^0^Pick"}, "'sha256-X'"),
                  c.expected)
            << c.page;
    }
}

} // namespace
} // namespace velmoraine::rewrite
