#include "cli/commands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <span>
#include <stdexcept>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/rule_option.h"
#include "cli/utf8_text.h"
#include "core/base/files.h"
#include "core/base/profile.h"
#include "core/base/texts.h"
#include "core/rewrite/model_lookup.h"
#include "core/rewrite/page_changes.h"
#include "core/rewrite/page_rewriter.h"
#include "core/rules/field_markup.h"
#include "core/rules/proposals.h"
#include "core/rules/rule_list.h"
#include "core/rules/rule_record.h"
#include "core/run/page_scan.h"
#include "core/run/run_sequence.h"
#include "core/run/startup.h"
#include "core/scan/form_language.h"
#include "core/scan/form_scanner.h"

namespace velmoraine::cli {

namespace {

using Json = nlohmann::ordered_json; // keeps the keys in the documented order

// ---------------------------------------------------------------------------------------------
// Output and messages
// ---------------------------------------------------------------------------------------------

// What "Cannot create file %s" names when stdout cannot be written.
constexpr std::string_view kStandardOutputName = "(standard output)";

// Writes the pieces exactly, in order; false on a short write or when the stream reports an
// error.
bool writeStream(std::FILE *stream, std::span<const std::string_view> pieces) {
    for (std::string_view bytes : pieces) {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
            return false;
        }
    }
    return std::fflush(stream) == 0 && std::ferror(stream) == 0;
}

bool writeStream(std::FILE *stream, std::string_view bytes) {
    const std::string_view whole[] = {bytes};
    return writeStream(stream, std::span<const std::string_view>(whole));
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

int cannotCreate(std::string_view path, std::string_view reason = {}) {
    printMessage(texts::withReason(texts::fill(texts::kCannotCreateFile, path), reason));
    return kExitFile;
}

// A failed write of the page: the system's reason, and where a complete copy was left.
int cannotWrite(std::string_view path, const files::WriteResult &result) {
    printMessage(texts::cannotCreateText(path, result.reason, result.keptCopy));
    return kExitFile;
}

// Results on stdout; a failing stdout (a full disk, a closed pipe) is a failed creation.
int emit(std::string_view bytes) { return writeStream(stdout, bytes) ? kExitOk : cannotCreate(kStandardOutputName); }

// Results on stdout, written as they are built, a megabyte at a time: a scan can list a
// million fields, and its whole text need not be held at once.
class StandardOutput {
public:
    std::string &text() { return m_text; }
    void flushIfLarge() {
        if (m_text.size() >= kChunk) {
            flush();
        }
    }
    // kExitOk, or the exit code of the cannot-create message once it is printed.
    int finish() {
        flush();
        return m_ok ? kExitOk : cannotCreate(kStandardOutputName);
    }

private:
    static constexpr std::size_t kChunk = std::size_t{1} << 20;

    void flush() {
        m_ok = m_ok && writeStream(stdout, m_text);
        m_text.clear();
    }

    std::string m_text;
    bool m_ok = true;
};

bool contains(const std::vector<std::string> &names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string_view kindName(rules::RuleKind kind) {
    switch (kind) {
    case rules::RuleKind::FilledIn: return "filled in";
    case rules::RuleKind::Email: return "e-mail address";
    case rules::RuleKind::DigitSequence: return "digit sequence";
    case rules::RuleKind::NumberValue: return "number value";
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// Reading and scanning a page (scan and rewrite)
// ---------------------------------------------------------------------------------------------

// The chooser's first option is always there, even when no tag text could be shown.
bool listed(int choose, const std::vector<std::string> &tagTexts) {
    return choose == 1 || static_cast<std::size_t>(choose) <= tagTexts.size();
}

// Reads the page whole and scans it (run::scanPageFile), the chooser answering `choose`.
// kExitOk, or the exit code after the message has been printed.
int readAndScan(std::string_view command, const std::string &path, int choose, run::PageScan &page,
                files::PageLock lock = files::PageLock::None) {
    run::PageRead read;
    read.holding = run::PageRead::Holding::FileBytes;
    read.lock = lock;
    // A page shortened by another program while it is mapped cannot be read to its end.
    read.onShortened = {texts::fill(texts::kCannotOpenFile, path), kExitFile};
    page = run::scanPageFile(
        path,
        [choose](std::string_view, const std::vector<std::string> &tagTexts) {
            return listed(choose, tagTexts) ? choose : 1;
        },
        read);
    switch (page.refusal) {
    case run::PageRefusal::None: break;
    case run::PageRefusal::CannotOpen: printMessage(page.message); return kExitFile;
    case run::PageRefusal::UnsupportedEncoding:
    case run::PageRefusal::NoForm: return refuse(page.message);
    }
    const std::vector<std::string> &forms = page.result.tagTexts;
    if (page.result.severalForms && !listed(choose, forms)) {
        return usageError(command, "--choose " + std::to_string(choose) + ": the page lists " +
                                       std::to_string(forms.size()) + " forms");
    }
    if (!page.result.severalForms && choose != 1) {
        return usageError(command, "--choose " + std::to_string(choose) + ": the page has one form");
    }
    return kExitOk;
}

// ---------------------------------------------------------------------------------------------
// scan
// ---------------------------------------------------------------------------------------------

// The scan's JSON is written directly, with exactly the bytes of nlohmann's dump(2) of the
// same document (the golden tests hold them): a page lists up to a million fields and forms,
// and a tag text can be megabytes long, so no JSON value is built for them.

// A JSON string of the page bytes read as UTF-8 (utf8FromBytes), escaped as dump escapes:
// the quote, the backslash and the control characters; everything else as it stands.
void appendJsonString(std::string &out, std::string_view bytes) {
    out.push_back('"');
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t plain = at;
        while (plain < bytes.size() && static_cast<unsigned char>(bytes[plain]) >= 0x20 &&
               static_cast<unsigned char>(bytes[plain]) < 0x80 && bytes[plain] != '"' && bytes[plain] != '\\') {
            ++plain;
        }
        out.append(bytes.data() + at, plain - at);
        at = plain;
        if (at == bytes.size()) {
            break;
        }
        const auto c = static_cast<unsigned char>(bytes[at]);
        if (c >= 0x80) {
            // A run of bytes above ASCII decodes alone as it does in the whole text: every
            // sequence ends before the next ASCII byte.
            std::size_t end = at;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x80) {
                ++end;
            }
            out.append(utf8FromBytes(bytes.substr(at, end - at)));
            at = end;
            continue;
        }
        out.push_back('\\');
        switch (c) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '\b': out.push_back('b'); break;
        case '\t': out.push_back('t'); break;
        case '\n': out.push_back('n'); break;
        case '\f': out.push_back('f'); break;
        case '\r': out.push_back('r'); break;
        default: {
            constexpr std::string_view kHex = "0123456789abcdef";
            out.push_back('u');
            out.push_back('0');
            out.push_back('0');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
        }
        ++at;
    }
    out.push_back('"');
}

// An array of strings as a member value at the first level: "[]", or one string a line.
void appendJsonStrings(StandardOutput &output, const std::vector<std::string> &items) {
    std::string &out = output.text();
    if (items.empty()) {
        out.append("[]");
        return;
    }
    out.append("[\n");
    for (std::size_t i = 0; i < items.size(); ++i) {
        out.append(i == 0 ? "    " : ",\n    ");
        appendJsonString(out, items[i]);
        output.flushIfLarge();
    }
    out.append("\n  ]");
}

// One member per listed field, in the fields' order: what its first tag declares, "{}" when
// nothing. "required" is true or absent; every other value is the attribute's text.
void appendFieldAttributes(StandardOutput &output, const scan::ScanResult &result) {
    std::string &out = output.text();
    if (result.fields.empty()) {
        out.append("{}");
        return;
    }
    out.append("{\n");
    for (std::size_t i = 0; i < result.fields.size(); ++i) {
        out.append(i == 0 ? "    " : ",\n    ");
        appendJsonString(out, result.fields[i]);
        out.append(": ");
        const rules::FieldMarkup *markup = result.markup.find(i);
        if (markup == nullptr) {
            out.append("{}");
            continue;
        }
        using Attribute = rules::FieldMarkup::Attribute;
        bool first = true;
        const auto member = [&](std::string_view key, std::string_view value, bool quoted) {
            out.append(first ? "{\n      \"" : ",\n      \"");
            first = false;
            out.append(key);
            out.append("\": ");
            if (quoted) {
                appendJsonString(out, value);
            } else {
                out.append(value);
            }
        };
        const auto text = [&](std::string_view key, Attribute attribute) {
            if (const auto value = markup->get(attribute)) {
                member(key, *value, true);
            }
        };
        text("type", Attribute::Type);
        if (markup->required) {
            member("required", "true", false);
        }
        text("minlength", Attribute::MinLength);
        text("maxlength", Attribute::MaxLength);
        text("min", Attribute::Min);
        text("max", Attribute::Max);
        text("pattern", Attribute::Pattern);
        text("inputmode", Attribute::InputMode);
        out.append("\n    }");
        output.flushIfLarge();
    }
    out.append("\n  }");
}

// A JSON array of objects with three string members, one object per item, indented as the
// scan's object is.
template <typename Item, typename Values>
void appendJsonObjects(std::string &out, const std::vector<Item> &items, const std::array<const char *, 3> &keys,
                       Values values) {
    if (items.empty()) {
        out.append("[]");
        return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        out.append(i == 0 ? "[\n    {" : ",\n    {");
        const std::array<std::string_view, 3> texts = values(items[i]);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            out.append(k == 0 ? "\n      \"" : ",\n      \"");
            out.append(keys[k]);
            out.append("\": ");
            appendJsonString(out, texts[k]);
        }
        out.append("\n    }");
    }
    out.append("\n  ]");
}

void scanJson(const std::string &path, const run::PageScan &page, StandardOutput &output) {
    const scan::ScanResult &result = page.result;
    std::string &out = output.text();
    out.append("{\n  \"page\": ");
    appendJsonString(out, path);
    out.append(",\n  \"several_forms\": ");
    out.append(result.severalForms ? "true" : "false");
    out.append(",\n  \"forms\": ");
    appendJsonStrings(output, page.result.tagTexts);
    out.append(",\n  \"chosen\": ");
    out.append(std::to_string(result.severalForms ? result.chosenForm : 1));
    out.append(",\n  \"fields\": ");
    appendJsonStrings(output, result.fields);
    out.append(",\n  \"rules\": ");
    if (result.rules.size() == 0) {
        out.append("[]");
    } else {
        out.append("[\n");
        for (std::size_t i = 0; i < result.rules.size(); ++i) {
            out.append(i == 0 ? "    {\n      \"record\": " : ",\n    {\n      \"record\": ");
            appendJsonString(out, result.rules.records()[i]);
            out.append(",\n      \"display\": ");
            appendJsonString(out, result.rules.displays()[i]);
            out.append("\n    }");
            output.flushIfLarge();
        }
        out.append("\n  ]");
    }
    out.append(",\n  \"field_attributes\": ");
    appendFieldAttributes(output, result);
    // The language of the visitors' texts, and the nearest lang it comes from (null: none).
    const std::string_view bytes = page.bytes.view();
    const scan::FormLanguage language =
        scan::formLanguage(bytes, scan::findFormTag(bytes, result.severalForms ? result.chosenForm : 1));
    // What earlier tools left: the rules read back, what could not be, where results went.
    out.append(",\n  \"imported_rules\": ");
    appendJsonObjects(out, result.legacy.rules, {"record", "display", "from"}, [](const scan::ImportedRule &rule) {
        return std::array<std::string_view, 3>{rule.record, rule.display, scan::legacySourceName(rule.from)};
    });
    out.append(",\n  \"not_imported\": ");
    appendJsonObjects(
        out, result.legacy.notImported, {"field", "reason", "from"}, [](const scan::NotImported &skipped) {
            return std::array<std::string_view, 3>{skipped.field, skipped.reason, scan::legacySourceName(skipped.from)};
        });
    out.append(",\n  \"results_mailed_to\": ");
    appendJsonStrings(output, result.legacy.resultsMailedTo);
    out.append(",\n  \"language\": ");
    appendJsonString(out, language.inEffect);
    out.append(",\n  \"lang_attribute\": ");
    if (language.declared) {
        appendJsonString(out, *language.declared);
    } else {
        out.append("null");
    }
    out.append("\n}\n");
}

void scanText(const std::string &path, const run::PageScan &page, StandardOutput &output) {
    const scan::ScanResult &result = page.result;
    std::string &out = output.text();
    out += "Page: " + path + '\n';
    if (result.severalForms) {
        out += "Forms: " + std::to_string(page.result.tagTexts.size()) + ", form " + std::to_string(result.chosenForm) +
               " chosen\n";
        for (std::size_t i = 0; i < page.result.tagTexts.size(); ++i) {
            out += static_cast<int>(i + 1) == result.chosenForm ? "* " : "  ";
            out += std::to_string(i + 1) + ". " + page.result.tagTexts[i] + '\n';
            output.flushIfLarge();
        }
    } else {
        out += "Forms: 1\n";
    }
    out += "Fields: " + std::to_string(result.fields.size()) + '\n';
    for (std::size_t i = 0; i < result.fields.size(); ++i) {
        out += "  " + std::to_string(i + 1) + ". " + result.fields[i] + '\n';
        output.flushIfLarge();
    }
    out += "Stored rules: " + std::to_string(result.rules.size()) + '\n';
    for (std::size_t i = 0; i < result.rules.size(); ++i) {
        out += "  " + result.rules.displays()[i] + ": " + result.rules.records()[i] + '\n';
        output.flushIfLarge();
    }
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

} // namespace

int usageError(std::string_view command, std::string_view hint) {
    const std::string program = command.empty() ? "velmoraine-cli" : "velmoraine-cli " + std::string(command);
    std::string line = program + ": " + std::string(hint) + " (see " + program + " --help)";
    std::replace(line.begin(), line.end(), '\n', ' ');
    printMessage(line);
    return kExitUsage;
}

int standardOutputFailed() { return cannotCreate(kStandardOutputName); }

int notEnoughMemory(std::string_view page) {
    printMessage("Not enough memory to work on " + std::string(page));
    return kExitFile;
}

// ---------------------------------------------------------------------------------------------
// The commands
// ---------------------------------------------------------------------------------------------

int runScan(const ScanOptions &options) {
    run::PageScan page;
    if (const int code = readAndScan("scan", options.page, options.choose, page); code != kExitOk) {
        return code;
    }
    // A page saved by another program meanwhile may have been read half old, half new. The
    // results hold copies of what they show, so nothing of the page is read after this.
    if (page.bytes.changedSinceRead()) {
        return cannotOpen(options.page);
    }
    StandardOutput output;
    if (options.json) {
        scanJson(options.page, page, output);
    } else {
        scanText(options.page, page, output);
    }
    return output.finish();
}

int runSuggest(const SuggestOptions &options) {
    rules::Proposal proposal = rules::proposeFor(options.field);
    if (options.page) {
        run::PageScan page;
        if (const int code = readAndScan("suggest", *options.page, options.choose, page); code != kExitOk) {
            return code;
        }
        if (page.bytes.changedSinceRead()) {
            return cannotOpen(*options.page);
        }
        const std::vector<std::string> &fields = page.result.fields;
        const auto field = std::find(fields.begin(), fields.end(), options.field);
        if (field == fields.end()) {
            return refuse(texts::fill(texts::kFieldNotInForm, options.field));
        }
        const rules::FieldMarkup *markup = page.result.markup.find(static_cast<std::size_t>(field - fields.begin()));
        proposal = rules::proposeFor(options.field, markup != nullptr ? *markup : rules::FieldMarkup{});
    }
    if (options.json) {
        Json out;
        out["kind"] = static_cast<int>(proposal.kind);
        out["message"] = utf8FromBytes(proposal.message);
        if (proposal.sequence) {
            out["seq_min"] = utf8FromBytes(proposal.sequence->seqMin);
            out["seq_max"] = utf8FromBytes(proposal.sequence->seqMax);
            out["punct"] = utf8FromBytes(proposal.sequence->punct);
        }
        // The boxes a proposal from the page's markup fills; absent when the markup leaves them.
        const auto box = [&](const char *key, const std::optional<std::string> &value) {
            if (value) {
                out[key] = utf8FromBytes(*value);
            }
        };
        box("min_chars", proposal.minChars);
        box("max_chars", proposal.maxChars);
        box("num_min", proposal.numMin);
        box("num_max", proposal.numMax);
        if (proposal.blankAllowed) {
            out["blank"] = *proposal.blankAllowed;
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
    if (proposal.minChars || proposal.maxChars) {
        out += "Characters: at least " + proposal.minChars.value_or("(as set)") + ", not more than " +
               proposal.maxChars.value_or("(as set)") + " (0 = no limit)\n";
    }
    if (proposal.numMin || proposal.numMax) {
        out += "Value: at least " + proposal.numMin.value_or("(as set)") + ", not more than " +
               proposal.numMax.value_or("(as set)") + " (0 = no limit)\n";
    }
    if (proposal.blankAllowed) {
        out += std::string("Blank: ") + (*proposal.blankAllowed ? "allowed" : "not allowed") + '\n';
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

    if (options.json && !options.inPlace && !options.output) {
        return usageError("rewrite", "--json needs -o or --in-place (the page would share stdout)");
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
    const std::vector<std::string> &fields = page.result.fields;
    // A text with "=" and no kind word names a field only when the form has that field.
    for (const PendingRule &rule : pending) {
        if (rule.option && rule.option->kindMaybeMisspelt && !contains(fields, rule.option->field)) {
            return usageError("rewrite",
                              "--rule \"" + rule.text + "\": the kind after \"=\" must be " + std::string(kKindWords));
        }
    }

    // The page-1 check of Continue; the editor's run has none.
    // The settings are read only for what the command line leaves out.
    // A settings file that cannot be read is named, rather than taken for one without an ID.
    std::string accountId;
    std::string mainDirectory;
    try {
        if (!options.accountId || !options.model) {
            if (std::optional<std::string> problem = profile::problemWith(startup::kSettingsFile)) {
                printMessage(*problem);
                return kExitFile;
            }
        }
        accountId = options.accountId ? *options.accountId : startup::storedAccountIdText();
        if (!options.model) {
            mainDirectory = startup::readMainDirectory();
        }
    } catch (const std::bad_alloc &) {
        return notEnoughMemory(profile::resolveProfilePath(startup::kSettingsFile)); // the settings, not the page
    } catch (const std::length_error &) {
        return notEnoughMemory(profile::resolveProfilePath(startup::kSettingsFile));
    }
    run::RunSequence run(options.editorMode ? rewrite::LaunchMode::Editor : rewrite::LaunchMode::Normal);
    if (!run.acceptAccountId(accountId)) {
        return refuse(texts::kInvalidAccountId);
    }

    rules::RuleList list;
    if (!options.noStoredRules) {
        list = page.result.rules;
    }
    // The earlier tools' rules come after the stored ones and before those of the command line.
    std::vector<std::string> legacyFields;
    if (options.importLegacy) {
        for (const scan::ImportedRule &rule : page.result.legacy.rules) {
            if (list.find(rule.field) < 0) {
                list.addOrReplace(rule.field, rule.record, rule.display);
                legacyFields.push_back(rule.field);
            }
        }
    }
    for (const PendingRule &rule : pending) {
        if (const int code = addRule(rule, fields, list); code != kExitOk) {
            return code;
        }
    }

    const std::string modelPath = options.model ? *options.model : rewrite::modelPath(mainDirectory);
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

    rewrite::RewriteInput request;
    request.page = page.bytes.view();
    request.chosenForm = page.result.chosenForm;
    request.accountIdText = accountId;
    request.formNumber = options.formNumber;
    request.records = &list.records();
    request.html5Fallback = options.html5Fallback ? rewrite::Html5Fallback::On : rewrite::Html5Fallback::Off;
    request.formLanguage = options.language;
    request.legacyFields = &legacyFields;
    // The output is written from where its pieces lie, most of them in the page itself.
    const rewrite::PiecesResult result = run.build(request);
    if (page.bytes.changedSinceRead()) {
        return cannotOpen(options.page);
    }
    run.releaseModel();
    if (!result.output) {
        return refuse(result.message);
    }

    // Warnings say what will not work for the visitors; the page is written all the same.
    for (const std::string &warning : result.warnings) {
        printMessage(warning);
    }
    // What goes out is read from the page as it goes: a page changed meanwhile may have given
    // some of its old bytes and some of its new ones, so it is asked again after the last byte.
    const auto pageUnchanged = [&page] { return !page.bytes.changedSinceRead(); };
    const std::vector<std::string_view> &pieces = result.output->pieces;
    if (options.diff || (!options.inPlace && !options.output)) {
        const bool emitted =
            options.diff
                ? writeStream(stdout, rewrite::unifiedDiff(page.bytes.view(),
                                                           rewrite::listChanges(page.bytes.view(), *result.output),
                                                           options.page))
                : writeStream(stdout, pieces);
        if (!emitted) {
            return cannotCreate(kStandardOutputName);
        }
        return pageUnchanged() ? kExitOk : cannotOpen(options.page);
    }
    const std::string &target = options.inPlace ? options.page : *options.output;
    const files::WriteResult written = files::writeFileAtomically(target, pieces, {.sourceUnchanged = pageUnchanged});
    if (written.outcome == files::WriteResult::Outcome::SourceChanged) {
        return cannotOpen(options.page);
    }
    if (!written) {
        // A mapped page shortened while it was written out fails the write: the page is at fault.
        if (written.keptCopy.empty() && page.bytes.changedSinceRead()) {
            return cannotOpen(options.page);
        }
        return cannotWrite(target, written);
    }
    if (!options.json) {
        return kExitOk;
    }
    Json out;
    out["output"] = utf8FromBytes(target);
    out["csp_hash"] = result.cspHash;
    out["warnings"] = Json::array();
    for (const std::string &warning : result.warnings) {
        out["warnings"].push_back(utf8FromBytes(warning));
    }
    out["results_mailed_to"] = Json::array();
    for (const std::string &address : page.result.legacy.resultsMailedTo) {
        out["results_mailed_to"].push_back(utf8FromBytes(address));
    }
    return emit(out.dump(2) + '\n');
}

} // namespace velmoraine::cli
