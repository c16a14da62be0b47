#include "recording_ui.h"

#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace velmoraine::test {

namespace {

QStringList textsOf(const QList<RecordingUi::Shown> &shown) {
    QStringList texts;
    for (const auto &box : shown) {
        texts.append(box.text);
    }
    return texts;
}

} // namespace

QStringList RecordingUi::messageTexts() const { return textsOf(messages); }

QStringList RecordingUi::errorTexts() const { return textsOf(errors); }

void RecordingUi::showMessage(QWidget *owner, const QString &text) {
    messages.append({owner, text});
    if (onMessage) {
        onMessage(text);
    }
}

void RecordingUi::showError(QWidget *owner, const QString &text) { errors.append({owner, text}); }

// Recorded with the messages. Whether the text can be selected is read from the box the desktop
// would show.
void RecordingUi::showCopyableMessage(QWidget *owner, const QString &text) {
    const Qt::TextInteractionFlags copyable = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
    const auto box = gui::makeCopyableMessageBox(owner, text);
    messages.append({owner, box->text(), (box->textInteractionFlags() & copyable) == copyable});
    if (onMessage) {
        onMessage(text);
    }
}

std::optional<QString> RecordingUi::askOpenPage(QWidget * /*owner*/, const QString &startFolder) {
    openFolders.append(startFolder);
    if (openAnswers.empty()) {
        return std::nullopt;
    }
    std::optional<QString> answer;
    answer.swap(openAnswers.front());
    openAnswers.pop_front();
    return answer;
}

std::optional<QString> RecordingUi::askSavePage(QWidget * /*owner*/) {
    ++saveQuestions;
    if (saveAnswers.empty()) {
        return std::nullopt;
    }
    auto answer = saveAnswers.front();
    saveAnswers.pop_front();
    // As the real dialog does: a name without a suffix gains the default one.
    return answer ? std::optional<QString>(gui::withDefaultSuffix(*answer, QStringLiteral("htm"))) : answer;
}

// The dialog is shown without a loop of its own; the queued answer works its controls, and a
// dialog still open afterwards is closed as by its title bar.
int RecordingUi::showModal(QDialog &dialog) {
    ++modalShowings;
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (!modalAnswers.empty()) {
        auto answer = std::move(modalAnswers.front());
        modalAnswers.pop_front();
        answer(dialog);
    }
    if (dialog.isVisible()) {
        dialog.close();
    }
    return dialog.result();
}

void RecordingUi::copyToClipboard(const QString &text, const QByteArray &bytes) {
    clipboardTexts.append(text);
    gui::writeClipboard(text, bytes);
}

bool RecordingUi::openInBrowser(const QUrl &url) {
    browserUrls.append(url);
    return !launchesFail;
}

bool RecordingUi::startProgram(const QString &program, const QStringList &arguments) {
    programs.append({program, arguments});
    return !launchesFail;
}

std::function<void(QDialog &)> chooseForm(int number) {
    return [number](QDialog &dialog) {
        if (number <= 3) {
            auto *option = dialog.findChild<QRadioButton *>(QStringLiteral("Opt%1").arg(number));
            QVERIFY(option != nullptr);
            QVERIFY(option->isVisible());
            QTest::mouseClick(option, Qt::LeftButton);
        } else {
            // A later form: down its list from form 4, as the keyboard picks it (a pick there
            // selects the option of the later forms; form 4 is the first entry).
            auto *list = dialog.findChild<QComboBox *>(QStringLiteral("ComboMoreForms"));
            QVERIFY(list != nullptr);
            QVERIFY(list->isVisible());
            list->setFocus();
            QTest::keyClick(list, Qt::Key_Home);
            for (int form = 4; form < number; ++form) {
                QTest::keyClick(list, Qt::Key_Down);
            }
            if (number == 4) {
                QTest::mouseClick(dialog.findChild<QRadioButton *>(QStringLiteral("OptMore")), Qt::LeftButton);
            }
            QVERIFY(dialog.findChild<QRadioButton *>(QStringLiteral("OptMore"))->isChecked());
        }
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
    };
}

} // namespace velmoraine::test
