#include "cli_run.h"

#include <cstdlib>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <string_view>

extern char **environ;

namespace velmoraine::clitest {

namespace fs = std::filesystem;

namespace {

// The parent's environment with the settings folder pointed at the test's own.
std::vector<std::string> childEnvironment(const fs::path &configHome) {
    std::vector<std::string> env;
    for (char **entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (text.starts_with("XDG_CONFIG_HOME=") || text.starts_with("HOME=")) {
            continue;
        }
        env.emplace_back(text);
    }
    env.push_back("XDG_CONFIG_HOME=" + configHome.string());
    env.push_back("HOME=" + configHome.string());
    return env;
}

// Tells on stderr which step of the child's start failed and why, for the test's message;
// with nothing allocated, as the child of a process with threads.
[[noreturn]] void childFailed(std::string_view step) {
    const char *reason = std::strerror(errno);
    for (const std::string_view piece : {std::string_view("cli_run: "), step, std::string_view(": "),
                                         std::string_view(reason), std::string_view("\n")}) {
        (void)!write(2, piece.data(), piece.size());
    }
    _exit(127);
}

std::vector<char *> pointers(std::vector<std::string> &texts) {
    std::vector<char *> out;
    for (std::string &text : texts) {
        out.push_back(text.data());
    }
    out.push_back(nullptr);
    return out;
}

} // namespace

void separateWarnings(const std::string &err, CliResult &result) {
    for (std::size_t at = 0; at < err.size();) {
        std::size_t end = err.find('\n', at);
        end = end == std::string::npos ? err.size() : end + 1;
        const std::string line = err.substr(at, end - at);
        if (line.starts_with("Warning: ")) {
            result.warnings.push_back(line.substr(0, line.size() - (line.ends_with('\n') ? 1 : 0)));
        } else {
            result.err += line;
        }
        at = end;
    }
}

CliResult runCli(const CliRun &run, std::optional<long> addressSpaceBytes, std::optional<unsigned> asUser) {
    const TempDir capture;
    const fs::path outPath = run.stdoutFile.value_or(capture.path() / "stdout");
    const fs::path errPath = capture.path() / "stderr";

    // VELMORAINE_CLI_UNDER_TEST names another build of the CLI to run the cases with (the
    // Windows one under Wine); the tree's own build otherwise.
    const char *underTest = std::getenv("VELMORAINE_CLI_UNDER_TEST");
    const std::string program = underTest != nullptr && *underTest != '\0' ? underTest : VELMORAINE_CLI;
    std::vector<std::string> argv{asUser ? readableCopy(program).string() : program};
    argv.insert(argv.end(), run.args.begin(), run.args.end());
    std::vector<std::string> env = childEnvironment(run.configHome.empty() ? capture.path() : run.configHome);
    std::vector<char *> argvPointers = pointers(argv);
    std::vector<char *> envPointers = pointers(env);
    const std::string workDir = run.workDir.empty() ? pagesDir().string() : run.workDir.string();
    const std::string outText = outPath.string();
    const std::string errText = errPath.string();
    const std::string entering = "entering " + workDir;
    const std::string starting = "starting " + argv[0];

    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outText.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errText.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(127);
        }
        if (addressSpaceBytes) {
            const auto limit = static_cast<rlim_t>(*addressSpaceBytes);
            const rlimit space{limit, limit};
            if (setrlimit(RLIMIT_AS, &space) != 0) {
                childFailed("setrlimit");
            }
        }
        if (asUser && (setgroups(0, nullptr) != 0 || setgid(*asUser) != 0 || setuid(*asUser) != 0)) {
            childFailed("becoming the other user");
        }
        // Entered as the user of the run, who must be able to reach it.
        if (chdir(workDir.c_str()) != 0) {
            childFailed(entering);
        }
        execve(argvPointers[0], argvPointers.data(), envPointers.data());
        childFailed(starting);
    }
    if (run.whileRunning) {
        run.whileRunning(child);
    }
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("wait failed");
        }
    }
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKilobytes = usage.ru_maxrss;
    if (!run.stdoutFile) {
        result.out = readFile(outPath);
    }
    separateWarnings(readFile(errPath), result);
    return result;
}

std::optional<unsigned> ordinaryUser() {
    constexpr unsigned kNobody = 65534;
    return geteuid() == 0 ? std::optional<unsigned>(kNobody) : std::nullopt;
}

void handOver(const fs::path &folder, std::optional<unsigned> user) {
    if (!user) {
        return;
    }
    const auto give = [&user](const fs::path &path) {
        if (lchown(path.c_str(), *user, *user) != 0) {
            throw std::runtime_error("cannot give " + path.string() + " to user " + std::to_string(*user));
        }
    };
    give(folder);
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(folder)) {
        give(entry.path());
    }
}

fs::path readableCopy(const fs::path &file) {
    static std::mutex mutex;
    static const TempDir folder;
    const std::lock_guard lock(mutex);
    constexpr fs::perms kEnterAndRead =
        fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(folder.path(), kEnterAndRead, fs::perm_options::add);
    const fs::path copy = folder.path() / file.filename();
    if (!fs::exists(copy)) {
        fs::copy_file(file, copy);
        const bool program = (fs::status(file).permissions() & fs::perms::owner_exec) != fs::perms::none;
        fs::permissions(copy, program ? kEnterAndRead : fs::perms::group_read | fs::perms::others_read,
                        fs::perm_options::add);
    }
    return copy;
}

fs::path pagesDir() { return fs::path(VELMORAINE_SOURCE_DIR) / "tests" / "cli" / "pages"; }

std::string readFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "velmoraine-cli-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

} // namespace velmoraine::clitest
