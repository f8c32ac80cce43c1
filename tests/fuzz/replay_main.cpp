// Runs a fuzz target over every file of its corpus folder, so the inputs that once broke a
// parser are replayed by every test run (and under the sanitizers), without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1], error)) {
        if (entry.is_regular_file()) {
            inputs.push_back(entry.path());
        }
    }
    if (error) {
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1], error.message().c_str());
        return 2;
    }
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    // An empty input is always worth one run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("%zu corpus inputs replayed\n", inputs.size());
    return 0;
}
