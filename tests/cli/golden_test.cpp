// Golden cases: a page under pages/, the arguments, the exit code, and the exact bytes expected
// on stdout (expected/NAME.out) and stderr (expected/NAME.err); a missing file means nothing.
// Every fixed bug adds a case. A failing case leaves what it got in the build folder, under
// tests/cli/actual/, to compare and, once checked by hand, to copy over the expected file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "cli_run.h"

namespace velmoraine::clitest {
namespace {

namespace fs = std::filesystem;

struct GoldenCase {
    GoldenCase(std::string name, std::vector<std::string> args, int exitCode = 0, std::string settings = {},
               std::string outputFile = {})
        : name(std::move(name)), args(std::move(args)), exitCode(exitCode), settings(std::move(settings)),
          outputFile(std::move(outputFile)) {}

    std::string name;
    std::vector<std::string> args; // run in pages/; "{tmp}" is a fresh folder
    int exitCode = 0;
    std::string settings;   // the text of velmoraine.ini; empty: no settings file
    std::string outputFile; // compare this file ("{tmp}/...") with NAME.out instead of stdout
};

// Names the case in test reports instead of dumping its bytes.
void PrintTo(const GoldenCase &golden, std::ostream *os) { *os << golden.name; }

const std::string kStoredId = "[Settings]\r\nvl_id=24680\r\n";

// The common arguments of a rewrite with the test model and an accepted account ID.
std::vector<std::string> rewriteArgs(std::vector<std::string> more) {
    std::vector<std::string> args{"rewrite", "--model", "model.txt", "--id", "24680"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

const std::vector<GoldenCase> kCases = {
    // --- scan ---
    {"scan_one_form_json", {"scan", "--json", "one_form.htm"}},
    {"scan_one_form_text", {"scan", "one_form.htm"}},
    {"scan_one_form_choose_1", {"scan", "--json", "--choose", "1", "one_form.htm"}},
    {"scan_one_form_choose_2", {"scan", "--choose", "2", "one_form.htm"}, 1},
    {"scan_several_default_json", {"scan", "--json", "several_forms.htm"}},
    {"scan_several_choose_2_json", {"scan", "--json", "--choose", "2", "several_forms.htm"}},
    {"scan_several_choose_3_text", {"scan", "--choose", "3", "several_forms.htm"}},
    {"scan_several_choose_4", {"scan", "--json", "--choose", "4", "several_forms.htm"}, 1},
    {"scan_choose_0", {"scan", "--choose", "0", "several_forms.htm"}, 1},
    {"scan_missing_file", {"scan", "--json", "missing.htm"}, 2},
    {"scan_folder", {"scan", "--json", "."}, 2},
    {"scan_no_form", {"scan", "--json", "no_form.htm"}, 3},
    {"scan_invalid_utf8_json", {"scan", "--json", "latin1.htm"}},
    {"scan_stored_rules_json", {"scan", "--json", "updated.htm"}},
    {"scan_stored_rules_text", {"scan", "updated.htm"}},
    {"scan_odd_names_json", {"scan", "--json", "odd_names.htm"}},
    {"scan_markup_json", {"scan", "--json", "markup.htm"}},

    // --- suggest ---
    {"suggest_zip_json", {"suggest", "--json", "ZipCode"}},
    {"suggest_phone_json", {"suggest", "--json", "fax_number"}},
    {"suggest_email_json", {"suggest", "--json", "your_e_mail"}},
    {"suggest_qty_json", {"suggest", "--json", "qty"}},
    {"suggest_date_json", {"suggest", "--json", "update"}},
    {"suggest_other_json", {"suggest", "--json", "FirstName"}},
    {"suggest_latin1_json", {"suggest", "--json", "caf\xe9"}},
    // --- suggest from the page's markup: the markup first, the name second ---
    {"suggest_page_email_required", {"suggest", "--page", "markup.htm", "contact"}},
    {"suggest_page_number_limits_json", {"suggest", "--json", "--page", "markup.htm", "qty"}},
    {"suggest_page_zip_pattern_json", {"suggest", "--json", "--page", "markup.htm", "zip"}},
    {"suggest_page_numeric_json", {"suggest", "--json", "--page", "markup.htm", "code"}},
    {"suggest_page_url_over_name", {"suggest", "--page", "markup.htm", "homepage"}},
    {"suggest_page_nothing_declared_json", {"suggest", "--json", "--page", "markup.htm", "phone"}},
    {"suggest_page_not_in_form", {"suggest", "--page", "markup.htm", "gift"}, 3},
    {"suggest_page_missing", {"suggest", "--page", "missing.htm", "a"}, 2},
    {"suggest_zip_text", {"suggest", "zip"}},
    {"suggest_other_text", {"suggest", "city"}},

    // --- usage ---
    {"usage_no_command", {}, 1},
    {"usage_unknown_command", {"list", "one_form.htm"}, 1},
    {"usage_scan_no_page", {"scan", "--json"}, 1},
    {"usage_suggest_extra", {"suggest", "a", "b"}, 1},

    // --- rewrite: rules ---
    {"rewrite_rules_in_order",
     rewriteArgs({"one_form.htm", "--rule", "name", "--record", "email^1^1^Mail \"me\"", "--rule",
                  "zip=digits,min=5,max=5,punct=-", "--rule", "qty=number,min=1,max=99,blank=yes", "--rule",
                  "name=filled,min=2,message=Hi, there", "--rule", "phone", "--form-number", "4"})},
    {"rewrite_record_replaces_rule", rewriteArgs({"one_form.htm", "--rule", "email", "--rule", "name", "--record",
                                                  "email^1^0^Again:", "--record", "comments^7^odd"})},
    {"rewrite_stored_rules", rewriteArgs({"updated.htm", "--rule", "email", "--rule", "comments"})},
    {"rewrite_stored_rules_kept", rewriteArgs({"updated.htm"})},
    {"rewrite_no_stored_rules", rewriteArgs({"updated.htm", "--no-stored-rules"})},
    {"rewrite_no_rules", rewriteArgs({"one_form.htm"})},
    {"rewrite_choose_2", rewriteArgs({"several_forms.htm", "--choose", "2", "--rule", "address"})},
    {"rewrite_choose_3_capitals", rewriteArgs({"several_forms.htm", "--choose", "3", "--rule", "query=email"})},
    {"rewrite_field_with_equals", rewriteArgs({"odd_names.htm", "--rule", "a=b", "--rule", "a=b=digits,max=4", "--rule",
                                               "city=filled,message=x=y, z,blank=no"})},
    {"rewrite_no_head_no_rules", rewriteArgs({"no_head.htm"})},

    // --- rewrite: refusals ---
    {"rewrite_field_not_in_form", rewriteArgs({"one_form.htm", "--rule", "name", "--rule", "gift"}), 3},
    {"rewrite_record_not_in_form", rewriteArgs({"one_form.htm", "--record", "Name^0^1^0^0^x"}), 3},
    {"rewrite_other_form_field", rewriteArgs({"several_forms.htm", "--rule", "query"}), 3},
    {"rewrite_blank_in_name", rewriteArgs({"odd_names.htm", "--rule", "first name"}), 3},
    {"rewrite_period_in_record", rewriteArgs({"odd_names.htm", "--record", "last.name^1^0^x"}), 3},
    {"rewrite_separator_in_message", rewriteArgs({"one_form.htm", "--rule", "name=filled,message=a^b"}), 3},
    {"rewrite_separator_in_punct", rewriteArgs({"one_form.htm", "--rule", "zip=digits,punct=:;"}), 3},
    {"rewrite_separator_in_record", rewriteArgs({"one_form.htm", "--record", "name^0^1^0^0^x*/y"}), 3},
    {"rewrite_record_too_many_fields", rewriteArgs({"one_form.htm", "--record", "email^1^0^a^b"}), 3},
    {"rewrite_no_head", rewriteArgs({"no_head.htm", "--rule", "name"}), 3},
    {"rewrite_no_form", rewriteArgs({"no_form.htm", "--rule", "a"}), 3},
    {"rewrite_missing_page", rewriteArgs({"missing.htm"}), 2},
    {"rewrite_missing_model", {"rewrite", "--model", "no-model.txt", "--id", "24680", "one_form.htm"}, 2},

    // --- rewrite: account ID and launch mode ---
    {"rewrite_id_lowest_accepted", {"rewrite", "--model", "model.txt", "--id", "12864", "no_head.htm"}},
    {"rewrite_id_12863_refused", {"rewrite", "--model", "model.txt", "--id", "12863", "no_head.htm"}, 3},
    {"rewrite_id_100000_refused", {"rewrite", "--model", "model.txt", "--id", "100000", "no_head.htm"}, 3},
    {"rewrite_id_text_refused", {"rewrite", "--model", "model.txt", "--id", "abc", "no_head.htm"}, 3},
    {"rewrite_id_none_stored", {"rewrite", "--model", "model.txt", "no_head.htm"}, 3},
    {"rewrite_id_stored", {"rewrite", "--model", "model.txt", "hidden_input.htm", "--rule", "name"}, 0, kStoredId},
    {"rewrite_hidden_input_replaced", rewriteArgs({"hidden_input.htm", "--form-number", "10"})},
    {"rewrite_editor_mode_no_id",
     {"rewrite", "--model", "model.txt", "--editor-mode", "hidden_input.htm", "--rule", "name"}},
    {"rewrite_editor_mode_id_12863",
     {"rewrite", "--model", "model.txt", "--editor-mode", "--id", "12863", "hidden_input.htm", "--rule", "name"}},

    // --- rewrite: usage ---
    {"rewrite_unknown_kind", rewriteArgs({"one_form.htm", "--rule", "name=digit"}), 1},
    {"rewrite_unknown_key", rewriteArgs({"one_form.htm", "--rule", "name=filled,size=3"}), 1},
    {"rewrite_key_not_for_kind", rewriteArgs({"one_form.htm", "--rule", "email=email,min=3"}), 1},
    {"rewrite_bad_blank", rewriteArgs({"one_form.htm", "--rule", "email=email,blank=maybe"}), 1},
    {"rewrite_empty_field", rewriteArgs({"one_form.htm", "--rule", "=filled"}), 1},
    {"rewrite_form_number_11", rewriteArgs({"one_form.htm", "--form-number", "11"}), 1},
    {"rewrite_output_and_in_place", rewriteArgs({"one_form.htm", "-o", "{tmp}/x.htm", "--in-place"}), 1},
    {"rewrite_choose_out_of_range", rewriteArgs({"several_forms.htm", "--choose", "4"}), 1},

    // --- rewrite: the change list as a diff ---
    {"rewrite_diff_example", rewriteArgs({"../../../docs/example/contact.htm", "--rule", "email", "--diff"})},
    {"rewrite_diff_no_rules", rewriteArgs({"hidden_input.htm", "--diff"})},
    {"rewrite_diff_and_output", rewriteArgs({"one_form.htm", "--diff", "-o", "{tmp}/x.htm"}), 1},

    // --- rewrite: output file ---
    {"rewrite_to_file", rewriteArgs({"one_form.htm", "--rule", "email", "-o", "{tmp}/out.htm"}), 0, "",
     "{tmp}/out.htm"},
};

std::string substitute(const std::string &text, const fs::path &tmp) {
    std::string out = text;
    for (std::size_t at = out.find("{tmp}"); at != std::string::npos; at = out.find("{tmp}", at)) {
        out.replace(at, 5, tmp.string());
        at += tmp.string().size();
    }
    return out;
}

// Compares with the expected file (a missing one means empty); keeps what differs.
void expectBytes(const std::string &caseName, const std::string &suffix, const std::string &actual) {
    const fs::path expectedPath = expectedDir() / (caseName + suffix);
    const std::string expected = fs::exists(expectedPath) ? readFile(expectedPath) : std::string();
    if (actual == expected) {
        return;
    }
    const fs::path actualDir = fs::path(VELMORAINE_BINARY_DIR) / "tests" / "cli" / "actual";
    fs::create_directories(actualDir);
    writeFile(actualDir / (caseName + suffix), actual);
    ADD_FAILURE() << caseName << suffix << " differs; got " << (actualDir / (caseName + suffix)) << ":\n" << actual;
}

class CliGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(CliGolden, MatchesExpectedBytes) {
    const GoldenCase &golden = GetParam();
    const TempDir tmp;
    const TempDir config;
    if (!golden.settings.empty()) {
        writeFile(config.path() / "velmoraine.ini", golden.settings);
    }
    CliRun run;
    for (const std::string &arg : golden.args) {
        run.args.push_back(substitute(arg, tmp.path()));
    }
    run.configHome = config.path();
    const CliResult result = runCli(run);

    EXPECT_EQ(result.exitCode, golden.exitCode) << result.err;
    if (golden.outputFile.empty()) {
        expectBytes(golden.name, ".out", result.out);
    } else {
        EXPECT_EQ(result.out, "");
        expectBytes(golden.name, ".out", readFile(substitute(golden.outputFile, tmp.path())));
    }
    expectBytes(golden.name, ".err", result.err);
}

INSTANTIATE_TEST_SUITE_P(Cases, CliGolden, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<GoldenCase> &info) { return info.param.name; });

TEST(CliGoldenFiles, EveryExpectedFileBelongsToACase) {
    for (const fs::directory_entry &entry : fs::directory_iterator(expectedDir())) {
        const std::string stem = entry.path().stem().string();
        const bool known =
            std::any_of(kCases.begin(), kCases.end(), [&](const GoldenCase &c) { return c.name == stem; });
        EXPECT_TRUE(known) << entry.path() << " has no case";
    }
}

} // namespace
} // namespace velmoraine::clitest
