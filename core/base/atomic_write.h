// Atomic writes of page bytes: a failure never leaves a partial file, and the page keeps its
// links, rights, owner and attributes.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/base/page_read.h"

namespace velmoraine::files {

struct WriteOptions {
    // Write only while the target holds exactly these bytes, checked under the lock that
    // readFileBytes takes: a page another program saved meanwhile is left alone.
    std::optional<ContentStamp> onlyIfHolding{};
    // True while the page that the new bytes were made from is still as it was read. Asked
    // once the last byte is written and before the new file takes the target's name: bytes
    // written from a page that another program changed meanwhile may mix its old and new
    // contents, so they are not committed (Outcome::SourceChanged).
    std::function<bool()> sourceUnchanged{};
};

// How a write ended. A failure leaves the target as it was, except after a write through the
// existing file (see writeFileAtomically) that failed half-way: `keptCopy` then names the
// complete copy of the new bytes that stays beside it. A device or a pipe has taken the bytes
// before SourceChanged is known; every other target is left as it was.
struct WriteResult {
    enum class Outcome { Written, Failed, TargetChanged, SourceChanged };
    Outcome outcome = Outcome::Written;
    std::string reason;   // the system's reason ("No space left on device"); may be empty
    std::string keptCopy; // the complete new file left behind, if any
    explicit operator bool() const noexcept { return outcome == Outcome::Written; }
};

// Writes `bytes` to `path` so that a failure never leaves a partial file: a new file in the
// same folder, flushed, then renamed over the target, which keeps its permissions,
// owner, group, access control list and extended attributes. Where a rename cannot keep them
// (another owner, several hard links, attributes the writer may not set), the complete
// temporary file is copied through the existing file instead, so every name of it shows the
// new bytes. A symbolic link stays and its target is replaced; a link that another user
// planted in a sticky, world-writable folder (such as /tmp) is refused, as the system refuses
// to open it. A target that exists and is not a regular file (a device, a pipe) is written in
// place. A target that the writer may not write (a read-only page) is refused.
// Where the file system allows, the new file has no name until it is complete (O_TMPFILE):
// a process that dies before then, however it dies, leaves nothing in the folder, since the
// system frees an unnamed file when its last descriptor closes. It is then linked in under the
// target's name, or under a temporary name that is at once renamed over the target. Elsewhere
// the new file is a temporary file from the start, and Ctrl-C, SIGTERM and SIGHUP during the
// write remove it before the process ends; only a kill that cannot be caught leaves it.
WriteResult writeFileAtomically(const std::string &path, std::string_view bytes, const WriteOptions &options = {});

// The same for a text given as pieces that are written one after the other.
WriteResult writeFileAtomically(const std::string &path, std::span<const std::string_view> pieces,
                                const WriteOptions &options = {});

// The system's description of an error number, in English whatever the locale ("error N" for
// a number it does not know).
std::string systemReason(int error);

} // namespace velmoraine::files
