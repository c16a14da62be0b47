#include "gui/help_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/base/texts.h"
#include "core/desktop/help_topics.h"
#include "gui/page_text.h"
#include "gui/ui_services.h"
#include "gui/window_look.h"

namespace velmoraine {

namespace {
constexpr int kWidth = 560;
constexpr int kHeight = 580;
constexpr int kGap = 8;
} // namespace

HelpWindow::HelpWindow(QWidget *owner, gui::UiServices &ui) : QWidget(owner, Qt::Window), m_ui(ui) {
    setObjectName(QStringLiteral("HelpWindow"));
    resize(kWidth, kHeight);
    // The shipped face, at the desktop's reading size: the wizard's small dialog font is too
    // small to read pages of text in.
    QFont readable = gui::windowFont();
    readable.setPointSizeF(QApplication::font().pointSizeF());
    setFont(readable);

    auto *bar = new QHBoxLayout;
    bar->setSpacing(4);
    for (const help::Topic &topic : help::topics()) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("Topic%1").arg(topic.number));
        button->setText(gui::fromSystemText(topic.title));
        button->setCheckable(true);
        button->setAutoRaise(true);
        const int number = topic.number;
        connect(button, &QToolButton::clicked, this, [this, number] { openTopic(number); });
        bar->addWidget(button);
        m_topicButtons.append(button);
    }
    bar->addStretch();

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("HelpBrowser"));
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
}

HelpWindow *HelpWindow::showTopic(QWidget *owner, gui::UiServices &ui, int topic) {
    auto *window = owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) {
        window = new HelpWindow(owner, ui);
        window->placeBeside(owner);
    }
    window->openTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

// Escape closes the help, as it closes a dialog; the text and the topic buttons pass it on.
void HelpWindow::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::openTopic(int topic) {
    const help::Topic &shown = help::topic(topic);
    m_topic = shown.number;
    setWindowTitle(gui::fromSystemText(texts::kHelpWindowTitle) + QStringLiteral(" - ") +
                   gui::fromSystemText(shown.title));
    m_browser->setHtml(gui::fromSystemText(shown.html));
    for (QToolButton *button : m_topicButtons) {
        button->setChecked(button->objectName() == QStringLiteral("Topic%1").arg(m_topic));
    }
}

// Topics link to each other as "help:NUMBER"; a web address opens in the browser, or is shown
// for copying when it cannot.
void HelpWindow::followLink(const QUrl &url) {
    if (url.scheme() == gui::fromSystemText(help::kTopicScheme)) {
        openTopic(url.path().toInt());
    } else if (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https")) {
        if (!m_ui.openInBrowser(url)) {
            gui::reportUnopened(m_ui, this, gui::Unopened::WebAddress, url.toString());
        }
    }
}

// To the right of the wizard when the screen has room there, so both stay readable.
void HelpWindow::placeBeside(const QWidget *owner) {
    const QScreen *screen = owner->screen();
    if (screen == nullptr || !owner->isVisible()) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QRect frame = owner->frameGeometry();
    const QPoint right(frame.right() + kGap, frame.top());
    if (right.x() + kWidth <= available.right()) {
        move(right);
    }
}

} // namespace velmoraine
