// The multiple-forms chooser: asks which of the page's forms to work on, the first three by
// option buttons and any later one from a list.
#pragma once

#include <array>

#include <QDialog>
#include <QStringList>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace velmoraine {

// Control map:
//   Label1       the explanation above the rows
//   Opt1..Opt3   one option per form, in form count order (Opt3 only with three or more forms)
//   tag1..tag3   the form's opening tag beside its option
//   OptMore      "Another form:", shown with four forms or more; ComboMoreForms beside it lists
//                forms 4 and on, numbered, and picking one there selects OptMore
//   Button1      "Continue"
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget *parent = nullptr);

    // Fills the rows from the page's form tag texts in form count order (all of them: the
    // first three have option buttons, the rest are listed beside OptMore) and resets the
    // answer to form 1. The selection of the last showing stays, except that a hidden option
    // falls back to the first.
    void fill(const QStringList &tagTexts);

    // The form chosen at the last showing: its number in form count order after Continue; 1
    // when it was closed another way.
    [[nodiscard]] int chosenForm() const { return m_chosenForm; }

private:
    static constexpr int kRows = 3;

    QGridLayout *buildRows();
    void Button1Click();
    void setTagText(QLabel *label, const QString &text);

    QLabel *m_label1 = nullptr;
    std::array<QRadioButton *, kRows> m_options{};
    std::array<QLabel *, kRows> m_tags{};
    QRadioButton *m_optMore = nullptr;
    QComboBox *m_comboMoreForms = nullptr;
    QPushButton *m_button1 = nullptr;
    int m_chosenForm = 1;
};

} // namespace velmoraine
