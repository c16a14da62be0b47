// The browser launcher that opens a saved page for testing: "dpbrowse.exe" of the sibling
// editor, expected in the main directory.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::launch {

inline constexpr std::string_view kBrowserLauncherName = "dpbrowse.exe";

struct LaunchCommand {
    std::string program;  // the main directory followed by "dpbrowse.exe"
    std::string argument; // the target: a web address unchanged, or a local path as one word

    // The command line "%sdpbrowse.exe %s": the program, one blank, the target.
    [[nodiscard]] std::string commandLine() const;
};

// True when the target is a web address for the launcher: it holds "http:" anywhere
// (case-sensitive). Any other target is a local path.
bool isWebTarget(std::string_view target);

// The launcher's command for `target`, with the main directory as a plain prefix.
LaunchCommand browserLaunchCommand(std::string_view mainDirectory, std::string_view target);

} // namespace velmoraine::launch
