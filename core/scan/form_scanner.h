// The page scan: numbers a page's forms, lets a chooser pick one when there are several,
// restores stored rules, and lists the chosen form's field names. Works on the page bytes;
// every search is a plain substring search, and the whole scan is linear in the page size.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/field_markup.h"
#include "core/rules/rule_list.h"
#include "core/scan/legacy_rules.h"

namespace velmoraine::scan {

// Positions of the form tags in form count order: every "<form " in page order, then every
// "<FORM " in page order, then every other "<form" in any case followed by a blank, a tab, a
// line break, a form feed, "/" or ">" ("<form>", "<Form ", "<form" and a line break), in page
// order. Pages whose tags are all of the first two spellings keep the numbering they always had.
std::vector<std::size_t> formTagPositions(std::string_view page);

// Position of form `number` (1-based) in form count order, or npos.
std::size_t findFormTag(std::string_view page, int number);

// The tag texts the chooser lists, in form count order, each from "<" to its ">" inclusive;
// tags without a ">" are passed over. All of them, not only the first three.
std::vector<std::string> chooserTagTexts(std::string_view page);

// Asked when the page has several forms, with the chooser's tag texts; returns the chosen
// form number (the window's chooser returns 1, 2 or 3).
using Chooser = std::function<int(const std::vector<std::string> &tagTexts)>;

using rules::MarkupByField;

// The fields of one form: distinct names in page order of first occurrence, and their markup
// by their places in `names`.
struct FormFields {
    std::vector<std::string> names;
    MarkupByField markup;
};

struct ScanResult {
    bool formFound = false;    // false: the no-form message applies, everything else empty
    bool severalForms = false; // the chooser was asked
    int chosenForm = 1;
    // The chooser's tag texts, exactly as chooserTagTexts gives them, filled whenever a form
    // was found (whether or not the chooser was asked), so that no caller reads the page again.
    std::vector<std::string> tagTexts;
    std::vector<std::string> fields; // distinct names, page order of first occurrence
    MarkupByField markup;            // what the fields' first tags declare
    rules::RuleList rules;           // restored from the page's stored rule line
    LegacyRules legacy;              // what earlier tools left for the chosen form's fields
};

// Scans the page. `chooser` is called only when the page has several forms, and always on
// the calling thread; on a page of some megabytes the first form's fields are meanwhile listed
// on a second thread, which has ended when the scan returns.
ScanResult scanPage(std::string_view page, const Chooser &chooser);

// The refusal message for a page saved as UTF-16 or UTF-32 (it starts with that encoding's
// byte order mark), whose tags no byte search can find; nullopt for any other page.
std::optional<std::string> unsupportedEncoding(std::string_view page);

// The field names of form `chosenForm` (the walk of its tags), distinct, in page order.
std::vector<std::string> listFields(std::string_view page, int chosenForm);

// The same fields with what their first tags declare.
FormFields listFieldsWithMarkup(std::string_view page, int chosenForm);

} // namespace velmoraine::scan
