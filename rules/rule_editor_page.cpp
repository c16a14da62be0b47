#include "rules/rule_editor_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

#include "platform/window_look.h"

namespace velmoraine {

namespace {

constexpr int kListWidth = 145;
constexpr int kListHeight = 105;

QLabel *plainLabel(const char *objectName, const char *text, QWidget *parent) {
    auto *label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QListWidget *listBox(const char *objectName, QWidget *parent) {
    auto *list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    list->setFixedSize(kListWidth, kListHeight);
    return list;
}

} // namespace

RuleEditorPage::RuleEditorPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet2"));
    setWindowTitle(QStringLiteral("2. Validate Fields"));

    auto *title = plainLabel("Label58", "Field Validation", this);
    title->setFont(platform::boldOnly());
    m_comboBox1 = listBox("ComboBox1", this);
    m_listBox2 = listBox("ListBox2", this);
    m_listBox1 = listBox("ListBox1", this);
    m_listBox1->hide();

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->addWidget(title, 0, 0, 1, 3);
    layout->addWidget(plainLabel("Label4", "Fields in Your Form", this), 1, 0);
    layout->addWidget(plainLabel("Label7", "Fields you want to Validate", this), 1, 2);
    layout->addWidget(m_comboBox1, 2, 0);
    layout->setColumnMinimumWidth(1, 57);
    layout->addWidget(m_listBox2, 2, 2);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(3, 1);
}

void RuleEditorPage::clearLists() {
    m_comboBox1->clear();
    m_listBox1->clear();
    m_listBox2->clear();
    m_rules.clear();
}

void RuleEditorPage::setFields(const std::vector<std::string> &names, platform::PageEncoding encoding) {
    m_encoding = encoding;
    m_comboBox1->clear();
    for (const std::string &name : names) {
        m_comboBox1->addItem(platform::decodePage(name, encoding));
    }
}

void RuleEditorPage::setRules(rules::RuleList rules) {
    m_rules = std::move(rules);
    showRules();
}

rules::RuleList::AddOutcome RuleEditorPage::addOrReplaceRule(std::string_view field, std::string record,
                                                             std::string display) {
    const auto outcome = m_rules.addOrReplace(field, std::move(record), std::move(display));
    showRules();
    return outcome;
}

// Both list boxes are rebuilt from the rule list, so they can never fall out of step.
void RuleEditorPage::showRules() {
    const int selected = m_listBox2->currentRow();
    m_listBox1->clear();
    m_listBox2->clear();
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        m_listBox1->addItem(platform::decodePage(m_rules.records()[i], m_encoding));
        m_listBox2->addItem(platform::decodePage(m_rules.displays()[i], m_encoding));
    }
    if (selected >= 0 && selected < m_listBox2->count()) {
        m_listBox2->setCurrentRow(selected);
    }
}

} // namespace velmoraine
