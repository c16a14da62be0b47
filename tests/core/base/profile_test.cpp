#include "core/base/profile.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <sys/stat.h>

using velmoraine::profile::findValue;
using velmoraine::profile::flush;
using velmoraine::profile::getInt;
using velmoraine::profile::getString;
using velmoraine::profile::problemWith;
using velmoraine::profile::resolveProfilePath;
using velmoraine::profile::withValue;
using velmoraine::profile::writeString;
using namespace std::string_literals;

namespace {

// ---------------------------------------------------------------------------------------
// Text level: reading
// ---------------------------------------------------------------------------------------

// What findValue answers for one section and key of a small text: case, blanks, comments,
// repeated sections and keys, line ends and zero bytes.
TEST(ProfileText, FindsTheValue) {
    struct Row {
        const char *name;
        std::string text, section, key;
        std::optional<std::string> value; // nullopt: not found
    };
    const Row rows[] = {
        {"FindsValueWithoutRegardToCaseOfSection", "[SETTINGS]\nVL_Id=12345\n", "settings", "vl_id", "12345"},
        {"FindsValueWithoutRegardToCaseOfKey", "[SETTINGS]\nVL_Id=12345\n", "Settings", "VL_ID", "12345"},
        {"TrimsBlanksAroundSectionKeyAndValue", "  [ Settings ]\t\r\n\t main dir \t=  C:\\App\\ \t\r\n", "Settings",
         "main dir", "C:\\App\\"},
        {"KeepsBlanksInsideValue", "[Settings]\ncustom=Acme  Corp\n", "Settings", "custom", "Acme  Corp"},
        {"EmptyValueIsFoundAsEmpty", "[Settings]\ncustom=   \n", "Settings", "custom", ""},
        {"MissingSectionIsNotFound", "[Settings]\nvl_id=1\n[Other]\ncustom=x\n", "Missing", "vl_id", std::nullopt},
        {"MissingKeyIsNotFound", "[Settings]\nvl_id=1\n[Other]\ncustom=x\n", "Settings", "custom", std::nullopt},
        {"EmptyTextHasNothing", "", "Settings", "vl_id", std::nullopt},
        {"KeyBeforeAnySectionBelongsToNone", "vl_id=1\n[Settings]\n", "Settings", "vl_id", std::nullopt},
        {"FirstKeyWins", "[Settings]\nvl_id=1\nvl_id=2\n[settings]\nvl_id=3\ncustom=late\n", "Settings", "vl_id", "1"},
        // The later section of the same name is never searched.
        {"FirstSectionWins", "[Settings]\nvl_id=1\nvl_id=2\n[settings]\nvl_id=3\ncustom=late\n", "Settings", "custom",
         std::nullopt},
        {"CommentsAndLinesWithoutEqualsAreNotKeys", "[Settings]\n;vl_id=1\n  # vl_id=2\nvl_id\nvl_id=3\n", "Settings",
         "vl_id", "3"},
        {"ValueKeepsEverythingAfterTheFirstEquals", "[vlsu]\nurl=http://x/?a=1&b=2\n", "vlsu", "url",
         "http://x/?a=1&b=2"},
        {"SectionHeaderWithoutClosingBracketIsNotASection", "[Settings\nvl_id=1\n", "Settings", "vl_id", std::nullopt},
        {"ZeroBytesAreOrdinaryBytes", "[Set\0tings]\nk\0ey=va\0lue\n"s, "Set\0tings"s, "k\0ey"s, "va\0lue"s},
        {"ZeroBytesDoNotEndANameEarly", "[Set\0tings]\nk\0ey=va\0lue\n"s, "Set", "k", std::nullopt},
        {"LastLineWithoutBreak", "[Settings]\r\nvl_id=7", "Settings", "vl_id", "7"},
        {"LoneCarriageReturnAtEnd", "[Settings]\r\nvl_id=7\r", "Settings", "vl_id", "7"},
        // What KeyAddedAfterALastLineEndedByCarriageReturn writes: the key that was there still reads.
        {"KeyBeforeOneAddedAfterALoneCarriageReturn", "[Settings]\r\nvl_id=12345\r\nmain dir=/opt/app/", "Settings",
         "vl_id", "12345"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(findValue(row.text, row.section, row.key), row.value);
    }
}

// ---------------------------------------------------------------------------------------
// Text level: writing
// ---------------------------------------------------------------------------------------

// What withValue makes of a text: every byte it does not replace stays, a new key goes after the
// last key of its section and a new section at the end, each in the text's own line break style;
// the value written reads back.
TEST(ProfileText, WritesTheValue) {
    struct Row {
        const char *name;
        std::string before, section, key, value, after;
    };
    const Row rows[] = {
        {"ReplacesValueInPlaceKeepingEveryOtherByte",
         "; written by hand\r\n"
         "[Other]\r\n"
         "vl_id=1\r\n"
         "\r\n"
         "[ settings ]\r\n"
         "unknown key = kept\r\n"
         "  VL_ID \t=  12863  \r\n"
         "# trailing comment\r\n"
         "custom=Acme\r\n",
         "Settings", "vl_id", "99999",
         "; written by hand\r\n"
         "[Other]\r\n"
         "vl_id=1\r\n"
         "\r\n"
         "[ settings ]\r\n"
         "unknown key = kept\r\n"
         "  VL_ID \t=99999\r\n"
         "# trailing comment\r\n"
         "custom=Acme\r\n"},
        {"ReplacesEmptyValue", "[Settings]\nvl_id=\nx=1\n", "Settings", "vl_id", "12345",
         "[Settings]\nvl_id=12345\nx=1\n"},
        {"ReplacesLongerValue", "[Settings]\nvl_id=123456789\n", "Settings", "vl_id", "", "[Settings]\nvl_id=\n"},
        {"NewKeyGoesAfterLastKeyOfItsSection",
         "[Settings]\n"
         "main dir=/opt/app/\n"
         "; note\n"
         "custom=Acme\n"
         "\n"
         "; about the next section\n"
         "[Other]\n"
         "x=1\n",
         "settings", "vl_id", "12345",
         "[Settings]\n"
         "main dir=/opt/app/\n"
         "; note\n"
         "custom=Acme\n"
         "vl_id=12345\n"
         "\n"
         "; about the next section\n"
         "[Other]\n"
         "x=1\n"},
        {"NewKeyInSectionWithoutKeysFollowsItsHeader", "[Settings]\r\n\r\n[Other]\r\n", "Settings", "vl_id", "1",
         "[Settings]\r\nvl_id=1\r\n\r\n[Other]\r\n"},
        {"NewKeyAfterLastLineWithoutBreakGetsOneFirst", "[Settings]\r\ncustom=Acme", "Settings", "vl_id", "1",
         "[Settings]\r\ncustom=Acme\r\nvl_id=1"},
        {"NewKeyAfterHeaderWithoutBreakGetsOneFirst", "[Settings]", "Settings", "vl_id", "1", "[Settings]\nvl_id=1"},
        {"NewSectionMakesTheEmptyTextWhole", "", "Settings", "val_comp", "1", "[Settings]\nval_comp=1\n"},
        {"NewSectionIsAppendedWithLineFeeds", "[Editor]\nx=1\n", "Settings", "val_comp", "1",
         "[Editor]\nx=1\n[Settings]\nval_comp=1\n"},
        {"NewSectionIsAppendedWithCarriageReturns", "[Editor]\r\nx=1", "Settings", "val_comp", "1",
         "[Editor]\r\nx=1\r\n[Settings]\r\nval_comp=1\r\n"},
        {"WritesIntoFirstOfSectionsWithTheSameName", "[Settings]\na=1\n[Settings]\nb=2\n", "Settings", "b", "3",
         "[Settings]\na=1\nb=3\n[Settings]\nb=2\n"},
        // Found by fuzzing: a last line ended by a lone carriage return took the new key onto it.
        {"KeyAddedAfterALastLineEndedByCarriageReturn", "[Settings]\r\nvl_id=12345\r", "Settings", "main dir",
         "/opt/app/", "[Settings]\r\nvl_id=12345\r\nmain dir=/opt/app/"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::string written = withValue(row.before, row.section, row.key, row.value);
        EXPECT_EQ(written, row.after);
        EXPECT_EQ(findValue(written, row.section, row.key), row.value);
    }
}

// A value typed with blanks around it is stored as typed, and the next write replaces all of
// it: writing the same texts again and again leaves the file as after the first round.
TEST(ProfileText, RewritingAValueWithBlanksDoesNotGrowTheFile) {
    std::string text = "[Settings]\r\nmain dir=/opt/app/\r\n";
    for (int round = 0; round < 3; ++round) {
        for (const std::string_view typed : {"23456 ", " 23456", "  23456  ", "24680"}) {
            text = withValue(text, "Settings", "vl_id", typed);
            EXPECT_EQ(text, "[Settings]\r\nmain dir=/opt/app/\r\nvl_id=" + std::string(typed) + "\r\n");
            const std::string_view digits = typed.substr(typed.find_first_not_of(' '), 5);
            EXPECT_EQ(velmoraine::profile::findValue(text, "Settings", "vl_id"), std::string(digits));
        }
    }
}

TEST(ProfileText, WrittenValueReadsBack) {
    std::string text = "garbage\0line\n[Settings\n=\n[Settings]\n"s;
    text = withValue(text, "Settings", "vl_id", "12345");
    text = withValue(text, "vlsu", "url", "http://example.invalid/a=b");
    text = withValue(text, "Settings", "custom", "Acme Corp");
    EXPECT_EQ(findValue(text, "Settings", "vl_id"), "12345");
    EXPECT_EQ(findValue(text, "vlsu", "url"), "http://example.invalid/a=b");
    EXPECT_EQ(findValue(text, "Settings", "custom"), "Acme Corp");
    EXPECT_EQ(text.substr(0, 12), "garbage\0line"s);
}

TEST(ProfileText, LargeFilesStayLinear) {
    // A quadratic search over these would not finish within the test's time limit.
    std::string keys = "[Settings]\n";
    std::string brackets;
    for (int i = 0; i < 200000; ++i) {
        keys += "k=v\n";
        brackets += "[\n";
    }
    EXPECT_EQ(findValue(keys, "Settings", "missing"), std::nullopt);
    const std::string written = withValue(keys, "Settings", "vl_id", "1");
    EXPECT_EQ(written.size(), keys.size() + 8);
    EXPECT_EQ(written.substr(written.size() - 8), "vl_id=1\n");
    EXPECT_EQ(withValue(brackets, "Settings", "vl_id", "1").size(), brackets.size() + 19);
}

// ---------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------

// Each test works in its own temporary folder, which also serves as $XDG_CONFIG_HOME.
class ProfileFile : public velmoraine::test::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        const char *old = std::getenv("XDG_CONFIG_HOME");
        m_oldConfigHome = old == nullptr ? std::nullopt : std::optional<std::string>(old);
        ::setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    }
    void TearDown() override {
        if (m_oldConfigHome) {
            ::setenv("XDG_CONFIG_HOME", m_oldConfigHome->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        TempFolderTest::TearDown();
    }

    std::optional<std::string> m_oldConfigHome;
};

// A key read from velmoraine.ini as written, or missing: a text cut to one less than the
// caller's size, the default too, and a number read like a decimal conversion. Reading a
// missing file does not create it.
TEST_F(ProfileFile, ReadsTheValueOrTheDefault) {
    const std::string caseFile = "[SETTINGS]\r\nVL_ID = 12864\r\nCustom =  Acme Corp \r\n";
    const std::string customOnly = "[Settings]\ncustom=Acme\n";
    const std::string sixLetters = "[Settings]\ncustom=abcdef\n";
    const std::string numbers = "[Settings]\na=abc\nb=42abc\nc= -17\nd=+8\ne=99999999999\nf=\n";
    const auto useFile = [&](const std::optional<std::string> &text) {
        std::filesystem::remove(pathOf("velmoraine.ini"));
        if (text) {
            put(pathOf("velmoraine.ini"), *text);
        }
    };
    struct Text {
        const char *name;
        std::optional<std::string> file; // nullopt: no file at all
        std::string section, key, defaultValue;
        std::size_t size;
        std::string value;
    };
    for (const Text &row : {
             Text{"MissingFileGivesTheDefault", std::nullopt, "Settings", "main dir", "none", 260, "none"},
             Text{"MissingKeyGivesTheDefault", customOnly, "Settings", "main dir", "", 260, ""},
             Text{"MissingSectionGivesTheDefault", customOnly, "Other", "custom", "d", 260, "d"},
             Text{"ReadsValuesWithoutRegardToCase", caseFile, "settings", "custom", "", 199, "Acme Corp"},
             Text{"TruncatesToOneLessThanSize", sixLetters, "Settings", "custom", "", 4, "abc"},
             Text{"SizeOneMoreKeepsTheValueWhole", sixLetters, "Settings", "custom", "", 7, "abcdef"},
             Text{"SizeOneGivesNothing", sixLetters, "Settings", "custom", "", 1, ""},
             Text{"SizeZeroGivesNothing", sixLetters, "Settings", "custom", "", 0, ""},
             Text{"DefaultIsCutTheSameWay", sixLetters, "Settings", "missing", "defaults", 4, "def"},
         }) {
        SCOPED_TRACE(row.name);
        useFile(row.file);
        EXPECT_EQ(getString(row.section, row.key, row.defaultValue, row.size, "velmoraine.ini"), row.value);
        EXPECT_EQ(std::filesystem::exists(pathOf("velmoraine.ini")), row.file.has_value());
    }
    struct Number {
        const char *name;
        std::optional<std::string> file;
        std::string key;
        int defaultValue, value;
    };
    for (const Number &row : {
             Number{"MissingFileGivesTheDefault", std::nullopt, "vl_id", 77, 77},
             Number{"MissingKeyGivesTheDefault", customOnly, "vl_id", -5, -5},
             Number{"ReadsValuesWithoutRegardToCase", caseFile, "vl_id", 0, 12864},
             Number{"LettersReadAsZero", numbers, "a", 5, 0},
             Number{"DigitsBeforeLettersCount", numbers, "b", 5, 42},
             Number{"BlankAndMinusSign", numbers, "c", 5, -17},
             Number{"PlusSign", numbers, "d", 5, 8},
             Number{"TooLargeGivesTheLargestInt", numbers, "e", 5, 2147483647},
             Number{"EmptyValueIsNoValueAtAll", numbers, "f", 5, 5},
         }) {
        SCOPED_TRACE(row.name);
        useFile(row.file);
        EXPECT_EQ(getInt("Settings", row.key, row.defaultValue, "velmoraine.ini"), row.value);
        EXPECT_EQ(std::filesystem::exists(pathOf("velmoraine.ini")), row.file.has_value());
    }
}

TEST_F(ProfileFile, WriteCreatesFolderFileSectionAndKey) {
    const std::string configHome = pathOf("not/yet/there");
    ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    ASSERT_TRUE(writeString("Settings", "val_comp", "1", "dornapelle.ini"));
    EXPECT_EQ(contents(configHome + "/dornapelle.ini"), "[Settings]\nval_comp=1\n");
    EXPECT_EQ(getString("Settings", "val_comp", "", 10, "dornapelle.ini"), "1");
}

TEST_F(ProfileFile, WriteReplacesValueKeepingTheRestByteForByte) {
    const std::string before = "; velmoraine\r\n[Other]\r\nvl_id=1\r\n\r\n[Settings]\r\nmain dir=/opt/v/\r\n"
                               "vl_id = 12863\r\nextra=kept\r\n";
    put(pathOf("velmoraine.ini"), before);
    ASSERT_TRUE(writeString("Settings", "vl_id", "54321", "velmoraine.ini"));
    // Everything after "=" is the old value, the blank included.
    EXPECT_EQ(contents(pathOf("velmoraine.ini")), "; velmoraine\r\n[Other]\r\nvl_id=1\r\n\r\n[Settings]\r\n"
                                                  "main dir=/opt/v/\r\nvl_id =54321\r\nextra=kept\r\n");
}

TEST_F(ProfileFile, WriteAddsKeyToExistingSection) {
    put(pathOf("velmoraine.ini"), "[Settings]\r\nmain dir=/opt/v/\r\n\r\n[Other]\r\nx=1\r\n");
    ASSERT_TRUE(writeString("Settings", "vl_id", "12345", "velmoraine.ini"));
    EXPECT_EQ(contents(pathOf("velmoraine.ini")),
              "[Settings]\r\nmain dir=/opt/v/\r\nvl_id=12345\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST_F(ProfileFile, HundredKilobyteLineReadsAndWritesWhole) {
    const std::string longValue(100 * 1024, 'x');
    put(pathOf("velmoraine.ini"), "[Settings]\ncustom=" + longValue + "\nvl_id=12345\n");
    EXPECT_EQ(getString("Settings", "custom", "", longValue.size() + 1, "velmoraine.ini"), longValue);
    EXPECT_EQ(getString("Settings", "custom", "", 199, "velmoraine.ini"), longValue.substr(0, 198));
    EXPECT_EQ(getInt("Settings", "vl_id", 0, "velmoraine.ini"), 12345);

    const std::string otherValue(100 * 1024, 'y');
    ASSERT_TRUE(writeString("Settings", "custom", otherValue, "velmoraine.ini"));
    EXPECT_EQ(contents(pathOf("velmoraine.ini")), "[Settings]\ncustom=" + otherValue + "\nvl_id=12345\n");
}

TEST_F(ProfileFile, GarbageFileGivesDefaultsAndSurvivesAWrite) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    }
    put(pathOf("velmoraine.ini"), garbage);
    EXPECT_EQ(getInt("Settings", "vl_id", 3, "velmoraine.ini"), 3);
    EXPECT_EQ(getString("Settings", "custom", "d", 199, "velmoraine.ini"), "d");
    ASSERT_TRUE(writeString("Settings", "vl_id", "12345", "velmoraine.ini"));
    const std::string after = contents(pathOf("velmoraine.ini"));
    EXPECT_EQ(after.substr(0, garbage.size()), garbage);
    EXPECT_EQ(getInt("Settings", "vl_id", 3, "velmoraine.ini"), 12345);
}

TEST_F(ProfileFile, FlushOnlyAnswersTrue) {
    EXPECT_TRUE(flush("velmoraine.ini"));
    EXPECT_TRUE(writeString(std::nullopt, std::nullopt, std::nullopt, "velmoraine.ini"));
    EXPECT_FALSE(std::filesystem::exists(pathOf("velmoraine.ini")));
}

TEST_F(ProfileFile, RefusesWhatCannotBeReadBack) {
    put(pathOf("velmoraine.ini"), "[Settings]\nvl_id=1\n");
    EXPECT_FALSE(writeString("Settings", "vl_id", "1\n[Evil]\nx=2", "velmoraine.ini"));
    EXPECT_FALSE(writeString("Settings", "a=b", "1", "velmoraine.ini"));
    EXPECT_FALSE(writeString("Set]tings", "vl_id", "1", "velmoraine.ini"));
    EXPECT_FALSE(writeString("Settings", "vl_id", std::nullopt, "velmoraine.ini"));
    EXPECT_EQ(contents(pathOf("velmoraine.ini")), "[Settings]\nvl_id=1\n");
}

TEST_F(ProfileFile, FolderInPlaceOfTheFileIsNeitherReadNorReplaced) {
    ASSERT_EQ(::mkdir(pathOf("velmoraine.ini").c_str(), 0700), 0);
    EXPECT_EQ(getInt("Settings", "vl_id", 9, "velmoraine.ini"), 9);
    EXPECT_FALSE(writeString("Settings", "vl_id", "1", "velmoraine.ini"));
    EXPECT_TRUE(std::filesystem::is_directory(pathOf("velmoraine.ini")));
}

// An editor's UTF-8 mark before the first section is read past and kept where it was.
TEST_F(ProfileFile, Utf8MarkIsReadPastAndKept) {
    put(pathOf("velmoraine.ini"), "\xEF\xBB\xBF[Settings]\r\nvl_id=24680\r\n");
    EXPECT_EQ(getInt("Settings", "vl_id", 0, "velmoraine.ini"), 24680);
    EXPECT_FALSE(problemWith("velmoraine.ini"));
    ASSERT_TRUE(writeString("Settings", "vl_id", "13579", "velmoraine.ini"));
    EXPECT_EQ(contents(pathOf("velmoraine.ini")), "\xEF\xBB\xBF[Settings]\r\nvl_id=13579\r\n");
}

TEST_F(ProfileFile, ProblemsNameTheFileAndWhatIsWrong) {
    const std::string intro = "The settings file " + pathOf("velmoraine.ini") + " cannot be read: ";
    EXPECT_FALSE(problemWith("velmoraine.ini")); // missing: the defaults apply, as always
    put(pathOf("velmoraine.ini"), "\xFF\xFE[\0S\0"s);
    EXPECT_EQ(problemWith("velmoraine.ini"),
              intro + "it is saved as UTF-16 or UTF-32. Please save it as UTF-8 and start again.");
    put(pathOf("velmoraine.ini"), "\0\0\xFE\xFF\0\0\0["s);
    EXPECT_TRUE(problemWith("velmoraine.ini"));
    put(pathOf("velmoraine.ini"), "[Settings]\nvl_id=1\n");
    EXPECT_FALSE(problemWith("velmoraine.ini"));
    ASSERT_EQ(::chmod(pathOf("velmoraine.ini").c_str(), 0), 0);
    EXPECT_EQ(asOrdinaryUser([] { return problemWith("velmoraine.ini").value_or("no problem"); }),
              intro + "Permission denied."); // the superuser would read it
    std::filesystem::remove(pathOf("velmoraine.ini"));
    ASSERT_EQ(::mkdir(pathOf("velmoraine.ini").c_str(), 0700), 0);
    EXPECT_EQ(problemWith("velmoraine.ini"), intro + "it is a folder, not a file.");
}

TEST_F(ProfileFile, NameWithSlashIsUsedAsItIs) {
    const std::string path = pathOf("main/qd.dat");
    ASSERT_TRUE(writeString("vlsu", "url", "http://example.invalid/", path));
    EXPECT_EQ(contents(path), "[vlsu]\nurl=http://example.invalid/\n");
    EXPECT_FALSE(std::filesystem::exists(pathOf("qd.dat")));
}

TEST_F(ProfileFile, BareNameLivesInConfigHome) {
    EXPECT_EQ(resolveProfilePath("velmoraine.ini"), m_folder + "/velmoraine.ini");
    EXPECT_EQ(resolveProfilePath("./velmoraine.ini"), "./velmoraine.ini");
    EXPECT_EQ(resolveProfilePath("/etc/velmoraine.ini"), "/etc/velmoraine.ini");

    const char *oldHome = std::getenv("HOME");
    const std::optional<std::string> savedHome =
        oldHome == nullptr ? std::nullopt : std::optional<std::string>(oldHome);
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(resolveProfilePath("velmoraine.ini"), "/home/someone/.config/velmoraine.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(resolveProfilePath("velmoraine.ini"), "/home/someone/.config/velmoraine.ini");
    if (savedHome) {
        ::setenv("HOME", savedHome->c_str(), 1);
    } else {
        ::unsetenv("HOME");
    }
}

} // namespace
