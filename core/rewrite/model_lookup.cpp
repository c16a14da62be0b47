#include "core/rewrite/model_lookup.h"

#include <filesystem>
#include <system_error>

#include "core/base/files.h"
#include "core/base/platform_files.h"
#include "core/base/texts.h"

namespace velmoraine::rewrite {

namespace {

// Paths are UTF-8 text inside the program, whatever the system's own code page.
std::filesystem::path pathOf(std::string_view text) { return std::u8string(text.begin(), text.end()); }

std::string textOf(const std::filesystem::path &path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

bool isFile(const std::filesystem::path &path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The folder of the running executable, empty when it cannot be told.
std::filesystem::path executableFolder() {
    const std::string self = files::platform::executableFile();
    return self.empty() ? std::filesystem::path() : pathOf(self).parent_path();
}

std::string absoluteText(const std::filesystem::path &path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return textOf(error ? path : full.lexically_normal());
}

} // namespace

std::string modelPath(std::string_view mainDirectory) { return modelPath(mainDirectory, executableFolder()); }

std::string modelPath(std::string_view mainDirectory, const std::filesystem::path &folder) {
    const std::filesystem::path bare = pathOf(kModelFileName);
    const std::filesystem::path installed =
        folder.empty() ? std::filesystem::path() : folder / VELMORAINE_DATA_DIR_RELATIVE / bare;
    if (!mainDirectory.empty()) {
        // The main directory is a plain prefix: the name is appended without a separator.
        std::string path(mainDirectory);
        path.append(kModelFileName);
        if (!isFile(pathOf(path)) && !installed.empty() && isFile(installed)) {
            return textOf(installed.lexically_normal());
        }
        return files::platform::isAbsolutePath(path) ? path : absoluteText(pathOf(path));
    }
    if (isFile(bare)) {
        return absoluteText(bare);
    }
    if (!folder.empty()) {
        for (const std::filesystem::path &candidate : {folder / bare, installed}) {
            if (isFile(candidate)) {
                return textOf(candidate.lexically_normal());
            }
        }
    }
    return absoluteText(bare);
}

ModelRead readModel(const std::string &path) {
    ModelRead read;
    std::optional<std::string> text = files::readWholeFile(path);
    if (!text) {
        read.message = texts::fill(texts::kCannotOpenFile, path);
        read.fileError = true;
        return read;
    }
    if (!std::string_view(*text).starts_with(kModelBeginLine)) {
        read.message = texts::fill(texts::kModelWithoutBeginMarker, path);
        return read;
    }
    read.text = std::move(text);
    return read;
}

} // namespace velmoraine::rewrite
