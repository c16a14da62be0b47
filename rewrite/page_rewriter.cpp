#include "rewrite/page_rewriter.h"

#include <algorithm>

#include "app/service.h"
#include "app/texts.h"
#include "platform/bytes.h"
#include "rewrite/script_block.h"
#include "scan/form_scanner.h"

namespace velmoraine::rewrite {

namespace {

constexpr std::size_t npos = std::string::npos;
constexpr int kLinkingThreshold = 12863;
constexpr std::string_view kNewOnSubmit = " onsubmit=\" return velmoraine_sub()\" ";
constexpr std::string_view kDefaultNameAttribute = " name=\"form1\" ";
constexpr std::string_view kDefaultFormName = "form1";
constexpr std::string_view kHiddenExact = "<input type=\"hidden\" name=\"velmoraine\"";
constexpr std::string_view kHiddenGeneral = "<input type=\"hidden\"";
constexpr std::string_view kHiddenWord = "velmoraine";
constexpr std::string_view kWebbotOpen = "<!--webbot";
constexpr std::string_view kWebbotClose = "-->";

std::string newActionAttribute() {
    std::string attribute = " action=\"";
    attribute.append(service::kBaseUrl);
    attribute.append(service::kProcessScript);
    attribute.append("\" ");
    return attribute;
}

std::string newHiddenInput(int accountId, int formNumber) {
    std::string input = "<input type=\"hidden\" name=\"velmoraine\" value=\"";
    input.append(bytes::decimal(accountId));
    input.push_back('-');
    input.append(bytes::decimal(formNumber));
    input.append("\">");
    return input;
}

// The earlier hidden input in the rest: [start, end) to delete, or start == npos.
struct HiddenInput {
    std::size_t start = npos;
    std::size_t end = npos; // one past its ">", npos when it has none
};

HiddenInput findHiddenInput(std::string_view rest) {
    HiddenInput found;
    std::size_t at = rest.find(kHiddenExact);
    if (at == npos) {
        at = rest.find(kHiddenGeneral);
        if (at == npos) {
            return found;
        }
        const std::size_t close = rest.find('>', at);
        if (close == npos || rest.substr(at, close - at).find(kHiddenWord) == npos) {
            return found;
        }
    }
    found.start = at;
    const std::size_t close = rest.find('>', at);
    found.end = close == npos ? npos : close + 1;
    return found;
}

} // namespace

bool serviceLinking(std::string_view accountIdText) {
    return bytes::readIntLikeScanf(accountIdText) >= kLinkingThreshold;
}

void cutAttribute(std::string &tag, std::initializer_list<std::string_view> variants) {
    std::size_t start = npos;
    for (std::string_view variant : variants) {
        start = tag.find(variant);
        if (start != npos) {
            break;
        }
    }
    if (start == npos) {
        return;
    }
    const std::size_t equals = tag.find('=', start);
    if (equals == npos) {
        return;
    }
    // Skip the "=" and the character after it (normally the opening quote).
    const std::size_t from = equals + 2;
    std::size_t end = tag.find('"', from);
    if (end == npos) {
        end = tag.find(' ', from);
    }
    if (end == npos) {
        return;
    }
    tag.replace(start, end - start + 1, " ");
}

std::string extractFormName(std::string_view tag) {
    std::size_t at = npos;
    std::size_t variantSize = 0;
    for (std::string_view variant : {"NAME", "name", "Name"}) {
        at = tag.find(variant);
        if (at != npos) {
            variantSize = variant.size();
            break;
        }
    }
    if (at == npos) {
        return {};
    }
    const std::size_t equals = tag.find('=', at + variantSize);
    if (equals == npos) {
        return {};
    }
    std::string name(tag.substr(equals + 1));
    const std::size_t firstQuote = name.find('"');
    if (firstQuote != npos) {
        name.erase(firstQuote, 1);
    }
    std::size_t end = name.find('"');
    if (end == npos) {
        end = name.find(' ');
    }
    if (end != npos) {
        name.resize(end);
    }
    return name;
}

bool removeScriptBlock(std::string &text) {
    const std::size_t begin = text.find(kBeginMarker);
    if (begin == npos) {
        return false;
    }
    const std::size_t endMarker = text.find(kEndMarker, begin);
    if (endMarker == npos) {
        return false;
    }
    const std::size_t close = text.find('>', endMarker);
    if (close == npos) {
        return false;
    }
    text.erase(begin, close - begin + 1);
    return true;
}

// One pass over the text, with the result of searching from the start again after every cut.
// The kept text before the first remaining opener holds none, so after a cut a new opener can
// only start in the last nine bytes kept and run on into the text after the cut; those joins
// are checked before the search goes on in the unread text. The kept text is compacted in
// place: it never grows past the read position.
void removeWebbotComments(std::string &text) {
    std::size_t next = text.find(kWebbotOpen);
    if (next == npos) {
        return;
    }
    const std::string_view whole(text);
    std::size_t kept = 0; // the kept text is [0, kept)
    std::size_t pos = 0;  // the unread text starts here
    for (;;) {
        // An opener across the join of the kept text and the unread text.
        std::size_t joinStart = npos;
        std::size_t openerEnd = npos;
        const std::size_t tailFrom = kept > kWebbotOpen.size() - 1 ? kept - (kWebbotOpen.size() - 1) : 0;
        for (std::size_t s = tailFrom; s < kept && pos > kept; ++s) {
            const std::size_t keptPart = kept - s;
            const std::string_view needed = kWebbotOpen.substr(keptPart);
            if (whole.substr(s, keptPart) == kWebbotOpen.substr(0, keptPart) &&
                whole.substr(pos, needed.size()) == needed) {
                joinStart = s;
                openerEnd = pos + needed.size();
                break;
            }
        }
        std::size_t openerStart = npos; // in the unread text, when not across the join
        if (joinStart == npos) {
            if (next != npos && next < pos) {
                next = whole.find(kWebbotOpen, pos);
            }
            openerStart = next;
            if (openerStart == npos) {
                break;
            }
            openerEnd = openerStart + kWebbotOpen.size();
        }
        const std::size_t close = whole.find(kWebbotClose, openerEnd);
        if (close == npos) {
            break; // an opener without "-->" stays and ends the removal
        }
        if (joinStart != npos) {
            kept = joinStart;
        } else {
            // Moves bytes towards the front: safe although the ranges may overlap.
            std::copy(text.begin() + static_cast<std::ptrdiff_t>(pos), text.begin() + static_cast<std::ptrdiff_t>(openerStart),
                      text.begin() + static_cast<std::ptrdiff_t>(kept));
            kept += openerStart - pos;
        }
        pos = close + kWebbotClose.size();
    }
    std::copy(text.begin() + static_cast<std::ptrdiff_t>(pos), text.end(), text.begin() + static_cast<std::ptrdiff_t>(kept));
    text.resize(kept + (text.size() - pos));
}

RewriteResult rewritePage(const RewriteInput &input) {
    static const std::vector<std::string> kNoRecords;
    const std::vector<std::string> &records = input.records != nullptr ? *input.records : kNoRecords;
    const bool haveRules = !records.empty();
    const int accountId = bytes::readIntLikeScanf(input.accountIdText);
    const bool linking = accountId >= kLinkingThreshold;
    const std::string_view page = input.page;

    RewriteResult result;
    const std::size_t tagStart = scan::findFormTag(page, input.chosenForm);
    const std::size_t tagClose = tagStart == npos ? npos : page.find('>', tagStart);
    if (tagClose == npos) {
        result.message = texts::fill(texts::kChosenFormMissing, input.chosenForm);
        return result;
    }

    // Room for the attributes that are appended, so that the copy of a large tag is not grown.
    std::string tag;
    tag.reserve(tagClose - tagStart + 256);
    tag.append(page.substr(tagStart, tagClose - tagStart));
    tag.push_back(' ');
    if (haveRules) {
        cutAttribute(tag, {"onsubmit", "ONSUBMIT", "OnSubmit", "onSubmit"});
    }
    if (linking) {
        cutAttribute(tag, {"action", "ACTION", "Action"});
        tag.append(newActionAttribute());
        cutAttribute(tag, {"enctype", "ENCTYPE", "Enctype"});
        cutAttribute(tag, {"webbot-action"});
    }
    if (haveRules) {
        tag.append(kNewOnSubmit);
    }
    std::string formName = extractFormName(tag);
    if (formName.empty()) {
        tag.append(kDefaultNameAttribute);
        formName = kDefaultFormName;
    }

    const std::string_view rest = page.substr(tagClose + 1);
    const HiddenInput earlier = findHiddenInput(rest);
    const bool keepEarlier = earlier.start != npos && input.mode == LaunchMode::Editor;
    const bool dropEarlier = earlier.start != npos && !keepEarlier && earlier.end != npos;
    const std::string hidden = linking && !keepEarlier ? newHiddenInput(accountId, input.formNumber) : std::string();
    const std::string block = haveRules ? buildScriptBlock(input.model, records, formName) : std::string();

    // Sized once for everything that is added, so that no step copies the page again.
    std::string output;
    output.reserve(page.size() - (tagClose - tagStart) + tag.size() + hidden.size() + block.size() + 32);
    output.append(page.substr(0, tagStart));
    output.append(tag);
    output.push_back('>');
    output.append(hidden);
    if (dropEarlier) {
        output.append(rest.substr(0, earlier.start));
        output.append(rest.substr(earlier.end));
    } else {
        output.append(rest);
    }

    removeScriptBlock(output);
    removeWebbotComments(output);
    if (haveRules && !insertScriptBlock(output, block)) {
        result.message = std::string(texts::kNoHeadOrBody);
        return result;
    }
    result.output = std::move(output);
    return result;
}

} // namespace velmoraine::rewrite
