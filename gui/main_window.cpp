#include "gui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/base/files.h"
#include "core/base/profile.h"
#include "core/base/service.h"
#include "core/base/texts.h"
#include "core/rewrite/model_lookup.h"
#include "core/rewrite/page_changes.h"
#include "core/rewrite/page_rewriter.h"
#include "core/run/page_scan.h"
#include "core/run/run_sequence.h"
#include "core/scan/form_language.h"
#include "core/scan/form_scanner.h"
#include "gui/form_chooser.h"
#include "gui/link_label.h"
#include "gui/noted_list.h"
#include "gui/output_page.h"
#include "gui/page_layout.h"
#include "gui/page_text.h"
#include "gui/pictures.h"
#include "gui/rule_editor_page.h"
#include "gui/ui_services.h"
#include "gui/window_look.h"

namespace velmoraine {

namespace {

using gui::boldLabel;
using gui::plainLabel;
using gui::wrappedLabel;

constexpr int kClientWidth = 539;
constexpr int kClientHeight = 578;
constexpr int kPanelHeight = 41;
constexpr int kFormNumbers = 10;

// Account ID and form number: two columns of labels, each followed by its box, and the sign-up
// link under the form number.
QGridLayout *accountIdGrid(QLineEdit *accountId, QComboBox *formNumber, QWidget *signUp, QWidget *page) {
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(8);
    grid->setColumnMinimumWidth(0, 152);
    grid->setColumnMinimumWidth(1, 112);
    grid->setColumnMinimumWidth(2, 88);
    grid->setColumnStretch(4, 1);
    grid->addWidget(boldLabel("Label16", "2.  Account ID (5 digits) :", page), 0, 0);
    grid->addWidget(accountId, 0, 1, Qt::AlignLeft);
    grid->addWidget(boldLabel("Label28", "Form Number: ", page), 0, 2);
    grid->addWidget(formNumber, 0, 3, Qt::AlignLeft);
    grid->addWidget(plainLabel("Label22", "Fill in your account ID above (this is a 5 digit number) . ", page), 1, 0, 1,
                    2);
    grid->addWidget(signUp, 1, 2, 1, 3);
    return grid;
}

// The pages, at least at the window's classic size. A larger window gives its room to the lists
// of page 2 and the output box of page 3; a page that needs more than the classic size (page 3
// with many warnings) makes the window grow, as the least size is a hint and not a fixed one.
class PageStack : public QStackedWidget {
public:
    PageStack(QSize classic, QWidget *parent) : QStackedWidget(parent), m_classic(classic) {}
    [[nodiscard]] QSize minimumSizeHint() const override {
        return QStackedWidget::minimumSizeHint().expandedTo(m_classic);
    }

private:
    QSize m_classic;
};

} // namespace

TForm1::TForm1(gui::UiServices &ui, TForm5 &chooser, QWidget *parent) : QWidget(parent), m_ui(ui), m_chooser(chooser) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(gui::fromSystemText(texts::kMessageTitle));
    setWindowIcon(applicationIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(gui::windowFont());

    m_pageControl1 = new PageStack(QSize(kClientWidth, kClientHeight - kPanelHeight), this);
    m_pageControl1->setObjectName(QStringLiteral("PageControl1"));
    m_tabSheet1 = buildPage1();
    m_tabSheet2 = new RuleEditorPage(m_ui, m_pageControl1);
    m_tabSheet5 = new OutputPage(m_ui, m_pageControl1);
    m_pageControl1->addWidget(m_tabSheet1);
    m_pageControl1->addWidget(m_tabSheet2);
    m_pageControl1->addWidget(m_tabSheet5);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pageControl1, 1);
    layout->addWidget(buildPanel());
    resize(kClientWidth, kClientHeight);

    setTabOrder(m_buttonSelectForm, m_listBoxInputs);
    setTabOrder(m_listBoxInputs, m_formEdit);
    setTabOrder(m_formEdit, m_editId);
    setTabOrder(m_editId, m_comboFormNum);
    setTabOrder(m_comboFormNum, m_buttonNext);
    setTabOrder(m_buttonNext, m_buttonBack);
    setTabOrder(m_buttonBack, m_speedButton1);

    auto *label34 = findChild<gui::LinkLabel *>(QStringLiteral("Label34"));
    auto *label62 = findChild<gui::LinkLabel *>(QStringLiteral("Label62"));
    // The links follow the form number, in the order they stand on the page.
    setTabOrder(m_comboFormNum, label34);
    setTabOrder(label34, label62);
    connect(m_buttonSelectForm, &QPushButton::clicked, this, &TForm1::ButtonSelectFormClick);
    connect(m_buttonNext, &QPushButton::clicked, this, &TForm1::ButtonNextClick);
    // Return after typing the account ID is Continue, as in a dialog.
    connect(m_editId, &QLineEdit::returnPressed, this, &TForm1::ButtonNextClick);
    connect(m_buttonBack, &QPushButton::clicked, this, &TForm1::ButtonBackClick);
    connect(m_speedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(label34, &gui::LinkLabel::clicked, this, &TForm1::Label30Click);
    connect(label62, &gui::LinkLabel::clicked, this, &TForm1::Label54Click);
    connect(m_tabSheet5, &OutputPage::homeLinkClicked, this, &TForm1::Label54Click);
    connect(m_tabSheet5, &OutputPage::tutorialLinkClicked, this, &TForm1::Label60Click);
    connect(m_tabSheet5, &OutputPage::html5FallbackToggled, this, &TForm1::CheckHtml5FallbackClick);
    // Another language for the visitors' texts: the output is built again with it.
    connect(m_tabSheet5, &OutputPage::languageChosen, this, [this] {
        if (m_pageControl1->currentWidget() == m_tabSheet5) {
            TabSheet5Show();
        }
    });
    connect(m_tabSheet2, &RuleEditorPage::helpLinkClicked, this, &TForm1::Label59Click);
}

TForm1::~TForm1() = default;

// --- Layout ---

QWidget *TForm1::buildPage1() {
    auto *page = gui::named<QWidget>("TabSheet1", m_pageControl1);
    page->setWindowTitle(QStringLiteral("1. Select Your Form"));
    m_buttonSelectForm = gui::pushButton("ButtonSelectForm", "&Select >>", {65, 25}, page);
    m_formEdit = gui::entryBox("FormEdit", "", 409, page);
    m_formEdit->setReadOnly(true);
    m_listBoxInputs = gui::named<gui::NotedList>("ListBoxInputs", page);
    m_listBoxInputs->setFixedSize(233, 105);
    m_editId = gui::entryBox("EditID", "", 97, page);
    m_comboFormNum = gui::named<QComboBox>("ComboFormNum", page);
    for (int number = 1; number <= kFormNumbers; ++number) {
        m_comboFormNum->addItem(QString::number(number));
    }
    auto *label34 = gui::named<gui::LinkLabel>("Label34", QStringLiteral("Click Here to get your FREE Account ID."),
                                               gui::LinkLabel::Weight::Bold, page);
    auto *label62 = gui::named<gui::LinkLabel>("Label62", gui::fromSystemText(service::kHomeUrl),
                                               gui::LinkLabel::Weight::Normal, page);

    // The right margin keeps text that wraps (with a wider face than the shipped one) off the edge.
    gui::PageRows rows(page, {0, 2, 4, 0});
    rows.line(0, {boldLabel("Label40",
                            "Velmoraine's Web Form Processor and Validator is the easy way to get your forms working!",
                            page)});
    rows.gap(8).line(16, {wrappedLabel("Label2",
                                       "This tool will automatically update your HTML page to make your form work. "
                                       "You will also be able to add field validation to insure that your visitors "
                                       "enter the proper information in your form. ",
                                       505, page)});
    rows.gap(6).line(16, {boldLabel("Label14", "1. Select the HTML page containing your form:", page)});
    rows.gap(2).line(
        16, {plainLabel("Label15", "(This file will NOT be modified - You'll be asked to save the updated page later.)",
                        page)});
    rows.gap(4).line(16, {m_buttonSelectForm, gui::space(7), m_formEdit});
    rows.gap(6).line(16, {plainLabel("Lab", "The fields in your form will be listed below:", page)});
    rows.gap(3).line(16, {{m_listBoxInputs, Qt::AlignTop}, gui::space(15), new FeaturePicture(page)});
    rows.gap(10).line(16, {accountIdGrid(m_editId, m_comboFormNum, label34, page)}, {.fillsWidth = true});
    rows.gap(6).line(16, {wrappedLabel("Label36",
                                       "You can also specify the form number in the Control Panel if you have more "
                                       "than one form (this will be clear once you try the service). ",
                                       480, page)});
    rows.gap(5).line(
        16, {plainLabel("Label3", "Velmoraine will give you a form which is ready to upload to your webserver and run!",
                        page)});
    rows.gap(8).line(16, {wrappedLabel("Label1",
                                       "You'll automatically be emailed the results of each submission. You can also "
                                       "save each visitor's data on our server (where you can easily download all the "
                                       "data and import it into your spreadsheet or database), ",
                                       505, page)});
    rows.line(16, {wrappedLabel("Label17",
                                "send a personalized autoresponder/thank you note to the visitor (you can include "
                                "information entered by the visitor on your form), and much more!",
                                505, page)});
    rows.gap(10).line(16, {boldLabel("Label39", "3. Press the Continue button below to go to the next step.", page)});
    rows.gap(8).line(144, {label62});
    rows.stretch();
    return page;
}

QWidget *TForm1::buildPanel() {
    auto *panel = gui::named<QFrame>("Panel1", this);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedHeight(kPanelHeight);
    m_speedButton1 = gui::named<QToolButton>("SpeedButton1", panel);
    m_speedButton1->setText(QStringLiteral("Help"));
    m_speedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    m_speedButton1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_speedButton1->setToolTip(QStringLiteral("Main Online Help Contents "));
    m_speedButton1->setFixedSize(71, 25);
    m_buttonBack = gui::pushButton("ButtonBack", "&< Back", {113, 25}, panel);
    m_buttonBack->setFont(gui::boldOnly());
    m_buttonBack->setEnabled(false);
    m_buttonNext = gui::pushButton("ButtonNext", "Continue &>", {137, 25}, panel);
    m_buttonNext->setFont(gui::boldOnly());

    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(10, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_speedButton1);
    row->addSpacing(71);
    row->addWidget(m_buttonBack);
    row->addSpacing(15);
    row->addWidget(m_buttonNext);
    row->addStretch();
    return panel;
}

// --- Start-up ---

TForm1::SetUpOutcome TForm1::setUp(std::string_view commandLine) {
    m_startup = startup::readStartup(commandLine);
    m_tabSheet5->setMainDirectory(m_startup.mainDirectory);
    m_tabSheet5->setHtml5Fallback(
        profile::getInt(startup::kSettingsSection, startup::kHtml5FallbackKey, 0, startup::kSettingsFile) == 1);
    m_editId->setText(gui::fromSystemText(m_startup.accountIdText));
    m_comboFormNum->setCurrentIndex(0);
    // A settings file that cannot be read would pass for one without an ID or main directory.
    if (std::optional<std::string> problem = profile::problemWith(startup::kSettingsFile)) {
        m_ui.showMessage(this, gui::fromSystemText(*problem));
    }
    if (!m_startup.editorMode) {
        selectPage(m_tabSheet1);
        return SetUpOutcome::Run;
    }
    // The editor's file receives the update of the editor's own page only: no other page is
    // picked here.
    m_buttonSelectForm->setEnabled(false);
    if (auto *label15 = findChild<QLabel *>(QStringLiteral("Label15"))) {
        label15->setText(QStringLiteral("(Opened by your editor: the updated page is written back to this file, so "
                                        "no other page can be selected.)"));
    }
    m_operationOk = true;
    m_formEdit->setText(gui::fromNativePath(m_startup.launchPagePath));
    if (scanPage(m_startup.launchPagePath) != ScanOutcome::Scanned) {
        return SetUpOutcome::Quit;
    }
    selectPage(m_tabSheet2);
    m_operationOk = false;
    return SetUpOutcome::Run;
}

void TForm1::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    FormShow();
    if (!m_centred && screen() != nullptr) {
        m_centred = true;
        move(screen()->availableGeometry().center() - rect().center());
    }
}

// An updated page that was neither copied nor saved would be lost: the author is asked first.
// The editor's run has written its page before it closes.
void TForm1::closeEvent(QCloseEvent *event) {
    if (!m_startup.editorMode && m_tabSheet5->outputUnkept()) {
        QMessageBox question(QMessageBox::NoIcon, gui::fromSystemText(texts::kMessageTitle),
                             QStringLiteral("The updated page has been neither saved nor copied. Close the wizard "
                                            "and lose it?"),
                             QMessageBox::Yes | QMessageBox::No, this);
        question.setObjectName(QStringLiteral("CloseQuestion"));
        question.setDefaultButton(QMessageBox::No);
        if (m_ui.showModal(question) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    QWidget::closeEvent(event);
}

void TForm1::FormShow() { setWindowTitle(gui::fromSystemText(startup::windowTitle())); }

// --- Page 1: choosing and scanning the page ---

void TForm1::ButtonSelectFormClick() {
    if (m_startup.editorMode) {
        return; // the button is disabled there; a shortcut must not pick another page either
    }
    const std::optional<QString> path = m_ui.askOpenPage(this, gui::fromNativePath(m_startup.mainDirectory));
    if (!path) {
        return;
    }
    m_formEdit->setText(*path);
    scanPage(gui::toNativePath(*path));
}

TForm1::ScanOutcome TForm1::scanPage(const std::string &path) {
    // The page's encoding, detected once: the chooser shows the forms' tags in it, page 1 and
    // page 2 the fields.
    std::optional<gui::PageEncoding> detected;
    const auto encodingOf = [&detected](std::string_view page) -> const gui::PageEncoding & {
        if (!detected) {
            detected = gui::detectEncoding(page);
        }
        return *detected;
    };
    run::PageScan scanned;
    {
        const gui::WaitCursor wait;
        m_listBoxInputs->clear();
        m_listBoxInputs->setEmptyNote({});
        m_tabSheet2->clearLists();
        m_chosenForm = 1;
        m_pagePath = path;
        m_scannedStamp = {};
        m_pageRefusal.clear();
        scanned = run::scanPageFile(path, [&](std::string_view page, const std::vector<std::string> &tagTexts) {
            return askForForm(tagTexts, encodingOf(page));
        });
        if (scanned) {
            encodingOf(scanned.bytes.view()); // a page of one form: no chooser detected it yet
            m_scannedStamp = files::stampOf(scanned.bytes.view());
        }
    }
    // Messages come after the wait cursor is gone.
    switch (scanned.refusal) {
    case run::PageRefusal::None: break;
    case run::PageRefusal::CannotOpen:
        m_ui.showError(this, gui::fromSystemText(scanned.message));
        return ScanOutcome::CannotOpen;
    case run::PageRefusal::UnsupportedEncoding:
    case run::PageRefusal::NoForm:
        m_pageRefusal = scanned.message;
        m_ui.showMessage(this, gui::fromSystemText(scanned.message));
        m_operationOk = false;
        return ScanOutcome::NoForm;
    }
    const gui::PageEncoding &encoding = *detected;
    scan::ScanResult &result = scanned.result;
    m_chosenForm = result.chosenForm;
    for (const std::string &name : result.fields) {
        m_listBoxInputs->addItem(gui::decodePage(name, encoding));
    }
    if (result.fields.empty()) {
        m_listBoxInputs->setEmptyNote(gui::fromSystemText(texts::kNoNamedFields));
    }
    m_tabSheet2->setFields(result.fields, encoding, std::move(result.markup));
    m_tabSheet2->setRules(std::move(result.rules));
    m_legacyFields.clear();
    m_resultsMailedTo = result.legacy.resultsMailedTo;
    offerLegacyRules(result.legacy, encoding);
    return ScanOutcome::Scanned;
}

// A page that carries validation from an earlier tool: the author is told which fields, and
// what cannot be brought in and why, and chooses whether the rules join page 2's list. Those
// brought in replace the old checks in the updated page.
void TForm1::offerLegacyRules(const scan::LegacyRules &legacy, gui::PageEncoding encoding) {
    if (legacy.rules.empty()) {
        return;
    }
    QStringList fields;
    for (const scan::ImportedRule &rule : legacy.rules) {
        fields.append(gui::decodePage(rule.field, encoding));
    }
    QString text = QStringLiteral("This page holds validation from an earlier tool (%1) for these fields: %2.")
                       .arg(gui::fromSystemText(scan::legacySourceName(legacy.rules.front().from)),
                            fields.join(QStringLiteral(", ")));
    if (!legacy.notImported.empty()) {
        QStringList skipped;
        for (const scan::NotImported &field : legacy.notImported) {
            skipped.append(gui::decodePage(field.field, encoding) + QStringLiteral(" (") +
                           gui::fromSystemText(field.reason) + QLatin1Char(')'));
        }
        text += QStringLiteral(" Not brought in: %1.").arg(skipped.join(QStringLiteral("; ")));
    }
    text += QStringLiteral("\n\nBring these rules in? The earlier tool's checks are then taken out of the "
                           "updated page.");
    QMessageBox question(QMessageBox::NoIcon, gui::fromSystemText(texts::kMessageTitle), text,
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("ImportQuestion"));
    question.setDefaultButton(QMessageBox::Yes);
    if (m_ui.showModal(question) != QMessageBox::Yes) {
        return;
    }
    for (const scan::ImportedRule &rule : legacy.rules) {
        if (m_tabSheet2->rules().find(rule.field) < 0) {
            m_tabSheet2->addOrReplaceRule(rule.field, rule.record, rule.display);
            m_legacyFields.push_back(rule.field);
        }
    }
}

int TForm1::askForForm(const std::vector<std::string> &tagTexts, gui::PageEncoding encoding) {
    QStringList shown;
    for (const std::string &tag : tagTexts) {
        shown.append(gui::decodePage(tag, encoding));
    }
    m_chooser.fill(shown);
    // The user answers the chooser with the normal cursor.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    m_ui.showModal(m_chooser);
    QGuiApplication::restoreOverrideCursor();
    return m_chooser.chosenForm();
}

void TForm1::showFileError(std::string_view pattern, std::string_view path) {
    m_ui.showError(this, gui::fromSystemText(texts::fill(pattern, path)));
}

// --- Navigation ---

void TForm1::selectPage(QWidget *page) {
    QWidget *focused = focusWidget();
    m_pageControl1->setCurrentWidget(page);
    if (page == m_tabSheet1) {
        TabSheet1Show();
    } else if (page == m_tabSheet2) {
        TabSheet2Show();
    } else {
        TabSheet5Show();
    }
    // A button that the change disabled, or a control of the page left, would hand the focus on
    // to whatever follows it (Help, whose next Space opens the help window): it goes to Continue,
    // or to the first control of the page shown when Continue is disabled there.
    if (focused != nullptr && (!focused->isEnabled() || !focused->isVisible())) {
        if (m_buttonNext->isEnabled()) {
            m_buttonNext->setFocus();
        } else if (QWidget *first = firstControlOf(page)) {
            first->setFocus();
        }
    }
}

QWidget *TForm1::firstControlOf(QWidget *page) const {
    if (page == m_tabSheet1) {
        return m_buttonSelectForm;
    }
    const char *name = page == m_tabSheet2 ? "ComboBox1" : "RichEdit1";
    return page->findChild<QWidget *>(QString::fromLatin1(name));
}

void TForm1::TabSheet1Show() {
    m_buttonNext->setEnabled(true);
    m_buttonBack->setEnabled(false);
}

void TForm1::TabSheet2Show() {
    m_buttonNext->setEnabled(true);
    m_buttonBack->setEnabled(true);
}

void TForm1::ButtonNextClick() {
    QWidget *page = m_pageControl1->currentWidget();
    if (page == m_tabSheet1) {
        if (m_formEdit->text().isEmpty()) {
            m_ui.showMessage(this, gui::fromSystemText(texts::kNoPageChosen));
            m_buttonSelectForm->setFocus();
            return;
        }
        // A page without a form would lead to an empty page 2: its scan's message again.
        if (!m_pageRefusal.empty()) {
            m_ui.showMessage(this, gui::fromSystemText(m_pageRefusal));
            m_buttonSelectForm->setFocus();
            return;
        }
        if (!m_startup.editorMode) {
            const std::string id = gui::toSystemText(m_editId->text());
            if (!run::RunSequence(launchMode()).acceptAccountId(id)) {
                m_ui.showMessage(this, gui::fromSystemText(texts::kInvalidAccountId));
                Label30Click();
                return;
            }
            profile::writeString(startup::kSettingsSection, startup::kAccountIdKey, id, startup::kSettingsFile);
        }
        selectPage(m_tabSheet2);
    } else if (page == m_tabSheet2) {
        if (m_startup.editorMode) {
            finishEditorRun();
            return;
        }
        selectPage(m_tabSheet5);
        m_buttonNext->setEnabled(false);
    }
}

void TForm1::ButtonBackClick() {
    QWidget *page = m_pageControl1->currentWidget();
    if (page == m_tabSheet5) {
        selectPage(m_tabSheet2);
    } else if (page == m_tabSheet2) {
        selectPage(m_tabSheet1);
    }
}

// The fallback setting is remembered, and the output shown again with or without it.
void TForm1::CheckHtml5FallbackClick(bool on) {
    profile::writeString(startup::kSettingsSection, startup::kHtml5FallbackKey, on ? "1" : "0", startup::kSettingsFile);
    if (m_pageControl1->currentWidget() == m_tabSheet5) {
        TabSheet5Show();
    }
}

// The end of an editor-mode run: the updated page replaces the editor's file, and the editor
// learns of it through its settings. The write is atomic, so a failed write leaves the
// editor's page as it was, and the window stays for another try.
void TForm1::finishEditorRun() {
    m_operationOk = false;
    if (TabSheet5Show() == RewriteOutcome::FileError) {
        return;
    }
    if (m_operationOk) {
        // The editor may have saved its page since it was scanned: that text is not replaced.
        const files::WriteResult written =
            files::writeFileAtomically(m_startup.launchPagePath, m_tabSheet5->currentBytes(),
                                       m_tabSheet5->writeOptionsFor(m_startup.launchPagePath));
        if (!written) {
            m_tabSheet5->showWriteError(m_startup.launchPagePath, written);
            return;
        }
        profile::writeString(startup::kSettingsSection, startup::kValCompKey, "1", startup::kEditorSettingsFile);
        profile::flush(startup::kEditorSettingsFile);
        m_ui.showMessage(this, gui::fromSystemText(texts::kValidationAdded));
    }
    close();
}

// --- Page 3: building the updated page ---

rewrite::LaunchMode TForm1::launchMode() const {
    return m_startup.editorMode ? rewrite::LaunchMode::Editor : rewrite::LaunchMode::Normal;
}

TForm1::RewriteOutcome TForm1::TabSheet5Show() {
    m_buttonNext->setEnabled(false);
    m_buttonBack->setEnabled(true);

    const std::string accountId = gui::toSystemText(m_editId->text());
    // Whatever stops the build below leaves no earlier output to copy, save or test: the box is
    // emptied before the message. A build that succeeds replaces the earlier output in place,
    // which for a large page that changed in a few lines is quicker than filling the box anew.
    run::RunSequence run(launchMode());
    const rewrite::ModelRead &model = run.loadModel(rewrite::modelPath(m_startup.mainDirectory));
    if (!model.text) {
        m_tabSheet5->clearOutput();
        if (model.fileError) {
            m_ui.showError(this, gui::fromSystemText(model.message));
            return RewriteOutcome::FileError;
        }
        m_ui.showMessage(this, gui::fromSystemText(model.message));
        return RewriteOutcome::GaveUp;
    }
    // The path as scanned, byte for byte: the box shows it as text.
    const std::optional<std::string> page = files::readWholeFile(m_pagePath);
    if (!page) {
        m_tabSheet5->clearOutput();
        showFileError(texts::kCannotOpenFile, m_pagePath);
        return RewriteOutcome::FileError;
    }

    rewrite::RewriteInput request;
    request.page = *page;
    request.chosenForm = m_chosenForm;
    request.accountIdText = accountId;
    request.formNumber = m_comboFormNum->currentIndex() + 1;
    request.records = &m_tabSheet2->rules().records();
    request.html5Fallback = m_tabSheet5->html5Fallback() ? rewrite::Html5Fallback::On : rewrite::Html5Fallback::Off;
    // The author's language is written only into a form that has no lang of its own or above it.
    const std::string language = m_tabSheet5->languageToWrite();
    request.formLanguage = language;
    // The earlier tool's checks go only for the rules still brought in from it.
    std::vector<std::string> legacyFields;
    for (const std::string &field : m_legacyFields) {
        if (m_tabSheet2->rules().find(field) >= 0) {
            legacyFields.push_back(field);
        }
    }
    request.legacyFields = &legacyFields;
    const rewrite::PiecesResult result = run.build(request);
    if (!result.output) {
        m_tabSheet5->clearOutput();
        m_ui.showMessage(this, gui::fromSystemText(result.message));
        return RewriteOutcome::GaveUp;
    }
    // The diff names the page by its file name, in the page's own bytes.
    const std::string_view pageName = std::string_view(m_pagePath).substr(m_pagePath.rfind('/') + 1);
    m_tabSheet5->setOutput(result.output->joined(), *page,
                           rewrite::unifiedDiff(*page, rewrite::listChanges(*page, *result.output), pageName));
    std::vector<std::string> notes = result.warnings;
    for (const std::string &address : m_resultsMailedTo) {
        notes.push_back(texts::fill(texts::kResultsMailedTo, address));
    }
    m_tabSheet5->setVisitorNotes(result.cspHash, notes);
    m_tabSheet5->showLanguage(scan::formLanguage(*page, scan::findFormTag(*page, m_chosenForm)));
    m_tabSheet5->setSource(m_pagePath, m_scannedStamp);
    m_operationOk = true;
    return RewriteOutcome::Built;
}

} // namespace velmoraine
