// One golden case, read from and written to its file tests/cli/golden/NAME.case.
//
// A case file is a few header lines, then sections, each introduced by a delimiter line:
//
//   # What the case shows, in one or more comment lines.
//   exit: 3
//   ~~~ args
//   scan
//   --json
//   missing.htm
//
//   ~~~ stdout
//
//   ~~~ stderr
//   Cannot open file missing.htm
//
//   ~~~ end
//
// Header: at least one comment line (beginning "#"), then "exit: N", the exit code expected.
// Sections, in this order:
//   ~~~ args         the arguments, one per line, each ending in a line break (run in pages/)
//   ~~~ settings     optional: the text of velmoraine.ini; without it there is no settings file
//   ~~~ page NAME    optional, repeated: a page of this case alone, written into the run folder
//   ~~~ stdout       the bytes expected on stdout
//   ~~~ stderr       the bytes expected on stderr, without the "Warning: " lines
//   ~~~ file PATH    optional: a file the run writes ("{tmp}/out.htm") and its expected bytes
//   ~~~ end          the last line of the file; nothing may follow it
//
// Bytes: a section's body is every byte from the line after its delimiter line up to the next
// delimiter line, less the one line break just before that delimiter line, which separates the
// two and is not part of the body. So an empty body is one empty line, and a body that ends in
// a line break shows an empty line before the next delimiter. Nothing else is converted: CR
// bytes, zero bytes and bytes that are not UTF-8 are the body's own.
//
// Delimiters: a line that begins "~~~" followed by anything but "~" is a delimiter line. A body
// line that begins "~~~" is written with one more "~" in front, and a line that begins "~~~~"
// is read with its first "~" removed, so no body can be taken for a delimiter.
//
// Anything else is refused with GoldenCaseError, whose message names the line.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::clitest {

class GoldenCaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct GoldenPage {
    std::string name;  // a plain file name, written into the run folder
    std::string bytes; // the page as it is
};

struct GoldenCase {
    std::vector<std::string> notes; // the comment lines, "#" included, without the line break
    int exitCode = 0;
    std::vector<std::string> args;       // "{tmp}" stands for a fresh folder
    std::optional<std::string> settings; // the text of velmoraine.ini
    std::vector<GoldenPage> pages;       // this case's own pages
    std::string out;                     // expected stdout
    std::string err;                     // expected stderr, without the "Warning: " lines
    std::optional<std::string> filePath; // a file the run writes, "{tmp}" as in the arguments
    std::string file;                    // the expected bytes of that file
};

// Reads a case file; throws GoldenCaseError when it is not one.
GoldenCase parseGoldenCase(std::string_view text);

// Writes the file that parseGoldenCase reads back as `golden`; throws GoldenCaseError for what
// a file cannot hold (an argument with a line break, an empty page name).
std::string writeGoldenCase(const GoldenCase &golden);

} // namespace velmoraine::clitest
