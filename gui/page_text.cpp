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

namespace velmoraine::gui {

namespace {

constexpr char16_t kParagraphSeparator = u'\u2029';

QByteArray asByteArray(std::string_view bytes) {
    return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

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

// The text of `bytes` in the named character set when it reads them without a fault and
// encodes back to exactly them; empty otherwise.
std::optional<QString> decodeReversibly(std::string_view bytes, const std::string &charset) {
    QStringDecoder decoder(charset.c_str(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    QString text = decoder.decode(asByteArray(bytes));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    QStringEncoder encoder(charset.c_str(), QStringEncoder::Flag::Stateless);
    const QByteArray again = encoder.encode(text);
    if (encoder.hasError() || std::string_view(again.constData(), static_cast<std::size_t>(again.size())) != bytes) {
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

// The bytes of one character in the named character set, or nothing when it has none.
std::optional<QByteArray> encodeCharacter(QStringEncoder &encoder, QStringView character) {
    encoder.resetState();
    QByteArray bytes = encoder.encode(character);
    if (encoder.hasError()) {
        return std::nullopt;
    }
    return bytes;
}

// Walks the text one character at a time: each character's bytes, or a character reference
// for one the character set cannot hold. `unencodable`, when given, stops at the first such.
std::optional<std::string> encodeByCharacter(QStringView text, const std::string &charset, Unencodable *unencodable) {
    QStringEncoder encoder(charset.c_str(), QStringEncoder::Flag::Stateless);
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    long long line = 1;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = text.mid(i, length);
        if (const std::optional<QByteArray> bytes = encodeCharacter(encoder, character)) {
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
        QStringDecoder decoder(encoding.charset.c_str(), QStringDecoder::Flag::Stateless);
        if (decoder.isValid()) {
            return decoder.decode(asByteArray(bytes));
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
        QStringEncoder encoder(encoding.charset.c_str(), QStringEncoder::Flag::Stateless);
        const QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError()) {
            return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
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
    QStringEncoder encoder(encoding.charset.c_str(), QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) {
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
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

std::string toNativePath(const QString &path) {
    const QByteArray bytes = QFile::encodeName(path);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString fromNativePath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

} // namespace velmoraine::gui
