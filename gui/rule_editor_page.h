// Page 2 of the wizard, "2. Validate Fields": the chosen form's fields, the rules made for
// them, and the editor that makes them. The rule lists are kept as bytes (rules::RuleList);
// the list boxes show them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QListWidget>
#include <QWidget>

#include "core/rules/field_markup.h"
#include "core/rules/proposals.h"
#include "core/rules/rule_list.h"
#include "gui/noted_list.h"
#include "gui/page_text.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmoraine {

namespace gui {
class UiServices;
} // namespace gui

// A list box that tells apart what the user does from what code does: `picked` is emitted when
// a mouse press lands on an entry (also the one already selected) and when a key changes the
// selected entry, never for a selection made by code; `doubleClickedInside` for any left
// double-click in the box.
class PickList : public gui::NotedList {
    Q_OBJECT
public:
    using gui::NotedList::NotedList;

    // The selected entry, or -1. The current entry alone does not count as selected.
    [[nodiscard]] int selectedRow() const;

signals:
    void picked(int row);
    void doubleClickedInside();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// Control map:
//   ComboBox1         the fields of the chosen form (a list box); ListBox2 the rules' display
//                     texts; ListBox1 the rule records, hidden, entry for entry beside ListBox2
//   Button1           "Add >>"; Button2 "Remove"
//   RadioNonBlank     kind 0 with EditMin, EditMax; RadioEmail kind 1;
//   RadioNumberSeq    kind 2 with EditSeqMin, EditSeqMax, EditPunct; RadioNumber kind 3 with
//                     EditNumMin, EditNumMax
//   Label11/18/19     the phone, zip and date presets; Label59 the help link (the window's)
//   CheckBoxBlankOK   the field may be left blank; EditErrorMsg the visitor's error message
class RuleEditorPage : public QWidget {
    Q_OBJECT
public:
    explicit RuleEditorPage(gui::UiServices &ui, QWidget *parent = nullptr);

    // Empties ComboBox1, ListBox1 and ListBox2, in that order (the start of a page scan). No
    // other control changes.
    void clearLists();

    // Lists the chosen form's field names in ComboBox1. `encoding` is the page's: it shows the
    // names and rules, and turns texts typed on this page into the page's bytes.
    // `markup` is what the fields' first tags declare, by their places in `names`: a field's
    // proposal reads it first.
    void setFields(const std::vector<std::string> &names, gui::PageEncoding encoding, rules::MarkupByField markup = {});

    // Replaces both rule lists.
    void setRules(rules::RuleList rules);

    // The rules in list order, as the rewriter takes them.
    [[nodiscard]] const rules::RuleList &rules() const { return m_rules; }

    // "Add >>" on the lists: replaces the field's rule in place, or appends it.
    rules::RuleList::AddOutcome addOrReplaceRule(std::string_view field, std::string record, std::string display);

    [[nodiscard]] gui::PageEncoding pageEncoding() const { return m_encoding; }

signals:
    // Label59, "Click here for detailed help.": the window opens the page's help topic.
    void helpLinkClicked();

private:
    // Handlers.
    void Button1Click();
    void Button2Click();
    void ListBox2Click();
    void ComboBox1Click();
    void RadioNonBlankClick();
    void RadioEmailClick();
    void RadioNumberSeqClick();
    void RadioNumberClick();
    void Label11Click();
    void Label18Click();
    void Label19Click();

    // Steps.
    void writeKindMessage(rules::RuleKind kind);
    void showProposal(const rules::Proposal &proposal);
    void showSettings(const rules::RuleSettings &settings);
    void showRuleOrProposal(std::string_view field, int fieldRow);
    [[nodiscard]] std::optional<std::string_view> selectedField() const;
    [[nodiscard]] rules::RuleSettings readSettings() const;
    [[nodiscard]] QRadioButton *kindButton(rules::RuleKind kind) const;
    [[nodiscard]] QString shown(std::string_view bytes) const;
    [[nodiscard]] std::string typed(const QLineEdit *box) const;
    void showMessage(const QString &text);
    void showRules();

    QWidget *buildLists();
    QWidget *buildKinds();

    gui::UiServices &m_ui;
    std::vector<std::string> m_fields;
    rules::MarkupByField m_markup;
    rules::RuleList m_rules;
    gui::PageEncoding m_encoding = gui::PageEncoding::Utf8;

    PickList *m_comboBox1 = nullptr;
    PickList *m_listBox2 = nullptr;
    QListWidget *m_listBox1 = nullptr;
    QPushButton *m_button1 = nullptr;
    QPushButton *m_button2 = nullptr;
    QRadioButton *m_radioNonBlank = nullptr;
    QRadioButton *m_radioEmail = nullptr;
    QRadioButton *m_radioNumberSeq = nullptr;
    QRadioButton *m_radioNumber = nullptr;
    QLineEdit *m_editMin = nullptr;
    QLineEdit *m_editMax = nullptr;
    QLineEdit *m_editSeqMin = nullptr;
    QLineEdit *m_editSeqMax = nullptr;
    QLineEdit *m_editPunct = nullptr;
    QLineEdit *m_editNumMin = nullptr;
    QLineEdit *m_editNumMax = nullptr;
    QCheckBox *m_checkBoxBlankOK = nullptr;
    QLineEdit *m_editErrorMsg = nullptr;
};

} // namespace velmoraine
