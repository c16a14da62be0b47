#include "gui/rule_editor_page.h"

#include <algorithm>
#include <array>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/texts.h"
#include "core/rules/rule_record.h"
#include "gui/link_label.h"
#include "gui/page_layout.h"
#include "gui/ui_services.h"
#include "gui/window_look.h"

namespace velmoraine {

namespace {

using gui::plainLabel;

constexpr int kListWidth = 145;
constexpr int kListHeight = 105;
constexpr int kButtonWidth = 57;
constexpr int kButtonHeight = 25;
constexpr int kStepTextWidth = 122;
constexpr int kGap = 6; // between a label and its box on one line

// The step texts beside the lists start at their top line.
QLabel *wrappedLabel(const char *objectName, const char *text, int width, QWidget *parent) {
    return gui::wrappedLabel(objectName, text, width, parent, Qt::AlignLeft | Qt::AlignTop);
}

gui::LinkLabel *linkLabel(const char *objectName, const char *text, QWidget *parent) {
    return gui::named<gui::LinkLabel>(objectName, QString::fromLatin1(text), gui::LinkLabel::Weight::Normal, parent);
}

QRadioButton *optionButton(const char *objectName, const char *text, QWidget *parent) {
    return gui::named<QRadioButton>(objectName, QString::fromLatin1(text), parent);
}

// Add and Remove: the gap between the two lists holds them at their classic size.
QPushButton *listButton(const char *objectName, const char *text, QWidget *parent) {
    auto *button = gui::named<QPushButton>(objectName, QString::fromLatin1(text), parent);
    button->setFixedSize(kButtonWidth, kButtonHeight);
    return button;
}

PickList *pickList(const char *objectName, QWidget *parent) {
    auto *list = gui::named<PickList>(objectName, parent);
    list->setMinimumSize(kListWidth, kListHeight);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// A numbered step beside the lists.
struct Step {
    const char *numberName;
    const char *number;
    const char *textName;
    const char *text;
};

constexpr std::array<Step, 3> kSteps = {{
    {"Label43", "1.", "Label6", "Choose a field to validate in the left list."},
    {"Label44", "2.", "Label41", "Specify the type of validation below."},
    {"Label45", "3.", "Label42", "Click the Add >> button to add validation for the field."},
}};

} // namespace

// --- PickList ---

int PickList::selectedRow() const {
    const QList<QListWidgetItem *> items = selectedItems();
    return items.isEmpty() ? -1 : row(items.constFirst());
}

void PickList::mousePressEvent(QMouseEvent *event) {
    QListWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int pressed = indexAt(event->position().toPoint()).row();
    if (pressed >= 0 && pressed == selectedRow()) {
        emit picked(pressed);
    }
}

void PickList::mouseDoubleClickEvent(QMouseEvent *event) {
    // The base class treats a double-click on an entry that was not pressed first as a press.
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit doubleClickedInside();
    }
}

void PickList::keyPressEvent(QKeyEvent *event) {
    const int before = selectedRow();
    QListWidget::keyPressEvent(event);
    const int after = selectedRow();
    if (after >= 0 && after != before) {
        emit picked(after);
    }
}

// --- Layout ---

RuleEditorPage::RuleEditorPage(gui::UiServices &ui, QWidget *parent) : QWidget(parent), m_ui(ui) {
    setObjectName(QStringLiteral("TabSheet2"));
    setWindowTitle(QStringLiteral("2. Validate Fields"));

    auto *label59 = linkLabel("Label59", "Click here for detailed help.", this);
    // The gaps give way to text wrapped in a face wider than the shipped one; the right margin
    // keeps such text off the edge.
    gui::PageRows rows(this, {0, 2, 4, 0}, gui::Gaps::GiveWay);
    rows.line(8, {gui::boldLabel("Label58", "Field Validation", this)});
    rows.gap(3).line(8, {wrappedLabel("Label5",
                                      "This step allows you to add field validation to insure that your visitors enter "
                                      "the proper information. For example, you make sure that certain fields are "
                                      "filled in, or check to be sure an email address is formatted correctly.",
                                      521, this)});
    rows.line(
        8,
        {plainLabel("Label53", "If you don't want field validation, just press Continue to skip this step.", this),
         label59},
        {.between = 10});
    // The lists take the height a larger window adds.
    rows.gap(8).block(buildLists(), 1);
    auto *panel2 = gui::named<QFrame>("Panel2", this);
    panel2->setFrameShape(QFrame::HLine);
    panel2->setFrameShadow(QFrame::Sunken);
    panel2->setFixedHeight(2);
    rows.gap(6).line(4, {panel2, gui::space(4)}, {.fillsWidth = true});
    rows.gap(6).block(buildKinds());
    rows.stretch();

    m_listBox1 = gui::named<QListWidget>("ListBox1", this);
    m_listBox1->hide();

    // Keyboard order. The links join it where they stand in the text: the help link above the
    // options, the presets after the option whose sentence they continue.
    auto *label11 = findChild<gui::LinkLabel *>(QStringLiteral("Label11"));
    auto *label18 = findChild<gui::LinkLabel *>(QStringLiteral("Label18"));
    auto *label19 = findChild<gui::LinkLabel *>(QStringLiteral("Label19"));
    gui::keyboardOrder({label59,     m_radioNonBlank, m_radioEmail,  m_radioNumberSeq, label11,      label18,
                        label19,     m_editMin,       m_editMax,     m_radioNumber,    m_editNumMin, m_checkBoxBlankOK,
                        m_comboBox1, m_listBox2,      m_button1,     m_button2,        m_editSeqMin, m_editSeqMax,
                        m_editPunct, m_editNumMax,    m_editErrorMsg});

    auto *kinds = new QButtonGroup(this);
    for (QRadioButton *kind : {m_radioNonBlank, m_radioEmail, m_radioNumberSeq, m_radioNumber}) {
        kinds->addButton(kind);
    }

    // An option's handler runs when it becomes the selected one, by a click or by code.
    const auto whenSelected = [this](void (RuleEditorPage::*handler)()) {
        return [this, handler](bool selected) {
            if (selected) {
                (this->*handler)();
            }
        };
    };
    connect(m_button1, &QPushButton::clicked, this, &RuleEditorPage::Button1Click);
    connect(m_button2, &QPushButton::clicked, this, &RuleEditorPage::Button2Click);
    connect(m_comboBox1, &PickList::picked, this, &RuleEditorPage::ComboBox1Click);
    connect(m_comboBox1, &PickList::doubleClickedInside, this, &RuleEditorPage::Button1Click);
    connect(m_listBox2, &PickList::picked, this, &RuleEditorPage::ListBox2Click);
    connect(m_radioNonBlank, &QRadioButton::toggled, this, whenSelected(&RuleEditorPage::RadioNonBlankClick));
    connect(m_radioEmail, &QRadioButton::toggled, this, whenSelected(&RuleEditorPage::RadioEmailClick));
    connect(m_radioNumberSeq, &QRadioButton::toggled, this, whenSelected(&RuleEditorPage::RadioNumberSeqClick));
    connect(m_radioNumber, &QRadioButton::toggled, this, whenSelected(&RuleEditorPage::RadioNumberClick));
    connect(label11, &gui::LinkLabel::clicked, this, &RuleEditorPage::Label11Click);
    connect(label18, &gui::LinkLabel::clicked, this, &RuleEditorPage::Label18Click);
    connect(label19, &gui::LinkLabel::clicked, this, &RuleEditorPage::Label19Click);
    connect(label59, &gui::LinkLabel::clicked, this, &RuleEditorPage::helpLinkClicked);
}

// The field list, Add and Remove, the rule list and the three numbered steps, side by side,
// with their two captions above.
QWidget *RuleEditorPage::buildLists() {
    auto *block = new QWidget(this);
    m_comboBox1 = pickList("ComboBox1", block);
    m_listBox2 = pickList("ListBox2", block);
    m_button1 = listButton("Button1", "Add >>", block);
    m_button2 = listButton("Button2", "Remove", block);
    m_button2->setEnabled(false);

    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(7);
    buttons->addSpacing(16);
    buttons->addWidget(m_button1);
    buttons->addWidget(m_button2);
    buttons->addStretch();

    auto *steps = new QGridLayout;
    steps->setHorizontalSpacing(0);
    steps->setVerticalSpacing(6);
    steps->setColumnMinimumWidth(0, 16);
    for (int row = 0; row < static_cast<int>(kSteps.size()); ++row) {
        const Step &step = kSteps[static_cast<std::size_t>(row)];
        steps->addWidget(plainLabel(step.numberName, step.number, block), row, 0, Qt::AlignTop);
        steps->addWidget(wrappedLabel(step.textName, step.text, kStepTextWidth, block), row, 1);
    }
    steps->setRowStretch(static_cast<int>(kSteps.size()), 1);

    // Columns: the field list, a gap, the buttons, a gap, the rule list, a gap, the steps.
    auto *grid = new QGridLayout(block);
    grid->setContentsMargins(16, 0, 0, 0);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(3);
    grid->addWidget(plainLabel("Label4", "Fields in Your Form", block), 0, 0, 1, 4);
    grid->addWidget(plainLabel("Label7", "Fields you want to Validate", block), 0, 4, 1, 3);
    grid->addWidget(m_comboBox1, 1, 0);
    grid->setColumnMinimumWidth(1, 7);
    grid->addLayout(buttons, 1, 2);
    grid->setColumnMinimumWidth(3, 7);
    grid->addWidget(m_listBox2, 1, 4);
    grid->setColumnMinimumWidth(5, 15);
    grid->addLayout(steps, 1, 6);
    // Both lists share the width a larger window adds; the steps keep theirs.
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(4, 1);
    grid->setRowStretch(1, 1);
    return block;
}

// The four kinds with their boxes, the blank check box and the error message; a label and its
// box on one line are kGap apart.
QWidget *RuleEditorPage::buildKinds() {
    auto *block = new QWidget(this);
    m_radioNonBlank = optionButton("RadioNonBlank", "The field must be &filled in with at least ", block);
    m_radioNonBlank->setChecked(true);
    m_editMin = gui::entryBox("EditMin", "1", 33, block);
    m_editMax = gui::entryBox("EditMax", "0", 33, block);
    m_radioEmail = optionButton("RadioEmail", "The field must contain a valid  &E-mail address", block);
    m_radioNumberSeq = optionButton("RadioNumberSeq", "The field contains a ", block);
    m_editSeqMin = gui::entryBox("EditSeqMin", "10", 49, block);
    m_editSeqMax = gui::entryBox("EditSeqMax", "0", 49, block);
    m_editPunct = gui::entryBox("EditPunct", " ()-+", 73, block);
    m_radioNumber = optionButton("RadioNumber", "The field must contain a number value which is:", block);
    m_editNumMin = gui::entryBox("EditNumMin", "1", 50, block);
    m_editNumMax = gui::entryBox("EditNumMax", "0", 50, block);
    m_checkBoxBlankOK = gui::named<QCheckBox>(
        "CheckBoxBlankOK", QStringLiteral("The field may be left blank (non-required field)"), block);
    m_editErrorMsg = gui::entryBox("EditErrorMsg", "", 489, block);

    const gui::LineOptions boxes{.between = kGap};
    gui::PageRows rows(block, {}, gui::Gaps::GiveWay);
    rows.line(16,
              {m_radioNonBlank, m_editMin, plainLabel("Label29", "and not more than", block), m_editMax,
               plainLabel("Label8", "characters", block), plainLabel("Label13", "(0 = no limit)", block)},
              {.between = 5});
    rows.gap(8).line(16, {m_radioEmail});
    // The presets sit inside the option's sentence: "... a phone number, zip code, date or other ...".
    // The option's text ends in a blank, which already parts it from the first link.
    rows.gap(6).line(16, {m_radioNumberSeq, linkLabel("Label11", "phone number,", block), gui::space(4),
                          linkLabel("Label18", "zip code,", block), gui::space(4), linkLabel("Label19", "date", block),
                          gui::space(4), plainLabel("Label10", "or other sequence of digits with: ", block)});
    rows.gap(4).line(51,
                     {plainLabel("Label23", "At least", block), m_editSeqMin,
                      plainLabel("Label20", "and not more than", block), m_editSeqMax,
                      plainLabel("Label21", "digits.", block)},
                     boxes);
    rows.gap(3).line(
        51,
        {plainLabel("Label24", "Optional puctuation characters (allowed by not counted as digits):", block),
         m_editPunct},
        boxes);
    rows.gap(5).line(
        51, {plainLabel("Label27",
                        "TIP: The links at the top will quickly set the values for a phone number, zip code or date. ",
                        block)});
    rows.gap(8).line(16, {m_radioNumber});
    rows.gap(3).line(48,
                     {plainLabel("Label25", "At least", block), m_editNumMin,
                      plainLabel("Label26", "but not more than", block), m_editNumMax,
                      plainLabel("Label35", "(0 = no limit)", block)},
                     boxes);
    rows.gap(9).line(16, {m_checkBoxBlankOK});
    rows.gap(2).line(
        43,
        {plainLabel("Label9", "This allows you to check the value of the field only if something is entered.", block)});
    rows.gap(14).line(19, {plainLabel("Label12", "Error message if the information entered is not correct:", block)});
    rows.gap(3).line(16, {m_editErrorMsg});
    return block;
}

// --- The lists ---

void RuleEditorPage::clearLists() {
    m_comboBox1->clear();
    m_comboBox1->setEmptyNote({});
    m_fields.clear();
    m_markup.clear();
    m_listBox1->clear();
    m_listBox2->clear();
    m_rules.clear();
}

void RuleEditorPage::setFields(const std::vector<std::string> &names, gui::PageEncoding encoding,
                               rules::MarkupByField markup) {
    m_encoding = encoding;
    m_fields = names;
    m_markup = std::move(markup);
    m_comboBox1->clear();
    for (const std::string &name : m_fields) {
        m_comboBox1->addItem(shown(name));
    }
    m_comboBox1->setEmptyNote(m_fields.empty() ? gui::fromSystemText(texts::kNoNamedFields) : QString());
}

void RuleEditorPage::setRules(rules::RuleList rules) {
    m_rules = std::move(rules);
    showRules();
}

rules::RuleList::AddOutcome RuleEditorPage::addOrReplaceRule(std::string_view field, std::string record,
                                                             std::string display) {
    const QString shownRecord = shown(record);
    const QString shownDisplay = shown(display);
    const auto outcome = m_rules.addOrReplace(field, std::move(record), std::move(display));
    if (outcome == rules::RuleList::AddOutcome::Appended) {
        m_listBox2->addItem(shownDisplay);
        m_listBox1->addItem(shownRecord);
    } else {
        const int index = m_rules.find(field);
        m_listBox1->item(index)->setText(shownRecord);
        m_listBox2->item(index)->setText(shownDisplay);
    }
    return outcome;
}

void RuleEditorPage::showRules() {
    m_listBox1->clear();
    m_listBox2->clear();
    for (std::size_t i = 0; i < m_rules.size(); ++i) {
        m_listBox2->addItem(shown(m_rules.displays()[i]));
        m_listBox1->addItem(shown(m_rules.records()[i]));
    }
}

// --- Add and Remove ---

void RuleEditorPage::Button1Click() {
    const std::optional<std::string_view> field = selectedField();
    if (!field) {
        return;
    }
    if (const auto refusal = rules::checkFieldName(*field)) {
        showMessage(gui::fromSystemText(*refusal));
        return;
    }
    const rules::RuleSettings settings = readSettings();
    if (const auto refusal = rules::checkSettings(settings)) {
        showMessage(gui::fromSystemText(*refusal));
        return;
    }
    const auto outcome =
        addOrReplaceRule(*field, rules::buildRecord(*field, settings), rules::editorDisplayText(*field, settings.kind));
    if (outcome == rules::RuleList::AddOutcome::Replaced) {
        showMessage(shown(texts::fill(texts::kRuleUpdated, *field)));
    }
}

void RuleEditorPage::Button2Click() {
    const int index = m_listBox2->selectedRow();
    if (index < 0) {
        return;
    }
    m_rules.remove(static_cast<std::size_t>(index));
    delete m_listBox2->takeItem(index);
    delete m_listBox1->takeItem(index);
    const int count = m_listBox2->count();
    if (count == 0) {
        m_button2->setEnabled(false);
        return;
    }
    // A selection made here is not the user's: it runs no handler.
    m_listBox2->setCurrentRow(index < count ? index : index - 1);
}

// The rule clicked is loaded into the editor, its field chosen, so that Add replaces it.
void RuleEditorPage::ListBox2Click() {
    m_button2->setEnabled(true);
    const int index = m_listBox2->selectedRow();
    if (index < 0 || static_cast<std::size_t>(index) >= m_rules.size()) {
        return;
    }
    const std::string_view field = rules::recordFieldName(m_rules.records()[static_cast<std::size_t>(index)]);
    const auto found = std::find(m_fields.begin(), m_fields.end(), field);
    if (found == m_fields.end()) {
        return; // a stored rule for a field the form no longer has: nothing to edit it for
    }
    const auto row = static_cast<int>(found - m_fields.begin());
    // A selection made here is not the user's: it runs no handler.
    m_comboBox1->setCurrentRow(row);
    showRuleOrProposal(field, row);
}

// --- Kinds, proposals and presets ---

void RuleEditorPage::RadioNonBlankClick() { writeKindMessage(rules::RuleKind::FilledIn); }

void RuleEditorPage::RadioEmailClick() { writeKindMessage(rules::RuleKind::Email); }

void RuleEditorPage::RadioNumberSeqClick() { writeKindMessage(rules::RuleKind::DigitSequence); }

void RuleEditorPage::RadioNumberClick() { writeKindMessage(rules::RuleKind::NumberValue); }

void RuleEditorPage::writeKindMessage(rules::RuleKind kind) {
    if (const auto message = rules::kindMessage(kind, selectedField())) {
        m_editErrorMsg->setText(shown(*message));
    }
}

void RuleEditorPage::ComboBox1Click() {
    if (const auto field = selectedField()) {
        showRuleOrProposal(*field, m_comboBox1->selectedRow());
    }
}

// A field with a rule shows its rule as stored; any other field the proposal from its markup
// and name, with the limits and the blank flag that its markup does not declare back as they
// start, so that no limit of the field clicked before carries over into its rule. (A sequence
// row's boxes change only with a sequence proposal, as the presets fill them.)
void RuleEditorPage::showRuleOrProposal(std::string_view field, int fieldRow) {
    if (const int index = m_rules.find(field); index >= 0) {
        if (const auto stored = rules::settingsFromRecord(m_rules.records()[static_cast<std::size_t>(index)])) {
            showSettings(*stored);
            return;
        }
    }
    const rules::RuleSettings start;
    const std::pair<const std::string &, QLineEdit *> limits[] = {{start.minChars, m_editMin},
                                                                  {start.maxChars, m_editMax},
                                                                  {start.numMin, m_editNumMin},
                                                                  {start.numMax, m_editNumMax}};
    for (const auto &[value, box] : limits) {
        box->setText(shown(value));
    }
    m_checkBoxBlankOK->setChecked(start.blankAllowed);
    const rules::FieldMarkup *declared = m_markup.find(static_cast<std::size_t>(fieldRow));
    showProposal(declared == nullptr ? rules::proposeFor(field) : rules::proposeFor(field, *declared));
}

void RuleEditorPage::showSettings(const rules::RuleSettings &settings) {
    kindButton(settings.kind)->setChecked(true);
    const std::pair<const std::string &, QLineEdit *> boxes[] = {
        {settings.minChars, m_editMin},  {settings.maxChars, m_editMax},    {settings.seqMin, m_editSeqMin},
        {settings.seqMax, m_editSeqMax}, {settings.punct, m_editPunct},     {settings.numMin, m_editNumMin},
        {settings.numMax, m_editNumMax}, {settings.message, m_editErrorMsg}};
    for (const auto &[value, box] : boxes) {
        box->setText(shown(value));
    }
    m_checkBoxBlankOK->setChecked(settings.blankAllowed);
}

void RuleEditorPage::Label11Click() { showProposal(rules::preset(rules::Preset::Phone)); }

void RuleEditorPage::Label18Click() { showProposal(rules::preset(rules::Preset::Zip)); }

void RuleEditorPage::Label19Click() { showProposal(rules::preset(rules::Preset::Date)); }

// Only the kind, the message, a sequence row's three boxes and the boxes the page's markup
// declares change; the other boxes keep what they hold (a preset keeps what the user typed).
void RuleEditorPage::showProposal(const rules::Proposal &proposal) {
    // When the kind changes, its own handler writes its message first; the proposal's follows.
    kindButton(proposal.kind)->setChecked(true);
    m_editErrorMsg->setText(shown(proposal.message));
    if (proposal.sequence) {
        m_editSeqMin->setText(shown(proposal.sequence->seqMin));
        m_editSeqMax->setText(shown(proposal.sequence->seqMax));
        m_editPunct->setText(shown(proposal.sequence->punct));
    }
    const std::pair<const std::optional<std::string> &, QLineEdit *> boxes[] = {{proposal.minChars, m_editMin},
                                                                                {proposal.maxChars, m_editMax},
                                                                                {proposal.numMin, m_editNumMin},
                                                                                {proposal.numMax, m_editNumMax}};
    for (const auto &[value, box] : boxes) {
        if (value) {
            box->setText(shown(*value));
        }
    }
    if (proposal.blankAllowed) {
        m_checkBoxBlankOK->setChecked(*proposal.blankAllowed);
    }
}

// --- Reading and writing the controls ---

std::optional<std::string_view> RuleEditorPage::selectedField() const {
    const int row = m_comboBox1->selectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= m_fields.size()) {
        return std::nullopt;
    }
    return m_fields[static_cast<std::size_t>(row)];
}

// The boxes as typed, in the page's bytes; the kind of the first selected option.
rules::RuleSettings RuleEditorPage::readSettings() const {
    rules::RuleSettings settings;
    for (const rules::RuleKind kind : {rules::RuleKind::FilledIn, rules::RuleKind::Email,
                                       rules::RuleKind::DigitSequence, rules::RuleKind::NumberValue}) {
        if (kindButton(kind)->isChecked()) {
            settings.kind = kind;
            break;
        }
    }
    settings.minChars = typed(m_editMin);
    settings.maxChars = typed(m_editMax);
    settings.seqMin = typed(m_editSeqMin);
    settings.seqMax = typed(m_editSeqMax);
    settings.punct = typed(m_editPunct);
    settings.numMin = typed(m_editNumMin);
    settings.numMax = typed(m_editNumMax);
    settings.blankAllowed = m_checkBoxBlankOK->isChecked();
    settings.message = typed(m_editErrorMsg);
    return settings;
}

QRadioButton *RuleEditorPage::kindButton(rules::RuleKind kind) const {
    switch (kind) {
    case rules::RuleKind::Email: return m_radioEmail;
    case rules::RuleKind::DigitSequence: return m_radioNumberSeq;
    case rules::RuleKind::NumberValue: return m_radioNumber;
    case rules::RuleKind::FilledIn: break;
    }
    return m_radioNonBlank;
}

QString RuleEditorPage::shown(std::string_view bytes) const { return gui::decodePage(bytes, m_encoding); }

std::string RuleEditorPage::typed(const QLineEdit *box) const { return gui::encodePage(box->text(), m_encoding); }

void RuleEditorPage::showMessage(const QString &text) { m_ui.showMessage(window(), text); }

} // namespace velmoraine
