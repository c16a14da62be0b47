// What the page builders are made of: controls made and named in one call, and a page's lines
// from top to bottom, each a row of controls that starts so many pixels in from the left edge.
#pragma once

#include <initializer_list>
#include <utility>

#include <QMargins>
#include <QSize>
#include <QString>

class QLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace velmoraine::gui {

// A new W, made from `arguments` (its parent among them), named `objectName`.
template <typename W, typename... Arguments> W *named(const char *objectName, Arguments &&...arguments) {
    auto *widget = new W(std::forward<Arguments>(arguments)...);
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

// A text box `width` pixels wide, holding `text`.
QLineEdit *entryBox(const char *objectName, const char *text, int width, QWidget *parent);

// A push button at least `least` in size (a zero side: as its text needs).
QPushButton *pushButton(const char *objectName, const char *text, QSize least, QWidget *parent);

// Tab goes through `widgets` in this order.
void keyboardOrder(std::initializer_list<QWidget *> widgets);

// One thing on a line: a control (with its alignment in the line), a nested layout, or empty
// space of so many pixels (space()).
struct LineItem {
    LineItem(QWidget *control, Qt::Alignment alignment = {}) : widget(control), alignment(alignment) {}
    LineItem(QLayout *nested) : layout(nested) {}
    explicit LineItem(int pixels) : space(pixels) {}

    QWidget *widget = nullptr;
    QLayout *layout = nullptr;
    Qt::Alignment alignment{};
    int space = 0;
};

// `pixels` of empty space between two things on a line.
LineItem space(int pixels);

// How a line shares the page's room.
struct LineOptions {
    int between = 0;         // pixels between two controls
    bool fillsWidth = false; // the line's things take its whole width; else the room right of them stays empty
    int heightShare = 0;     // the line's share of the height that a larger window adds
};

// The gaps between lines: of their height always, or giving way when the lines need more height
// than the page has (text wrapped in a face wider than the shipped one).
enum class Gaps { Fixed, GiveWay };

// The lines of a page (or a block of one), top to bottom, in a vertical layout on `page` with
// `margins` and no spacing of its own: every gap is stated.
class PageRows {
public:
    PageRows(QWidget *page, QMargins margins, Gaps gaps = Gaps::Fixed);

    // `pixels` of height between the line above and the next.
    PageRows &gap(int pixels);
    // A line starting `indent` pixels in, its things left to right.
    PageRows &line(int indent, std::initializer_list<LineItem> items, LineOptions options = {});
    // A block the page's whole width.
    PageRows &block(QWidget *widget, int heightShare = 0);
    // The height left below the last line stays empty.
    void stretch();

private:
    QVBoxLayout *m_column = nullptr;
    Gaps m_gaps = Gaps::Fixed;
};

} // namespace velmoraine::gui
