#include "core/base/files.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <pthread.h>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "core/base/bytes.h"
#include "core/base/texts.h"

namespace velmoraine::files {

namespace {

// Closes a descriptor when it goes out of scope, unless release() took it back.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const noexcept { return m_fd; }
    // Closes the descriptor held, if any, and holds `fd` instead.
    void reset(int fd) noexcept {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }
    int release() noexcept {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// The temporary file being written, if any: a fault that ends the process in the middle of
// the write (see readFileBytes) removes it first.
std::atomic<const char *> g_temporaryFile{nullptr};

// Removes the temporary file on every early return; dismiss() once it has been renamed.
class TemporaryName {
public:
    explicit TemporaryName(std::string path) : m_path(std::move(path)) { g_temporaryFile.store(m_path.c_str()); }
    TemporaryName(const TemporaryName &) = delete;
    TemporaryName &operator=(const TemporaryName &) = delete;
    ~TemporaryName() {
        g_temporaryFile.store(nullptr);
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    const std::string &path() const noexcept { return m_path; }
    void dismiss() noexcept {
        g_temporaryFile.store(nullptr);
        m_path.clear();
    }

private:
    std::string m_path;
};

// The folder part of a path, "." for a bare name, "/" for a name directly under the root.
std::string folderOf(const std::string &path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string &path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads until `size` bytes are in or the end of the file; the count actually read, or -1.
long long readFully(int fd, char *data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, data + done, size - done);
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

// Writes the iovecs whole, in order, however much each call takes; false on any error.
bool writeAll(int fd, iovec *parts, std::size_t count) {
    while (count > 0) {
        const ssize_t put = ::writev(fd, parts, static_cast<int>(count));
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
        while (count > 0 && left >= parts->iov_len) {
            left -= parts->iov_len;
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<char *>(parts->iov_base) + left;
            parts->iov_len -= left;
        }
    }
    return true;
}

// Writes pieces in order, many a call. A large piece goes out from where it lies; small ones
// are first gathered into a buffer, since a part of a call costs more than copying a few bytes
// (a page with a million webbot comments cut out is a million pieces).
class PieceWriter {
public:
    explicit PieceWriter(int fd) : m_fd(fd), m_buffer(new char[kBufferSize]) {}

    bool add(std::string_view piece) {
        if (piece.empty()) {
            return true;
        }
        if (piece.size() >= kOwnPart) {
            if (m_count == m_parts.size() && !flush()) {
                return false;
            }
            m_parts[m_count++] = {const_cast<char *>(piece.data()), piece.size()};
            return true;
        }
        if ((m_used + piece.size() > kBufferSize || m_count == m_parts.size()) && !flush()) {
            return false;
        }
        char *at = m_buffer.get() + m_used;
        std::memcpy(at, piece.data(), piece.size());
        m_used += piece.size();
        // Bytes that follow bytes of the buffer extend the same part.
        if (m_count > 0 && static_cast<char *>(m_parts[m_count - 1].iov_base) + m_parts[m_count - 1].iov_len == at) {
            m_parts[m_count - 1].iov_len += piece.size();
        } else {
            m_parts[m_count++] = {at, piece.size()};
        }
        return true;
    }

    bool flush() {
        const bool written = writeAll(m_fd, m_parts.data(), m_count);
        m_count = 0;
        m_used = 0;
        return written;
    }

private:
    static constexpr std::size_t kParts = 1024; // the least limit systems give for one call
    static constexpr std::size_t kBufferSize = std::size_t{256} * 1024;
    static constexpr std::size_t kOwnPart = std::size_t{16} * 1024;

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    std::array<iovec, kParts> m_parts{};
    std::size_t m_count = 0;
};

// Writes every byte of the pieces in order; a write error of any kind is a failure.
bool writeFully(int fd, std::span<const std::string_view> pieces) {
    PieceWriter writer(fd);
    for (std::string_view piece : pieces) {
        if (!writer.add(piece)) {
            return false;
        }
    }
    return writer.flush();
}

bool closeChecked(FileDescriptor &fd) {
    // After a failed close the descriptor is gone all the same: never retry it.
    return ::close(fd.release()) == 0;
}

// True when following the link `link` (status `st`) is refused the way the system refuses
// it: the link lies in a sticky, world-writable folder (such as /tmp), and neither the writer
// nor the folder's owner owns it. Someone else's link there may point anywhere.
bool plantedLink(const std::string &link, const struct stat &st) {
    struct stat folder {};
    if (::stat(folderOf(link).c_str(), &folder) != 0) {
        return true;
    }
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return shared && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid;
}

// Follows a chain of symbolic links to the file that a write really replaces. A relative
// link target is taken from the folder of the link. Nullopt, with errno set, on a loop, a
// planted link (EACCES) or a lookup error other than "does not exist" (a missing final
// target is created by the write).
std::optional<std::string> finalTarget(const std::string &path) {
    constexpr int maxLinks = 40; // the kernel's own limit for one path lookup
    std::string current = path;
    for (int hop = 0; hop <= maxLinks; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                return current;
            }
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) {
            return current;
        }
        if (plantedLink(current, st)) {
            errno = EACCES;
            return std::nullopt;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size()) {
            errno = length < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(length));
        if (target.empty()) {
            errno = ENOENT;
            return std::nullopt;
        }
        if (target.front() == '/') {
            current = target;
        } else {
            std::string folder = folderOf(current);
            current = (folder == "/" ? folder : folder + "/") + target;
        }
    }
    errno = ELOOP;
    return std::nullopt;
}

WriteResult failure(int error) { return {WriteResult::Outcome::Failed, systemReason(error), {}}; }

WriteResult failure(std::string_view reason) { return {WriteResult::Outcome::Failed, std::string(reason), {}}; }

mode_t creationMode() {
    // Reading the mask means setting it: swapped for a moment and put back. The wizard's second
    // thread (the scan of a large page's first form) only reads, so no file is created meanwhile
    // with the swapped mask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

// Devices and pipes cannot be renamed over: their bytes go to the open file itself. Bytes from
// a page that changed meanwhile are gone by the time that is known; it is said all the same.
WriteResult writeInPlace(const std::string &target, std::span<const std::string_view> pieces,
                         const WriteOptions &options) {
    // Without O_NONBLOCK, opening a pipe that nobody reads would wait forever.
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        return failure(errno);
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return failure(errno);
    }
    if (!writeFully(fd.get(), pieces)) {
        return failure(errno);
    }
    if (!closeChecked(fd)) {
        return failure(errno);
    }
    if (options.sourceUnchanged && !options.sourceUnchanged()) {
        return {WriteResult::Outcome::SourceChanged, {}, {}};
    }
    return {};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------------------------

namespace {

// Opens a regular file for reading, its status now in `st`; the descriptor, or -1.
int openRegularFile(const std::string &path, struct stat &st) {
    // Opened without waiting, so that a named pipe with no writer is refused at once instead
    // of holding the program; only a regular file is read, in the usual blocking way.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        return -1;
    }
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return -1;
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return -1;
    }
    return fd.release();
}

// The same, holding the file's advisory lock. A writer that held the lock before may have
// renamed a new file over the name; the lock on the file that lost its name is then dropped
// and the new one is opened and locked in turn.
int openLockedFile(const std::string &path, struct stat &st) {
    for (;;) {
        FileDescriptor fd(openRegularFile(path, st));
        if (fd.get() < 0) {
            return -1;
        }
        while (::flock(fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                return -1;
            }
        }
        struct stat named {};
        if (::stat(path.c_str(), &named) != 0) {
            return -1;
        }
        if (named.st_dev == st.st_dev && named.st_ino == st.st_ino) {
            // The size may have changed while the lock was awaited.
            return ::fstat(fd.get(), &st) == 0 ? fd.release() : -1;
        }
    }
}

// Reads the whole file into a buffer that `Buffer` keeps: prepare(size) gives room for the
// size the file has now, shrink(size) keeps a shorter read, append(bytes) adds what the file
// grew by meanwhile. False on a read error.
template <typename Buffer> bool readAll(int fd, std::size_t size, Buffer &buffer) {
    // One allocation of the size the file has now; the file may still change while it is
    // read, so a short read shrinks the result and any bytes past that size are appended.
    char *data = buffer.prepare(size);
    const long long got = readFully(fd, data, size);
    if (got < 0) {
        return false;
    }
    if (static_cast<std::size_t>(got) < size) {
        buffer.shrink(static_cast<std::size_t>(got));
        return true;
    }
    // Bytes past that size go through a small buffer, so a file that did not grow is never
    // copied into a larger allocation.
    constexpr std::size_t chunkSize = 64 * 1024;
    std::string chunk(chunkSize, '\0');
    for (;;) {
        const long long more = readFully(fd, chunk.data(), chunkSize);
        if (more < 0) {
            return false;
        }
        buffer.append(std::string_view(chunk).substr(0, static_cast<std::size_t>(more)));
        if (static_cast<std::size_t>(more) < chunkSize) {
            return true;
        }
    }
}

// A std::string as the buffer of readAll: room for a large file may be backed by huge pages.
struct StringBuffer {
    std::string &text;
    char *prepare(std::size_t size) {
        bytes::reserveLarge(text, size);
        text.resize(size);
        return text.data();
    }
    void shrink(std::size_t size) { text.resize(size); }
    void append(std::string_view more) { text.append(more); }
};

// Memory from malloc, uncleared, as the buffer of readAll; only the rare file that grew while
// it was read is reallocated. Frees what it still holds.
struct MallocBuffer {
    char *data = nullptr;
    std::size_t size = 0;

    MallocBuffer() = default;
    MallocBuffer(const MallocBuffer &) = delete;
    MallocBuffer &operator=(const MallocBuffer &) = delete;
    ~MallocBuffer() { std::free(data); }

    char *prepare(std::size_t wanted) {
        data = static_cast<char *>(std::malloc(wanted == 0 ? 1 : wanted));
        if (data == nullptr) {
            throw std::bad_alloc();
        }
        bytes::adviseHugePages(data, wanted);
        size = wanted;
        return data;
    }
    void shrink(std::size_t smaller) { size = smaller; }
    void append(std::string_view more) {
        if (more.empty()) {
            return;
        }
        auto *grown = static_cast<char *>(std::realloc(data, size + more.size()));
        if (grown == nullptr) {
            throw std::bad_alloc();
        }
        std::memcpy(grown + size, more.data(), more.size());
        data = grown;
        size += more.size();
    }
};

} // namespace

std::optional<std::string> readWholeFile(const std::string &path) {
    struct stat st {};
    const FileDescriptor fd(openRegularFile(path, st));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    std::string content;
    StringBuffer buffer{content};
    if (!readAll(fd.get(), size, buffer)) {
        return std::nullopt;
    }
    return content;
}

// ---------------------------------------------------------------------------------------------
// Mapped reads
// ---------------------------------------------------------------------------------------------

namespace {

// From this size on a file is mapped rather than read.
constexpr std::size_t kMapFrom = std::size_t{1} << 20;

// The size and the modification time a file had when it was opened. Not the change time: that
// moves too when a save by renaming takes the file's name away, which leaves its bytes alone.
void takeStamp(const struct stat &st, long long (&stamp)[3]) {
    stamp[0] = static_cast<long long>(st.st_size);
    stamp[1] = static_cast<long long>(st.st_mtim.tv_sec);
    stamp[2] = static_cast<long long>(st.st_mtim.tv_nsec);
}

// The mapping whose shortening ends the process, and how. Set before the mapping is made and
// read by the signal handler only, so they hold plain bytes and addresses.
struct ShortenedMapping {
    std::atomic<const char *> begin{nullptr};
    std::atomic<std::size_t> size{0};
    std::string message;
    int exitCode = 1;
};
ShortenedMapping g_shortened;

void onBusError(int signal, siginfo_t *info, void * /*context*/) {
    const char *begin = g_shortened.begin.load();
    const auto *address = static_cast<const char *>(info->si_addr);
    if (begin != nullptr && address >= begin && address < begin + g_shortened.size.load()) {
        // Only async-signal-safe calls here: the message was made beforehand.
        if (const char *temporary = g_temporaryFile.load()) {
            ::unlink(temporary);
        }
        std::size_t done = 0;
        while (done < g_shortened.message.size()) {
            const ssize_t put =
                ::write(STDERR_FILENO, g_shortened.message.data() + done, g_shortened.message.size() - done);
            if (put <= 0) {
                break;
            }
            done += static_cast<std::size_t>(put);
        }
        ::_exit(g_shortened.exitCode);
    }
    // Not our mapping: the default action, once the faulting access runs again.
    ::signal(signal, SIG_DFL);
}

void guardMapping(const char *begin, std::size_t size, const ShortenedFileExit &onShortened) {
    g_shortened.begin.store(nullptr);
    g_shortened.message = onShortened.message + '\n';
    g_shortened.exitCode = onShortened.exitCode;
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

} // namespace

std::optional<FileBytes> readFileBytes(const std::string &path, const ShortenedFileExit &onShortened, PageLock lock) {
    struct stat st {};
    FileDescriptor fd(lock == PageLock::Exclusive ? openLockedFile(path, st) : openRegularFile(path, st));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    FileBytes result;
    takeStamp(st, result.m_stamp);
    if (size >= kMapFrom) {
        void *mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
        if (mapped != MAP_FAILED) {
            // The scan reads from start to end: a page not cached yet is read ahead of it.
            ::madvise(mapped, size, MADV_SEQUENTIAL);
            result.m_data = static_cast<char *>(mapped);
            result.m_size = size;
            result.m_mapped = true;
            guardMapping(result.m_data, size, onShortened);
            result.m_fd = fd.release();
            return result;
        }
        // A file system that cannot map files is read instead.
    }
    MallocBuffer buffer;
    if (!readAll(fd.get(), size, buffer)) {
        return std::nullopt;
    }
    result.m_data = std::exchange(buffer.data, nullptr);
    result.m_size = buffer.size;
    result.m_fd = fd.release();
    return result;
}

FileBytes::FileBytes(FileBytes &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, false)), m_fd(std::exchange(other.m_fd, -1)) {
    std::copy(std::begin(other.m_stamp), std::end(other.m_stamp), std::begin(m_stamp));
}

FileBytes &FileBytes::operator=(FileBytes &&other) noexcept {
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, false);
        m_fd = std::exchange(other.m_fd, -1);
        std::copy(std::begin(other.m_stamp), std::end(other.m_stamp), std::begin(m_stamp));
    }
    return *this;
}

FileBytes::~FileBytes() { release(); }

bool FileBytes::changedSinceRead() const noexcept {
    if (m_fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        return true;
    }
    long long now[3] = {};
    takeStamp(st, now);
    if (!std::equal(std::begin(now), std::end(now), std::begin(m_stamp))) {
        return true;
    }
    // A file rewritten in place within the same tick of the clock keeps its size and time;
    // a page read into memory is small, so its bytes are simply compared again.
    return !m_mapped && !sameBytesOnDisk();
}

bool FileBytes::sameBytesOnDisk() const noexcept {
    constexpr std::size_t chunkSize = 64 * 1024;
    char chunk[chunkSize];
    std::size_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(m_fd, chunk, chunkSize, static_cast<off_t>(at));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return at == m_size;
        }
        const auto count = static_cast<std::size_t>(got);
        if (at + count > m_size || std::memcmp(chunk, m_data + at, count) != 0) {
            return false;
        }
        at += count;
    }
}

void FileBytes::release() noexcept {
    if (m_mapped) {
        if (g_shortened.begin.load() == m_data) {
            g_shortened.begin.store(nullptr);
        }
        ::munmap(m_data, m_size);
    } else {
        std::free(m_data);
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
    m_fd = -1;
}

// ---------------------------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------------------------

namespace {

// FNV-1a over every byte: the same bytes give the same stamp on every run.
constexpr std::uint64_t kStampStart = 14695981039346656037ULL;

std::uint64_t stampOn(std::uint64_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

} // namespace

ContentStamp stampOf(std::string_view bytes) { return {bytes.size(), stampOn(kStampStart, bytes)}; }

std::optional<ContentStamp> stampOfFile(const std::string &path) {
    struct stat st {};
    const FileDescriptor fd(openRegularFile(path, st));
    if (fd.get() < 0) {
        return std::nullopt;
    }
    constexpr std::size_t chunkSize = 64 * 1024;
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    ContentStamp stamp{0, kStampStart};
    for (;;) {
        const long long got = readFully(fd.get(), chunk.get(), chunkSize);
        if (got < 0) {
            return std::nullopt;
        }
        stamp.size += static_cast<std::uint64_t>(got);
        stamp.hash = stampOn(stamp.hash, {chunk.get(), static_cast<std::size_t>(got)});
        if (static_cast<std::size_t>(got) < chunkSize) {
            return stamp;
        }
    }
}

bool sameFile(const std::string &first, const std::string &second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

namespace {

// --- Ending the process in the middle of a write ---------------------------------------------

// What a signal that ends the process says while the new bytes are copied through the target:
// where the complete copy is. Made beforehand; the handler only writes it.
std::string g_interruptedMessage;
std::atomic<bool> g_sayInterrupted{false};

constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kEndingSignals.size()> g_previousActions{};

void onEndingSignal(int signal) {
    const int saved = errno;
    if (const char *temporary = g_temporaryFile.load()) {
        ::unlink(temporary);
    }
    if (g_sayInterrupted.load()) {
        std::size_t done = 0;
        while (done < g_interruptedMessage.size()) {
            const ssize_t put =
                ::write(STDERR_FILENO, g_interruptedMessage.data() + done, g_interruptedMessage.size() - done);
            if (put <= 0) {
                break;
            }
            done += static_cast<std::size_t>(put);
        }
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

// While it lives, Ctrl-C, SIGTERM and SIGHUP remove the temporary file before they end the
// process. A signal that was ignored stays ignored (a run under nohup).
class EndingSignalsGuard {
public:
    EndingSignalsGuard() {
        for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
            struct sigaction action {};
            action.sa_handler = onEndingSignal;
            sigemptyset(&action.sa_mask);
            for (const int other : kEndingSignals) {
                sigaddset(&action.sa_mask, other);
            }
            ::sigaction(kEndingSignals[i], nullptr, &g_previousActions[i]);
            m_installed[i] =
                g_previousActions[i].sa_handler != SIG_IGN && ::sigaction(kEndingSignals[i], &action, nullptr) == 0;
        }
    }
    EndingSignalsGuard(const EndingSignalsGuard &) = delete;
    EndingSignalsGuard &operator=(const EndingSignalsGuard &) = delete;
    ~EndingSignalsGuard() {
        for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
            if (m_installed[i]) {
                ::sigaction(kEndingSignals[i], &g_previousActions[i], nullptr);
            }
        }
        g_sayInterrupted.store(false);
    }

private:
    std::array<bool, kEndingSignals.size()> m_installed{};
};

// Holds back the ending signals while it lives (until release): one that comes while the
// temporary file is made waits until the handler knows the file's name, and then removes it.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kEndingSignals) {
            sigaddset(&held, signal);
        }
        m_held = ::pthread_sigmask(SIG_BLOCK, &held, &m_before) == 0;
    }
    EndingSignalsHeld(const EndingSignalsHeld &) = delete;
    EndingSignalsHeld &operator=(const EndingSignalsHeld &) = delete;
    ~EndingSignalsHeld() { release(); }
    void release() {
        if (m_held) {
            m_held = false;
            ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
        }
    }

private:
    sigset_t m_before{};
    bool m_held = false;
};

// --- The new file ----------------------------------------------------------------------------

// The new page's file beside the target. Where the file system allows, it has no name while it
// is written (O_TMPFILE), so a process that dies before it is complete leaves nothing in the
// folder; it gets a name only once whole. Elsewhere it is the temporary file ".NAME.XXXXXX"
// from the start, removed on every early return and by the ending signals.
class NewFile {
public:
    // Opens the file in `folder`; `base` is the readable part of a temporary name. False, with
    // errno set, when neither kind of file can be made there.
    bool open(const std::string &folder, const std::string &base) {
        m_pattern = (folder == "/" ? folder : folder + "/") + "." + base + ".XXXXXX";
        FileDescriptor unnamed(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        // The name is given through /proc; without it the file could not be named at all.
        if (unnamed.get() >= 0 && ::access(descriptorPath(unnamed.get()).c_str(), F_OK) == 0) {
            m_fd.reset(unnamed.release());
            return true;
        }
        const EndingSignalsHeld held; // until the handler knows the name it must remove
        std::string name = m_pattern;
        m_fd.reset(::mkostemp(name.data(), O_CLOEXEC));
        if (m_fd.get() < 0) {
            return false;
        }
        m_temporary.emplace(std::move(name));
        return true;
    }

    int fd() const noexcept { return m_fd.get(); }

    // Closes the descriptor, which an unnamed file must outlive until it is named; false on an
    // error the close reports.
    bool close() { return closeChecked(m_fd); }

    // Gives the complete file its temporary name, removed again on an early return unless
    // dismissed; a file that has one already keeps it. False, with errno set, on failure.
    bool name() {
        if (m_temporary) {
            return true;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = m_pattern;
            fillRandomly(std::span(name).last(6));
            const EndingSignalsHeld held;
            if (link(name)) {
                m_temporary.emplace(std::move(name));
                return true;
            }
            if (errno != EEXIST) {
                return false;
            }
        }
        return false;
    }

    // Links the complete unnamed file in under `target`, which does not exist: nothing but the
    // whole new page ever stands there. False, with errno set (EEXIST when another program made
    // the target meanwhile), on failure or when the file has a temporary name already.
    bool linkAs(const std::string &target) {
        if (m_temporary) {
            errno = EEXIST;
            return false;
        }
        return link(target);
    }

    // The temporary name once named (see name()); dismiss it once it has been renamed.
    TemporaryName &temporary() { return *m_temporary; }

private:
    static std::string descriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

    bool link(const std::string &as) const {
        return ::linkat(AT_FDCWD, descriptorPath(m_fd.get()).c_str(), AT_FDCWD, as.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    // Letters and digits as mkostemp uses them, from the system's random source.
    static void fillRandomly(std::span<char> out) {
        static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        unsigned char random[6] = {};
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
            const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
            std::memcpy(random, &now, sizeof random);
        }
        for (std::size_t i = 0; i < out.size() && i < sizeof random; ++i) {
            out[i] = kLetters[random[i] % kLetters.size()];
        }
    }

    std::string m_pattern;
    FileDescriptor m_fd{-1};
    std::optional<TemporaryName> m_temporary;
};

// --- What a rename would lose ----------------------------------------------------------------

// The names of a file's extended attributes (its access control list among them); nullopt on
// an error other than "not supported here".
std::optional<std::vector<std::string>> attributeNames(const std::string &path, int fd) {
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

// Gives the new file `fd` exactly the extended attributes of `target`; false when one cannot
// be read or set (a security attribute, for instance).
bool copyAttributes(const std::string &target, int fd) {
    const auto wanted = attributeNames(target, -1);
    const auto present = attributeNames(target, fd);
    if (!wanted || !present) {
        return false;
    }
    // An inherited default access list of the folder is not the target's.
    for (const std::string &name : *present) {
        if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() && ::fremovexattr(fd, name.c_str()) != 0) {
            return false;
        }
    }
    for (const std::string &name : *wanted) {
        const ssize_t size = ::getxattr(target.c_str(), name.c_str(), nullptr, 0);
        if (size < 0) {
            return false;
        }
        std::string value(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::getxattr(target.c_str(), name.c_str(), value.data(), value.size());
        if (got < 0 || ::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(got), 0) != 0) {
            return false;
        }
    }
    return true;
}

// Copies the complete new file `from` (of `size` bytes) over the bytes of `target`, which
// keeps its name, links, owner and attributes. The copy stays until the target holds it all.
WriteResult writeThrough(const std::string &target, int from, std::size_t size, TemporaryName &temporary) {
    FileDescriptor to(::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (to.get() < 0) {
        return failure(errno);
    }
    // Room first, so that a full disk is found before a byte of the target has changed.
    if (::fallocate(to.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT)) {
        return failure(errno);
    }
    // From here on the copy is the only whole new page: it stays when anything goes wrong.
    const std::string copy = temporary.path();
    temporary.dismiss();
    const std::string kept = texts::fill(texts::kNewPageKept, copy);
    g_interruptedMessage = texts::withReason(texts::fill(texts::kCannotCreateFile, target), texts::kInterruptedReason) +
                           ". " + kept + "\n";
    g_sayInterrupted.store(true);
    const auto keptFailure = [&](int error) {
        g_sayInterrupted.store(false);
        return WriteResult{WriteResult::Outcome::Failed, systemReason(error), copy};
    };

    constexpr std::size_t chunkSize = std::size_t{1} << 20;
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    std::size_t at = 0;
    while (at < size) {
        const ssize_t got = ::pread(from, chunk.get(), std::min(chunkSize, size - at), static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return keptFailure(got < 0 ? errno : EIO);
        }
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            const ssize_t put = ::pwrite(to.get(), chunk.get() + done, static_cast<std::size_t>(got) - done,
                                         static_cast<off_t>(at + done));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return keptFailure(put < 0 ? errno : EIO);
            }
            done += static_cast<std::size_t>(put);
        }
        at += done;
    }
    if (::ftruncate(to.get(), static_cast<off_t>(size)) != 0 || ::fsync(to.get()) != 0 || !closeChecked(to)) {
        return keptFailure(errno);
    }
    g_sayInterrupted.store(false);
    ::unlink(copy.c_str());
    return {};
}

// True when the target still holds the bytes stamped; `locked` keeps the lock taken to read it.
bool targetStillHolds(const std::string &target, const ContentStamp &stamp, std::optional<FileBytes> &locked) {
    locked = readFileBytes(target, {texts::fill(texts::kCannotOpenFile, target), 2}, PageLock::Exclusive);
    return locked && stampOf(locked->view()) == stamp;
}

} // namespace

WriteResult writeFileAtomically(const std::string &path, std::string_view bytes, const WriteOptions &options) {
    const std::string_view whole[] = {bytes};
    return writeFileAtomically(path, std::span<const std::string_view>(whole), options);
}

WriteResult writeFileAtomically(const std::string &path, std::span<const std::string_view> pieces,
                                const WriteOptions &options) {
    if (path.empty()) {
        return failure(ENOENT);
    }
    // A device or a pipe named through a link of the system (/dev/stdout) is written as it is.
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode)) {
        return writeInPlace(path, pieces, options);
    }
    const auto target = finalTarget(path);
    if (!target) {
        return failure(errno);
    }

    struct stat existing {};
    bool exists = false;
    if (::stat(target->c_str(), &existing) == 0) {
        exists = true;
        if (S_ISDIR(existing.st_mode)) {
            return failure(EISDIR);
        }
        if (!S_ISREG(existing.st_mode)) {
            return writeInPlace(*target, pieces, options);
        }
        // What the writer could not write with `echo >` is not replaced by a rename either.
        if (::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0) {
            return errno == EACCES ? failure(texts::kReadOnlyReason) : failure(errno);
        }
    } else if (errno != ENOENT) {
        return failure(errno);
    }

    // Held until the new bytes have replaced the old: no second writer slips in between.
    std::optional<FileBytes> locked;
    if (options.onlyIfHolding && !targetStillHolds(*target, *options.onlyIfHolding, locked)) {
        return {WriteResult::Outcome::TargetChanged, {}, {}};
    }

    const EndingSignalsGuard signals;
    // The new file sits beside the target so that the rename stays on one file system. A
    // temporary name keeps a readable part of the target's name within the length a folder
    // allows.
    constexpr std::size_t maxBaseLength = 200;
    const std::string folder = folderOf(*target);
    NewFile file;
    if (!file.open(folder, baseNameOf(*target).substr(0, maxBaseLength))) {
        return failure(errno);
    }
    if (!writeFully(file.fd(), pieces) || ::fsync(file.fd()) != 0) {
        return failure(errno);
    }
    // Asked after the last byte: a change that came while the bytes were written counts too.
    if (options.sourceUnchanged && !options.sourceUnchanged()) {
        return {WriteResult::Outcome::SourceChanged, {}, {}};
    }
    std::size_t size = 0;
    for (std::string_view piece : pieces) {
        size += piece.size();
    }
    bool through = false;
    if (exists) {
        // A second name of the file would keep the old bytes after a rename.
        through = existing.st_nlink > 1;
        // Keep the owner where we may (only a privileged process can give a file away);
        // this comes before the mode because a change of owner clears set-id bits.
        if (!through && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
            through = ::fchown(file.fd(), existing.st_uid, existing.st_gid) != 0;
        }
        if (!through && ::fchmod(file.fd(), existing.st_mode & 07777) != 0) {
            return failure(errno);
        }
        through = through || !copyAttributes(*target, file.fd());
    } else if (::fchmod(file.fd(), creationMode()) != 0) {
        return failure(errno);
    }
    if (through) {
        if (!file.name()) {
            return failure(errno);
        }
        return writeThrough(*target, file.fd(), size, file.temporary());
    }
    if (!exists && file.linkAs(*target)) {
        // The whole page is in place; a close that fails now takes it away again.
        if (!file.close()) {
            const int error = errno;
            ::unlink(target->c_str());
            return failure(error);
        }
    } else {
        if ((!exists && errno != EEXIST) || !file.name() || !file.close()) {
            return failure(errno);
        }
        if (::rename(file.temporary().path().c_str(), target->c_str()) != 0) {
            return failure(errno);
        }
        file.temporary().dismiss();
    }

    // Make the new name itself durable; the bytes are already safe, so a failure here is not
    // reported.
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() >= 0) {
        (void)::fsync(folderFd.get());
    }
    return {};
}

std::string systemReason(int error) {
    const char *text = ::strerrordesc_np(error);
    return text != nullptr ? std::string(text) : "error " + std::to_string(error);
}

} // namespace velmoraine::files
