// A label that acts as a link: blue, underlined, hand cursor, and a click signal. Tab reaches
// it, shows the focus around it, and Return, Enter or Space then click it.
#pragma once

#include "gui/window_look.h"

namespace velmoraine::gui {

class LinkLabel : public FittingLabel {
    Q_OBJECT
public:
    enum class Weight { Normal, Bold };

    LinkLabel(const QString &text, Weight weight, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace velmoraine::gui
