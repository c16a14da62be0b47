// Whole-file reads and atomic writes of page bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

    // True when the file was written to since it was opened (its size or time differ), so
    // the bytes may mix its old and new contents.
    [[nodiscard]] bool changedSinceRead() const noexcept;

    // Gives the memory back now; the bytes are then empty.
    void release() noexcept;

private:
    friend std::optional<FileBytes> readFileBytes(const std::string &path, const ShortenedFileExit &onShortened);

    char *m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;
    int m_fd = -1; // kept open for changedSinceRead
    long long m_stamp[3] = {}; // size and modification time when opened
};

// The whole file as readWholeFile reads it, with the same answers, into FileBytes.
// A mapped file that another program shortens while it is in use cannot give the bytes past
// its new end: reading one of them ends the process at once with `onShortened`'s message on
// stderr and its exit code. A temporary file that writeFileAtomically is writing at that time
// is removed first, so the target stays as it was and nothing is left beside it.
std::optional<FileBytes> readFileBytes(const std::string &path, const ShortenedFileExit &onShortened);

// Writes `bytes` to `path` so that a failure never leaves a partial file: a temporary file
// in the same folder, flushed, then renamed over the target, which keeps its permissions.
// A symbolic link stays and its target is replaced. A target that exists and is not a
// regular file (a device, a pipe) is written in place. False on any failure, including a
// short write; the target is then as it was.
bool writeFileAtomically(const std::string &path, std::string_view bytes);

// The same for a text given as pieces that are written one after the other.
bool writeFileAtomically(const std::string &path, std::span<const std::string_view> pieces);

} // namespace velmoraine::files
