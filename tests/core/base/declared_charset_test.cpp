#include "core/base/declared_charset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using velmoraine::charset::browserCharsetName;
using velmoraine::charset::declaredCharset;

TEST(DeclaredCharset, FoundByByteOrderMarkOrMetaTagBeforeTheBody) {
    struct Case {
        std::string page;
        std::string charset;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"<html><head><title>x</title></head><body><form ></form>", ""},
        {"\xEF\xBB\xBF<meta charset=\"Shift_JIS\">", "UTF-8"},
        {"\xFF\xFE<\0h\0", "UTF-16LE"},
        {"\xFE\xFF\0<\0h", "UTF-16BE"},
        {"<meta charset=\"Shift_JIS\">", "Shift_JIS"},
        {"<META CHARSET=windows-1251>", "windows-1251"},
        {"<meta charset = 'euc-jp' />", "euc-jp"},
        {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">", "Shift_JIS"},
        {"<Meta HTTP-EQUIV=Content-Type\r\n CONTENT=\"text/html;charset=KOI8-R\">", "KOI8-R"},
        // The first meta tag that names a charset counts; one without a value is passed over.
        {"<meta name=\"author\" content=\"A\"><meta charset><meta charset=\"iso-8859-5\"><meta charset=utf-8>",
         "iso-8859-5"},
        // "charset" must be followed by "=": a word in a description is not a declaration.
        {"<meta name=\"d\" content=\"charset list\"><meta charset=\"gb2312\">", "gb2312"},
        // A meta tag in the body is text of the page, not its declaration.
        {"<html><body><p>&lt;<meta charset=\"Big5\"></p>", ""},
        {"<head><meta charset=\"Big5\"></head><BODY>", "Big5"},
        {"<meta charset=", ""},
        {"<meta", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(declaredCharset(c.page), c.charset) << c.page;
    }
}

TEST(DeclaredCharset, NameAsBrowsersReadIt) {
    for (const char *latin : {"ISO-8859-1", "latin1", "US-ASCII", "windows-1252", "cp1252"}) {
        EXPECT_EQ(browserCharsetName(latin), "windows-1252") << latin;
    }
    EXPECT_EQ(browserCharsetName("utf8"), "UTF-8");
    EXPECT_EQ(browserCharsetName("UTF-8"), "UTF-8");
    EXPECT_EQ(browserCharsetName("Shift_JIS"), "Shift_JIS");
    EXPECT_EQ(browserCharsetName("windows-1251"), "windows-1251");
}

// The search stops at each tag's end: a page of many unclosed meta tags is read once.
TEST(DeclaredCharset, ManyMetaTagsWithoutCharset) {
    std::string page;
    for (int i = 0; i < 200000; ++i) {
        page += "<meta name=x>";
    }
    page += "<meta charset=\"windows-1251\">";
    EXPECT_EQ(declaredCharset(page), "windows-1251");
    EXPECT_EQ(declaredCharset(std::string(1 << 20, '<') + "<meta charset=koi8-r>"), "koi8-r");
}
