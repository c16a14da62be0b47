#include "core/desktop/browser_launch.h"

namespace velmoraine::launch {

std::string LaunchCommand::commandLine() const {
    std::string line;
    line.reserve(program.size() + 1 + argument.size());
    line.append(program);
    line.push_back(' ');
    line.append(argument);
    return line;
}

bool isWebTarget(std::string_view target) { return target.find("http:") != std::string_view::npos; }

LaunchCommand browserLaunchCommand(std::string_view mainDirectory, std::string_view target) {
    LaunchCommand command;
    command.program.reserve(mainDirectory.size() + kBrowserLauncherName.size());
    command.program.append(mainDirectory);
    command.program.append(kBrowserLauncherName);
    command.argument = std::string(target);
    return command;
}

} // namespace velmoraine::launch
