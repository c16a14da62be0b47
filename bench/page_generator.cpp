#include "bench/page_generator.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace velmoraine::bench {

namespace {

// ---------------------------------------------------------------------------------------------
// Building blocks
// ---------------------------------------------------------------------------------------------

// xorshift64*: a fixed seed gives the same page on every machine.
class Random {
public:
    std::uint64_t next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }

private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15ULL;
};

constexpr std::array<std::string_view, 40> kWords = {
    "the",      "form",     "page",    "order",   "delivery", "service", "please",  "contact", "our",    "team",
    "within",   "two",      "working", "days",    "price",    "list",    "members", "weekly",  "letter", "update",
    "address",  "number",   "garden",  "harbour", "valley",   "summer",  "report",  "meeting", "office", "review",
    "schedule", "question", "answer",  "public",  "library",  "station", "market",  "bridge",  "north",  "river"};

void appendNumber(std::string &out, std::size_t value) { out.append(std::to_string(value)); }

// A name with a fixed width, so that pages of one shape grow by the same bytes per item.
void appendPaddedNumber(std::string &out, std::size_t value, std::size_t width) {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) {
        out.append(width - digits.size(), '0');
    }
    out.append(digits);
}

void appendWords(std::string &out, Random &random, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) {
            out.push_back(' ');
        }
        out.append(kWords[random.below(kWords.size())]);
    }
}

// A paragraph of ordinary text with links, emphasis and now and then a comment.
void appendParagraph(std::string &out, Random &random) {
    out.append("<p>");
    const std::size_t pieces = 4 + random.below(6);
    for (std::size_t piece = 0; piece < pieces; ++piece) {
        appendWords(out, random, 4 + random.below(8));
        switch (random.below(6)) {
        case 0:
            out.append(" <a href=\"/pages/");
            appendNumber(out, random.below(5000));
            out.append(".html\">");
            appendWords(out, random, 2);
            out.append("</a> ");
            break;
        case 1:
            out.append(" <b>");
            appendWords(out, random, 1);
            out.append("</b> ");
            break;
        case 2:
            out.append(" <!-- ");
            appendWords(out, random, 3);
            out.append(" --> ");
            break;
        default: out.append(". "); break;
        }
    }
    out.append("</p>\n");
}

// The head of a page that the wizard has already updated once: it holds the earlier script
// block with its stored rules, which a rescan restores and a rewrite replaces.
void appendHead(std::string &out, std::string_view title) {
    out.append("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html>\n<head>\n"
               "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\n<title>");
    out.append(title);
    out.append("</title>\n"
               "<style type=\"text/css\">\nbody { font-family: Arial, sans-serif; margin: 2em; }\n"
               "fieldset { border: 1px solid #999; margin-bottom: 1em; }\n.note { color: #666; }\n</style>\n"
               "<!-- VELMORAINE-BEGIN -->\r\n<script type=\"text/javascript\">\r\n<!--\r\n"
               "function velmoraine_sub() {\r\n/*\r\n"
               "//VLDATA:email^1^0^Please enter your e-mail address.:;name^0^1^0^0^Please enter your name.:;\r\n"
               "*/\r\n}\r\n-->\r\n</script>\r\n<!-- VELMORAINE-END -->\r\n"
               "</head>\n");
}

void appendBodyStart(std::string &out) {
    out.append("<body bgcolor=\"#FFFFFF\">\n<div id=\"top\"><a href=\"/\">Home</a> | <a href=\"/news.html\">News</a> | "
               "<a href=\"/contact.html\">Contact</a></div>\n<h1>Members' pages</h1>\n");
}

void appendPageEnd(std::string &out) {
    out.append("<p class=\"note\">Last updated by the office.</p>\n</body>\n</html>\n");
}

// The opening of the first form with its usual fields, an old hidden account input (which a
// rewrite drops) and the webbot comment an HTML editor leaves.
void appendFirstFormStart(std::string &out, std::string_view name) {
    out.append("<form method=\"post\" action=\"/cgi-bin/send.cgi\" name=\"");
    out.append(name);
    out.append("\" onsubmit=\"return precheck(this)\">\n"
               "<!--webbot bot=\"SaveResults\" U-File=\"_private/results.csv\" S-Format=\"TEXT/CSV\" -->\n"
               "<input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">\n"
               "<p>Name <input type=\"text\" name=\"name\" size=\"30\"></p>\n"
               "<p>E-mail <input type=\"text\" name=\"email\" size=\"30\"></p>\n"
               "<p>Phone <input type=\"text\" name=\"phone\" size=\"20\"></p>\n"
               "<p>Age <input type=\"text\" name=\"age\" size=\"3\"></p>\n");
}

void appendFormEnd(std::string &out) {
    out.append("<p><input type=\"submit\" value=\"Send\"> <input type=\"reset\" value=\"Clear\"></p>\n</form>\n");
}

// One section of a long questionnaire: every kind of field, upper and lower case tags, and a
// comment. Names repeat every 250 sections, as a long form reuses its question blocks.
void appendSurveySection(std::string &out, Random &random, std::size_t section) {
    const std::size_t id = section % 250;
    const bool upper = section % 2 == 1;
    out.append("<fieldset><legend>Questions ");
    appendNumber(out, section + 1);
    out.append("</legend>\n<!-- question group ");
    appendNumber(out, section + 1);
    out.append(" -->\n");
    appendParagraph(out, random);
    out.append(upper ? "<label>Answer <INPUT TYPE=\"text\" NAME=\"s" : "<label>Answer <input type=\"text\" name=\"s");
    appendNumber(out, id);
    out.append("_text\" size=\"40\" value=\"\"></label><br>\n<select name=\"s");
    appendNumber(out, id);
    out.append("_choice\"><option value=\"\">Choose one</option><option value=\"1\">Often</option>"
               "<option value=\"2\">Sometimes</option><option value=\"3\">Never</option></select>\n"
               "<input type=\"radio\" name=\"s");
    appendNumber(out, id);
    out.append("_rate\" value=\"1\"> Good <input type=\"radio\" name=\"s");
    appendNumber(out, id);
    out.append("_rate\" value=\"2\"> Poor\n<input type=\"checkbox\" name=\"s");
    appendNumber(out, id);
    out.append("_agree\" value=\"yes\"> I agree\n");
    out.append(upper ? "<TEXTAREA NAME=\"s" : "<textarea name=\"s");
    appendNumber(out, id);
    out.append(upper ? "_notes\" ROWS=4 COLS=40></TEXTAREA>\n" : "_notes\" rows=\"4\" cols=\"40\"></textarea>\n");
    out.append("</fieldset>\n");
}

// A small search form of the kind that sits in a sidebar.
void appendSearchForm(std::string &out, std::size_t count) {
    const bool upper = count % 3 == 2;
    out.append(upper ? "<FORM METHOD=\"get\" ACTION=\"/search\">" : "<form method=\"get\" action=\"/search\">");
    out.append("<input type=\"text\" name=\"q\" size=\"20\"> <input type=\"submit\" value=\"Search\">");
    out.append(upper ? "</FORM>\n" : "</form>\n");
}

// ---------------------------------------------------------------------------------------------
// Shapes
// ---------------------------------------------------------------------------------------------

// A quarter of the page is a long questionnaire (the first form); the rest is articles with a
// search form every 64 KB.
std::string realisticPage(std::size_t size) {
    constexpr std::size_t kSearchFormEvery = 64 * 1024;
    Random random;
    std::string out;
    out.reserve(size + 4096);
    appendHead(out, "Members' questionnaire");
    appendBodyStart(out);
    appendFirstFormStart(out, "survey");
    const std::size_t formEnd = out.size() + std::max<std::size_t>(size / 4, 8 * 1024);
    for (std::size_t section = 0; out.size() < formEnd && out.size() < size; ++section) {
        appendSurveySection(out, random, section);
    }
    appendFormEnd(out);
    std::size_t nextSearchForm = out.size() + kSearchFormEvery;
    std::size_t searchForms = 0;
    for (std::size_t article = 0; out.size() + 256 < size; ++article) {
        out.append("<div class=\"article\"><h2>");
        appendWords(out, random, 3);
        out.append("</h2>\n");
        const std::size_t paragraphs = 2 + random.below(4);
        for (std::size_t i = 0; i < paragraphs; ++i) {
            appendParagraph(out, random);
        }
        out.append("</div>\n");
        if (out.size() >= nextSearchForm) {
            appendSearchForm(out, searchForms++);
            nextSearchForm += kSearchFormEvery;
        }
    }
    appendPageEnd(out);
    return out;
}

std::string distinctFieldsPage(std::size_t count) {
    std::string out;
    out.reserve(count * 80 + 4096);
    appendHead(out, "Many fields");
    appendBodyStart(out);
    appendFirstFormStart(out, "fields");
    for (std::size_t i = 0; i < count; ++i) {
        switch (i % 10) {
        case 0:
            out.append("<select name=\"f");
            appendPaddedNumber(out, i, 7);
            out.append("\"><option>a</option><option>b</option></select>\n");
            break;
        case 1:
            out.append("<textarea name=\"f");
            appendPaddedNumber(out, i, 7);
            out.append("\" rows=\"2\"></textarea>\n");
            break;
        default:
            out.append("<label>F <input type=\"text\" name=\"f");
            appendPaddedNumber(out, i, 7);
            out.append("\" size=\"8\"></label>\n");
            break;
        }
    }
    appendFormEnd(out);
    appendPageEnd(out);
    return out;
}

// Short paragraphs, each followed by a webbot comment; a few sit inside the form.
std::string webbotsPage(std::size_t count) {
    Random random;
    std::string out;
    out.reserve(count * 140 + 4096);
    appendHead(out, "Webbot comments");
    appendBodyStart(out);
    appendFirstFormStart(out, "bots");
    for (std::size_t i = 0; i < std::min<std::size_t>(count, 10); ++i) {
        out.append("<!--webbot bot=\"Validation\" S-Display-Name=\"Field\" B-Value-Required=\"TRUE\" -->\n");
    }
    appendFormEnd(out);
    for (std::size_t i = std::min<std::size_t>(count, 10); i < count; ++i) {
        out.append("<p>");
        appendWords(out, random, 6 + random.below(6));
        out.append(".</p>\n<!--webbot bot=\"x\" -->\n");
    }
    appendPageEnd(out);
    return out;
}

std::string manyFormsPage(std::size_t count) {
    std::string out;
    out.reserve(count * 360 + 4096);
    appendHead(out, "Many forms");
    appendBodyStart(out);
    for (std::size_t i = 0; i < count; ++i) {
        out.append("<form method=\"post\" action=\"/cgi-bin/f");
        appendPaddedNumber(out, i, 6);
        out.append(".cgi\" name=\"form");
        appendPaddedNumber(out, i, 6);
        out.append("\">\n<input type=\"text\" name=\"email\"> <input type=\"text\" name=\"name\">\n"
                   "<select name=\"topic\"><option>One</option><option>Two</option></select>\n"
                   "<textarea name=\"notes\"></textarea> <!-- form end -->\n"
                   "<input type=\"submit\" value=\"Send\"></form>\n");
    }
    appendPageEnd(out);
    return out;
}

// Inputs of every type and spelling of the attributes; 20 names repeating.
std::string manyInputsPage(std::size_t count) {
    std::string out;
    out.reserve(count * 64 + 4096);
    appendHead(out, "Many inputs");
    appendBodyStart(out);
    appendFirstFormStart(out, "inputs");
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t name = i % 20;
        switch (i % 5) {
        case 0: out.append("<input type=\"text\" name=\"n"); break;
        case 1: out.append("<INPUT TYPE=\"hidden\" NAME=\"n"); break;
        case 2: out.append("<input type='checkbox' Name='n"); break;
        case 3: out.append("<Input Type=radio name =\"n"); break;
        default: out.append("<input name=\"n"); break;
        }
        appendPaddedNumber(out, name, 2);
        out.append(i % 5 == 2 ? "' value=\"1\">\n" : "\" value=\"1\">\n");
    }
    appendFormEnd(out);
    appendPageEnd(out);
    return out;
}

// The first form's tag holds `size` bytes of attributes; its name and onsubmit come last.
std::string longFormTagPage(std::size_t size) {
    std::string out;
    out.reserve(size + 4096);
    appendHead(out, "Long form tag");
    appendBodyStart(out);
    const std::size_t tagStart = out.size();
    out.append("<form method=\"post\" action=\"/cgi-bin/send.cgi\"");
    for (std::size_t i = 0; out.size() - tagStart + 64 < size; ++i) {
        out.append(" data-k");
        appendPaddedNumber(out, i, 7);
        out.append("=\"value ");
        appendPaddedNumber(out, i, 7);
        out.push_back('"');
    }
    out.append(" onsubmit=\"return precheck(this)\" name=\"long\">\n");
    out.append("<p>E-mail <input type=\"text\" name=\"email\" size=\"30\"></p>\n");
    appendFormEnd(out);
    appendPageEnd(out);
    return out;
}

// A proper first form, then form openings without any ">" after them, in both cases.
std::string openFormsPage(std::size_t count) {
    std::string out;
    out.reserve(count * 24 + 4096);
    appendHead(out, "Open forms");
    appendBodyStart(out);
    appendFirstFormStart(out, "open");
    appendFormEnd(out);
    for (std::size_t i = 0; i < count; ++i) {
        out.append(i % 4 == 3 ? "<FORM METHOD=post " : "<form method=post ");
    }
    out.push_back('\n');
    return out;
}

// Field tags without ">" up to the form's end: quoted, unquoted and unclosed single-quoted names.
std::string openTagsPage(std::size_t count) {
    std::string out;
    out.reserve(count * 40 + 4096);
    appendHead(out, "Open tags");
    appendBodyStart(out);
    appendFirstFormStart(out, "open");
    for (std::size_t i = 0; i < count; ++i) {
        switch (i % 4) {
        case 0: out.append("<input type=\"text\" name=\"t"); break;
        case 1: out.append("<select NAME=t"); break;
        case 2: out.append("<textarea name='t"); break;
        default: out.append("<input TYPE=hidden Name=\"t"); break;
        }
        appendPaddedNumber(out, i, 7);
        out.append(i % 4 == 0 || i % 4 == 3 ? "\" " : " ");
    }
    out.append("\n</form>\n");
    appendPageEnd(out);
    return out;
}

// Comment openings that are never closed, between the fields of the first form.
std::string openCommentsPage(std::size_t count) {
    std::string out;
    out.reserve(count * 24 + 4096);
    appendHead(out, "Open comments");
    appendBodyStart(out);
    appendFirstFormStart(out, "open");
    for (std::size_t i = 0; i < count; ++i) {
        out.append("<!-- note ");
        appendPaddedNumber(out, i, 7);
        out.push_back(' ');
    }
    out.append("\n</form>\n");
    appendPageEnd(out);
    return out;
}

struct ShapeName {
    PageShape shape;
    std::string_view name;
};

constexpr std::array<ShapeName, 9> kShapeNames = {{
    {PageShape::Realistic, "realistic"},
    {PageShape::DistinctFields, "fields"},
    {PageShape::Webbots, "webbots"},
    {PageShape::ManyForms, "forms"},
    {PageShape::ManyInputs, "inputs"},
    {PageShape::LongFormTag, "form-tag"},
    {PageShape::OpenForms, "open-forms"},
    {PageShape::OpenTags, "open-tags"},
    {PageShape::OpenComments, "open-comments"},
}};

} // namespace

std::string_view shapeName(PageShape shape) {
    for (const ShapeName &entry : kShapeNames) {
        if (entry.shape == shape) {
            return entry.name;
        }
    }
    return {};
}

std::optional<PageShape> shapeByName(std::string_view name) {
    for (const ShapeName &entry : kShapeNames) {
        if (entry.name == name) {
            return entry.shape;
        }
    }
    return std::nullopt;
}

std::string shapeNames() {
    std::string names;
    for (const ShapeName &entry : kShapeNames) {
        if (!names.empty()) {
            names.append(", ");
        }
        names.append(entry.name);
    }
    return names;
}

std::string generatePage(PageShape shape, std::size_t n) {
    switch (shape) {
    case PageShape::Realistic: return realisticPage(n);
    case PageShape::DistinctFields: return distinctFieldsPage(n);
    case PageShape::Webbots: return webbotsPage(n);
    case PageShape::ManyForms: return manyFormsPage(n);
    case PageShape::ManyInputs: return manyInputsPage(n);
    case PageShape::LongFormTag: return longFormTagPage(n);
    case PageShape::OpenForms: return openFormsPage(n);
    case PageShape::OpenTags: return openTagsPage(n);
    case PageShape::OpenComments: return openCommentsPage(n);
    }
    return {};
}

} // namespace velmoraine::bench
