// Profile files: "[section]" lines, each followed by its "key=value" lines. Section and key
// names are compared without regard to case, values are read with surrounding blanks
// trimmed. Writes keep every other line of the file as it was and are atomic.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmoraine::profile {

// Where a profile file named by `name` lives: a bare name (no "/") is a file of the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config); any other name is used as it is.
std::string resolveProfilePath(std::string_view name);

// The value, or `defaultValue` when the file or key is missing, truncated to size - 1
// characters (size 0 gives the empty text).
std::string getString(std::string_view section, std::string_view key, std::string_view defaultValue, std::size_t size,
                      std::string_view file);

// The value read as a decimal integer; `defaultValue` when the file or key is missing, 0 when
// the value is not a number.
int getInt(std::string_view section, std::string_view key, int defaultValue, std::string_view file);

// Stores the value: creates the file, section and key as needed and replaces an existing value
// in place. With section, key and value all absent it only flushes (writes are never cached).
// False when the file cannot be written.
bool writeString(std::optional<std::string_view> section, std::optional<std::string_view> key,
                 std::optional<std::string_view> value, std::string_view file);

// The flush of writeString with nothing to store: the file is left as it is. False when the
// file cannot be written.
bool flush(std::string_view file);

// What is wrong with a profile file that exists but cannot be read as one (a folder, a file
// the user may not read, one saved as UTF-16): the whole message naming the file; nullopt for
// a missing or readable file. A UTF-8 byte order mark at the start is read past.
std::optional<std::string> problemWith(std::string_view file);

// --- The same on file text, for tests and the fuzz target ---

std::optional<std::string> findValue(std::string_view text, std::string_view section, std::string_view key);
std::string withValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value);

} // namespace velmoraine::profile
