// Rule records: one line of text per validated field, fields separated by "^":
//   kind 0  name^0^min^max^blank^message
//   kind 1  name^1^blank^message
//   kind 2  name^2^seqmin^seqmax^punct^blank^message
//   kind 3  name^3^min^max^blank^message
// Nothing is quoted or escaped; the editor refuses texts that would split a record.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::rules {

enum class RuleKind { FilledIn = 0, Email = 1, DigitSequence = 2, NumberValue = 3 };

// The rule editor's boxes, as typed. Only the chosen kind's boxes go into a record.
struct RuleSettings {
    RuleKind kind = RuleKind::FilledIn;
    std::string minChars = "1";  // EditMin
    std::string maxChars = "0";  // EditMax
    std::string seqMin = "10";   // EditSeqMin
    std::string seqMax = "0";    // EditSeqMax
    std::string punct = " ()-+"; // EditPunct
    std::string numMin = "1";    // EditNumMin
    std::string numMax = "0";    // EditNumMax
    bool blankAllowed = false;   // CheckBoxBlankOK
    std::string message;         // EditErrorMsg
};

// The record for `field` from the chosen kind's pattern.
std::string buildRecord(std::string_view field, const RuleSettings &settings);

// The editor's boxes that make `record`, the boxes its kind leaves out as they start: what
// the editor shows for a stored rule, so that Add gives the same record back. Nullopt for a
// record whose kind is not "0".."3" or whose fields do not match its kind's pattern.
std::optional<RuleSettings> settingsFromRecord(std::string_view record);

// The display text the editor shows for a rule it adds or replaces: the name and the kind's
// suffix (" (filled-in)", " (email address)", " (number sequence)", " (number value)").
std::string editorDisplayText(std::string_view field, RuleKind kind);

// The display text of a record restored from a page: the text before the first "^" and the
// suffix for the kind number read after it (" (email)" for kind 1); the whole record when it
// has no "^".
std::string restoredDisplayText(std::string_view record);

// The text before the first "^" (the whole record when it has none).
std::string_view recordFieldName(std::string_view record);

// The record split at every "^" into fields numbered from 0.
std::vector<std::string_view> splitRecord(std::string_view record);

// Number of "^"-separated fields of a kind's pattern (6, 4, 7, 6).
std::size_t patternFieldCount(RuleKind kind);

// The field-name check of "Add >>": the refusal message for a name holding ".", "'" or " ",
// or one of "^", ":;", "*/", "</" (which would split the record or break the script).
std::optional<std::string_view> checkFieldName(std::string_view field);

// The settings check of "Add >>": the refusal message when a text that goes into the record
// (the chosen kind's boxes and the message) holds "^", ":;", "*/", "</" or a line break.
std::optional<std::string_view> checkSettings(const RuleSettings &settings);

// The same checks on a raw record: the field name as `checkFieldName`; a kind "0".."3" with more
// "^"-separated fields than its pattern, or ":;", "*/", "</" or a line break after the field
// name, refused
// with the settings message.
std::optional<std::string_view> checkRecord(std::string_view record);

// For a record about to be written into the script (one restored from a page, too): the
// settings message naming its field when the record holds "*/", "</" or a line break, which
// would end the stored-rules comment, the script or the stored-rules line.
std::optional<std::string> checkStoredRecord(std::string_view record);

// True when `text` holds "^", ":;", "*/", "</" or a line break (CR or LF).
bool holdsSeparator(std::string_view text);

} // namespace velmoraine::rules
