// The system's calls of the file layer (platform_files.h) on POSIX systems: Linux, with the
// calls it adds (unnamed files, attributes, room set aside) where it has them.
#include "core/base/platform_files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include <cstdlib>

#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace velmoraine::files::platform {

namespace {

int fdOf(const File &file) noexcept { return static_cast<int>(file.native()); }

File adopt(int fd) noexcept { return File(fd < 0 ? File::kNone : fd); }

FileStatus statusFrom(const struct stat &st) {
    FileStatus status;
    status.kind = S_ISREG(st.st_mode)   ? FileKind::Regular
                  : S_ISDIR(st.st_mode) ? FileKind::Folder
                  : S_ISLNK(st.st_mode) ? FileKind::Link
                                        : FileKind::Other;
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    status.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    status.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    status.links = static_cast<std::uint64_t>(st.st_nlink);
    status.owner = {st.st_uid, st.st_gid};
    status.permissions = st.st_mode & 07777;
    return status;
}

// Clears O_NONBLOCK, with which a file was opened so that the open itself did not wait.
bool makeBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// An unnamed file is named through its entry under /proc.
std::string descriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Writes all of `text` to stderr, from a signal handler: async-signal-safe calls only.
void sayOnStderr(const std::string &text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
        if (put <= 0) {
            break;
        }
        done += static_cast<std::size_t>(put);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------------------------

std::string settingsFolder() {
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    const char *configHome = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (configHome != nullptr && configHome[0] == '/') {
        folder = configHome;
    } else if (const char *home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        folder = std::string(home) + "/.config";
    } else if (const passwd *entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        folder = std::string(entry->pw_dir) + "/.config";
    } else {
        folder = "./.config";
    }
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string executableFile() { return readLink("/proc/self/exe").value_or(std::string()); }

bool makeFolder(const std::string &path) { return ::mkdir(path.c_str(), 0700) == 0; }

// ---------------------------------------------------------------------------------------------
// Open files and their status
// ---------------------------------------------------------------------------------------------

void File::reset(std::intptr_t native) noexcept {
    if (m_native != kNone) {
        // A file closed on the way out of a failure leaves that failure's errno as it was.
        const int error = errno;
        ::close(static_cast<int>(m_native));
        errno = error;
    }
    m_native = native;
}

bool File::close() noexcept { return ::close(static_cast<int>(release())) == 0; }

std::optional<FileStatus> statusOf(const std::string &path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? std::optional(statusFrom(st)) : std::nullopt;
}

std::optional<FileStatus> linkStatusOf(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? std::optional(statusFrom(st)) : std::nullopt;
}

std::optional<FileStatus> statusOf(const File &file) {
    struct stat st {};
    return ::fstat(fdOf(file), &st) == 0 ? std::optional(statusFrom(st)) : std::nullopt;
}

Owner processOwner() { return {::geteuid(), ::getegid()}; }

bool mayWrite(const std::string &path) { return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0; }

std::optional<std::string> readLink(const std::string &path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
        errno = length < 0 ? errno : ENAMETOOLONG;
        return std::nullopt;
    }
    target.resize(static_cast<std::size_t>(length));
    return target;
}

bool plantedLink(const std::string &folder, const FileStatus &link) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        return true;
    }
    const bool shared = (st.st_mode & S_ISVTX) != 0 && (st.st_mode & S_IWOTH) != 0;
    return shared && link.owner.user != ::geteuid() && link.owner.user != st.st_uid;
}

// ---------------------------------------------------------------------------------------------
// Opening, naming and removing
// ---------------------------------------------------------------------------------------------

File openRegularFile(const std::string &path, FileStatus &status) {
    // Opened without waiting, so that a named pipe with no writer is refused at once instead
    // of holding the program; only a regular file is read, in the usual blocking way.
    File file = adopt(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.valid()) {
        return {};
    }
    struct stat st {};
    if (::fstat(fdOf(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        return {};
    }
    if (!makeBlocking(fdOf(file))) {
        return {};
    }
    status = statusFrom(st);
    return file;
}

File openInPlace(const std::string &path) {
    // Without O_NONBLOCK, opening a pipe that nobody reads would wait forever.
    File file = adopt(::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid() || !makeBlocking(fdOf(file))) {
        return {};
    }
    return file;
}

File openForWriting(const std::string &path) { return adopt(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC)); }

File createUnnamed(const std::string &folder) {
    File file = adopt(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    // The name is given through /proc; without it the file could not be named at all.
    if (!file.valid() || ::access(descriptorPath(fdOf(file)).c_str(), F_OK) != 0) {
        return {};
    }
    return file;
}

File createTemporary(std::string &path) { return adopt(::mkostemp(path.data(), O_CLOEXEC)); }

bool linkAs(const File &file, const std::string &name) {
    return ::linkat(AT_FDCWD, descriptorPath(fdOf(file)).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool rename(const std::string &from, const std::string &to) { return ::rename(from.c_str(), to.c_str()) == 0; }

void removeName(const std::string &path) { ::unlink(path.c_str()); }

void flushFolder(const std::string &folder) {
    const File file = adopt(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (file.valid()) {
        (void)::fsync(fdOf(file));
    }
}

// ---------------------------------------------------------------------------------------------
// Reading and writing
// ---------------------------------------------------------------------------------------------

long long readFully(const File &file, char *data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fdOf(file), data + done, size - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

long long readAt(const File &file, char *data, std::size_t size, std::uint64_t offset) {
    for (;;) {
        const ssize_t got = ::pread(fdOf(file), data, size, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

long long writeAt(const File &file, const char *data, std::size_t size, std::uint64_t offset) {
    for (;;) {
        const ssize_t put = ::pwrite(fdOf(file), data, size, static_cast<off_t>(offset));
        if (put >= 0 || errno != EINTR) {
            return put;
        }
    }
}

bool writeAll(const File &file, std::span<const std::string_view> parts) {
    std::array<iovec, kPartsPerWrite> vectors{};
    std::size_t part = 0; // the first part not yet wholly written
    std::size_t done = 0; // its bytes already written
    for (;;) {
        while (part < parts.size() && done == parts[part].size()) {
            ++part;
            done = 0;
        }
        if (part == parts.size()) {
            return true;
        }
        // The next call: whole parts from here, the last one cut at the call's byte limit.
        std::size_t count = 0;
        std::size_t bytes = 0;
        for (std::size_t i = part, from = done; i < parts.size() && count < vectors.size() && bytes < kBytesPerWrite;
             ++i, from = 0) {
            const std::size_t size = std::min(parts[i].size() - from, kBytesPerWrite - bytes);
            vectors[count++] = {const_cast<char *>(parts[i].data() + from), size};
            bytes += size;
        }
        const ssize_t put = ::writev(fdOf(file), vectors.data(), static_cast<int>(count));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (put == 0) {
            return false;
        }
        // Step over what went out: whole parts, then the start of the next.
        auto left = static_cast<std::size_t>(put);
        while (left > 0 && left >= parts[part].size() - done) {
            left -= parts[part].size() - done;
            ++part;
            done = 0;
        }
        done += left;
    }
}

bool reserveRoom(const File &file, std::uint64_t size) {
    return ::fallocate(fdOf(file), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0 ||
           (errno != ENOSPC && errno != EDQUOT);
}

bool setSize(const File &file, std::uint64_t size) { return ::ftruncate(fdOf(file), static_cast<off_t>(size)) == 0; }

bool flush(const File &file) { return ::fsync(fdOf(file)) == 0; }

void startWriteBack(const File &file, std::uint64_t offset, std::uint64_t size) {
#if defined(__linux__)
    (void)::sync_file_range(fdOf(file), static_cast<off64_t>(offset), static_cast<off64_t>(size),
                            SYNC_FILE_RANGE_WRITE);
#else
    (void)file;
    (void)offset;
    (void)size;
#endif
}

// ---------------------------------------------------------------------------------------------
// Locks and mappings
// ---------------------------------------------------------------------------------------------

bool lockExclusive(const File &file) {
    while (::flock(fdOf(file), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

const char *mapForReading(const File &file, std::size_t size) {
    void *mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fdOf(file), 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    // The scan reads from start to end: a page not cached yet is read ahead of it.
    ::madvise(mapped, size, MADV_SEQUENTIAL);
    return static_cast<const char *>(mapped);
}

void unmap(const char *data, std::size_t size) { ::munmap(const_cast<char *>(data), size); }

namespace {

// The temporary file being written, if any: a fault or an ending signal removes it first.
std::atomic<const char *> g_temporaryFile{nullptr};

// The mapping whose shortening ends the process, and how. Set before the mapping is guarded
// and read by the signal handler only, so they hold plain bytes and addresses.
struct ShortenedMapping {
    std::atomic<const char *> begin{nullptr};
    std::atomic<std::size_t> size{0};
    std::string line;
    int exitCode = 1;
};
ShortenedMapping g_shortened;

void onBusError(int signal, siginfo_t *info, void * /*context*/) {
    const char *begin = g_shortened.begin.load();
    const auto *address = static_cast<const char *>(info->si_addr);
    if (begin != nullptr && address >= begin && address < begin + g_shortened.size.load()) {
        // Only async-signal-safe calls here: the line was made beforehand.
        if (const char *temporary = g_temporaryFile.load()) {
            ::unlink(temporary);
        }
        sayOnStderr(g_shortened.line);
        ::_exit(g_shortened.exitCode);
    }
    // Not our mapping: the default action, once the faulting access runs again.
    ::signal(signal, SIG_DFL);
}

} // namespace

void guardMapping(const char *begin, std::size_t size, std::string line, int exitCode) {
    g_shortened.begin.store(nullptr);
    g_shortened.line = std::move(line);
    g_shortened.exitCode = exitCode;
    g_shortened.size.store(size);
    g_shortened.begin.store(begin);
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, nullptr) == 0;
    }();
    (void)installed;
}

void unguardMapping(const char *begin) {
    if (g_shortened.begin.load() == begin) {
        g_shortened.begin.store(nullptr);
    }
}

// ---------------------------------------------------------------------------------------------
// Owner, permissions and extended attributes
// ---------------------------------------------------------------------------------------------

bool setOwner(const File &file, Owner owner) { return ::fchown(fdOf(file), owner.user, owner.group) == 0; }

bool setPermissions(const File &file, std::uint32_t permissions) {
    return ::fchmod(fdOf(file), static_cast<mode_t>(permissions)) == 0;
}

std::uint32_t creationPermissions() {
    // Reading the mask means setting it: swapped for a moment and put back. The wizard's second
    // thread (the scan of a large page's first form) only reads, so no file is created meanwhile
    // with the swapped mask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

namespace {

// The attribute names of `path`, or of `fd` when it is one.
std::optional<std::vector<std::string>> attributeNamesOf(const std::string &path, int fd) {
    for (;;) {
        const ssize_t size = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP ? std::optional<std::vector<std::string>>(std::in_place) : std::nullopt;
        }
        std::string list(static_cast<std::size_t>(size), '\0');
        const ssize_t got =
            fd >= 0 ? ::flistxattr(fd, list.data(), list.size()) : ::listxattr(path.c_str(), list.data(), list.size());
        if (got < 0 && errno == ERANGE) {
            continue; // the list grew meanwhile
        }
        if (got < 0) {
            return std::nullopt;
        }
        std::vector<std::string> names;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const std::size_t end = list.find('\0', at);
            names.emplace_back(list.substr(at, end - at));
            at = end == std::string::npos ? list.size() : end + 1;
        }
        return names;
    }
}

} // namespace

std::optional<std::vector<std::string>> attributeNames(const std::string &path) { return attributeNamesOf(path, -1); }

std::optional<std::vector<std::string>> attributeNames(const File &file) { return attributeNamesOf({}, fdOf(file)); }

std::optional<std::string> attribute(const std::string &path, const std::string &name) {
    const ssize_t size = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) {
        return std::nullopt;
    }
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (got < 0) {
        return std::nullopt;
    }
    value.resize(static_cast<std::size_t>(got));
    return value;
}

bool setAttribute(const File &file, const std::string &name, std::string_view value) {
    return ::fsetxattr(fdOf(file), name.c_str(), value.data(), value.size(), 0) == 0;
}

bool removeAttribute(const File &file, const std::string &name) {
    return ::fremovexattr(fdOf(file), name.c_str()) == 0;
}

// ---------------------------------------------------------------------------------------------
// Ending the process in the middle of a write
// ---------------------------------------------------------------------------------------------

namespace {

// What an ending signal says, made beforehand; the handler only writes it.
std::string g_endedMessage;
std::atomic<bool> g_sayEnded{false};

constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kEndingSignals.size()> g_previousActions{};

void onEndingSignal(int signal) {
    const int saved = errno;
    if (const char *temporary = g_temporaryFile.load()) {
        ::unlink(temporary);
    }
    if (g_sayEnded.load()) {
        sayOnStderr(g_endedMessage);
    }
    // The signal then does what it did before: usually it ends the process.
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (kEndingSignals[i] == signal) {
            ::sigaction(signal, &g_previousActions[i], nullptr);
        }
    }
    errno = saved;
    ::raise(signal);
}

} // namespace

void setTemporaryFile(const char *path) { g_temporaryFile.store(path); }

void sayWhenEnded(std::string message) {
    g_endedMessage = std::move(message);
    g_sayEnded.store(true);
}

void sayNothingWhenEnded() { g_sayEnded.store(false); }

EndingSignalsCaught::EndingSignalsCaught() {
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = onEndingSignal;
        sigemptyset(&action.sa_mask);
        for (const int other : kEndingSignals) {
            sigaddset(&action.sa_mask, other);
        }
        ::sigaction(kEndingSignals[i], nullptr, &g_previousActions[i]);
        if (g_previousActions[i].sa_handler != SIG_IGN && ::sigaction(kEndingSignals[i], &action, nullptr) == 0) {
            m_installed |= 1U << i;
        }
    }
}

EndingSignalsCaught::~EndingSignalsCaught() {
    for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        if ((m_installed & (1U << i)) != 0) {
            ::sigaction(kEndingSignals[i], &g_previousActions[i], nullptr);
        }
    }
    sayNothingWhenEnded();
}

struct EndingSignalsHeld::Before {
    sigset_t mask{};
    bool held = false;
};

EndingSignalsHeld::EndingSignalsHeld() : m_before(std::make_unique<Before>()) {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : kEndingSignals) {
        sigaddset(&held, signal);
    }
    m_before->held = ::pthread_sigmask(SIG_BLOCK, &held, &m_before->mask) == 0;
}

EndingSignalsHeld::~EndingSignalsHeld() {
    if (m_before->held) {
        ::pthread_sigmask(SIG_SETMASK, &m_before->mask, nullptr);
    }
}

// ---------------------------------------------------------------------------------------------
// The rest
// ---------------------------------------------------------------------------------------------

bool randomBytes(std::span<unsigned char> out) {
    return ::getrandom(out.data(), out.size(), 0) == static_cast<ssize_t>(out.size());
}

std::optional<std::string> errorText(int error) {
    const char *text = ::strerrordesc_np(error);
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

} // namespace velmoraine::files::platform
