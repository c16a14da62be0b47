// The tests' stand-in for the desktop: answers dialogs from queues and records everything the
// window asked for.
#pragma once

#include <deque>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include "gui/ui_services.h"

class QDialog;

namespace velmoraine::test {

class RecordingUi final : public gui::UiServices {
public:
    struct Shown {
        QWidget *owner = nullptr;
        QString text;
        bool selectable = false; // the real box would let the user select and copy the text
    };
    struct Started {
        QString program;
        QStringList arguments;
    };

    // Answers, taken one per question. An open or save dialog without a queued answer is
    // cancelled; a modal dialog without one is closed by its title bar.
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    std::deque<std::function<void(QDialog &)>> modalAnswers;

    // Called while a message box is shown, before the user would close it.
    std::function<void(const QString &)> onMessage;

    // When set, every browser opening and program start fails, as on a desktop without a
    // browser or with a launcher that gives up at once. The calls are still recorded.
    bool launchesFail = false;

    // What was shown or asked for, in order.
    QList<Shown> messages;
    QList<Shown> errors;
    QStringList openFolders;
    int saveQuestions = 0;
    int modalShowings = 0;
    QStringList clipboardTexts;
    QList<QUrl> browserUrls;
    QList<Started> programs;

    // Every message and error box text, in the order shown.
    [[nodiscard]] QStringList messageTexts() const;
    [[nodiscard]] QStringList errorTexts() const;

    void showMessage(QWidget *owner, const QString &text) override;
    void showError(QWidget *owner, const QString &text) override;
    void showCopyableMessage(QWidget *owner, const QString &text) override;
    std::optional<QString> askOpenPage(QWidget *owner, const QString &startFolder) override;
    std::optional<QString> askSavePage(QWidget *owner) override;
    int showModal(QDialog &dialog) override;
    void copyToClipboard(const QString &text, const QByteArray &bytes) override;
    bool openInBrowser(const QUrl &url) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
};

// A chooser answer: select form `number` (an option for 1 to 3, the list of later forms from 4
// on) and press Continue.
std::function<void(QDialog &)> chooseForm(int number);

} // namespace velmoraine::test
