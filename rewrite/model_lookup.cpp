#include "rewrite/model_lookup.h"

#include <filesystem>
#include <system_error>

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

} // namespace

std::string modelPath(std::string_view mainDirectory) {
    if (!mainDirectory.empty()) {
        std::string path(mainDirectory);
        path.append(kModelFileName);
        return path;
    }
    const std::string bare(kModelFileName);
    if (isFile(bare)) {
        return bare;
    }
    const std::filesystem::path folder = executableFolder();
    if (!folder.empty()) {
        for (const std::filesystem::path &candidate :
             {folder / bare, folder / VELMORAINE_DATA_DIR_RELATIVE / bare}) {
            if (isFile(candidate)) {
                return candidate.lexically_normal().string();
            }
        }
    }
    return bare;
}

} // namespace velmoraine::rewrite
