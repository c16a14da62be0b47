// Help and the service's links, driven through the wizard's controls: the topic each control
// opens, the help viewer where it is installed and the wizard's own help window elsewhere, and
// the link data file, the link launcher and the browser for the sign-up and home links.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "core/base/profile.h"
#include "core/base/service.h"
#include "core/base/texts.h"
#include "core/desktop/launch_commands.h"
#include "gui/help_window.h"
#include "gui/link_label.h"
#include "gui/page_text.h"
#include "wizard_fixture.h"

using namespace velmoraine;
using velmoraine::test::qs;
using velmoraine::test::ScopedPath;
using velmoraine::test::WizardFixture;

namespace {

const std::string kPage = "<html><head></head><body>\n<form action=\"mail.asp\"><input name=\"email\"></form>\n"
                          "</body></html>\n";

// What qd.dat held before: the writes must keep all of it but the one value.
const std::string kLinkData = "; written by the launcher\n[vlhome]\nurl=https://example.org/old\nwidth=800\n\n"
                              "[vlsu]\nurl=https://example.org/old-signup\n";

QString writeExecutable(WizardFixture &f, const QString &name) {
    const QString path = f.writeFile(name, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

// Runs the wizard with the test's folder `folder` as the main directory (none when empty),
// holding the script model, and shows page 1. Returns the main directory.
QString startWith(WizardFixture &f, const QString &folder) {
    QString main;
    if (!folder.isEmpty()) {
        main = f.path(folder) + u'/';
        f.writeFile(folder + QStringLiteral("/vlmodel.txt"), test::modelText());
    }
    f.writeSettings("velmoraine.ini", "[Settings]\nmain dir=" + main.toStdString() + "\nvl_id=24680\n");
    f.start();
    f.form().show();
    return main;
}

void goToPage(WizardFixture &f, const char *page) {
    if (f.currentPage() == QStringLiteral("TabSheet1")) {
        f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("page.htm"), kPage));
        f.click("ButtonSelectForm");
    }
    while (f.currentPage() != QString::fromLatin1(page)) {
        f.click("ButtonNext");
    }
}

void clickLink(WizardFixture &f, const char *objectName) {
    QTest::mouseClick(f.child<QWidget>(objectName), Qt::LeftButton);
}

HelpWindow *helpWindow(WizardFixture &f) {
    const QList<HelpWindow *> windows = f.form().findChildren<HelpWindow *>();
    return windows.size() == 1 ? windows.front() : nullptr;
}

// What the keys on a link did: the addresses opened, the help topic shown, the digit counts of
// the preset filled in.
QString effectOf(WizardFixture &f) {
    QStringList seen;
    for (const QUrl &url : f.ui.browserUrls) {
        seen.append(QStringLiteral("browser ") + url.toString());
    }
    if (helpWindow(f) != nullptr && helpWindow(f)->isVisible()) {
        seen.append(QStringLiteral("help %1").arg(helpWindow(f)->currentTopic()));
    }
    if (f.child<QRadioButton>("RadioNumberSeq")->isChecked()) {
        seen.append(QStringLiteral("preset %1 %2")
                        .arg(f.child<QLineEdit>("EditSeqMin")->text(), f.child<QLineEdit>("EditSeqMax")->text()));
    }
    return seen.join(QStringLiteral("; "));
}

void clearEffects(WizardFixture &f) {
    f.ui.browserUrls.clear();
    if (helpWindow(f) != nullptr) {
        helpWindow(f)->close();
    }
    f.child<QRadioButton>("RadioNonBlank")->setChecked(true);
    f.child<QLineEdit>("EditSeqMin")->clear();
    f.child<QLineEdit>("EditSeqMax")->clear();
    QApplication::setActiveWindow(&f.form());
}

QStringList words(const launch::Command &command) {
    QStringList all{gui::fromNativePath(command.program)};
    for (const std::string &argument : command.arguments) {
        all.append(gui::fromNativePath(argument));
    }
    return all;
}

} // namespace

class HelpLinksTest : public QObject {
    Q_OBJECT

private slots:
    void helpWindowOpensEachControlsTopic();
    void helpWindowIsOneNonModalWindow();
    void helpWindowFollowsItsLinks();
    void helpViewerWhereInstalled();
    void signUpLinkWritesTheLinkDataFile();
    void homeLinksFromPagesOneAndThree();
    void refusedAccountIdOpensTheSignUpLink();
    void launcherWhereInstalled();
    void emptyMainDirectory();
    void longMainDirectoryStartsTheWholeCommand();
    void unwritableLinkDataFileStillOpens();
    void failedLaunchNamesWhatDidNotOpen_data();
    void failedLaunchNamesWhatDidNotOpen();
    void keyboardReachesEveryLink_data();
    void keyboardReachesEveryLink();
    void screenshots();
};

void HelpLinksTest::helpWindowOpensEachControlsTopic() {
    WizardFixture f;
    const ScopedPath noViewer(f.path(QStringLiteral("empty-bin")));
    startWith(f, QStringLiteral("main"));
    f.click("SpeedButton1");
    QVERIFY(helpWindow(f) != nullptr);
    QCOMPARE(helpWindow(f)->currentTopic(), 1000);
    QVERIFY(helpWindow(f)->isVisible());
    QCOMPARE(helpWindow(f)->windowTitle(), QStringLiteral("Velmoraine Help - Contents"));

    goToPage(f, "TabSheet2");
    clickLink(f, "Label59");
    QCOMPARE(helpWindow(f)->currentTopic(), 1002);
    QVERIFY(helpWindow(f)
                ->findChild<QTextBrowser *>(QStringLiteral("HelpBrowser"))
                ->toPlainText()
                .contains(QStringLiteral("Validating fields")));
    f.click("SpeedButton1");
    QCOMPARE(helpWindow(f)->currentTopic(), 1000);

    goToPage(f, "TabSheet5");
    clickLink(f, "Label60");
    QCOMPARE(helpWindow(f)->currentTopic(), 1001);
    f.click("SpeedButton1");
    QCOMPARE(helpWindow(f)->currentTopic(), 1000);

    QVERIFY(f.ui.programs.isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.ui.errors.isEmpty());
}

void HelpLinksTest::helpWindowIsOneNonModalWindow() {
    WizardFixture f;
    const ScopedPath noViewer(f.path(QStringLiteral("empty-bin")));
    startWith(f, QStringLiteral("main"));
    f.click("SpeedButton1");
    HelpWindow *first = helpWindow(f);
    QVERIFY(first != nullptr);
    QVERIFY(first->isWindow());
    QCOMPARE(first->windowModality(), Qt::NonModal);
    QVERIFY(!QApplication::activeModalWidget());
    // The wizard still takes clicks while help is open.
    f.click("ButtonSelectForm");
    QCOMPARE(f.ui.openFolders.size(), 1);

    // Closed with Escape from its text and asked for again: the same window comes back.
    QTest::keyClick(first->findChild<QTextBrowser *>(QStringLiteral("HelpBrowser")), Qt::Key_Escape);
    QVERIFY(!first->isVisible());
    f.click("SpeedButton1");
    QCOMPARE(helpWindow(f), first);
    QVERIFY(first->isVisible());
    QCOMPARE(f.form().findChildren<HelpWindow *>().size(), 1);
}

void HelpLinksTest::helpWindowFollowsItsLinks() {
    test::RecordingUi ui;
    QWidget owner;
    HelpWindow *window = HelpWindow::showTopic(&owner, ui, 4711);
    QCOMPARE(window->currentTopic(), 1000);
    auto *browser = window->findChild<QTextBrowser *>(QStringLiteral("HelpBrowser"));
    emit browser->anchorClicked(QUrl(QStringLiteral("help:1002")));
    QCOMPARE(window->currentTopic(), 1002);
    QVERIFY(window->findChild<QToolButton *>(QStringLiteral("Topic1002"))->isChecked());
    QVERIFY(!window->findChild<QToolButton *>(QStringLiteral("Topic1000"))->isChecked());
    QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("Topic1001")), Qt::LeftButton);
    QCOMPARE(window->currentTopic(), 1001);
    emit browser->anchorClicked(QUrl(qs(service::kHomeUrl)));
    QCOMPARE(ui.browserUrls, QList<QUrl>{QUrl(qs(service::kHomeUrl))});
    QCOMPARE(window->currentTopic(), 1001);
    QCOMPARE(HelpWindow::showTopic(&owner, ui, 1002), window);
}

void HelpLinksTest::helpViewerWhereInstalled() {
    WizardFixture f;
    const QString viewer = writeExecutable(f, QStringLiteral("bin/hh.exe"));
    const ScopedPath withViewer(f.path(QStringLiteral("bin")));
    const QString main = startWith(f, QStringLiteral("My Programs"));
    const QString helpFile = main + QStringLiteral("velmoraine.chm");

    f.click("SpeedButton1");
    goToPage(f, "TabSheet2");
    clickLink(f, "Label59");
    f.click("SpeedButton1");
    goToPage(f, "TabSheet5");
    clickLink(f, "Label60");

    QCOMPARE(f.ui.programs.size(), 4);
    const QStringList topics{QStringLiteral("1000"), QStringLiteral("1002"), QStringLiteral("1000"),
                             QStringLiteral("1001")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(f.ui.programs[i].program, viewer);
        QCOMPARE(f.ui.programs[i].arguments, QStringList({QStringLiteral("-mapid"), topics[i], helpFile}));
    }
    // The words are those of the composed command line, blanks of the path included.
    const launch::Command command = launch::helpCommand(1002, helpFile.toStdString());
    QCOMPARE(qs(command.commandLine()), QStringLiteral("hh.exe -mapid 1002 ") + helpFile);
    QCOMPARE(QStringList{QStringLiteral("hh.exe")} + f.ui.programs[1].arguments, words(command));
    QVERIFY(helpWindow(f) == nullptr);
    QVERIFY(f.ui.browserUrls.isEmpty());
}

void HelpLinksTest::signUpLinkWritesTheLinkDataFile() {
    WizardFixture f;
    startWith(f, QStringLiteral("main"));
    const QString linkData = f.writeFile(QStringLiteral("main/qd.dat"), kLinkData);
    clickLink(f, "Label34");
    const std::string once = WizardFixture::readFile(linkData);
    QCOMPARE(once, profile::withValue(kLinkData, "vlsu", "url", service::kSignUpUrl));
    QVERIFY(once.find("\n[vlsu]\nurl=https://www.velmoraine.com/signup.html\n") != std::string::npos);
    QVERIFY(once.find("[vlhome]\nurl=https://example.org/old\nwidth=800\n") != std::string::npos);
    QVERIFY(once.find("; written by the launcher\n") == 0);
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl(qs(service::kSignUpUrl))});

    // Twice: the same address written again, and opened again.
    clickLink(f, "Label34");
    QCOMPARE(WizardFixture::readFile(linkData), once);
    QCOMPARE(f.ui.browserUrls.size(), 2);
    QVERIFY(f.ui.programs.isEmpty());
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.ui.errors.isEmpty());
}

void HelpLinksTest::homeLinksFromPagesOneAndThree() {
    WizardFixture f;
    startWith(f, QStringLiteral("main"));
    clickLink(f, "Label62");
    const QString linkData = f.mainDirectory() + QStringLiteral("qd.dat");
    QCOMPARE(WizardFixture::readFile(linkData), std::string("[vlhome]\nurl=https://www.velmoraine.com/\n"));
    goToPage(f, "TabSheet5");
    clickLink(f, "Label54");
    QCOMPARE(WizardFixture::readFile(linkData), std::string("[vlhome]\nurl=https://www.velmoraine.com/\n"));
    QCOMPARE(f.ui.browserUrls, QList<QUrl>({QUrl(qs(service::kHomeUrl)), QUrl(qs(service::kHomeUrl))}));
    QCOMPARE(f.child<QLabel>("Label62")->text(), qs(service::kHomeUrl));
}

// Continue with a refused ID opens the sign-up link exactly as Label34 does.
void HelpLinksTest::refusedAccountIdOpensTheSignUpLink() {
    WizardFixture f;
    startWith(f, QStringLiteral("main"));
    f.ui.openAnswers.emplace_back(f.writeFile(QStringLiteral("page.htm"), kPage));
    f.click("ButtonSelectForm");
    f.child<QLineEdit>("EditID")->setText(QStringLiteral("12863"));
    QTest::keyClick(f.child<QLineEdit>("EditID"), Qt::Key_Return); // Return there is Continue
    QCOMPARE(f.ui.messageTexts(), QStringList{qs(texts::kInvalidAccountId)});
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl(qs(service::kSignUpUrl))});
    const std::string afterContinue = WizardFixture::readFile(f.mainDirectory() + QStringLiteral("qd.dat"));
    QCOMPARE(afterContinue, std::string("[vlsu]\nurl=https://www.velmoraine.com/signup.html\n"));
    clickLink(f, "Label34");
    QCOMPARE(f.ui.browserUrls.size(), 2);
    QCOMPARE(f.ui.browserUrls[1], f.ui.browserUrls[0]);
    QCOMPARE(WizardFixture::readFile(f.mainDirectory() + QStringLiteral("qd.dat")), afterContinue);
}

// A main directory with blanks holding the launcher: it is started, without quotes, with the
// one argument naming the link data file and the link's section.
void HelpLinksTest::launcherWhereInstalled() {
    WizardFixture f;
    const QString launcher = writeExecutable(f, QStringLiteral("My Programs/kxbrws.exe"));
    const QString main = startWith(f, QStringLiteral("My Programs"));
    clickLink(f, "Label34");
    clickLink(f, "Label62");
    QCOMPARE(f.ui.programs.size(), 2);
    QCOMPARE(f.ui.programs[0].program, launcher);
    QCOMPARE(f.ui.programs[0].arguments, QStringList{QStringLiteral("DF9,") + main + QStringLiteral("qd.dat,vlsu")});
    QCOMPARE(f.ui.programs[1].arguments, QStringList{QStringLiteral("DF9,") + main + QStringLiteral("qd.dat,vlhome")});
    const launch::Command command = launch::linkCommand(main.toStdString(), launch::Link::SignUp);
    QCOMPARE(qs(command.commandLine()),
             main + QStringLiteral("kxbrws.exe DF9,") + main + QStringLiteral("qd.dat,vlsu"));
    QCOMPARE(QStringList{f.ui.programs[0].program} + f.ui.programs[0].arguments, words(command));
    QVERIFY(f.ui.browserUrls.isEmpty());
    const std::string linkData = WizardFixture::readFile(main + QStringLiteral("qd.dat"));
    QVERIFY(linkData.find("[vlsu]\nurl=https://www.velmoraine.com/signup.html\n") != std::string::npos);
    QVERIFY(linkData.find("[vlhome]\nurl=https://www.velmoraine.com/\n") != std::string::npos);

    // A file of that name that cannot be run is no launcher.
    QFile::setPermissions(launcher, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    clickLink(f, "Label34");
    QCOMPARE(f.ui.programs.size(), 2);
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl(qs(service::kSignUpUrl))});
}

// No main directory: the link data file is named bare, which puts it in the configuration
// folder as every bare profile name; the help command names the bare help file.
void HelpLinksTest::emptyMainDirectory() {
    WizardFixture f;
    writeExecutable(f, QStringLiteral("bin/hh.exe"));
    const ScopedPath withViewer(f.path(QStringLiteral("bin")));
    startWith(f, QString());
    clickLink(f, "Label34");
    QCOMPARE(f.settingsText("qd.dat"), std::string("[vlsu]\nurl=https://www.velmoraine.com/signup.html\n"));
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl(qs(service::kSignUpUrl))});
    f.click("SpeedButton1");
    QCOMPARE(f.ui.programs.size(), 1);
    QCOMPARE(f.ui.programs[0].arguments,
             QStringList({QStringLiteral("-mapid"), QStringLiteral("1000"), QStringLiteral("velmoraine.chm")}));
}

// A command longer than the classic 299 characters: the launcher still gets its whole argument.
void HelpLinksTest::longMainDirectoryStartsTheWholeCommand() {
    WizardFixture f;
    const QString deep = QStringLiteral("%1/%1/%1").arg(QString(60, u'd'));
    const QString launcher = writeExecutable(f, deep + QStringLiteral("/kxbrws.exe"));
    const QString main = startWith(f, deep);
    QVERIFY(main.size() > 135 && main.size() <= 259); // past the classic limit, within the stored one
    clickLink(f, "Label54");
    const launch::Command command = launch::linkCommand(main.toStdString(), launch::Link::Home);
    QVERIFY(!command.fitsClassicLimit());
    QCOMPARE(f.ui.programs.size(), 1);
    QCOMPARE(f.ui.programs[0].program, launcher);
    QCOMPARE(f.ui.programs[0].arguments, QStringList{QStringLiteral("DF9,") + main + QStringLiteral("qd.dat,vlhome")});
    QVERIFY(WizardFixture::readFile(main + QStringLiteral("qd.dat")).find("url=https://www.velmoraine.com/") !=
            std::string::npos);
}

void HelpLinksTest::unwritableLinkDataFileStillOpens() {
    WizardFixture f;
    QDir().mkpath(f.mainDirectory() + QStringLiteral("qd.dat")); // a folder where the file would be
    const QString launcher = writeExecutable(f, QStringLiteral("main/kxbrws.exe"));
    startWith(f, QStringLiteral("main"));
    clickLink(f, "Label34");
    QCOMPARE(f.ui.programs.size(), 1);
    QCOMPARE(f.ui.programs[0].program, launcher);
    QFile::remove(launcher);
    clickLink(f, "Label34");
    QCOMPARE(f.ui.browserUrls, QList<QUrl>{QUrl(qs(service::kSignUpUrl))});
    QVERIFY(f.ui.messages.isEmpty());
    QVERIFY(f.ui.errors.isEmpty());
}

// Every launch point with a browser, launcher or help viewer that cannot start: a message owned
// by the window that launched says so and ends with the address or path, which the user can
// select. Where the help viewer failed, the wizard's own help shows the topic after it.
void HelpLinksTest::failedLaunchNamesWhatDidNotOpen_data() {
    QTest::addColumn<QString>("page");      // where the launch point is
    QTest::addColumn<QString>("control");   // EditID: Return there with a refused account ID;
                                            // HelpBrowser: a web link inside the help window
    QTest::addColumn<QString>("installed"); // a launcher in the main directory, or hh.exe on the path
    QTest::addColumn<int>("what");          // gui::Unopened
    QTest::addColumn<QString>("where");     // {saved}: the saved page; {help}: the help file
    QTest::addColumn<int>("helpTopic");     // shown by the wizard's own help afterwards; 0: none

    const auto row = [](const char *name, const char *page, const char *control, const char *installed,
                        gui::Unopened what, const QString &where, int helpTopic) {
        QTest::newRow(name) << QString::fromLatin1(page) << QString::fromLatin1(control)
                            << QString::fromLatin1(installed) << static_cast<int>(what) << where << helpTopic;
    };
    using gui::Unopened;
    const QString signUp = qs(service::kSignUpUrl);
    const QString home = qs(service::kHomeUrl);
    const QString saved = QStringLiteral("{saved}");
    const QString help = QStringLiteral("{help}");
    row("Test, browser", "TabSheet5", "Button5", "", Unopened::SavedPage, saved, 0);
    row("Test, launcher", "TabSheet5", "Button5", "dpbrowse.exe", Unopened::SavedPage, saved, 0);
    row("sign-up link, browser", "TabSheet1", "Label34", "", Unopened::WebAddress, signUp, 0);
    row("sign-up link, launcher", "TabSheet1", "Label34", "kxbrws.exe", Unopened::WebAddress, signUp, 0);
    row("refused account ID", "TabSheet1", "EditID", "", Unopened::WebAddress, signUp, 0);
    row("home link, page 1", "TabSheet1", "Label62", "", Unopened::WebAddress, home, 0);
    row("home link, page 3, launcher", "TabSheet5", "Label54", "kxbrws.exe", Unopened::WebAddress, home, 0);
    row("Help, viewer", "TabSheet1", "SpeedButton1", "hh.exe", Unopened::HelpFile, help, 1000);
    row("help link, viewer", "TabSheet2", "Label59", "hh.exe", Unopened::HelpFile, help, 1002);
    row("tutorial link, viewer", "TabSheet5", "Label60", "hh.exe", Unopened::HelpFile, help, 1001);
    row("web link in the help", "TabSheet1", "HelpBrowser", "", Unopened::WebAddress, home, 1000);
}

void HelpLinksTest::failedLaunchNamesWhatDidNotOpen() {
    QFETCH(QString, page);
    QFETCH(QString, control);
    QFETCH(QString, installed);
    QFETCH(int, what);
    QFETCH(QString, where);
    QFETCH(int, helpTopic);

    WizardFixture f;
    const ScopedPath path(f.path(QStringLiteral("bin")));
    if (installed == QStringLiteral("hh.exe")) {
        writeExecutable(f, QStringLiteral("bin/hh.exe"));
    } else if (!installed.isEmpty()) {
        writeExecutable(f, QStringLiteral("main/") + installed);
    }
    const QString main = startWith(f, QStringLiteral("main"));
    goToPage(f, page.toLatin1().constData());
    const QString saved = f.path(QStringLiteral("saved page.htm"));
    if (page == QStringLiteral("TabSheet5")) {
        f.ui.saveAnswers.emplace_back(saved);
        f.click("Button4");
    }
    where.replace(QStringLiteral("{saved}"), saved)
        .replace(QStringLiteral("{help}"), main + QStringLiteral("velmoraine.chm"));

    f.ui.launchesFail = true;
    const qsizetype shownBefore = f.ui.messages.size();
    QWidget *owner = &f.form();
    if (control == QStringLiteral("EditID")) {
        f.child<QLineEdit>("EditID")->setText(QStringLiteral("12863"));
        QTest::keyClick(f.child<QLineEdit>("EditID"), Qt::Key_Return);
        QCOMPARE(f.ui.messages.value(shownBefore).text, qs(texts::kInvalidAccountId));
    } else if (control == QStringLiteral("HelpBrowser")) {
        f.click("SpeedButton1");
        owner = helpWindow(f);
        emit owner->findChild<QTextBrowser *>(control)->anchorClicked(QUrl(where));
    } else if (control.startsWith(QStringLiteral("Label"))) {
        clickLink(f, control.toLatin1().constData());
    } else {
        f.click(control.toLatin1().constData());
    }

    QVERIFY(!f.ui.browserUrls.isEmpty() || !f.ui.programs.isEmpty()); // the launch was tried
    QCOMPARE(f.ui.messages.size(), shownBefore + (control == QStringLiteral("EditID") ? 2 : 1));
    const test::RecordingUi::Shown &shown = f.ui.messages.last();
    QCOMPARE(shown.text, gui::unopenedMessage(static_cast<gui::Unopened>(what), where));
    QVERIFY2(shown.text.endsWith(QStringLiteral("\n") + where), qPrintable(shown.text));
    QVERIFY(shown.selectable);
    QCOMPARE(shown.owner, owner);
    QVERIFY(f.ui.errors.isEmpty());
    if (helpTopic == 0) {
        QVERIFY(helpWindow(f) == nullptr);
    } else {
        QVERIFY(helpWindow(f) != nullptr && helpWindow(f)->isVisible());
        QCOMPARE(helpWindow(f)->currentTopic(), helpTopic);
    }
}

// Tab walks each page's keyboard order, which takes the links in reading order; on a link the
// focus shows, and Return, Enter and Space do what a click does.
void HelpLinksTest::keyboardReachesEveryLink_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("order");   // where Tab stops, in order (the page's other stops left out)
    QTest::addColumn<QStringList>("effects"); // what each link of `order` does, in order
    const auto list = [](const char *items) { return QString::fromLatin1(items).split(u','); };
    const QString signUp = QStringLiteral("browser ") + qs(service::kSignUpUrl);
    const QString home = QStringLiteral("browser ") + qs(service::kHomeUrl);
    QTest::newRow("page 1") << QStringLiteral("TabSheet1")
                            << list("ButtonSelectForm,ListBoxInputs,FormEdit,EditID,ComboFormNum,Label34,Label62,"
                                    "ButtonNext,SpeedButton1")
                            << QStringList{signUp, home};
    // Tab stops at the selected option only.
    QTest::newRow("page 2") << QStringLiteral("TabSheet2")
                            << list("Label59,RadioNonBlank,Label11,Label18,Label19,EditMin,EditNumMin,ComboBox1,"
                                    "Button1,EditSeqMin,EditErrorMsg")
                            << list("help 1002,preset 10 10,preset 5 9,preset 6 6");
    QTest::newRow("page 3") << QStringLiteral("TabSheet5")
                            << list("RichEdit1,Button3,Button4,EditSave,Button5,Label54,Label60")
                            << QStringList{home, QStringLiteral("help 1001")};
}

void HelpLinksTest::keyboardReachesEveryLink() {
    QFETCH(QString, page);
    QFETCH(QStringList, order);
    QFETCH(QStringList, effects);
    WizardFixture f;
    const ScopedPath noViewer(f.path(QStringLiteral("empty-bin")));
    startWith(f, QStringLiteral("main"));
    goToPage(f, page.toLatin1().constData());
    if (page == QStringLiteral("TabSheet5")) { // Test takes part once a page is saved
        f.ui.saveAnswers.emplace_back(f.path(QStringLiteral("saved.htm")));
        f.click("Button4");
    }
    QApplication::setActiveWindow(&f.form());
    QVERIFY(QTest::qWaitForWindowActive(&f.form()));

    QWidget *first = f.child<QWidget>(order.front().toLatin1().constData());
    first->setFocus(Qt::TabFocusReason);
    QStringList walked{first->objectName()};
    for (int step = 0; step < 50; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == first) {
            break;
        }
        walked.append(QApplication::focusWidget()->objectName());
    }
    QStringList stops = walked;
    stops.removeIf([&](const QString &name) { return !order.contains(name); });
    QCOMPARE(stops, order);
    const QList<gui::LinkLabel *> links =
        f.child<QWidget>(page.toLatin1().constData())->findChildren<gui::LinkLabel *>();
    for (const gui::LinkLabel *link : links) {
        QVERIFY2(order.contains(link->objectName()), qPrintable(link->objectName()));
    }

    QStringList linkStops = order;
    linkStops.removeIf([](const QString &name) { return !name.startsWith(QStringLiteral("Label")); });
    QCOMPARE(linkStops.size(), effects.size());
    for (qsizetype i = 0; i < linkStops.size(); ++i) {
        auto *link = f.child<gui::LinkLabel>(linkStops[i].toLatin1().constData());
        link->clearFocus();
        const QImage unfocused = link->grab().toImage();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            clearEffects(f);
            link->setFocus(Qt::TabFocusReason);
            QVERIFY(link->grab().toImage() != unfocused);
            QTest::keyClick(link, key);
            QCOMPARE(effectOf(f), effects[i]);
        }
    }
}

// With VELMORAINE_SCREENSHOTS set to a folder, writes a picture of the help window at the
// validation topic.
void HelpLinksTest::screenshots() {
    const QString folder = qEnvironmentVariable("VELMORAINE_SCREENSHOTS");
    if (folder.isEmpty()) {
        QSKIP("VELMORAINE_SCREENSHOTS is not set");
    }
    QDir().mkpath(folder);
    WizardFixture f;
    const ScopedPath noViewer(f.path(QStringLiteral("empty-bin")));
    startWith(f, QStringLiteral("main"));
    goToPage(f, "TabSheet2");
    clickLink(f, "Label59");
    QVERIFY(helpWindow(f) != nullptr);
    QVERIFY(helpWindow(f)->grab().save(folder + QStringLiteral("/help.png")));
}

QTEST_MAIN(HelpLinksTest)
#include "help_links_test.moc"
