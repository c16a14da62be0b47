// The commands of velmoraine-cli, one file each (scan_command.cpp, suggest_command.cpp,
// rewrite_command.cpp): their options as main.cpp reads them, and their runs. Each runs the
// core as the wizard would and returns the process exit code (cli_common.h); messages go to
// stderr, results to stdout or the output file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmoraine::cli {

struct ScanOptions {
    std::string page;
    int choose = 1; // the chooser's answer when the page has several forms
    bool json = false;
};

struct SuggestOptions {
    std::string field;
    std::optional<std::string> page; // absent: the proposal from the name alone
    int choose = 1;
    bool json = false;
};

// One --rule or --record, in command-line order.
struct RuleArgument {
    enum class Source { Rule, Record };
    Source source = Source::Rule;
    std::string text;
};

struct RewriteOptions {
    std::string page;
    int choose = 1;
    std::optional<std::string> accountId; // absent: the stored account ID
    int formNumber = 1;
    std::optional<std::string> model; // absent: the model of the main directory
    bool noStoredRules = false;
    std::vector<RuleArgument> rules;
    bool editorMode = false;
    std::optional<std::string> output; // absent: stdout, unless inPlace
    bool inPlace = false;
    bool diff = false;          // print what changes as a unified diff instead of the page
    bool html5Fallback = false; // also write the matching HTML attributes on the fields
    bool json = false;          // print the CSP hash and the warnings as one JSON object
    std::string language;       // --lang: the form's lang to write when it has none; empty: none
    bool importLegacy = false;  // add the rules earlier tools left in the page
};

int runScan(const ScanOptions &options);
int runSuggest(const SuggestOptions &options);
int runRewrite(const RewriteOptions &options);

} // namespace velmoraine::cli
