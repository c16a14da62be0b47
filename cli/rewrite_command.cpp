// velmoraine-cli rewrite: the updated page from the page, its stored rules, the rules of the
// command line and the settings, through the run sequence the window takes, written to stdout,
// to a file or over the page, or shown as a diff.
#include <algorithm>
#include <future>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/rule_option.h"
#include "cli/utf8_text.h"
#include "core/base/aside.h"
#include "core/base/profile.h"
#include "core/base/texts.h"
#include "core/rewrite/model_lookup.h"
#include "core/rewrite/page_changes.h"
#include "core/rewrite/page_rewriter.h"
#include "core/rules/proposals.h"
#include "core/rules/rule_list.h"
#include "core/rules/rule_record.h"
#include "core/run/run_sequence.h"
#include "core/run/startup.h"

namespace velmoraine::cli {

namespace {

// ---------------------------------------------------------------------------------------------
// The rule list as the editor's "Add >>" builds it
// ---------------------------------------------------------------------------------------------

// A --rule or --record ready to add, its text already parsed.
struct PendingRule {
    RuleArgument::Source source = RuleArgument::Source::Rule;
    std::string text{};
    std::optional<RuleOption> option{}; // --rule only
};

bool contains(const std::vector<std::string> &names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The display text the editor shows for an added record: its kind's suffix, or the restored
// text when field 1 is not a kind the editor knows.
std::string recordDisplayText(std::string_view record) {
    if (const std::optional<rules::RuleRecord> parsed = rules::readRecord(record)) {
        return rules::editorDisplayText(parsed->field, parsed->kind);
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

// ---------------------------------------------------------------------------------------------
// The steps of a run
// ---------------------------------------------------------------------------------------------

// Options: every --rule text is read before any file is touched, so a typing error is a usage
// error, and so is a --json that would share stdout with the page.
int readOptions(const RewriteOptions &options, std::vector<PendingRule> &pending) {
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
    if (options.json && !options.inPlace && !options.output) {
        return usageError("rewrite", "--json needs -o or --in-place (the page would share stdout)");
    }
    return kExitOk;
}

// A text with "=" and no kind word names a field only when the form has that field.
int checkKindWords(const std::vector<PendingRule> &pending, const std::vector<std::string> &fields) {
    for (const PendingRule &rule : pending) {
        if (rule.option && rule.option->kindMaybeMisspelt && !contains(fields, rule.option->field)) {
            return usageError("rewrite",
                              "--rule \"" + rule.text + "\": the kind after \"=\" must be " + std::string(kKindWords));
        }
    }
    return kExitOk;
}

// What the settings give for what the command line leaves out.
struct Settings {
    std::string accountId{};
    std::string mainDirectory{}; // read only without --model
};

// The settings are read only for what the command line leaves out. A settings file that cannot
// be read is named, rather than taken for one without an ID.
int readSettings(const RewriteOptions &options, Settings &settings) {
    try {
        if (!options.accountId || !options.model) {
            if (std::optional<std::string> problem = profile::problemWith(startup::kSettingsFile)) {
                printMessage(*problem);
                return kExitFile;
            }
        }
        settings.accountId = options.accountId ? *options.accountId : startup::storedAccountIdText();
        if (!options.model) {
            settings.mainDirectory = startup::readMainDirectory();
        }
    } catch (const std::bad_alloc &) {
        return notEnoughMemory(profile::resolveProfilePath(startup::kSettingsFile)); // the settings, not the page
    } catch (const std::length_error &) {
        return notEnoughMemory(profile::resolveProfilePath(startup::kSettingsFile));
    }
    return kExitOk;
}

// The rules of the run, and the fields whose rules came from an earlier tool.
struct Rules {
    rules::RuleList list{};
    std::vector<std::string> legacyFields{};
};

// The stored rules, then the earlier tools' rules, then those of the command line in their
// order.
int gatherRules(const RewriteOptions &options, const scan::ScanResult &scanned, const std::vector<PendingRule> &pending,
                Rules &rules) {
    if (!options.noStoredRules) {
        rules.list = scanned.rules;
    }
    if (options.importLegacy) {
        for (const scan::ImportedRule &rule : scanned.legacy.rules) {
            if (rules.list.find(rule.field) < 0) {
                rules.list.addOrReplace(rule.field, rule.record, rule.display);
                rules.legacyFields.push_back(rule.field);
            }
        }
    }
    for (const PendingRule &rule : pending) {
        if (const int code = addRule(rule, scanned.fields, rules.list); code != kExitOk) {
            return code;
        }
    }
    return kExitOk;
}

int loadModel(run::RunSequence &run, const std::string &modelPath) {
    try {
        const rewrite::ModelRead &modelRead = run.loadModel(modelPath);
        if (!modelRead.text) {
            return modelRead.fileError ? cannotOpen(modelPath) : refuse(modelRead.message);
        }
    } catch (const std::bad_alloc &) {
        return notEnoughMemory(modelPath); // the model, not the page, was too large
    } catch (const std::length_error &) {
        return notEnoughMemory(modelPath);
    }
    return kExitOk;
}

// What the run builds from: the page as scanned, its chosen form, the ID, the rules and the
// choices of the command line.
rewrite::RewriteInput choicesFor(const RewriteOptions &options, const run::PageScan &page, const Settings &settings,
                                 const Rules &rules) {
    rewrite::RewriteInput choices;
    choices.page = page.bytes.view();
    choices.chosenForm = page.result.chosenForm;
    choices.accountIdText = settings.accountId;
    choices.formNumber = options.formNumber;
    choices.records = &rules.list.records();
    choices.html5Fallback = options.html5Fallback ? rewrite::Html5Fallback::On : rewrite::Html5Fallback::Off;
    choices.formLanguage = options.language;
    choices.legacyFields = &rules.legacyFields;
    return choices;
}

// The page, or the diff, on stdout. What goes out is read from the page as it goes: a page
// changed meanwhile may have given some of its old bytes and some of its new ones, so it is
// asked again after the last byte.
int printPage(const RewriteOptions &options, const run::PageScan &page, const rewrite::PageInPieces &output) {
    const std::string_view bytes = page.bytes.view();
    const bool emitted =
        options.diff
            ? writeStream(stdout, rewrite::unifiedDiff(bytes, rewrite::listChanges(bytes, output), options.page))
            : writeStream(stdout, output.pieces);
    if (!emitted) {
        return standardOutputFailed();
    }
    return page.bytes.changedSinceRead() ? cannotOpen(options.page) : kExitOk;
}

// The page written atomically to `target`; the write is refused when the page changed while it
// was written out.
files::WriteResult writePage(const std::string &target, const run::PageScan &page,
                             const rewrite::PageInPieces &output) {
    const auto pageUnchanged = [&page] { return !page.bytes.changedSinceRead(); };
    return files::writeFileAtomically(target, output.pieces, {.sourceUnchanged = pageUnchanged});
}

// What a write's result means for the run: its exit code, with its message said.
int judgeWrite(const files::WriteResult &written, const std::string &target, const std::string &source,
               const run::PageScan &page) {
    if (written.outcome == files::WriteResult::Outcome::SourceChanged) {
        return cannotOpen(source);
    }
    if (!written) {
        // A mapped page shortened while it was written out fails the write: the page is at fault.
        if (written.keptCopy.empty() && page.bytes.changedSinceRead()) {
            return cannotOpen(source);
        }
        return cannotWrite(target, written);
    }
    return kExitOk;
}

// The warnings of a run built without them, read on a second thread while `work` runs (a
// write of the page, which waits on the disk), then said before anything `work` has to say.
template <typename Work>
auto withWarnings(const rewrite::RewriteInput &input, rewrite::PiecesResult &result, Work work) {
    std::future<std::vector<std::string>> warnings =
        aside::start([&input, &result] { return rewrite::warningsFor(input, result); });
    if (!warnings.valid()) {
        result.warnings = rewrite::warningsFor(input, result); // no thread: first, then the work
    }
    auto done = work();
    if (warnings.valid()) {
        result.warnings = warnings.get();
    }
    return done;
}

// --json: where the page went, the script's CSP hash, the warnings and where an earlier tool
// mailed the results.
int report(const std::string &target, const rewrite::PiecesResult &result, const scan::LegacyRules &legacy) {
    Json out;
    out["output"] = utf8FromBytes(target);
    out["csp_hash"] = result.cspHash;
    out["warnings"] = Json::array();
    for (const std::string &warning : result.warnings) {
        out["warnings"].push_back(utf8FromBytes(warning));
    }
    out["results_mailed_to"] = Json::array();
    for (const std::string &address : legacy.resultsMailedTo) {
        out["results_mailed_to"].push_back(utf8FromBytes(address));
    }
    return emitJson(out);
}

// The warnings, then the updated page where the options send it, then the --json report. A page
// that goes to a file is written while the warnings are read; they are said before the write's
// own message, as they would be had they come first.
int deliver(const RewriteOptions &options, const run::PageScan &page, const rewrite::RewriteInput &input,
            rewrite::PiecesResult &result) {
    if (options.diff || (!options.inPlace && !options.output)) {
        // Warnings say what will not work for the visitors; the page is printed all the same.
        result.warnings = rewrite::warningsFor(input, result);
        for (const std::string &warning : result.warnings) {
            printMessage(warning);
        }
        return printPage(options, page, *result.output);
    }
    const std::string &target = options.inPlace ? options.page : *options.output;
    const files::WriteResult written =
        withWarnings(input, result, [&] { return writePage(target, page, *result.output); });
    for (const std::string &warning : result.warnings) {
        printMessage(warning);
    }
    if (const int code = judgeWrite(written, target, options.page, page); code != kExitOk) {
        return code;
    }
    return options.json ? report(target, result, page.result.legacy) : kExitOk;
}

} // namespace

int runRewrite(const RewriteOptions &options) {
    std::vector<PendingRule> pending;
    if (const int code = readOptions(options, pending); code != kExitOk) {
        return code;
    }
    run::PageScan page;
    // A run over the page holds its lock until the new page has replaced it, so a second run
    // reads this run's result instead of losing it.
    const files::PageLock lock = options.inPlace ? files::PageLock::Exclusive : files::PageLock::None;
    if (const int code = readAndScan("rewrite", options.page, options.choose, page, lock); code != kExitOk) {
        return code;
    }
    // The tag texts served the checks only; a form tag of megabytes is not kept while the
    // output is built.
    std::vector<std::string>().swap(page.result.tagTexts);
    if (const int code = checkKindWords(pending, page.result.fields); code != kExitOk) {
        return code;
    }

    Settings settings;
    if (const int code = readSettings(options, settings); code != kExitOk) {
        return code;
    }
    // The check of Continue on page 1; the editor's run has none.
    run::RunSequence run(options.editorMode ? rewrite::LaunchMode::Editor : rewrite::LaunchMode::Normal);
    if (!run.acceptAccountId(settings.accountId)) {
        return refuse(texts::kInvalidAccountId);
    }
    Rules rules;
    if (const int code = gatherRules(options, page.result, pending, rules); code != kExitOk) {
        return code;
    }
    const std::string modelPath = options.model ? *options.model : rewrite::modelPath(settings.mainDirectory);
    if (const int code = loadModel(run, modelPath); code != kExitOk) {
        return code;
    }

    // The output is written from where its pieces lie, most of them in the page itself.
    // The warnings are read later, beside the write (deliver).
    rewrite::RewriteInput input = choicesFor(options, page, settings, rules);
    input.warnings = false;
    rewrite::PiecesResult result = run.build(input);
    if (page.bytes.changedSinceRead()) {
        return cannotOpen(options.page);
    }
    run.releaseModel();
    if (!result.output) {
        return refuse(result.message);
    }
    return deliver(options, page, input, result);
}

} // namespace velmoraine::cli
