// The system's calls of the file layer (platform_files.h) on Windows. Paths are UTF-8 inside
// the program and UTF-16 at the system's calls, with the long-path prefix where a path is too
// long for the plain form. Files are opened so that other programs may read, write and rename
// them meanwhile, as on POSIX systems. What Windows has no counterpart for: pages are read, not
// mapped (a mapped file cannot be replaced or cut); there are no symbolic links planted in
// shared folders, no POSIX owners and no extended attributes to copy, and the replace keeps
// the target's attributes and security through ReplaceFileW.
#include "core/base/platform_files.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <windows.h>

#include <bcrypt.h>

namespace velmoraine::files::platform {

namespace {

HANDLE handleOf(const File &file) noexcept { return reinterpret_cast<HANDLE>(file.native()); }

File adopt(HANDLE handle) noexcept {
    return File(handle == INVALID_HANDLE_VALUE || handle == nullptr ? File::kNone
                                                                    : reinterpret_cast<std::intptr_t>(handle));
}

// The nearest <cerrno> number to a Windows error, so that messages read as on other systems.
int errnoOf(DWORD error) noexcept {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_BUSY: return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_NOT_SUPPORTED: return ENOSYS;
    default: return EIO;
    }
}

// Sets errno from the thread's last Windows error; false, for `return failed();`.
bool failed() noexcept {
    errno = errnoOf(::GetLastError());
    return false;
}

std::wstring wide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out.data(),
                          length);
    return out;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
    return out;
}

// The UTF-16 form of a path for the system's calls. A path near the plain form's limit gets the
// long-path prefix, which needs the full path with backslashes.
std::wstring systemPath(const std::string &path) {
    std::wstring name = wide(path);
    constexpr std::size_t kPlainLimit = MAX_PATH - 12;
    if (name.size() < kPlainLimit || name.starts_with(L"\\\\?\\")) {
        return name;
    }
    const DWORD length = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return name;
    }
    std::wstring full(length, L'\0');
    full.resize(::GetFullPathNameW(name.c_str(), length, full.data(), nullptr));
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE openHandle(const std::string &path, DWORD access, DWORD disposition, DWORD flags) {
    return ::CreateFileW(systemPath(path).c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

std::int64_t unixNanoseconds(FILETIME time) {
    // 100-nanosecond steps since 1601.
    const auto steps = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;
    return static_cast<std::int64_t>(steps - kUnixEpoch) * 100;
}

std::optional<FileStatus> statusOfHandle(HANDLE handle, bool link) {
    FileStatus status;
    const DWORD type = ::GetFileType(handle);
    if (type != FILE_TYPE_DISK) {
        status.kind = FileKind::Other;
        status.links = 1;
        status.permissions = 0666;
        return status;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) {
        failed();
        return std::nullopt;
    }
    status.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Folder : FileKind::Regular;
    if (link && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
            tag.ReparseTag == IO_REPARSE_TAG_SYMLINK) {
            status.kind = FileKind::Link;
        }
    }
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    const std::int64_t modified = unixNanoseconds(info.ftLastWriteTime);
    status.modifiedSeconds = modified / 1000000000;
    status.modifiedNanoseconds = modified % 1000000000;
    status.id = {info.dwVolumeSerialNumber,
                 (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    status.links = info.nNumberOfLinks;
    status.permissions = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    return status;
}

std::optional<FileStatus> statusOfPath(const std::string &path, DWORD flags, bool link) {
    const File file = adopt(openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags));
    if (!file.valid()) {
        failed();
        return std::nullopt;
    }
    return statusOfHandle(handleOf(file), link);
}

// The temporary file to remove when the console ends the program, and what to say then.
std::atomic<const char *> g_temporaryFile{nullptr};
std::string g_endedMessage;
std::atomic<bool> g_sayEnded{false};
// Held while a temporary file's name is made, so that the console handler sees it whole.
std::mutex g_endingHeld;

BOOL WINAPI onConsoleEnd(DWORD /*event*/) {
    const std::lock_guard<std::mutex> held(g_endingHeld);
    if (const char *temporary = g_temporaryFile.load()) {
        ::DeleteFileW(systemPath(temporary).c_str());
    }
    if (g_sayEnded.load()) {
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), g_endedMessage.data(), static_cast<DWORD>(g_endedMessage.size()),
                    &written, nullptr);
    }
    return FALSE; // the system's own handling then ends the program
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Paths
// ---------------------------------------------------------------------------------------------

std::string settingsFolder() {
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (length > 1) {
        std::wstring folder(length, L'\0');
        folder.resize(::GetEnvironmentVariableW(L"APPDATA", folder.data(), length));
        std::string text = narrow(folder);
        while (text.size() > 3 && isPathSeparator(text.back())) {
            text.pop_back();
        }
        return text;
    }
    return ".";
}

std::string executableFile() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return {};
        }
        if (length < name.size()) {
            name.resize(length);
            return narrow(name);
        }
        name.resize(name.size() * 2);
    }
}

bool makeFolder(const std::string &path) {
    return ::CreateDirectoryW(systemPath(path).c_str(), nullptr) != 0 || failed();
}

// ---------------------------------------------------------------------------------------------
// Open files and their status
// ---------------------------------------------------------------------------------------------

void File::reset(std::intptr_t native) noexcept {
    if (m_native != kNone) {
        const int error = errno;
        ::CloseHandle(reinterpret_cast<HANDLE>(m_native));
        errno = error;
    }
    m_native = native;
}

bool File::close() noexcept { return ::CloseHandle(reinterpret_cast<HANDLE>(release())) != 0 || failed(); }

std::optional<FileStatus> statusOf(const std::string &path) { return statusOfPath(path, 0, false); }

std::optional<FileStatus> linkStatusOf(const std::string &path) {
    return statusOfPath(path, FILE_FLAG_OPEN_REPARSE_POINT, true);
}

std::optional<FileStatus> statusOf(const File &file) { return statusOfHandle(handleOf(file), false); }

Owner processOwner() { return {}; }

bool mayWrite(const std::string &path) {
    const auto status = statusOf(path);
    if (!status) {
        return false;
    }
    if ((status->permissions & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return File(adopt(openHandle(path, GENERIC_WRITE, OPEN_EXISTING, 0))).valid() || failed();
}

std::optional<std::string> readLink(const std::string &path) {
    // Windows keeps a link's target as a path of its own; the final path of the file it leads
    // to serves, as an absolute path.
    const File file = adopt(openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
    if (!file.valid()) {
        failed();
        return std::nullopt;
    }
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handleOf(file), name.data(), static_cast<DWORD>(name.size()), 0);
    if (length >= name.size()) {
        name.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handleOf(file), name.data(), static_cast<DWORD>(name.size()), 0);
    }
    if (length == 0 || length >= name.size()) {
        failed();
        return std::nullopt;
    }
    name.resize(length);
    if (name.starts_with(L"\\\\?\\UNC\\")) {
        name = L"\\\\" + name.substr(8);
    } else if (name.starts_with(L"\\\\?\\")) {
        name = name.substr(4);
    }
    return narrow(name);
}

bool plantedLink(const std::string & /*folder*/, const FileStatus & /*link*/) { return false; }

// ---------------------------------------------------------------------------------------------
// Opening, naming and removing
// ---------------------------------------------------------------------------------------------

File openRegularFile(const std::string &path, FileStatus &status) {
    File file = adopt(openHandle(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.valid()) {
        failed();
        return {};
    }
    const auto opened = statusOf(file);
    if (!opened || opened->kind != FileKind::Regular) {
        return {};
    }
    status = *opened;
    return file;
}

File openInPlace(const std::string &path) {
    File file = adopt(openHandle(path, GENERIC_WRITE, OPEN_EXISTING, 0));
    if (!file.valid()) {
        failed();
        return {};
    }
    if (::GetFileType(handleOf(file)) == FILE_TYPE_DISK && !setSize(file, 0)) {
        return {};
    }
    return file;
}

File openForWriting(const std::string &path) {
    File file = adopt(openHandle(path, GENERIC_WRITE, OPEN_EXISTING, 0));
    if (!file.valid()) {
        failed();
    }
    return file;
}

File createUnnamed(const std::string & /*folder*/) {
    errno = ENOSYS; // Windows has no files without a name
    return {};
}

File createTemporary(std::string &path) {
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (path.size() < 6) {
        errno = EINVAL;
        return {};
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::array<unsigned char, 6> random{};
        if (!randomBytes(random)) {
            const auto ticks = ::GetTickCount64() + static_cast<unsigned>(attempt);
            std::memcpy(random.data(), &ticks, random.size());
        }
        for (std::size_t i = 0; i < random.size(); ++i) {
            path[path.size() - 6 + i] = kLetters[random[i] % kLetters.size()];
        }
        File file = adopt(openHandle(path, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL));
        if (file.valid()) {
            return file;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            failed();
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

bool linkAs(const File & /*file*/, const std::string & /*name*/) {
    errno = ENOSYS; // only files without a name are linked, and Windows makes none
    return false;
}

bool rename(const std::string &from, const std::string &to) {
    const std::wstring source = systemPath(from);
    const std::wstring target = systemPath(to);
    // ReplaceFileW keeps what the target had: its attributes, its security, its creation time.
    if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ::ReplaceFileW(target.c_str(), source.c_str(), nullptr,
                       REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
        return true;
    }
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
           failed();
}

void removeName(const std::string &path) { ::DeleteFileW(systemPath(path).c_str()); }

void flushFolder(const std::string & /*folder*/) {
    // A replace by MoveFileExW is written through already; a folder cannot be flushed here.
}

// ---------------------------------------------------------------------------------------------
// Reading and writing
// ---------------------------------------------------------------------------------------------

namespace {

// The most bytes one ReadFile or WriteFile call moves.
constexpr std::size_t kMostPerCall = std::size_t{1} << 30;

DWORD partOf(std::size_t size) { return static_cast<DWORD>(size < kMostPerCall ? size : kMostPerCall); }

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED place{};
    place.Offset = static_cast<DWORD>(offset);
    place.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return place;
}

} // namespace

long long readFully(const File &file, char *data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!::ReadFile(handleOf(file), data + done, partOf(size - done), &got, nullptr)) {
            if (::GetLastError() == ERROR_BROKEN_PIPE || ::GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            failed();
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return static_cast<long long>(done);
}

long long readAt(const File &file, char *data, std::size_t size, std::uint64_t offset) {
    OVERLAPPED place = at(offset);
    DWORD got = 0;
    if (!::ReadFile(handleOf(file), data, partOf(size), &got, &place)) {
        if (::GetLastError() == ERROR_HANDLE_EOF) {
            return 0;
        }
        failed();
        return -1;
    }
    return got;
}

long long writeAt(const File &file, const char *data, std::size_t size, std::uint64_t offset) {
    OVERLAPPED place = at(offset);
    DWORD put = 0;
    if (!::WriteFile(handleOf(file), data, partOf(size), &put, &place)) {
        failed();
        return -1;
    }
    return put;
}

bool writeAll(const File &file, std::span<const std::string_view> parts) {
    for (std::string_view part : parts) {
        while (!part.empty()) {
            DWORD put = 0;
            if (!::WriteFile(handleOf(file), part.data(), partOf(part.size()), &put, nullptr)) {
                return failed();
            }
            if (put == 0) {
                errno = EIO;
                return false;
            }
            part.remove_prefix(put);
        }
    }
    return true;
}

bool reserveRoom(const File &file, std::uint64_t size) {
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (::SetFileInformationByHandle(handleOf(file), FileAllocationInfo, &room, sizeof room)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    return (error != ERROR_DISK_FULL && error != ERROR_HANDLE_DISK_FULL) || failed();
}

bool setSize(const File &file, std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFileInformationByHandle(handleOf(file), FileEndOfFileInfo, &end, sizeof end) != 0 || failed();
}

bool flush(const File &file) { return ::FlushFileBuffers(handleOf(file)) != 0 || failed(); }

// Windows has no request to start writing a range: the flush writes everything.
void startWriteBack(const File &, std::uint64_t, std::uint64_t) {}

// ---------------------------------------------------------------------------------------------
// Locks and mappings
// ---------------------------------------------------------------------------------------------

bool lockExclusive(const File &file) {
    // Windows locks byte ranges, and a locked range refuses other handles' reads and writes.
    // The lock is taken on one byte far past any page's end: it keeps out a second writer
    // that asks for it, as the advisory lock of POSIX systems does, and no reader.
    OVERLAPPED place = at(0x7FFFFFFFFFFFFFFEULL);
    return ::LockFileEx(handleOf(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place) != 0 || failed();
}

const char *mapForReading(const File & /*file*/, std::size_t /*size*/) { return nullptr; }

void unmap(const char * /*data*/, std::size_t /*size*/) {}

void guardMapping(const char * /*begin*/, std::size_t /*size*/, std::string /*line*/, int /*exitCode*/) {}

void unguardMapping(const char * /*begin*/) {}

// ---------------------------------------------------------------------------------------------
// Owner, permissions and extended attributes
// ---------------------------------------------------------------------------------------------

bool setOwner(const File & /*file*/, Owner /*owner*/) { return true; }

bool setPermissions(const File & /*file*/, std::uint32_t /*permissions*/) {
    // A read-only target is refused before; ReplaceFileW gives the new file the target's
    // attributes and security.
    return true;
}

std::uint32_t creationPermissions() { return 0666; }

std::optional<std::vector<std::string>> attributeNames(const std::string & /*path*/) {
    return std::vector<std::string>();
}

std::optional<std::vector<std::string>> attributeNames(const File & /*file*/) { return std::vector<std::string>(); }

std::optional<std::string> attribute(const std::string & /*path*/, const std::string & /*name*/) {
    return std::nullopt;
}

bool setAttribute(const File & /*file*/, const std::string & /*name*/, std::string_view /*value*/) {
    errno = ENOSYS;
    return false;
}

bool removeAttribute(const File & /*file*/, const std::string & /*name*/) {
    errno = ENOSYS;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Ending the process in the middle of a write
// ---------------------------------------------------------------------------------------------

void setTemporaryFile(const char *path) { g_temporaryFile.store(path); }

void sayWhenEnded(std::string message) {
    const std::lock_guard<std::mutex> held(g_endingHeld);
    g_endedMessage = std::move(message);
    g_sayEnded.store(true);
}

void sayNothingWhenEnded() { g_sayEnded.store(false); }

EndingSignalsCaught::EndingSignalsCaught() { m_installed = ::SetConsoleCtrlHandler(onConsoleEnd, TRUE) ? 1 : 0; }

EndingSignalsCaught::~EndingSignalsCaught() {
    if (m_installed != 0) {
        ::SetConsoleCtrlHandler(onConsoleEnd, FALSE);
    }
    sayNothingWhenEnded();
}

struct EndingSignalsHeld::Before {
    std::unique_lock<std::mutex> held{g_endingHeld};
};

EndingSignalsHeld::EndingSignalsHeld() : m_before(std::make_unique<Before>()) {}

EndingSignalsHeld::~EndingSignalsHeld() = default;

// ---------------------------------------------------------------------------------------------
// The rest
// ---------------------------------------------------------------------------------------------

bool randomBytes(std::span<unsigned char> out) {
    return BCRYPT_SUCCESS(
        ::BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(out.size()), BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

std::optional<std::string> errorText(int error) {
    // The texts the messages carry on other systems, so that they read the same everywhere.
    switch (error) {
    case ENOENT: return "No such file or directory";
    case EACCES: return "Permission denied";
    case EBUSY: return "Device or resource busy";
    case EEXIST: return "File exists";
    case ENOSPC: return "No space left on device";
    case ENAMETOOLONG: return "File name too long";
    case EROFS: return "Read-only file system";
    case ENOMEM: return "Cannot allocate memory";
    case ENOTDIR: return "Not a directory";
    case EISDIR: return "Is a directory";
    case EXDEV: return "Invalid cross-device link";
    case EINVAL: return "Invalid argument";
    case ENOSYS: return "Function not implemented";
    case EIO: return "Input/output error";
    case ELOOP: return "Too many levels of symbolic links";
    case EPERM: return "Operation not permitted";
    case EFBIG: return "File too large";
    default: return std::nullopt;
    }
}

} // namespace velmoraine::files::platform
