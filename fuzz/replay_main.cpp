// Replays a fuzz target's checks on kept inputs, once each, without libFuzzer: the corpus the
// explorations found and every failure ever found. The test command runs this, not exploration,
// so its verdict is the same on every run. Usage: replay_TARGET FOLDER_OR_FILE...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

// The regular files a command-line argument names: the file itself, or a folder's files in name
// order. A folder that does not exist holds none (a target may have no regressions yet).
std::vector<std::filesystem::path> inputsOf(const std::filesystem::path &argument) {
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    if (!std::filesystem::exists(argument, error)) {
        return inputs;
    }
    if (std::filesystem::is_directory(argument, error)) {
        for (const auto &entry : std::filesystem::directory_iterator(argument)) {
            if (entry.is_regular_file()) {
                inputs.push_back(entry.path());
            }
        }
        std::sort(inputs.begin(), inputs.end());
    } else {
        inputs.push_back(argument);
    }
    return inputs;
}

} // namespace

int main(int argc, char **argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::filesystem::path &path : inputsOf(argv[i])) {
            std::ifstream file(path, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "replay: cannot open %s\n", path.string().c_str());
                return 1;
            }
            const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            // Named first, so that a failed property's report says which input it was.
            std::fprintf(stderr, "replay: %s\n", path.string().c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    if (replayed == 0) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    std::printf("replay: %zu inputs, every property held\n", replayed);
    return 0;
}
