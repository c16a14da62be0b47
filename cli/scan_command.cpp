// velmoraine-cli scan: the page's forms, the chosen form's fields and the rules stored in the
// page, as text or as one JSON object.
#include <string>
#include <string_view>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "core/rules/field_markup.h"
#include "core/scan/form_language.h"
#include "core/scan/form_scanner.h"

namespace velmoraine::cli {

namespace {

// ---------------------------------------------------------------------------------------------
// The JSON object
// ---------------------------------------------------------------------------------------------

// What one field's first tag declares, "{}" when nothing. "required" is true or absent; every
// other value is the attribute's text.
void appendMarkup(std::string &out, const rules::FieldMarkup *markup) {
    if (markup == nullptr) {
        out.append("{}");
        return;
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
}

// One member per listed field, in the fields' order: what its first tag declares.
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
        appendMarkup(out, result.markup.find(i));
        output.flushIfLarge();
    }
    out.append("\n  }");
}

// The stored rules, one object with its record and its display text each.
void appendStoredRules(StandardOutput &output, const rules::RuleList &rules) {
    std::string &out = output.text();
    if (rules.size() == 0) {
        out.append("[]");
        return;
    }
    out.append("[\n");
    for (std::size_t i = 0; i < rules.size(); ++i) {
        out.append(i == 0 ? "    {\n      \"record\": " : ",\n    {\n      \"record\": ");
        appendJsonString(out, rules.records()[i]);
        out.append(",\n      \"display\": ");
        appendJsonString(out, rules.displays()[i]);
        out.append("\n    }");
        output.flushIfLarge();
    }
    out.append("\n  ]");
}

// What earlier tools left: the rules read back, what could not be, where results went.
void appendEarlierTools(StandardOutput &output, const scan::LegacyRules &legacy) {
    std::string &out = output.text();
    out.append(",\n  \"imported_rules\": ");
    appendJsonObjects(out, legacy.rules, {"record", "display", "from"}, [](const scan::ImportedRule &rule) {
        return std::array<std::string_view, 3>{rule.record, rule.display, scan::legacySourceName(rule.from)};
    });
    out.append(",\n  \"not_imported\": ");
    appendJsonObjects(out, legacy.notImported, {"field", "reason", "from"}, [](const scan::NotImported &skipped) {
        return std::array<std::string_view, 3>{skipped.field, skipped.reason, scan::legacySourceName(skipped.from)};
    });
    out.append(",\n  \"results_mailed_to\": ");
    appendJsonStrings(output, legacy.resultsMailedTo);
}

// The language of the visitors' texts, and the nearest lang it comes from (null: none).
void appendLanguage(std::string &out, const scan::FormLanguage &language) {
    out.append(",\n  \"language\": ");
    appendJsonString(out, language.inEffect);
    out.append(",\n  \"lang_attribute\": ");
    if (language.declared) {
        appendJsonString(out, *language.declared);
    } else {
        out.append("null");
    }
}

void scanJson(const std::string &path, const run::PageScan &page, StandardOutput &output) {
    const scan::ScanResult &result = page.result;
    const int chosen = result.severalForms ? result.chosenForm : 1;
    std::string &out = output.text();
    out.append("{\n  \"page\": ");
    appendJsonString(out, path);
    out.append(",\n  \"several_forms\": ");
    out.append(result.severalForms ? "true" : "false");
    out.append(",\n  \"forms\": ");
    appendJsonStrings(output, result.tagTexts);
    out.append(",\n  \"chosen\": ");
    out.append(std::to_string(chosen));
    out.append(",\n  \"fields\": ");
    appendJsonStrings(output, result.fields);
    out.append(",\n  \"rules\": ");
    appendStoredRules(output, result.rules);
    out.append(",\n  \"field_attributes\": ");
    appendFieldAttributes(output, result);
    const std::string_view bytes = page.bytes.view();
    const scan::FormLanguage language = scan::formLanguage(bytes, scan::findFormTag(bytes, chosen));
    appendEarlierTools(output, result.legacy);
    appendLanguage(out, language);
    out.append("\n}\n");
}

// ---------------------------------------------------------------------------------------------
// The text
// ---------------------------------------------------------------------------------------------

void scanText(const std::string &path, const scan::ScanResult &result, StandardOutput &output) {
    std::string &out = output.text();
    out += "Page: " + path + '\n';
    const std::vector<std::string> &forms = result.tagTexts;
    if (result.severalForms) {
        out += "Forms: " + std::to_string(forms.size()) + ", form " + std::to_string(result.chosenForm) + " chosen\n";
        for (std::size_t i = 0; i < forms.size(); ++i) {
            out += static_cast<int>(i + 1) == result.chosenForm ? "* " : "  ";
            out += std::to_string(i + 1) + ". " + forms[i] + '\n';
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

} // namespace

int runScan(const ScanOptions &options) {
    run::PageScan page;
    if (const int code = readAndScan("scan", options.page, options.choose, page); code != kExitOk) {
        return code;
    }
    // A page saved by another program meanwhile may have been read half old, half new. The
    // results hold copies of what they show; of the page itself only the JSON's language is
    // read after this.
    if (page.bytes.changedSinceRead()) {
        return cannotOpen(options.page);
    }
    StandardOutput output;
    if (options.json) {
        scanJson(options.page, page, output);
    } else {
        scanText(options.page, page.result, output);
    }
    return output.finish();
}

} // namespace velmoraine::cli
