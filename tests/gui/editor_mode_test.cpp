// Editor mode: the sibling editor starts the wizard with "dp-" and a page; the wizard opens on
// page 2 and, at the end, writes the updated page back and tells the editor.
#include <csignal>
#include <cstdio>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "core/base/profile.h"
#include "core/base/texts.h"
#include "core/rewrite/page_rewriter.h"
#include "gui/page_text.h"
#include "gui/rule_editor_page.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using velmoraine::test::qs;
using velmoraine::test::WizardFixture;

namespace {

// An LF page that already carries a hidden input for the service, which editor mode keeps.
const std::string kEditorPage = "<html>\n<head>\n<title>Contact</title>\n</head>\n<body>\n"
                                "<form method=\"post\" action=\"mail.asp\">\n"
                                "<input type=\"hidden\" name=\"velmoraine\" value=\"11111-1\">\n"
                                "<input type=\"text\" name=\"email\">\n</form>\n</body>\n</html>\n";

const std::string kEmailRecord = "email^1^0^Please enter a valid email address";
const std::string kEditorSettings = "[Recent]\nfile1=/home/ann/site/index.htm\n\n[Settings]\nval_comp=0\nwrap=1\n";

std::string editorOutput(const std::string &page, const std::string &id, const std::vector<std::string> &records) {
    const std::string model = test::modelText();
    rewrite::RewriteInput input;
    input.page = page;
    input.model = model;
    input.accountIdText = id;
    input.records = &records;
    input.mode = rewrite::LaunchMode::Editor;
    return rewrite::rewritePage(input).output.value_or("<gave up>");
}

void addEmailRule(WizardFixture &f) {
    f.child<RuleEditorPage>("TabSheet2")->addOrReplaceRule("email", kEmailRecord, "email (email address)");
}

} // namespace

class EditorModeTest : public QObject {
    Q_OBJECT
private slots:
    void wholeEditorRun();
    void editorRunWithoutAccountId();
    void missingPageEndsWithOneErrorBox();
    void pageThatCannotBeScannedEnds_data();
    void pageThatCannotBeScannedEnds();
    void severalFormsAskBeforeTheWindow();
    void rewriterGivingUpClosesWithoutWriting();
    void failedWriteKeepsTheWindowOnPageTwo();
    void missingModelKeepsTheWindow();
    void prefixMustStandFirstInLowerCase();
    void pageSavedMeanwhileIsNotWrittenOver();
    void nameThatIsNotUtf8IsWrittenBack();
    void unreadableSettingsAreNamedAtStart();
    void noOtherPageCanReplaceTheEditorsFile();
};

void EditorModeTest::wholeEditorRun() {
    WizardFixture f;
    f.writeSettings("velmoraine.ini", "[Settings]\nmain dir=" + f.mainDirectory().toStdString() + "\nvl_id=24680\n");
    f.writeSettings("dornapelle.ini", kEditorSettings);
    const QString page = f.writeFile(QStringLiteral("site/contact.htm"), kEditorPage);
    QCOMPARE(f.start("dp-" + page.toStdString()), TForm1::SetUpOutcome::Run);
    f.form().show();
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    QCOMPARE(f.child<QLineEdit>("FormEdit")->text(), page);
    QCOMPARE(f.child<QListWidget>("ComboBox1")->item(0)->text(), QStringLiteral("email"));
    QVERIFY(f.child<QPushButton>("ButtonNext")->isEnabled());
    QVERIFY(f.child<QPushButton>("ButtonBack")->isEnabled());

    addEmailRule(f);
    f.click("ButtonNext");
    const std::string written = WizardFixture::readFile(page);
    QCOMPARE(written, editorOutput(kEditorPage, "24680", {kEmailRecord}));
    QVERIFY(written.find("value=\"11111-1\"") != std::string::npos);
    QVERIFY(written.find("24680-1") == std::string::npos);
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kValidationAdded)});
    QVERIFY(f.ui.errors.isEmpty());
    QCOMPARE(f.settingsText("dornapelle.ini"),
             std::string("[Recent]\nfile1=/home/ann/site/index.htm\n\n[Settings]\nval_comp=1\nwrap=1\n"));
    QVERIFY(!f.form().isVisible());
}

void EditorModeTest::editorRunWithoutAccountId() {
    WizardFixture f;
    const QString page = f.writeFile(QStringLiteral("contact.htm"), kEditorPage);
    f.start("dp-" + page.toStdString());
    f.form().show();
    QVERIFY(f.child<QLineEdit>("EditID")->text().isEmpty());

    // Back on page 1, Continue takes the empty account ID and stores nothing.
    f.click("ButtonBack");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    f.click("ButtonNext");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.settingsText("velmoraine.ini").find("vl_id") == std::string::npos);

    f.click("ButtonNext");
    QCOMPARE(WizardFixture::readFile(page), editorOutput(kEditorPage, "", {}));
    QVERIFY(WizardFixture::readFile(page).find("action=\"mail.asp\"") != std::string::npos);
    QVERIFY(f.settingsText("dornapelle.ini").find("val_comp=1") != std::string::npos);
    QVERIFY(!f.form().isVisible());
}

void EditorModeTest::missingPageEndsWithOneErrorBox() {
    WizardFixture f;
    const QString missing = f.path(QStringLiteral("gone/contact.htm"));
    QCOMPARE(f.start("dp-" + missing.toStdString()), TForm1::SetUpOutcome::Quit);
    QCOMPARE(f.ui.errorTexts(), QStringList{qs(texts::fill(texts::kCannotOpenFile, missing.toStdString()))});
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(!f.form().isVisible());
    QVERIFY(f.settingsText("dornapelle.ini").empty());
}

// A page the scan cannot read ends the run at start with its message, before the window shows,
// and the page stays as it was.
void EditorModeTest::pageThatCannotBeScannedEnds_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("message");
    QTest::newRow("page without form ends")
        << QByteArray("<html><body>No form here.</body></html>") << qs(texts::kNoForm);
    QTest::newRow("wide encoding page ends with its message")
        << QByteArray("\xFF\xFE<\0f\0o\0r\0m\0>\0", 12) << qs(texts::fill(texts::kUnsupportedEncoding, "UTF-16"));
}

void EditorModeTest::pageThatCannotBeScannedEnds() {
    QFETCH(QByteArray, page);
    QFETCH(QString, message);
    WizardFixture f;
    const QString path = f.writeFile(QStringLiteral("page.htm"), page.toStdString());
    QCOMPARE(f.start("dp-" + path.toStdString()), TForm1::SetUpOutcome::Quit);
    QCOMPARE(f.ui.messageTexts(), QStringList{message});
    QVERIFY(f.ui.errors.isEmpty());
    QVERIFY(!f.form().isVisible());
    QCOMPARE(WizardFixture::readFile(path), page.toStdString());
}

void EditorModeTest::severalFormsAskBeforeTheWindow() {
    WizardFixture f;
    const QString page =
        f.writeFile(QStringLiteral("two.htm"), "<html><head></head><body><form name=\"x\"><input name=\"x1\"></form>\n"
                                               "<form name=\"y\"><input name=\"y1\"></form></body></html>\n");
    bool windowShownDuringChooser = true;
    f.ui.modalAnswers.emplace_back([&](QDialog &dialog) {
        windowShownDuringChooser = f.form().isVisible();
        test::chooseForm(2)(dialog);
    });
    QCOMPARE(f.start("dp-" + page.toStdString()), TForm1::SetUpOutcome::Run);
    QCOMPARE(f.ui.modalShowings, 1);
    QVERIFY(!windowShownDuringChooser);
    QCOMPARE(f.child<QListWidget>("ListBoxInputs")->item(0)->text(), QStringLiteral("y1"));
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
}

void EditorModeTest::rewriterGivingUpClosesWithoutWriting() {
    WizardFixture f;
    const std::string headless = "<form name=\"f\" action=\"x.cgi\"><input name=\"email\"></form>\n";
    const QString page = f.writeFile(QStringLiteral("headless.htm"), headless);
    f.start("dp-" + page.toStdString());
    f.form().show();
    addEmailRule(f);
    f.click("ButtonNext");
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kNoHeadOrBody)});
    QCOMPARE(WizardFixture::readFile(page), headless);
    QVERIFY(f.settingsText("dornapelle.ini").empty());
    QVERIFY(!f.form().isVisible());
}

// After picking another page on page 1, the editor's page is still the one written; when its
// folder has gone, the write fails, nothing is stored and the window stays for a retry.
// A write that fails (here a file size limit, which stops the superuser too) leaves the page
// and the editor's settings as they were, and the window on page 2 for another try.
void EditorModeTest::failedWriteKeepsTheWindowOnPageTwo() {
    WizardFixture f;
    f.writeSettings("dornapelle.ini", kEditorSettings);
    const QString launchPage = f.writeFile(QStringLiteral("site/contact.htm"), kEditorPage);
    f.start("dp-" + launchPage.toStdString());
    f.form().show();
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));

    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{16, before.rlim_max};
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    f.click("ButtonNext");
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &before), 0);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(f.ui.errorTexts(),
             QStringList{qs(texts::fill(texts::kCannotCreateFile, launchPage.toStdString()) + ": File too large")});
    QVERIFY(f.ui.messages.isEmpty());
    QCOMPARE(f.settingsText("dornapelle.ini"), kEditorSettings);
    QCOMPARE(WizardFixture::readFile(launchPage), kEditorPage);
    QVERIFY(f.form().isVisible());
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet2"));
    QVERIFY(!f.child<QPushButton>("ButtonNext")->isEnabled());

    // Back to page 1 and on again: the retry writes the update.
    f.click("ButtonBack");
    f.click("ButtonNext");
    f.click("ButtonNext");
    QCOMPARE(WizardFixture::readFile(launchPage), editorOutput(kEditorPage, "", {}));
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kValidationAdded)});
    QVERIFY(!f.form().isVisible());
}

void EditorModeTest::missingModelKeepsTheWindow() {
    WizardFixture f;
    QVERIFY(QFile::remove(f.mainDirectory() + QStringLiteral("vlmodel.txt")));
    const QString page = f.writeFile(QStringLiteral("contact.htm"), kEditorPage);
    f.start("dp-" + page.toStdString());
    f.form().show();
    f.click("ButtonNext");
    const std::string model = f.mainDirectory().toStdString() + "vlmodel.txt";
    QCOMPARE(f.ui.errorTexts(), QStringList{qs(texts::fill(texts::kCannotOpenFile, model))});
    QCOMPARE(WizardFixture::readFile(page), kEditorPage);
    QVERIFY(f.settingsText("dornapelle.ini").empty());
    QVERIFY(f.form().isVisible());
}

void EditorModeTest::prefixMustStandFirstInLowerCase() {
    for (const char *commandLine : {"DP-a.htm", "C:\\dp-files\\a.htm"}) {
        WizardFixture f;
        QCOMPARE(f.start(commandLine), TForm1::SetUpOutcome::Run);
        QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
        QVERIFY(f.child<QLineEdit>("FormEdit")->text().isEmpty());
    }
}

// The editor saved the page after the wizard scanned it: nothing is written over that text,
// the editor is not told of a completed run, and the window stays.
void EditorModeTest::pageSavedMeanwhileIsNotWrittenOver() {
    WizardFixture f;
    f.writeSettings("dornapelle.ini", kEditorSettings);
    const QString page = f.writeFile(QStringLiteral("contact.htm"), kEditorPage);
    f.start("dp-" + page.toStdString());
    f.form().show();
    addEmailRule(f);
    const std::string savedByEditor = kEditorPage + "<!-- a later edit -->\n";
    f.writeFile(QStringLiteral("contact.htm"), savedByEditor);
    f.click("ButtonNext");
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::fill(texts::kPageChangedMeanwhile, page.toStdString()))});
    QVERIFY(f.ui.errors.isEmpty());
    QCOMPARE(WizardFixture::readFile(page), savedByEditor);
    QCOMPARE(f.settingsText("dornapelle.ini"), kEditorSettings);
    QVERIFY(f.form().isVisible());
}

// A Latin-1 file name (byte E9) is used as the bytes the editor gave, from scan to write.
void EditorModeTest::nameThatIsNotUtf8IsWrittenBack() {
    WizardFixture f;
    const std::string page = f.path(QStringLiteral("site")).toStdString() + "/lat\xE9.htm";
    QVERIFY(QDir().mkpath(f.path(QStringLiteral("site"))));
    {
        std::FILE *out = std::fopen(page.c_str(), "wb");
        QVERIFY(out != nullptr);
        std::fwrite(kEditorPage.data(), 1, kEditorPage.size(), out);
        std::fclose(out);
    }
    QCOMPARE(f.start("dp-" + page), TForm1::SetUpOutcome::Run);
    f.form().show();
    addEmailRule(f);
    f.click("ButtonNext");
    QVERIFY2(f.ui.errors.isEmpty(), qPrintable(f.ui.errorTexts().join(QLatin1Char('\n'))));
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kValidationAdded)});
    std::FILE *in = std::fopen(page.c_str(), "rb");
    QVERIFY(in != nullptr);
    std::string written(1 << 16, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), in));
    std::fclose(in);
    QCOMPARE(written, editorOutput(kEditorPage, "", {kEmailRecord}));
}

void EditorModeTest::unreadableSettingsAreNamedAtStart() {
    WizardFixture f;
    f.writeSettings("velmoraine.ini", std::string("\xFE\xFF\0[\0S", 6));
    QCOMPARE(f.start(), TForm1::SetUpOutcome::Run);
    const std::string file = profile::resolveProfilePath("velmoraine.ini");
    QCOMPARE(f.ui.messageTexts(),
             QStringList{qs(texts::fill(texts::kSettingsUnreadable, file) + std::string(texts::kSettingsWideReason))});
}

QTEST_MAIN(EditorModeTest)
#include "editor_mode_test.moc"

// Back on page 1, no other page can be picked: Select is disabled and says why, its shortcut
// opens nothing, and the editor's file receives the update of its own page.
void EditorModeTest::noOtherPageCanReplaceTheEditorsFile() {
    WizardFixture f;
    const QString page = f.writeFile(QStringLiteral("contact.htm"), kEditorPage);
    const std::string otherPage =
        "<html><head></head><body><form action=\"x\"><input name=\"other\"></form></body></html>";
    const QString other = f.writeFile(QStringLiteral("other.htm"), otherPage);
    f.start("dp-" + page.toStdString());
    f.form().show();
    f.click("ButtonBack");
    QCOMPARE(f.currentPage(), QStringLiteral("TabSheet1"));
    QVERIFY(!f.child<QPushButton>("ButtonSelectForm")->isEnabled());
    QVERIFY(f.child<QLabel>("Label15")->text().contains(QStringLiteral("written back to this file")));
    f.ui.openAnswers.emplace_back(other);
    QTest::keyClick(&f.form(), Qt::Key_S, Qt::AltModifier);
    QCOMPARE(f.ui.openAnswers.size(), std::size_t{1});
    QCOMPARE(f.child<QLineEdit>("FormEdit")->text(), page);
    f.click("ButtonNext");
    addEmailRule(f);
    f.click("ButtonNext");
    QCOMPARE(WizardFixture::readFile(page), editorOutput(kEditorPage, "", {kEmailRecord}));
    QCOMPARE(WizardFixture::readFile(other), otherPage);
}
