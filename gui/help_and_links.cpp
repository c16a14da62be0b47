// Help topics and the service's links, started from the Help button, the help links of pages
// 2 and 3, the sign-up link and the home links. Each handler opens its topic or address
// through the platform seam; when the viewer, the launcher or the browser cannot be started or
// gives up at once, a message says so and names the file or address, ready to be copied.
#include "gui/main_window.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

#include "core/base/profile.h"
#include "core/desktop/launch_commands.h"
#include "gui/help_window.h"
#include "gui/page_text.h"
#include "gui/ui_services.h"

namespace velmoraine {

namespace {

QStringList argumentsOf(const launch::Command &command) {
    QStringList arguments;
    for (const std::string &argument : command.arguments) {
        arguments.append(gui::fromNativePath(argument));
    }
    return arguments;
}

// The platform's help viewer where it is installed (on the search path under its own name);
// otherwise, and when the viewer fails, the wizard's own help window.
void openHelpTopic(QWidget *owner, gui::UiServices &ui, const std::string &helpFile, int topic) {
    const launch::Command command = launch::helpCommand(topic, helpFile);
    const QString viewer = QStandardPaths::findExecutable(gui::fromNativePath(command.program));
    if (!viewer.isEmpty()) {
        if (ui.startProgram(viewer, argumentsOf(command))) {
            return;
        }
        gui::reportUnopened(ui, owner, gui::Unopened::HelpFile, gui::fromNativePath(helpFile));
    }
    HelpWindow::showTopic(owner, ui, topic);
}

// The address goes into the link data file first. A file that cannot be written starts the
// launcher all the same, which then reads whatever the file holds. With an empty main
// directory the file is named bare and lands in the configuration folder, like every profile
// file named so. Where the launcher is not installed the default browser opens the address.
// Either way, an address that did not open is shown for the user to copy.
void openLink(QWidget *owner, gui::UiServices &ui, const std::string &mainDirectory, launch::Link link) {
    profile::writeString(launch::linkKey(link), launch::kLinkUrlKey, launch::linkAddress(link),
                         launch::linkDataPath(mainDirectory));
    const launch::Command command = launch::linkCommand(mainDirectory, link);
    const QFileInfo launcher(gui::fromNativePath(command.program));
    const QString address = gui::fromSystemText(launch::linkAddress(link));
    const bool opened = launcher.isFile() && launcher.isExecutable()
                            ? ui.startProgram(launcher.absoluteFilePath(), argumentsOf(command))
                            : ui.openInBrowser(QUrl(address));
    if (!opened) {
        gui::reportUnopened(ui, owner, gui::Unopened::WebAddress, address);
    }
}

} // namespace

// Help button: topic 1000 on every page.
void TForm1::SpeedButton3Click() { openHelpTopic(this, m_ui, m_startup.helpFile, launch::kHelpContents); }

// Page 2's help link: topic 1002.
void TForm1::Label59Click() { openHelpTopic(this, m_ui, m_startup.helpFile, launch::kHelpValidation); }

// Page 3's tutorial link: topic 1001.
void TForm1::Label60Click() { openHelpTopic(this, m_ui, m_startup.helpFile, launch::kHelpInstructions); }

// The sign-up link: Label34, and Continue when it refuses an account ID.
void TForm1::Label30Click() { openLink(this, m_ui, m_startup.mainDirectory, launch::Link::SignUp); }

// The home link: Label62 on page 1 and Label54 on page 3.
void TForm1::Label54Click() { openLink(this, m_ui, m_startup.mainDirectory, launch::Link::Home); }

} // namespace velmoraine
