#include "gui/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace velmoraine::gui {

namespace {
constexpr int kFocusBackgroundAlpha = 48;
} // namespace

LinkLabel::LinkLabel(const QString &text, Weight weight, QWidget *parent) : FittingLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    // Tab only, as a tool button: a click opens the link and leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    QFont linkFont = font();
    linkFont.setUnderline(true);
    linkFont.setBold(weight == Weight::Bold);
    setFont(linkFont);
    QPalette linkPalette = palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    setPalette(linkPalette);
}

void LinkLabel::mousePressEvent(QMouseEvent *event) {
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

// A click is a press and a release of the left button over the label.
void LinkLabel::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click) {
        emit clicked();
    }
}

// Return, Enter or Space, without Ctrl, Alt or Shift, is a click. A key held down clicks once:
// each click may open a browser window.
void LinkLabel::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const bool activates = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (!activates || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat()) {
        emit clicked();
    }
}

// While the keyboard is on the link, a light highlight behind its text and a frame in the
// highlight colour around it: the styles' own focus frame is too faint on a bare text.
void LinkLabel::paintEvent(QPaintEvent *event) {
    if (!hasFocus()) {
        QLabel::paintEvent(event);
        return;
    }
    const QColor highlight = palette().color(QPalette::Highlight);
    {
        QPainter painter(this);
        QColor behind = highlight;
        behind.setAlpha(kFocusBackgroundAlpha);
        painter.fillRect(rect(), behind);
    }
    QLabel::paintEvent(event);
    QPainter painter(this);
    painter.setPen(QPen(highlight, 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace velmoraine::gui
