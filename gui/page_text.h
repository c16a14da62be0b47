// The one place where bytes become QString and QString becomes bytes.
//
// Page bytes (the page, its field names, rule records, the rewriter's output) are shown with
// the page's own encoding, chosen so that encoding the shown text gives the bytes back
// unchanged. System texts (the core's messages, settings values) are UTF-8; file paths use
// the file system's encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QString>

namespace velmoraine::gui {

enum class LineEnding { CrLf, Lf, Cr };

// How the page's bytes are shown. A page that declares a character set the text codec library
// knows (Shift_JIS, windows-1251, ...) is shown in it when its bytes read in it without a fault
// and give themselves back; otherwise, and for a page that declares none, as UTF-8 when the
// bytes are valid UTF-8, else as windows-1252.
struct PageEncoding {
    enum class Kind { Utf8, Windows1252, Charset };
    Kind kind = Kind::Utf8;
    std::string charset; // Kind::Charset: the character set's name

    static const PageEncoding Utf8;
    static const PageEncoding Windows1252;
    static PageEncoding named(std::string charset) { return {Kind::Charset, std::move(charset)}; }

    bool operator==(const PageEncoding &) const = default;
};

inline const PageEncoding PageEncoding::Utf8{PageEncoding::Kind::Utf8, {}};
inline const PageEncoding PageEncoding::Windows1252{PageEncoding::Kind::Windows1252, {}};

// The page's encoding: its declared character set (charset::declaredCharset) when that reads
// the bytes reversibly; else UTF-8 when the bytes are valid UTF-8 (a byte order mark included),
// else windows-1252.
PageEncoding detectEncoding(std::string_view bytes);

// The bytes as text. In windows-1252 the five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// become the control characters of the same number, so that every byte has a character.
// A zero byte is the character U+0000; a UTF-8 byte order mark stays as U+FEFF.
QString decodePage(std::string_view bytes, const PageEncoding &encoding);

// The text as bytes. For text that decodePage produced, the result is the original bytes.
// A character that windows-1252 or the declared character set cannot hold is written as an
// HTML character reference ("&#12354;"), which a browser shows as that character.
std::string encodePage(QStringView text, const PageEncoding &encoding);

// A character that the page's character set cannot hold, and where it stands.
struct Unencodable {
    char32_t character = 0;
    long long line = 0; // 1-based
};

// The text as bytes, or the first character that the page's declared character set cannot
// hold. Pages without a declared character set encode as encodePage does.
std::optional<std::string> encodePageExactly(QStringView text, const PageEncoding &encoding, Unencodable &unencodable);

// The line ending most of the page's line breaks use: CR LF, a lone LF or a lone CR. CR LF
// wins ties, and a page without line breaks counts as CR LF (the script block's ending).
LineEnding dominantLineEnding(std::string_view bytes);

// "CR LF", "LF" or "CR".
std::string_view lineEndingName(LineEnding ending);

// The text with every line break written as `ending`: CR LF, LF, a lone CR and the paragraph
// separator U+2029 that text boxes use between their lines.
QString withLineEndings(QStringView text, LineEnding ending);

// The message refusing a character that the page's character set cannot hold.
QString unencodableMessage(const Unencodable &unencodable, const PageEncoding &encoding);

// --- System texts and paths ---

// A text of the core (messages, settings values), which is UTF-8.
QString fromSystemText(std::string_view text);
std::string toSystemText(const QString &text);

// A file path as the core takes it, in the file system's encoding, and back.
std::string toNativePath(const QString &path);
QString fromNativePath(std::string_view path);

} // namespace velmoraine::gui
