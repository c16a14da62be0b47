#include "core/rewrite/csp_hash.h"

#include "core/base/sha256.h"
#include "core/rewrite/script_block.h"

namespace velmoraine::rewrite {

std::string cspHash(std::string_view block) {
    constexpr std::size_t npos = std::string_view::npos;
    const std::size_t begin = block.find(kBeginMarker);
    const std::size_t script = begin == npos ? npos : block.find("<script", begin);
    const std::size_t open = script == npos ? npos : block.find('>', script);
    const std::size_t close = open == npos ? npos : block.find("</script>", open);
    if (close == npos) {
        return {};
    }
    // The browser reads CR LF and a lone CR as LF before it hashes the text.
    std::string text;
    const std::string_view content = block.substr(open + 1, close - open - 1);
    text.reserve(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r') {
            text.push_back('\n');
            if (i + 1 < content.size() && content[i + 1] == '\n') {
                ++i;
            }
        } else {
            text.push_back(content[i]);
        }
    }
    const auto digest = sha256::digest(text);
    return "'sha256-" + sha256::base64(std::string_view(reinterpret_cast<const char *>(digest.data()), digest.size())) +
           "'";
}

} // namespace velmoraine::rewrite
