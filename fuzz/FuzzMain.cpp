// The plain program around a fuzz target: runs it once on every file named on the command line and
// every file of every folder named, as libFuzzer replays a corpus. Without libFuzzer this replays
// the corpora in the normal build; any failed check aborts.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& argument)
{
    if (!std::filesystem::is_directory(argument))
        return {argument};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(argument))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv)
{
    std::size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& path : inputsOf(argv[i])) {
            std::ifstream file(path, std::ios::binary);
            if (!file) {
                std::fprintf(stderr, "cannot read %s\n", path.c_str());
                return 1;
            }
            const std::vector<char> content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
            // An exact-size copy, so that a sanitizer build sees any read past the input.
            const auto bytes = std::make_unique<std::uint8_t[]>(content.size());
            std::copy(content.begin(), content.end(), bytes.get());
            LLVMFuzzerTestOneInput(bytes.get(), content.size());
            ++runs;
        }
    }
    if (runs == 0) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER... (no input found)\n", argv[0]);
        return 2;
    }
    std::printf("%zu inputs passed\n", runs);
    return 0;
}
