#include "gui/noted_list.h"

#include <QPainter>
#include <QPalette>

namespace velmoraine::gui {

void NotedList::setEmptyNote(const QString &note) {
    m_emptyNote = note;
    setAccessibleDescription(note);
    viewport()->update();
}

void NotedList::paintEvent(QPaintEvent *event) {
    QListWidget::paintEvent(event);
    if (count() != 0 || m_emptyNote.isEmpty()) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    constexpr int kInset = 4;
    painter.drawText(viewport()->rect().adjusted(kInset, kInset, -kInset, -kInset),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_emptyNote);
}

} // namespace velmoraine::gui
