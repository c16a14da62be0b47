// Whole-file reads and atomic writes of page bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmoraine::files {

// The whole file as bytes; nullopt when it cannot be opened or is not a readable file
// (a folder, for instance). Zero bytes are ordinary bytes.
std::optional<std::string> readWholeFile(const std::string &path);

// A file's bytes in memory that was not cleared before the read wrote it, so that a page of a
// hundred megabytes is written into memory once, not twice. Move-only; for the pages the
// command line reads, searches and never changes.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(FileBytes &&other) noexcept;
    FileBytes &operator=(FileBytes &&other) noexcept;
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;
    ~FileBytes();

    [[nodiscard]] std::string_view view() const noexcept { return {m_data, m_size}; }

    // Gives the memory back now; the bytes are then empty.
    void release() noexcept;

private:
    friend std::optional<FileBytes> readFileBytes(const std::string &path);

    char *m_data = nullptr;
    std::size_t m_size = 0;
};

// The whole file as readWholeFile reads it, with the same answers, into FileBytes.
std::optional<FileBytes> readFileBytes(const std::string &path);

// Writes `bytes` to `path` so that a failure never leaves a partial file: a temporary file
// in the same folder, flushed, then renamed over the target, which keeps its permissions.
// A symbolic link stays and its target is replaced. A target that exists and is not a
// regular file (a device, a pipe) is written in place. False on any failure, including a
// short write; the target is then as it was.
bool writeFileAtomically(const std::string &path, std::string_view bytes);

} // namespace velmoraine::files
