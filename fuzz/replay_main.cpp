// Replays saved fuzz inputs through LLVMFuzzerTestOneInput without libFuzzer, so the corpus and
// the refused-file folder run under any compiler in CTest. Arguments: folders or files.
// Exits 1 when an argument cannot be read (a crash or a broken promise aborts on its own).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool replay_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    size_t replayed = 0;
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        std::vector<fs::path> files;
        if (fs::is_directory(argv[i], error)) {
            for (const auto& entry : fs::directory_iterator(argv[i], error))
                if (entry.is_regular_file(error)) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.emplace_back(argv[i]);
        }
        for (const fs::path& file : files) {
            if (!replay_file(file)) {
                std::printf("cannot read %s\n", file.string().c_str());
                status = 1;
                continue;
            }
            ++replayed;
        }
        if (files.empty()) {
            std::printf("no inputs in %s\n", argv[i]);
            status = 1;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return status;
}
