// Reads what a field's tag declares about the values it takes (type, required, length and
// value limits, a digit pattern, the input mode) for the proposals made from the markup.
#pragma once

#include <string_view>

#include "core/rules/field_markup.h"

namespace velmoraine::scan {

// The declared attributes of one tag's text (from its "<" up to its ">", not included), in one
// pass. An attribute is a word that stands after a blank and equals its name in any case
// (type, TYPE, minLength), followed by "=" (blanks allowed around it) or, for `required`, by a
// blank, "=", "/" or the tag's end; its first such occurrence decides. Values are read like
// the scan reads names (double quotes, single quotes or up to a blank) and kept only when they
// are what the attribute takes; one of more than 64 bytes is not. Linear in the tag's length.
rules::FieldMarkup readTagMarkup(std::string_view tag);

} // namespace velmoraine::scan
