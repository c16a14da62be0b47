#include "core/scan/form_scanner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <iterator>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "core/base/aside.h"
#include "core/base/bytes.h"
#include "core/base/texts.h"
#include "core/scan/forward_finder.h"
#include "core/scan/rule_recovery.h"
#include "core/scan/tag_markup.h"

namespace velmoraine::scan {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The spellings of a form tag, in form count order: "<form ", "<FORM ", and every other "<form"
// in any case followed by a blank, a tab, a line break, a form feed, "/" or ">".
// The values index arrays kept per spelling; kSpellings counts them.
enum Spelling : std::size_t { kLower, kUpper, kOther, kSpellings, kNotAFormTag };

Spelling formTagSpelling(std::string_view page, std::size_t at) {
    const std::string_view start = page.substr(at, 6);
    if (start == "<form ") {
        return kLower;
    }
    if (start == "<FORM ") {
        return kUpper;
    }
    if (start.size() < 6 || !bytes::startsWithNoCase(start, "<form")) {
        return kNotAFormTag;
    }
    const char after = start[5];
    return bytes::isHtmlSpace(after) || after == '/' || after == '>' ? kOther : kNotAFormTag;
}

// ---------------------------------------------------------------------------------------------
// The attributes the walk reads, with searches that move forward with it (forward_finder.h)
// ---------------------------------------------------------------------------------------------

// The searches of one attribute across a walk: its variants, in order of trial, and the ends
// of its values. Each attribute has its own value searches, so that reading the name and then
// the type of a tag does not send one search back and forth.
using Variants = std::array<std::string_view, 5>;
constexpr Variants kNameVariants = {"name=", "NAME=", "Name=", "name =", "NAME ="};
constexpr Variants kTypeVariants = {"type=", "TYPE=", "Type=", "type =", "TYPE ="};

struct AttributeSearches {
    AttributeSearches(std::string_view text, Variants names)
        : variants{{{text, names[0]}, {text, names[1]}, {text, names[2]}, {text, names[3]}, {text, names[4]}}},
          doubleQuote(text, "\""), singleQuote(text, "'"), blank(text, " ") {}

    std::array<ForwardFinder, 5> variants;
    ForwardFinder doubleQuote;
    ForwardFinder singleQuote;
    ForwardFinder blank;
};

// The value of an attribute whose variant starts at `at`, in a tag that ends at `tagEnd`. Every
// variant holds its "=", and the value follows it and the blanks after it: a quoted value runs to
// its closing quote (false when that is not inside the tag), an unquoted one to the first blank
// after its first character, else to the tag's end. `find(byte, from)` is where `byte` next
// occurs from `from` on; npos or any place past the tag when it is not inside it.
template <typename Find>
bool readValue(std::string_view text, std::size_t at, std::size_t tagEnd, Find &&find, std::string_view &value) {
    std::size_t pos = text.find('=', at) + 1;
    while (pos < tagEnd && text[pos] == ' ') {
        ++pos;
    }
    if (pos >= tagEnd) {
        value = {};
        return true;
    }
    if (text[pos] == '"' || text[pos] == '\'') {
        const std::size_t close = find(text[pos], pos + 1);
        if (close == npos || close >= tagEnd) {
            return false;
        }
        value = text.substr(pos + 1, close - pos - 1);
        return true;
    }
    const std::size_t end = std::min(find(' ', pos + 1), tagEnd);
    value = text.substr(pos, end - pos);
    return true;
}

// Reads an attribute of the tag text [tagStart, tagEnd): the first variant that occurs decides,
// at its first occurrence. Returns false when it is absent or its quoted value is not closed
// inside the tag.
bool readAttribute(std::string_view text, std::size_t tagStart, std::size_t tagEnd, AttributeSearches &attribute,
                   std::string_view &value) {
    std::size_t at = npos;
    for (ForwardFinder &variant : attribute.variants) {
        const std::size_t found = variant.at(tagStart, tagEnd);
        if (found != npos && found < tagEnd) {
            at = found;
            break;
        }
    }
    if (at == npos) {
        return false;
    }
    const auto find = [&](char byte, std::size_t from) {
        ForwardFinder &search = byte == '"'   ? attribute.doubleQuote
                                : byte == ' ' ? attribute.blank
                                              : attribute.singleQuote;
        return search.at(from, tagEnd);
    };
    return readValue(text, at, tagEnd, find, value);
}

// The variants of the name and the type in one short tag, found in one look at its "=" signs
// instead of a search for each: every variant ends with its "=", and none reaches past the
// tag's end (the ">" or the "<" of the form's end is in no variant). For every variant, where
// it first starts in the tag; npos when it does not occur there.
struct ShortTagVariants {
    std::array<std::size_t, 5> name;
    std::array<std::size_t, 5> type;

    ShortTagVariants(std::string_view text, std::size_t tagStart, std::size_t tagEnd) {
        name.fill(npos);
        type.fill(npos);
        const char *data = text.data();
        const char *const tagEndAt = data + tagEnd;
        for (auto *equals = static_cast<const char *>(std::memchr(data + tagStart, '=', tagEnd - tagStart));
             equals != nullptr; equals = static_cast<const char *>(
                                    std::memchr(equals + 1, '=', static_cast<std::size_t>(tagEndAt - equals - 1)))) {
            // Every variant is a four-letter word, then "=" or " =": the bytes that end at this
            // "=" are compared with the variants of that shape.
            const auto equalsAt = static_cast<std::size_t>(equals - data);
            const bool spaced = equalsAt > tagStart && equals[-1] == ' ';
            if (equalsAt < tagStart + (spaced ? 5 : 4)) {
                continue;
            }
            const std::size_t at = equalsAt - (spaced ? 5 : 4);
            const std::string_view word(data + at, equalsAt + 1 - at);
            const auto note = [&](const Variants &variants, std::array<std::size_t, 5> &first) {
                for (std::size_t i = 0; i < variants.size(); ++i) {
                    if (first[i] == npos && word == variants[i]) {
                        first[i] = at;
                    }
                }
            };
            note(kNameVariants, name);
            note(kTypeVariants, type);
        }
    }

    // readAttribute for the attribute whose variants first start at `first`.
    static bool read(std::string_view text, std::size_t tagEnd, const std::array<std::size_t, 5> &first,
                     std::string_view &value) {
        for (const std::size_t at : first) {
            if (at != npos) {
                // The ends of the value are looked for inside the tag itself.
                const std::string_view tag = text.substr(0, tagEnd);
                return readValue(
                    text, at, tagEnd, [tag](char byte, std::size_t from) { return tag.find(byte, from); }, value);
            }
        }
        return false;
    }
};

bool isExcludedInputType(std::string_view type) {
    static constexpr std::array<std::string_view, 7> kExcluded = {"submit", "image",    "reset", "button",
                                                                  "hidden", "checkbox", "radio"};
    for (std::string_view word : kExcluded) {
        if (bytes::equalsNoCase(type, word)) {
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The field names of one form
// ---------------------------------------------------------------------------------------------

// Distinct names in order of first occurrence. The names are views into the page, which
// outlives the walk, and the set is a flat open-addressing table of their indices, so a page
// with a million names costs no allocation per name. Each slot keeps 32 bits of its name's
// hash too: a probe compares the bytes of a name only when those agree, and growing the table
// does not read the names again. A slot is eight bytes and an empty one is all zero, so a
// table straight from the system needs no filling. The first tag of each name is read for what
// it declares (readTagMarkup) when the name goes into the table; the tag is read up to its ">"
// or the next "<", whichever comes first, so that the tags read never overlap and a run of
// tags without ">" costs each byte once.
class NameList {
public:
    explicit NameList(std::string_view text) : m_text(text) {}

    // Names wait in a short queue, their slots asked for ahead: the table is far larger than
    // the caches, and one name's slot then arrives while the tags of the next ones are read.
    // They go into the table in the order they came, so the first occurrence still decides.
    // `name` was read from the tag [tagStart, tagEnd) of the text.
    void add(std::string_view name, std::size_t tagStart, std::size_t tagEnd) {
        const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(name));
#if defined(__GNUC__) || defined(__clang__)
        if (m_slots) {
            __builtin_prefetch(&m_slots[hash & (m_slotCount - 1)]);
        }
#endif
        m_queue[m_queued++] = {name, hash, tagStart, tagEnd};
        if (m_queued == m_queue.size()) {
            flush();
        }
    }
    FormFields take() {
        flush();
        return {{m_names.begin(), m_names.end()}, std::move(m_markup)};
    }

private:
    struct Slot {
        std::uint32_t hash;
        std::uint32_t number; // the name's index plus one; 0 in an empty slot
    };
    struct Queued {
        std::string_view name;
        std::uint32_t hash = 0;
        std::size_t tagStart = 0;
        std::size_t tagEnd = 0;
    };
    struct FreeSlots {
        void operator()(Slot *slots) const { std::free(slots); }
    };

    void flush() {
        for (std::size_t i = 0; i < m_queued; ++i) {
            insert(m_queue[i]);
        }
        m_queued = 0;
    }

    void insert(const Queued &queued) {
        const std::string_view name = queued.name;
        const std::uint32_t hash = queued.hash;
        if ((m_names.size() + 1) * 2 > m_slotCount) {
            grow();
        }
        Slot &slot = m_slots[place(name, hash)];
        if (slot.number == 0) {
            // Each name has a tag of a dozen bytes or more to itself: only a form of some
            // fifty gigabytes could hold more names than a slot numbers.
            if (m_names.size() >= std::numeric_limits<std::uint32_t>::max() - 1) {
                throw std::length_error("too many field names in one form");
            }
            m_names.push_back(name);
            slot = {hash, static_cast<std::uint32_t>(m_names.size())};
            readMarkup(queued.tagStart, queued.tagEnd);
        }
    }

    // The slot that holds `name`, or the empty slot where it belongs.
    std::size_t place(std::string_view name, std::uint32_t hash) const {
        const std::size_t mask = m_slotCount - 1;
        std::size_t slot = hash & mask;
        while (m_slots[slot].number != 0 && (m_slots[slot].hash != hash || m_names[m_slots[slot].number - 1] != name)) {
            slot = (slot + 1) & mask;
        }
        return slot;
    }

    void grow() {
        const std::size_t count = m_slotCount == 0 ? 64 : m_slotCount * 2;
        // Zeroed by the system. A table of many megabytes is read at random: huge pages spare
        // most of its TLB misses.
        std::unique_ptr<Slot[], FreeSlots> slots(static_cast<Slot *>(std::calloc(count, sizeof(Slot))));
        if (!slots) {
            throw std::bad_alloc();
        }
        bytes::adviseHugePages(reinterpret_cast<char *>(slots.get()), count * sizeof(Slot));
        const std::size_t mask = count - 1;
        for (std::size_t i = 0; i < m_slotCount; ++i) {
            const Slot &entry = m_slots[i];
            if (entry.number != 0) {
                std::size_t slot = entry.hash & mask;
                while (slots[slot].number != 0) {
                    slot = (slot + 1) & mask;
                }
                slots[slot] = entry;
            }
        }
        m_slots = std::move(slots);
        m_slotCount = count;
    }

    // The markup of the name added last.
    void readMarkup(std::size_t tagStart, std::size_t tagEnd) {
        const std::string_view tag = m_text.substr(tagStart, tagEnd - tagStart);
        rules::FieldMarkup markup = readTagMarkup(tag.substr(0, tag.find('<', 1)));
        if (!markup.declaresNothing()) {
            m_markup.add(m_names.size() - 1, std::move(markup));
        }
    }

    std::string_view m_text;
    MarkupByField m_markup;
    std::vector<std::string_view> m_names;
    std::unique_ptr<Slot[], FreeSlots> m_slots;
    std::size_t m_slotCount = 0;
    std::array<Queued, 16> m_queue{};
    std::size_t m_queued = 0;
};

// Walks the tags of a form and lists the field names. `text` runs from the form tag to the end
// of the page; the form's text ends at the first `formEnd` ("</form" for a "<form " tag,
// "</FORM" for a "<FORM " one), even inside a comment or a tag. That end is looked for only
// across the comments and field tags the walk steps over, so the form is read once, not twice.
// States of the loop: at a "<" that opens a comment, the form's end, a field tag or any
// other tag; every other byte is skipped by the search for the next "<". The search passes
// over the "<" that cannot start a comment, "</form", "<input", "<select" or "<textarea",
// since the loop would only step past them. At the form's end there is a "</form" in one
// case or the other, which ends the walk.
FormFields walkTags(std::string_view text, std::string_view formEnd, const std::atomic<bool> *stop = nullptr) {
    NameList names(text);
    ForwardFinder closeAngle(text, ">");
    ForwardFinder commentClose(text, "->");
    ForwardFinder end(text, formEnd);
    AttributeSearches name(text, kNameVariants);
    AttributeSearches type(text, kTypeVariants);
    const bytes::TagStartSet<4, 1> starts("ist", "f");
    bytes::TagStartCursor cursor(starts, text);
    // A field tag of a few hundred bytes that begins past the last one read that way is read in
    // one look (ShortTagVariants); a longer one, or one that begins inside a tag read before,
    // goes to the searches above, which read each byte about once however the tags overlap.
    constexpr std::size_t kShortTag = 256;
    std::size_t readTo = 0;
    std::size_t pos = 0;
    for (;;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return {};
        }
        const std::size_t lt = cursor.next(pos);
        if (lt == npos) {
            break;
        }
        const std::string_view at = text.substr(lt);
        if (at.substr(0, 3) == "<!-") {
            // A comment whose "->" lies past the form's end is not closed inside the form.
            const std::size_t close = commentClose.at(lt + 3);
            const bool closed = close != npos && end.at(lt + 3, close) >= close;
            pos = closed ? close + 2 : lt + 3;
            continue;
        }
        // The byte after "<" tells which of the tags below it can be at all.
        const char second = at.size() > 1 ? bytes::lowerAscii(at[1]) : '\0';
        if (second == '/' && bytes::startsWithNoCase(at, "</form")) {
            break;
        }
        const bool isSelect = second == 's' && bytes::startsWithNoCase(at, "<select");
        const bool isTextarea = second == 't' && bytes::startsWithNoCase(at, "<textarea");
        const bool isInput = second == 'i' && bytes::startsWithNoCase(at, "<input");
        if (isSelect || isTextarea || isInput) {
            // The tag ends at its ">", or at the form's end when that comes first.
            std::size_t tagEnd = closeAngle.at(lt + 1);
            if (tagEnd == npos) {
                tagEnd = text.size();
            }
            tagEnd = std::min(tagEnd, end.at(lt + 1, tagEnd));
            std::optional<ShortTagVariants> shortTag;
            if (lt >= readTo && tagEnd - lt <= kShortTag) {
                shortTag.emplace(text, lt, tagEnd);
                readTo = tagEnd;
            }
            const auto readOf = [&](AttributeSearches &searches, const std::array<std::size_t, 5> *firsts,
                                    std::string_view &value) {
                return firsts != nullptr ? ShortTagVariants::read(text, tagEnd, *firsts, value)
                                         : readAttribute(text, lt, tagEnd, searches, value);
            };
            std::string_view nameValue;
            if (readOf(name, shortTag ? &shortTag->name : nullptr, nameValue)) {
                bool listed = true;
                if (isInput) {
                    std::string_view typeValue;
                    if (readOf(type, shortTag ? &shortTag->type : nullptr, typeValue)) {
                        listed = !isExcludedInputType(typeValue);
                    }
                }
                if (listed) {
                    names.add(nameValue, lt, tagEnd);
                }
            }
        }
        pos = lt + 1;
    }
    return names.take();
}

// ---------------------------------------------------------------------------------------------
// The form tags
// ---------------------------------------------------------------------------------------------

// Calls visit(position, spelling) for every form tag in page order, in one pass for all
// spellings; stops when visit returns false. A "<" followed by "f" in either case is looked
// at; every other "<" is passed over by the wide search.
template <typename Visit> void visitFormTags(std::string_view page, Visit visit) {
    for (bytes::EitherFound tag = bytes::findEitherFast(page, "<f", "<F"); tag.at != npos;
         tag = bytes::findEitherFast(page, "<f", "<F", tag.at + 1)) {
        const std::size_t at = tag.at;
        const Spelling spelling = formTagSpelling(page, at);
        if (spelling != kNotAFormTag && !visit(at, spelling)) {
            return;
        }
    }
}

// The chooser's tag texts of one spelling, built while the tags go by in page order. A tag
// inside the text of the last one listed is passed over, and the first tag without a ">"
// after it ends the list, since no later tag of its spelling has one either.
class TagTextList {
public:
    void offer(std::string_view page, std::size_t at) {
        if (m_complete || at < m_from) {
            return;
        }
        const std::size_t close = page.find('>', at + 2);
        if (close == npos) {
            m_complete = true;
            return;
        }
        m_texts.emplace_back(page.substr(at, close - at + 1));
        m_from = close;
    }
    bool complete() const { return m_complete; }
    std::vector<std::string> &texts() { return m_texts; }

private:
    std::vector<std::string> m_texts;
    std::size_t m_from = 0;
    bool m_complete = false;
};

using TagTextLists = std::array<TagTextList, kSpellings>;

bool allComplete(const TagTextLists &lists) {
    return std::all_of(lists.begin(), lists.end(), [](const TagTextList &list) { return list.complete(); });
}

// The lists in form count order: every "<form " text, then every "<FORM " text, then the rest.
std::vector<std::string> joinTagTexts(TagTextLists &lists) {
    std::vector<std::string> texts = std::move(lists[kLower].texts());
    for (std::size_t spelling = kUpper; spelling < kSpellings; ++spelling) {
        std::vector<std::string> &more = lists[spelling].texts();
        texts.insert(texts.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    return texts;
}

// The first "</form" in any case at or after `from`, as the page spells it; "</form" when
// there is none (and then that is not found either).
std::string_view firstClosingFormTag(std::string_view text, std::size_t from) {
    for (std::size_t at = bytes::findFast(text, "</", from); at != npos; at = bytes::findFast(text, "</", at + 1)) {
        if (bytes::startsWithNoCase(text.substr(at), "</form")) {
            return text.substr(at, 6);
        }
    }
    return "</form";
}

// The field names of the form whose tag starts at `at`. The form's text ends at "</form"
// after a "<form " tag, at "</FORM" after a "<FORM " tag, and after any other form tag at the
// first closing form tag in whatever case.
FormFields fieldsOfFormAt(std::string_view page, std::size_t at, const std::atomic<bool> *stop = nullptr) {
    const std::string_view form = page.substr(at);
    switch (formTagSpelling(page, at)) {
    case kLower: return walkTags(form, "</form", stop);
    case kUpper: return walkTags(form, "</FORM", stop);
    default: return walkTags(form, firstClosingFormTag(form, 2), stop);
    }
}

// The fields of form 1, listed on another thread while the scan surveys the form tags and
// restores the rules (the first form is the one usually chosen, and the only one on most
// pages); an empty future when the page is small or no thread can be had. Setting `stop` ends
// the walk early with no fields, for a scan that chose another form.
std::future<FormFields> walkFirstFormAside(std::string_view page, const std::atomic<bool> &stop) {
    if (page.size() < aside::kSecondThreadFrom) {
        return {};
    }
    return aside::start([page, &stop] {
        const std::size_t at = findFormTag(page, 1);
        return at == npos ? FormFields{} : fieldsOfFormAt(page, at, &stop);
    });
}

// What one pass over the form tags learns for the scan. The pass stops early once nothing
// more can change the answers the scan gives (a page of a million "<form " without ">" is
// done after a few tags); the counts are then those of the tags seen.
struct FormTagSurvey {
    static constexpr std::size_t kKept = 16; // positions kept of each spelling

    bool complete = true; // false: the pass stopped early
    std::array<std::size_t, kSpellings> counts{};
    std::array<std::vector<std::size_t>, kSpellings> firsts; // the first kKept positions of each
    std::size_t lastTag = 0;                                 // the position of the last tag of any spelling
    std::vector<std::string> tagTexts;                       // the chooser's texts

    std::size_t total() const { return counts[kLower] + counts[kUpper] + counts[kOther]; }

    // The tag of form 1: the first of the first spelling that occurs at all.
    std::size_t firstTag() const {
        for (const std::vector<std::size_t> &positions : firsts) {
            if (!positions.empty()) {
                return positions.front();
            }
        }
        return npos;
    }

    // Form `number` (1-based, form count order), or npos when its position was not kept or
    // the pass stopped before the count is known.
    std::size_t keptPosition(int number) const {
        if (number < 1) {
            return npos;
        }
        auto index = static_cast<std::size_t>(number - 1);
        for (std::size_t spelling = 0; spelling < kSpellings; ++spelling) {
            if (index < counts[spelling]) {
                // Only the lower-case count is final before the pass ends.
                const bool known = spelling == kLower || complete;
                return known && index < firsts[spelling].size() ? firsts[spelling][index] : npos;
            }
            index -= counts[spelling];
        }
        return npos;
    }
};

FormTagSurvey surveyFormTags(std::string_view page) {
    FormTagSurvey survey;
    TagTextLists texts;
    visitFormTags(page, [&](std::size_t at, Spelling which) {
        ++survey.counts[which];
        if (survey.firsts[which].size() < FormTagSurvey::kKept) {
            survey.firsts[which].push_back(at);
        }
        survey.lastTag = at;
        texts[which].offer(page, at);
        // Every text list is complete and a tag follows the first lower-case one: the form is
        // found, there are several, and no later tag adds a text.
        const bool settled =
            allComplete(texts) && survey.counts[kLower] > 0 && survey.lastTag > survey.firsts[kLower].front();
        survey.complete = !settled;
        return !settled;
    });
    survey.tagTexts = joinTagTexts(texts);
    return survey;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The scan
// ---------------------------------------------------------------------------------------------

std::vector<std::size_t> formTagPositions(std::string_view page) {
    std::array<std::vector<std::size_t>, kSpellings> bySpelling;
    visitFormTags(page, [&](std::size_t at, Spelling spelling) {
        bySpelling[spelling].push_back(at);
        return true;
    });
    std::vector<std::size_t> positions = std::move(bySpelling[kLower]);
    positions.insert(positions.end(), bySpelling[kUpper].begin(), bySpelling[kUpper].end());
    positions.insert(positions.end(), bySpelling[kOther].begin(), bySpelling[kOther].end());
    return positions;
}

std::size_t findFormTag(std::string_view page, int number) {
    if (number < 1) {
        return npos;
    }
    // The lower-case tags count first: the pass stops at the wanted one, and keeps as many of
    // the other tags as could be wanted when there are too few lower-case ones.
    const auto wanted = static_cast<std::size_t>(number);
    std::size_t lowers = 0;
    std::size_t found = npos;
    std::array<std::vector<std::size_t>, kSpellings> later;
    visitFormTags(page, [&](std::size_t at, Spelling spelling) {
        if (spelling == kLower) {
            if (++lowers == wanted) {
                found = at;
                return false;
            }
        } else if (later[spelling].size() < wanted) {
            later[spelling].push_back(at);
        }
        return true;
    });
    if (found != npos) {
        return found;
    }
    // Fewer than `wanted` kept of a spelling means all of that spelling were kept.
    std::size_t index = wanted - lowers - 1;
    for (std::size_t spelling = kUpper; spelling < kSpellings; ++spelling) {
        if (index < later[spelling].size()) {
            return later[spelling][index];
        }
        index -= later[spelling].size();
    }
    return npos;
}

std::vector<std::string> chooserTagTexts(std::string_view page) {
    TagTextLists lists;
    visitFormTags(page, [&](std::size_t at, Spelling spelling) {
        lists[spelling].offer(page, at);
        return !allComplete(lists);
    });
    return joinTagTexts(lists);
}

std::vector<std::string> listFields(std::string_view page, int chosenForm) {
    return listFieldsWithMarkup(page, chosenForm).names;
}

FormFields listFieldsWithMarkup(std::string_view page, int chosenForm) {
    const std::size_t at = findFormTag(page, chosenForm);
    if (at == npos) {
        return {};
    }
    return fieldsOfFormAt(page, at);
}

ScanResult scanPage(std::string_view page, const Chooser &chooser) {
    ScanResult result;
    std::atomic<bool> stopAside{false};
    std::future<FormFields> firstForm = walkFirstFormAside(page, stopAside);
    // Whatever way the scan ends, the other thread stops and is waited for before the page,
    // which it reads, can go.
    struct StopAside {
        std::atomic<bool> &stop;
        std::future<FormFields> &walk;
        ~StopAside() {
            stop.store(true, std::memory_order_relaxed);
            if (walk.valid()) {
                walk.wait();
            }
        }
    } stopAtEnd{stopAside, firstForm};

    FormTagSurvey survey = surveyFormTags(page);
    if (survey.total() == 0) {
        return result;
    }
    result.formFound = true;
    // "Several" means another tag after the tag of form 1 (the first lower-case one, else the
    // first capital one, else the first of the rest), so that a capital tag before the only
    // lower-case one is not asked about, as it never was; or a tag of the other spellings
    // anywhere beside form 1, since each of those is a form the author can choose.
    result.severalForms = survey.lastTag > survey.firstTag() || (survey.counts[kOther] > 0 && survey.total() > 1);
    result.tagTexts = std::move(survey.tagTexts);
    if (result.severalForms && chooser) {
        result.chosenForm = chooser(result.tagTexts);
    }
    if (result.chosenForm != 1) {
        stopAside.store(true, std::memory_order_relaxed);
    }
    recoverRules(page, result.rules);
    const bool beyondCount = survey.complete && static_cast<std::size_t>(result.chosenForm) > survey.total();
    FormFields fields;
    std::size_t at = npos;
    if (result.chosenForm >= 1 && !beyondCount) {
        at = survey.keptPosition(result.chosenForm);
        if (at == npos) {
            at = findFormTag(page, result.chosenForm);
        }
    }
    if (result.chosenForm == 1 && firstForm.valid()) {
        fields = firstForm.get();
    } else if (at != npos) {
        fields = fieldsOfFormAt(page, at);
    }
    result.fields = std::move(fields.names);
    result.markup = std::move(fields.markup);
    if (at != npos) {
        result.legacy = readLegacyRules(page, at, result.fields, result.rules);
    }
    return result;
}

std::optional<std::string> unsupportedEncoding(std::string_view page) {
    // Four-byte marks first: the UTF-32 little-endian mark starts like UTF-16's.
    const auto startsWith = [page](std::string_view mark) { return page.substr(0, mark.size()) == mark; };
    using namespace std::string_view_literals;
    if (startsWith("\xFF\xFE\0\0"sv) || startsWith("\0\0\xFE\xFF"sv)) {
        return texts::fill(texts::kUnsupportedEncoding, "UTF-32");
    }
    if (startsWith("\xFF\xFE"sv) || startsWith("\xFE\xFF"sv)) {
        return texts::fill(texts::kUnsupportedEncoding, "UTF-16");
    }
    return std::nullopt;
}

} // namespace velmoraine::scan
