// Rules proposed from a field's name, and the three digit-sequence presets.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/rules/rule_record.h"

namespace velmoraine::rules {

struct SequenceValues {
    std::string seqMin;
    std::string seqMax;
    std::string punct;
};

struct Proposal {
    RuleKind kind = RuleKind::FilledIn;
    std::string message;
    std::optional<SequenceValues> sequence; // the phone, zip and date rows only
    // Boxes that a proposal from the page's markup fills; the name table leaves them unset, so
    // the boxes keep what they hold.
    std::optional<std::string> minChars = std::nullopt; // fewest characters
    std::optional<std::string> maxChars = std::nullopt; // most characters
    std::optional<std::string> numMin = std::nullopt;   // least value
    std::optional<std::string> numMax = std::nullopt;   // greatest value
    std::optional<bool> blankAllowed = std::nullopt;    // the field may be left empty
};

enum class Preset { Phone, Zip, Date };

// The first row of the suggestion table whose words occur in the lower-cased name.
Proposal proposeFor(std::string_view field);

// A preset: digit-sequence kind, its message and values.
Proposal preset(Preset which);

// Applies a proposal to editor settings as the editor does: the kind, the message and, for
// the sequence rows, the three sequence boxes, and the boxes a markup proposal fills. Other
// boxes keep their values.
void applyProposal(const Proposal &proposal, RuleSettings &settings);

// The message a kind's option button writes when it becomes selected; empty optional when
// it writes nothing (no field selected, except for e-mail).
std::optional<std::string> kindMessage(RuleKind kind, std::optional<std::string_view> selectedField);

} // namespace velmoraine::rules
