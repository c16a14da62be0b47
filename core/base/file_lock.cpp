#include "core/base/file_lock.h"

namespace velmoraine::files {

namespace {

platform::File openLockedFile(const std::string &path, platform::FileStatus &status) {
    for (;;) {
        platform::File file = platform::openRegularFile(path, status);
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

} // namespace

platform::File openPage(const std::string &path, platform::FileStatus &status, PageLock lock) {
    return lock == PageLock::Exclusive ? openLockedFile(path, status) : platform::openRegularFile(path, status);
}

} // namespace velmoraine::files
