// The new page's file beside the target, which an atomic write fills and then puts in the
// target's place (atomic_write.cpp); used by the file layer only.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "core/base/platform_files.h"

namespace velmoraine::files {

// Removes the temporary file on every early return; dismiss() once it has been renamed. A
// fault or an ending signal in the middle of the write removes it too.
class TemporaryName {
public:
    explicit TemporaryName(std::string path);
    TemporaryName(const TemporaryName &) = delete;
    TemporaryName &operator=(const TemporaryName &) = delete;
    ~TemporaryName();

    const std::string &path() const noexcept { return m_path; }
    void dismiss() noexcept;

private:
    std::string m_path;
};

// The new page's file beside the target. Where the file system allows, it has no name while it
// is written, so a process that dies before it is complete leaves nothing in the folder; it gets
// a name only once whole. Elsewhere it is the temporary file ".NAME.XXXXXX" from the start,
// removed on every early return and by the ending signals.
class NewFile {
public:
    // Opens the file in `folder`; `base` is the readable part of a temporary name. False, with
    // errno set, when neither kind of file can be made there.
    bool open(const std::string &folder, const std::string &base);

    const platform::File &file() const noexcept { return m_file; }

    // Closes the file, which an unnamed file must outlive until it is named; false on an
    // error the close reports.
    bool close() { return m_file.close(); }

    // Gives the complete file its temporary name, removed again on an early return unless
    // dismissed; a file that has one already keeps it. False, with errno set, on failure.
    bool name();

    // Links the complete unnamed file in under `target`, which does not exist: nothing but the
    // whole new page ever stands there. False, with errno set (EEXIST when another program made
    // the target meanwhile), on failure or when the file has a temporary name already.
    bool linkAs(const std::string &target);

    // The temporary name once named (see name()); dismiss it once it has been renamed.
    TemporaryName &temporary() { return *m_temporary; }

private:
    static void fillRandomly(std::span<char> out);

    std::string m_pattern;
    platform::File m_file;
    std::optional<TemporaryName> m_temporary;
};

} // namespace velmoraine::files
