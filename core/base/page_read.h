// Page reads: a whole file as bytes, or held (mapped when large) for the command line, and
// the stamps that tell later whether a file still holds the bytes read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/file_lock.h"
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

} // namespace velmoraine::files
