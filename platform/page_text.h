// The one place where bytes become QString and QString becomes bytes.
//
// Page bytes (the page, its field names, rule records, the rewriter's output) are shown with
// the page's own encoding, chosen so that encoding the shown text gives the bytes back
// unchanged. System texts (the core's messages, settings values) are UTF-8; file paths use
// the file system's encoding.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace velmoraine::platform {

enum class PageEncoding { Utf8, Windows1252 };
enum class LineEnding { CrLf, Lf, Cr };

// UTF-8 when the bytes are valid UTF-8 (a byte order mark included), else windows-1252.
PageEncoding detectEncoding(std::string_view bytes);

// The bytes as text. In windows-1252 the five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the control characters of the same number, so that every byte has a character.
// A zero byte is the character U+0000; a UTF-8 byte order mark stays as U+FEFF.
QString decodePage(std::string_view bytes, PageEncoding encoding);

// The text as bytes. For text that decodePage produced, the result is the original bytes.
// A character that windows-1252 cannot hold is written as an HTML character reference
// ("&#12354;"), which a browser shows as that character.
std::string encodePage(QStringView text, PageEncoding encoding);

// The line ending most of the page's line breaks use: CR LF, a lone LF or a lone CR. CR LF
// wins ties, and a page without line breaks counts as CR LF (the script block's ending).
LineEnding dominantLineEnding(std::string_view bytes);

// The text with every line break written as `ending`: CR LF, LF, a lone CR and the paragraph
// separator U+2029 that text boxes use between their lines.
QString withLineEndings(QStringView text, LineEnding ending);

// --- System texts and paths ---

// A text of the core (messages, settings values), which is UTF-8.
QString fromSystemText(std::string_view text);
std::string toSystemText(const QString &text);

// A file path as the core takes it, in the file system's encoding, and back.
std::string toNativePath(const QString &path);
QString fromNativePath(std::string_view path);

} // namespace velmoraine::platform
