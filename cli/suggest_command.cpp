// velmoraine-cli suggest: the rule the editor proposes for a field, from its name alone or from
// what its first tag in a page declares, as text or as one JSON object.
#include <algorithm>
#include <string>
#include <string_view>

#include "cli/cli_common.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/utf8_text.h"
#include "core/base/texts.h"
#include "core/rules/field_markup.h"
#include "core/rules/proposals.h"

namespace velmoraine::cli {

namespace {

std::string_view kindName(rules::RuleKind kind) {
    switch (kind) {
    case rules::RuleKind::FilledIn: return "filled in";
    case rules::RuleKind::Email: return "e-mail address";
    case rules::RuleKind::DigitSequence: return "digit sequence";
    case rules::RuleKind::NumberValue: return "number value";
    }
    return "";
}

// The proposal from what the field's first tag in the page declares, then from its name.
// kExitOk, or the exit code after the message has been printed.
int proposeFromPage(const SuggestOptions &options, const std::string &path, rules::Proposal &proposal) {
    run::PageScan page;
    if (const int code = readAndScan("suggest", path, options.choose, page); code != kExitOk) {
        return code;
    }
    if (page.bytes.changedSinceRead()) {
        return cannotOpen(path);
    }
    const std::vector<std::string> &fields = page.result.fields;
    const auto field = std::find(fields.begin(), fields.end(), options.field);
    if (field == fields.end()) {
        return refuse(texts::fill(texts::kFieldNotInForm, options.field));
    }
    const rules::FieldMarkup *markup = page.result.markup.find(static_cast<std::size_t>(field - fields.begin()));
    proposal = rules::proposeFor(options.field, markup != nullptr ? *markup : rules::FieldMarkup{});
    return kExitOk;
}

int suggestJson(const rules::Proposal &proposal) {
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
    return emitJson(out);
}

int suggestText(const std::string &field, const rules::Proposal &proposal) {
    std::string out = "Field: " + field + '\n';
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

} // namespace

int runSuggest(const SuggestOptions &options) {
    rules::Proposal proposal = rules::proposeFor(options.field);
    if (options.page) {
        if (const int code = proposeFromPage(options, *options.page, proposal); code != kExitOk) {
            return code;
        }
    }
    return options.json ? suggestJson(proposal) : suggestText(options.field, proposal);
}

} // namespace velmoraine::cli
