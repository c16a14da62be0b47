#include "core/rules/proposals.h"

#include <array>

#include "core/base/bytes.h"
#include "core/base/texts.h"

namespace velmoraine::rules {

namespace {

using namespace texts;

Proposal sequenceProposal(std::string_view message, std::string_view seqMin, std::string_view seqMax,
                          std::string_view punct) {
    return Proposal{RuleKind::DigitSequence, std::string(message),
                    SequenceValues{std::string(seqMin), std::string(seqMax), std::string(punct)}};
}

bool holdsAny(std::string_view lowered, std::initializer_list<std::string_view> words) {
    for (std::string_view word : words) {
        if (lowered.find(word) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

Proposal preset(Preset which) {
    switch (which) {
    case Preset::Zip: return sequenceProposal(kZipPresetMessage, "5", "9", "-");
    case Preset::Phone: return sequenceProposal(kPhonePresetMessage, "10", "10", " ()-+");
    case Preset::Date: return sequenceProposal(kDatePresetMessage, "6", "6", "-/");
    }
    return {};
}

Proposal proposeFor(std::string_view field) {
    const std::string lowered = bytes::lowerAsciiCopy(field);
    if (holdsAny(lowered, {"email", "e-mail", "e_mail"})) {
        return Proposal{RuleKind::Email, std::string(kEmailProposal), std::nullopt};
    }
    if (holdsAny(lowered, {"zip"})) {
        return preset(Preset::Zip);
    }
    if (holdsAny(lowered, {"fax", "phone"})) {
        return preset(Preset::Phone);
    }
    if (holdsAny(lowered, {"date"})) {
        return preset(Preset::Date);
    }
    if (holdsAny(lowered, {"num", "quant", "qty", "age", "price"})) {
        return Proposal{RuleKind::NumberValue, fill(kNumberProposal, field), std::nullopt};
    }
    return Proposal{RuleKind::FilledIn, fill(kFilledInMessage, field), std::nullopt};
}

void applyProposal(const Proposal &proposal, RuleSettings &settings) {
    settings.kind = proposal.kind;
    settings.message = proposal.message;
    if (proposal.sequence) {
        settings.seqMin = proposal.sequence->seqMin;
        settings.seqMax = proposal.sequence->seqMax;
        settings.punct = proposal.sequence->punct;
    }
    const auto fillBox = [](const std::optional<std::string> &value, std::string &box) {
        if (value) {
            box = *value;
        }
    };
    fillBox(proposal.minChars, settings.minChars);
    fillBox(proposal.maxChars, settings.maxChars);
    fillBox(proposal.numMin, settings.numMin);
    fillBox(proposal.numMax, settings.numMax);
    if (proposal.blankAllowed) {
        settings.blankAllowed = *proposal.blankAllowed;
    }
}

std::optional<std::string> kindMessage(RuleKind kind, std::optional<std::string_view> selectedField) {
    if (kind == RuleKind::Email) {
        return std::string(kEmailKindMessage);
    }
    if (!selectedField) {
        return std::nullopt;
    }
    switch (kind) {
    case RuleKind::FilledIn: return fill(kFilledInMessage, *selectedField);
    case RuleKind::DigitSequence: return fill(kSequenceKindMessage, *selectedField);
    case RuleKind::NumberValue: return fill(kNumberKindMessage, *selectedField);
    case RuleKind::Email: break;
    }
    return std::nullopt;
}

} // namespace velmoraine::rules
