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

std::string buildRecord(std::string_view field, const RuleSettings &settings) {
    std::string record(field);
    const std::string_view blank = settings.blankAllowed ? kBlankFlagOn : kBlankFlagOff;
    switch (settings.kind) {
    case RuleKind::FilledIn:
        appendField(record, "0");
        appendField(record, settings.minChars);
        appendField(record, settings.maxChars);
        break;
    case RuleKind::Email: appendField(record, "1"); break;
    case RuleKind::DigitSequence:
        appendField(record, "2");
        appendField(record, settings.seqMin);
        appendField(record, settings.seqMax);
        appendField(record, settings.punct);
        break;
    case RuleKind::NumberValue:
        appendField(record, "3");
        appendField(record, settings.numMin);
        appendField(record, settings.numMax);
        break;
    }
    appendField(record, blank);
    appendField(record, settings.message);
    return record;
}

std::optional<RuleSettings> settingsFromRecord(std::string_view record) {
    const std::vector<std::string_view> fields = splitRecord(record);
    if (fields.size() < 4 || fields[1].size() != 1 || fields[1][0] < '0' || fields[1][0] > '3') {
        return std::nullopt;
    }
    RuleSettings settings;
    settings.kind = static_cast<RuleKind>(fields[1][0] - '0');
    if (fields.size() != patternFieldCount(settings.kind)) {
        return std::nullopt;
    }
    // The kind's own fields follow the kind; the blank flag and the message close every record.
    const std::string_view blank = fields[fields.size() - 2];
    switch (settings.kind) {
    case RuleKind::FilledIn:
        settings.minChars = fields[2];
        settings.maxChars = fields[3];
        break;
    case RuleKind::Email: break;
    case RuleKind::DigitSequence:
        settings.seqMin = fields[2];
        settings.seqMax = fields[3];
        settings.punct = fields[4];
        break;
    case RuleKind::NumberValue:
        settings.numMin = fields[2];
        settings.numMax = fields[3];
        break;
    }
    settings.blankAllowed = blank == kBlankFlagOn;
    settings.message = fields.back();
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

std::vector<std::string_view> splitRecord(std::string_view record) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t caret = record.find('^', start);
        if (caret == std::string_view::npos) {
            fields.push_back(record.substr(start));
            return fields;
        }
        fields.push_back(record.substr(start, caret - start));
        start = caret + 1;
    }
}

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
    const std::vector<std::string_view> fields = splitRecord(record);
    if (fields.size() > 1 && fields[1].size() == 1 && fields[1][0] >= '0' && fields[1][0] <= '3') {
        const auto kind = static_cast<RuleKind>(fields[1][0] - '0');
        if (fields.size() > patternFieldCount(kind)) {
            return texts::kSeparatorInSettings;
        }
    }
    return std::nullopt;
}

} // namespace velmoraine::rules
