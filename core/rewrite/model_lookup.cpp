#include "core/rewrite/model_lookup.h"

#include <filesystem>
#include <system_error>

#include "core/base/files.h"
#include "core/base/texts.h"

namespace velmoraine::rewrite {

namespace {

bool isFile(const std::filesystem::path &path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The folder of the running executable, empty when it cannot be told.
std::filesystem::path executableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

std::string absolute(const std::filesystem::path &path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path.string() : full.lexically_normal().string();
}

} // namespace

std::string modelPath(std::string_view mainDirectory) { return modelPath(mainDirectory, executableFolder()); }

std::string modelPath(std::string_view mainDirectory, const std::filesystem::path &folder) {
    const std::string bare(kModelFileName);
    const std::filesystem::path installed =
        folder.empty() ? std::filesystem::path() : folder / VELMORAINE_DATA_DIR_RELATIVE / bare;
    if (!mainDirectory.empty()) {
        // The main directory is a plain prefix: the name is appended without a separator.
        std::string path(mainDirectory);
        path.append(kModelFileName);
        if (!isFile(path) && !installed.empty() && isFile(installed)) {
            return installed.lexically_normal().string();
        }
        return path.front() == '/' ? path : absolute(path);
    }
    if (isFile(bare)) {
        return absolute(bare);
    }
    if (!folder.empty()) {
        for (const std::filesystem::path &candidate : {folder / bare, installed}) {
            if (isFile(candidate)) {
                return candidate.lexically_normal().string();
            }
        }
    }
    return absolute(bare);
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
