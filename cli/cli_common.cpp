#include "cli/cli_common.h"

#include <algorithm>
#include <vector>

#include "core/base/texts.h"

namespace velmoraine::cli {

namespace {

// What "Cannot create file %s" names when stdout cannot be written.
constexpr std::string_view kStandardOutputName = "(standard output)";

// The chooser's first option is always there, even when no tag text could be shown.
bool listed(int choose, const std::vector<std::string> &tagTexts) {
    return choose == 1 || static_cast<std::size_t>(choose) <= tagTexts.size();
}

// The --choose that the page's forms do not allow; kExitOk when it is one of them.
int checkChoice(std::string_view command, int choose, const scan::ScanResult &result) {
    if (result.severalForms && !listed(choose, result.tagTexts)) {
        return usageError(command, "--choose " + std::to_string(choose) + ": the page lists " +
                                       std::to_string(result.tagTexts.size()) + " forms");
    }
    if (!result.severalForms && choose != 1) {
        return usageError(command, "--choose " + std::to_string(choose) + ": the page has one form");
    }
    return kExitOk;
}

} // namespace

bool writeStream(std::FILE *stream, std::span<const std::string_view> pieces) {
    for (std::string_view bytes : pieces) {
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
            return false;
        }
    }
    return std::fflush(stream) == 0 && std::ferror(stream) == 0;
}

bool writeStream(std::FILE *stream, std::string_view bytes) {
    const std::string_view whole[] = {bytes};
    return writeStream(stream, std::span<const std::string_view>(whole));
}

void printMessage(std::string_view message) {
    std::string line(message);
    line.push_back('\n');
    writeStream(stderr, line);
}

int refuse(std::string_view message) {
    printMessage(message);
    return kExitRefused;
}

int cannotOpen(std::string_view path) {
    printMessage(texts::fill(texts::kCannotOpenFile, path));
    return kExitFile;
}

int cannotWrite(std::string_view path, const files::WriteResult &result) {
    printMessage(texts::cannotCreateText(path, result.reason, result.keptCopy));
    return kExitFile;
}

int emit(std::string_view bytes) { return writeStream(stdout, bytes) ? kExitOk : standardOutputFailed(); }

int usageError(std::string_view command, std::string_view hint) {
    const std::string program = command.empty() ? "velmoraine-cli" : "velmoraine-cli " + std::string(command);
    std::string line = program + ": " + std::string(hint) + " (see " + program + " --help)";
    std::replace(line.begin(), line.end(), '\n', ' ');
    printMessage(line);
    return kExitUsage;
}

int standardOutputFailed() {
    printMessage(texts::fill(texts::kCannotCreateFile, kStandardOutputName));
    return kExitFile;
}

int notEnoughMemory(std::string_view page) {
    printMessage("Not enough memory to work on " + std::string(page));
    return kExitFile;
}

int readAndScan(std::string_view command, const std::string &path, int choose, run::PageScan &page,
                files::PageLock lock) {
    run::PageRead read;
    read.holding = run::PageRead::Holding::FileBytes;
    read.lock = lock;
    // A page shortened by another program while it is mapped cannot be read to its end.
    read.onShortened = {texts::fill(texts::kCannotOpenFile, path), kExitFile};
    page = run::scanPageFile(
        path,
        [choose](std::string_view, const std::vector<std::string> &tagTexts) {
            return listed(choose, tagTexts) ? choose : 1;
        },
        read);
    switch (page.refusal) {
    case run::PageRefusal::None: return checkChoice(command, choose, page.result);
    case run::PageRefusal::CannotOpen: printMessage(page.message); return kExitFile;
    case run::PageRefusal::UnsupportedEncoding:
    case run::PageRefusal::NoForm: return refuse(page.message);
    }
    return kExitRefused;
}

} // namespace velmoraine::cli
