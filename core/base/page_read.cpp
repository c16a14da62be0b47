#include "core/base/page_read.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <utility>

#include "core/base/bytes.h"

namespace velmoraine::files {

using platform::File;
using platform::FileStatus;

// ---------------------------------------------------------------------------------------------
// Whole reads
// ---------------------------------------------------------------------------------------------

namespace {

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
    File file = openPage(path, status, lock);
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
// Content stamps and file identity
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

} // namespace velmoraine::files
