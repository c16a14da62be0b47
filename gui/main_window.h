// The wizard window: page 1 (the page and the account ID), the bottom panel with Help, Back
// and Continue, the navigation between the three pages, and the end of an editor-mode run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QWidget>

#include "core/base/files.h"
#include "core/rewrite/page_rewriter.h"
#include "core/run/startup.h"
#include "core/scan/legacy_rules.h"
#include "gui/page_text.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace velmoraine {

class OutputPage;
class RuleEditorPage;
class TForm5;

namespace gui {
class NotedList;
class UiServices;
} // namespace gui

// Control map:
//   PageControl1       the pages TabSheet1 (1), TabSheet2 (2, RuleEditorPage), TabSheet5 (3, OutputPage)
//   ButtonSelectForm   "&Select >>": picks and scans a page
//   FormEdit           the chosen page's path
//   ListBoxInputs      the chosen form's fields
//   EditID             the account ID; ComboFormNum the form number 1..10
//   Label34            sign-up link; Label62 home link
//   SpeedButton1       Help; ButtonBack "&< Back"; ButtonNext "Continue &>"
class TForm1 : public QWidget {
    Q_OBJECT
public:
    enum class SetUpOutcome { Run, Quit };

    TForm1(gui::UiServices &ui, TForm5 &chooser, QWidget *parent = nullptr);
    ~TForm1() override;

    // The window set-up, once before the window is first shown: settings, account ID, form
    // number and the launch mode of `commandLine` (the text after the program's name). In
    // editor mode it scans the launch page, which may show the chooser. Quit: the program is
    // to end without the window (the page could not be read or holds no form).
    SetUpOutcome setUp(std::string_view commandLine);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class ScanOutcome { Scanned, NoForm, CannotOpen };
    enum class RewriteOutcome { Built, GaveUp, FileError };

    // The run sequence's mode: the editor's run when the program was started by the editor.
    rewrite::LaunchMode launchMode() const;

    // Handlers.
    void FormShow();
    void ButtonNextClick();
    void ButtonBackClick();
    void ButtonSelectFormClick();
    void TabSheet1Show();
    void TabSheet2Show();
    RewriteOutcome TabSheet5Show();
    void SpeedButton3Click();
    void Label59Click();
    void Label60Click();
    void Label30Click();
    void Label54Click();
    void CheckHtml5FallbackClick(bool on);

    // Steps.
    ScanOutcome scanPage(const std::string &path);
    int askForForm(const std::vector<std::string> &tagTexts, gui::PageEncoding encoding);
    void offerLegacyRules(const scan::LegacyRules &legacy, gui::PageEncoding encoding);
    void selectPage(QWidget *page);
    [[nodiscard]] QWidget *firstControlOf(QWidget *page) const;
    void finishEditorRun();
    void showFileError(std::string_view pattern, std::string_view path);

    QWidget *buildPage1();
    QWidget *buildPanel();

    gui::UiServices &m_ui;
    TForm5 &m_chooser;
    startup::StartupState m_startup;
    bool m_operationOk = false;
    int m_chosenForm = 1;
    // The page as scanned: its path as the system's bytes (a name need not be valid UTF-8)
    // and a stamp of its bytes, so that a page changed on disk since is not written over.
    std::string m_pagePath;
    files::ContentStamp m_scannedStamp;
    std::string m_pageRefusal;                  // why the page picked last cannot be worked on; empty when it can
    std::vector<std::string> m_legacyFields;    // fields whose rules came from an earlier tool
    std::vector<std::string> m_resultsMailedTo; // where the earlier tool mailed the results
    bool m_centred = false;

    QStackedWidget *m_pageControl1 = nullptr;
    QWidget *m_tabSheet1 = nullptr;
    RuleEditorPage *m_tabSheet2 = nullptr;
    OutputPage *m_tabSheet5 = nullptr;
    QPushButton *m_buttonSelectForm = nullptr;
    QLineEdit *m_formEdit = nullptr;
    gui::NotedList *m_listBoxInputs = nullptr;
    QLineEdit *m_editId = nullptr;
    QComboBox *m_comboFormNum = nullptr;
    QToolButton *m_speedButton1 = nullptr;
    QPushButton *m_buttonBack = nullptr;
    QPushButton *m_buttonNext = nullptr;
};

} // namespace velmoraine
