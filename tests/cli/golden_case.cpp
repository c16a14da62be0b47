#include "golden_case.h"

#include <cstddef>

namespace velmoraine::clitest {

namespace {

// The sections in the order a file holds them; only a page may come more than once.
enum class Section { Args, Settings, Page, Stdout, Stderr, File, End };

std::optional<Section> sectionNamed(std::string_view name) {
    if (name == "args") {
        return Section::Args;
    }
    if (name == "settings") {
        return Section::Settings;
    }
    if (name == "page") {
        return Section::Page;
    }
    if (name == "stdout") {
        return Section::Stdout;
    }
    if (name == "stderr") {
        return Section::Stderr;
    }
    if (name == "file") {
        return Section::File;
    }
    if (name == "end") {
        return Section::End;
    }
    return std::nullopt;
}

[[noreturn]] void refuse(std::size_t lineNumber, const std::string &why) {
    throw GoldenCaseError("line " + std::to_string(lineNumber) + ": " + why);
}

bool isDelimiterLine(std::string_view line) { return line.starts_with("~~~") && !line.starts_with("~~~~"); }

// The lines of `text` without their line breaks; the text ends in a line break.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// Why `name` cannot be a page's file name, or empty when it can.
std::string pageNameProblem(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return "a page needs a file name";
    }
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos ||
        name.find('\r') != std::string_view::npos) {
        return "a page's name is a plain file name, without \"/\"";
    }
    return {};
}

int parseExitCode(std::size_t lineNumber, std::string_view digits) {
    const bool canonical = !digits.empty() && digits.size() <= 3 &&
                           digits.find_first_not_of("0123456789") == std::string_view::npos &&
                           (digits == "0" || digits[0] != '0');
    const int value = canonical ? std::stoi(std::string(digits)) : -1;
    if (value < 0 || value > 255) {
        refuse(lineNumber, "\"exit: N\" takes a number from 0 to 255, written without leading zeros");
    }
    return value;
}

// A body as the file holds it: lines that begin "~~~" get one more "~", then the line break
// that separates the body from the next delimiter line.
std::string bodyLines(std::string_view body) {
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t end = body.find('\n', at);
        const std::string_view line = body.substr(at, end == std::string_view::npos ? end : end - at);
        if (line.starts_with("~~~")) {
            out += '~';
        }
        out += line;
        out += '\n';
        if (end == std::string_view::npos) {
            return out;
        }
        at = end + 1;
    }
}

} // namespace

GoldenCase parseGoldenCase(std::string_view text) {
    if (!text.ends_with('\n')) {
        throw GoldenCaseError("the file must end with the line \"~~~ end\" and its line break");
    }
    const std::vector<std::string_view> lines = splitLines(text);
    GoldenCase golden;

    std::size_t at = 0;
    bool sawExit = false;
    for (; at < lines.size() && !isDelimiterLine(lines[at]); ++at) {
        const std::string_view line = lines[at];
        if (line.starts_with('#') && !sawExit) {
            golden.notes.emplace_back(line);
        } else if (line.starts_with("exit: ") && !sawExit && !golden.notes.empty()) {
            golden.exitCode = parseExitCode(at + 1, line.substr(6));
            sawExit = true;
        } else {
            refuse(at + 1, "the header is comment lines (\"# what the case shows\"), then \"exit: N\", then the "
                           "sections; got \"" +
                               std::string(line) + "\"");
        }
    }
    if (!sawExit) {
        refuse(at + 1, "the header needs at least one comment line and then \"exit: N\"");
    }

    bool sawArgs = false;
    bool sawStdout = false;
    bool sawStderr = false;
    bool ended = false;
    int last = -1;
    while (at < lines.size()) {
        const std::size_t lineNumber = at + 1;
        const std::string_view head = lines[at++];
        if (head.ends_with('\r')) {
            refuse(lineNumber, "the delimiter line ends in a carriage return: the file's own line breaks are LF "
                               "(was it converted on the way?)");
        }
        if (!head.starts_with("~~~ ")) {
            refuse(lineNumber, "a delimiter line is \"~~~ \" and a section name");
        }
        const std::string_view rest = head.substr(4);
        const std::size_t blank = rest.find(' ');
        const std::string_view name = rest.substr(0, blank);
        const std::string_view argument = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        const std::optional<Section> named = sectionNamed(name);
        if (!named) {
            refuse(lineNumber, "unknown section \"" + std::string(name) +
                                   "\" (args, settings, page NAME, stdout, stderr, file PATH or end)");
        }
        const Section section = *named;
        const bool takesArgument = section == Section::Page || section == Section::File;
        if (takesArgument == (blank == std::string_view::npos)) {
            refuse(lineNumber, takesArgument ? "\"~~~ " + std::string(name) + "\" needs a name after a blank"
                                             : "\"~~~ " + std::string(name) + "\" takes nothing after it");
        }
        const int order = static_cast<int>(section);
        if (order < last || (order == last && section != Section::Page)) {
            refuse(lineNumber, "section \"" + std::string(name) +
                                   "\" is out of order or repeated; the order is args, settings, page..., stdout, "
                                   "stderr, file, end");
        }
        last = order;
        if (section == Section::End) {
            if (at != lines.size()) {
                refuse(at + 1, "nothing may follow \"~~~ end\"");
            }
            ended = true;
            break;
        }

        const std::size_t first = at;
        while (at < lines.size() && !isDelimiterLine(lines[at])) {
            ++at;
        }
        if (at == lines.size()) {
            refuse(lineNumber, "the section runs to the end of the file; the last line must be \"~~~ end\"");
        }
        if (at == first) {
            refuse(lineNumber, "the section has no body line; an empty body is written as one empty line");
        }
        std::string body;
        for (std::size_t i = first; i < at; ++i) {
            if (i > first) {
                body += '\n';
            }
            std::string_view line = lines[i];
            if (line.starts_with("~~~~")) {
                line.remove_prefix(1);
            }
            body += line;
        }

        switch (section) {
        case Section::Args:
            if (!body.empty() && !body.ends_with('\n')) {
                refuse(at, "every argument is one line, ending in a line break; so the body of \"~~~ args\" ends "
                           "in an empty line");
            }
            for (std::size_t from = 0; from < body.size();) {
                const std::size_t end = body.find('\n', from);
                golden.args.push_back(body.substr(from, end - from));
                from = end + 1;
            }
            sawArgs = true;
            break;
        case Section::Settings: golden.settings = body; break;
        case Section::Page: {
            const std::string problem = pageNameProblem(argument);
            if (!problem.empty()) {
                refuse(lineNumber, problem);
            }
            for (const GoldenPage &page : golden.pages) {
                if (page.name == argument) {
                    refuse(lineNumber, "a second page named \"" + page.name + "\"");
                }
            }
            golden.pages.push_back({std::string(argument), body});
            break;
        }
        case Section::Stdout:
            golden.out = body;
            sawStdout = true;
            break;
        case Section::Stderr:
            golden.err = body;
            sawStderr = true;
            break;
        case Section::File:
            if (argument.empty()) {
                refuse(lineNumber, "\"~~~ file\" needs the file's path after a blank");
            }
            golden.filePath = std::string(argument);
            golden.file = body;
            break;
        case Section::End: break;
        }
    }
    if (!ended) {
        refuse(lines.size(), "the last line must be \"~~~ end\"");
    }
    if (!sawArgs || !sawStdout || !sawStderr) {
        refuse(lines.size(), "a case needs the sections args, stdout and stderr (an empty one is one empty line)");
    }
    return golden;
}

std::string writeGoldenCase(const GoldenCase &golden) {
    if (golden.notes.empty()) {
        throw GoldenCaseError("a case needs at least one comment line saying what it shows");
    }
    std::string text;
    for (const std::string &note : golden.notes) {
        if (!note.starts_with('#') || note.find('\n') != std::string::npos) {
            throw GoldenCaseError("a comment line begins \"#\" and is one line: \"" + note + "\"");
        }
        text += note + '\n';
    }
    text += "exit: " + std::to_string(golden.exitCode) + '\n';

    std::string args;
    for (const std::string &arg : golden.args) {
        if (arg.find('\n') != std::string::npos) {
            throw GoldenCaseError("an argument with a line break cannot be written one per line");
        }
        args += arg + '\n';
    }
    text += "~~~ args\n" + bodyLines(args);
    if (golden.settings) {
        text += "~~~ settings\n" + bodyLines(*golden.settings);
    }
    for (const GoldenPage &page : golden.pages) {
        const std::string problem = pageNameProblem(page.name);
        if (!problem.empty()) {
            throw GoldenCaseError(problem + ": \"" + page.name + "\"");
        }
        text += "~~~ page " + page.name + '\n' + bodyLines(page.bytes);
    }
    text += "~~~ stdout\n" + bodyLines(golden.out);
    text += "~~~ stderr\n" + bodyLines(golden.err);
    if (golden.filePath) {
        if (golden.filePath->empty() || golden.filePath->find_first_of("\r\n") != std::string::npos) {
            throw GoldenCaseError("a file's path is one line, not empty");
        }
        text += "~~~ file " + *golden.filePath + '\n' + bodyLines(golden.file);
    }
    text += "~~~ end\n";
    return text;
}

} // namespace velmoraine::clitest
