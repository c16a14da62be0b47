// The windows' controls, each with its class, name, place, size, font, texts and state, and the
// keyboard order, written out as text for the three pages and the chooser at the classic size, in
// a larger window and with a wider face, and compared with tests/gui/expected/window_layouts.txt.
// With VELMORAINE_LAYOUT_PICTURES set to a folder, each state is also drawn there as a PNG.
#include <algorithm>
#include <utility>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTest>

#include "gui/rule_editor_page.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using velmoraine::test::WizardFixture;

namespace {

const std::string kContactPage = "<html>\r\n<head>\r\n<title>Contact</title>\r\n</head>\r\n<body>\r\n"
                                 "<form method=\"post\" action=\"mail.asp\" name=\"order\">\r\n"
                                 "<input type=\"text\" name=\"fullname\">\r\n"
                                 "<input type=\"text\" name=\"email\">\r\n"
                                 "<input type=\"submit\" value=\"Send\">\r\n"
                                 "</form>\r\n</body>\r\n</html>\r\n";

QString sizeText(QSize size) {
    const auto side = [](int length) {
        return length == QWIDGETSIZE_MAX ? QStringLiteral("-") : QString::number(length);
    };
    return side(size.width()) + u'x' + side(size.height());
}

QString quoted(const QString &text) {
    QString shown = text;
    shown.replace(u'\\', QLatin1String("\\\\"))
        .replace(u'\n', QLatin1String("\\n"))
        .replace(u'"', QLatin1String("\\\""));
    return u'"' + shown + u'"';
}

// A long text by its length and a digest.
QString digest(const QString &text) {
    const QByteArray hash = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    return QStringLiteral("%1 chars %2").arg(text.size()).arg(QString::fromLatin1(hash));
}

// What a control shows.
QString textsOf(const QWidget *widget) {
    QStringList texts;
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        texts.append(QStringLiteral("text=") + quoted(label->text()));
        texts.append(QStringLiteral("align=%1 wrap=%2").arg(int(label->alignment())).arg(int(label->wordWrap())));
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        texts.append(QStringLiteral("text=") + quoted(button->text()));
        texts.append(QStringLiteral("checked=%1").arg(int(button->isChecked())));
    } else if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        texts.append(QStringLiteral("text=") + quoted(edit->text()));
        texts.append(QStringLiteral("readOnly=%1").arg(int(edit->isReadOnly())));
    } else if (const auto *box = qobject_cast<const QPlainTextEdit *>(widget)) {
        texts.append(QStringLiteral("text=") + digest(box->toPlainText()));
        texts.append(QStringLiteral("readOnly=%1").arg(int(box->isReadOnly())));
    } else if (const auto *list = qobject_cast<const QListWidget *>(widget)) {
        texts.append(QStringLiteral("items=%1").arg(quoted(test::itemsOf(list).join(u'|'))));
    } else if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) {
            items.append(combo->itemText(i));
        }
        texts.append(QStringLiteral("items=%1 current=%2").arg(quoted(items.join(u'|'))).arg(combo->currentIndex()));
    }
    if (!widget->toolTip().isEmpty()) {
        texts.append(QStringLiteral("tip=") + quoted(widget->toolTip()));
    }
    return texts.isEmpty() ? QString() : u' ' + texts.join(u' ');
}

QString nameOf(const QWidget *widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// One line per control, its children indented below it in the order of their names. A control
// that a later one lies over says which ("under ..."): of the order the controls were made in,
// that is all that shows. The inner parts of boxes, lists and combo boxes are left out: they
// follow from the control.
void describe(const QWidget *widget, const QString &indent, const QString &under, QStringList &out) {
    const QFont font = widget->font();
    const QSizePolicy policy = widget->sizePolicy();
    out.append(QStringLiteral("%1%2 %3 at %4,%5 %6 min %7 max %8 policy %9/%10/%11/%12 font %13/%14%15%16%17%18%19%20")
                   .arg(indent, QString::fromLatin1(widget->metaObject()->className()), quoted(widget->objectName()))
                   .arg(widget->x())
                   .arg(widget->y())
                   .arg(sizeText(widget->size()), sizeText(widget->minimumSize()), sizeText(widget->maximumSize()))
                   .arg(int(policy.horizontalPolicy()))
                   .arg(int(policy.verticalPolicy()))
                   .arg(policy.horizontalStretch())
                   .arg(policy.verticalStretch())
                   .arg(font.family())
                   .arg(font.pixelSize())
                   .arg(font.bold() ? QStringLiteral(" bold") : QString(),
                        font.underline() ? QStringLiteral(" underline") : QString(),
                        widget->isVisible() ? QString() : QStringLiteral(" hidden"),
                        widget->isEnabled() ? QString() : QStringLiteral(" disabled"), under, textsOf(widget)));
    if (qobject_cast<const QAbstractScrollArea *>(widget) != nullptr ||
        qobject_cast<const QComboBox *>(widget) != nullptr) {
        return;
    }
    QList<const QWidget *> inner;
    for (const QObject *child : widget->children()) {
        if (const auto *control = qobject_cast<const QWidget *>(child); control != nullptr && !control->isWindow()) {
            inner.append(control);
        }
    }
    QList<std::pair<const QWidget *, QString>> sorted;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        QStringList over;
        for (qsizetype j = i + 1; j < inner.size(); ++j) {
            if (inner[i]->isVisible() && inner[j]->isVisible() &&
                inner[i]->geometry().intersects(inner[j]->geometry())) {
                over.append(nameOf(inner[j]));
            }
        }
        sorted.append({inner[i], over.isEmpty() ? QString() : QStringLiteral(" under ") + over.join(u',')});
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) {
        return std::pair(a.first->objectName(), QString::fromLatin1(a.first->metaObject()->className())) <
               std::pair(b.first->objectName(), QString::fromLatin1(b.first->metaObject()->className()));
    });
    for (const auto &[control, over] : sorted) {
        describe(control, indent + QStringLiteral("  "), over, out);
    }
}

// The controls that Tab reaches, in the order it reaches them from the window.
QString keyboardOrder(const QWidget *window) {
    QStringList names;
    for (const QWidget *next = window->nextInFocusChain(); next != window; next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) != 0) {
            names.append(nameOf(next));
        }
    }
    return QStringLiteral("keyboard order: ") + names.join(QLatin1String(" > "));
}

void settle() {
    for (int round = 0; round < 6; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

private:
    QStringList m_dump;
    QString m_tmp;

    // The window as it stands: its size, the page shown and the panel.
    void record(const QString &state, QWidget *window) {
        settle();
        m_dump.append(QStringLiteral("== ") + state);
        QStringList lines;
        auto *stack = window->findChild<QStackedWidget *>(QStringLiteral("PageControl1"));
        if (stack == nullptr) {
            describe(window, QString(), QString(), lines);
        } else {
            lines.append(QStringLiteral("%1 %2 size %3 min %4")
                             .arg(QString::fromLatin1(window->metaObject()->className()), window->objectName(),
                                  sizeText(window->size()), sizeText(window->minimumSizeHint())));
            // The pages not shown keep whatever places they had last.
            describe(stack->currentWidget(), QStringLiteral("  "), QString(), lines);
            describe(window->findChild<QWidget *>(QStringLiteral("Panel1")), QStringLiteral("  "), QString(), lines);
        }
        for (QString &line : lines) {
            line.replace(m_tmp, QLatin1String("{tmp}"));
        }
        m_dump.append(lines);
        const QString folder = qEnvironmentVariable("VELMORAINE_LAYOUT_PICTURES");
        if (!folder.isEmpty()) {
            QDir().mkpath(folder);
            QString file = state;
            file.replace(u' ', u'-');
            // The chosen page's path names the test's folder, which is another at every run.
            auto *path = window->findChild<QLineEdit *>(QStringLiteral("FormEdit"));
            const QString shown = path != nullptr ? path->text() : QString();
            if (path != nullptr) {
                path->setText(QString(shown).replace(m_tmp, QLatin1String("{tmp}")));
            }
            QVERIFY(window->grab().save(folder + u'/' + file + QStringLiteral(".png")));
            if (path != nullptr) {
                path->setText(shown);
            }
        }
    }

    void recordBothSizes(const QString &state, QWidget *window) {
        record(state + QStringLiteral(" classic"), window);
        window->resize(900, 760);
        record(state + QStringLiteral(" larger"), window);
        window->resize(539, 578);
        settle();
    }

private slots:
    void initTestCase() { QApplication::setCursorFlashTime(0); }
    void everyControlKeepsItsPlace();
};

void LayoutTest::everyControlKeepsItsPlace() {
    WizardFixture f;
    m_tmp = QDir(f.path(QString())).absolutePath();
    f.writeSettings("velmoraine.ini", "[Settings]\nmain dir=" + f.mainDirectory().toStdString() + "\nvl_id=24680\n");
    f.start();
    f.form().show();
    m_dump.append(keyboardOrder(&f.form()));
    recordBothSizes(QStringLiteral("page 1 empty"), &f.form());
    f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    f.click("ButtonSelectForm");
    recordBothSizes(QStringLiteral("page 1"), &f.form());
    f.click("ButtonNext");
    auto *rules = f.child<RuleEditorPage>("TabSheet2");
    rules->addOrReplaceRule("email", "email^1^0^Please enter a valid email address", "email (email address)");
    recordBothSizes(QStringLiteral("page 2"), &f.form());
    f.click("ButtonNext");
    recordBothSizes(QStringLiteral("page 3"), &f.form());
    f.click("ButtonChanges");
    recordBothSizes(QStringLiteral("page 3 changes"), &f.form());
    f.click("ButtonChanges");

    // Many notes: the notes box grows, and the window with it.
    f.click("ButtonBack");
    f.click("ButtonBack");
    std::string fields;
    for (const char *name : {"a", "b", "c", "d", "e", "f"}) {
        fields += "<input name=\"" + std::string(name) + "\">";
    }
    f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("six.htm"), "<html><body><form action=x>" + fields));
    f.click("ButtonSelectForm");
    f.click("ButtonNext");
    for (const char *name : {"a", "b", "c", "d", "e", "f"}) {
        rules->addOrReplaceRule(name, std::string(name) + "^0^1^9^Fill it in", name);
    }
    f.click("ButtonNext");
    recordBothSizes(QStringLiteral("page 3 many notes"), &f.form());

    // A wider face than the shipped one.
    test::useSecondFamily(&f.form());
    record(QStringLiteral("page 3 second family"), &f.form());
    f.click("ButtonBack");
    record(QStringLiteral("page 2 second family"), &f.form());
    f.click("ButtonBack");
    record(QStringLiteral("page 1 second family"), &f.form());

    // The chooser with two, three and five forms.
    m_dump.append(keyboardOrder(&f.chooser()));
    const QString tag =
        QStringLiteral("<form method=\"post\" action=\"https://example.com/cgi-bin/a-long-path/mail.cgi\">");
    for (const qsizetype forms : {2, 3, 5}) {
        f.chooser().fill(QStringList(forms, tag));
        f.chooser().show();
        record(QStringLiteral("chooser %1 forms").arg(forms), &f.chooser());
        f.chooser().hide();
    }
    test::useSecondFamily(&f.chooser());
    f.chooser().show();
    record(QStringLiteral("chooser second family"), &f.chooser());
    f.chooser().hide();

    const QString actual = m_dump.join(u'\n') + u'\n';
    QFile expectedFile(QStringLiteral(VELMORAINE_SOURCE_DIR "/tests/gui/expected/window_layouts.txt"));
    const QString expected =
        expectedFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(expectedFile.readAll()) : QString();
    if (actual != expected) {
        QFile out(QDir::current().absoluteFilePath(QStringLiteral("window_layouts.txt")));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(actual.toUtf8());
        const QStringList want = expected.split(u'\n');
        const QStringList got = actual.split(u'\n');
        qsizetype line = 0;
        while (line < want.size() && line < got.size() && want[line] == got[line]) {
            ++line;
        }
        QFAIL(qPrintable(QStringLiteral("line %1 differs:\n  expected %2\n  actual   %3\nthe windows now: %4, to be "
                                        "copied over the expected file when the change is meant")
                             .arg(line + 1)
                             .arg(want.value(line), got.value(line), out.fileName())));
    }
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
