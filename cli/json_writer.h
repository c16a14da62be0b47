// The command line's JSON. The scan's is written directly, with exactly the bytes of nlohmann's
// dump(2) of the same document, which scripts may compare: a page lists up to a million fields
// and forms, and a tag text can be megabytes long, so no JSON value is built for them. The
// small objects of suggest and rewrite are built as nlohmann values.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace velmoraine::cli {

using Json = nlohmann::ordered_json; // keeps the keys in the documented order

// Writes the object as dump(2) and a line break to stdout; kExitOk, or the exit code of the
// message that stdout failed.
int emitJson(const Json &object);

// Results on stdout, written as they are built, a megabyte at a time: a scan can list a
// million fields, and its whole text need not be held at once.
class StandardOutput {
public:
    std::string &text() { return m_text; }
    void flushIfLarge();
    // kExitOk, or the exit code of the cannot-create message once it is printed.
    int finish();

private:
    static constexpr std::size_t kChunk = std::size_t{1} << 20;

    void flush();

    std::string m_text;
    bool m_ok = true;
};

// A JSON string of the page bytes read as UTF-8 (utf8FromBytes), escaped as dump escapes:
// the quote, the backslash and the control characters; everything else as it stands.
void appendJsonString(std::string &out, std::string_view bytes);

// An array of strings as a member value at the first level: "[]", or one string a line.
void appendJsonStrings(StandardOutput &output, const std::vector<std::string> &items);

// A JSON array of objects with three string members, one object per item, as a member value at
// the first level. `values` gives an item's three texts.
template <typename Item, typename Values>
void appendJsonObjects(std::string &out, const std::vector<Item> &items, const std::array<const char *, 3> &keys,
                       Values values) {
    if (items.empty()) {
        out.append("[]");
        return;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        out.append(i == 0 ? "[\n    {" : ",\n    {");
        const std::array<std::string_view, 3> texts = values(items[i]);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            out.append(k == 0 ? "\n      \"" : ",\n      \"");
            out.append(keys[k]);
            out.append("\": ");
            appendJsonString(out, texts[k]);
        }
        out.append("\n    }");
    }
    out.append("\n  ]");
}

} // namespace velmoraine::cli
