#include "core/rewrite/earlier_checks.h"

#include <cctype>

#include <vector>

#include "core/base/bytes.h"
#include "core/scan/tag_reader.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kCommentOpen = "<!--webbot";
constexpr std::string_view kCommentClose = "-->";

bool isIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

std::size_t skipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && bytes::isHtmlSpace(text[at])) {
        ++at;
    }
    return at;
}

// Whether `word` stands at `at` on its own: no identifier character (or ".", which would make it
// a member of something else) before it, none after it.
bool standsAlone(std::string_view text, std::size_t at, std::string_view word) {
    const std::size_t end = at + word.size();
    return (at == 0 || (!isIdentifierChar(text[at - 1]) && text[at - 1] != '.')) &&
           (end >= text.size() || !isIdentifierChar(text[end]));
}

// Past one ";" right at `at` and the blanks after it; `at` itself when there is no ";".
std::size_t pastSemicolon(std::string_view text, std::size_t at) {
    return at < text.size() && text[at] == ';' ? skipBlanks(text, at + 1) : at;
}

// `text` without each "return document.MM_returnValue" (any blanks after "return").
std::string withoutValidateResult(const std::string &text) {
    std::string out;
    std::size_t from = 0;
    constexpr std::string_view kReturn = "return";
    for (std::size_t at = text.find(kReturn); at != npos; at = text.find(kReturn, at + 1)) {
        const std::size_t value = skipBlanks(text, at + kReturn.size());
        if (value == at + kReturn.size() || !standsAlone(text, at, kReturn) ||
            text.compare(value, kValidateResult.size(), kValidateResult) != 0 ||
            !standsAlone(text, value, kValidateResult)) {
            continue;
        }
        out.append(text, from, at - from);
        from = pastSemicolon(text, value + kValidateResult.size());
        at = from - 1;
    }
    out.append(text, from);
    return out;
}

} // namespace

GeneratedScriptMarker generatedScriptMarker(std::string_view comment) {
    GeneratedScriptMarker marker;
    if (!bytes::startsWithNoCase(comment, kCommentOpen) ||
        comment.size() < kCommentOpen.size() + kCommentClose.size() || !comment.ends_with(kCommentClose)) {
        return marker;
    }
    const std::string_view body =
        comment.substr(kCommentOpen.size(), comment.size() - kCommentOpen.size() - kCommentClose.size());
    bool generated = false;
    bool start = false;
    bool end = false;
    // The body is no tag: "<", ">" and "/" are bytes of names and values, and only blanks
    // separate the attributes, up to the comment's "-->".
    using scan::TagSyntax;
    constexpr TagSyntax kCommentBody{.angle = TagSyntax::Angle::Plain,
                                     .slash = TagSyntax::Slash::Plain,
                                     .openQuote = TagSyntax::OpenQuote::RunsToEnd};
    scan::AttributeReader reader(body, 0, kCommentBody);
    while (const std::optional<scan::TagAttribute> attribute = reader.next()) {
        generated = generated || (bytes::equalsNoCase(attribute->name, "bot") &&
                                  bytes::equalsNoCase(attribute->value, "GeneratedScript"));
        start = start || bytes::equalsNoCase(attribute->name, "startspan");
        end = end || bytes::equalsNoCase(attribute->name, "endspan");
    }
    marker.start = generated && start;
    marker.end = generated && end;
    return marker;
}

std::optional<std::string> withoutValidateCalls(std::string_view handler, ValidateCalls which,
                                                const ImportedFields &imported) {
    std::string out;
    std::size_t from = 0;
    bool removed = false;
    bool left = false; // a call stays, which the returned value still belongs to
    std::size_t at = handler.find(kValidateCall);
    while (at != npos) {
        if (!scan::isValidateCallAt(handler, at)) {
            at = handler.find(kValidateCall, at + kValidateCall.size());
            continue;
        }
        const scan::ValidateCall call = scan::readValidateCall(handler, at);
        bool picked = call.read;
        for (std::size_t i = 0; picked && which == ValidateCalls::NamingOnlyImported && i < call.fields.size(); ++i) {
            picked = imported.contains(call.fields[i]);
        }
        std::size_t next = call.end;
        if (picked) {
            out.append(handler.substr(from, at - from));
            next = pastSemicolon(handler, call.end);
            from = next;
            removed = true;
        } else {
            left = true;
        }
        at = handler.find(kValidateCall, next);
    }
    if (!removed) {
        return std::nullopt;
    }
    out.append(handler.substr(from));
    return left ? out : withoutValidateResult(out);
}

std::string_view frontPageValidator(std::string_view formTag) {
    constexpr std::string_view kPrefix = "FrontPage_Form";
    const std::size_t at = formTag.find(kPrefix);
    if (at == std::string_view::npos) {
        return {};
    }
    std::size_t end = at + kPrefix.size();
    while (end < formTag.size() &&
           (std::isalnum(static_cast<unsigned char>(formTag[end])) != 0 || formTag[end] == '_')) {
        ++end;
    }
    return formTag.substr(at, end - at);
}

} // namespace velmoraine::rewrite
