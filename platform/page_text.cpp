#include "platform/page_text.h"

#include <array>

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace velmoraine::platform {

namespace {

constexpr char16_t kParagraphSeparator = u'\u2029';

// Windows-1252 bytes 0x80..0x9F. The five unassigned bytes map to the C1 control of the same
// number, which keeps decoding reversible.
constexpr std::array<char16_t, 32> kHighControls = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

QByteArray asByteArray(std::string_view bytes) {
    return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The windows-1252 byte of a character, or -1 when the code page has none.
int windows1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

std::string encodeWindows1252(QStringView text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t c : text.toUcs4()) {
        const int byte = windows1252Byte(c);
        if (byte >= 0) {
            out.push_back(static_cast<char>(byte));
        } else {
            out.append("&#");
            out.append(std::to_string(static_cast<unsigned long>(c)));
            out.push_back(';');
        }
    }
    return out;
}

std::string_view lineEndingText(LineEnding ending) {
    switch (ending) {
    case LineEnding::Lf:
        return "\n";
    case LineEnding::Cr:
        return "\r";
    case LineEnding::CrLf:
        break;
    }
    return "\r\n";
}

} // namespace

PageEncoding detectEncoding(std::string_view bytes) {
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

QString decodePage(std::string_view bytes, PageEncoding encoding) {
    if (encoding == PageEncoding::Utf8) {
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
        return decoder.decode(asByteArray(bytes));
    }
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.append(value >= 0x80 && value < 0xA0 ? QChar(kHighControls[value - 0x80]) : QChar(char16_t(value)));
    }
    return text;
}

std::string encodePage(QStringView text, PageEncoding encoding) {
    if (encoding == PageEncoding::Windows1252) {
        return encodeWindows1252(text);
    }
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

LineEnding dominantLineEnding(std::string_view bytes) {
    std::size_t crlf = 0;
    std::size_t lf = 0;
    std::size_t cr = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        } else if (bytes[i] == '\n') {
            ++lf;
        }
    }
    if (lf > crlf && lf >= cr) {
        return LineEnding::Lf;
    }
    if (cr > crlf && cr > lf) {
        return LineEnding::Cr;
    }
    return LineEnding::CrLf;
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

std::string toSystemText(const QString &text) {
    return text.toStdString();
}

std::string toNativePath(const QString &path) {
    const QByteArray bytes = QFile::encodeName(path);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QString fromNativePath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

} // namespace velmoraine::platform
