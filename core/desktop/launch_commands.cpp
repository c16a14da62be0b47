#include "core/desktop/launch_commands.h"

#include "core/base/service.h"

namespace velmoraine::launch {

namespace {
constexpr std::string_view kSignUpKey = "vlsu";
constexpr std::string_view kHomeKey = "vlhome";
constexpr std::string_view kLauncherMode = "DF9,";
} // namespace

// The launchers' own buffers held 299 characters, and a main directory over 135 characters
// would have cut the link command short. These commands grow with their parts instead and go
// to the program word by word, so a long main directory still starts the program whole.
std::string Command::commandLine() const {
    std::size_t size = program.size();
    for (const std::string &argument : arguments) {
        size += 1 + argument.size();
    }
    std::string line;
    line.reserve(size);
    line.append(program);
    for (const std::string &argument : arguments) {
        line.push_back(' ');
        line.append(argument);
    }
    return line;
}

Command helpCommand(int topic, std::string_view helpFile) {
    return Command{std::string(kHelpViewerName), {"-mapid", std::to_string(topic), std::string(helpFile)}};
}

std::string_view linkKey(Link link) { return link == Link::SignUp ? kSignUpKey : kHomeKey; }

std::string_view linkAddress(Link link) { return link == Link::SignUp ? service::kSignUpUrl : service::kHomeUrl; }

std::string linkDataPath(std::string_view mainDirectory) {
    std::string path;
    path.reserve(mainDirectory.size() + kLinkDataFileName.size());
    path.append(mainDirectory);
    path.append(kLinkDataFileName);
    return path;
}

Command linkCommand(std::string_view mainDirectory, Link link) {
    Command command;
    command.program.reserve(mainDirectory.size() + kLinkLauncherName.size());
    command.program.append(mainDirectory);
    command.program.append(kLinkLauncherName);
    const std::string_view key = linkKey(link);
    std::string argument;
    argument.reserve(kLauncherMode.size() + mainDirectory.size() + kLinkDataFileName.size() + 1 + key.size());
    argument.append(kLauncherMode);
    argument.append(linkDataPath(mainDirectory));
    argument.push_back(',');
    argument.append(key);
    command.arguments.push_back(std::move(argument));
    return command;
}

} // namespace velmoraine::launch
