// The command lines of the help viewer and of the link launcher, composed from the main
// directory. The window decides whether a program is there to start; these only compose.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmoraine::launch {

// Help topics of the help file, by number.
inline constexpr int kHelpContents = 1000;     // the Help button, on every page
inline constexpr int kHelpInstructions = 1001; // page 1's context and page 3's tutorial link
inline constexpr int kHelpValidation = 1002;   // page 2's help link

inline constexpr std::string_view kHelpViewerName = "hh.exe";
inline constexpr std::string_view kLinkLauncherName = "kxbrws.exe";
inline constexpr std::string_view kLinkDataFileName = "qd.dat";
inline constexpr std::string_view kLinkUrlKey = "url";

// The classic launchers took their whole command line in a 300-character buffer.
inline constexpr std::size_t kClassicCommandLineLimit = 299;

// The service pages that the link launcher opens.
enum class Link { SignUp, Home };

// A program and the words it is started with. Nothing is quoted: a main directory with blanks
// stays inside its word, because the words are handed over one by one, never re-split.
struct Command {
    std::string program;
    std::vector<std::string> arguments;

    // The words joined by single blanks, as the command line reads: "hh.exe -mapid 1000 C:\App\velmoraine.chm".
    [[nodiscard]] std::string commandLine() const;

    // True when the command line would have fitted the classic buffer.
    [[nodiscard]] bool fitsClassicLimit() const { return commandLine().size() <= kClassicCommandLineLimit; }
};

// "hh.exe -mapid %d %s": the viewer, "-mapid", the topic number and the help file.
Command helpCommand(int topic, std::string_view helpFile);

// The link's section in the link data file: "vlsu" or "vlhome".
std::string_view linkKey(Link link);

// The service address stored for the link.
std::string_view linkAddress(Link link);

// The link data file: the main directory followed by "qd.dat".
std::string linkDataPath(std::string_view mainDirectory);

// "<main>kxbrws.exe DF9,<main>qd.dat,<key>": the launcher in the main directory and its one
// argument naming the link data file and the link's section.
Command linkCommand(std::string_view mainDirectory, Link link);

} // namespace velmoraine::launch
