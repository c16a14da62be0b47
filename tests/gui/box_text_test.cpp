// A text given to a plain text box that held an earlier one: the box ends as setPlainText leaves
// it, whether the lines in common were kept or the whole text was laid in anew.
#include <iterator>
#include <utility>

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "gui/box_text.h"

using namespace velmoraine;

namespace {

// What a box holds, line by line: the raw text keeps every block's end as U+2029.
QString holding(const QPlainTextEdit &box) { return box.document()->toRawText(); }

// The box's lines with their formats, once the marks are taken off.
QString formatted(QPlainTextEdit &box) {
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        block.setUserState(-1);
    }
    return box.document()->toHtml();
}

// A box that holds `shown` as setBoxText gave it, every line marked.
void fill(QPlainTextEdit &box, const QString &shown) {
    gui::setBoxText(box, {}, shown);
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        block.setUserState(1);
    }
}

} // namespace

class BoxTextTest : public QObject {
    Q_OBJECT
private slots:
    void endsAsSetPlainTextLeavesIt_data();
    void endsAsSetPlainTextLeavesIt();
    void editedTextsEndAsSetPlainTextLeavesThem();
    void boxStartsAtTheTopUnmodifiedWithoutUndo_data();
    void boxStartsAtTheTopUnmodifiedWithoutUndo();
};

// Rows: the text the box holds, the text it is given, and whether the box was changed in place
// rather than given the whole text anew. A change in place keeps the document's first block,
// and with it the mark on it, even when the first line is replaced.
void BoxTextTest::endsAsSetPlainTextLeavesIt_data() {
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inPlace");
    const auto row = [](const char *name, const char16_t *shown, const char16_t *text, bool inPlace) {
        QTest::newRow(name) << QString::fromUtf16(shown) << QString::fromUtf16(text) << inPlace;
    };
    row("the same text", u"a\r\nb\r\nc\r\n", u"a\r\nb\r\nc\r\n", true);
    row("a line changed", u"a\r\nb\r\nc\r\nd\r\n", u"a\r\nX\r\nc\r\nd\r\n", true);
    row("lines added", u"a\nb\nc\nd\ne\n", u"a\nb\nnew\nnewer\nc\nd\ne\n", true);
    row("lines removed", u"a\nb\nc\nd\ne\nf\ng\nh\n", u"a\nb\nc\nf\ng\nh\n", true);
    row("the first line changed", u"a\nb\nc\nd\ne\nf\n", u"A\nb\nc\nd\ne\nf\n", true);
    row("the last line changed, no break after it", u"a\nb\nc\nd", u"a\nb\nc\nD", true);
    row("a line added at the end", u"a\nb\nc\nd\n", u"a\nb\nc\nd\ne\n", true);
    row("an LF becomes a CR LF", u"a\nb\nc\nd\n", u"a\nb\r\nc\nd\n", true);
    row("a CR LF becomes an LF", u"a\r\nb\r\nc\r\nd\r\n", u"a\r\nb\nc\r\nd\r\n", true);
    row("a lone CR gets an LF", u"a\rb\rc\rd\re\r", u"a\rb\r\nc\rd\re\r", true);
    row("a CR added before a kept LF", u"ab\ncd\nef\ngh\n", u"ab\ncd\r\nef\ngh\n", true);
    row("a CR at the end of the common start", u"a\nb\rc\nd\ne\n", u"a\nb\r\nc\nd\ne\n", true);
    row("paragraph separators and frame marks", u"a\u2029b\uFDD0c\uFDD1d\u2028e\nf\n",
        u"a\u2029b\uFDD0c\uFDD1D\u2028e\nf\n", true);
    row("a break that is a frame mark added", u"a\nbc\nd\ne\n", u"a\nb\uFDD0c\nd\ne\n", true);
    row("from nothing", u"", u"a\nb\n", false);
    row("to nothing", u"a\nb\n", u"", false);
    row("every line differs", u"aaa\nbbb\nccc\n", u"xxx\nyyy\nzzz\n", false);
    row("one long line", u"xxxxxxxxxxxxxxxxxxxx1xxxxxxxxxxxxxxxxxxxx", u"xxxxxxxxxxxxxxxxxxxx2xxxxxxxxxxxxxxxxxxxx",
        false);
}

void BoxTextTest::endsAsSetPlainTextLeavesIt() {
    QFETCH(QString, shown);
    QFETCH(QString, text);
    QFETCH(bool, inPlace);
    QPlainTextEdit box;
    fill(box, shown);
    gui::setBoxText(box, shown, text);
    QPlainTextEdit expected;
    expected.setPlainText(text);
    QCOMPARE(holding(box), holding(expected));
    QCOMPARE(box.document()->blockCount(), expected.document()->blockCount());
    QCOMPARE(box.toPlainText(), expected.toPlainText());
    QCOMPARE(box.document()->firstBlock().userState() == 1, inPlace);
    QCOMPARE(formatted(box), formatted(expected));

    // A box whose text is not as long as `shown` is given the whole text.
    QPlainTextEdit other;
    fill(other, QStringLiteral("a text longer than any of the rows\n"));
    gui::setBoxText(other, shown, text);
    QCOMPARE(holding(other), holding(expected));
}

// Random texts of line breaks of every kind, each given to a box that holds it with a part
// replaced, and the other way round.
void BoxTextTest::editedTextsEndAsSetPlainTextLeavesThem() {
    static constexpr char16_t kAlphabet[] = {u'a', u'b', u'\r', u'\n', u'\r', u'\n', 0x2029, 0xFDD0, 0xFDD1, 0x2028};
    QRandomGenerator random(20240611);
    const auto randomText = [&](int most) {
        QString text;
        for (int length = random.bounded(most + 1); length > 0; --length) {
            text.append(QChar(kAlphabet[random.bounded(static_cast<int>(std::size(kAlphabet)))]));
        }
        return text;
    };
    for (int round = 0; round < 2000; ++round) {
        const QString shown = randomText(60);
        QString text = shown;
        const int from = random.bounded(static_cast<int>(text.size()) + 1);
        text.replace(from, random.bounded(static_cast<int>(text.size()) - from + 1), randomText(6));
        for (const auto &[before, after] : {std::pair(shown, text), std::pair(text, shown)}) {
            QPlainTextEdit box;
            fill(box, before);
            gui::setBoxText(box, before, after);
            QPlainTextEdit expected;
            expected.setPlainText(after);
            QCOMPARE(holding(box), holding(expected));
            QCOMPARE(box.document()->blockCount(), expected.document()->blockCount());
            QCOMPARE(formatted(box), formatted(expected));
        }
    }
}

// Rows: a box scrolled down and right, with a selection and an edit undone, given the same
// text, the text with one line changed, or a text of other lines (laid in anew).
void BoxTextTest::boxStartsAtTheTopUnmodifiedWithoutUndo_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("the same text") << QString() << QString() << true;
    QTest::newRow("one line changed") << QStringLiteral("line 150 ") << QStringLiteral("line 150, changed ") << true;
    QTest::newRow("every line changed") << QStringLiteral("line ") << QStringLiteral("row ") << false;
}

void BoxTextTest::boxStartsAtTheTopUnmodifiedWithoutUndo() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, inPlace);
    QString shown;
    for (int line = 0; line < 300; ++line) {
        shown += QStringLiteral("line %1 ").arg(line) + QString(200, u'x') + QStringLiteral("\r\n");
    }
    QString text = shown;
    if (!from.isEmpty()) {
        text.replace(from, to);
    }

    QPlainTextEdit box;
    box.setLineWrapMode(QPlainTextEdit::NoWrap);
    box.resize(300, 200);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    fill(box, shown);
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(40);
    cursor.setPosition(60, QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
    box.insertPlainText(QStringLiteral("typed"));
    box.undo();
    QVERIFY(!box.document()->isModified());
    QVERIFY(box.document()->isRedoAvailable());
    box.verticalScrollBar()->setValue(box.verticalScrollBar()->maximum());
    box.horizontalScrollBar()->setValue(box.horizontalScrollBar()->maximum());
    QVERIFY(box.verticalScrollBar()->value() > 0 && box.horizontalScrollBar()->value() > 0);

    gui::setBoxText(box, shown, text);
    QCOMPARE(box.toPlainText(), QPlainTextEdit(text).toPlainText());
    QCOMPARE(box.document()->firstBlock().userState() == 1, inPlace);
    QVERIFY(!box.document()->isModified());
    QVERIFY(!box.document()->isUndoAvailable());
    QVERIFY(!box.document()->isRedoAvailable());
    QCOMPARE(box.textCursor().position(), 0);
    QVERIFY(!box.textCursor().hasSelection());
    QCOMPARE(box.verticalScrollBar()->value(), 0);
    QCOMPARE(box.horizontalScrollBar()->value(), 0);

    // An edit afterwards is undone to the new text.
    box.insertPlainText(QStringLiteral("typed"));
    QVERIFY(box.document()->isModified());
    box.undo();
    QCOMPARE(box.toPlainText(), QPlainTextEdit(text).toPlainText());
    QVERIFY(!box.document()->isModified());
}

QTEST_MAIN(BoxTextTest)
#include "box_text_test.moc"
