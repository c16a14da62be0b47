// The look the wizard's windows share: they are laid out for a small sans-serif font, as
// the fixed window sizes need.
#pragma once

#include <optional>

#include <QFont>
#include <QLabel>

class QWidget;

namespace velmoraine::gui {

// The family of the sans-serif face shipped with the program.
QString shippedSansFamily();

// The windows' font: the shipped sans-serif face (metrics of the classic dialog font), 11 pixels
// high.
QFont windowFont();

// The output box's font: the shipped monospace face, 11 pixels high.
QFont monospaceFont();

// A font that only sets bold: everything else comes from the parent widget.
QFont boldOnly();

// A label that asks for one line, as wide as its text, and wraps onto further lines only when
// its row is too narrow for it: with a face wider than the one the windows were laid out for,
// its text grows downwards instead of being cut off. With the shipped face nothing wraps.
class FittingLabel : public QLabel {
public:
    explicit FittingLabel(const QString &text, QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    // A label of fixed width asks for the height its wrapped text takes at that width, so that a
    // page's least height holds every line (layouts leave that height out of their least size).
    [[nodiscard]] QSize minimumSizeHint() const override;
};

// A label showing `text` as plain text (never as markup: several texts hold "<FORM>"),
// named `objectName`.
// It is a FittingLabel.
QLabel *plainLabel(const char *objectName, const char *text, QWidget *parent);

// A plainLabel in bold.
QLabel *boldLabel(const char *objectName, const char *text, QWidget *parent);

// A plainLabel that wraps its text at `width` pixels. `alignment`, when given, replaces the
// label's own (left, vertically centred).
QLabel *wrappedLabel(const char *objectName, const char *text, int width, QWidget *parent,
                     std::optional<Qt::Alignment> alignment = std::nullopt);

} // namespace velmoraine::gui
