// The system's calls that the page reads, the locks and the atomic writes make, in one place:
// platform_posix.cpp gives them for POSIX systems, and another system gives the same
// declarations in a file of its own. Failures set errno to the system's error number (a back
// end of another system sets the nearest <cerrno> number), which systemReason turns into text.
// A call that a signal interrupts is made again here, never by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmoraine::files::platform {

// ---------------------------------------------------------------------------------------------
// Paths: UTF-8 text; "/" separates folders, and on Windows a backslash too
// ---------------------------------------------------------------------------------------------

#ifdef _WIN32
constexpr bool isPathSeparator(char c) noexcept { return c == '/' || c == '\\'; }
// A drive's path ("C:" and a separator), a share's or one from the drive's root (a leading
// separator), which names the same file wherever the program runs on that drive.
constexpr bool isAbsolutePath(std::string_view path) noexcept {
    const bool drive = path.size() >= 3 && path[1] == ':' && isPathSeparator(path[2]);
    return drive || (!path.empty() && isPathSeparator(path[0]));
}
#else
constexpr bool isPathSeparator(char c) noexcept { return c == '/'; }
constexpr bool isAbsolutePath(std::string_view path) noexcept { return !path.empty() && path[0] == '/'; }
#endif

// Where the last separator of `path` stands; npos for a bare name.
constexpr std::size_t lastSeparator(std::string_view path) noexcept {
    for (std::size_t at = path.size(); at > 0; --at) {
        if (isPathSeparator(path[at - 1])) {
            return at - 1;
        }
    }
    return std::string_view::npos;
}

// The folder that holds the user's settings, without a closing separator: an absolute
// $XDG_CONFIG_HOME, else ~/.config on POSIX systems; %APPDATA% on Windows.
std::string settingsFolder();

// The running program's own file, empty when it cannot be told.
std::string executableFile();

// Makes the folder `path` for the user alone; true when it was made, false with errno set
// otherwise (EEXIST when the name is taken).
bool makeFolder(const std::string &path);

// ---------------------------------------------------------------------------------------------
// Open files
// ---------------------------------------------------------------------------------------------

// An open file of the system (a descriptor, a handle), closed when it goes out of scope unless
// release() took it back. Move-only.
class File {
public:
    static constexpr std::intptr_t kNone = -1;

    File() = default;
    explicit File(std::intptr_t native) noexcept : m_native(native) {}
    File(File &&other) noexcept : m_native(other.release()) {}
    File &operator=(File &&other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    ~File() { reset(kNone); }

    [[nodiscard]] bool valid() const noexcept { return m_native != kNone; }
    [[nodiscard]] std::intptr_t native() const noexcept { return m_native; }
    std::intptr_t release() noexcept { return std::exchange(m_native, kNone); }
    // Closes the file held, if any, and holds `native` instead; errno stays as it was.
    void reset(std::intptr_t native) noexcept;
    // Closes the file; false, with errno set, on an error the close reports. The file is gone
    // either way: a failed close is never tried again.
    bool close() noexcept;

private:
    std::intptr_t m_native = kNone;
};

// ---------------------------------------------------------------------------------------------
// What the system tells about a file
// ---------------------------------------------------------------------------------------------

enum class FileKind { Regular, Folder, Link, Other };

// Which file a name leads to: two names with the same id are one file.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    bool operator==(const FileId &) const = default;
};

struct Owner {
    std::uint32_t user = 0;
    std::uint32_t group = 0;
    bool operator==(const Owner &) const = default;
};

struct FileStatus {
    FileKind kind = FileKind::Other;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    FileId id{};
    std::uint64_t links = 0; // the number of names the file has
    Owner owner{};
    std::uint32_t permissions = 0; // the permission bits, as setPermissions takes them
};

// The status of the file that `path` leads to, links followed; nullopt with errno on failure.
std::optional<FileStatus> statusOf(const std::string &path);
// The same for the name itself: a symbolic link is FileKind::Link.
std::optional<FileStatus> linkStatusOf(const std::string &path);
std::optional<FileStatus> statusOf(const File &file);

// The owner that a file this process creates gets.
Owner processOwner();

// True when this process may write the existing file `path` (with its effective rights);
// false with errno set otherwise (EACCES when the rights forbid it).
bool mayWrite(const std::string &path);

// What the symbolic link `path` leads to, as written in it; nullopt with errno on failure.
std::optional<std::string> readLink(const std::string &path);

// True when the system refuses to follow the link of status `link` that lies in `folder`: the
// folder is sticky and world-writable (such as /tmp), and neither this process nor the folder's
// owner owns the link. True, too, when the folder's status cannot be read.
bool plantedLink(const std::string &folder, const FileStatus &link);

// ---------------------------------------------------------------------------------------------
// Opening, naming and removing
// ---------------------------------------------------------------------------------------------

// Opens an existing regular file for reading, its status then in `status`; an invalid File when
// it cannot be opened or is not a regular file. A named pipe with no writer is refused at once
// instead of holding the program.
File openRegularFile(const std::string &path, FileStatus &status);

// Opens an existing device or pipe for writing, emptied where that means anything. A pipe that
// nobody reads fails at once instead of waiting; writes to the file then wait as usual.
File openInPlace(const std::string &path);

// Opens an existing file for writing over its bytes, which stay until they are overwritten.
File openForWriting(const std::string &path);

// A new file in `folder` that has no name until linkAs gives it one, readable and writable by
// its owner only; an invalid File where the file system cannot make one or it could not be
// named later. A process that ends before then leaves nothing in the folder.
File createUnnamed(const std::string &folder);

// A new file under a free name made from `path`, whose last six characters are "XXXXXX" and
// are replaced by the name's own; invalid, with errno set, on failure.
File createTemporary(std::string &path);

// Gives the open file `file` the further name `name`; false, with errno set (EEXIST when the
// name is taken), on failure.
bool linkAs(const File &file, const std::string &name);

// Gives `from`'s file the name `to`, replacing what had it, in one step.
bool rename(const std::string &from, const std::string &to);

// Removes the name `path`; what it fails on is not reported.
void removeName(const std::string &path);

// Makes the names in `folder` durable; what it fails on is not reported.
void flushFolder(const std::string &folder);

// ---------------------------------------------------------------------------------------------
// Reading and writing
// ---------------------------------------------------------------------------------------------

// Reads until `size` bytes are in or the end of the file; the count actually read, or -1.
long long readFully(const File &file, char *data, std::size_t size);

// One read of up to `size` bytes at `offset`; the count read (0 at the end), or -1.
long long readAt(const File &file, char *data, std::size_t size, std::uint64_t offset);

// One write of up to `size` bytes at `offset`; the count written, or -1.
long long writeAt(const File &file, const char *data, std::size_t size, std::uint64_t offset);

// Writes the parts whole, in order, however much each call takes; false on any error.
bool writeAll(const File &file, std::span<const std::string_view> parts);

// The most parts, and the most bytes, that one call of the system writes. A call of 2 MB or
// more lets the kernel take the file's cache in blocks of 2 MB, and on a virtual machine that
// gives its free memory back to the host those are the blocks the host must fault in again
// first: a 100 MB page took 130-240 ms to write in one call there, and 30 ms in calls of 1 MB.
// A hundred calls for such a page cost nothing beside its bytes.
constexpr std::size_t kPartsPerWrite = 1024;
constexpr std::size_t kBytesPerWrite = std::size_t{1} << 20;

// Sets room aside for `size` bytes without changing the file's size. False, with errno set,
// only when the disk or the writer's quota has no room; a file system that cannot set room
// aside is no failure.
bool reserveRoom(const File &file, std::uint64_t size);

// Cuts or extends the file to `size` bytes.
bool setSize(const File &file, std::uint64_t size);

// Returns once the file's bytes are on the disk.
bool flush(const File &file);

// Asks the system to start writing the bytes in [offset, offset + size) to the disk without
// waiting for them, so that the flush that follows has less left to wait for; nothing where
// the system has no such request. Failures are no failures: the flush still writes them.
void startWriteBack(const File &file, std::uint64_t offset, std::uint64_t size);

// ---------------------------------------------------------------------------------------------
// Locks and mappings
// ---------------------------------------------------------------------------------------------

// Waits for the file's advisory exclusive lock, held until the file is closed.
bool lockExclusive(const File &file);

// The first `size` bytes of the file, mapped read-only and read ahead in order; nullptr when
// the file cannot be mapped. Given back with unmap.
const char *mapForReading(const File &file, std::size_t size);
void unmap(const char *data, std::size_t size);

// From now on, reading a byte of [begin, begin + size) that the file no longer has ends the
// process at once: the temporary file (see setTemporaryFile) is removed, `line` goes to
// stderr as it stands, and the exit code is `exitCode`. One mapping is guarded at a time.
void guardMapping(const char *begin, std::size_t size, std::string line, int exitCode);
// Drops the guard when it is the mapping at `begin`.
void unguardMapping(const char *begin);

// ---------------------------------------------------------------------------------------------
// Owner, permissions and extended attributes
// ---------------------------------------------------------------------------------------------

// Gives the file to `owner`; only a privileged process may give a file away.
bool setOwner(const File &file, Owner owner);
bool setPermissions(const File &file, std::uint32_t permissions);
// The permissions that a new file gets where nothing else is asked (the creation mask's).
std::uint32_t creationPermissions();

// The names of a file's extended attributes (its access control list among them), empty where
// the file system has none; nullopt on an error.
std::optional<std::vector<std::string>> attributeNames(const std::string &path);
std::optional<std::vector<std::string>> attributeNames(const File &file);
// The value of the attribute `name` of `path`; nullopt when it cannot be read.
std::optional<std::string> attribute(const std::string &path, const std::string &name);
bool setAttribute(const File &file, const std::string &name, std::string_view value);
bool removeAttribute(const File &file, const std::string &name);

// ---------------------------------------------------------------------------------------------
// Ending the process in the middle of a write
// ---------------------------------------------------------------------------------------------

// The temporary file that a fault in a guarded mapping or an ending signal removes before the
// process ends; nullptr for none. The text must outlive the setting.
void setTemporaryFile(const char *path);

// While EndingSignalsCaught lives, an ending signal also writes `message` to stderr as it
// stands, until sayNothingWhenEnded.
void sayWhenEnded(std::string message);
void sayNothingWhenEnded();

// While it lives, Ctrl-C, SIGTERM and SIGHUP remove the temporary file before they end the
// process, and say what sayWhenEnded set. A signal that was ignored stays ignored (a run under
// nohup). Not nested.
class EndingSignalsCaught {
public:
    EndingSignalsCaught();
    EndingSignalsCaught(const EndingSignalsCaught &) = delete;
    EndingSignalsCaught &operator=(const EndingSignalsCaught &) = delete;
    ~EndingSignalsCaught();

private:
    unsigned m_installed = 0; // a bit for each signal caught
};

// Holds back the ending signals in this thread while it lives: one that comes meanwhile waits
// until it is gone (so that, say, the handler knows a temporary file's name before it acts).
class EndingSignalsHeld {
public:
    EndingSignalsHeld();
    EndingSignalsHeld(const EndingSignalsHeld &) = delete;
    EndingSignalsHeld &operator=(const EndingSignalsHeld &) = delete;
    ~EndingSignalsHeld();

private:
    struct Before;
    std::unique_ptr<Before> m_before;
};

// ---------------------------------------------------------------------------------------------
// The rest
// ---------------------------------------------------------------------------------------------

// Fills `out` from the system's random source; false when it gives fewer bytes.
bool randomBytes(std::span<unsigned char> out);

// The system's description of an error number, in English whatever the locale; nullopt for a
// number it does not know.
std::optional<std::string> errorText(int error);

} // namespace velmoraine::files::platform
