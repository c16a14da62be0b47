// Where the script model "vlmodel.txt" is read from.
#pragma once

#include <string>
#include <string_view>

namespace velmoraine::rewrite {

inline constexpr std::string_view kModelFileName = "vlmodel.txt";

// The main directory followed by "vlmodel.txt". With an empty main directory the bare name
// in the current folder when it exists, else the copy in the program's data folder (beside
// the executable, or the installed share folder), else the bare name.
std::string modelPath(std::string_view mainDirectory);

} // namespace velmoraine::rewrite
