#include "core/scan/tag_reader.h"

#include "core/base/bytes.h"

namespace velmoraine::scan {

namespace {

constexpr std::size_t npos = std::string_view::npos;

std::size_t pastBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && bytes::isHtmlSpace(text[at])) {
        ++at;
    }
    return at;
}

} // namespace

AttributeReader::AttributeReader(std::string_view text, std::size_t from, TagSyntax syntax)
    : m_text(text), m_at(from), m_syntax(syntax) {}

std::size_t AttributeReader::pastSeparators(std::size_t at) const {
    const bool slash = m_syntax.slash != TagSyntax::Slash::Plain;
    const bool angles = m_syntax.angle == TagSyntax::Angle::Separates;
    while (at < m_text.size()) {
        const char c = m_text[at];
        if (!bytes::isHtmlSpace(c) && !(slash && c == '/') && !(angles && (c == '<' || c == '>'))) {
            break;
        }
        ++at;
    }
    return at;
}

std::size_t AttributeReader::nameEnd(std::size_t at) const {
    const bool angle = m_syntax.angle != TagSyntax::Angle::Plain;
    for (; at < m_text.size(); ++at) {
        const char c = m_text[at];
        if (bytes::isHtmlSpace(c) || c == '=' || (angle && c == '>')) {
            break;
        }
        if (c == '/' && (m_syntax.slash == TagSyntax::Slash::EndsNames ||
                         (m_syntax.slash == TagSyntax::Slash::EndsNameBeforeAngle && angle && at + 1 < m_text.size() &&
                          m_text[at + 1] == '>'))) {
            break;
        }
    }
    return at;
}

std::size_t AttributeReader::bareValueEnd(std::size_t at) const {
    const bool angle = m_syntax.angle != TagSyntax::Angle::Plain;
    while (at < m_text.size() && !bytes::isHtmlSpace(m_text[at]) && !(angle && m_text[at] == '>')) {
        ++at;
    }
    return at;
}

std::optional<TagAttribute> AttributeReader::next() {
    if (m_done) {
        return std::nullopt;
    }
    TagAttribute attribute;
    attribute.start = m_at;
    m_at = pastSeparators(m_at);
    const bool closes = m_at < m_text.size() && m_syntax.angle == TagSyntax::Angle::EndsTag && m_text[m_at] == '>';
    if (m_at >= m_text.size() || closes) {
        m_close = closes ? m_at : npos;
        m_done = true;
        return std::nullopt;
    }
    const std::size_t nameStart = m_at;
    m_at = nameEnd(m_at);
    attribute.name = m_text.substr(nameStart, m_at - nameStart);
    // Blanks may stand around the "="; without one, those after the name go before the next.
    if (const std::size_t equals = pastBlanks(m_text, m_at); equals < m_text.size() && m_text[equals] == '=') {
        attribute.hasValue = true;
        m_at = pastBlanks(m_text, equals + 1);
        if (m_at < m_text.size() && (m_text[m_at] == '"' || m_text[m_at] == '\'')) {
            const std::size_t quote = m_text.find(m_text[m_at], m_at + 1);
            if (quote == npos && m_syntax.openQuote == TagSyntax::OpenQuote::EndsReading) {
                m_done = true;
                return std::nullopt;
            }
            const std::size_t valueEnd = quote == npos ? m_text.size() : quote;
            attribute.value = m_text.substr(m_at + 1, valueEnd - m_at - 1);
            m_at = quote == npos ? m_text.size() : quote + 1;
        } else {
            const std::size_t valueStart = m_at;
            m_at = bareValueEnd(m_at);
            attribute.value = m_text.substr(valueStart, m_at - valueStart);
        }
    }
    attribute.end = m_at;
    return attribute;
}

std::size_t tagNameEnd(std::string_view text, std::size_t from, TagSyntax syntax) {
    const bool equals = syntax.slash == TagSyntax::Slash::EndsNames;
    while (from < text.size() && !bytes::isHtmlSpace(text[from]) && text[from] != '/' && text[from] != '>' &&
           !(equals && text[from] == '=')) {
        ++from;
    }
    return from;
}

void readTagInto(std::string_view text, Tag &tag, TagSyntax syntax) {
    const std::size_t nameStart = text.empty() ? 0 : 1; // past the "<"
    const std::size_t nameEnd = tagNameEnd(text, nameStart, syntax);
    const std::string_view name = text.substr(nameStart, nameEnd - nameStart);
    tag.name.assign(name);
    for (char &c : tag.name) {
        c = bytes::lowerAscii(c);
    }
    tag.attributes.clear();
    AttributeReader reader(text, nameEnd, syntax);
    while (std::optional<TagAttribute> attribute = reader.next()) {
        tag.attributes.push_back(*attribute);
    }
    tag.close = reader.close();
}

std::size_t tagCloseOf(std::string_view text, TagSyntax syntax) {
    const TagSyntax usual;
    if (syntax.angle == usual.angle && syntax.slash == usual.slash && syntax.openQuote == usual.openQuote) {
        return readUsualAttributes(text, [](std::string_view, std::string_view, bool) {});
    }
    AttributeReader reader(text, tagNameEnd(text, text.empty() ? 0 : 1, syntax), syntax);
    while (reader.next()) {
    }
    return reader.close();
}

Tag readTag(std::string_view text, TagSyntax syntax) {
    Tag tag;
    readTagInto(text, tag, syntax);
    return tag;
}

std::vector<TagAttribute> readAttributes(std::string_view text, TagSyntax syntax) {
    std::vector<TagAttribute> attributes;
    AttributeReader reader(text, 0, syntax);
    while (std::optional<TagAttribute> attribute = reader.next()) {
        attributes.push_back(*attribute);
    }
    return attributes;
}

const TagAttribute *findAttribute(const std::vector<TagAttribute> &attributes, std::string_view name) {
    for (const TagAttribute &attribute : attributes) {
        if (bytes::equalsNoCase(attribute.name, name)) {
            return &attribute;
        }
    }
    return nullptr;
}

std::string_view attributeValue(const std::vector<TagAttribute> &attributes, std::string_view name) {
    const TagAttribute *attribute = findAttribute(attributes, name);
    return attribute != nullptr ? attribute->value : std::string_view();
}

} // namespace velmoraine::scan
