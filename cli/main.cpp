// velmoraine-cli: the wizard's page scan, rule proposals and page rewriting from the command
// line, for scripts and batch runs. Links the core only, not the window's desktop part.
#include <algorithm>
#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/system_console.h"
#include "core/scan/form_language.h"

namespace {

using namespace velmoraine::cli;

// The settings a --rule text may carry, for the help.
constexpr const char *kRuleHelp =
    "Add a rule as the editor's \"Add >>\" does: FIELD alone takes the rule proposed for its name; "
    "FIELD=KIND[,key=value]... with KIND filled, email, digits or number and the keys min, max, "
    "punct (digits), blank (1/0/yes/no/true/false) and message. Repeatable; --rule and --record "
    "are applied in the order given";

// Form numbers count from 1; how many there are is known only once the page is read.
const CLI::Validator kFormNumber(
    [](std::string &text) {
        const bool digits = !text.empty() && text.size() < 10 &&
                            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        return digits && std::stoi(text) >= 1 ? std::string() : "form numbers count from 1, not " + text;
    },
    "K");

// The languages the visitors' texts are written in.
const CLI::Validator kVisitorLanguage(
    [](std::string &text) {
        for (std::string_view code : velmoraine::scan::kVisitorLanguages) {
            if (text == code) {
                return std::string();
            }
        }
        std::string known;
        for (std::string_view code : velmoraine::scan::kVisitorLanguages) {
            known += (known.empty() ? "" : ", ") + std::string(code);
        }
        return "the visitors' texts are written in " + known + ", not " + text;
    },
    "CODE");

void addChooseOption(CLI::App &command, int &choose) {
    command.add_option("--choose", choose, "The form to work on when the page has several (default 1)")
        ->check(kFormNumber)
        ->option_text("K");
}

// ---------------------------------------------------------------------------------------------
// The commands and their options
// ---------------------------------------------------------------------------------------------

CLI::App *addScanCommand(CLI::App &app, ScanOptions &scan) {
    CLI::App *command =
        app.add_subcommand("scan", "List a page's forms, the chosen form's fields and the rules stored in the page");
    command->add_option("PAGE", scan.page, "The HTML page")->required();
    addChooseOption(*command, scan.choose);
    command->add_flag("--json", scan.json, "Print one JSON object");
    return command;
}

CLI::App *addSuggestCommand(CLI::App &app, SuggestOptions &suggest) {
    CLI::App *command = app.add_subcommand("suggest", "Show the rule proposed for a field's name");
    command->add_option("FIELD", suggest.field, "The field name")->required();
    command
        ->add_option("--page", suggest.page,
                     "Propose from what the field's first tag in PAGE declares (type, required, lengths, limits, "
                     "a digit pattern), then from its name")
        ->option_text("PAGE");
    addChooseOption(*command, suggest.choose);
    command->add_flag("--json", suggest.json, "Print one JSON object");
    return command;
}

// --no-stored-rules, --record and --rule. The last two record each occurrence as it is
// parsed, so the two keep their relative order.
void addRuleOptions(CLI::App &command, RewriteOptions &rewrite) {
    command.add_flag("--no-stored-rules", rewrite.noStoredRules, "Drop the rules stored in the page");
    command
        .add_option_function<std::string>(
            "--record",
            [&rewrite](const std::string &text) {
                rewrite.rules.push_back({RuleArgument::Source::Record, text});
            },
            "Add a rule record (name^kind^...) as it would be stored. Repeatable")
        ->trigger_on_parse()
        ->option_text("RECORD");
    command
        .add_option_function<std::string>(
            "--rule",
            [&rewrite](const std::string &text) {
                rewrite.rules.push_back({RuleArgument::Source::Rule, text});
            },
            kRuleHelp)
        ->trigger_on_parse()
        ->option_text("FIELD[=KIND[,key=value]...]");
}

// -o, --in-place and --diff, each excluding the others.
void addOutputOptions(CLI::App &command, RewriteOptions &rewrite) {
    CLI::Option *outputOption =
        command.add_option("-o,--output", rewrite.output, "Write the page to OUT (default: stdout)")
            ->option_text("OUT");
    CLI::Option *inPlaceOption =
        command.add_flag("--in-place", rewrite.inPlace, "Write the page over PAGE")->excludes(outputOption);
    command
        .add_flag("--diff", rewrite.diff,
                  "Print what the rewrite changes as a unified diff against PAGE (its own line numbers, three lines "
                  "of context; each hunk names its reasons) and write nothing else")
        ->excludes(outputOption)
        ->excludes(inPlaceOption);
}

CLI::App *addRewriteCommand(CLI::App &app, RewriteOptions &rewrite) {
    CLI::App *command =
        app.add_subcommand("rewrite", "Write the updated page: the form posts to the service and validates its fields");
    command->footer("\nExamples:\n"
                    "  velmoraine-cli rewrite contact.htm --id 24680 --rule email --rule zip -o contact-new.htm\n"
                    "  velmoraine-cli rewrite contact.htm --rule \"qty=number,min=1,max=10,message=Order 1 to 10, "
                    "please.\" --in-place");
    command->add_option("PAGE", rewrite.page, "The HTML page")->required();
    addChooseOption(*command, rewrite.choose);
    command->add_option("--id", rewrite.accountId, "Account ID (default: the stored one)")->option_text("TEXT");
    command->add_option("--form-number", rewrite.formNumber, "Form number at the service, 1 to 10 (default 1)")
        ->check(CLI::Range(1, 10))
        ->option_text("N");
    command->add_option("--model", rewrite.model, "Script model file (default: vlmodel.txt of the main directory)")
        ->option_text("FILE");
    addRuleOptions(*command, rewrite);
    command->add_flag("--editor-mode", rewrite.editorMode,
                      "Run as when started by the editor: no account ID check, an existing hidden input stays");
    addOutputOptions(*command, rewrite);
    command->add_flag("--html5-fallback", rewrite.html5Fallback,
                      "Also write HTML attributes (required, pattern, ...) that stop bad values when scripts "
                      "cannot run");
    command->add_flag("--import-legacy", rewrite.importLegacy,
                      "Add the rules that earlier tools left in the page (FrontPage validation comments, "
                      "MM_validateForm calls), after the stored rules and before --rule and --record, and "
                      "take their old checks out");
    command
        ->add_option("--lang", rewrite.language,
                     "The language of the visitors' texts for a form that has no lang of its own or above it: "
                     "written as the form's lang, so that later runs keep it")
        ->check(kVisitorLanguage)
        ->option_text("CODE");
    command->add_flag("--json", rewrite.json,
                      "Print the script's CSP hash and the warnings as one JSON object (needs -o or --in-place)");
    return command;
}

// ---------------------------------------------------------------------------------------------
// Parsing and running
// ---------------------------------------------------------------------------------------------

// Parses the command line; the exit code when the run ends with the parse (--help, --version,
// a usage error), nullopt when a command is to run.
std::optional<int> parse(CLI::App &app, int argc, char **argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            // --help and --version; a full disk or a closed pipe fails them.
            const int code = app.exit(error);
            std::cout.flush();
            return std::cout ? code : standardOutputFailed();
        }
        const std::vector<CLI::App *> chosen = app.get_subcommands();
        if (chosen.empty() && argc > 1 && argv[1][0] != '-') {
            return usageError("", "unknown command \"" + std::string(argv[1]) + "\" (scan, suggest or rewrite)");
        }
        return usageError(chosen.empty() ? std::string() : chosen.front()->get_name(), error.what());
    }
    return std::nullopt;
}

// Runs a command. A page too large for the memory this process may have is said, not a crash.
template <typename Run> int runWorkingOn(std::string_view page, Run run) {
    try {
        return run();
    } catch (const std::bad_alloc &) {
        return notEnoughMemory(page);
    } catch (const std::length_error &) {
        return notEnoughMemory(page);
    }
}

} // namespace

int main(int argc, char **argv) {
    CLI::App app{"Scans HTML pages for forms, proposes validation rules and adds the validation code "
                 "and the service's form handling to a page.",
                 "velmoraine-cli"};
    app.require_subcommand(1);
    // Options are written with dashes on every system: on Windows, "/name" is a path from the
    // drive's root, never an option. The commands take this from the app when they are added.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", VELMORAINE_VERSION);
    ScanOptions scan;
    SuggestOptions suggest;
    RewriteOptions rewrite;
    const CLI::App *scanCommand = addScanCommand(app, scan);
    const CLI::App *suggestCommand = addSuggestCommand(app, suggest);
    addRewriteCommand(app, rewrite);
    useBinaryStreams();
    // The arguments as UTF-8, whatever the system's code page; argv points into them.
    std::vector<std::string> arguments = commandLineArguments(argc, argv);
    std::vector<char *> pointers;
    for (std::string &argument : arguments) {
        pointers.push_back(argument.data());
    }
    if (const std::optional<int> code = parse(app, static_cast<int>(pointers.size()), pointers.data())) {
        return *code;
    }
    if (scanCommand->parsed()) {
        return runWorkingOn(scan.page, [&scan] { return runScan(scan); });
    }
    if (suggestCommand->parsed()) {
        return runWorkingOn(suggest.page.value_or(""), [&suggest] { return runSuggest(suggest); });
    }
    return runWorkingOn(rewrite.page, [&rewrite] { return runRewrite(rewrite); });
}
