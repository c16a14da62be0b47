// The edits of a form's field tags: the HTML attributes that stop bad values when scripts cannot
// run, written and taken out again, and the earlier tool's checks taken out of the event
// handlers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/needle_places.h"

namespace velmoraine::rewrite {

// The attribute that lists the attributes a run wrote on a field, so the next run can take
// them out again.
inline constexpr std::string_view kWrittenAttribute = "data-velmoraine";

enum class Html5Fallback { Off, On };

// What a field tag's edit changes: the attributes the fallback setting writes (and takes out),
// or only the checks of an earlier tool in its event handlers.
enum class TagChange { Attributes, EarlierChecks };

// A replacement of the page bytes [start, end) by `text`.
struct TagEdit {
    std::size_t start = 0;
    std::size_t end = 0;
    std::string text;
    TagChange change = TagChange::Attributes;
};

using Attributes = std::vector<std::pair<std::string, std::string>>; // name, value ("" bare)

// The attributes that keep back the values the rule of `record` refuses when no script runs:
// never stricter than the rule, so a value the script accepts is never refused by them. `tag`
// is the field's tag text ("<input ...>"); an attribute the tag already has is not repeated.
Attributes fallbackAttributes(std::string_view record, std::string_view tag);

// The edits to the field tags of the form whose opening tag ends at `formTagClose` (its ">"),
// up to the form's closing tag: attributes listed by an earlier run are taken out, and with
// Html5Fallback::On every field with a rule gets its fallbackAttributes, listed in
// kWrittenAttribute. With `legacyFields` (the fields whose rules came from an earlier tool; null
// or empty: none), the event handlers of the form's inputs, selects, textareas and buttons lose
// their MM_validateForm calls (withoutValidateCalls): all of them on a field named there, those
// naming only such fields on any other; a handler left blank goes with one blank before it.
// In page order, one edit a tag, none overlapping; linear in the form's size. `places`, when
// they hold kWrittenAttribute, answer whether the page has it at all without a search.
std::vector<TagEdit> fallbackEdits(std::string_view page, std::size_t formTagClose,
                                   const std::vector<std::string> &records, Html5Fallback mode,
                                   const std::vector<std::string> *legacyFields = nullptr,
                                   const bytes::NeedlePlaces *places = nullptr);

} // namespace velmoraine::rewrite
