#include "core/rewrite/script_block.h"

#include "core/rules/rule_record.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kStoredRulesOpen = "/*\r\n//VLDATA:";
constexpr std::string_view kRecordEnd = ":;";
constexpr std::string_view kStoredRulesClose = "\r\n*/\r\n";
constexpr std::string_view kClosingText = "\r\n}\r\n-->\r\n</script>\r\n<!-- VELMORAINE-END -->\r\n";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// An optional "-", digits, optionally "." and digits; a whole part with a leading zero
// ("010") is not plain, as a script reads it as an octal number or not at all.
bool isPlainNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        ++i;
    }
    const std::size_t digitsStart = i;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
    }
    if (i == digitsStart || (text[digitsStart] == '0' && i - digitsStart > 1)) {
        return false;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        const std::size_t fractionStart = i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
        if (i == fractionStart) {
            return false;
        }
    }
    return i == text.size();
}

bool isIdentifier(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    auto isStart = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$'; };
    if (!isStart(name[0])) {
        return false;
    }
    for (char c : name.substr(1)) {
        if (!isStart(c) && !isDigit(c)) {
            return false;
        }
    }
    return true;
}

void appendStatement(std::string &out, std::string_view variable, const std::string &value) {
    out.append(variable);
    out.push_back('=');
    out.append(value);
    out.append(";\r\n");
}

void appendCheck(std::string &out, std::string_view function, std::string_view formName, std::string_view field) {
    out.append("if (! ");
    out.append(function);
    out.push_back('(');
    out.append(jsMember(jsMember("document", formName), field));
    out.append(") ) return false ;\r\n\r\n");
}

} // namespace

std::string jsString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\': out.append("\\\\"); break;
        case '"': out.append("\\\""); break;
        case '\r': out.append("\\r"); break;
        case '\n': out.append("\\n"); break;
        case '\xE2':
            // U+2028 and U+2029 in UTF-8: older browsers end a string literal at them.
            if (i + 2 < text.size() && text[i + 1] == '\x80' && (text[i + 2] == '\xA8' || text[i + 2] == '\xA9')) {
                out.append(text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029");
                i += 2;
            } else {
                out.push_back(c);
            }
            break;
        case '<':
            out.push_back('<');
            if (i + 1 < text.size() && text[i + 1] == '/') {
                out.append("\\/");
                ++i;
            }
            break;
        default: out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

std::string jsValue(std::string_view text) { return isPlainNumber(text) ? std::string(text) : jsString(text); }

std::string jsMember(std::string_view object, std::string_view name) {
    std::string out(object);
    if (isIdentifier(name)) {
        out.push_back('.');
        out.append(name);
    } else {
        out.push_back('[');
        out.append(jsString(name));
        out.push_back(']');
    }
    return out;
}

void appendCheckStatements(std::string &out, std::string_view text, std::string_view formName) {
    const std::optional<rules::RuleRecord> record = rules::readRecord(text);
    if (!record || record->field.empty()) {
        return;
    }
    appendStatement(out, "b", jsValue(record->blank));
    appendStatement(out, "errmsg", jsString(record->message));
    switch (record->kind) {
    case rules::RuleKind::FilledIn:
        appendStatement(out, "min", jsValue(record->low));
        appendStatement(out, "max", jsValue(record->high));
        appendCheck(out, "velmoraine_filledin", formName, record->field);
        break;
    case rules::RuleKind::Email: appendCheck(out, "velmoraine_email", formName, record->field); break;
    case rules::RuleKind::DigitSequence:
        appendStatement(out, "punct", jsString(record->punct));
        appendStatement(out, "min", jsValue(record->low));
        appendStatement(out, "max", jsValue(record->high));
        appendCheck(out, "velmoraine_numseq", formName, record->field);
        break;
    case rules::RuleKind::NumberValue:
        appendStatement(out, "min", jsValue(record->low));
        appendStatement(out, "max", jsValue(record->high));
        appendCheck(out, "velmoraine_number", formName, record->field);
        break;
    }
}

std::string buildScriptBlock(std::string_view model, const std::vector<std::string> &records,
                             std::string_view formName) {
    std::size_t size = model.size() + 256;
    for (const std::string &record : records) {
        size += 2 * record.size() + 160 + 2 * formName.size();
    }
    std::string block;
    block.reserve(size);
    block.append(kCrLf);
    block.append(kCrLf);
    block.append(model);
    block.append(kCrLf);
    block.append(kStoredRulesOpen);
    for (const std::string &record : records) {
        block.append(record);
        block.append(kRecordEnd);
    }
    block.append(kStoredRulesClose);
    for (const std::string &record : records) {
        appendCheckStatements(block, record, formName);
    }
    block.append(kClosingText);
    return block;
}

} // namespace velmoraine::rewrite
