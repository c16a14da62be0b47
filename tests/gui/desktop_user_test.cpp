// The window as a desktop user meets it: the page's own characters in the output box, on the
// clipboard and in the saved file; the account ID stored as typed; no stale output after a
// failed build; the focus after Back; message boxes as wide as their caption; the script
// model's place and check; the line-ending hint; and the form tag a reader takes for a form.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "core/base/texts.h"
#include "core/rules/rule_record.h"
#include "gui/output_page.h"
#include "gui/page_text.h"
#include "gui/rule_editor_page.h"
#include "gui/ui_services.h"
#include "gui/window_look.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using velmoraine::test::qs;
using velmoraine::test::WizardFixture;

namespace {

const std::string kEmailRecord = "email^1^0^Please enter a valid email address";

// A Shift_JIS page: its title is "日本の注文" (Japanese order), written in Shift_JIS bytes.
const std::string kShiftJisPage = "<html>\r\n<head>\r\n"
                                  "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\r\n"
                                  "<title>\x93\xfa\x96\x7b\x82\xcc\x92\x8d\x95\xb6</title>\r\n</head>\r\n<body>\r\n"
                                  "<form method=\"post\" action=\"mail.asp\" name=\"order\">\r\n"
                                  "<input type=\"text\" name=\"email\">\r\n</form>\r\n</body>\r\n</html>\r\n";

// A windows-1251 page: its title is "Заказ" (order) and a label "Имя" (name).
const std::string kCyrillicPage = "<html>\n<head>\n<meta charset=\"windows-1251\">\n"
                                  "<title>\xc7\xe0\xea\xe0\xe7</title>\n</head>\n<body>\n"
                                  "<form method=\"post\" action=\"mail.asp\" name=\"order\">\n"
                                  "\xc8\xec\xff: <input type=\"text\" name=\"email\">\n</form>\n</body>\n</html>\n";

const std::string kContactPage = "<html>\r\n<head>\r\n<title>Contact</title>\r\n</head>\r\n<body>\r\n"
                                 "<form method=\"post\" action=\"mail.asp\" name=\"order\">\r\n"
                                 "<input type=\"text\" name=\"email\">\r\n</form>\r\n</body>\r\n</html>\r\n";

void selectPage(WizardFixture &f, const QString &path) {
    f.ui.openAnswers.emplace_back(path);
    f.click("ButtonSelectForm");
}

OutputPage *outputPage(WizardFixture &f) { return f.child<OutputPage>("TabSheet5"); }

// From page 1 with `page` to page 3, with an e-mail rule.
void buildPageThree(WizardFixture &f, const QString &page) {
    selectPage(f, page);
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    f.child<RuleEditorPage>("TabSheet2")
        ->addOrReplaceRule("email", kEmailRecord, rules::editorDisplayText("email", rules::RuleKind::Email));
    f.click("ButtonNext");
}

// The text with every CR LF written as LF when the page has no CR LF (the test pages use one
// ending throughout).
std::string withLineEndingsOf(const std::string &page, std::string text) {
    if (page.find("\r\n") != std::string::npos) {
        return text;
    }
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

bool enabled(WizardFixture &f, const char *name) { return f.child<QPushButton>(name)->isEnabled(); }

} // namespace

class DesktopUserTest : public QObject {
    Q_OBJECT

private slots:
    void pageShownInItsCharset_data();
    void pageShownInItsCharset();
    void accountIdStoredAsTypedEachTime();
    void failedBuildLeavesNothingToSave();
    void backAndContinueKeepTheFocusOnThePage();
    void messageBoxIsAsWideAsItsCaption();
    void missingModelIsNamedInFull();
    void modelWithoutBeginLineIsRefused();
    void lineEndingsAreExplainedWhereTheUserEdits();
    void visitorLanguageIsChosenAndKept();
    void earlierToolsRulesAreOffered_data();
    void earlierToolsRulesAreOffered();
    void testSaysWhenTheSavedFileIsOlder_data();
    void testSaysWhenTheSavedFileIsOlder();
    void formTagWrittenOtherwiseIsAForm_data();
    void formTagWrittenOtherwiseIsAForm();
    void screenshots();
};

// Row per page: the bytes, a text of the page as it must be shown, a character the charset
// holds and one it does not, and that character's bytes.
void DesktopUserTest::pageShownInItsCharset_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("typedBytes");
    QTest::addColumn<QString>("charset");
    QTest::newRow("Shift_JIS") << QByteArray::fromStdString(kShiftJisPage)
                               << QStringLiteral("<title>\u65E5\u672C\u306E\u6CE8\u6587</title>")
                               << QStringLiteral("\u5A18") << QByteArray("\x96\xba") << QStringLiteral("Shift_JIS");
    QTest::newRow("windows-1251") << QByteArray::fromStdString(kCyrillicPage)
                                  << QStringLiteral("<title>\u0417\u0430\u043A\u0430\u0437</title>")
                                  << QStringLiteral("\u0416") << QByteArray("\xc6") << QStringLiteral("windows-1251");
}

void DesktopUserTest::pageShownInItsCharset() {
    QFETCH(QByteArray, page);
    QFETCH(QString, shownTitle);
    QFETCH(QString, typed);
    QFETCH(QByteArray, typedBytes);
    QFETCH(QString, charset);
    WizardFixture f;
    f.start();
    f.form().show();
    buildPageThree(f, f.writeFile(QStringLiteral("page.htm"), page.toStdString()));
    const std::string output = outputPage(f)->currentBytes();
    QVERIFY(output.find("//VLDATA:" + kEmailRecord) != std::string::npos);

    // The output box shows the page's own characters.
    auto *box = f.child<QPlainTextEdit>("RichEdit1");
    QVERIFY2(box->toPlainText().contains(shownTitle), qPrintable(box->toPlainText().left(300)));

    // Copy All: the text targets hold the characters, the program's format the exact bytes.
    f.click("Button3");
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    QVERIFY(clip != nullptr);
    QVERIFY(clip->text().contains(shownTitle));
    QCOMPARE(clip->data(QStringLiteral("text/plain")), clip->text().toUtf8());
    QCOMPARE(clip->data(QString::fromLatin1(gui::kPageBytesMimeType)).toStdString(), output);

    // The whole page stays selected: Tab moves on instead of typing over it, and a key typed
    // over it is undone by Undo.
    const QString shown = box->toPlainText();
    QTest::keyClick(box, Qt::Key_Tab);
    QCOMPARE(box->toPlainText(), shown);
    QTest::keyClick(box, Qt::Key_X);
    QCOMPARE(box->toPlainText(), QStringLiteral("x"));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box->toPlainText(), shown);
    QCOMPARE(outputPage(f)->currentBytes(), output);

    // Save As an unedited box writes the exact bytes.
    const QString saved = f.path(QStringLiteral("saved.htm"));
    f.ui.saveAnswers.emplace_back(saved);
    f.click("Button4");
    QCOMPARE(WizardFixture::readFile(saved), output);

    // An edit is written in the page's charset, every line break as the page's usual one.
    box->moveCursor(QTextCursor::Start);
    box->insertPlainText(typed);
    f.ui.saveAnswers.emplace_back(saved);
    f.click("Button4");
    const std::string edited = typedBytes.toStdString() + withLineEndingsOf(page.toStdString(), output);
    QCOMPARE(WizardFixture::readFile(saved), edited);

    // A character the charset cannot hold is refused with its place; the file stays as it was.
    box->moveCursor(QTextCursor::End);
    box->insertPlainText(QStringLiteral("\n\u0E01"));
    f.ui.saveAnswers.emplace_back(f.path(QStringLiteral("refused.htm")));
    const int messagesBefore = static_cast<int>(f.ui.messages.size());
    f.click("Button4");
    const long long lastLine = box->document()->blockCount();
    const std::string refusal =
        texts::fill(texts::fill(texts::fill(texts::kCharacterNotInCharset, "\"\u0E01\" (U+0E01)"), lastLine),
                    charset.toStdString());
    QCOMPARE(f.ui.messageTexts().mid(messagesBefore), QStringList{qs(refusal)});
    QVERIFY(!WizardFixture::exists(f.path(QStringLiteral("refused.htm"))));
    QCOMPARE(WizardFixture::readFile(saved), edited);
}

// The account ID is stored exactly as typed each time, and nothing piles up around it.
void DesktopUserTest::accountIdStoredAsTypedEachTime() {
    WizardFixture f;
    f.start();
    f.form().show();
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    for (const char *typed : {"23456 ", " 23456", "23456 ", "24680"}) {
        for (int round = 0; round < 3; ++round) {
            f.child<QLineEdit>("EditID")->setText(QString::fromLatin1(typed));
            f.click("ButtonNext");
            QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
            f.click("ButtonBack");
        }
        const std::string settings = f.settingsText("velmoraine.ini");
        QVERIFY2(settings.ends_with("vl_id=" + std::string(typed) + "\n"), settings.c_str());
    }
}

// A build that fails empties the output box and disables Copy All, Save As and Test until a
// build succeeds again.
void DesktopUserTest::failedBuildLeavesNothingToSave() {
    WizardFixture f;
    f.start();
    f.form().show();
    const QString good = f.writeFile(QStringLiteral("contact.htm"), kContactPage);
    buildPageThree(f, good);
    f.ui.saveAnswers.emplace_back(f.path(QStringLiteral("saved.htm")));
    f.click("Button4");
    QVERIFY(enabled(f, "Button5"));

    f.click("ButtonBack");
    f.click("ButtonBack");
    selectPage(f, f.writeFile(QStringLiteral("bare.htm"), "<form name=\"f\"><input name=\"email\"></form>"));
    f.click("ButtonNext");
    f.child<RuleEditorPage>("TabSheet2")
        ->addOrReplaceRule("email", kEmailRecord, rules::editorDisplayText("email", rules::RuleKind::Email));
    f.click("ButtonNext");
    QCOMPARE(f.ui.messageTexts().last(), qs(texts::kNoHeadOrBody));
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    QCOMPARE(f.child<QPlainTextEdit>("RichEdit1")->toPlainText(), QString());
    QVERIFY(outputPage(f)->currentBytes().empty());
    QVERIFY(!enabled(f, "Button3"));
    QVERIFY(!enabled(f, "Button4"));
    QVERIFY(!enabled(f, "Button5"));

    f.click("ButtonBack");
    f.click("ButtonBack");
    selectPage(f, good);
    f.click("ButtonNext");
    f.click("ButtonNext");
    QVERIFY(!outputPage(f)->currentBytes().empty());
    QVERIFY(enabled(f, "Button3"));
    QVERIFY(enabled(f, "Button4"));
    QVERIFY(enabled(f, "Button5"));
}

// Back and Continue pressed from the keyboard: the focus stays on the window's pages and never
// falls through to Help.
void DesktopUserTest::backAndContinueKeepTheFocusOnThePage() {
    WizardFixture f;
    f.start();
    f.form().show();
    QApplication::setActiveWindow(&f.form());
    QVERIFY(QTest::qWaitForWindowActive(&f.form()));
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    auto *next = f.child<QPushButton>("ButtonNext");
    auto *back = f.child<QPushButton>("ButtonBack");

    next->setFocus();
    QTest::keyClick(next, Qt::Key_Space);
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    back->setFocus();
    QTest::keyClick(back, Qt::Key_Space);
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    QCOMPARE(QApplication::focusWidget(), next);

    QTest::keyClick(next, Qt::Key_Space);
    QTest::keyClick(next, Qt::Key_Space);
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    QCOMPARE(QApplication::focusWidget(), f.child<QPlainTextEdit>("RichEdit1"));
    QVERIFY(f.ui.browserUrls.isEmpty());
    QVERIFY(f.ui.programs.isEmpty());
}

void DesktopUserTest::messageBoxIsAsWideAsItsCaption() {
    QWidget owner;
    owner.setFont(gui::windowFont());
    const auto box = gui::makeMessageBox(&owner, qs(texts::kRuleUpdated));
    box->show();
    QFont titleFont = box->font();
    titleFont.setBold(true);
    const int caption = QFontMetrics(titleFont).horizontalAdvance(qs(texts::kMessageTitle));
    QVERIFY2(box->width() >= caption + 100, qPrintable(QString::number(box->width())));
    QCOMPARE(box->windowTitle(), qs(texts::kMessageTitle));
}

// With no main directory and no model in the current folder or beside the program, the
// message names the full path looked at.
void DesktopUserTest::missingModelIsNamedInFull() {
    WizardFixture f;
    f.writeSettings("velmoraine.ini", "");
    const QString folder = f.path(QStringLiteral("work"));
    QDir().mkpath(folder);
    const QString before = QDir::currentPath();
    QDir::setCurrent(folder);
    f.start();
    f.form().show();
    buildPageThree(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    QDir::setCurrent(before);
    const std::string full = QDir(folder).absoluteFilePath(QStringLiteral("vlmodel.txt")).toStdString();
    QCOMPARE(f.ui.errorTexts(), QStringList{qs(texts::fill(texts::kCannotOpenFile, full))});
}

// An empty model, or one without its begin line, would write a block that no later run can
// remove: it is refused with the file's name, in normal and in editor mode, and nothing is
// written.
void DesktopUserTest::modelWithoutBeginLineIsRefused() {
    for (const std::string_view model :
         {std::string_view(), std::string_view("<script>\nfunction velmoraine_sub() {\n")}) {
        WizardFixture f;
        const QString modelFile = f.writeFile(QStringLiteral("main/vlmodel.txt"), model);
        const QString refusal = qs(texts::fill(texts::kModelWithoutBeginMarker, modelFile.toStdString()));
        f.start();
        f.form().show();
        buildPageThree(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
        QCOMPARE(f.ui.messageTexts(), QStringList{refusal});
        QVERIFY(outputPage(f)->currentBytes().empty());
        QVERIFY(!enabled(f, "Button4"));

        WizardFixture editor;
        editor.writeFile(QStringLiteral("main/vlmodel.txt"), model);
        const QString page = editor.writeFile(QStringLiteral("contact.htm"), kContactPage);
        editor.start("dp-" + page.toStdString());
        editor.form().show();
        editor.click("ButtonNext");
        QCOMPARE(editor.ui.messageTexts(),
                 QStringList{qs(texts::fill(texts::kModelWithoutBeginMarker,
                                            (editor.mainDirectory() + QStringLiteral("vlmodel.txt")).toStdString()))});
        QCOMPARE(WizardFixture::readFile(page), kContactPage);
        QVERIFY(editor.settingsText("dornapelle.ini").empty());
    }
}

void DesktopUserTest::lineEndingsAreExplainedWhereTheUserEdits() {
    WizardFixture f;
    f.start();
    f.form().show();
    buildPageThree(f, f.writeFile(QStringLiteral("lf.htm"), kCyrillicPage));
    QCOMPARE(f.child<QPlainTextEdit>("RichEdit1")->toolTip(), qs(texts::fill(texts::kLineEndingsTip, "LF")));
    f.click("ButtonBack");
    f.click("ButtonBack");
    buildPageThree(f, f.writeFile(QStringLiteral("crlf.htm"), kContactPage));
    QCOMPARE(f.child<QPlainTextEdit>("RichEdit1")->toolTip(), qs(texts::fill(texts::kLineEndingsTip, "CR LF")));
}

// Row per answer to the offer that follows the scan of a page with FrontPage's validation: yes
// brings the rules into page 2's list, marked, and into the updated page; no leaves the list
// empty. Either way page 3 names the address the old form mailed its results to.
void DesktopUserTest::earlierToolsRulesAreOffered_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void DesktopUserTest::earlierToolsRulesAreOffered() {
    QFETCH(bool, yes);
    WizardFixture f;
    f.start();
    f.form().show();
    QString question;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        question = dialog.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
        dialog.done(yes ? QMessageBox::Yes : QMessageBox::No);
    });
    const std::string page =
        "<html><head></head><body>\n<form method=\"POST\" action=\"--WEBBOT-SELF--\" name=\"F\">\n"
        "<!--webbot bot=\"SaveResults\" S-Email-Address=\"orders@example.com\" -->\n"
        "<!--webbot bot=\"Validation\" S-Display-Name=\"Name\" B-Value-Required=\"TRUE\" --><input name=\"name\">\n"
        "<!--webbot bot=\"Validation\" B-Allow-Letters=\"TRUE\" --><input name=\"initials\">\n"
        "<input type=\"submit\"></form></body></html>\n";
    selectPage(f, f.writeFile(QStringLiteral("frontpage.htm"), page));
    QVERIFY(f.ui.modalAnswers.empty());
    QCOMPARE(question,
             QStringLiteral("This page holds validation from an earlier tool (webbot) for these fields: name. "
                            "Not brought in: initials (letters only: no rule checks for letters).\n\n"
                            "Bring these rules in? The earlier tool's checks are then taken out of the "
                            "updated page."));
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    QCOMPARE(test::itemsOf(f.child<QListWidget>("ListBox2")),
             yes ? QStringList{QStringLiteral("name (filled-in) [from webbot]")} : QStringList());
    f.click("ButtonNext");
    const QString output = f.child<QPlainTextEdit>("RichEdit1")->toPlainText();
    QCOMPARE(output.contains(QStringLiteral("//VLDATA:name^0^1^0^0^Field \"Name\" must be filled in.:;")), yes);
    QVERIFY(f.child<QPlainTextEdit>("MemoVisitorNotes")
                ->toPlainText()
                .contains(qs(texts::fill(texts::kResultsMailedTo, "orders@example.com"))));
}

// A page without a lang: page 3 offers the desktop's language, writes the one chosen into the
// form, and the saved page, opened again, has it as its own; a page with a lang keeps it.
void DesktopUserTest::visitorLanguageIsChosenAndKept() {
    const QLocale before;
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    WizardFixture f;
    f.start();
    f.form().show();
    auto *combo = f.child<QComboBox>("ComboLanguage");
    const auto box = [&f] { return f.child<QPlainTextEdit>("RichEdit1")->toPlainText(); };
    buildPageThree(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    QCOMPARE(combo->currentData().toString(), QStringLiteral("de"));
    QVERIFY(combo->isEnabled());
    QVERIFY(box().contains(QStringLiteral("name=\"order\"  action=")));
    QVERIFY(box().contains(QStringLiteral(" lang=\"de\" >")));

    combo->setCurrentIndex(combo->findData(QStringLiteral("fr")));
    emit combo->activated(combo->currentIndex());
    QVERIFY(box().contains(QStringLiteral(" lang=\"fr\" >")));
    QVERIFY(!box().contains(QStringLiteral("lang=\"de\"")));
    const QString saved = f.path(QStringLiteral("saved.htm"));
    f.ui.saveAnswers.emplace_back(saved);
    f.click("Button4");

    // Opened again, the page says its language itself: shown, not to be changed, written once.
    f.click("ButtonBack");
    f.click("ButtonBack");
    buildPageThree(f, saved);
    QCOMPARE(combo->currentData().toString(), QStringLiteral("fr"));
    QVERIFY(!combo->isEnabled());
    QCOMPARE(box().count(QStringLiteral("lang=\"fr\"")), 1);

    f.click("ButtonBack");
    f.click("ButtonBack");
    std::string japanese = kContactPage;
    japanese.replace(0, 6, "<html lang=\"ja\">");
    buildPageThree(f, f.writeFile(QStringLiteral("ja.htm"), japanese));
    QCOMPARE(combo->currentData().toString(), QStringLiteral("ja"));
    QVERIFY(!combo->isEnabled());
    QVERIFY(!box().contains(QStringLiteral("lang=\"fr\"")));
    QLocale::setDefault(before);
}

// Row per answer: after a save, Back, another rule and Continue, the saved file holds the older
// page. Test asks; "Save and Test" writes the page shown over it first, "Test the Saved File"
// opens it as it is, Cancel does neither. Nothing changed since the save: no question.
void DesktopUserTest::testSaysWhenTheSavedFileIsOlder_data() {
    QTest::addColumn<QString>("answer"); // a button's objectName; empty: nothing changed
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("savedAgain");
    QTest::newRow("unchanged") << QString() << true << false;
    QTest::newRow("save and test") << QStringLiteral("SaveAndTest") << true << true;
    QTest::newRow("test the saved file") << QStringLiteral("TestSavedFile") << true << false;
    QTest::newRow("cancel") << QString::fromLatin1("cancel") << false << false;
}

void DesktopUserTest::testSaysWhenTheSavedFileIsOlder() {
    QFETCH(QString, answer);
    QFETCH(bool, opened);
    QFETCH(bool, savedAgain);
    WizardFixture f;
    f.start();
    f.form().show();
    buildPageThree(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    const QString saved = f.path(QStringLiteral("saved.htm"));
    f.ui.saveAnswers.emplace_back(saved);
    f.click("Button4");
    const std::string before = WizardFixture::readFile(saved);
    if (!answer.isEmpty()) {
        f.click("ButtonBack");
        f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule("email", "email^0^5^0^0^Fill it in", "email");
        f.click("ButtonNext");
    }
    QString question;
    if (!answer.isEmpty()) {
        f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
            question = dialog.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
            if (auto *button = dialog.findChild<QPushButton *>(answer)) {
                button->click();
            } else {
                dialog.reject();
            }
        });
    }
    f.click("Button5");
    QVERIFY(f.ui.modalAnswers.empty());
    QCOMPARE(question.isEmpty(), answer.isEmpty());
    if (!question.isEmpty()) {
        QCOMPARE(question, qs(texts::fill(texts::kSavedFileOlder, saved.toStdString())));
    }
    QCOMPARE(f.ui.browserUrls.size() + f.ui.programs.size(), opened ? 1 : 0);
    const std::string after = WizardFixture::readFile(saved);
    QCOMPARE(after != before, savedAgain);
    if (savedAgain) {
        QCOMPARE(after, outputPage(f)->currentBytes());
    }
}

// Row per page whose form tag is written another way than "<form " or "<FORM ": the page is
// worked on like any other, up to its rewritten tag on page 3; with `choose`, the chooser is
// answered with that form.
void DesktopUserTest::formTagWrittenOtherwiseIsAForm_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("choose");
    QTest::addColumn<QString>("rewrittenTag");
    const QString action = QStringLiteral("  action=\"https://www.velmoraine.com/cgi-bin/process.cgi\"");
    const QString handler = QStringLiteral("  onsubmit=\" return velmoraine_sub()\"");
    QTest::newRow("closed directly") << QByteArray("<form>\n<input name=\"email\">\n</form>") << 0
                                     << QStringLiteral("<form") + action + handler +
                                            QStringLiteral("  name=\"form1\" >");
    QTest::newRow("first letter in capitals")
        << QByteArray("<Form name=\"f\"><input name=\"email\"></Form>") << 0
        << QStringLiteral("<Form name=\"f\"") + action + handler + QStringLiteral(" >");
    QTest::newRow("line break after the name")
        << QByteArray("<form\r\nmethod=post><input name=\"email\"></form>") << 0
        << QStringLiteral("<form\nmethod=post") + action + handler + QStringLiteral("  name=\"form1\" >");
    QTest::newRow("after a form written the usual way")
        << QByteArray("<form action=x><input name=\"a\"></form><form><input name=\"email\"></form>") << 2
        << QStringLiteral("</form><form") + action + handler + QStringLiteral("  name=\"form1\" >");
}

void DesktopUserTest::formTagWrittenOtherwiseIsAForm() {
    QFETCH(QByteArray, page);
    QFETCH(int, choose);
    QFETCH(QString, rewrittenTag);
    WizardFixture f;
    f.start();
    f.form().show();
    if (choose != 0) {
        f.ui.modalAnswers.emplace_back(test::chooseForm(choose));
    }
    buildPageThree(f, f.writeFile(QStringLiteral("page.htm"), "<html><head></head><body>" + page.toStdString()));
    QCOMPARE(f.ui.messageTexts(), QStringList());
    QVERIFY(f.ui.modalAnswers.empty());
    QCOMPARE(test::itemsOf(f.child<QListWidget>("ListBoxInputs")), QStringList{QStringLiteral("email")});
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    QVERIFY2(f.child<QPlainTextEdit>("RichEdit1")->toPlainText().contains(rewrittenTag),
             qPrintable(f.child<QPlainTextEdit>("RichEdit1")->toPlainText()));
}

// With VELMORAINE_SCREENSHOTS set to a folder, writes page 3 with a Cyrillic page there.
void DesktopUserTest::screenshots() {
    const QString folder = qEnvironmentVariable("VELMORAINE_SCREENSHOTS");
    if (folder.isEmpty()) {
        QSKIP("VELMORAINE_SCREENSHOTS is not set");
    }
    QDir().mkpath(folder);
    WizardFixture f;
    f.start();
    f.form().show();
    buildPageThree(f, f.writeFile(QStringLiteral("zakaz.htm"), kCyrillicPage));
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page3-cyrillic.png")));
}

QTEST_MAIN(DesktopUserTest)
#include "desktop_user_test.moc"
