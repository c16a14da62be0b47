// Which language a form's visitors read the checks' texts in: the nearest lang of the form
// (its own, an ancestor's, the page's <html lang>), as the script in the page finds it.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmoraine::scan {

// The languages the script model speaks, by their codes; English is the one used otherwise.
inline constexpr std::array<std::string_view, 11> kVisitorLanguages = {"en", "es", "de", "fr", "ja", "ru",
                                                                       "pt", "it", "nl", "pl", "ar"};

// The offered language a lang value names: its language part in any case ("pt-BR" and "PT"
// give "pt"), or nullopt when that language is not offered (the texts are then English).
std::optional<std::string_view> offeredLanguage(std::string_view lang);

struct FormLanguage {
    std::optional<std::string> declared; // the nearest lang as written; nullopt: none at all
    std::string_view inEffect = "en";    // the language the visitors' texts are in
};

// The language of the form whose tag starts at `formTagStart`. The tags before it are read
// once, as a browser nests them (comments, scripts and styles passed over, end tags closing
// what they match, elements without content never open, "/>" closing nothing), so the walk is linear in the page.
FormLanguage formLanguage(std::string_view page, std::size_t formTagStart);

} // namespace velmoraine::scan
