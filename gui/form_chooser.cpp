#include "gui/form_chooser.h"

#include <algorithm>

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/base/texts.h"
#include "gui/page_layout.h"
#include "gui/page_text.h"
#include "gui/window_look.h"

namespace velmoraine {

namespace {

constexpr int kClientWidth = 542;
constexpr int kClientHeight = 323;
constexpr int kTagWidth = 390;
constexpr int kIndent = 8;            // of the rows
constexpr int kColumnGap = 10;        // between an option and its tag
constexpr int kEdgeGap = 4;           // kept between a tag and the window's right edge
constexpr int kMoreRowHeight = 47;    // what the row of the later forms adds to the window's height
constexpr int kListedTagLength = 160; // characters of a later form's tag shown in its list

const char *const kExplanation = "Your HTML page contains more than one form. The <FORM> tags are listed below. "
                                 "Please select the one that you would like to make work with Velmoraine.";

} // namespace

TForm5::TForm5(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(gui::fromSystemText(texts::kChooserTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(gui::windowFont());

    m_label1 = gui::named<QLabel>("Label1", QString::fromLatin1(kExplanation), this);
    m_label1->setTextFormat(Qt::PlainText);
    m_label1->setWordWrap(true);
    QGridLayout *rows = buildRows();
    m_button1 = gui::pushButton("Button1", "Continue", {89, 0}, this);
    m_button1->setDefault(true);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_button1);
    buttonRow->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 30, 21, 22);
    layout->addWidget(m_label1);
    layout->addSpacing(14);
    auto *indented = new QHBoxLayout;
    indented->addSpacing(kIndent);
    indented->addLayout(rows);
    layout->addLayout(indented);
    layout->addStretch();
    layout->addLayout(buttonRow);

    gui::keyboardOrder({m_options[0], m_options[1], m_options[2], m_optMore, m_comboMoreForms, m_button1});

    connect(m_button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    // Picking a later form is choosing it.
    connect(m_comboMoreForms, &QComboBox::activated, m_optMore, [this] { m_optMore->setChecked(true); });
}

// One row per form: its option, and its tag beside it; the first shown and chosen.
QGridLayout *TForm5::buildRows() {
    const std::array<const char *, kRows> captions = {"First Form:", "Second Form:", "Third Form:"};
    auto *group = new QButtonGroup(this);
    auto *rows = new QGridLayout;
    rows->setHorizontalSpacing(kColumnGap);
    rows->setVerticalSpacing(22);
    rows->setColumnStretch(1, 1);
    const auto addRow = [&](int row, QRadioButton *option, QWidget *tag) {
        group->addButton(option, row + 1);
        rows->addWidget(option, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        rows->addWidget(tag, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    };
    for (int i = 0; i < kRows; ++i) {
        m_options[i] = new QRadioButton(QString::fromLatin1(captions[i]), this);
        m_options[i]->setObjectName(QStringLiteral("Opt%1").arg(i + 1));
        m_tags[i] = new QLabel(this);
        m_tags[i]->setObjectName(QStringLiteral("tag%1").arg(i + 1));
        m_tags[i]->setTextFormat(Qt::PlainText);
        m_tags[i]->setFixedWidth(kTagWidth);
        m_tags[i]->setMinimumHeight(25);
        addRow(i, m_options[i], m_tags[i]);
    }
    // Forms 4 and on: one more option, whose form is picked from a list.
    m_optMore = gui::named<QRadioButton>("OptMore", QStringLiteral("Another form:"), this);
    m_comboMoreForms = gui::named<QComboBox>("ComboMoreForms", this);
    m_comboMoreForms->setFixedWidth(kTagWidth);
    m_comboMoreForms->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    addRow(kRows, m_optMore, m_comboMoreForms);
    m_options[0]->setChecked(true);
    m_options[2]->hide();
    m_tags[2]->hide();
    m_optMore->hide();
    m_comboMoreForms->hide();
    return rows;
}

void TForm5::fill(const QStringList &tagTexts) {
    m_chosenForm = 1;
    const bool thirdRow = tagTexts.size() >= kRows;
    // The tags take the room the option captions leave, up to a few pixels from the window's
    // edge (less than their usual width only when the window's face is wider than the shipped one).
    int captions = 0;
    for (const QRadioButton *option : m_options) {
        captions = std::max(captions, option->sizeHint().width());
    }
    const int room = width() - layout()->contentsMargins().left() - kIndent - captions - kColumnGap - kEdgeGap;
    for (int i = 0; i < kRows && i < tagTexts.size(); ++i) {
        m_tags[i]->setFixedWidth(std::min(kTagWidth, room));
        setTagText(m_tags[i], tagTexts[i]);
    }
    m_options[2]->setVisible(thirdRow);
    m_tags[2]->setVisible(thirdRow);
    if (!thirdRow && m_options[2]->isChecked()) {
        m_options[0]->setChecked(true);
    }

    // The later forms, each as "4. <tag>", a very long tag cut in its middle.
    const bool moreRow = tagTexts.size() > kRows;
    QStringList later;
    for (qsizetype i = kRows; i < tagTexts.size(); ++i) {
        const QString &tag = tagTexts[i];
        const QString shown = tag.size() <= kListedTagLength ? tag
                                                             : tag.left(kListedTagLength / 2) + QChar(0x2026) +
                                                                   tag.right(kListedTagLength / 2 - 1);
        later.append(QStringLiteral("%1. %2").arg(i + 1).arg(shown));
    }
    m_comboMoreForms->clear();
    m_comboMoreForms->addItems(later);
    m_optMore->setVisible(moreRow);
    m_comboMoreForms->setVisible(moreRow);
    if (!moreRow && m_optMore->isChecked()) {
        m_options[0]->setChecked(true);
    }
    setFixedSize(kClientWidth, kClientHeight + (moreRow ? kMoreRowHeight : 0));
}

// A tag wider than its label is elided in the middle, keeping its start and its closing ">";
// the tool tip holds the whole tag.
void TForm5::setTagText(QLabel *label, const QString &text) {
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void TForm5::Button1Click() {
    m_chosenForm = 1;
    for (int i = 0; i < kRows; ++i) {
        if (m_options[i]->isChecked()) {
            m_chosenForm = i + 1;
        }
    }
    if (m_optMore->isChecked() && m_comboMoreForms->currentIndex() >= 0) {
        m_chosenForm = kRows + 1 + m_comboMoreForms->currentIndex();
    }
    accept();
}

} // namespace velmoraine
