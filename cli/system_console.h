// The command line and the standard streams as the CLI uses them everywhere: arguments as UTF-8
// text and streams that pass bytes through unchanged. On Windows that means reading the UTF-16
// command line and turning off the streams' line-end translation; elsewhere nothing changes.
#pragma once

#include <string>
#include <vector>

namespace velmoraine::cli {

// The program's arguments (the program's name first) in UTF-8.
std::vector<std::string> commandLineArguments(int argc, char **argv);

// Makes stdout and stderr write bytes as given ("\n" stays "\n").
void useBinaryStreams();

} // namespace velmoraine::cli
