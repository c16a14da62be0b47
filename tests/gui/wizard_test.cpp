// The wizard in normal mode, driven through its widgets: page 1, the chooser, navigation and
// page 3 with copy, save and test.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

#include "core/base/profile.h"
#include "core/base/service.h"
#include "core/base/texts.h"
#include "core/desktop/browser_launch.h"
#include "core/rewrite/page_rewriter.h"
#include "core/rules/rule_record.h"
#include "core/run/startup.h"
#include "gui/noted_list.h"
#include "gui/output_page.h"
#include "gui/page_text.h"
#include "gui/rule_editor_page.h"
#include "gui/window_look.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using velmoraine::test::itemsOf;
using velmoraine::test::qs;
using velmoraine::test::WizardFixture;

namespace {

const std::string kContactPage = "<html>\r\n<head>\r\n<title>Contact</title>\r\n</head>\r\n<body>\r\n"
                                 "<form method=\"post\" action=\"mail.asp\" name=\"order\">\r\n"
                                 "<input type=\"text\" name=\"fullname\">\r\n"
                                 "<input type=\"text\" name=\"email\">\r\n"
                                 "<input type=\"submit\" value=\"Send\">\r\n"
                                 "</form>\r\n</body>\r\n</html>\r\n";

// Four forms: three in lower case, then one in capitals, which comes last in form count order.
const std::string kFourForms = "<html><head></head><body>\n"
                               "<FORM NAME=\"d\"><INPUT NAME=\"d1\"></FORM>\n"
                               "<form name=\"a\"><input name=\"a1\"></form>\n"
                               "<form name=\"b\"><input name=\"b1\"></form>\n"
                               "<form name=\"c\" action=\"c.cgi\"><input name=\"c1\"><input name=\"c2\"></form>\n"
                               "</body></html>\n";

const std::string kTwoForms = "<html><head></head><body>\n"
                              "<form name=\"x\"><input name=\"x1\"></form>\n"
                              "<form name=\"y\"><input name=\"y1\"></form>\n"
                              "</body></html>\n";

const std::string kEmailRecord = "email^1^0^Please enter a valid email address";

std::string storedId() {
    return profile::getString(startup::kSettingsSection, startup::kAccountIdKey, "<none>", 300, startup::kSettingsFile);
}

// The rewriter run directly with the inputs the window should use.
std::string expectedOutput(const std::string &page, int chosenForm, const std::string &id,
                           const std::vector<std::string> &records) {
    const std::string model = test::modelText();
    rewrite::RewriteInput input;
    input.page = page;
    input.model = model;
    input.chosenForm = chosenForm;
    input.accountIdText = id;
    input.formNumber = 1;
    input.records = &records;
    return rewrite::rewritePage(input).output.value_or("<gave up>");
}

} // namespace

class WizardTest : public QObject {
    Q_OBJECT

private:
    // Selects a page through "&Select >>" with the open dialog answering `path`.
    static void selectPage(WizardFixture &f, const QString &path) {
        f.ui.openAnswers.emplace_back(path);
        f.click("ButtonSelectForm");
    }

    static OutputPage *outputPage(WizardFixture &f) { return f.child<OutputPage>("TabSheet5"); }

    // Starts the wizard on the contact page with ID 24680 and goes to page 3, with the e-mail
    // rule or without rules.
    static void toPageThree(WizardFixture &f, bool emailRule) {
        f.start();
        f.form().show();
        selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
        f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
        f.click("ButtonNext");
        if (emailRule) {
            f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule("email", kEmailRecord, "email (email address)");
        }
        f.click("ButtonNext");
    }

private slots:
    void opensOnPageOneWithStoredSettings_data();
    void opensOnPageOneWithStoredSettings();
    void continueWithoutPageAsksForOne();
    void accountIdCheck_data();
    void accountIdCheck();
    void wholeNormalRun();
    void bothFrontEndsWriteTheSameBytes_data();
    void bothFrontEndsWriteTheSameBytes();
    void backAndContinueRebuildPageThree();
    void changesViewTakesTheOutputBoxPlace();
    void html5FallbackIsRememberedAndRebuildsPageThree();
    void threeFormsThenTwoForms();
    void chooserClosedByTitleBarKeepsFormOne();
    void laterFormsAreChosenFromTheirList();
    void emptyFieldListSaysWhy();
    void longTagIsElidedWithTooltip();
    void missingPageReportsFileError();
    void pageWithoutFormShowsMessage();
    void cancelledOpenDialogChangesNothing();
    void saveCancelledChangesNothing();
    void saveFailureKeepsEverything();
    void testStartsNothingForRemovedFile();
    void closingAsksWhileTheUpdateIsUnkept();
    void missingModelStopsPageThree();
    void windowLayoutFacts_data();
    void windowLayoutFacts();
    void largerWindowGivesItsRoomToTheBoxes();
    void screenshots();
};

// The stored settings on page 1: the account ID if page 1 would take it, and the custom name
// joined to the title once the window is shown.
void WizardTest::opensOnPageOneWithStoredSettings_data() {
    QTest::addColumn<QByteArray>("settings"); // after the main directory
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("id");
    QTest::newRow("stored account ID") << QByteArray("vl_id=12863\n") << qs(texts::kWindowTitle)
                                       << QStringLiteral("12863");
    QTest::newRow("custom name joins the title")
        << QByteArray("custom=Acme Corp\nvl_id=100000\n") << qs(texts::kWindowTitle) + QStringLiteral(" for Acme Corp")
        << QString();
}

void WizardTest::opensOnPageOneWithStoredSettings() {
    QFETCH(QByteArray, settings);
    QFETCH(QString, title);
    QFETCH(QString, id);
    WizardFixture f;
    f.writeSettings("velmoraine.ini",
                    "[Settings]\nmain dir=" + f.mainDirectory().toStdString() + "\n" + settings.toStdString());
    QCOMPARE(f.start(), TForm1::SetUpOutcome::Run);
    QCOMPARE(f.form().windowTitle(), qs(texts::kMessageTitle)); // until the window is shown
    f.form().show();
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    QCOMPARE(f.form().windowTitle(), title);
    QCOMPARE(f.child<QLineEdit>("EditID")->text(), id);
    QCOMPARE(f.child<QComboBox>("ComboFormNum")->currentText(), QStringLiteral("1"));
    QCOMPARE(f.child<QComboBox>("ComboFormNum")->count(), 10);
    QVERIFY(f.child<QPushButton>("ButtonNext")->isEnabled());
    QVERIFY(!f.child<QPushButton>("ButtonBack")->isEnabled());
    QVERIFY(f.child<QWidget>("ListBox1")->isHidden());
}

void WizardTest::continueWithoutPageAsksForOne() {
    WizardFixture f;
    f.start();
    f.form().show();
    QApplication::setActiveWindow(&f.form());
    f.child<QLineEdit>("EditID")->setFocus();
    f.click("ButtonNext");
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kNoPageChosen)});
    QCOMPARE(f.ui.messages.front().owner, &f.form());
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    QTRY_VERIFY(f.child<QPushButton>("ButtonSelectForm")->hasFocus());
}

void WizardTest::accountIdCheck_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("12863") << QStringLiteral("12863") << false;
    QTest::newRow("100000") << QStringLiteral("100000") << false;
    QTest::newRow("abc") << QStringLiteral("abc") << false;
    QTest::newRow("12864") << QStringLiteral("12864") << true;
    QTest::newRow("99999") << QStringLiteral("99999") << true;
    QTest::newRow("23456xyz") << QStringLiteral("23456xyz") << true;
    QTest::newRow(" +23456") << QStringLiteral(" +23456") << true;
}

void WizardTest::accountIdCheck() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    WizardFixture f;
    f.start();
    f.form().show();
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    f.child<QLineEdit>("EditID")->setText(typed);
    f.click("ButtonNext");
    if (accepted) {
        QVERIFY(f.ui.messages.isEmpty());
        QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
        // Stored exactly as typed.
        QVERIFY(f.settingsText("velmoraine.ini").find("\nvl_id=" + typed.toStdString() + "\n") != std::string::npos);
    } else {
        QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kInvalidAccountId)});
        QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
        QCOMPARE(storedId(), std::string("<none>"));
    }
}

void WizardTest::wholeNormalRun() {
    WizardFixture f;
    QCOMPARE(f.start(), TForm1::SetUpOutcome::Run);
    f.form().show();
    const QString page = f.writeFile(QStringLiteral("site/contact.htm"), kContactPage);

    // Select: the open dialog starts in the main directory; the fields are listed on both pages.
    selectPage(f, page);
    QCOMPARE(f.ui.openFolders, QStringList{f.mainDirectory()});
    QCOMPARE(f.child<QLineEdit>("FormEdit")->text(), page);
    const QStringList fields{QStringLiteral("fullname"), QStringLiteral("email")};
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBoxInputs")), fields);
    QCOMPARE(itemsOf(f.child<QListWidget>("ComboBox1")), fields);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(f.ui.modalShowings, 0);

    // The account ID: refused, then accepted and stored as typed.
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("1234"));
    f.click("ButtonNext");
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kInvalidAccountId)});
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    QVERIFY(f.settingsText("velmoraine.ini").find("vl_id") == std::string::npos);
    // A refused ID opens the sign-up page, as a click on Label34 does.
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl(qs(service::kSignUpUrl))});
    f.ui.browserUrls.clear();
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("23456xyz"));
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    QCOMPARE(storedId(), std::string("23456xyz"));
    QVERIFY(f.settingsText("velmoraine.ini").find("main dir=" + f.mainDirectory().toStdString()) != std::string::npos);
    QVERIFY(f.child<QPushButton>("ButtonNext")->isEnabled());
    QVERIFY(f.child<QPushButton>("ButtonBack")->isEnabled());

    // A rule, added through the page's rule lists.
    auto *rulePage = f.child<RuleEditorPage>("TabSheet2");
    rulePage->addOrReplaceRule("email", kEmailRecord, rules::editorDisplayText("email", rules::RuleKind::Email));
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBox2")), QStringList{QStringLiteral("email (email address)")});
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBox1")), QStringList{qs(kEmailRecord)});

    // Page 3: the rewriter's output, byte for byte as the command-line tool writes it.
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    QVERIFY(!f.child<QPushButton>("ButtonNext")->isEnabled());
    QVERIFY(f.child<QPushButton>("ButtonBack")->isEnabled());
    const std::string output = outputPage(f)->currentBytes();
    QCOMPARE(output, expectedOutput(kContactPage, 1, "23456xyz", {kEmailRecord}));
    QVERIFY(output.find("value=\"23456-1\"") != std::string::npos);
#ifdef VELMORAINE_CLI
    QProcess cli;
    cli.start(QStringLiteral(VELMORAINE_CLI),
              {QStringLiteral("rewrite"), page, QStringLiteral("--id"), QStringLiteral("23456xyz"),
               QStringLiteral("--record"), qs(kEmailRecord), QStringLiteral("--model"),
               f.mainDirectory() + QStringLiteral("vlmodel.txt")});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(cli.readAllStandardOutput().toStdString(), output);
#endif

    // Copy All: the whole text selected, the clipboard holds it, the message.
    auto *richEdit = f.child<QPlainTextEdit>("RichEdit1");
    f.click("Button3");
    QCOMPARE(f.ui.messageTexts().last(), qs(texts::kCopiedAll));
    QCOMPARE(richEdit->textCursor().selectedText().size(), richEdit->document()->characterCount() - 1);
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    QVERIFY(clip != nullptr);
    QCOMPARE(clip->text(), gui::decodePage(output, gui::PageEncoding::Utf8));
    QCOMPARE(clip->data(QString::fromLatin1(gui::kPageBytesMimeType)).toStdString(), output);
    QString shown = clip->text();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QCOMPARE(shown, richEdit->toPlainText());

    // Save As: a name without suffix gains ".htm"; the message comes before the path is shown.
    QVERIFY(!f.child<QPushButton>("Button5")->isEnabled());
    const QString saved = f.path(QStringLiteral("out/updated.htm"));
    QDir().mkpath(f.path(QStringLiteral("out")));
    f.ui.saveAnswers.emplace_back(f.path(QStringLiteral("out/updated")));
    QString editSaveDuringMessage = QStringLiteral("<not shown>");
    f.ui.onMessage = [&](const QString &) { editSaveDuringMessage = f.child<QLineEdit>("EditSave")->text(); };
    f.click("Button4");
    f.ui.onMessage = nullptr;
    QCOMPARE(WizardFixture::readFile(saved), output);
    QCOMPARE(f.ui.messageTexts().last(), qs(texts::fill(texts::kSaved, saved.toStdString())));
    QCOMPARE(editSaveDuringMessage, QString());
    QCOMPARE(f.child<QLineEdit>("EditSave")->text(), saved);
    QVERIFY(f.child<QPushButton>("Button5")->isEnabled());

    // Test: the default browser without the launcher, the launcher where it is installed.
    f.click("Button5");
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl::fromLocalFile(saved)});
    const QString launcher = f.writeFile(QStringLiteral("main/dpbrowse.exe"), "#!/bin/sh\n");
    QFile::setPermissions(launcher, QFile::permissions(launcher) | QFileDevice::ExeOwner);
    f.click("Button5");
    QCOMPARE(f.ui.programs.size(), 1);
    QCOMPARE(f.ui.programs[0].program, launcher);
    QCOMPARE(f.ui.programs[0].arguments, QStringList{saved});
    const auto command = launch::browserLaunchCommand(f.mainDirectory().toStdString(), saved.toStdString());
    QCOMPARE(f.ui.programs[0].program + u' ' + f.ui.programs[0].arguments.join(u' '), qs(command.commandLine()));
    QCOMPARE(f.ui.browserUrls.size(), 1);
    QVERIFY(f.ui.errors.isEmpty());
}

// The window and velmoraine-cli run the same run sequence: on the same page, rules and
// choices, page 3 holds exactly the bytes the command-line tool writes.
void WizardTest::bothFrontEndsWriteTheSameBytes_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("formNumber");
    QTest::addColumn<bool>("fallback");
    const QString email = QStringLiteral("email^1^0^Please enter a valid email address");
    QTest::newRow("one form, email rule") << QStringLiteral("one_form.htm") << email << 1 << false;
    QTest::newRow("one form, email rule, fallback") << QStringLiteral("one_form.htm") << email << 4 << true;
    QTest::newRow("stored rules kept, form 3") << QStringLiteral("updated.htm") << QString() << 3 << true;
    QTest::newRow("stored rules and one more") << QStringLiteral("updated.htm") << email << 1 << false;
    QTest::newRow("hidden input replaced") << QStringLiteral("hidden_input.htm") << QString() << 2 << false;
    QTest::newRow("8-bit page") << QStringLiteral("latin1.htm") << QString() << 1 << false;
    QTest::newRow("markup, fallback") << QStringLiteral("markup.htm") << QString() << 10 << true;
}

void WizardTest::bothFrontEndsWriteTheSameBytes() {
#ifndef VELMORAINE_CLI
    QSKIP("velmoraine-cli is not built");
#else
    QFETCH(QString, page);
    QFETCH(QString, record);
    QFETCH(int, formNumber);
    QFETCH(bool, fallback);
    WizardFixture f;
    f.start();
    f.form().show();
    const std::string bytes = WizardFixture::readFile(QStringLiteral(VELMORAINE_SOURCE_DIR "/tests/cli/pages/") + page);
    const QString path = f.writeFile(page, bytes);
    selectPage(f, path);
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.child<QComboBox>("ComboFormNum")->setCurrentIndex(formNumber - 1);
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    QStringList arguments{QStringLiteral("rewrite"),       path,
                          QStringLiteral("--id"),          QStringLiteral("24680"),
                          QStringLiteral("--form-number"), QString::number(formNumber),
                          QStringLiteral("--model"),       f.mainDirectory() + QStringLiteral("vlmodel.txt")};
    if (!record.isEmpty()) {
        const std::string text = record.toStdString();
        f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule(text.substr(0, text.find('^')), text, "rule");
        arguments << QStringLiteral("--record") << record;
    }
    f.click("ButtonNext");
    if (fallback) {
        f.child<QCheckBox>("CheckHtml5Fallback")->setChecked(true);
        arguments << QStringLiteral("--html5-fallback");
    }
    const std::string window = outputPage(f)->currentBytes();
    QProcess cli;
    cli.start(QStringLiteral(VELMORAINE_CLI), arguments);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(!window.empty());
    QCOMPARE(cli.readAllStandardOutput().toStdString(), window);
#endif
}

void WizardTest::backAndContinueRebuildPageThree() {
    WizardFixture f;
    toPageThree(f, false);
    const std::string first = outputPage(f)->currentBytes();
    QCOMPARE(first, expectedOutput(kContactPage, 1, "24680", {}));

    // Typed text is replaced when page 3 is shown again.
    QTest::keyClicks(f.child<QPlainTextEdit>("RichEdit1"), QStringLiteral("typed"));
    QVERIFY(outputPage(f)->currentBytes() != first);
    f.click("ButtonBack");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    QVERIFY(f.child<QPushButton>("ButtonNext")->isEnabled());
    QVERIFY(f.child<QPushButton>("ButtonBack")->isEnabled());
    f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule("email", kEmailRecord, "email (email address)");
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(kContactPage, 1, "24680", {kEmailRecord}));

    // The form number goes into the hidden input.
    f.click("ButtonBack");
    f.click("ButtonBack");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    QVERIFY(!f.child<QPushButton>("ButtonBack")->isEnabled());
    f.click("ButtonBack"); // disabled: nothing happens
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    f.child<QComboBox>("ComboFormNum")->setCurrentIndex(6);
    f.click("ButtonNext");
    f.click("ButtonNext");
    const std::string seventh = outputPage(f)->currentBytes();
    QVERIFY(seventh.find("value=\"24680-7\"") != std::string::npos);
    QVERIFY(f.ui.messages.isEmpty());

    // The box, unedited since, shows the new output as it shows one given to an empty box.
    QPlainTextEdit fresh(gui::decodePage(seventh, gui::PageEncoding::Utf8));
    QCOMPARE(f.child<QPlainTextEdit>("RichEdit1")->document()->toRawText(), fresh.document()->toRawText());
}

void WizardTest::changesViewTakesTheOutputBoxPlace() {
    WizardFixture f;
    toPageThree(f, true);
    auto *box = f.child<QPlainTextEdit>("RichEdit1");
    auto *changes = f.child<QPlainTextEdit>("TextChanges");
    auto *button = f.child<QToolButton>("ButtonChanges");
    QCoreApplication::processEvents(); // the layout settles around the notes' height
    const QRect boxPlace = box->geometry();
    QVERIFY(!changes->isVisible());
    QVERIFY(!button->geometry().intersects(f.child<QLabel>("Label30")->geometry()));
    QVERIFY(!button->geometry().intersects(f.child<QLabel>("Label46")->geometry()));
    QVERIFY(!button->geometry().intersects(boxPlace));

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(changes->isVisible());
    QCOMPARE(changes->geometry(), boxPlace);
    QCOMPARE(box->geometry(), boxPlace);
    QVERIFY(changes->isReadOnly());
    const QString diff = changes->toPlainText();
    QVERIFY2(diff.startsWith(QStringLiteral("--- contact.htm\n+++ contact.htm\n@@ -")), qPrintable(diff));
    QVERIFY(diff.contains(QStringLiteral("\n+<input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">")) ||
            diff.contains(QStringLiteral("><input type=\"hidden\" name=\"velmoraine\" value=\"24680-1\">")));
    QVERIFY(diff.contains(QStringLiteral("script block")));
    // What the actions write is still the page.
    QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(kContactPage, 1, "24680", {kEmailRecord}));

    // Open, the view shows the diff of an output built again at once, and Back and Continue
    // leave it open on the new one.
    QVERIFY(!diff.contains(QStringLiteral("field attributes")));
    f.child<QCheckBox>("CheckHtml5Fallback")->click();
    QVERIFY2(changes->toPlainText().contains(QStringLiteral("field attributes")), qPrintable(changes->toPlainText()));
    f.child<QCheckBox>("CheckHtml5Fallback")->click();
    f.click("ButtonBack");
    f.click("ButtonNext");
    QVERIFY(changes->isVisible());
    QCOMPARE(changes->toPlainText(), diff);

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!changes->isVisible());
    QCOMPARE(box->geometry(), boxPlace);
}

// The fallback check box on page 3: ticking it writes the attributes at once and is
// remembered for the next run; the notes under it give the block's CSP hash and the warnings.
void WizardTest::html5FallbackIsRememberedAndRebuildsPageThree() {
    {
        WizardFixture f;
        toPageThree(f, true);
        auto *check = f.child<QCheckBox>("CheckHtml5Fallback");
        QVERIFY(check != nullptr && !check->isChecked());
        QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(kContactPage, 1, "24680", {kEmailRecord}));
        const QString notes = f.child<QPlainTextEdit>("MemoVisitorNotes")->toPlainText();
        QVERIFY2(notes.contains(QStringLiteral("'sha256-")), qPrintable(notes));

        check->click();
        QVERIFY(outputPage(f)->currentBytes().find("data-velmoraine=\"") != std::string::npos);
        QVERIFY(f.settingsText(startup::kSettingsFile).find("html5 fallback=1") != std::string::npos);
        QVERIFY(f.ui.messages.isEmpty());
    }
    WizardFixture again;
    again.writeSettings(startup::kSettingsFile, "[Settings]\r\nhtml5 fallback=1\r\n");
    again.start();
    QVERIFY(again.child<QCheckBox>("CheckHtml5Fallback")->isChecked());
}

void WizardTest::threeFormsThenTwoForms() {
    WizardFixture f;
    f.start();
    f.form().show();

    // Four forms: three rows, the lower-case forms first; the third is chosen.
    QStringList tags;
    bool thirdShown = false;
    Qt::CursorShape cursorDuringChooser = Qt::BlankCursor;
    QString title;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        for (int i = 1; i <= 3; ++i) {
            tags.append(dialog.findChild<QLabel *>(QStringLiteral("tag%1").arg(i))->text());
        }
        thirdShown = dialog.findChild<QRadioButton *>(QStringLiteral("Opt3"))->isVisible();
        cursorDuringChooser = QGuiApplication::overrideCursor()->shape();
        title = dialog.windowTitle();
        test::chooseForm(3)(dialog);
    });
    selectPage(f, f.writeFile(QStringLiteral("four.htm"), kFourForms));
    QCOMPARE(f.ui.modalShowings, 1);
    QCOMPARE(title, QStringLiteral("Mulitple Forms Found"));
    QCOMPARE(tags, (QStringList{QStringLiteral("<form name=\"a\">"), QStringLiteral("<form name=\"b\">"),
                                QStringLiteral("<form name=\"c\" action=\"c.cgi\">")}));
    QVERIFY(thirdShown);
    QCOMPARE(cursorDuringChooser, Qt::ArrowCursor);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBoxInputs")), (QStringList{QStringLiteral("c1"), QStringLiteral("c2")}));
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    f.click("ButtonNext");
    QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(kFourForms, 3, "24680", {}));

    // Two forms: the hidden third option falls back to the first; the second is chosen.
    f.click("ButtonBack");
    f.click("ButtonBack");
    bool firstChecked = false;
    bool thirdHidden = false;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        firstChecked = dialog.findChild<QRadioButton *>(QStringLiteral("Opt1"))->isChecked();
        thirdHidden = !dialog.findChild<QRadioButton *>(QStringLiteral("Opt3"))->isVisible() &&
                      !dialog.findChild<QLabel *>(QStringLiteral("tag3"))->isVisible();
        test::chooseForm(2)(dialog);
    });
    selectPage(f, f.writeFile(QStringLiteral("two.htm"), kTwoForms));
    QVERIFY(firstChecked);
    QVERIFY(thirdHidden);
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBoxInputs")), QStringList{QStringLiteral("y1")});
    f.click("ButtonNext");
    f.click("ButtonNext");
    QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(kTwoForms, 2, "24680", {}));

    // A page with one form asks nothing and works on form 1.
    f.click("ButtonBack");
    f.click("ButtonBack");
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    QCOMPARE(f.ui.modalShowings, 2);
    f.click("ButtonNext");
    f.click("ButtonNext");
    QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(kContactPage, 1, "24680", {}));
}

void WizardTest::chooserClosedByTitleBarKeepsFormOne() {
    WizardFixture f;
    f.start();
    f.form().show();
    const QString two = f.writeFile(QStringLiteral("two.htm"), kTwoForms);
    f.ui.modalAnswers.emplace_back(test::chooseForm(2));
    selectPage(f, two);
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBoxInputs")), QStringList{QStringLiteral("y1")});

    // No answer: the dialog is closed by its title bar. It opened on the last choice.
    bool secondChecked = false;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        secondChecked = dialog.findChild<QRadioButton *>(QStringLiteral("Opt2"))->isChecked();
        dialog.close();
    });
    selectPage(f, two);
    QVERIFY(secondChecked);
    QCOMPARE(itemsOf(f.child<QListWidget>("ListBoxInputs")), QStringList{QStringLiteral("x1")});
}

// Forms after the third are listed beside "Another form:", numbered in form count order; each
// can be chosen, and a page with three forms hides the list again.
void WizardTest::laterFormsAreChosenFromTheirList() {
    WizardFixture f;
    f.start();
    f.form().show();
    std::string page = "<html><head></head><body>\n";
    for (int i = 1; i <= 4; ++i) {
        page += "<form name=\"f" + std::to_string(i) + "\"><input name=\"x" + std::to_string(i) + "\"></form>\n";
    }
    page += "<Form name=\"f5\"><input name=\"x5\"></Form>\n</body></html>\n";
    const QString five = f.writeFile(QStringLiteral("five.htm"), page);
    for (int chosen : {4, 5}) {
        QStringList listed;
        f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
            const auto *list = dialog.findChild<QComboBox *>(QStringLiteral("ComboMoreForms"));
            for (int i = 0; i < list->count(); ++i) {
                listed.append(list->itemText(i));
            }
            test::verifyNothingClipped(&dialog, &dialog);
            test::chooseForm(chosen)(dialog);
        });
        selectPage(f, five);
        QCOMPARE(listed,
                 (QStringList{QStringLiteral("4. <form name=\"f4\">"), QStringLiteral("5. <Form name=\"f5\">")}));
        QCOMPARE(itemsOf(f.child<QListWidget>("ListBoxInputs")), QStringList{QStringLiteral("x%1").arg(chosen)});
    }
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    f.click("ButtonNext");
    QCOMPARE(outputPage(f)->currentBytes(), expectedOutput(page, 5, "24680", {}));

    f.click("ButtonBack");
    f.click("ButtonBack");
    bool firstChecked = false;
    bool listHidden = false;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        firstChecked = dialog.findChild<QRadioButton *>(QStringLiteral("Opt1"))->isChecked();
        listHidden = !dialog.findChild<QComboBox *>(QStringLiteral("ComboMoreForms"))->isVisible() &&
                     !dialog.findChild<QRadioButton *>(QStringLiteral("OptMore"))->isVisible();
        test::chooseForm(1)(dialog);
    });
    selectPage(f, f.writeFile(QStringLiteral("two.htm"), kTwoForms));
    QVERIFY(firstChecked);
    QVERIFY(listHidden);
    QCOMPARE(f.chooser().size(), QSize(542, 323));
}

// A form whose fields carry no name lists nothing; both field lists say why, until a page with
// named fields is picked.
void WizardTest::emptyFieldListSaysWhy() {
    WizardFixture f;
    f.start();
    f.form().show();
    const auto notes = [&f] {
        return QStringList{f.child<gui::NotedList>("ListBoxInputs")->emptyNote(),
                           f.child<gui::NotedList>("ComboBox1")->accessibleDescription()};
    };
    selectPage(f, f.writeFile(QStringLiteral("unnamed.htm"),
                              "<html><body><form action=x><input id=\"a\"><select></select></form></body></html>"));
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.child<QListWidget>("ListBoxInputs")->count(), 0);
    QCOMPARE(notes(), QStringList(2, qs(texts::kNoNamedFields)));
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    QCOMPARE(notes(), QStringList(2, QString()));
}

void WizardTest::longTagIsElidedWithTooltip() {
    WizardFixture f;
    f.start();
    const std::string longTag = "<form name=\"long\" action=\"" + std::string(600, 'x') + ".cgi\">";
    const std::string page = "<html><head></head><body>\n" + longTag + "<input name=\"l1\"></form>\n" +
                             "<form name=\"short\"><input name=\"s1\"></form></body></html>\n";
    QString shown;
    QString tip;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        auto *tag1 = dialog.findChild<QLabel *>(QStringLiteral("tag1"));
        shown = tag1->text();
        tip = tag1->toolTip();
        QVERIFY(tag1->fontMetrics().horizontalAdvance(shown) <= tag1->width());
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("tag2"))->toolTip().isEmpty());
    });
    selectPage(f, f.writeFile(QStringLiteral("long.htm"), page));
    QCOMPARE(tip, qs(longTag));
    QVERIFY(shown.startsWith(QStringLiteral("<form name=\"long\"")));
    QVERIFY(shown.endsWith(QStringLiteral(".cgi\">")));
    QVERIFY(shown.contains(QChar(0x2026)));
}

void WizardTest::missingPageReportsFileError() {
    WizardFixture f;
    f.start();
    f.form().show();
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule("email", kEmailRecord, "email (email address)");
    const QString missing = f.path(QStringLiteral("typed-name.htm"));
    selectPage(f, missing);
    QCOMPARE(f.ui.errorTexts(), QStringList{qs(texts::fill(texts::kCannotOpenFile, missing.toStdString()))});
    QCOMPARE(f.ui.errors.front().owner, &f.form());
    QCOMPARE(f.child<QLineEdit>("FormEdit")->text(), missing);
    QCOMPARE(f.child<QListWidget>("ListBoxInputs")->count(), 0);
    QCOMPARE(f.child<QListWidget>("ComboBox1")->count(), 0);
    QCOMPARE(f.child<QListWidget>("ListBox1")->count(), 0);
    QCOMPARE(f.child<QListWidget>("ListBox2")->count(), 0);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QVERIFY(f.ui.messages.isEmpty());
}

void WizardTest::pageWithoutFormShowsMessage() {
    WizardFixture f;
    f.start();
    f.form().show();
    selectPage(f, f.writeFile(QStringLiteral("noform.htm"), "<html><body><formula>x</formula><forms></body></html>"));
    // Tags whose names only begin with "form" are no form tags.
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kNoForm)});
    QCOMPARE(f.child<QListWidget>("ListBoxInputs")->count(), 0);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    selectPage(f, f.writeFile(QStringLiteral("empty.htm"), ""));
    QCOMPARE(f.ui.messageTexts().last(), qs(texts::kNoForm));
    // Continue says so again instead of leading to an empty page 2; a page with a form goes on.
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    QCOMPARE(f.ui.messageTexts().size(), 3);
    QCOMPARE(f.ui.messageTexts().last(), qs(texts::kNoForm));
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
}

void WizardTest::cancelledOpenDialogChangesNothing() {
    WizardFixture f;
    f.start();
    f.form().show();
    const QString page = f.writeFile(QStringLiteral("contact.htm"), kContactPage);
    selectPage(f, page);
    f.ui.openAnswers.emplace_back(std::nullopt);
    f.click("ButtonSelectForm");
    QCOMPARE(f.child<QLineEdit>("FormEdit")->text(), page);
    QCOMPARE(f.child<QListWidget>("ListBoxInputs")->count(), 2);
}

void WizardTest::saveCancelledChangesNothing() {
    WizardFixture f;
    toPageThree(f, false);
    const QStringList before = QDir(f.path(QString())).entryList(QDir::Files);
    f.click("Button4");
    QCOMPARE(f.ui.saveQuestions, 1);
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.child<QLineEdit>("EditSave")->text().isEmpty());
    QVERIFY(!f.child<QPushButton>("Button5")->isEnabled());
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files), before);
}

void WizardTest::saveFailureKeepsEverything() {
    WizardFixture f;
    f.start();
    f.form().show();
    const QString page = f.writeFile(QStringLiteral("contact.htm"), kContactPage);
    selectPage(f, page);
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    f.click("ButtonNext");

    // A folder that does not exist, then a folder in the place of the file.
    const QString nowhere = f.path(QStringLiteral("no-such-folder/page.htm"));
    f.ui.saveAnswers.emplace_back(nowhere);
    f.click("Button4");
    QCOMPARE(f.ui.errorTexts(), QStringList{qs(texts::fill(texts::kCannotCreateFile, nowhere.toStdString()) +
                                               ": No such file or directory")});
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(!WizardFixture::exists(nowhere));
    const QString folder = f.path(QStringLiteral("a-folder.htm"));
    QDir().mkpath(folder);
    f.ui.saveAnswers.emplace_back(folder);
    f.click("Button4");
    QCOMPARE(f.ui.errors.size(), 2);
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.child<QLineEdit>("EditSave")->text().isEmpty());
    QVERIFY(!f.child<QPushButton>("Button5")->isEnabled());

    // Saving over the source page after another program saved it is refused: its text stays.
    const std::string savedElsewhere = kContactPage + "<!-- saved by the editor -->\r\n";
    f.writeFile(QStringLiteral("contact.htm"), savedElsewhere);
    f.ui.saveAnswers.emplace_back(page);
    f.click("Button4");
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::fill(texts::kPageChangedMeanwhile, page.toStdString()))});
    QCOMPARE(WizardFixture::readFile(page), savedElsewhere);
    f.ui.messages.clear();
    // Nor is the output saved anywhere else: it was built from the page's earlier text.
    const QString elsewhere = f.path(QStringLiteral("elsewhere.htm"));
    f.ui.saveAnswers.emplace_back(elsewhere);
    f.click("Button4");
    QCOMPARE(f.ui.errorTexts().last(), qs(texts::fill(texts::kCannotOpenFile, page.toStdString())));
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(!WizardFixture::exists(elsewhere));
    f.writeFile(QStringLiteral("contact.htm"), kContactPage);

    // Saving over the source page itself is allowed.
    f.ui.saveAnswers.emplace_back(page);
    f.click("Button4");
    QCOMPARE(WizardFixture::readFile(page), outputPage(f)->currentBytes());
    QCOMPARE(f.child<QLineEdit>("EditSave")->text(), page);
}

// Closing with an updated page neither copied nor saved asks first; No (or closing the
// question) keeps the window, Yes closes it, and a copied page closes without a question.
void WizardTest::closingAsksWhileTheUpdateIsUnkept() {
    for (const char *how : {"No", "Yes", "Copy All"}) {
        WizardFixture f;
        toPageThree(f, true);
        const std::string answer = how;
        if (answer == "Copy All") {
            f.click("Button3");
        } else {
            f.ui.modalAnswers.emplace_back([answer](QDialog &dialog) {
                auto &box = static_cast<QMessageBox &>(dialog);
                box.button(answer == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click();
            });
        }
        f.form().close();
        QCOMPARE(f.ui.modalShowings, answer == "Copy All" ? 0 : 1);
        QCOMPARE(f.form().isVisible(), answer == "No");
    }
}

void WizardTest::testStartsNothingForRemovedFile() {
    WizardFixture f;
    toPageThree(f, false);
    const QString saved = f.path(QStringLiteral("with blank.htm"));
    f.ui.saveAnswers.emplace_back(saved);
    f.click("Button4");
    QVERIFY(QFile::remove(saved));
    f.click("Button5");
    QVERIFY(f.ui.browserUrls.isEmpty());
    QVERIFY(f.ui.programs.isEmpty());
    QVERIFY(f.ui.errors.isEmpty());
    // It says so, and names the file.
    QCOMPARE(f.ui.messageTexts().last(), gui::unopenedMessage(gui::Unopened::MissingSavedPage, saved));
    QVERIFY(f.ui.messages.last().selectable);
}

void WizardTest::missingModelStopsPageThree() {
    WizardFixture f;
    QVERIFY(QFile::remove(f.mainDirectory() + QStringLiteral("vlmodel.txt")));
    toPageThree(f, false);
    const std::string model = f.mainDirectory().toStdString() + "vlmodel.txt";
    QCOMPARE(f.ui.errorTexts(), QStringList{qs(texts::fill(texts::kCannotOpenFile, model))});
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    QVERIFY(!f.child<QPushButton>("ButtonNext")->isEnabled());
    QVERIFY(f.child<QPushButton>("ButtonBack")->isEnabled());
    QVERIFY(outputPage(f)->currentBytes().empty());
}

// Every control of the visible page lies inside the window, and every label shows its whole text.
static void checkNothingClipped(WizardFixture &f) {
    QCoreApplication::processEvents(); // lays out the page just shown
    test::verifyNothingClipped(f.child<QStackedWidget>("PageControl1")->currentWidget(), &f.form());
}

// The window with the shipped face, and drawn with a wider family than it was laid out for:
// labels wrap or grow instead of clipping, and the window and its controls keep their places.
void WizardTest::windowLayoutFacts_data() {
    QTest::addColumn<bool>("secondFamily");
    QTest::newRow("shipped face") << false;
    QTest::newRow("second family") << true;
}

void WizardTest::windowLayoutFacts() {
    QFETCH(bool, secondFamily);
    WizardFixture f;
    f.start();
    if (secondFamily) {
        test::useSecondFamily(&f.form());
    } else {
        QCOMPARE(QFontInfo(f.form().font()).family(), gui::shippedSansFamily());
    }
    f.form().show();
    QCOMPARE(f.form().size(), QSize(539, 578));
    QCOMPARE(f.form().minimumSize(), QSize(539, 578));
    QVERIFY(f.form().windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(f.form().windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(f.child<QWidget>("Panel1")->height(), 41);

    checkNothingClipped(f);

    // Tab order of page 1 with its links, then the panel.
    const QStringList order{QStringLiteral("ButtonSelectForm"), QStringLiteral("ListBoxInputs"),
                            QStringLiteral("FormEdit"),         QStringLiteral("EditID"),
                            QStringLiteral("ComboFormNum"),     QStringLiteral("Label34"),
                            QStringLiteral("Label62"),          QStringLiteral("ButtonNext")};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = f.child<QWidget>(order[i].toLatin1().constData())->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible()) {
            next = next->nextInFocusChain();
        }
        QCOMPARE(next->objectName(), order[i + 1]);
    }
    auto *link = f.child<QLabel>("Label34");
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));

    // Pages 2 and 3.
    selectPage(f, f.writeFile(QStringLiteral("contact.htm"), kContactPage));
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("24680"));
    f.click("ButtonNext");
    checkNothingClipped(f);
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet5"));
    checkNothingClipped(f);

    // The chooser, with three long tags.
    if (secondFamily) {
        test::useSecondFamily(&f.chooser());
    }
    const QString tag =
        QStringLiteral("<form method=\"post\" action=\"https://example.com/cgi-bin/a-long-path/mail.cgi\">");
    f.chooser().fill({tag, tag, tag});
    f.chooser().show();
    QCoreApplication::processEvents();
    test::verifyNothingClipped(&f.chooser(), &f.chooser());
    f.chooser().hide();
}

// The classic size is the least: a larger window gives its width and height to the page-2
// lists and the output box, and the notes box grows with its notes, the window with it.
void WizardTest::largerWindowGivesItsRoomToTheBoxes() {
    // Each nested layout asks its parent's to run again, one round of events per level.
    const auto settle = [] {
        for (int round = 0; round < 5; ++round) {
            QCoreApplication::processEvents();
        }
    };
    WizardFixture f;
    toPageThree(f, true);
    settle();
    auto *box = f.child<QPlainTextEdit>("RichEdit1");
    auto *notes = f.child<QPlainTextEdit>("MemoVisitorNotes");
    const QSize classicBox = box->size();
    QCOMPARE(classicBox.width(), 497);
    QVERIFY(classicBox.height() >= 225);

    const QSize window = f.form().size();
    const int notesBefore = notes->height();
    f.form().resize(window + QSize(361, 222));
    settle();
    QCOMPARE(f.form().size(), window + QSize(361, 222));
    QCOMPARE(box->width(), classicBox.width() + 361);
    // The added height is the box's, less what the notes, wrapped wider, give back or take.
    QCOMPARE(box->height(), classicBox.height() + 222 - (notes->height() - notesBefore));
    QCOMPARE(notes->width(), box->width());
    QCOMPARE(f.child<QWidget>("Panel1")->geometry().bottom(), f.form().height() - 1);
    f.click("ButtonBack");
    settle();
    const int lists = f.child<QListWidget>("ComboBox1")->width() + f.child<QListWidget>("ListBox2")->width();
    QVERIFY2(lists >= 2 * 145 + 361 - 1, qPrintable(QString::number(lists)));
    QVERIFY(f.child<QListWidget>("ComboBox1")->height() >= 105 + 200);

    // Six fields with rules and no labels: every warning shows, at the classic width too.
    f.form().resize(539, 578);
    f.click("ButtonBack");
    std::string fields;
    for (const char *name : {"a", "b", "c", "d", "e", "f"}) {
        fields += "<input name=\"" + std::string(name) + "\">";
    }
    selectPage(f,
               f.writeFile(QStringLiteral("six.htm"), "<html><head></head><body><form action=x>" + fields + "</form>"));
    f.click("ButtonNext");
    for (const char *name : {"a", "b", "c", "d", "e", "f"}) {
        f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule(name, std::string(name) + "^0^1^9^Fill it in", name);
    }
    f.click("ButtonNext");
    settle();
    QCOMPARE(notes->blockCount(), 8); // the hash, six fields, no submit button
    QVERIFY(notes->height() > 30 + 5 * notes->fontMetrics().lineSpacing());
    QCOMPARE(notes->verticalScrollBar()->maximum(), 0);
    QVERIFY(f.form().height() > 578);
    checkNothingClipped(f);
}

// With VELMORAINE_SCREENSHOTS set to a folder, writes pictures of the three pages (page 3 also
// in a larger window) and the chooser of a page with five forms there.
void WizardTest::screenshots() {
    const QString folder = qEnvironmentVariable("VELMORAINE_SCREENSHOTS");
    if (folder.isEmpty()) {
        QSKIP("VELMORAINE_SCREENSHOTS is not set");
    }
    QDir().mkpath(folder);
    // Each nested layout asks its parent's to run again, one round of events per level.
    const auto settle = [] {
        for (int round = 0; round < 5; ++round) {
            QCoreApplication::processEvents();
        }
    };
    WizardFixture f;
    f.writeSettings("velmoraine.ini", "[Settings]\nmain dir=" + f.mainDirectory().toStdString() + "\nvl_id=24680\n");
    f.start();
    f.form().show();
    // Five forms; the order form, written "<Form", is the fifth and is picked from the list.
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        auto *list = dialog.findChild<QComboBox *>(QStringLiteral("ComboMoreForms"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(dialog.grab().save(folder + QStringLiteral("/chooser.png")));
        test::chooseForm(5)(dialog);
    });
    const std::string page = "<html><head><title>Orders</title></head><body>\n"
                             "<form method=\"post\" action=\"/cgi-bin/search.pl\" name=\"search\">"
                             "<input name=\"q\"></form>\n"
                             "<form method=\"post\" action=\"newsletter.php\" name=\"news\">"
                             "<input name=\"address\"></form>\n"
                             "<form method=\"post\" action=\"/login\" name=\"login\">"
                             "<input name=\"user\"></form>\n"
                             "<form action=\"feedback.php\"><textarea name=\"note\"></textarea></form>\n"
                             "<Form method=\"post\" action=\"mail.asp\" name=\"order\">\n"
                             "<input type=\"text\" name=\"fullname\">\n<input type=\"text\" name=\"email\">\n"
                             "<input type=\"text\" name=\"phone\">\n<input type=\"text\" name=\"quantity\">\n"
                             "<textarea name=\"comments\"></textarea>\n<input type=\"submit\" value=\"Order\">\n"
                             "</form>\n</body></html>\n";
    selectPage(f, f.writeFile(QStringLiteral("orders.htm"), page));
    settle();
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page1.png")));
    f.click("ButtonNext");
    auto *rulePage = f.child<RuleEditorPage>("TabSheet2");
    rulePage->addOrReplaceRule("fullname", "fullname^0^1^0^0^Field \"fullname\" must be filled in.",
                               "fullname (filled-in)");
    rulePage->addOrReplaceRule("email", kEmailRecord, "email (email address)");
    settle();
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page2.png")));
    f.click("ButtonNext");
    f.ui.saveAnswers.emplace_back(f.path(QStringLiteral("orders-updated.htm")));
    f.click("Button4");
    settle();
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page3.png")));
    f.click("ButtonChanges");
    settle();
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page3-changes.png")));
    f.click("ButtonChanges");
    f.form().resize(900, 760);
    settle();
    QVERIFY(f.form().grab().save(folder + QStringLiteral("/page3-resized.png")));
}

QTEST_MAIN(WizardTest)
#include "wizard_test.moc"
