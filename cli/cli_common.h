// What the commands of velmoraine-cli share: the exit codes, the messages on stderr, the results
// on stdout, and the page read and scanned as the wizard reads it.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "core/base/files.h"
#include "core/run/page_scan.h"

namespace velmoraine::cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,   // a one-line hint on stderr
    kExitFile = 2,    // a file cannot be opened or created
    kExitRefused = 3, // the page or the rules refused, with the system's message
};

// Writes the pieces exactly, in order; false on a short write or when the stream reports an
// error.
bool writeStream(std::FILE *stream, std::span<const std::string_view> pieces);
bool writeStream(std::FILE *stream, std::string_view bytes);

// The message as one line on stderr.
void printMessage(std::string_view message);

// Prints the system's message; gives kExitRefused.
int refuse(std::string_view message);

// Prints that the file cannot be opened; gives kExitFile.
int cannotOpen(std::string_view path);

// Prints that a write of the page failed, with the system's reason and where a complete copy
// was left; gives kExitFile.
int cannotWrite(std::string_view path, const files::WriteResult &result);

// Writes the result to stdout: kExitOk, or standardOutputFailed's code once it is printed.
int emit(std::string_view bytes);

// Prints "velmoraine-cli COMMAND: HINT ..." as one line on stderr and gives kExitUsage.
int usageError(std::string_view command, std::string_view hint);

// Prints that stdout could not be written (a full disk, a closed pipe); gives kExitFile.
int standardOutputFailed();

// Prints that the page does not fit in the memory the process may have; gives kExitFile.
int notEnoughMemory(std::string_view page);

// Reads the page as FileBytes, held with `lock`, and scans it (run::scanPageFile), the chooser
// answering `choose`. kExitOk, or the exit code after the message has been printed: the page's
// refusal, or a usage error of `command` for a --choose the page does not list.
int readAndScan(std::string_view command, const std::string &path, int choose, run::PageScan &page,
                files::PageLock lock = files::PageLock::None);

} // namespace velmoraine::cli
