#include "core/base/declared_charset.h"

#include <array>

#include "core/base/bytes.h"

namespace velmoraine::charset {

namespace {

constexpr std::string_view kMeta = "<meta";
constexpr std::string_view kCharset = "charset";

// Letters, digits and the punctuation that character set names use ("Shift_JIS", "x-sjis",
// "ISO-8859-5", "windows-1251", "csISO2022JP:1").
bool isNameByte(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

// The name after "charset" inside one meta tag: blanks, "=", blanks, an optional quote, then
// the name's bytes. Empty when the tag has no such value.
std::string charsetInTag(std::string_view tag) {
    for (std::size_t at = bytes::findNoCase(tag, kCharset, 0); at != std::string_view::npos;
         at = bytes::findNoCase(tag, kCharset, at + kCharset.size())) {
        std::size_t pos = at + kCharset.size();
        while (pos < tag.size() && bytes::isHtmlSpace(tag[pos])) {
            ++pos;
        }
        if (pos >= tag.size() || tag[pos] != '=') {
            continue;
        }
        ++pos;
        while (pos < tag.size() && (bytes::isHtmlSpace(tag[pos]) || tag[pos] == '"' || tag[pos] == '\'')) {
            ++pos;
        }
        std::size_t end = pos;
        while (end < tag.size() && isNameByte(tag[end])) {
            ++end;
        }
        if (end > pos) {
            return std::string(tag.substr(pos, end - pos));
        }
    }
    return {};
}

} // namespace

std::string declaredCharset(std::string_view page) {
    if (page.starts_with("\xEF\xBB\xBF")) {
        return "UTF-8";
    }
    if (page.starts_with("\xFF\xFE")) {
        return "UTF-16LE";
    }
    if (page.starts_with("\xFE\xFF")) {
        return "UTF-16BE";
    }
    // The declaration belongs to the head: the search ends where the body begins, so a page
    // that quotes a meta tag in its text is not read by the quote.
    const std::size_t body = bytes::findNoCase(page, "<body", 0);
    const std::string_view head = page.substr(0, body);
    for (std::size_t at = bytes::findNoCase(head, kMeta, 0); at != std::string_view::npos;
         at = bytes::findNoCase(head, kMeta, at + kMeta.size())) {
        const std::size_t close = head.find('>', at);
        const std::string_view tag =
            head.substr(at, close == std::string_view::npos ? std::string_view::npos : close - at);
        if (std::string name = charsetInTag(tag); !name.empty()) {
            return name;
        }
        if (close == std::string_view::npos) {
            break;
        }
        at = close - kMeta.size() + 1;
    }
    return {};
}

std::string browserCharsetName(std::string_view label) {
    static constexpr std::array<std::string_view, 16> kLatin1Family = {
        "ansi_x3.4-1968", "ascii",     "cp1252",   "cp819",      "csisolatin1",     "ibm819", "iso-8859-1",
        "iso-ir-100",     "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1",     "latin1",
        "us-ascii",       "x-cp1252",
    };
    for (const std::string_view family : kLatin1Family) {
        if (bytes::equalsNoCase(label, family)) {
            return "windows-1252";
        }
    }
    if (isUtf8Name(label)) {
        return "UTF-8";
    }
    return std::string(label);
}

bool isUtf8Name(std::string_view name) {
    return bytes::equalsNoCase(name, "utf-8") || bytes::equalsNoCase(name, "utf8") ||
           bytes::equalsNoCase(name, "unicode-1-1-utf-8");
}

} // namespace velmoraine::charset
