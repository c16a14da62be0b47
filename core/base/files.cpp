#include "core/base/files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/base/bytes.h"
#include "core/base/platform_files.h"
#include "core/base/texts.h"

namespace velmoraine::files {

using platform::File;
using platform::FileKind;
using platform::FileStatus;

namespace {

// Removes the temporary file on every early return; dismiss() once it has been renamed. A
// fault or an ending signal in the middle of the write removes it too.
class TemporaryName {
public:
    explicit TemporaryName(std::string path) : m_path(std::move(path)) { platform::setTemporaryFile(m_path.c_str()); }
    TemporaryName(const TemporaryName &) = delete;
    TemporaryName &operator=(const TemporaryName &) = delete;
    ~TemporaryName() {
        platform::setTemporaryFile(nullptr);
        if (!m_path.empty()) {
            platform::removeName(m_path);
        }
    }
    const std::string &path() const noexcept { return m_path; }
    void dismiss() noexcept {
        platform::setTemporaryFile(nullptr);
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

// Writes pieces in order, many a call. A large piece goes out from where it lies; small ones
// are first gathered into a buffer, since a part of a call costs more than copying a few bytes
// (a page with a million webbot comments cut out is a million pieces).
class PieceWriter {
public:
    explicit PieceWriter(const File &file) : m_file(file), m_buffer(new char[kBufferSize]) {}

    bool add(std::string_view piece) {
        if (piece.empty()) {
            return true;
        }
        if (piece.size() >= kOwnPart) {
            if (m_count == m_parts.size() && !flush()) {
                return false;
            }
            m_parts[m_count++] = piece;
            return true;
        }
        if ((m_used + piece.size() > kBufferSize || m_count == m_parts.size()) && !flush()) {
            return false;
        }
        char *at = m_buffer.get() + m_used;
        std::memcpy(at, piece.data(), piece.size());
        m_used += piece.size();
        // Bytes that follow bytes of the buffer extend the same part.
        if (m_count > 0 && m_parts[m_count - 1].data() + m_parts[m_count - 1].size() == at) {
            m_parts[m_count - 1] = {m_parts[m_count - 1].data(), m_parts[m_count - 1].size() + piece.size()};
        } else {
            m_parts[m_count++] = {at, piece.size()};
        }
        return true;
    }

    bool flush() {
        const bool written = platform::writeAll(m_file, std::span(m_parts).first(m_count));
        m_count = 0;
        m_used = 0;
        return written;
    }

private:
    static constexpr std::size_t kBufferSize = std::size_t{256} * 1024;
    static constexpr std::size_t kOwnPart = std::size_t{16} * 1024;

    const File &m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    std::array<std::string_view, platform::kPartsPerWrite> m_parts{};
    std::size_t m_count = 0;
};

// Writes every byte of the pieces in order; a write error of any kind is a failure.
bool writeFully(const File &file, std::span<const std::string_view> pieces) {
    PieceWriter writer(file);
    for (std::string_view piece : pieces) {
        if (!writer.add(piece)) {
            return false;
        }
    }
    return writer.flush();
}

// Follows a chain of symbolic links to the file that a write really replaces. A relative
// link target is taken from the folder of the link. Nullopt, with errno set, on a loop, a
// planted link (EACCES) or a lookup error other than "does not exist" (a missing final
// target is created by the write).
std::optional<std::string> finalTarget(const std::string &path) {
    constexpr int maxLinks = 40; // the kernel's own limit for one path lookup
    std::string current = path;
    for (int hop = 0; hop <= maxLinks; ++hop) {
        const auto status = platform::linkStatusOf(current);
        if (!status) {
            if (errno == ENOENT) {
                return current;
            }
            return std::nullopt;
        }
        if (status->kind != FileKind::Link) {
            return current;
        }
        if (platform::plantedLink(folderOf(current), *status)) {
            errno = EACCES;
            return std::nullopt;
        }
        auto target = platform::readLink(current);
        if (!target) {
            return std::nullopt;
        }
        if (target->empty()) {
            errno = ENOENT;
            return std::nullopt;
        }
        if (target->front() == '/') {
            current = *target;
        } else {
            std::string folder = folderOf(current);
            current = (folder == "/" ? folder : folder + "/") + *target;
        }
    }
    errno = ELOOP;
    return std::nullopt;
}

WriteResult failure(int error) { return {WriteResult::Outcome::Failed, systemReason(error), {}}; }

WriteResult failure(std::string_view reason) { return {WriteResult::Outcome::Failed, std::string(reason), {}}; }

// Devices and pipes cannot be renamed over: their bytes go to the open file itself. Bytes from
// a page that changed meanwhile are gone by the time that is known; it is said all the same.
WriteResult writeInPlace(const std::string &target, std::span<const std::string_view> pieces,
                         const WriteOptions &options) {
    File file = platform::openInPlace(target);
    if (!file.valid()) {
        return failure(errno);
    }
    if (!writeFully(file, pieces)) {
        return failure(errno);
    }
    if (!file.close()) {
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

// The same as platform::openRegularFile, holding the file's advisory lock. A writer that held
// the lock before may have renamed a new file over the name; the lock on the file that lost its
// name is then dropped and the new one is opened and locked in turn.
File openLockedFile(const std::string &path, FileStatus &status) {
    for (;;) {
        File file = platform::openRegularFile(path, status);
        if (!file.valid() || !platform::lockExclusive(file)) {
            return {};
        }
        const auto named = platform::statusOf(path);
        if (!named) {
            return {};
        }
        if (named->id == status.id) {
            // The size may have changed while the lock was awaited.
            const auto now = platform::statusOf(file);
            if (!now) {
                return {};
            }
            status = *now;
            return file;
        }
    }
}

// Reads the whole file into a buffer that `Buffer` keeps: prepare(size) gives room for the
// size the file has now, shrink(size) keeps a shorter read, append(bytes) adds what the file
// grew by meanwhile. False on a read error.
template <typename Buffer> bool readAll(const File &file, std::size_t size, Buffer &buffer) {
    // One allocation of the size the file has now; the file may still change while it is
    // read, so a short read shrinks the result and any bytes past that size are appended.
    char *data = buffer.prepare(size);
    const long long got = platform::readFully(file, data, size);
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
        const long long more = platform::readFully(file, chunk.data(), chunkSize);
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
    FileStatus status;
    const File file = platform::openRegularFile(path, status);
    if (!file.valid()) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(status.size);
    std::string content;
    StringBuffer buffer{content};
    if (!readAll(file, size, buffer)) {
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
void takeStamp(const FileStatus &status, long long (&stamp)[3]) {
    stamp[0] = static_cast<long long>(status.size);
    stamp[1] = static_cast<long long>(status.modifiedSeconds);
    stamp[2] = static_cast<long long>(status.modifiedNanoseconds);
}

} // namespace

std::optional<FileBytes> readFileBytes(const std::string &path, const ShortenedFileExit &onShortened, PageLock lock) {
    FileStatus status;
    File file = lock == PageLock::Exclusive ? openLockedFile(path, status) : platform::openRegularFile(path, status);
    if (!file.valid()) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(status.size);
    FileBytes result;
    takeStamp(status, result.m_stamp);
    if (size >= kMapFrom) {
        if (const char *mapped = platform::mapForReading(file, size)) {
            result.m_data = mapped;
            result.m_size = size;
            result.m_mapped = true;
            platform::guardMapping(result.m_data, size, onShortened.message + '\n', onShortened.exitCode);
            result.m_file = std::move(file);
            return result;
        }
        // A file system that cannot map files is read instead.
    }
    MallocBuffer buffer;
    if (!readAll(file, size, buffer)) {
        return std::nullopt;
    }
    result.m_data = std::exchange(buffer.data, nullptr);
    result.m_size = buffer.size;
    result.m_file = std::move(file);
    return result;
}

FileBytes::FileBytes(FileBytes &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mapped(std::exchange(other.m_mapped, false)), m_file(std::move(other.m_file)) {
    std::copy(std::begin(other.m_stamp), std::end(other.m_stamp), std::begin(m_stamp));
}

FileBytes &FileBytes::operator=(FileBytes &&other) noexcept {
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapped = std::exchange(other.m_mapped, false);
        m_file = std::move(other.m_file);
        std::copy(std::begin(other.m_stamp), std::end(other.m_stamp), std::begin(m_stamp));
    }
    return *this;
}

FileBytes::~FileBytes() { release(); }

bool FileBytes::changedSinceRead() const noexcept {
    if (!m_file.valid()) {
        return false;
    }
    const auto status = platform::statusOf(m_file);
    if (!status) {
        return true;
    }
    long long now[3] = {};
    takeStamp(*status, now);
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
        const long long got = platform::readAt(m_file, chunk, chunkSize, at);
        if (got < 0) {
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
        platform::unguardMapping(m_data);
        platform::unmap(m_data, m_size);
    } else {
        std::free(const_cast<char *>(m_data));
    }
    m_file.reset(File::kNone);
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
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
    FileStatus status;
    const File file = platform::openRegularFile(path, status);
    if (!file.valid()) {
        return std::nullopt;
    }
    constexpr std::size_t chunkSize = 64 * 1024;
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    ContentStamp stamp{0, kStampStart};
    for (;;) {
        const long long got = platform::readFully(file, chunk.get(), chunkSize);
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
    const auto a = platform::statusOf(first);
    const auto b = a ? platform::statusOf(second) : std::nullopt;
    return a && b && a->id == b->id;
}

namespace {

// --- The new file ----------------------------------------------------------------------------

// The new page's file beside the target. Where the file system allows, it has no name while it
// is written, so a process that dies before it is complete leaves nothing in the folder; it gets
// a name only once whole. Elsewhere it is the temporary file ".NAME.XXXXXX" from the start,
// removed on every early return and by the ending signals.
class NewFile {
public:
    // Opens the file in `folder`; `base` is the readable part of a temporary name. False, with
    // errno set, when neither kind of file can be made there.
    bool open(const std::string &folder, const std::string &base) {
        m_pattern = (folder == "/" ? folder : folder + "/") + "." + base + ".XXXXXX";
        m_file = platform::createUnnamed(folder);
        if (m_file.valid()) {
            return true;
        }
        const platform::EndingSignalsHeld held; // until the handler knows the name it must remove
        std::string name = m_pattern;
        m_file = platform::createTemporary(name);
        if (!m_file.valid()) {
            return false;
        }
        m_temporary.emplace(std::move(name));
        return true;
    }

    const File &file() const noexcept { return m_file; }

    // Closes the file, which an unnamed file must outlive until it is named; false on an
    // error the close reports.
    bool close() { return m_file.close(); }

    // Gives the complete file its temporary name, removed again on an early return unless
    // dismissed; a file that has one already keeps it. False, with errno set, on failure.
    bool name() {
        if (m_temporary) {
            return true;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = m_pattern;
            fillRandomly(std::span(name).last(6));
            const platform::EndingSignalsHeld held;
            if (platform::linkAs(m_file, name)) {
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
        return platform::linkAs(m_file, target);
    }

    // The temporary name once named (see name()); dismiss it once it has been renamed.
    TemporaryName &temporary() { return *m_temporary; }

private:
    // Letters and digits as mkostemp uses them, from the system's random source.
    static void fillRandomly(std::span<char> out) {
        static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        unsigned char random[6] = {};
        if (!platform::randomBytes(random)) {
            const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
            std::memcpy(random, &now, sizeof random);
        }
        for (std::size_t i = 0; i < out.size() && i < sizeof random; ++i) {
            out[i] = kLetters[random[i] % kLetters.size()];
        }
    }

    std::string m_pattern;
    File m_file;
    std::optional<TemporaryName> m_temporary;
};

// --- What a rename would lose ----------------------------------------------------------------

// Gives the new file exactly the extended attributes of `target`; false when one cannot be read
// or set (a security attribute, for instance).
bool copyAttributes(const std::string &target, const File &file) {
    const auto wanted = platform::attributeNames(target);
    const auto present = platform::attributeNames(file);
    if (!wanted || !present) {
        return false;
    }
    // An inherited default access list of the folder is not the target's.
    for (const std::string &name : *present) {
        if (std::find(wanted->begin(), wanted->end(), name) == wanted->end() &&
            !platform::removeAttribute(file, name)) {
            return false;
        }
    }
    for (const std::string &name : *wanted) {
        const auto value = platform::attribute(target, name);
        if (!value || !platform::setAttribute(file, name, *value)) {
            return false;
        }
    }
    return true;
}

// Copies the complete new file `from` (of `size` bytes) over the bytes of `target`, which
// keeps its name, links, owner and attributes. The copy stays until the target holds it all.
WriteResult writeThrough(const std::string &target, const File &from, std::size_t size, TemporaryName &temporary) {
    File to = platform::openForWriting(target);
    if (!to.valid()) {
        return failure(errno);
    }
    // Room first, so that a full disk is found before a byte of the target has changed.
    if (!platform::reserveRoom(to, size)) {
        return failure(errno);
    }
    // From here on the copy is the only whole new page: it stays when anything goes wrong.
    const std::string copy = temporary.path();
    temporary.dismiss();
    const std::string kept = texts::fill(texts::kNewPageKept, copy);
    platform::sayWhenEnded(texts::withReason(texts::fill(texts::kCannotCreateFile, target), texts::kInterruptedReason) +
                           ". " + kept + "\n");
    const auto keptFailure = [&](int error) {
        platform::sayNothingWhenEnded();
        return WriteResult{WriteResult::Outcome::Failed, systemReason(error), copy};
    };

    constexpr std::size_t chunkSize = std::size_t{1} << 20;
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    std::size_t at = 0;
    while (at < size) {
        const long long got = platform::readAt(from, chunk.get(), std::min(chunkSize, size - at), at);
        if (got <= 0) {
            return keptFailure(got < 0 ? errno : EIO);
        }
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            const long long put =
                platform::writeAt(to, chunk.get() + done, static_cast<std::size_t>(got) - done, at + done);
            if (put <= 0) {
                return keptFailure(put < 0 ? errno : EIO);
            }
            done += static_cast<std::size_t>(put);
        }
        at += done;
    }
    if (!platform::setSize(to, size) || !platform::flush(to) || !to.close()) {
        return keptFailure(errno);
    }
    platform::sayNothingWhenEnded();
    platform::removeName(copy);
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
    if (const auto named = platform::statusOf(path);
        named && named->kind != FileKind::Regular && named->kind != FileKind::Folder) {
        return writeInPlace(path, pieces, options);
    }
    const auto target = finalTarget(path);
    if (!target) {
        return failure(errno);
    }

    const auto existing = platform::statusOf(*target);
    const bool exists = existing.has_value();
    if (exists) {
        if (existing->kind == FileKind::Folder) {
            return failure(EISDIR);
        }
        if (existing->kind != FileKind::Regular) {
            return writeInPlace(*target, pieces, options);
        }
        // What the writer could not write with `echo >` is not replaced by a rename either.
        if (!platform::mayWrite(*target)) {
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

    const platform::EndingSignalsCaught signals;
    // The new file sits beside the target so that the rename stays on one file system. A
    // temporary name keeps a readable part of the target's name within the length a folder
    // allows.
    constexpr std::size_t maxBaseLength = 200;
    const std::string folder = folderOf(*target);
    NewFile file;
    if (!file.open(folder, baseNameOf(*target).substr(0, maxBaseLength))) {
        return failure(errno);
    }
    if (!writeFully(file.file(), pieces) || !platform::flush(file.file())) {
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
        through = existing->links > 1;
        // Keep the owner where we may (only a privileged process can give a file away);
        // this comes before the mode because a change of owner clears set-id bits.
        if (!through && existing->owner != platform::processOwner()) {
            through = !platform::setOwner(file.file(), existing->owner);
        }
        if (!through && !platform::setPermissions(file.file(), existing->permissions)) {
            return failure(errno);
        }
        through = through || !copyAttributes(*target, file.file());
    } else if (!platform::setPermissions(file.file(), platform::creationPermissions())) {
        return failure(errno);
    }
    if (through) {
        if (!file.name()) {
            return failure(errno);
        }
        return writeThrough(*target, file.file(), size, file.temporary());
    }
    if (!exists && file.linkAs(*target)) {
        // The whole page is in place; a close that fails now takes it away again.
        if (!file.close()) {
            const int error = errno;
            platform::removeName(*target);
            return failure(error);
        }
    } else {
        if ((!exists && errno != EEXIST) || !file.name() || !file.close()) {
            return failure(errno);
        }
        if (!platform::rename(file.temporary().path(), *target)) {
            return failure(errno);
        }
        file.temporary().dismiss();
    }

    // Make the new name itself durable; the bytes are already safe, so a failure here is not
    // reported.
    platform::flushFolder(folder);
    return {};
}

std::string systemReason(int error) {
    auto text = platform::errorText(error);
    return text ? *std::move(text) : "error " + std::to_string(error);
}

} // namespace velmoraine::files
