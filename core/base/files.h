// Whole-file reads and atomic writes of page bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/base/platform_files.h"

namespace velmoraine::files {

// The whole file as bytes; nullopt when it cannot be opened or is not a readable file
// (a folder, for instance). Zero bytes are ordinary bytes.
std::optional<std::string> readWholeFile(const std::string &path);

// How the process ends when a mapped file was shortened under it (see readFileBytes).
struct ShortenedFileExit {
    std::string message; // one line, written to stderr as it stands
    int exitCode = 1;
};

// How a page is held while it is read and worked on.
enum class PageLock {
    None,      // read only: other programs may change it meanwhile (changedSinceRead tells)
    Exclusive, // an advisory lock from reading to the rename of the new page, against a second
               // writer that locks too (another run of the command line over the same page)
};

// A file's bytes for the command line, which reads a page, searches it and never changes it.
// A large file is mapped: its bytes stay where the system caches them, so a page of a hundred
// megabytes is neither copied nor given fresh memory. A smaller one is read into memory that
// was not cleared first. Move-only.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(FileBytes &&other) noexcept;
    FileBytes &operator=(FileBytes &&other) noexcept;
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;
    ~FileBytes();

    [[nodiscard]] std::string_view view() const noexcept { return {m_data, m_size}; }

    // True when the file was written to since it was opened (its size or time differ, or, for
    // a page read into memory, its bytes on disk are no longer the ones read), so the bytes may
    // mix its old and new contents.
    [[nodiscard]] bool changedSinceRead() const noexcept;

    // Gives the memory back now; the bytes are then empty.
    void release() noexcept;

private:
    friend std::optional<FileBytes> readFileBytes(const std::string &path, const ShortenedFileExit &onShortened,
                                                  PageLock lock);
    [[nodiscard]] bool sameBytesOnDisk() const noexcept;

    const char *m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;
    platform::File m_file;     // kept open for changedSinceRead and for the lock
    long long m_stamp[3] = {}; // size and modification time when opened
};

// The whole file as readWholeFile reads it, with the same answers, into FileBytes.
// A mapped file that another program shortens while it is in use cannot give the bytes past
// its new end: reading one of them ends the process at once with `onShortened`'s message on
// stderr and its exit code. A temporary file that writeFileAtomically is writing at that time
// is removed first, so the target stays as it was and nothing is left beside it.
// With PageLock::Exclusive the call waits for the lock, and reads the file that holds the
// name once it has it (a writer that held it may have renamed a new file over the name).
std::optional<FileBytes> readFileBytes(const std::string &path, const ShortenedFileExit &onShortened,
                                       PageLock lock = PageLock::None);

// ---------------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------------

// A fingerprint of a file's bytes, to tell later whether the file still holds them.
struct ContentStamp {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const ContentStamp &) const = default;
};
ContentStamp stampOf(std::string_view bytes);

// The stamp of what the file holds now, read a piece at a time; nullopt when it cannot be read.
std::optional<ContentStamp> stampOfFile(const std::string &path);

// True when both paths name the same existing file (through links, too).
bool sameFile(const std::string &first, const std::string &second);

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
