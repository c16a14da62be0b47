#include "gui/page_layout.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace velmoraine::gui {

QLineEdit *entryBox(const char *objectName, const char *text, int width, QWidget *parent) {
    auto *box = named<QLineEdit>(objectName, QString::fromLatin1(text), parent);
    box->setFixedWidth(width);
    return box;
}

QPushButton *pushButton(const char *objectName, const char *text, QSize least, QWidget *parent) {
    auto *button = named<QPushButton>(objectName, QString::fromLatin1(text), parent);
    button->setMinimumSize(least);
    return button;
}

void keyboardOrder(std::initializer_list<QWidget *> widgets) {
    for (const auto *widget = widgets.begin(); widget + 1 < widgets.end(); ++widget) {
        QWidget::setTabOrder(widget[0], widget[1]);
    }
}

LineItem space(int pixels) { return LineItem(pixels); }

PageRows::PageRows(QWidget *page, QMargins margins, Gaps gaps) : m_column(new QVBoxLayout(page)), m_gaps(gaps) {
    m_column->setContentsMargins(margins);
    m_column->setSpacing(0);
}

PageRows &PageRows::gap(int pixels) {
    if (m_gaps == Gaps::Fixed) {
        m_column->addSpacing(pixels);
    } else {
        m_column->addSpacerItem(new QSpacerItem(0, pixels, QSizePolicy::Minimum, QSizePolicy::Preferred));
    }
    return *this;
}

PageRows &PageRows::line(int indent, std::initializer_list<LineItem> items, LineOptions options) {
    auto *row = new QHBoxLayout;
    row->setContentsMargins(indent, 0, 0, 0);
    row->setSpacing(options.between);
    for (const LineItem &item : items) {
        if (item.widget != nullptr) {
            row->addWidget(item.widget, 0, item.alignment);
        } else if (item.layout != nullptr) {
            row->addLayout(item.layout);
        } else {
            row->addSpacing(item.space);
        }
    }
    if (!options.fillsWidth) {
        row->addStretch();
    }
    m_column->addLayout(row, options.heightShare);
    return *this;
}

PageRows &PageRows::block(QWidget *widget, int heightShare) {
    m_column->addWidget(widget, heightShare);
    return *this;
}

void PageRows::stretch() { m_column->addStretch(); }

} // namespace velmoraine::gui
