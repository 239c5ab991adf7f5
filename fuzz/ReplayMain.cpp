// Runs a fuzz target once over every input named on the command line (files,
// or folders whose files are taken in name order), without libFuzzer. The
// sanitizers do the detecting: anything they find ends the process, so
// finishing at all means every input passed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// Exactly the file's bytes in an allocation of their own, so that a read one
// past the end is caught.
void replay(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.data(), data.size());
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        // A target without past crashes has no folder for them.
        if (!std::filesystem::exists(argv[i], error))
            continue;
        if (!std::filesystem::is_directory(argv[i], error)) {
            inputs.emplace_back(argv[i]);
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        inputs.insert(inputs.end(), files.begin(), files.end());
    }
    for (const auto& input : inputs) {
        // Named first, so that the sanitizer's report that may follow has its input.
        std::fprintf(stderr, "%s\n", input.c_str());
        replay(input);
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
