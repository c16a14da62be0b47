#include "gui/ui_services.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QUrl>

#include "core/base/texts.h"
#include "gui/page_text.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <string>

#include <QDir>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>
#endif

namespace velmoraine::gui {

QString pageFileFilter() { return QStringLiteral("HTML Files (*.htm* *.php *.asp)"); }

// --- Dialog builders ---

namespace {

// Room the window manager takes beside the caption: the icon, the title buttons and margins.
constexpr int kTitleBarExtras = 128;

// A short message would give a box narrower than its caption, which the window manager then
// cuts; a spacer across the box's grid keeps it as wide as the caption in a bold title font.
void keepCaptionWhole(QMessageBox &box) {
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
}

} // namespace

std::unique_ptr<QMessageBox> makeMessageBox(QWidget *owner, const QString &text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, fromSystemText(texts::kMessageTitle), text,
                                             QMessageBox::Ok, owner);
    keepCaptionWhole(*box);
    // Messages hold tag names such as "<FORM>": never read them as markup.
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

std::unique_ptr<QMessageBox> makeErrorBox(QWidget *owner, const QString &text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, fromSystemText(texts::kApplicationTitle), text,
                                             QMessageBox::Ok, owner);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

std::unique_ptr<QMessageBox> makeCopyableMessageBox(QWidget *owner, const QString &text) {
    auto box = makeMessageBox(owner, text);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box;
}

std::unique_ptr<QFileDialog> makeOpenPageDialog(QWidget *owner, const QString &startFolder) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString(), startFolder, pageFileFilter());
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile: a typed name of a file that does not exist is accepted, and the scan reports it.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}

std::unique_ptr<QFileDialog> makeSavePageDialog(QWidget *owner) {
    auto dialog = std::make_unique<QFileDialog>(owner, QString(), QString(), pageFileFilter());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(QString::fromLatin1(kDefaultPageSuffix));
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setWindowModality(Qt::ApplicationModal);
    return dialog;
}

QString withDefaultSuffix(const QString &path, const QString &suffix) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) {
        return path;
    }
    return path + u'.' + suffix;
}

void writeClipboard(const QString &text, const QByteArray &bytes) {
    auto *data = new QMimeData;
    data->setText(text);
    if (!bytes.isNull()) {
        data->setData(QString::fromLatin1(kPageBytesMimeType), bytes);
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

// --- The desktop ---

void DesktopUiServices::showMessage(QWidget *owner, const QString &text) { makeMessageBox(owner, text)->exec(); }

void DesktopUiServices::showError(QWidget *owner, const QString &text) { makeErrorBox(owner, text)->exec(); }

void DesktopUiServices::showCopyableMessage(QWidget *owner, const QString &text) {
    makeCopyableMessageBox(owner, text)->exec();
}

std::optional<QString> DesktopUiServices::askOpenPage(QWidget *owner, const QString &startFolder) {
    const auto dialog = makeOpenPageDialog(owner, startFolder);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog->selectedFiles().constFirst();
}

std::optional<QString> DesktopUiServices::askSavePage(QWidget *owner) {
    const auto dialog = makeSavePageDialog(owner);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // A desktop's own dialog may not honour the default suffix: add it here as well.
    return withDefaultSuffix(dialog->selectedFiles().constFirst(), QString::fromLatin1(kDefaultPageSuffix));
}

int DesktopUiServices::showModal(QDialog &dialog) { return dialog.exec(); }

void DesktopUiServices::copyToClipboard(const QString &text, const QByteArray &bytes) { writeClipboard(text, bytes); }

// --- Starting programs ---

namespace {

#ifdef Q_OS_UNIX

// How long a started program is watched. One that ends within it with a failure has opened
// nothing: xdg-open without a browser ends so in a few hundredths of a second. The click waits
// this long at most, and only while the program runs on; what fails later is the program's own
// to show.
constexpr int kWatchMilliseconds = 300;
constexpr int kWatchStepMilliseconds = 10;

// In the watching process: 0 when `started` still runs at the end of the watch or has ended
// well, 1 when it has ended with a failure (an exit status other than 0, or a signal). Only
// calls that are safe between fork and exit.
int watch(pid_t started) {
    const timespec step{0, kWatchStepMilliseconds * 1000 * 1000};
    for (int waited = 0; waited < kWatchMilliseconds; waited += kWatchStepMilliseconds) {
        int status = 0;
        const pid_t ended = ::waitpid(started, &status, WNOHANG);
        if (ended == started) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
        }
        if (ended < 0 && errno != EINTR) {
            return 0;
        }
        ::nanosleep(&step, nullptr);
    }
    return 0;
}

// Starts the program as QProcess::startDetached does (in a session of its own, through an
// intermediate process, so that it is no child of the wizard and outlives it), with one step
// more: the intermediate process watches it for a moment and passes on how it ended. A program
// that cannot be run reports its error number through `report`, which closes by itself when
// the program does run.
bool startWatched(const QString &program, const QStringList &arguments) {
    const QString path = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        return false;
    }
    // Everything the processes below need is made before they are forked.
    std::vector<QByteArray> words{QFile::encodeName(path)};
    for (const QString &argument : arguments) {
        words.push_back(QFile::encodeName(argument));
    }
    std::vector<char *> argv;
    for (QByteArray &word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    // The program starts with the default SIGPIPE action, which the wizard's may not be.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);

    int report[2] = {-1, -1};
    if (::pipe(report) != 0) {
        return false;
    }
    ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
    const pid_t watcher = ::fork();
    if (watcher == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t started = ::fork();
        if (started == 0) {
            ::sigaction(SIGPIPE, &defaultAction, nullptr);
            ::execv(argv[0], argv.data());
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::close(report[1]);
        ::_exit(started < 0 ? 1 : watch(started));
    }
    ::close(report[1]);
    int error = 0;
    ssize_t got = 0;
    if (watcher > 0) {
        do {
            got = ::read(report[0], &error, sizeof error);
        } while (got < 0 && errno == EINTR);
    }
    ::close(report[0]);
    if (watcher < 0) {
        return false;
    }
    int status = 0;
    pid_t ended = 0;
    do {
        ended = ::waitpid(watcher, &status, 0);
    } while (ended < 0 && errno == EINTR);
    if (got != 0) {
        return false; // the program could not be run
    }
    // A watcher reaped by someone else leaves nothing to go by: the program did start.
    return ended != watcher || (WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

#endif

#ifdef Q_OS_WIN

// How long a started program is watched, as on Linux: one that ends within it with a failure
// has opened nothing. The click waits this long at most, and only while the program runs on.
constexpr DWORD kWatchMilliseconds = 300;

// One argument as the programs' start-up code splits the command line: in double quotes when
// it is empty or holds a blank or a quote, with a quote and the backslashes before one (or
// before the closing quote) escaped by backslashes.
std::wstring quotedArgument(const QString &word) {
    const std::wstring text = word.toStdWString();
    if (!text.empty() && text.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return text;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

// Starts the program on its own (no console, a process group of its own, so that it outlives
// the wizard) and watches it for a moment: false when it cannot be started, or when it ends
// within the watch with an exit code other than 0; true while it runs on or when it ended well.
bool startWatched(const QString &program, const QStringList &arguments) {
    const bool hasFolder = program.contains(u'/') || program.contains(u'\\');
    const QString path = hasFolder ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        return false;
    }
    const std::wstring application = QDir::toNativeSeparators(path).toStdWString();
    // The program's own word is quoted only: its backslashes are a path's, never escapes.
    std::wstring commandLine = L"\"" + application + L"\"";
    for (const QString &argument : arguments) {
        commandLine.push_back(L' ');
        commandLine.append(quotedArgument(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                          DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    bool started = true;
    if (::WaitForSingleObject(process.hProcess, kWatchMilliseconds) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        // An exit code that cannot be read leaves nothing to go by: the program did start.
        started = !::GetExitCodeProcess(process.hProcess, &exitCode) || exitCode == 0;
    }
    ::CloseHandle(process.hProcess);
    return started;
}

// Opens an address or a file with the program the system has for it (the default browser for a
// web address and a page). ShellExecuteW says whether that program could be started, which
// Qt's openUrl does not pass on in every case.
bool openWithShell(const QUrl &url) {
    const QString target =
        url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : QString::fromLatin1(url.toEncoded());
    const std::wstring wide = target.toStdWString();
    const auto result =
        reinterpret_cast<INT_PTR>(::ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

#endif

} // namespace

bool DesktopUiServices::openInBrowser(const QUrl &url) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt hands the address to xdg-open where that is installed, and never learns how it ended:
    // without a browser it ends at once with an error. The same program with the same word is
    // started here, and watched.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
        const WaitCursor wait;
        return startWatched(opener, {QString::fromLatin1(url.toEncoded())});
    }
#elif defined(Q_OS_WIN)
    const WaitCursor wait;
    return openWithShell(url);
#endif
    return QDesktopServices::openUrl(url);
}

bool DesktopUiServices::startProgram(const QString &program, const QStringList &arguments) {
#if defined(Q_OS_UNIX) || defined(Q_OS_WIN)
    const WaitCursor wait;
    return startWatched(program, arguments);
#else
    return QProcess::startDetached(program, arguments);
#endif
}

// --- Launches that did not open ---

QString unopenedMessage(Unopened what, const QString &where) {
    QString text;
    switch (what) {
    case Unopened::WebAddress:
        text = QStringLiteral("Velmoraine could not open this address in a web browser. Copy the address and open it "
                              "in your browser yourself:");
        break;
    case Unopened::SavedPage:
        text = QStringLiteral("Velmoraine could not open your saved page in a web browser. Copy its path and open it "
                              "in your browser yourself:");
        break;
    case Unopened::MissingSavedPage:
        text = QStringLiteral("Velmoraine cannot test your page: the saved file is no longer there. Save the page "
                              "again, then press Test. It was saved as:");
        break;
    case Unopened::HelpFile:
        text = QStringLiteral("Velmoraine could not open its help file in the help viewer, so the wizard's own help "
                              "shows the topic instead. The help file is:");
        break;
    }
    return text + QStringLiteral("\n\n") + where;
}

void reportUnopened(UiServices &ui, QWidget *owner, Unopened what, const QString &where) {
    ui.showCopyableMessage(owner, unopenedMessage(what, where));
}

// --- Wait cursor ---

WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

} // namespace velmoraine::gui
