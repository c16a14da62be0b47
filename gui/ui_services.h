// The window's only way to the desktop: message boxes, file dialogs, modal dialogs, the
// clipboard, the browser and other programs. The wizard runs with DesktopUiServices; the tests
// put a double in its place that answers from a queue and records what was asked.
#pragma once

#include <memory>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

class QDialog;
class QFileDialog;
class QMessageBox;
class QUrl;
class QWidget;

namespace velmoraine::gui {

// The file filter of the open and save dialogs.
QString pageFileFilter();

// The default suffix the save dialog adds to a name that has none.
inline constexpr char kDefaultPageSuffix[] = "htm";

// MIME type under which the clipboard also holds the page's exact bytes.
inline constexpr char kPageBytesMimeType[] = "application/x-velmoraine-page";

class UiServices {
public:
    UiServices() = default;
    UiServices(const UiServices &) = delete;
    UiServices &operator=(const UiServices &) = delete;
    virtual ~UiServices() = default;

    // A modal message owned by `owner`: the system's message title, one OK button, no icon.
    virtual void showMessage(QWidget *owner, const QString &text) = 0;

    // The same message box, with a text the user can select and copy: it names an address or a
    // path to open by hand.
    virtual void showCopyableMessage(QWidget *owner, const QString &text) = 0;

    // The standard error box: titled with the application title, error icon, one OK button.
    virtual void showError(QWidget *owner, const QString &text) = 0;

    // The open dialog for a page, starting in `startFolder`; it accepts a typed name of a file
    // that does not exist. Empty when cancelled.
    virtual std::optional<QString> askOpenPage(QWidget *owner, const QString &startFolder) = 0;

    // The save dialog for a page: the default suffix is added to a name without one, and an
    // existing file is replaced without a question. Empty when cancelled.
    virtual std::optional<QString> askSavePage(QWidget *owner) = 0;

    // Shows a dialog of the program modally and returns its result code.
    virtual int showModal(QDialog &dialog) = 0;

    // Puts the text on the clipboard, with the exact bytes beside it (left out when `bytes` is
    // null).
    virtual void copyToClipboard(const QString &text, const QByteArray &bytes) = 0;

    // Opens a web address or a local file in the user's default browser. False when that could
    // not be done: no opener to start, or one that gave up at once. Waits a moment at most.
    [[nodiscard]] virtual bool openInBrowser(const QUrl &url) = 0;

    // Starts a program with its arguments and leaves it to run on its own. False when it could
    // not be started, or ended at once with a failure.
    [[nodiscard]] virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
};

class DesktopUiServices final : public UiServices {
public:
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

// --- Launches that did not open ---

// What a launch was to open, for the message that says it could not.
enum class Unopened {
    WebAddress,       // a page of the service, or any other web address
    SavedPage,        // the saved page, for Test
    MissingSavedPage, // the saved page is no longer where it was saved
    HelpFile,         // the help file, in the platform's help viewer
};

// The message for a launch that did not open: what happened, what to do, and the address or
// path `where` alone on the last line, to be copied whole.
QString unopenedMessage(Unopened what, const QString &where);

// Tells the user, in a copyable message owned by `owner`, that `where` could not be opened.
void reportUnopened(UiServices &ui, QWidget *owner, Unopened what, const QString &where);

// --- The real dialogs, built apart so that their set-up can be checked without running them ---

std::unique_ptr<QMessageBox> makeMessageBox(QWidget *owner, const QString &text);
std::unique_ptr<QMessageBox> makeErrorBox(QWidget *owner, const QString &text);
// The message box with its text selectable by mouse and keyboard.
std::unique_ptr<QMessageBox> makeCopyableMessageBox(QWidget *owner, const QString &text);
std::unique_ptr<QFileDialog> makeOpenPageDialog(QWidget *owner, const QString &startFolder);
std::unique_ptr<QFileDialog> makeSavePageDialog(QWidget *owner);

// `path` with "." and the suffix appended when its file name has no suffix.
QString withDefaultSuffix(const QString &path, const QString &suffix);

// Writes the text and the bytes (unless null) to the system clipboard.
void writeClipboard(const QString &text, const QByteArray &bytes);

// Shows the wait cursor while it lives, and restores the cursor shown before on every way out.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace velmoraine::gui
