// The wizard's own help viewer: a window beside the wizard that shows the built-in help topics
// by number, used where the platform's help viewer is not installed.
#pragma once

#include <QList>
#include <QWidget>

class QTextBrowser;
class QToolButton;
class QUrl;

namespace velmoraine {

namespace gui {
class UiServices;
} // namespace gui

// Control map:
//   HelpBrowser        the topic's text
//   Topic1000, ...     one button per topic along the top
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Opens the topic in the owner's help window: made on first use, shown and raised again on
    // later calls, so an owner has at most one. A number without a topic opens the contents.
    static HelpWindow *showTopic(QWidget *owner, gui::UiServices &ui, int topic);

    void openTopic(int topic);
    [[nodiscard]] int currentTopic() const { return m_topic; }

private:
    HelpWindow(QWidget *owner, gui::UiServices &ui);
    void keyPressEvent(QKeyEvent *event) override;
    void followLink(const QUrl &url);
    void placeBeside(const QWidget *owner);

    gui::UiServices &m_ui;
    QTextBrowser *m_browser = nullptr;
    QList<QToolButton *> m_topicButtons;
    int m_topic = 0;
};

} // namespace velmoraine
