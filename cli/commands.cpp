#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include <nlohmann/json.hpp>

#include "app/startup.h"
#include "app/texts.h"
#include "cli/rule_option.h"
#include "cli/utf8_text.h"
#include "platform/files.h"
#include "rewrite/model_lookup.h"
#include "rewrite/page_rewriter.h"
#include "rules/proposals.h"
#include "rules/rule_list.h"
#include "rules/rule_record.h"
#include "scan/form_scanner.h"

namespace velmoraine::cli {

namespace {

using Json = nlohmann::ordered_json; // keeps the keys in the documented order

// ---------------------------------------------------------------------------------------------
// Output and messages
// ---------------------------------------------------------------------------------------------

// What "Cannot create file %s" names when stdout cannot be written.
constexpr std::string_view kStandardOutputName = "(standard output)";

// Writes the bytes exactly; false on a short write or when the stream reports an error.
bool writeStream(std::FILE *stream, std::string_view bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        return false;
    }
    return std::fflush(stream) == 0 && std::ferror(stream) == 0;
}

void printMessage(std::string_view message) {
    std::string line(message);
    line.push_back('\n');
    writeStream(stderr, line);
}

int refuse(std::string_view message) {
    printMessage(message);
    return kExitRefused;
}

int cannotOpen(std::string_view path) {
    printMessage(texts::fill(texts::kCannotOpenFile, path));
    return kExitFile;
}

int cannotCreate(std::string_view path) {
    printMessage(texts::fill(texts::kCannotCreateFile, path));
    return kExitFile;
}

// Results on stdout; a failing stdout (a full disk, a closed pipe) is a failed creation.
int emit(std::string_view bytes) { return writeStream(stdout, bytes) ? kExitOk : cannotCreate(kStandardOutputName); }

bool contains(const std::vector<std::string> &names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string_view kindName(rules::RuleKind kind) {
    switch (kind) {
    case rules::RuleKind::FilledIn:
        return "filled in";
    case rules::RuleKind::Email:
        return "e-mail address";
    case rules::RuleKind::DigitSequence:
        return "digit sequence";
    case rules::RuleKind::NumberValue:
        return "number value";
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// Reading and scanning a page (scan and rewrite)
// ---------------------------------------------------------------------------------------------

struct ScannedPage {
    std::string bytes;
    std::vector<std::string> forms; // the chooser's tag texts, all of them
    scan::ScanResult result;
};

// Reads the page whole and scans it, the chooser answering `choose`. kExitOk, or the exit
// code after the message has been printed.
int readAndScan(std::string_view command, const std::string &path, int choose, ScannedPage &page) {
    std::optional<std::string> bytes = files::readWholeFile(path);
    if (!bytes) {
        return cannotOpen(path);
    }
    page.bytes = std::move(*bytes);
    page.forms = scan::chooserTagTexts(page.bytes);
    // The chooser's first option is always there, even when no tag text could be shown.
    const bool choiceListed = choose == 1 || static_cast<std::size_t>(choose) <= page.forms.size();
    page.result =
        scan::scanPage(page.bytes, [&](const std::vector<std::string> &) { return choiceListed ? choose : 1; });
    if (!page.result.formFound) {
        return refuse(texts::kNoForm);
    }
    if (page.result.severalForms && !choiceListed) {
        return usageError(command, "--choose " + std::to_string(choose) + ": the page lists " +
                                       std::to_string(page.forms.size()) + " forms");
    }
    if (!page.result.severalForms && choose != 1) {
        return usageError(command, "--choose " + std::to_string(choose) + ": the page has one form");
    }
    return kExitOk;
}

// ---------------------------------------------------------------------------------------------
// scan
// ---------------------------------------------------------------------------------------------

std::string scanJson(const std::string &path, const ScannedPage &page) {
    const scan::ScanResult &result = page.result;
    Json forms = Json::array();
    for (const std::string &tag : page.forms) {
        forms.push_back(utf8FromBytes(tag));
    }
    Json fields = Json::array();
    for (const std::string &field : result.fields) {
        fields.push_back(utf8FromBytes(field));
    }
    Json storedRules = Json::array();
    for (std::size_t i = 0; i < result.rules.size(); ++i) {
        storedRules.push_back(Json{{"record", utf8FromBytes(result.rules.records()[i])},
                                   {"display", utf8FromBytes(result.rules.displays()[i])}});
    }
    Json out;
    out["page"] = utf8FromBytes(path);
    out["several_forms"] = result.severalForms;
    out["forms"] = std::move(forms);
    out["chosen"] = result.severalForms ? result.chosenForm : 1;
    out["fields"] = std::move(fields);
    out["rules"] = std::move(storedRules);
    return out.dump(2) + '\n';
}

std::string scanText(const std::string &path, const ScannedPage &page) {
    const scan::ScanResult &result = page.result;
    std::string out = "Page: " + path + '\n';
    if (result.severalForms) {
        out +=
            "Forms: " + std::to_string(page.forms.size()) + ", form " + std::to_string(result.chosenForm) + " chosen\n";
        for (std::size_t i = 0; i < page.forms.size(); ++i) {
            out += static_cast<int>(i + 1) == result.chosenForm ? "* " : "  ";
            out += std::to_string(i + 1) + ". " + page.forms[i] + '\n';
        }
    } else {
        out += "Forms: 1\n";
    }
    out += "Fields: " + std::to_string(result.fields.size()) + '\n';
    for (std::size_t i = 0; i < result.fields.size(); ++i) {
        out += "  " + std::to_string(i + 1) + ". " + result.fields[i] + '\n';
    }
    out += "Stored rules: " + std::to_string(result.rules.size()) + '\n';
    for (std::size_t i = 0; i < result.rules.size(); ++i) {
        out += "  " + result.rules.displays()[i] + ": " + result.rules.records()[i] + '\n';
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// rewrite: the rule list as the editor's "Add >>" builds it
// ---------------------------------------------------------------------------------------------

// A --rule or --record ready to add, its text already parsed.
struct PendingRule {
    RuleArgument::Source source;
    std::string text;
    std::optional<RuleOption> option; // --rule only
};

// The display text the editor shows for an added record: its kind's suffix, or the restored
// text when field 1 is not a kind the editor knows.
std::string recordDisplayText(std::string_view record) {
    const std::vector<std::string_view> parts = rules::splitRecord(record);
    if (parts.size() > 1 && parts[1].size() == 1 && parts[1][0] >= '0' && parts[1][0] <= '3') {
        return rules::editorDisplayText(rules::recordFieldName(record),
                                        static_cast<rules::RuleKind>(parts[1][0] - '0'));
    }
    return rules::restoredDisplayText(record);
}

// "Add >>" for one rule: the field must be in the chosen form and pass the editor's checks.
int addRule(const PendingRule &pending, const std::vector<std::string> &fields, rules::RuleList &list) {
    if (pending.source == RuleArgument::Source::Record) {
        const std::string_view field = rules::recordFieldName(pending.text);
        if (!contains(fields, field)) {
            return refuse(texts::fill(texts::kFieldNotInForm, field));
        }
        if (std::optional<std::string_view> refusal = rules::checkRecord(pending.text)) {
            return refuse(*refusal);
        }
        list.addOrReplace(field, pending.text, recordDisplayText(pending.text));
        return kExitOk;
    }
    const std::string &field = pending.option->field;
    if (!contains(fields, field)) {
        return refuse(texts::fill(texts::kFieldNotInForm, field));
    }
    if (std::optional<std::string_view> refusal = rules::checkFieldName(field)) {
        return refuse(*refusal);
    }
    const rules::RuleSettings settings = settingsFor(*pending.option);
    if (std::optional<std::string_view> refusal = rules::checkSettings(settings)) {
        return refuse(*refusal);
    }
    list.addOrReplace(field, rules::buildRecord(field, settings), rules::editorDisplayText(field, settings.kind));
    return kExitOk;
}

} // namespace

int usageError(std::string_view command, std::string_view hint) {
    const std::string program = command.empty() ? "velmoraine-cli" : "velmoraine-cli " + std::string(command);
    std::string line = program + ": " + std::string(hint) + " (see " + program + " --help)";
    std::replace(line.begin(), line.end(), '\n', ' ');
    printMessage(line);
    return kExitUsage;
}

// ---------------------------------------------------------------------------------------------
// The commands
// ---------------------------------------------------------------------------------------------

int runScan(const ScanOptions &options) {
    ScannedPage page;
    if (const int code = readAndScan("scan", options.page, options.choose, page); code != kExitOk) {
        return code;
    }
    return emit(options.json ? scanJson(options.page, page) : scanText(options.page, page));
}

int runSuggest(const SuggestOptions &options) {
    const rules::Proposal proposal = rules::proposeFor(options.field);
    if (options.json) {
        Json out;
        out["kind"] = static_cast<int>(proposal.kind);
        out["message"] = utf8FromBytes(proposal.message);
        if (proposal.sequence) {
            out["seq_min"] = utf8FromBytes(proposal.sequence->seqMin);
            out["seq_max"] = utf8FromBytes(proposal.sequence->seqMax);
            out["punct"] = utf8FromBytes(proposal.sequence->punct);
        }
        return emit(out.dump(2) + '\n');
    }
    std::string out = "Field: " + options.field + '\n';
    out += "Rule: " + std::string(kindName(proposal.kind)) + " (kind " +
           std::to_string(static_cast<int>(proposal.kind)) + ")\n";
    if (proposal.sequence) {
        out += "Digits: at least " + proposal.sequence->seqMin + ", not more than " + proposal.sequence->seqMax +
               " (0 = no limit)\n";
        out += "Punctuation: \"" + proposal.sequence->punct + "\"\n";
    }
    out += "Message: " + proposal.message + '\n';
    return emit(out);
}

int runRewrite(const RewriteOptions &options) {
    // Every --rule text is read before any file is touched: a typing error is a usage error.
    std::vector<PendingRule> pending;
    for (const RuleArgument &argument : options.rules) {
        PendingRule rule{argument.source, argument.text, std::nullopt};
        if (argument.source == RuleArgument::Source::Rule) {
            std::string error;
            rule.option = parseRuleOption(argument.text, error);
            if (!rule.option) {
                return usageError("rewrite", "--rule \"" + argument.text + "\": " + error);
            }
        }
        pending.push_back(std::move(rule));
    }

    ScannedPage page;
    if (const int code = readAndScan("rewrite", options.page, options.choose, page); code != kExitOk) {
        return code;
    }
    const std::vector<std::string> &fields = page.result.fields;
    // A text with "=" and no kind word names a field only when the form has that field.
    for (const PendingRule &rule : pending) {
        if (rule.option && rule.option->kindMaybeMisspelt && !contains(fields, rule.option->field)) {
            return usageError("rewrite",
                              "--rule \"" + rule.text + "\": the kind after \"=\" must be " + std::string(kKindWords));
        }
    }

    // The page-1 check of Continue; the editor's run has none.
    const std::string accountId = options.accountId.value_or(startup::storedAccountIdText());
    if (!options.editorMode && !startup::accountIdAccepted(accountId)) {
        return refuse(texts::kInvalidAccountId);
    }

    rules::RuleList list;
    if (!options.noStoredRules) {
        list = page.result.rules;
    }
    for (const PendingRule &rule : pending) {
        if (const int code = addRule(rule, fields, list); code != kExitOk) {
            return code;
        }
    }

    const std::string modelPath = options.model.value_or(rewrite::modelPath(startup::readMainDirectory()));
    std::optional<std::string> model = files::readWholeFile(modelPath);
    if (!model) {
        return cannotOpen(modelPath);
    }

    rewrite::RewriteInput input;
    input.page = page.bytes;
    input.model = *model;
    input.chosenForm = page.result.chosenForm;
    input.accountIdText = accountId;
    input.formNumber = options.formNumber;
    input.records = &list.records();
    input.mode = options.editorMode ? rewrite::LaunchMode::Editor : rewrite::LaunchMode::Normal;
    const rewrite::RewriteResult result = rewrite::rewritePage(input);
    // The source and the model are no longer needed: free them before the output is written.
    std::string().swap(page.bytes);
    model.reset();
    if (!result.output) {
        return refuse(result.message);
    }

    if (!options.inPlace && !options.output) {
        return emit(*result.output);
    }
    const std::string &target = options.inPlace ? options.page : *options.output;
    return files::writeFileAtomically(target, *result.output) ? kExitOk : cannotCreate(target);
}

} // namespace velmoraine::cli
