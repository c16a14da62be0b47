// The look the wizard's windows share: they are laid out for a small sans-serif font, as
// the fixed window sizes need.
#pragma once

#include <QFont>

namespace velmoraine::platform {

// The windows' font: a sans-serif face 11 pixels high, preferring faces with the metrics of
// the classic dialog font.
QFont windowFont();

// The output box's font: a monospace face 11 pixels high.
QFont monospaceFont();

// A font that only sets bold: everything else comes from the parent widget.
QFont boldOnly();

} // namespace velmoraine::platform
