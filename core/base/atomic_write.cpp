#include "core/base/atomic_write.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "core/base/new_file.h"
#include "core/base/platform_files.h"
#include "core/base/texts.h"

namespace velmoraine::files {

using platform::File;
using platform::FileKind;

namespace {

// --- Paths and pieces ------------------------------------------------------------------------

// The folder part of a path, "." for a bare name, the root itself for a name directly under it.
std::string folderOf(const std::string &path) {
    const auto slash = platform::lastSeparator(path);
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0 || (slash == 2 && path[1] == ':')) {
        return path.substr(0, slash + 1);
    }
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string &path) {
    const auto slash = platform::lastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes pieces in order, many a call. A large piece goes out from where it lies; small ones
// are first gathered into a buffer, since a part of a call costs more than copying a few bytes
// (a page with a million webbot comments cut out is a million pieces).
class PieceWriter {
public:
    // `toDisk`: the file is flushed once written, and its bytes are sent to the disk every few
    // megabytes as they go out, so that the flush waits for the last of them only.
    PieceWriter(const File &file, bool toDisk) : m_file(file), m_buffer(new char[kBufferSize]), m_toDisk(toDisk) {}

    bool add(std::string_view piece) {
        if (piece.empty()) {
            return true;
        }
        if (piece.size() >= kOwnPart) {
            // Sent to the disk as it goes: the bytes of a call end where the next few megabytes do.
            while (m_toDisk && m_pending + piece.size() > kSendEvery) {
                const std::size_t slice = kSendEvery - m_pending;
                if (!addPart(piece.substr(0, slice)) || !flush()) {
                    return false;
                }
                piece.remove_prefix(slice);
            }
            return piece.empty() || addPart(piece);
        }
        if ((m_used + piece.size() > kBufferSize || m_count == m_parts.size()) && !flush()) {
            return false;
        }
        char *at = m_buffer.get() + m_used;
        std::memcpy(at, piece.data(), piece.size());
        m_used += piece.size();
        m_pending += piece.size();
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
        m_written += m_pending;
        m_pending = 0;
        if (written && m_toDisk && m_written - m_sent >= kSendEvery) {
            platform::startWriteBack(m_file, m_sent, m_written - m_sent);
            m_sent = m_written;
        }
        return written;
    }

private:
    bool addPart(std::string_view part) {
        if (m_count == m_parts.size() && !flush()) {
            return false;
        }
        m_parts[m_count++] = part;
        m_pending += part.size();
        return true;
    }

    static constexpr std::size_t kBufferSize = std::size_t{256} * 1024;
    static constexpr std::size_t kOwnPart = std::size_t{16} * 1024;
    static constexpr std::size_t kSendEvery = std::size_t{8} * 1024 * 1024;

    const File &m_file;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    std::array<std::string_view, platform::kPartsPerWrite> m_parts{};
    std::size_t m_count = 0;
    bool m_toDisk = false;
    std::size_t m_pending = 0;   // the bytes of the parts not written yet
    std::uint64_t m_written = 0; // the bytes written, from the file's start
    std::uint64_t m_sent = 0;    // those sent to the disk
};

// Writes every byte of the pieces in order, from the file's start; a write error of any kind is
// a failure. `toDisk` as PieceWriter's.
bool writeFully(const File &file, std::span<const std::string_view> pieces, bool toDisk = false) {
    PieceWriter writer(file, toDisk);
    for (std::string_view piece : pieces) {
        if (!writer.add(piece)) {
            return false;
        }
    }
    return writer.flush();
}

// --- The target, devices and pipes -----------------------------------------------------------

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
        if (platform::isAbsolutePath(*target)) {
            current = *target;
        } else {
            std::string folder = folderOf(current);
            current = (platform::isPathSeparator(folder.back()) ? folder : folder + "/") + *target;
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

// --- What a rename would lose, and the write through the page --------------------------------

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

// Copies the `size` bytes of `from` over the first bytes of `to`, a chunk at a time; 0, or the
// error number of the read or write that failed.
int copyBytes(const File &from, const File &to, std::size_t size) {
    constexpr std::size_t chunkSize = std::size_t{1} << 20;
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    std::size_t at = 0;
    while (at < size) {
        const long long got = platform::readAt(from, chunk.get(), std::min(chunkSize, size - at), at);
        if (got <= 0) {
            return got < 0 ? errno : EIO;
        }
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            const long long put =
                platform::writeAt(to, chunk.get() + done, static_cast<std::size_t>(got) - done, at + done);
            if (put <= 0) {
                return put < 0 ? errno : EIO;
            }
            done += static_cast<std::size_t>(put);
        }
        at += done;
    }
    return 0;
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
    if (const int error = copyBytes(from, to, size); error != 0) {
        return keptFailure(error);
    }
    if (!platform::setSize(to, size) || !platform::flush(to) || !to.close()) {
        return keptFailure(errno);
    }
    platform::sayNothingWhenEnded();
    platform::removeName(copy);
    return {};
}

// --- The steps of an atomic write ------------------------------------------------------------

// True when the target still holds the bytes stamped; `locked` keeps the lock taken to read it.
bool targetStillHolds(const std::string &target, const ContentStamp &stamp, std::optional<FileBytes> &locked) {
    locked = readFileBytes(target, {texts::fill(texts::kCannotOpenFile, target), 2}, PageLock::Exclusive);
    return locked && stampOf(locked->view()) == stamp;
}

// Opens the new file beside the target, so that the rename stays on one file system. A
// temporary name keeps a readable part of the target's name within the length a folder allows.
bool openBeside(NewFile &file, const std::string &target) {
    constexpr std::size_t maxBaseLength = 200;
    return file.open(folderOf(target), baseNameOf(target).substr(0, maxBaseLength));
}

std::size_t sizeOf(std::span<const std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) {
        size += piece.size();
    }
    return size;
}

// How the complete new file takes the target's place.
enum class Replacement {
    ByName,  // it takes the target's name, by a link or a rename
    Through, // its bytes are copied through the existing target (writeThrough)
};

// Gives the new file what a rename would lose of the existing target: its owner, its permissions
// and its extended attributes; a new target gets the permissions of the creation mask. Through
// where a rename cannot keep them all. Nullopt, with errno set, when the permissions cannot be
// set.
std::optional<Replacement> copyMetadata(const File &file, const std::string &target,
                                        const std::optional<platform::FileStatus> &existing) {
    if (!existing) {
        if (!platform::setPermissions(file, platform::creationPermissions())) {
            return std::nullopt;
        }
        return Replacement::ByName;
    }
    // A second name of the file would keep the old bytes after a rename.
    bool through = existing->links > 1;
    // Keep the owner where we may (only a privileged process can give a file away);
    // this comes before the mode because a change of owner clears set-id bits.
    if (!through && existing->owner != platform::processOwner()) {
        through = !platform::setOwner(file, existing->owner);
    }
    if (!through && !platform::setPermissions(file, existing->permissions)) {
        return std::nullopt;
    }
    through = through || !copyAttributes(target, file);
    return through ? Replacement::Through : Replacement::ByName;
}

// Gives the complete new file the target's name: linked in where there was no target, else
// renamed over it from a temporary name. Then makes the new name itself durable.
WriteResult replaceByName(NewFile &file, const std::string &target, bool exists) {
    if (!exists && file.linkAs(target)) {
        // The whole page is in place; a close that fails now takes it away again.
        if (!file.close()) {
            const int error = errno;
            platform::removeName(target);
            return failure(error);
        }
    } else {
        if ((!exists && errno != EEXIST) || !file.name() || !file.close()) {
            return failure(errno);
        }
        if (!platform::rename(file.temporary().path(), target)) {
            return failure(errno);
        }
        file.temporary().dismiss();
    }
    // The bytes are already safe, so a failure to make the name durable is not reported.
    platform::flushFolder(folderOf(target));
    return {};
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
    if (!existing && errno != ENOENT) {
        return failure(errno);
    }
    if (existing) {
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
    }

    // Held until the new bytes have replaced the old: no second writer slips in between.
    std::optional<FileBytes> locked;
    if (options.onlyIfHolding && !targetStillHolds(*target, *options.onlyIfHolding, locked)) {
        return {WriteResult::Outcome::TargetChanged, {}, {}};
    }

    const platform::EndingSignalsCaught signals;
    NewFile file;
    if (!openBeside(file, *target) || !writeFully(file.file(), pieces, true) || !platform::flush(file.file())) {
        return failure(errno);
    }
    // Asked after the last byte: a change that came while the bytes were written counts too.
    if (options.sourceUnchanged && !options.sourceUnchanged()) {
        return {WriteResult::Outcome::SourceChanged, {}, {}};
    }
    const auto replacement = copyMetadata(file.file(), *target, existing);
    if (!replacement) {
        return failure(errno);
    }
    if (*replacement == Replacement::Through) {
        if (!file.name()) {
            return failure(errno);
        }
        return writeThrough(*target, file.file(), sizeOf(pieces), file.temporary());
    }
    return replaceByName(file, *target, existing.has_value());
}

std::string systemReason(int error) {
    auto text = platform::errorText(error);
    return text ? *std::move(text) : "error " + std::to_string(error);
}

} // namespace velmoraine::files
