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
    std::string minChars = "1";  // filled in: fewest characters
    std::string maxChars = "0";  // filled in: most characters
    std::string seqMin = "10";   // digit sequence: fewest digits
    std::string seqMax = "0";    // digit sequence: most digits
    std::string punct = " ()-+"; // digit sequence: allowed between the digits
    std::string numMin = "1";    // number: least value
    std::string numMax = "0";    // number: greatest value
    bool blankAllowed = false;   // the visitor may leave the field empty
    std::string message;         // the error message
};

// Number of "^"-separated fields of a kind's pattern (6, 4, 7, 6).
std::size_t patternFieldCount(RuleKind kind);

// One record read into its named fields, each a view of the stored text. The fields are taken
// by their place in the kind's pattern: a field the record is too short for is empty, and
// fields past the pattern are left out, which is how the script and the fallback attributes
// read a record that Add did not make.
struct RuleRecord {
    std::string_view field{};
    RuleKind kind = RuleKind::FilledIn;
    std::string_view low{};     // kind 0 fewest characters, 2 fewest digits, 3 least value; empty for kind 1
    std::string_view high{};    // the matching upper limit, "0" for none
    std::string_view punct{};   // kind 2: the characters allowed between the digits
    std::string_view blank{};   // "1" lets the visitor leave the field empty
    std::string_view message{}; // the error message
    std::size_t fieldCount = 0; // "^"-separated fields in the stored text

    bool matchesPattern() const { return fieldCount == patternFieldCount(kind); }
};

// The record's fields, or nullopt when its second field is not a kind "0".."3".
std::optional<RuleRecord> readRecord(std::string_view record);

// The stored text of a record: its field name, its kind's number and the kind's fields, "^"
// between them.
std::string writeRecord(const RuleRecord &record);

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
