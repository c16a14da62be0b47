#include "core/base/profile.h"

#include "core/base/bytes.h"
#include "core/base/files.h"
#include "core/base/platform_files.h"
#include "core/base/texts.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace velmoraine::profile {

namespace {

// ---------------------------------------------------------------------------------------
// Lines of a profile file
// ---------------------------------------------------------------------------------------

// One line of the text: [begin, contentEnd) is its text without the line break,
// [contentEnd, end) the line break itself ("\n", "\r\n", or nothing on the last line).
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
};

enum class LineKind { Other, Section, Key };

// What a line says: a section header with its name, a key line with its key and the place
// of its value, or anything else (comments, blank lines, text without "=").
struct LineMeaning {
    LineKind kind = LineKind::Other;
    std::string_view name;      // section name or key, trimmed
    std::size_t valueBegin = 0; // key lines: the trimmed value, as offsets into the text
    std::size_t valueEnd = 0;
    std::size_t rawBegin = 0; // key lines: everything after "=" up to the line break
    std::size_t rawEnd = 0;
};

bool isBlank(char c) noexcept { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) noexcept {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

Line lineAt(std::string_view text, std::size_t begin) noexcept {
    Line line;
    line.begin = begin;
    const auto feed = text.find('\n', begin);
    line.end = feed == std::string_view::npos ? text.size() : feed + 1;
    line.contentEnd = feed == std::string_view::npos ? text.size() : feed;
    if (line.contentEnd > begin && text[line.contentEnd - 1] == '\r') {
        --line.contentEnd;
    }
    return line;
}

LineMeaning readLine(std::string_view text, const Line &line) noexcept {
    LineMeaning meaning;
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    const std::string_view trimmed = trimBlanks(content);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
        return meaning;
    }
    if (trimmed.front() == '[') {
        const auto close = trimmed.find(']');
        if (close != std::string_view::npos) {
            meaning.kind = LineKind::Section;
            meaning.name = trimBlanks(trimmed.substr(1, close - 1));
        }
        return meaning;
    }
    const auto equals = content.find('=');
    if (equals == std::string_view::npos) {
        return meaning;
    }
    meaning.kind = LineKind::Key;
    meaning.name = trimBlanks(content.substr(0, equals));
    // An empty value sits at the end of the line, after any blanks that follow "=".
    std::size_t valueBegin = equals + 1;
    while (valueBegin < content.size() && isBlank(content[valueBegin])) {
        ++valueBegin;
    }
    std::size_t valueEnd = content.size();
    while (valueEnd > valueBegin && isBlank(content[valueEnd - 1])) {
        --valueEnd;
    }
    meaning.valueBegin = line.begin + valueBegin;
    meaning.valueEnd = line.begin + valueEnd;
    meaning.rawBegin = line.begin + equals + 1;
    meaning.rawEnd = line.begin + content.size();
    return meaning;
}

// Where a key stands in the text, found in one pass. Only the first section of the wanted
// name is searched, and its first key of the wanted name counts.
struct KeySearch {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0; // keyFound: the value's place, trimmed
    std::size_t valueEnd = 0;
    std::size_t rawBegin = 0; // keyFound: everything after "=" up to the line break
    std::size_t rawEnd = 0;
    std::size_t afterLastKey = 0; // sectionFound: end of the section's last key line, or of its header
    bool afterLastKeyHasBreak = true;
};

KeySearch searchKey(std::string_view text, std::string_view section, std::string_view key) noexcept {
    KeySearch found;
    // States: before the wanted section (inSection false, sectionFound false), inside it
    // (inSection true); reaching the next section header after it ends the search.
    bool inSection = false;
    for (std::size_t at = 0; at < text.size();) {
        const Line line = lineAt(text, at);
        at = line.end;
        const LineMeaning meaning = readLine(text, line);
        if (meaning.kind == LineKind::Section) {
            if (inSection) {
                break;
            }
            if (bytes::equalsNoCase(meaning.name, section)) {
                inSection = true;
                found.sectionFound = true;
                found.afterLastKey = line.end;
                found.afterLastKeyHasBreak = line.end > line.begin && text[line.end - 1] == '\n';
            }
            continue;
        }
        if (!inSection || meaning.kind != LineKind::Key) {
            continue;
        }
        if (bytes::equalsNoCase(meaning.name, key)) {
            found.keyFound = true;
            found.valueBegin = meaning.valueBegin;
            found.valueEnd = meaning.valueEnd;
            found.rawBegin = meaning.rawBegin;
            found.rawEnd = meaning.rawEnd;
            break;
        }
        found.afterLastKey = line.end;
        found.afterLastKeyHasBreak = line.end > line.begin && text[line.end - 1] == '\n';
    }
    return found;
}

// The file's line break: CR LF when its first line ends that way, LF otherwise.
std::string_view lineBreakOf(std::string_view text) noexcept {
    const auto feed = text.find('\n');
    if (feed != std::string_view::npos && feed > 0 && text[feed - 1] == '\r') {
        return "\r\n";
    }
    return "\n";
}

// ---------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------

// Creates the folder that will hold `path`, with any missing parents. True when it exists.
bool makeFolderFor(const std::string &path) {
    const auto slash = files::platform::lastSeparator(path);
    if (slash == std::string::npos || slash == 0) {
        return true;
    }
    const std::string folder = path.substr(0, slash);
    for (std::size_t next = 1;; ++next) {
        next = std::min(folder.size(), next);
        while (next < folder.size() && !files::platform::isPathSeparator(folder[next])) {
            ++next;
        }
        const std::string part = folder.substr(0, next);
        // Settings are the user's own: a folder we create is for the user alone. A drive's
        // name ("C:") is no folder to make.
        const bool drive = part.size() == 2 && part[1] == ':';
        if (!drive && !files::platform::makeFolder(part) && errno != EEXIST) {
            return false;
        }
        if (next == folder.size()) {
            break;
        }
    }
    const auto status = files::platform::statusOf(folder);
    return status && status->kind == files::platform::FileKind::Folder;
}

// A profile line holds one name or value: no line breaks, no "=" in a key, no "]" in a
// section name, else the file would read back differently.
bool storable(std::string_view section, std::string_view key, std::string_view value) noexcept {
    const auto hasBreak = [](std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; };
    return !hasBreak(section) && !hasBreak(key) && !hasBreak(value) && section.find(']') == std::string_view::npos &&
           key.find('=') == std::string_view::npos && !trimBlanks(key).empty();
}

} // namespace

// ---------------------------------------------------------------------------------------
// Text level
// ---------------------------------------------------------------------------------------

namespace {

// A UTF-8 byte order mark that an editor put at the start of the file is not part of the
// first line.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

std::string_view withoutMark(std::string_view text) {
    return text.substr(0, kUtf8Mark.size()) == kUtf8Mark ? text.substr(kUtf8Mark.size()) : text;
}

// True for a file saved with two or four bytes a character (a UTF-16 or UTF-32 mark).
bool wideText(std::string_view text) {
    return text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF" ||
           text.substr(0, 4) == std::string_view("\0\0\xFE\xFF", 4);
}

} // namespace

std::optional<std::string> findValue(std::string_view text, std::string_view section, std::string_view key) {
    text = withoutMark(text);
    const KeySearch found = searchKey(text, section, key);
    if (!found.keyFound) {
        return std::nullopt;
    }
    return std::string(text.substr(found.valueBegin, found.valueEnd - found.valueBegin));
}

std::string withValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    // The mark stays where it was.
    const std::string_view marked = text;
    text = withoutMark(text);
    out.append(marked.substr(0, marked.size() - text.size()));
    const KeySearch found = searchKey(text, section, key);
    const std::string_view lineBreak = lineBreakOf(text);

    if (found.keyFound) {
        // The whole old value after "=" goes, blanks included, so that a value stored with a
        // leading or trailing blank is replaced rather than added to. The key, its spacing and
        // the line break stay as they were.
        out.append(text.substr(0, found.rawBegin));
        out.append(value);
        out.append(text.substr(found.rawEnd));
        return out;
    }
    if (found.sectionFound) {
        out.append(text.substr(0, found.afterLastKey));
        if (!found.afterLastKeyHasBreak) {
            // A last line ended by a lone carriage return only lacks its line feed.
            out.append(!out.empty() && out.back() == '\r' ? std::string_view("\n") : lineBreak);
        }
        out.append(key).append("=").append(value);
        if (found.afterLastKeyHasBreak) {
            out.append(lineBreak);
        }
        out.append(text.substr(found.afterLastKey));
        return out;
    }
    out.append(text);
    if (!text.empty() && text.back() != '\n') {
        out.append(text.back() == '\r' ? std::string_view("\n") : lineBreak);
    }
    out.append("[").append(section).append("]").append(lineBreak);
    out.append(key).append("=").append(value).append(lineBreak);
    return out;
}

// ---------------------------------------------------------------------------------------
// File level
// ---------------------------------------------------------------------------------------

std::string resolveProfilePath(std::string_view name) {
    if (files::platform::lastSeparator(name) != std::string_view::npos) {
        return std::string(name);
    }
    return files::platform::settingsFolder().append("/").append(name);
}

std::string getString(std::string_view section, std::string_view key, std::string_view defaultValue, std::size_t size,
                      std::string_view file) {
    if (size == 0) {
        return {};
    }
    std::string result;
    const auto text = files::readWholeFile(resolveProfilePath(file));
    if (text) {
        if (auto value = findValue(*text, section, key)) {
            result = std::move(*value);
        } else {
            result = defaultValue;
        }
    } else {
        result = defaultValue;
    }
    if (result.size() > size - 1) {
        result.resize(size - 1);
    }
    return result;
}

int getInt(std::string_view section, std::string_view key, int defaultValue, std::string_view file) {
    const auto text = files::readWholeFile(resolveProfilePath(file));
    if (!text) {
        return defaultValue;
    }
    const auto value = findValue(*text, section, key);
    // An empty value counts as missing, as the profile service has always read it.
    if (!value || value->empty()) {
        return defaultValue;
    }
    return bytes::readIntLikeScanf(*value);
}

bool flush(std::string_view file) { return writeString(std::nullopt, std::nullopt, std::nullopt, file); }

bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value, std::string_view file) {
    if (!section && !key && !value) {
        return true; // a flush: nothing is ever held back
    }
    // Deleting a key or a whole section is not something the program does.
    if (!section || !key || !value || !storable(*section, *key, *value)) {
        return false;
    }
    const std::string path = resolveProfilePath(file);
    std::string text;
    if (auto existing = files::readWholeFile(path)) {
        text = std::move(*existing);
    } else {
        // Only a file that is really missing starts empty: one that exists but cannot be read
        // must not be overwritten.
        if (files::platform::statusOf(path) || errno != ENOENT) {
            return false;
        }
        if (!makeFolderFor(path)) {
            return false;
        }
    }
    return static_cast<bool>(files::writeFileAtomically(path, withValue(text, *section, *key, *value)));
}

std::optional<std::string> problemWith(std::string_view file) {
    const std::string path = resolveProfilePath(file);
    const std::string intro = texts::fill(texts::kSettingsUnreadable, path);
    const auto status = files::platform::statusOf(path);
    if (!status) {
        return errno == ENOENT ? std::nullopt : std::optional<std::string>(intro + files::systemReason(errno) + ".");
    }
    if (status->kind == files::platform::FileKind::Folder) {
        return intro + std::string(texts::kSettingsIsFolderReason);
    }
    files::platform::FileStatus opened;
    const files::platform::File profileFile = files::platform::openRegularFile(path, opened);
    if (!profileFile.valid()) {
        // A device or a pipe is read as an empty profile.
        return status->kind != files::platform::FileKind::Regular
                   ? std::nullopt
                   : std::optional<std::string>(intro + files::systemReason(errno) + ".");
    }
    char start[4] = {};
    const long long got = files::platform::readFully(profileFile, start, sizeof start);
    if (got > 0 && wideText(std::string_view(start, static_cast<std::size_t>(got)))) {
        return intro + std::string(texts::kSettingsWideReason);
    }
    return std::nullopt;
}

} // namespace velmoraine::profile
