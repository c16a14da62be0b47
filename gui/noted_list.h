// A list box that says, while it is empty, why it is: a form whose fields carry no name lists
// nothing, and an empty box alone would leave the author guessing.
#pragma once

#include <QListWidget>
#include <QString>

class QPaintEvent;

namespace velmoraine::gui {

class NotedList : public QListWidget {
public:
    using QListWidget::QListWidget;

    // The note shown in grey inside the empty box, and given to screen readers as its
    // description; an empty note shows nothing.
    void setEmptyNote(const QString &note);
    [[nodiscard]] const QString &emptyNote() const { return m_emptyNote; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_emptyNote;
};

} // namespace velmoraine::gui
