// The multiple-forms chooser: asks which of the page's first three forms to work on.
#pragma once

#include <array>

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;
class QRadioButton;

namespace velmoraine {

// Control map:
//   Label1       the explanation above the rows
//   Opt1..Opt3   one option per form, in form count order (Opt3 only with three or more forms)
//   tag1..tag3   the form's opening tag beside its option
//   Button1      "Continue"
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget *parent = nullptr);

    // Fills the rows from the page's form tag texts in form count order (all of them; only the
    // first three are offered) and resets the answer to form 1. The selection of the last
    // showing stays, except that a hidden third option falls back to the first.
    void fill(const QStringList &tagTexts);

    // The form chosen at the last showing: 1, 2 or 3 after Continue; 1 when it was closed
    // another way.
    [[nodiscard]] int chosenForm() const { return m_chosenForm; }

private:
    static constexpr int kRows = 3;

    void Button1Click();
    void setTagText(QLabel *label, const QString &text);

    QLabel *m_label1 = nullptr;
    std::array<QRadioButton *, kRows> m_options{};
    std::array<QLabel *, kRows> m_tags{};
    QPushButton *m_button1 = nullptr;
    int m_chosenForm = 1;
};

} // namespace velmoraine
