#include "core/rules/rule_record.h"

#include "core/base/bytes.h"
#include "core/base/texts.h"

namespace velmoraine::rules {

namespace {

constexpr std::string_view kBlankFlagOn = "1";
constexpr std::string_view kBlankFlagOff = "0";

// Appends "^text" pieces to build a record.
void appendField(std::string &record, std::string_view text) {
    record.push_back('^');
    record.append(text);
}

std::string_view editorSuffix(RuleKind kind) {
    switch (kind) {
    case RuleKind::FilledIn: return " (filled-in)";
    case RuleKind::Email: return " (email address)";
    case RuleKind::DigitSequence: return " (number sequence)";
    case RuleKind::NumberValue: return " (number value)";
    }
    return {};
}

// The suffix of a restored rule for a kind number; none for other numbers.
std::string_view restoredSuffix(int kind) {
    switch (kind) {
    case 0: return " (filled-in)";
    case 1: return " (email)";
    case 2: return " (number sequence)";
    case 3: return " (number value)";
    default: return {};
    }
}

} // namespace

std::optional<RuleRecord> readRecord(std::string_view record) {
    std::string_view parts[7];
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t caret = record.find('^', start);
        if (count < std::size(parts)) {
            parts[count] = record.substr(start, caret == std::string_view::npos ? caret : caret - start);
        }
        ++count;
        if (caret == std::string_view::npos) {
            break;
        }
        start = caret + 1;
    }
    const std::string_view kind = parts[1];
    if (count < 2 || kind.size() != 1 || kind[0] < '0' || kind[0] > '3') {
        return std::nullopt;
    }
    RuleRecord out;
    out.field = parts[0];
    out.kind = static_cast<RuleKind>(kind[0] - '0');
    out.fieldCount = count;
    switch (out.kind) {
    case RuleKind::Email:
        out.blank = parts[2];
        out.message = parts[3];
        break;
    case RuleKind::DigitSequence:
        out.low = parts[2];
        out.high = parts[3];
        out.punct = parts[4];
        out.blank = parts[5];
        out.message = parts[6];
        break;
    case RuleKind::FilledIn:
    case RuleKind::NumberValue:
        out.low = parts[2];
        out.high = parts[3];
        out.blank = parts[4];
        out.message = parts[5];
        break;
    }
    return out;
}

std::string writeRecord(const RuleRecord &record) {
    std::string out(record.field);
    out.reserve(out.size() + record.low.size() + record.high.size() + record.punct.size() + record.blank.size() +
                record.message.size() + 12);
    const char kind = static_cast<char>('0' + static_cast<int>(record.kind));
    appendField(out, std::string_view(&kind, 1));
    if (record.kind != RuleKind::Email) {
        appendField(out, record.low);
        appendField(out, record.high);
    }
    if (record.kind == RuleKind::DigitSequence) {
        appendField(out, record.punct);
    }
    appendField(out, record.blank);
    appendField(out, record.message);
    return out;
}

std::string buildRecord(std::string_view field, const RuleSettings &settings) {
    RuleRecord record;
    record.field = field;
    record.kind = settings.kind;
    switch (settings.kind) {
    case RuleKind::FilledIn:
        record.low = settings.minChars;
        record.high = settings.maxChars;
        break;
    case RuleKind::Email: break;
    case RuleKind::DigitSequence:
        record.low = settings.seqMin;
        record.high = settings.seqMax;
        record.punct = settings.punct;
        break;
    case RuleKind::NumberValue:
        record.low = settings.numMin;
        record.high = settings.numMax;
        break;
    }
    record.blank = settings.blankAllowed ? kBlankFlagOn : kBlankFlagOff;
    record.message = settings.message;
    return writeRecord(record);
}

std::optional<RuleSettings> settingsFromRecord(std::string_view text) {
    const std::optional<RuleRecord> record = readRecord(text);
    if (!record || !record->matchesPattern()) {
        return std::nullopt;
    }
    RuleSettings settings;
    settings.kind = record->kind;
    switch (record->kind) {
    case RuleKind::FilledIn:
        settings.minChars = record->low;
        settings.maxChars = record->high;
        break;
    case RuleKind::Email: break;
    case RuleKind::DigitSequence:
        settings.seqMin = record->low;
        settings.seqMax = record->high;
        settings.punct = record->punct;
        break;
    case RuleKind::NumberValue:
        settings.numMin = record->low;
        settings.numMax = record->high;
        break;
    }
    settings.blankAllowed = record->blank == kBlankFlagOn;
    settings.message = record->message;
    return settings;
}

std::string editorDisplayText(std::string_view field, RuleKind kind) {
    std::string display(field);
    display.append(editorSuffix(kind));
    return display;
}

std::string restoredDisplayText(std::string_view record) {
    const std::size_t caret = record.find('^');
    if (caret == std::string_view::npos) {
        return std::string(record);
    }
    std::string display(record.substr(0, caret));
    bool ok = false;
    const int kind = bytes::readIntLikeScanf(record.substr(caret + 1), &ok);
    if (ok) {
        display.append(restoredSuffix(kind));
    }
    return display;
}

std::string_view recordFieldName(std::string_view record) { return record.substr(0, record.find('^')); }

std::size_t patternFieldCount(RuleKind kind) {
    switch (kind) {
    case RuleKind::FilledIn: return 6;
    case RuleKind::Email: return 4;
    case RuleKind::DigitSequence: return 7;
    case RuleKind::NumberValue: return 6;
    }
    return 0;
}

namespace {

// Texts that end the stored-rules comment ("*/"), the script element ("</") or the line that
// stores the rules (a line break).
bool breaksScript(std::string_view text) {
    return text.find("*/") != std::string_view::npos || text.find("</") != std::string_view::npos ||
           text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

bool holdsSeparator(std::string_view text) {
    return text.find('^') != std::string_view::npos || text.find(":;") != std::string_view::npos || breaksScript(text);
}

std::optional<std::string> checkStoredRecord(std::string_view record) {
    if (breaksScript(record)) {
        return texts::fill(texts::kSeparatorInFieldSettings, recordFieldName(record));
    }
    return std::nullopt;
}

std::optional<std::string_view> checkFieldName(std::string_view field) {
    if (field.find_first_of(".' ") != std::string_view::npos || holdsSeparator(field)) {
        return texts::kSpecialCharacterInName;
    }
    return std::nullopt;
}

std::optional<std::string_view> checkSettings(const RuleSettings &settings) {
    bool refused = holdsSeparator(settings.message);
    switch (settings.kind) {
    case RuleKind::FilledIn:
        refused = refused || holdsSeparator(settings.minChars) || holdsSeparator(settings.maxChars);
        break;
    case RuleKind::Email: break;
    case RuleKind::DigitSequence:
        refused = refused || holdsSeparator(settings.seqMin) || holdsSeparator(settings.seqMax) ||
                  holdsSeparator(settings.punct);
        break;
    case RuleKind::NumberValue:
        refused = refused || holdsSeparator(settings.numMin) || holdsSeparator(settings.numMax);
        break;
    }
    if (refused) {
        return texts::kSeparatorInSettings;
    }
    return std::nullopt;
}

std::optional<std::string_view> checkRecord(std::string_view record) {
    const std::string_view field = recordFieldName(record);
    if (auto refusal = checkFieldName(field)) {
        return refusal;
    }
    if (field.size() == record.size()) {
        return std::nullopt;
    }
    const std::string_view rest = record.substr(field.size() + 1);
    if (rest.find(":;") != std::string_view::npos || breaksScript(rest)) {
        return texts::kSeparatorInSettings;
    }
    if (const std::optional<RuleRecord> parsed = readRecord(record);
        parsed && parsed->fieldCount > patternFieldCount(parsed->kind)) {
        return texts::kSeparatorInSettings;
    }
    return std::nullopt;
}

} // namespace velmoraine::rules
