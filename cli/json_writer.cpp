#include "cli/json_writer.h"

#include <cstdio>

#include "cli/cli_common.h"
#include "cli/utf8_text.h"

namespace velmoraine::cli {

namespace {

bool plainByte(char byte) {
    const auto c = static_cast<unsigned char>(byte);
    return c >= 0x20 && c < 0x80 && byte != '"' && byte != '\\';
}

// The escape of a quote, a backslash or a control character.
void appendEscape(std::string &out, unsigned char c) {
    out.push_back('\\');
    switch (c) {
    case '"': out.push_back('"'); break;
    case '\\': out.push_back('\\'); break;
    case '\b': out.push_back('b'); break;
    case '\t': out.push_back('t'); break;
    case '\n': out.push_back('n'); break;
    case '\f': out.push_back('f'); break;
    case '\r': out.push_back('r'); break;
    default: {
        constexpr std::string_view kHex = "0123456789abcdef";
        out.push_back('u');
        out.push_back('0');
        out.push_back('0');
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
    }
}

} // namespace

int emitJson(const Json &object) { return emit(object.dump(2) + '\n'); }

void StandardOutput::flushIfLarge() {
    if (m_text.size() >= kChunk) {
        flush();
    }
}

int StandardOutput::finish() {
    flush();
    return m_ok ? kExitOk : standardOutputFailed();
}

void StandardOutput::flush() {
    m_ok = m_ok && writeStream(stdout, m_text);
    m_text.clear();
}

void appendJsonString(std::string &out, std::string_view bytes) {
    out.push_back('"');
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t plain = at;
        while (plain < bytes.size() && plainByte(bytes[plain])) {
            ++plain;
        }
        out.append(bytes.data() + at, plain - at);
        at = plain;
        if (at == bytes.size()) {
            break;
        }
        if (static_cast<unsigned char>(bytes[at]) >= 0x80) {
            // A run of bytes above ASCII decodes alone as it does in the whole text: every
            // sequence ends before the next ASCII byte.
            std::size_t end = at;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x80) {
                ++end;
            }
            out.append(utf8FromBytes(bytes.substr(at, end - at)));
            at = end;
            continue;
        }
        appendEscape(out, static_cast<unsigned char>(bytes[at]));
        ++at;
    }
    out.push_back('"');
}

void appendJsonStrings(StandardOutput &output, const std::vector<std::string> &items) {
    std::string &out = output.text();
    if (items.empty()) {
        out.append("[]");
        return;
    }
    out.append("[\n");
    for (std::size_t i = 0; i < items.size(); ++i) {
        out.append(i == 0 ? "    " : ",\n    ");
        appendJsonString(out, items[i]);
        output.flushIfLarge();
    }
    out.append("\n  ]");
}

} // namespace velmoraine::cli
