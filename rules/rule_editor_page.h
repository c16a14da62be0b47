// Page 2 of the wizard, "2. Validate Fields": the chosen form's fields and the rules made for
// them. The rule lists are kept as bytes (rules::RuleList); the list boxes show them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <QWidget>

#include "platform/page_text.h"
#include "rules/rule_list.h"

class QListWidget;

namespace velmoraine {

// Control map:
//   ComboBox1   the fields of the chosen form (a list box)
//   ListBox2    the display texts of the rules
//   ListBox1    the rule records, hidden, entry for entry beside ListBox2
class RuleEditorPage : public QWidget {
    Q_OBJECT
public:
    explicit RuleEditorPage(QWidget *parent = nullptr);

    // Empties ComboBox1, ListBox1 and ListBox2, in that order (the start of a page scan).
    void clearLists();

    // Lists the chosen form's field names in ComboBox1. `encoding` is the page's: it shows the
    // names and rules, and turns texts typed on this page into the page's bytes.
    void setFields(const std::vector<std::string> &names, platform::PageEncoding encoding);

    // Replaces both rule lists.
    void setRules(rules::RuleList rules);

    // The rules in list order, as the rewriter takes them.
    [[nodiscard]] const rules::RuleList &rules() const { return m_rules; }

    // "Add >>" on the lists: replaces the field's rule in place, or appends it.
    rules::RuleList::AddOutcome addOrReplaceRule(std::string_view field, std::string record, std::string display);

    [[nodiscard]] platform::PageEncoding pageEncoding() const { return m_encoding; }

private:
    void showRules();

    QListWidget *m_comboBox1 = nullptr;
    QListWidget *m_listBox2 = nullptr;
    QListWidget *m_listBox1 = nullptr;
    rules::RuleList m_rules;
    platform::PageEncoding m_encoding = platform::PageEncoding::Utf8;
};

} // namespace velmoraine
