#include "gui/box_text.h"

#include <algorithm>
#include <cstring>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace velmoraine::gui {

namespace {

constexpr qsizetype kCompareChunk = 4096;

// A character that ends a line break whatever follows it. A CR may still be the first half of a
// CR LF.
bool endsBreak(QChar c) {
    return c == u'\n' || c == QChar::ParagraphSeparator || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
}

// The length of the text in the document, where a CR LF is one character, the block's end.
qsizetype documentLength(QStringView text) {
    qsizetype pairs = 0;
    for (qsizetype at = text.indexOf(u'\r'); at >= 0 && at + 1 < text.size(); at = text.indexOf(u'\r', at + 1)) {
        if (text[at + 1] == u'\n') {
            ++pairs;
        }
    }
    return text.size() - pairs;
}

qsizetype commonStart(QStringView a, QStringView b) {
    const qsizetype most = std::min(a.size(), b.size());
    qsizetype length = 0;
    while (length + kCompareChunk <= most &&
           std::memcmp(a.data() + length, b.data() + length, kCompareChunk * sizeof(QChar)) == 0) {
        length += kCompareChunk;
    }
    while (length < most && a[length] == b[length]) {
        ++length;
    }
    return length;
}

// At most `most` characters.
qsizetype commonEnd(QStringView a, QStringView b, qsizetype most) {
    qsizetype length = 0;
    while (length + kCompareChunk <= most &&
           std::memcmp(a.data() + a.size() - length - kCompareChunk, b.data() + b.size() - length - kCompareChunk,
                       kCompareChunk * sizeof(QChar)) == 0) {
        length += kCompareChunk;
    }
    while (length < most && a[a.size() - 1 - length] == b[b.size() - 1 - length]) {
        ++length;
    }
    return length;
}

// The last place at or before `common` where a line starts in two texts that agree on their
// first `common` characters, `text` one of them. After a CR it is one only when the CR's next
// character, the same in both, is not an LF.
qsizetype lineStartBefore(QStringView text, qsizetype common) {
    for (qsizetype at = common; at > 0; --at) {
        const QChar c = text[at - 1];
        if (endsBreak(c) || (c == u'\r' && at < common && text[at] != u'\n')) {
            return at;
        }
    }
    return 0;
}

// The first place in `tail`, the end that two texts have in common, where a line starts in both
// whatever comes before the tail; the tail's end when there is none.
qsizetype lineStartIn(QStringView tail) {
    for (qsizetype at = 1; at < tail.size(); ++at) {
        const QChar c = tail[at - 1];
        if (endsBreak(c) || (c == u'\r' && tail[at] != u'\n')) {
            return at;
        }
    }
    return tail.size();
}

// Replaces the lines where `text` differs from `shown`, which the document holds. False when the
// document holds something else, or when so much differs that laying in the whole text is quicker.
bool replaceChangedLines(QTextDocument &document, QStringView shown, const QString &text) {
    if (shown.isEmpty() || document.characterCount() - 1 != documentLength(shown)) {
        return false;
    }
    const QStringView next(text);
    // The lines both start with, and those both end with, and between them what differs.
    const qsizetype head = lineStartBefore(shown, commonStart(shown, next));
    const QStringView tail = shown.last(commonEnd(shown, next, std::min(shown.size(), next.size()) - head));
    const qsizetype kept = tail.size() - lineStartIn(tail);
    const QStringView before = shown.sliced(head, shown.size() - kept - head);
    const QStringView after = next.sliced(head, next.size() - kept - head);
    if (before.size() + after.size() >= next.size()) {
        return false;
    }
    if (before.isEmpty() && after.isEmpty()) {
        return true;
    }
    const auto from = static_cast<int>(documentLength(shown.first(head)));
    QTextCursor cursor(&document);
    cursor.setPosition(from);
    cursor.setPosition(from + static_cast<int>(documentLength(before)), QTextCursor::KeepAnchor);
    cursor.insertText(after.toString());
    return true;
}

} // namespace

void setBoxText(QPlainTextEdit &box, QStringView shown, const QString &text) {
    QTextDocument *document = box.document();
    // Like setPlainText, this leaves no undo step, and drops those of edits undone before.
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    // The document's own setPlainText: the box's would then set the character format of the
    // whole text once more, a tenth of the time again.
    if (!replaceChangedLines(*document, shown, text)) {
        document->setPlainText(text);
    }
    document->setUndoRedoEnabled(undo);
    document->setModified(false);
    box.moveCursor(QTextCursor::Start);
    box.horizontalScrollBar()->setValue(0);
    box.verticalScrollBar()->setValue(0);
}

} // namespace velmoraine::gui
