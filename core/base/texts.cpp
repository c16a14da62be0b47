#include "core/base/texts.h"

#include <string>

namespace velmoraine::texts {

namespace {

// Replaces the first "%s" or "%d" placeholder of the pattern by `value`.
std::string replacePlaceholder(std::string_view pattern, std::string_view value) {
    std::string out;
    out.reserve(pattern.size() + value.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'd')) {
            out.append(value);
            out.append(pattern.substr(i + 2));
            return out;
        }
        out.push_back(pattern[i]);
    }
    return out;
}

} // namespace

std::string fill(std::string_view pattern, std::string_view value) { return replacePlaceholder(pattern, value); }

std::string withReason(std::string message, std::string_view reason) {
    if (!reason.empty()) {
        message.append(": ");
        message.append(reason);
    }
    return message;
}

std::string cannotCreateText(std::string_view path, std::string_view reason, std::string_view keptCopy) {
    std::string message = withReason(fill(kCannotCreateFile, path), reason);
    if (!keptCopy.empty()) {
        message += ". " + fill(kNewPageKept, keptCopy);
    }
    return message;
}

std::string fill(std::string_view pattern, long long value) {
    return replacePlaceholder(pattern, std::to_string(value));
}

} // namespace velmoraine::texts
