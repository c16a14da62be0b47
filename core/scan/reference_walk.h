// The scan as it reads: form numbering and the field walk written plainly, one search at a
// time. The fast paths in form_scanner.cpp (wide searches, the second thread, the hash table)
// must give exactly these answers on every page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::scan::reference {

// Positions of the form tags in form count order: every "<form " from the start of the page,
// then every "<FORM " from the start of the page, then every other "<form" in any case that is
// followed by a blank, a tab, a line break, a form feed, "/" or ">", from the start of the page.
std::vector<std::size_t> formTagPositions(std::string_view page);

// Position of form `number` (1-based) in form count order, or npos.
std::size_t findFormTag(std::string_view page, int number);

// The field names of the form whose tag is at `at`, in page order, each once: the form's text
// runs to the first closing tag of its own spelling ("</form" after "<form ", "</FORM" after
// "<FORM ", "</form" in any case after any other form tag). Every "<" in it is looked at in turn: "<!-" skips to the
// next "->"; a closing
// "</form" in any case ends the walk; an <input>, <select> or <textarea> with a name
// attribute is a field, except an input whose type is submit, image, reset, button, hidden,
// checkbox or radio.
std::vector<std::string> fieldsOfForm(std::string_view page, std::size_t at);

// The fields of form `number`, or none when the page has no such form.
std::vector<std::string> listFields(std::string_view page, int number);

} // namespace velmoraine::scan::reference
