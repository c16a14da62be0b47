#include "core/rules/rule_record.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "core/base/texts.h"
#include "core/rules/rule_list.h"

using namespace velmoraine;
using namespace velmoraine::rules;

namespace {
RuleSettings settingsOf(RuleKind kind, std::string message, bool blank = false) {
    RuleSettings settings;
    settings.kind = kind;
    settings.message = std::move(message);
    settings.blankAllowed = blank;
    return settings;
}
} // namespace

// Each kind's record with the boxes' start values, and boxes that go in as typed: empty, or
// text where a number belongs.
TEST(RuleRecords, BuiltFromTheKindsPattern) {
    RuleSettings phone = settingsOf(RuleKind::DigitSequence, "Please enter a valid phone number with area code.");
    phone.seqMax = "10";
    RuleSettings emptyBox = settingsOf(RuleKind::FilledIn, "m");
    emptyBox.minChars = "";
    RuleSettings textBox = settingsOf(RuleKind::NumberValue, "m");
    textBox.numMin = "abc";
    for (const auto &[field, settings, record] : std::vector<std::tuple<std::string, RuleSettings, std::string>>{
             {"name", settingsOf(RuleKind::FilledIn, "Field \"name\" must be filled in."),
              "name^0^1^0^0^Field \"name\" must be filled in."},
             {"email", settingsOf(RuleKind::Email, "Please enter a valid email address."),
              "email^1^0^Please enter a valid email address."},
             {"phone", phone, "phone^2^10^10^ ()-+^0^Please enter a valid phone number with area code."},
             {"qty", settingsOf(RuleKind::NumberValue, "Field \"qty\" must contain a valid number.", true),
              "qty^3^1^0^1^Field \"qty\" must contain a valid number."},
             {"x", settingsOf(RuleKind::Email, ""), "x^1^0^"},
             {"x", emptyBox, "x^0^^0^0^m"},
             {"x", textBox, "x^3^abc^0^0^m"},
         }) {
        EXPECT_EQ(buildRecord(field, settings), record);
        // The editor shows a stored record with these boxes, and Add gives it back.
        const std::optional<RuleSettings> shown = settingsFromRecord(record);
        ASSERT_TRUE(shown) << record;
        EXPECT_EQ(buildRecord(field, *shown), record);
        EXPECT_EQ(shown->message, settings.message) << record;
    }
    // Records that no kind's pattern makes are not shown as boxes.
    for (const char *record : {"a", "a^7^1^m", "a^x^1^m", "a^1^0", "a^0^1^0^m", "a^2^1^2^3^4^5^m"}) {
        EXPECT_FALSE(settingsFromRecord(record)) << record;
    }
}

TEST(RuleRecords, DisplayTextsOfEditorAndRestore) {
    EXPECT_EQ(editorDisplayText("email", RuleKind::Email), "email (email address)");
    EXPECT_EQ(editorDisplayText("n", RuleKind::NumberValue), "n (number value)");
    EXPECT_EQ(restoredDisplayText("email^1^0^m"), "email (email)");
    EXPECT_EQ(restoredDisplayText("a^0^1^0^0^m"), "a (filled-in)");
    EXPECT_EQ(restoredDisplayText("a^7^1"), "a");
    EXPECT_EQ(restoredDisplayText("a^x^1"), "a");
    EXPECT_EQ(restoredDisplayText("a^ +3^1"), "a (number value)");
    EXPECT_EQ(restoredDisplayText("plain"), "plain");
}

// Fields by their place in the kind's pattern, empty where the record is short, those past the
// pattern left out; a record without a kind "0".."3" is not read.
TEST(RuleRecords, ReadByTheKindsPattern) {
    struct Row {
        const char *text;
        RuleKind kind;
        std::array<const char *, 6> fields; // field, low, high, punct, blank, message
        std::size_t count;
    };
    for (const Row &row : std::vector<Row>{
             {"a^0^1^0^0^m", RuleKind::FilledIn, {"a", "1", "0", "", "0", "m"}, 6},
             {"a^1^1^m", RuleKind::Email, {"a", "", "", "", "1", "m"}, 4},
             {"a^2^10^0^ ()-+^0^m", RuleKind::DigitSequence, {"a", "10", "0", " ()-+", "0", "m"}, 7},
             {"a^3^-5^5^1^m^x^y^z", RuleKind::NumberValue, {"a", "-5", "5", "", "1", "m"}, 9},
             {"^2^^", RuleKind::DigitSequence, {"", "", "", "", "", ""}, 4},
             {"a^3", RuleKind::NumberValue, {"a", "", "", "", "", ""}, 2},
         }) {
        const std::optional<RuleRecord> record = readRecord(row.text);
        ASSERT_TRUE(record) << row.text;
        EXPECT_EQ(record->kind, row.kind) << row.text;
        EXPECT_EQ((std::array<std::string_view, 6>{record->field, record->low, record->high, record->punct,
                                                   record->blank, record->message}),
                  (std::array<std::string_view, 6>{row.fields[0], row.fields[1], row.fields[2], row.fields[3],
                                                   row.fields[4], row.fields[5]}))
            << row.text;
        EXPECT_EQ(record->fieldCount, row.count) << row.text;
        EXPECT_EQ(record->matchesPattern(), row.count == patternFieldCount(row.kind)) << row.text;
        if (record->matchesPattern()) {
            EXPECT_EQ(writeRecord(*record), row.text);
        }
    }
    for (const char *text : {"a", "a^", "a^4^1^m", "a^01^1^m", "a^x"}) {
        EXPECT_FALSE(readRecord(text)) << text;
    }
    EXPECT_EQ(recordFieldName("abc"), "abc");
}

TEST(RuleChecks, FieldNamesThatWouldBreakRecordsOrScripts) {
    for (const char *bad : {"first name", "o'brien", "a.b", "a^b", "a:;b", "a*/b", "a</b"}) {
        EXPECT_EQ(checkFieldName(bad), texts::kSpecialCharacterInName) << bad;
    }
    for (const char *good : {"first-name", "first_name", "a:b", "a;b", "a*b", "a/b", "a<b"}) {
        EXPECT_FALSE(checkFieldName(good)) << good;
    }
}

TEST(RuleChecks, OnlyTheChosenKindsBoxesAndTheMessageAreChecked) {
    RuleSettings settings = settingsOf(RuleKind::Email, "fine");
    settings.punct = "^";
    settings.minChars = "*/";
    EXPECT_FALSE(checkSettings(settings));
    settings.kind = RuleKind::DigitSequence;
    EXPECT_EQ(checkSettings(settings), texts::kSeparatorInSettings);
    settings.kind = RuleKind::FilledIn;
    EXPECT_EQ(checkSettings(settings), texts::kSeparatorInSettings);
    settings.kind = RuleKind::NumberValue;
    EXPECT_FALSE(checkSettings(settings));
    settings.message = "a:;b";
    EXPECT_EQ(checkSettings(settings), texts::kSeparatorInSettings);
    settings.message = "see </script>";
    EXPECT_EQ(checkSettings(settings), texts::kSeparatorInSettings);
    // A line break would end the line that stores the rules.
    for (const char *broken : {"a\rb", "a\nb", "a\r\nb"}) {
        settings.message = broken;
        EXPECT_EQ(checkSettings(settings), texts::kSeparatorInSettings) << broken;
    }
}

// A record restored from a page is refused, naming its field, when it would end the stored
// rules' comment, the script or the stored line; what the editor itself writes passes.
TEST(RuleChecks, StoredRecordsThatWouldBreakTheScript) {
    const std::string refusedFirst = texts::fill(texts::kSeparatorInFieldSettings, "first");
    for (const char *record : {"first^0^1^0^0^x */ alert(1)", "first^1^0^</script>", "first^1^0^a\nb", "first^1^0^a\rb",
                               "first^2^1^0^*/^0^m"}) {
        EXPECT_EQ(checkStoredRecord(record), refusedFirst) << record;
    }
    for (const char *record : {"first^0^1^0^0^Fine * / < /", "first^1^0^", "first", "first^3^1^10^0^a<b"}) {
        EXPECT_FALSE(checkStoredRecord(record)) << record;
    }
}

TEST(RuleChecks, RawRecords) {
    EXPECT_FALSE(checkRecord("a^1^0^Fine message"));
    EXPECT_FALSE(checkRecord("a^7^anything^goes^here^and^there^and^more"));
    EXPECT_EQ(checkRecord("a^1^0^two^parts"), texts::kSeparatorInSettings);
    EXPECT_EQ(checkRecord("a^2^1^2^^^0^m"), texts::kSeparatorInSettings);
    EXPECT_FALSE(checkRecord("a^2^1^2^-^0^m"));
    EXPECT_EQ(checkRecord("a^0^1^0^0^x */"), texts::kSeparatorInSettings);
    EXPECT_EQ(checkRecord("a^1^0^x\ny"), texts::kSeparatorInSettings);
    EXPECT_EQ(checkRecord("a b^0^1^0^0^m"), texts::kSpecialCharacterInName);
}

TEST(RuleList, FindAppendReplaceRemoveStayParallel) {
    RuleList list;
    EXPECT_EQ(list.addOrReplace("lastname", "lastname^1^0^a", "lastname (email address)"),
              RuleList::AddOutcome::Appended);
    EXPECT_EQ(list.addOrReplace("name", "name^1^0^b", "name (email address)"), RuleList::AddOutcome::Appended);
    EXPECT_EQ(list.find("name"), 1);
    EXPECT_EQ(list.find("nam"), -1);
    EXPECT_EQ(list.addOrReplace("name", "name^0^1^0^0^c", "name (filled-in)"), RuleList::AddOutcome::Replaced);
    EXPECT_EQ(list.records(), (std::vector<std::string>{"lastname^1^0^a", "name^0^1^0^0^c"}));
    EXPECT_EQ(list.displays(), (std::vector<std::string>{"lastname (email address)", "name (filled-in)"}));
    list.remove(0);
    EXPECT_EQ(list.records(), std::vector<std::string>{"name^0^1^0^0^c"});
    EXPECT_EQ(list.displays(), std::vector<std::string>{"name (filled-in)"});
    list.clear();
    EXPECT_TRUE(list.empty());
}

TEST(RuleList, ReplacingTheThirdOfFiveKeepsItThird) {
    RuleList list;
    for (const char *name : {"a", "b", "c", "d", "e"}) {
        list.append(std::string(name) + "^1^0^m", std::string(name) + " (email)");
    }
    list.addOrReplace("c", "c^3^1^0^0^n", "c (number value)");
    EXPECT_EQ(list.records()[2], "c^3^1^0^0^n");
    EXPECT_EQ(list.displays()[2], "c (number value)");
    EXPECT_EQ(list.size(), 5u);
}
