// The look the wizard's windows share: they are laid out for a small sans-serif font, as
// the fixed window sizes need.
#pragma once

#include <QFont>

class QLabel;
class QWidget;

namespace velmoraine::platform {

// The windows' font: a sans-serif face 11 pixels high, preferring faces with the metrics of
// the classic dialog font.
QFont windowFont();

// The output box's font: a monospace face 11 pixels high.
QFont monospaceFont();

// A font that only sets bold: everything else comes from the parent widget.
QFont boldOnly();

// A label showing `text` as plain text (never as markup: several texts hold "<FORM>"),
// named `objectName`.
QLabel *plainLabel(const char *objectName, const char *text, QWidget *parent);

} // namespace velmoraine::platform
