// velmoraine: the wizard that makes an HTML form work with the hosted form-processing service.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <QApplication>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>
#endif

#include "core/base/texts.h"
#include "gui/form_chooser.h"
#include "gui/main_window.h"
#include "gui/page_text.h"
#include "gui/pictures.h"
#include "gui/ui_services.h"

namespace {

// The command-line text: the arguments after the program's name, joined with single blanks.
std::string commandLineText(int argc, char **argv) {
#ifdef Q_OS_WIN
    // argv holds the arguments in the ANSI code page, which cannot hold every path; the core's
    // texts are UTF-8, so the arguments are taken from the system's UTF-16 command line.
    int count = 0;
    if (wchar_t **words = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        std::string text;
        for (int i = 1; i < count; ++i) {
            if (i > 1) {
                text.push_back(' ');
            }
            text.append(QString::fromWCharArray(words[i]).toStdString());
        }
        ::LocalFree(words);
        return text;
    }
#endif
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text.push_back(' ');
        }
        text.append(argv[i]);
    }
    return text;
}

// True when a window can be shown: a display, or a platform chosen on purpose.
bool haveDisplay(int argc, char **argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "-platform") {
            return true;
        }
    }
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    (void)argc;
    (void)argv;
    return true;
#endif
}

// Shows an error that escapes a handler in the standard error box; the program carries on.
class Application : public QApplication {
public:
    Application(int &argc, char **argv, velmoraine::gui::UiServices &ui) : QApplication(argc, argv), m_ui(ui) {}

    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            m_ui.showError(activeWindow(), velmoraine::gui::fromSystemText(error.what()));
        }
        return false;
    }

private:
    velmoraine::gui::UiServices &m_ui;
};

} // namespace

int main(int argc, char **argv) {
    using namespace velmoraine;

    const std::string commandLine = commandLineText(argc, argv);
    if (!haveDisplay(argc, argv)) {
        std::fputs("velmoraine: no display to show the wizard on.\n"
                   "Use velmoraine-cli instead: velmoraine-cli --help lists its commands.\n",
                   stderr);
        return EXIT_FAILURE;
    }

    gui::DesktopUiServices ui;
    Application app(argc, argv, ui);
    QApplication::setApplicationName(QStringLiteral("velmoraine"));
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("velmoraine"));

    try {
        TForm5 form5;
        TForm1 form1(ui, form5);
        if (form1.setUp(commandLine) == TForm1::SetUpOutcome::Quit) {
            return EXIT_SUCCESS;
        }
        form1.show();
        QApplication::exec();
    } catch (const std::exception &error) {
        ui.showError(nullptr, gui::fromSystemText(error.what()));
    }
    return EXIT_SUCCESS;
}
