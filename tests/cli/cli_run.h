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
// as that user and group, with no other groups (the superuser's tests only), from a copy of
// the binary that every user may start (readableCopy) and in a working folder that user must
// be able to enter.
CliResult runCli(const CliRun &run, std::optional<long> addressSpaceBytes = std::nullopt,
                 std::optional<unsigned> asUser = std::nullopt);

// The user for a run that permission bits must stop: none, for a run as this process's user,
// whom they stop already; for the superuser, whom they do not stop, user 65534 (nobody).
std::optional<unsigned> ordinaryUser();

// Gives `folder` and everything in it, links too, to `user`; nothing when there is no user.
void handOver(const std::filesystem::path &folder, std::optional<unsigned> user);

// A copy of `file` that every user may read (and start, when it is a program), in a folder
// under the system's temporary folder that every user may enter, made once per test process
// and file name:
// what a run as another user needs from the source or build tree, which may lie in a folder
// only its owner enters.
std::filesystem::path readableCopy(const std::filesystem::path &file);

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
