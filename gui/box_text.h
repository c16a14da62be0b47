// Putting a long text into a plain text box.
//
// QTextDocument keeps one block per line, and laying a page of a hundred thousand lines into
// one takes about a quarter of a second whichever way the text is handed over. When the box
// already holds an earlier text that the new one repeats but for a few lines (page 3 built
// again after Back and Continue), only those lines are replaced.
#pragma once

#include <QString>
#include <QStringView>

class QPlainTextEdit;

namespace velmoraine::gui {

// Gives `box` the text, with what QPlainTextEdit::setPlainText leaves: every CR LF, lone CR,
// LF, U+2029 and frame mark (U+FDD0, U+FDD1) a line break, no undo steps, the document
// unmodified, the cursor at the start with nothing selected, the view at the top left.
//
// `shown` is the text the box was given last time, while the box still holds it unedited;
// empty when it does not (or when nothing is worth keeping). The lines that `text` has in common
// with it at its start and at its end are then kept as they stand, unless too few are.
void setBoxText(QPlainTextEdit &box, QStringView shown, const QString &text);

} // namespace velmoraine::gui
