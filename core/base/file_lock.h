// The advisory lock that holds a page from its reading to the rename of the new page.
#pragma once

#include <string>

#include "core/base/platform_files.h"

namespace velmoraine::files {

// How a page is held while it is read and worked on.
enum class PageLock {
    None,      // read only: other programs may change it meanwhile (changedSinceRead tells)
    Exclusive, // an advisory lock from reading to the rename of the new page, against a second
               // writer that locks too (another run of the command line over the same page)
};

// Opens the regular file `path` for reading, as platform::openRegularFile does, its status then
// in `status`. With PageLock::Exclusive it waits for the file's lock, which the open file holds
// until it is closed. A writer that held the lock before may have renamed a new file over the
// name meanwhile: the file that lost its name is then let go, and the one that has it now is
// opened and locked in turn.
platform::File openPage(const std::string &path, platform::FileStatus &status, PageLock lock);

} // namespace velmoraine::files
