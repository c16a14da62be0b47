// Runs the real velmoraine-cli binary for the end-to-end tests.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace velmoraine::clitest {

struct CliResult {
    int exitCode = -1;                 // -1 when the process did not exit normally
    std::string out;                   // stdout, unless it went to a file
    std::string err;                   // stderr without the warning lines
    std::vector<std::string> warnings; // the lines of stderr that begin "Warning: "
    long peakKilobytes = 0;            // the child's peak resident size
};

struct CliRun {
    std::vector<std::string> args;                   // after the program name
    std::filesystem::path workDir;                   // the child's current folder
    std::filesystem::path configHome;                // XDG_CONFIG_HOME (and HOME) of the child
    std::optional<std::filesystem::path> stdoutFile; // send stdout there instead of capturing it
    std::function<void(pid_t)> whileRunning{};       // called with the child's id once it runs
};

// Puts the lines of `err` that begin "Warning: " (the author's warnings) into result.warnings
// and the rest into result.err, so a case that is not about warnings sees only what it expects.
void separateWarnings(const std::string &err, CliResult &result);

// Runs the command; `addressSpaceBytes` limits the memory the child may map; `asUser` runs it
// as that user and group, with no other groups (the superuser's tests only).
CliResult runCli(const CliRun &run, std::optional<long> addressSpaceBytes = std::nullopt,
                 std::optional<unsigned> asUser = std::nullopt);

// The folder of the test pages; the CLI runs there unless CliRun::workDir says otherwise.
std::filesystem::path pagesDir();

std::string readFile(const std::filesystem::path &path);
void writeFile(const std::filesystem::path &path, const std::string &bytes);

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    [[nodiscard]] const std::filesystem::path &path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace velmoraine::clitest
