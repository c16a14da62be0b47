// Whole-file reads and atomic writes of page bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmoraine::files {

// The whole file as bytes; nullopt when it cannot be opened or is not a readable file
// (a folder, for instance). Zero bytes are ordinary bytes.
std::optional<std::string> readWholeFile(const std::string &path);

// Writes `bytes` to `path` so that a failure never leaves a partial file: a temporary file
// in the same folder, flushed, then renamed over the target, which keeps its permissions.
// A symbolic link stays and its target is replaced. A target that exists and is not a
// regular file (a device, a pipe) is written in place. False on any failure, including a
// short write; the target is then as it was.
bool writeFileAtomically(const std::string &path, std::string_view bytes);

} // namespace velmoraine::files
