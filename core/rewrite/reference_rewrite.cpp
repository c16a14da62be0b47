#include "core/rewrite/reference_rewrite.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "core/base/bytes.h"
#include "core/base/texts.h"
#include "core/rewrite/author_warnings.h"
#include "core/rewrite/csp_hash.h"
#include "core/rewrite/earlier_checks.h"
#include "core/rewrite/html5_fallback.h"
#include "core/rewrite/script_block.h"
#include "core/rules/rule_record.h"
#include "core/scan/reference_walk.h"

namespace velmoraine::rewrite::reference {

namespace {

constexpr std::size_t npos = std::string::npos;

// Step 4: where our earlier hidden input starts in `rest`: the first exactly as we write it,
// else the first hidden input whose tag names us before its ">". Npos when there is none.
std::size_t earlierHiddenInput(std::string_view rest) {
    const std::size_t exact = rest.find(kHiddenExact);
    if (exact != npos) {
        return exact;
    }
    const std::size_t general = rest.find(kHiddenGeneral);
    if (general == npos) {
        return npos;
    }
    const std::size_t close = rest.find('>', general);
    if (close == npos || rest.substr(general, close - general).find(kHiddenWord) == npos) {
        return npos;
    }
    return general;
}

// Step 4: the page after the form's tag, with its earlier hidden input of ours gone (in editor
// mode it stays) and its field tags changed. Each change is a range of the rest and its new
// text; they are made from the last to the first, so that the ranges still to be made keep
// their places.
struct RestOfPage {
    std::string text;
    bool earlierHiddenKept = false; // in editor mode: no new hidden input is written
};

RestOfPage restOfPage(const RewriteInput &input, const std::vector<std::string> &records, std::size_t tagClose) {
    const std::size_t restStart = tagClose + 1;
    RestOfPage rest{std::string(input.page.substr(restStart))};
    struct Change {
        std::size_t start;
        std::size_t end;
        std::string text;
    };
    std::vector<Change> changes;
    std::optional<Change> hiddenCut;
    if (const std::size_t hidden = earlierHiddenInput(rest.text); hidden != npos) {
        if (input.mode == LaunchMode::Editor) {
            rest.earlierHiddenKept = true;
        } else if (const std::size_t close = rest.text.find('>', hidden); close != npos) {
            hiddenCut = Change{hidden, close + 1, {}};
            changes.push_back(*hiddenCut);
        }
    }
    for (TagEdit &edit : fallbackEdits(input.page, tagClose, records, input.html5Fallback, input.legacyFields)) {
        const Change change{edit.start - restStart, edit.end - restStart, std::move(edit.text)};
        // A field tag inside the hidden input that goes, goes with it.
        if (!hiddenCut || change.end <= hiddenCut->start || hiddenCut->end <= change.start) {
            changes.push_back(change);
        }
    }
    std::sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) { return a.start > b.start; });
    for (const Change &change : changes) {
        rest.text.replace(change.start, change.end - change.start, change.text);
    }
    return rest;
}

// Step 6: the first earlier block, from its begin marker through the ">" after its end marker.
void removeEarlierBlock(std::string &text) {
    if (const std::size_t begin = text.find(kBeginMarker); begin != npos) {
        const std::size_t end = text.find(kEndMarker, begin);
        const std::size_t close = end == npos ? npos : text.find('>', end);
        if (close != npos) {
            text.erase(begin, close + 1 - begin);
        }
    }
}

} // namespace

bool insertScriptBlock(std::string &text, std::string_view block) {
    std::size_t at = text.find("</head>");
    if (at == npos) {
        at = text.find("</HEAD>");
    }
    if (at != npos) {
        text.insert(at, block);
        return true;
    }
    std::size_t body = text.find("<body");
    if (body == npos) {
        body = text.find("<BODY");
    }
    if (body == npos) {
        return false;
    }
    std::string head(kEmptyHead.substr(0, kEmptyHeadOpening));
    head += block;
    head += kEmptyHead.substr(kEmptyHeadOpening);
    text.insert(body, head);
    return true;
}

void removeWebbotComments(std::string &text) {
    for (;;) {
        const std::size_t open = text.find(kWebbotOpen);
        const std::size_t close = open == npos ? npos : text.find(kWebbotClose, open);
        if (close == npos) {
            return;
        }
        text.erase(open, close + kWebbotClose.size() - open);
    }
}

void removeGeneratedScripts(std::string &text, std::string_view validator) {
    // The openers in any case: searched in a copy with the letters in lower case, which keeps
    // every byte's place.
    const std::string lower = bytes::lowerAsciiCopy(text);
    struct Script {
        std::size_t start;
        std::size_t end;
    };
    std::vector<Script> scripts;
    std::size_t start = npos;
    for (std::size_t open = lower.find(kWebbotOpen); open != npos;) {
        const std::size_t close = lower.find(kWebbotClose, open + kWebbotOpen.size());
        if (close == npos) {
            break;
        }
        const std::size_t end = close + kWebbotClose.size();
        const GeneratedScriptMarker marker = generatedScriptMarker(std::string_view(text).substr(open, end - open));
        if (start == npos && marker.start) {
            start = open;
        } else if (start != npos && marker.end) {
            if (validator.empty() || text.substr(start, end - start).find(validator) != npos) {
                scripts.push_back({start, end});
            }
            start = npos;
        }
        open = lower.find(kWebbotOpen, end);
    }
    for (auto script = scripts.rbegin(); script != scripts.rend(); ++script) {
        text.erase(script->start, script->end - script->start);
    }
}

RewriteResult rewritePage(const RewriteInput &input) {
    static const std::vector<std::string> kNoRecords;
    const std::vector<std::string> &records = input.records != nullptr ? *input.records : kNoRecords;
    const std::string_view page = input.page;
    const bool haveRules = !records.empty();
    const bool linking = serviceLinking(input.accountIdText);
    RewriteResult result;

    // 1. Rules that would break the block.
    for (const std::string &record : records) {
        if (std::optional<std::string> refusal = rules::checkStoredRecord(record)) {
            result.message = *refusal;
            return result;
        }
    }

    // 2. The chosen form's tag.
    const std::size_t tagStart = scan::reference::findFormTag(page, input.chosenForm);
    const std::size_t tagClose = tagStart == npos ? npos : page.find('>', tagStart);
    if (tagClose == npos) {
        result.message = texts::fill(texts::kChosenFormMissing, input.chosenForm);
        return result;
    }

    // 3. The tag rewritten.
    std::string formName;
    const std::string tag = rewriteFormTag(page.substr(tagStart, tagClose - tagStart), haveRules, linking, formName) +
                            formLanguageAttribute(page, tagStart, input.formLanguage);

    // 4. After the tag: the earlier hidden input and the field tags.
    const RestOfPage rest = restOfPage(input, records, tagClose);

    // 5. The page put together, with the new hidden input after the tag.
    std::string out(page.substr(0, tagStart));
    out += tag;
    out += '>';
    if (linking && !rest.earlierHiddenKept) {
        out += newHiddenInput(bytes::readIntLikeScanf(input.accountIdText), input.formNumber);
    }
    out += rest.text;

    // 6. The earlier block.
    removeEarlierBlock(out);

    // 7. The earlier tool's generated scripts, when its checks were imported.
    const std::string_view validator = frontPageValidator(page.substr(tagStart, tagClose - tagStart));
    if (input.legacyFields != nullptr && !input.legacyFields->empty() && !validator.empty()) {
        removeGeneratedScripts(out, validator);
    }

    // 8. The webbot comments.
    removeWebbotComments(out);

    // 9. The block.
    if (!haveRules) {
        result.output = std::move(out);
        return result;
    }
    const std::string block = buildScriptBlock(input.model, records, formName);
    if (!insertScriptBlock(out, block)) {
        result.message = std::string(texts::kNoHeadOrBody);
        return result;
    }
    result.output = std::move(out);
    result.cspHash = cspHash(block);
    result.warnings = authorWarnings(page, tagStart, tagClose, records, result.cspHash);
    return result;
}

} // namespace velmoraine::rewrite::reference
