#include "gui/page_text.h"

#include "core/base/declared_charset.h"
#include "core/base/texts.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <array>
#include <cctype>
#include <climits>
#include <utility>

#include <windows.h>
#endif

namespace velmoraine::gui {

namespace {

constexpr char16_t kParagraphSeparator = u'\u2029';

QByteArray asByteArray(std::string_view bytes) {
    return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

#ifndef Q_OS_WIN

// Qt's windows-1252 (its ICU support, which the program needs) reads each of the five bytes the
// code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) as the C1 control of the same
// number, so that every byte has a character and every such character its byte.
constexpr const char *kWindows1252 = "windows-1252";

QString decodeWindows1252(std::string_view bytes) {
    QStringDecoder decoder(kWindows1252, QStringDecoder::Flag::Stateless);
    Q_ASSERT(decoder.isValid());
    return decoder.decode(asByteArray(bytes));
}

// One byte for each character; a character the code page lacks is written as a character
// reference. The codec flags such a character, except U+FEFF, which it leaves out unflagged:
// a text with fewer bytes than characters is walked one character at a time as well.
std::string encodeWindows1252(QStringView text) {
    QStringEncoder encoder(kWindows1252, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError() && bytes.size() == text.size()) {
        return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    // A codec keeps its error flag, and one moved no longer counts its errors: after each
    // character it flags, a new one is made in its place for the characters after.
    std::optional<QStringEncoder> byCharacter(std::in_place, kWindows1252, QStringEncoder::Flag::Stateless);
    // A lone surrogate is U+FFFD here; the code page holds nothing past U+FFFF.
    for (const char32_t c : text.toUcs4()) {
        if (c <= 0xFFFF) {
            const auto unit = static_cast<char16_t>(c);
            const QByteArray byte = byCharacter->encode(QStringView(&unit, 1));
            if (!byCharacter->hasError() && byte.size() == 1) {
                out.push_back(byte[0]);
                continue;
            }
            byCharacter.emplace(kWindows1252, QStringEncoder::Flag::Stateless);
        }
        out.append("&#").append(std::to_string(static_cast<unsigned long>(c))).push_back(';');
    }
    return out;
}

#else

// Qt without ICU has no windows-1252, and the system's code page 1252 leaves the reading of its
// five unassigned bytes to the Windows version. The code page is small enough to be written
// out: bytes 0x80 to 0x9F as below, the five unassigned ones (0x81, 0x8D, 0x8F, 0x90, 0x9D) as
// the C1 control of the same number, every other byte as the Latin-1 character of its number;
// so every byte has a character and every such character its byte, as on Linux.
constexpr std::array<char16_t, 32> kWindows1252High = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

QString decodeWindows1252(std::string_view bytes) {
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = QChar(value >= 0x80 && value < 0xA0 ? kWindows1252High[value - 0x80] : char16_t(value));
    }
    return text;
}

// The byte of one character, or nothing when the code page lacks it.
std::optional<char> windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    for (std::size_t i = 0; i < kWindows1252High.size(); ++i) {
        if (kWindows1252High[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

// One byte for each character; a character the code page lacks (a lone surrogate counts as
// U+FFFD) is written as a character reference.
std::string encodeWindows1252(QStringView text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t c : text.toUcs4()) {
        if (const std::optional<char> byte = windows1252Byte(c)) {
            out.push_back(*byte);
        } else {
            out.append("&#").append(std::to_string(static_cast<unsigned long>(c))).push_back(';');
        }
    }
    return out;
}

#endif

std::string_view lineEndingText(LineEnding ending) {
    switch (ending) {
    case LineEnding::Lf: return "\n";
    case LineEnding::Cr: return "\r";
    case LineEnding::CrLf: break;
    }
    return "\r\n";
}

} // namespace

namespace {

// A character set by its name: decoding with a note of bytes that had no character, and encoding
// that refuses a text holding a character the set lacks. On Linux Qt's codecs do the work, ICU's
// among them; on Windows, where Qt is built without ICU, Qt's own codecs read the Unicode forms
// and Latin-1, and the system's code pages the other character sets.
class CharsetCodec {
public:
    explicit CharsetCodec(const std::string &charset);

    // False for a character set the codecs do not know.
    bool isValid() const;

    // The bytes as text; `fault`, when given, is set when some bytes had no character.
    QString decode(std::string_view bytes, bool *fault = nullptr);

    // The text as bytes, or nothing when a character has none in the set.
    std::optional<QByteArray> encode(QStringView text);

private:
#ifndef Q_OS_WIN
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
#else
    std::optional<QStringDecoder> m_decoder; // a set Qt itself knows
    std::optional<QStringEncoder> m_encoder;
    UINT m_codePage = 0; // otherwise the system's code page, 0 for none
#endif
};

#ifndef Q_OS_WIN

CharsetCodec::CharsetCodec(const std::string &charset)
    : m_decoder(charset.c_str(), QStringDecoder::Flag::Stateless),
      m_encoder(charset.c_str(), QStringEncoder::Flag::Stateless) {}

bool CharsetCodec::isValid() const { return m_decoder.isValid(); }

QString CharsetCodec::decode(std::string_view bytes, bool *fault) {
    m_decoder.resetState();
    QString text = m_decoder.decode(asByteArray(bytes));
    if (fault != nullptr) {
        *fault = m_decoder.hasError();
    }
    return text;
}

std::optional<QByteArray> CharsetCodec::encode(QStringView text) {
    m_encoder.resetState();
    QByteArray bytes = m_encoder.encode(text);
    if (m_encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

#else

// The name as ICU compares names: letters and digits only, in lower case ("Shift_JIS" and
// "shift-jis" are both "shiftjis").
std::string comparableName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
    }
    return out;
}

// The number after `prefix` in `name`, or 0 when the rest of the name is not a number.
UINT numberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 5) {
        return 0;
    }
    UINT number = 0;
    for (const char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + static_cast<UINT>(c - '0');
    }
    return number;
}

// The code page of an ISO 8859 part; the parts Windows has no code page for give 0.
UINT iso8859CodePage(UINT part) {
    if (part >= 2 && part <= 9) {
        return 28590 + part;
    }
    if (part == 13 || part == 15) {
        return 28590 + part;
    }
    return 0;
}

// The Windows code page of a character set's name, or 0 when there is none. The names are the
// character sets' common labels and aliases, the ones browsers and ICU read.
UINT codePageOf(std::string_view charset) {
    static constexpr std::pair<std::string_view, UINT> kNamed[] = {
        {"shiftjis", 932},
        {"sjis", 932},
        {"xsjis", 932},
        {"mskanji", 932},
        {"csshiftjis", 932},
        {"windows31j", 932},
        {"cswindows31j", 932},
        {"eucjp", 20932},
        {"xeucjp", 20932},
        {"cseucpkdfmtjapanese", 20932},
        {"iso2022jp", 50220},
        {"csiso2022jp", 50220},
        {"gb2312", 936},
        {"gbk", 936},
        {"xgbk", 936},
        {"ms936", 936},
        {"euccn", 936},
        {"csgb2312", 936},
        {"chinese", 936},
        {"gb231280", 936},
        {"csiso58gb231280", 936},
        {"isoir58", 936},
        {"gb18030", 54936},
        {"hzgb2312", 52936},
        {"big5", 950},
        {"csbig5", 950},
        {"cnbig5", 950},
        {"xxbig5", 950},
        {"big5hkscs", 950},
        {"euckr", 949},
        {"cseuckr", 949},
        {"ksc5601", 949},
        {"ksc56011987", 949},
        {"ksc56011989", 949},
        {"csksc56011987", 949},
        {"isoir149", 949},
        {"korean", 949},
        {"uhc", 949},
        {"iso2022kr", 50225},
        {"koi8r", 20866},
        {"koi8", 20866},
        {"cskoi8r", 20866},
        {"koi8u", 21866},
        {"koi8ru", 21866},
        {"csibm866", 866},
        {"866", 866},
        {"maccyrillic", 10007},
        {"xmaccyrillic", 10007},
        {"macintosh", 10000},
        {"mac", 10000},
        {"macroman", 10000},
        {"xmacroman", 10000},
        {"csmacintosh", 10000},
        {"tis620", 874},
        {"dos874", 874},
        {"iso885911", 874},
        {"iso88598i", 38598},
        {"csiso88598i", 38598},
        {"logical", 38598},
        {"latin2", 28592},
        {"l2", 28592},
        {"latin3", 28593},
        {"l3", 28593},
        {"latin4", 28594},
        {"l4", 28594},
        {"latin5", 28599},
        {"l5", 28599},
        {"latin7", 28603},
        {"l7", 28603},
        {"latin9", 28605},
        {"l9", 28605},
        {"cyrillic", 28595},
        {"arabic", 28596},
        {"greek", 28597},
        {"greek8", 28597},
        {"hebrew", 28598},
        {"visual", 28598},
        {"utf7", 65000},
    };
    const std::string name = comparableName(charset);
    for (const auto &[label, codePage] : kNamed) {
        if (label == name) {
            return codePage;
        }
    }
    // windows-1251, cp1251, x-cp1251, ibm866 and the like name their code page.
    for (const std::string_view prefix : {"windows", "xcp", "cp", "ibm", "mscp"}) {
        if (const UINT number = numberAfter(name, prefix)) {
            return number;
        }
    }
    // iso-8859-2, ISO_8859-2:1987, iso8859-15, csisolatin2 aside: the part, with or without a year.
    if (name.starts_with("iso8859")) {
        const std::string_view rest = std::string_view(name).substr(7);
        if (const UINT part = numberAfter(rest, "")) {
            if (part <= 16) {
                return iso8859CodePage(part);
            }
            if (rest.size() > 4) {
                return iso8859CodePage(numberAfter(rest.substr(0, rest.size() - 4), ""));
            }
        }
    }
    return 0;
}

UINT validCodePage(const std::string &charset) {
    const UINT codePage = codePageOf(charset);
    return codePage != 0 && ::IsValidCodePage(codePage) ? codePage : 0;
}

// The code pages whose conversions take no flags (the system refuses MB_ERR_INVALID_CHARS and
// WC_NO_BEST_FIT_CHARS for them, and the default character's note for the last two).
bool takesNoFlags(UINT codePage) {
    return (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011) || codePage == 42 ||
           codePage == 52936 || codePage == 54936 || codePage == CP_UTF7 || codePage == CP_UTF8;
}

CharsetCodec::CharsetCodec(const std::string &charset) {
    if (QStringConverter::encodingForName(charset.c_str())) {
        m_decoder.emplace(charset.c_str(), QStringDecoder::Flag::Stateless);
        m_encoder.emplace(charset.c_str(), QStringEncoder::Flag::Stateless);
    } else {
        m_codePage = validCodePage(charset);
    }
}

bool CharsetCodec::isValid() const { return m_decoder ? m_decoder->isValid() : m_codePage != 0; }

QString CharsetCodec::decode(std::string_view bytes, bool *fault) {
    if (fault != nullptr) {
        *fault = false;
    }
    if (m_decoder) {
        m_decoder->resetState();
        QString text = m_decoder->decode(asByteArray(bytes));
        if (fault != nullptr) {
            *fault = m_decoder->hasError();
        }
        return text;
    }
    if (m_codePage == 0 || bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        if (fault != nullptr) {
            *fault = !bytes.empty();
        }
        return {};
    }
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    // A byte sequence without a character fails the strict reading; the text is then read again
    // with such sequences as U+FFFD, as Qt's codecs give them.
    DWORD flags = takesNoFlags(m_codePage) ? 0 : MB_ERR_INVALID_CHARS;
    int length = ::MultiByteToWideChar(m_codePage, flags, bytes.data(), size, nullptr, 0);
    if (length == 0 && flags != 0) {
        if (fault != nullptr) {
            *fault = true;
        }
        flags = 0;
        length = ::MultiByteToWideChar(m_codePage, flags, bytes.data(), size, nullptr, 0);
    }
    if (length <= 0) {
        if (fault != nullptr) {
            *fault = true;
        }
        return {};
    }
    QString text(length, Qt::Uninitialized);
    ::MultiByteToWideChar(m_codePage, flags, bytes.data(), size, reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
}

std::optional<QByteArray> CharsetCodec::encode(QStringView text) {
    if (m_encoder) {
        m_encoder->resetState();
        QByteArray bytes = m_encoder->encode(text);
        if (m_encoder->hasError()) {
            return std::nullopt;
        }
        return bytes;
    }
    if (m_codePage == 0 || text.size() > INT_MAX) {
        return std::nullopt;
    }
    if (text.isEmpty()) {
        return QByteArray("");
    }
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int size = static_cast<int>(text.size());
    const bool plain = takesNoFlags(m_codePage);
    const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL *noteDefault = plain ? nullptr : &usedDefault;
    const int length = ::WideCharToMultiByte(m_codePage, flags, wide, size, nullptr, 0, nullptr, noteDefault);
    if (length <= 0 || usedDefault) {
        return std::nullopt;
    }
    QByteArray bytes(length, Qt::Uninitialized);
    ::WideCharToMultiByte(m_codePage, flags, wide, size, bytes.data(), length, nullptr, noteDefault);
    if (usedDefault) {
        return std::nullopt;
    }
    // A character the code page holds only approximately (a fallback, a lone surrogate) would
    // read back as another: only bytes that read back as the text itself count, as ICU's
    // round-trip mappings do.
    bool fault = false;
    if (decode(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &fault) != text || fault) {
        return std::nullopt;
    }
    return bytes;
}

#endif

// The text of `bytes` in the named character set when it reads them without a fault and
// encodes back to exactly them; empty otherwise.
std::optional<QString> decodeReversibly(std::string_view bytes, const std::string &charset) {
    CharsetCodec codec(charset);
    if (!codec.isValid()) {
        return std::nullopt;
    }
    bool fault = false;
    QString text = codec.decode(bytes, &fault);
    if (fault) {
        return std::nullopt;
    }
    const std::optional<QByteArray> again = codec.encode(text);
    if (!again || std::string_view(again->constData(), static_cast<std::size_t>(again->size())) != bytes) {
        return std::nullopt;
    }
    return text;
}

// True when no byte has its high bit set.
bool allAscii(std::string_view bytes) {
    unsigned char seen = 0;
    for (const char byte : bytes) {
        seen |= static_cast<unsigned char>(byte);
    }
    return seen < 0x80;
}

PageEncoding detectUtf8OrWindows1252(std::string_view bytes) {
    // ASCII reads as UTF-8 and gives itself back, without the pass through both codecs.
    if (allAscii(bytes)) {
        return PageEncoding::Utf8;
    }
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(asByteArray(bytes));
    if (decoder.hasError()) {
        return PageEncoding::Windows1252;
    }
    // Valid means that the text gives back exactly these bytes: no sequence was replaced.
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray again = encoder.encode(text);
    return std::string_view(again.constData(), static_cast<std::size_t>(again.size())) == bytes
               ? PageEncoding::Utf8
               : PageEncoding::Windows1252;
}

// Walks the text one character at a time: each character's bytes, or a character reference
// for one the character set cannot hold. `unencodable`, when given, stops at the first such.
// A codec of its own: Qt's ICU codec keeps the error of the whole text's encoding.
std::optional<std::string> encodeByCharacter(QStringView text, const std::string &charset, Unencodable *unencodable) {
    CharsetCodec codec(charset);
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    long long line = 1;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = text.mid(i, length);
        if (const std::optional<QByteArray> bytes = codec.encode(character)) {
            out.append(bytes->constData(), static_cast<std::size_t>(bytes->size()));
        } else {
            const char32_t code = length == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
            if (unencodable != nullptr) {
                unencodable->character = code;
                unencodable->line = line;
                return std::nullopt;
            }
            out.append("&#").append(std::to_string(static_cast<unsigned long>(code))).push_back(';');
        }
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
            ++line;
        }
        i += length;
    }
    return out;
}

} // namespace

PageEncoding detectEncoding(std::string_view bytes) {
    const std::string declared = charset::declaredCharset(bytes);
    if (!declared.empty()) {
        std::string name = charset::browserCharsetName(declared);
        if (!charset::isUtf8Name(name) && decodeReversibly(bytes, name)) {
            return PageEncoding::named(std::move(name));
        }
    }
    return detectUtf8OrWindows1252(bytes);
}

QString decodePage(std::string_view bytes, const PageEncoding &encoding) {
    if (encoding.kind == PageEncoding::Kind::Charset) {
        CharsetCodec codec(encoding.charset);
        if (codec.isValid()) {
            return codec.decode(bytes);
        }
    }
    if (encoding.kind != PageEncoding::Kind::Windows1252) {
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
        return decoder.decode(asByteArray(bytes));
    }
    return decodeWindows1252(bytes);
}

std::string encodePage(QStringView text, const PageEncoding &encoding) {
    if (encoding.kind == PageEncoding::Kind::Windows1252) {
        return encodeWindows1252(text);
    }
    if (encoding.kind == PageEncoding::Kind::Charset) {
        CharsetCodec codec(encoding.charset);
        if (const std::optional<QByteArray> bytes = codec.encode(text)) {
            return {bytes->constData(), static_cast<std::size_t>(bytes->size())};
        }
        return encodeByCharacter(text, encoding.charset, nullptr).value_or(std::string());
    }
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

std::optional<std::string> encodePageExactly(QStringView text, const PageEncoding &encoding, Unencodable &unencodable) {
    if (encoding.kind != PageEncoding::Kind::Charset) {
        return encodePage(text, encoding);
    }
    CharsetCodec codec(encoding.charset);
    if (const std::optional<QByteArray> bytes = codec.encode(text)) {
        return std::string(bytes->constData(), static_cast<std::size_t>(bytes->size()));
    }
    // Only a text that holds such a character is walked again, to name it.
    return encodeByCharacter(text, encoding.charset, &unencodable);
}

LineEnding dominantLineEnding(std::string_view bytes) {
    // Every CR is a lone CR or the start of a CR LF; every LF a lone LF or the end of one.
    std::size_t crlf = 0;
    std::size_t cr = 0;
    for (std::size_t at = bytes.find('\r'); at != std::string_view::npos; at = bytes.find('\r', at + 1)) {
        if (at + 1 < bytes.size() && bytes[at + 1] == '\n') {
            ++crlf;
        } else {
            ++cr;
        }
    }
    const auto lf = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) - crlf;
    if (lf > crlf && lf >= cr) {
        return LineEnding::Lf;
    }
    if (cr > crlf && cr > lf) {
        return LineEnding::Cr;
    }
    return LineEnding::CrLf;
}

std::string_view lineEndingName(LineEnding ending) {
    switch (ending) {
    case LineEnding::Lf: return "LF";
    case LineEnding::Cr: return "CR";
    case LineEnding::CrLf: break;
    }
    return "CR LF";
}

QString unencodableMessage(const Unencodable &unencodable, const PageEncoding &encoding) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(unencodable.character));
    const QString character = QString::fromUcs4(&unencodable.character, 1);
    // The character and its code take the first placeholder; neither holds a "%".
    const std::string shown = "\"" + toSystemText(character) + "\" (" + code + ")";
    return fromSystemText(texts::fill(texts::fill(texts::fill(texts::kCharacterNotInCharset, shown), unencodable.line),
                                      encoding.charset));
}

QString withLineEndings(QStringView text, LineEnding ending) {
    const QString lineEnd = QString::fromLatin1(lineEndingText(ending));
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            out.append(lineEnd);
        } else if (c == u'\n' || c == QChar(kParagraphSeparator)) {
            out.append(lineEnd);
        } else {
            out.append(c);
        }
    }
    return out;
}

QString fromSystemText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toSystemText(const QString &text) { return text.toStdString(); }

#ifndef Q_OS_WIN

std::string toNativePath(const QString &path) {
    const QByteArray bytes = QFile::encodeName(path);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString fromNativePath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

#else

// The core's file layer on Windows takes UTF-8 paths and hands the system their UTF-16;
// Qt's encodeName would give the ANSI code page, which cannot hold every name.
std::string toNativePath(const QString &path) { return path.toStdString(); }

QString fromNativePath(std::string_view path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

#endif

} // namespace velmoraine::gui
