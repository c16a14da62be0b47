// Where the script model "vlmodel.txt" is read from, and the check that it can serve.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmoraine::rewrite {

inline constexpr std::string_view kModelFileName = "vlmodel.txt";

// The text every model begins with: the begin marker by which a later run finds the block.
inline constexpr std::string_view kModelBeginLine = "<!-- VELMORAINE-BEGIN";

// The full path of the model to read. With a main directory: the main directory followed by
// "vlmodel.txt" when that file exists, else the copy installed with the program (the share
// folder beside the executable's folder). With an empty main directory: "vlmodel.txt" in the
// current folder, else the copy beside the executable, else the installed copy. When none
// exists, the first place looked at, made absolute, so that a message names it in full.
std::string modelPath(std::string_view mainDirectory);

// The same, for a program that runs from `programFolder` (empty when it cannot be told).
std::string modelPath(std::string_view mainDirectory, const std::filesystem::path &programFolder);

struct ModelRead {
    std::optional<std::string> text; // the model, whole; empty when it cannot serve
    std::string message;             // the system's message when it cannot
    bool fileError = false;          // the message is the file error "Cannot open file %s"
};

// Reads the model at `path` and checks that it begins with the begin marker: a model without
// it would write a block that no later run can remove.
ModelRead readModel(const std::string &path);

} // namespace velmoraine::rewrite
