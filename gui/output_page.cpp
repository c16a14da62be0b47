#include "gui/output_page.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <system_error>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <QUrl>

#include "core/base/files.h"
#include "core/base/texts.h"
#include "core/desktop/browser_launch.h"
#include "gui/box_text.h"
#include "gui/link_label.h"
#include "gui/page_layout.h"
#include "gui/ui_services.h"
#include "gui/window_look.h"

namespace velmoraine {

namespace {

using gui::plainLabel;

// A box for a page's code: the monospace face, no wrapping, and both scroll bars always there.
QPlainTextEdit *codeBox(const char *objectName, QWidget *parent) {
    auto *box = gui::named<QPlainTextEdit>(objectName, parent);
    box->setFont(gui::monospaceFont());
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return box;
}

// Marks the lines of a unified diff: removed lines red, added lines green, hunk headers blue.
class ChangeMarks : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString &line) override {
        QTextCharFormat format;
        if (line.startsWith(QLatin1String("@@"))) {
            format.setForeground(QColor(0x00, 0x33, 0x99));
            format.setFontWeight(QFont::Bold);
        } else if (line.startsWith(QLatin1Char('+')) && !line.startsWith(QLatin1String("+++ "))) {
            format.setBackground(QColor(0xd7, 0xf5, 0xdd));
        } else if (line.startsWith(QLatin1Char('-')) && !line.startsWith(QLatin1String("--- "))) {
            format.setBackground(QColor(0xfb, 0xdd, 0xdd));
        } else {
            return;
        }
        setFormat(0, static_cast<int>(line.size()), format);
    }
};

// What the output page keeps of the page the output was built from.
struct SourceFacts {
    files::ContentStamp stamp;
    gui::LineEnding lineEnding = gui::LineEnding::CrLf;
};

SourceFacts sourceFacts(std::string_view page) { return {files::stampOf(page), gui::dominantLineEnding(page)}; }

// From this size on, the source page's facts, two passes over its bytes, are gathered on a
// second thread while the box gets its text. Below it, a thread would cost more than it saves.
constexpr std::size_t kSecondThreadFrom = std::size_t{1024} * 1024;

// The facts of `page` from another thread; an empty future when the page is small or no thread
// can be had.
std::future<SourceFacts> sourceFactsAside(std::string_view page) {
    if (page.size() < kSecondThreadFrom) {
        return {};
    }
    try {
        return std::async(std::launch::async, sourceFacts, page);
    } catch (const std::system_error &) {
        return {};
    }
}

// The visitors' languages by their own names, in the order of scan::kVisitorLanguages.
constexpr std::array<const char *, 11> kLanguageNames = {"English",
                                                         "Espa\u00f1ol",
                                                         "Deutsch",
                                                         "Fran\u00e7ais",
                                                         "\u65e5\u672c\u8a9e",
                                                         "\u0420\u0443\u0441\u0441\u043a\u0438\u0439",
                                                         "Portugu\u00eas",
                                                         "Italiano",
                                                         "Nederlands",
                                                         "Polski",
                                                         "\u0627\u0644\u0639\u0631\u0628\u064a\u0629"};
static_assert(kLanguageNames.size() == scan::kVisitorLanguages.size());

bool launcherPresent(const QString &program) {
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

} // namespace

OutputPage::OutputPage(gui::UiServices &ui, QWidget *parent) : QWidget(parent), m_ui(ui) {
    setObjectName(QStringLiteral("TabSheet5"));
    setWindowTitle(QStringLiteral("3. Write Data to Text File"));

    m_richEdit1 = codeBox("RichEdit1", this);
    // Tab and Shift+Tab move on, as everywhere else in the wizard: after Copy All the whole page
    // stays selected, and a tab typed there would replace it. (Undo brings back any text typed
    // over a selection.)
    m_richEdit1->setTabChangesFocus(true);
    // The classic size is the smallest; the box takes whatever room a larger window adds.
    m_richEdit1->setMinimumSize(497, 225);
    m_richEdit1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_button3 = gui::pushButton("Button3", "Copy All", {97, 0}, this);
    m_button4 = gui::pushButton("Button4", "Save As...", {97, 0}, this);
    m_editSave = gui::entryBox("EditSave", "", 329, this);
    m_editSave->setReadOnly(true);
    QPalette faced = m_editSave->palette();
    faced.setColor(QPalette::Base, faced.color(QPalette::Button));
    m_editSave->setPalette(faced);
    m_button5 = gui::named<QPushButton>("Button5", QStringLiteral("Test"), this);
    m_button5->setFixedWidth(49);
    m_button5->setEnabled(false);
    m_label54 = gui::named<gui::LinkLabel>("Label54", QStringLiteral("Log into your Velmoraine account"),
                                           gui::LinkLabel::Weight::Bold, this);
    m_label54->setMinimumWidth(195);
    m_label60 = gui::named<gui::LinkLabel>("Label60", QStringLiteral("Click Here for a Tutorial/Detailed Instructions"),
                                           gui::LinkLabel::Weight::Bold, this);

    // The language of the visitors' texts, left of the Changes button and, like it, outside
    // the layout, so that the page keeps its classic height.
    m_labelLanguage = plainLabel("LabelLanguage", "Messages for visitors in:", this);
    m_comboLanguage = gui::named<QComboBox>("ComboLanguage", this);
    for (std::size_t i = 0; i < scan::kVisitorLanguages.size(); ++i) {
        m_comboLanguage->addItem(QString::fromUtf8(kLanguageNames[i]), QString::fromLatin1(scan::kVisitorLanguages[i]));
    }
    m_labelLanguage->setBuddy(m_comboLanguage);
    selectLanguage(desktopLanguage());

    // The Changes view lies over RichEdit1, in its place and size, and is not in the layout:
    // the page's own controls keep their places whether it shows or not.
    m_buttonChanges = gui::named<QToolButton>("ButtonChanges", this);
    m_buttonChanges->setText(QStringLiteral("Changes"));
    m_buttonChanges->setCheckable(true);
    m_buttonChanges->setToolTip(QStringLiteral("Show what the update changed in your page, line by line"));
    m_textChanges = codeBox("TextChanges", this);
    m_textChanges->setReadOnly(true);
    m_textChanges->hide();
    new ChangeMarks(m_textChanges->document());
    m_richEdit1->installEventFilter(this);

    m_checkHtml5Fallback =
        gui::named<QCheckBox>("CheckHtml5Fallback", gui::fromSystemText(texts::kHtml5FallbackCaption), this);
    // As high as its lines need (fitVisitorNotes), as wide as the output box.
    m_memoVisitorNotes = gui::named<QPlainTextEdit>("MemoVisitorNotes", this);
    m_memoVisitorNotes->setReadOnly(true);
    m_memoVisitorNotes->setMinimumWidth(497);
    m_memoVisitorNotes->setFixedHeight(kNotesLeastHeight);
    m_memoVisitorNotes->installEventFilter(this);

    placeControls();
    gui::keyboardOrder({m_richEdit1, m_button3, m_button4, m_editSave, m_button5, m_label54, m_label60});

    connect(m_button3, &QPushButton::clicked, this, &OutputPage::Button3Click);
    connect(m_button4, &QPushButton::clicked, this, &OutputPage::Button4Click);
    connect(m_button5, &QPushButton::clicked, this, &OutputPage::Button5Click);
    connect(m_editSave, &QLineEdit::textChanged, this, &OutputPage::EditSaveChange);
    connect(m_buttonChanges, &QToolButton::toggled, this, &OutputPage::ButtonChangesToggle);
    connect(m_label54, &gui::LinkLabel::clicked, this, &OutputPage::homeLinkClicked);
    connect(m_label60, &gui::LinkLabel::clicked, this, &OutputPage::tutorialLinkClicked);
    connect(m_checkHtml5Fallback, &QCheckBox::toggled, this, &OutputPage::html5FallbackToggled);
    connect(m_comboLanguage, &QComboBox::activated, this, &OutputPage::ComboLanguageChange);
}

// The page's lines from top to bottom, with the captions between the controls; the indents keep
// each control in its column.
void OutputPage::placeControls() {
    auto *label52 = plainLabel("Label52", "That's it! Your form will work.", this);
    label52->setMinimumWidth(224);
    gui::PageRows rows(this, {0, 8, 0, 8});
    rows.line(16, {gui::wrappedLabel("Label46",
                                     "The box below contains your updated HTML page. This has been modified so that "
                                     "your form will work. To save this page, click the Save As button below. ",
                                     470, this)});
    rows.gap(14).line(16, {plainLabel("Label30", "Updated HTML Code", this)});
    rows.gap(3).line(16, {m_richEdit1, gui::space(26)}, {.fillsWidth = true, .heightShare = 1});
    rows.gap(20).line(24, {m_button3});
    rows.gap(14).line(24, {m_button4, gui::space(7), m_editSave, gui::space(7), m_button5});
    rows.gap(14).line(24, {gui::boldLabel("Label47", "What to do next...", this)});
    rows.gap(8).line(24, {nextSteps()}, {.fillsWidth = true});
    rows.gap(10).line(24, {label52, m_label60});
    // Below every other control, so that none of them moves.
    rows.gap(4).line(24, {m_checkHtml5Fallback});
    rows.gap(2).line(16, {m_memoVisitorNotes, gui::space(26)}, {.fillsWidth = true});
}

// The numbered steps after the update: the numbers in one column, their texts in the next.
QGridLayout *OutputPage::nextSteps() {
    auto *steps = new QGridLayout;
    steps->setHorizontalSpacing(0);
    steps->setVerticalSpacing(4);
    steps->setColumnMinimumWidth(0, 16);
    steps->setColumnStretch(2, 1);
    steps->addWidget(plainLabel("Label48", "1.", this), 0, 0);
    steps->addWidget(plainLabel("Label49", "Upload your updated HTML page to your webserver.", this), 0, 1, 1, 2);
    steps->addWidget(plainLabel("Label50", "2.", this), 1, 0);
    auto *linkLine = new QHBoxLayout;
    linkLine->setSpacing(5);
    linkLine->addWidget(m_label54);
    linkLine->addWidget(plainLabel("Label51", "and specify how you want this form to be processed. ", this));
    linkLine->addStretch();
    steps->addLayout(linkLine, 1, 1, 1, 2);
    steps->addWidget(plainLabel("Label55", "This takes only a few moments and there are many powerful options. ", this),
                     2, 1, 1, 2);
    return steps;
}

void OutputPage::setHtml5Fallback(bool on) {
    const QSignalBlocker quiet(m_checkHtml5Fallback);
    m_checkHtml5Fallback->setChecked(on);
}

bool OutputPage::html5Fallback() const { return m_checkHtml5Fallback->isChecked(); }

void OutputPage::setVisitorNotes(std::string_view cspHash, const std::vector<std::string> &warnings) {
    QStringList lines;
    if (!cspHash.empty()) {
        lines.append(gui::fromSystemText(texts::fill(texts::kCspHashNote, cspHash)));
    }
    for (const std::string &warning : warnings) {
        lines.append(gui::fromSystemText(warning));
    }
    m_memoVisitorNotes->setPlainText(lines.join(QLatin1Char('\n')));
    fitVisitorNotes();
}

// The notes box shows every line its notes wrap into, up to kNotesMostLines; beyond that it
// scrolls. Two lines or fewer keep the height the box has at the window's classic size.
void OutputPage::fitVisitorNotes() {
    const QTextDocument *document = m_memoVisitorNotes->document();
    const auto margin = static_cast<int>(document->documentMargin());
    // The box's own wrapping, at its width less the text cursor's. The width is the box's own
    // and not its viewport's, which follows a resize only after the box's filter has seen it;
    // the box is made high enough for no scroll bar to take a part of it.
    const qreal width = std::max(1, m_memoVisitorNotes->contentsRect().width() - 2 * margin - 2);
    int lines = 0;
    qreal textHeight = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextLayout layout(block.text(), m_memoVisitorNotes->font());
        layout.setTextOption(document->defaultTextOption());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && lines < kNotesMostLines;
             line = layout.createLine()) {
            line.setLineWidth(width);
            textHeight += line.height();
            ++lines;
        }
        layout.endLayout();
    }
    // The text, its margins and one margin more: the box scrolls a last line that only just fits.
    const int frame = m_memoVisitorNotes->frameWidth();
    const int height = lines <= kNotesLeastLines ? kNotesLeastHeight
                                                 : static_cast<int>(std::ceil(textHeight)) + 3 * margin + 2 * frame;
    m_notesFittedWidth = m_memoVisitorNotes->width();
    if (height != m_memoVisitorNotes->height()) {
        m_memoVisitorNotes->setFixedHeight(height);
        // The page's least size changed with it: the window grows when it must.
        updateGeometry();
    }
}

void OutputPage::setOutput(std::string bytes, std::string_view sourcePage, std::string_view changes) {
    std::future<SourceFacts> aside = sourceFactsAside(sourcePage);
    m_bytes = std::move(bytes);
    m_unkept = true;
    m_encoding = gui::detectEncoding(m_bytes);
    QString text = gui::decodePage(m_bytes, m_encoding);
    // Unmodified, the box still holds the last output (an edit undone gives it back), of which
    // only the lines that differ are replaced. The box is unedited from here on.
    const bool holdsShown = !m_richEdit1->document()->isModified();
    gui::setBoxText(*m_richEdit1, holdsShown ? QStringView(m_shownText) : QStringView(), text);
    m_shownText = std::move(text);
    const SourceFacts facts = aside.valid() ? aside.get() : sourceFacts(sourcePage);
    m_builtFromStamp = facts.stamp;
    m_lineEnding = facts.lineEnding;
    m_richEdit1->setToolTip(
        gui::fromSystemText(texts::fill(texts::kLineEndingsTip, gui::lineEndingName(m_lineEnding))));
    m_changes.assign(changes);
    m_changesPending = true;
    m_textChanges->clear();
    if (m_buttonChanges->isChecked()) {
        fillChangesView();
    }
    m_button3->setEnabled(true);
    m_button4->setEnabled(true);
    m_button5->setEnabled(!m_editSave->text().isEmpty());
}

void OutputPage::clearOutput() {
    m_unkept = false;
    m_bytes.clear();
    m_shownText.clear();
    m_richEdit1->clear();
    m_richEdit1->document()->setModified(false);
    m_changes.clear();
    m_changesPending = false;
    m_textChanges->clear();
    m_button3->setEnabled(false);
    m_button4->setEnabled(false);
    m_button5->setEnabled(false);
}

// --- The Changes view ---

void OutputPage::ButtonChangesToggle(bool shown) {
    if (shown) {
        fillChangesView();
    }
    placeChangesView();
    m_textChanges->setVisible(shown);
    if (shown) {
        m_textChanges->raise();
    }
}

bool OutputPage::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_richEdit1 && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        placeChangesView();
    }
    // A wider or narrower box wraps its notes into other lines.
    if (watched == m_memoVisitorNotes && event->type() == QEvent::Resize &&
        m_memoVisitorNotes->width() != m_notesFittedWidth) {
        fitVisitorNotes();
    }
    return QWidget::eventFilter(watched, event);
}

// The diff becomes text when the view is first opened for the output shown: a page changed in
// many places has a long one, which page 3 need not lay out before it is asked for.
void OutputPage::fillChangesView() {
    if (!m_changesPending) {
        return;
    }
    m_changesPending = false;
    m_textChanges->setPlainText(m_changes.empty() ? gui::fromSystemText(texts::kPageUnchanged)
                                                  : gui::decodePage(m_changes, m_encoding));
}

// The view takes RichEdit1's place; its button sits in the free space above RichEdit1's right end.
void OutputPage::placeChangesView() {
    const QRect box = m_richEdit1->geometry();
    m_textChanges->setGeometry(box);
    const QSize button = m_buttonChanges->sizeHint();
    m_buttonChanges->setGeometry(box.right() + 1 - button.width(), box.top() - button.height() - 2, button.width(),
                                 button.height());
    // The language choice on the same line, as high as the button.
    const QRect changes = m_buttonChanges->geometry();
    const int comboWidth = std::max(m_comboLanguage->sizeHint().width(), 110);
    m_comboLanguage->setGeometry(changes.left() - 8 - comboWidth, changes.top(), comboWidth, changes.height());
    const int labelWidth = m_labelLanguage->sizeHint().width();
    m_labelLanguage->setGeometry(m_comboLanguage->x() - 5 - labelWidth, changes.top(), labelWidth, changes.height());
}

// --- The language of the visitors' texts ---

// The desktop's language when the texts are written in it, else English.
std::string_view OutputPage::desktopLanguage() {
    return scan::offeredLanguage(QLocale().name().toStdString()).value_or("en");
}

void OutputPage::selectLanguage(std::string_view code) {
    const int index = m_comboLanguage->findData(QString::fromLatin1(code.data(), static_cast<qsizetype>(code.size())));
    m_comboLanguage->setCurrentIndex(std::max(index, 0));
}

std::string OutputPage::chosenLanguage() const { return m_chosenLanguage; }

// English is what a form without a lang gets anyway: it is written only once the author has
// picked it, so that pages built with the default stay as they were.
std::string OutputPage::languageToWrite() const {
    return m_languagePicked || m_chosenLanguage != "en" ? m_chosenLanguage : std::string();
}

void OutputPage::showLanguage(const scan::FormLanguage &language) {
    const QSignalBlocker quiet(m_comboLanguage);
    if (!language.declared) {
        // The author's choice, written into the form as its lang.
        selectLanguage(m_chosenLanguage);
        m_comboLanguage->setEnabled(true);
        m_comboLanguage->setToolTip(QStringLiteral("Your page does not say its language. The language chosen here is "
                                                   "written into the form as its lang attribute."));
        return;
    }
    // The page decides; the box only says so.
    selectLanguage(language.inEffect);
    m_comboLanguage->setEnabled(false);
    const QString declared = gui::fromSystemText(*language.declared);
    m_comboLanguage->setToolTip(
        language.inEffect == "en" && !scan::offeredLanguage(*language.declared)
            ? QStringLiteral("Your page's language (lang=\"%1\") has no texts of its own: visitors read English.")
                  .arg(declared)
            : QStringLiteral("Your page says its language: lang=\"%1\".").arg(declared));
}

void OutputPage::ComboLanguageChange() {
    m_chosenLanguage = m_comboLanguage->currentData().toString().toStdString();
    m_languagePicked = true;
    emit languageChosen();
}

QString OutputPage::currentText() const {
    const QTextDocument *document = m_richEdit1->document();
    if (!document->isModified()) {
        return m_shownText;
    }
    // The raw text keeps non-breaking spaces, which the plain text would turn into blanks.
    return gui::withLineEndings(document->toRawText(), m_lineEnding);
}

std::string OutputPage::currentBytes() const {
    if (!m_richEdit1->document()->isModified()) {
        return m_bytes;
    }
    return gui::encodePage(currentText(), m_encoding);
}

std::optional<std::string> OutputPage::bytesToWrite(QString &refusal) const {
    if (!m_richEdit1->document()->isModified()) {
        return m_bytes;
    }
    gui::Unencodable unencodable;
    std::optional<std::string> bytes = gui::encodePageExactly(currentText(), m_encoding, unencodable);
    if (!bytes) {
        refusal = gui::unencodableMessage(unencodable, m_encoding);
    }
    return bytes;
}

// --- Actions ---

void OutputPage::Button3Click() {
    m_richEdit1->selectAll();
    // The text targets hold the characters as shown; the program's own format holds the exact
    // bytes, and is left out when the edited text cannot be written in the page's charset.
    QString refusal;
    const std::optional<std::string> bytes = bytesToWrite(refusal);
    m_ui.copyToClipboard(currentText(),
                         bytes ? QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size())) : QByteArray());
    m_unkept = false;
    m_ui.showMessage(window(), gui::fromSystemText(texts::kCopiedAll));
}

void OutputPage::Button4Click() {
    if (const std::optional<QString> path = m_ui.askSavePage(window())) {
        saveTo(*path);
    }
}

// Writes the page shown to `path`, says so, and makes it the file Test opens; false, after the
// message that says why, when nothing was written.
bool OutputPage::saveTo(const QString &path) {
    QString refusal;
    const std::optional<std::string> bytes = bytesToWrite(refusal);
    if (!bytes) {
        m_ui.showMessage(window(), refusal);
        return false;
    }
    const std::string target = gui::toNativePath(path);
    const files::WriteResult written = files::writeFileAtomically(target, *bytes, writeOptionsFor(target));
    if (!written) {
        showWriteError(gui::toSystemText(path), written);
        return false;
    }
    m_ui.showMessage(window(), gui::fromSystemText(texts::fill(texts::kSaved, gui::toSystemText(path))));
    m_unkept = false;
    m_savedStamp = files::stampOf(*bytes);
    m_editSave->setText(path);
    return true;
}

files::WriteOptions OutputPage::writeOptionsFor(const std::string &target) const {
    files::WriteOptions options;
    if (m_sourcePath.empty()) {
        return options;
    }
    if (target == m_sourcePath || files::sameFile(target, m_sourcePath)) {
        options.onlyIfHolding = m_sourceStamp; // never over a page saved elsewhere meanwhile
    }
    options.sourceUnchanged = [path = m_sourcePath, stamp = m_builtFromStamp] {
        return files::stampOfFile(path) == stamp;
    };
    return options;
}

void OutputPage::showWriteError(const std::string &target, const files::WriteResult &result) {
    switch (result.outcome) {
    case files::WriteResult::Outcome::TargetChanged:
        m_ui.showMessage(window(), gui::fromSystemText(texts::fill(texts::kPageChangedMeanwhile, target)));
        return;
    case files::WriteResult::Outcome::SourceChanged:
        m_ui.showError(window(), gui::fromSystemText(texts::fill(texts::kCannotOpenFile, m_sourcePath)));
        return;
    default:
        m_ui.showError(window(), gui::fromSystemText(texts::cannotCreateText(target, result.reason, result.keptCopy)));
    }
}

void OutputPage::EditSaveChange() {
    // Nothing disables Test again: it keeps opening the latest save.
    if (!m_editSave->text().isEmpty()) {
        m_button5->setEnabled(true);
    }
}

// Test opens the last save. When the page shown has changed since (Back, other rules, Continue;
// or an edit in the box), the saved file is the older page: the author is told so, and can
// save the page shown over it first, test the older file all the same, or neither.
void OutputPage::Button5Click() {
    const QString target = m_editSave->text();
    if (target.isEmpty()) {
        return;
    }
    if (m_savedStamp && *m_savedStamp != files::stampOf(currentBytes())) {
        QMessageBox question(QMessageBox::NoIcon, gui::fromSystemText(texts::kMessageTitle),
                             gui::fromSystemText(texts::fill(texts::kSavedFileOlder, gui::toSystemText(target))),
                             QMessageBox::Cancel, window());
        question.setObjectName(QStringLiteral("TestQuestion"));
        QPushButton *save = question.addButton(QStringLiteral("Save and Test"), QMessageBox::AcceptRole);
        save->setObjectName(QStringLiteral("SaveAndTest"));
        QPushButton *older = question.addButton(QStringLiteral("Test the Saved File"), QMessageBox::AcceptRole);
        older->setObjectName(QStringLiteral("TestSavedFile"));
        question.setDefaultButton(save);
        m_ui.showModal(question);
        if (question.clickedButton() == save) {
            if (!saveTo(target)) {
                return;
            }
        } else if (question.clickedButton() != older) {
            return;
        }
    }
    ShowInBrowser(target);
}

// The sibling editor's launcher opens the target when it is installed in the main directory;
// otherwise the desktop's default browser does. A saved file that is gone starts nothing, and
// a target that does not open is named for the user to open by hand; both say so.
void OutputPage::ShowInBrowser(const QString &target) {
    const bool web = launch::isWebTarget(gui::toSystemText(target));
    QString argument = target;
    if (!web) {
        const QFileInfo file(target);
        if (!file.exists()) {
            gui::reportUnopened(m_ui, window(), gui::Unopened::MissingSavedPage, target);
            return;
        }
        argument = file.absoluteFilePath();
    }
    const launch::LaunchCommand command = launch::browserLaunchCommand(m_mainDirectory, gui::toNativePath(argument));
    const QString program = gui::fromNativePath(command.program);
    const bool opened = launcherPresent(program)
                            ? m_ui.startProgram(program, {gui::fromNativePath(command.argument)})
                            : m_ui.openInBrowser(web ? QUrl(target) : QUrl::fromLocalFile(argument));
    if (!opened) {
        gui::reportUnopened(m_ui, window(), web ? gui::Unopened::WebAddress : gui::Unopened::SavedPage, argument);
    }
}

} // namespace velmoraine
