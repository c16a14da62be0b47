// Page 3 of the wizard, "3. Write Data to Text File": the updated page in RichEdit1, and the
// actions on it: copy it, save it, and open the saved file in a browser.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QWidget>

#include "core/base/files.h"
#include "core/scan/form_language.h"
#include "gui/page_text.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace velmoraine {

namespace gui {
class UiServices;
class LinkLabel;
} // namespace gui

// Control map:
//   RichEdit1   the updated page, editable
//   Button3     "Copy All"
//   Button4     "Save As..."
//   EditSave    the path of the last save, read-only
//   Button5     "Test": opens the last saved file in a browser
//   Label54     home link; Label60 tutorial link (handled by the window)
//   ButtonChanges  shows TextChanges over RichEdit1: what the rewrite changed, as a diff
//   CheckHtml5Fallback  the fallback setting (the window rebuilds the output when it changes)
//   MemoVisitorNotes    the block's CSP hash and the warnings about the page, read-only
//   LabelLanguage, ComboLanguage  the language of the visitors' texts: the page's when its form
//                       has a lang (then not to be changed), else the author's choice
class OutputPage : public QWidget {
    Q_OBJECT
public:
    OutputPage(gui::UiServices &ui, QWidget *parent = nullptr);

    // The main directory, where the browser launcher is looked for.
    void setMainDirectory(std::string mainDirectory) { m_mainDirectory = std::move(mainDirectory); }

    // Shows the rewriter's output. Until the user edits the box, the actions write exactly
    // these bytes. `sourcePage` decides the line ending written for edited text. `changes` is
    // the unified diff of the source page against these bytes, shown by the Changes view. Copy
    // All and Save As are usable again, and Test when a page has been saved.
    void setOutput(std::string bytes, std::string_view sourcePage, std::string_view changes = {});

    // The page the output was made from, as scanned: "Save As..." over it writes only while
    // the page on disk still holds the scanned bytes.
    void setSource(std::string path, files::ContentStamp stamp) {
        m_sourcePath = std::move(path);
        m_sourceStamp = stamp;
    }

    // How the output is written to `target` (Save As, the end of an editor run): never over
    // the source page once another program has saved it, and committed only while the source
    // still holds the bytes the output was built from (WriteResult::Outcome::SourceChanged).
    [[nodiscard]] files::WriteOptions writeOptionsFor(const std::string &target) const;

    // What a write that did not succeed says, in the message box the outcome calls for.
    void showWriteError(const std::string &target, const files::WriteResult &result);

    // A build failed: the box is emptied, and Copy All, Save As and Test wait for a build that
    // succeeds, so that nothing stale can be copied, saved or tested.
    void clearOutput();

    // True while the output shown has been neither copied nor saved: closing would lose it.
    [[nodiscard]] bool outputUnkept() const { return m_unkept; }

    // What the actions write: the rewriter's bytes while the box is unedited; after an edit,
    // the box's text in the encoding it was shown with, every line break as the page's
    // dominant line ending.
    [[nodiscard]] std::string currentBytes() const;

    // The same as text: what the clipboard receives.
    [[nodiscard]] QString currentText() const;

    // What Save As and the end of an editor run write: currentBytes, or nothing when the edited
    // text holds a character that the page's character set cannot hold; `refusal` then says
    // which and where.
    [[nodiscard]] std::optional<std::string> bytesToWrite(QString &refusal) const;
    // The fallback check box, set without telling the window.
    void setHtml5Fallback(bool on);
    [[nodiscard]] bool html5Fallback() const;

    // The language the author chose for a form without a lang: the desktop's at first, when
    // the texts are written in it, else English.
    [[nodiscard]] std::string chosenLanguage() const;
    // The language to write as the lang of a form without one: the chosen one, except English
    // before the author has picked it; empty: none.
    [[nodiscard]] std::string languageToWrite() const;
    // Shows which language the visitors' texts of the output are in: the page's own, which
    // cannot be changed here, or the author's choice.
    void showLanguage(const scan::FormLanguage &language);

    // Shows the block's CSP hash (none: empty) and the rewriter's warnings under the steps.
    void setVisitorNotes(std::string_view cspHash, const std::vector<std::string> &warnings);

signals:
    void html5FallbackToggled(bool on);
    void languageChosen();
    void homeLinkClicked();
    void tutorialLinkClicked();

private:
    void placeControls();
    QGridLayout *nextSteps();

    void Button3Click();
    void Button4Click();
    void Button5Click();
    bool saveTo(const QString &path);
    void EditSaveChange();
    void ButtonChangesToggle(bool shown);
    void fillChangesView();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void placeChangesView();
    void fitVisitorNotes();
    static std::string_view desktopLanguage();
    void selectLanguage(std::string_view code);
    void ComboLanguageChange();
    void ShowInBrowser(const QString &target);

    static constexpr int kNotesLeastHeight = 30; // two lines
    static constexpr int kNotesLeastLines = 2;
    static constexpr int kNotesMostLines = 16;

    gui::UiServices &m_ui;
    std::string m_mainDirectory;
    std::string m_bytes;
    QString m_shownText; // m_bytes as text, as the box was last given them
    std::string m_sourcePath;
    files::ContentStamp m_sourceStamp;
    files::ContentStamp m_builtFromStamp;            // the source page's bytes that m_bytes was built from
    bool m_unkept = false;                           // see outputUnkept
    std::optional<files::ContentStamp> m_savedStamp; // the bytes of the last save, when there was one
    gui::PageEncoding m_encoding = gui::PageEncoding::Utf8;
    gui::LineEnding m_lineEnding = gui::LineEnding::CrLf;
    std::string m_changes;         // the diff that the Changes view shows
    bool m_changesPending = false; // m_changes is not in the view yet

    QPlainTextEdit *m_richEdit1 = nullptr;
    QPushButton *m_button3 = nullptr;
    QPushButton *m_button4 = nullptr;
    QLineEdit *m_editSave = nullptr;
    QPushButton *m_button5 = nullptr;
    gui::LinkLabel *m_label54 = nullptr;
    gui::LinkLabel *m_label60 = nullptr;
    QToolButton *m_buttonChanges = nullptr;
    QPlainTextEdit *m_textChanges = nullptr;
    QCheckBox *m_checkHtml5Fallback = nullptr;
    QPlainTextEdit *m_memoVisitorNotes = nullptr;
    QLabel *m_labelLanguage = nullptr;
    QComboBox *m_comboLanguage = nullptr;
    std::string m_chosenLanguage{desktopLanguage()};
    bool m_languagePicked = false; // the author chose in ComboLanguage
    int m_notesFittedWidth = 0;    // the width the notes box's height was fitted to
};

} // namespace velmoraine
