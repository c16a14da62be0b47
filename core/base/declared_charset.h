// The character set a page declares for itself, found by byte searches alone.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::charset {

// The page's declared character set, as the page writes its name: "UTF-8", "UTF-16LE" or
// "UTF-16BE" for a byte order mark; otherwise the value of the first "charset" inside a
// "<meta" tag (either "<meta charset=...>" or the "content" of an http-equiv Content-Type
// line) before the page's "<body". Empty when the page declares none. Linear in the page size.
std::string declaredCharset(std::string_view page);

// The name under which browsers read a declared label: the Latin-1 family ("iso-8859-1",
// "latin1", "us-ascii", ...) reads as "windows-1252", and "utf8" as "UTF-8"; any other label
// is returned as given.
std::string browserCharsetName(std::string_view label);

// True for a name browsers read as UTF-8.
bool isUtf8Name(std::string_view name);

} // namespace velmoraine::charset
