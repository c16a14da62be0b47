// A label that acts as a link: blue, underlined, hand cursor, and a click signal.
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

private:
    bool m_pressed = false;
};

} // namespace velmoraine::gui
