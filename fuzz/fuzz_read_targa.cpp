// libFuzzer target for the Targa reader: each input is written to a private temporary file and
// run through read_targa_info and read_targa (with and without a palette, into the tool's 2 MiB
// buffer and into an exact-size one), and its bytes are also fed to decode_rle_row in memory.
// Besides memory errors it stops on broken promises: the probe and the loader must refuse the
// same headers, and a reason is given exactly when a call fails.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "targa/targa_header.h"
#include "targa/targa_loader.h"

namespace {

constexpr size_t PIXEL_BUFFER = 2097152;  // the tool's load buffer
uint8_t pixel_buffer[PIXEL_BUFFER];
uint8_t palette[TARGA_PALETTE_BYTES];

// One temporary file per process, rewritten for every input and removed at exit.
class InputFile {
public:
    InputFile()
    {
        const char* folder = std::getenv("TMPDIR");
        std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/fuzz-targa-XXXXXX";
        fd_ = mkstemp(name.data());
        if (fd_ < 0) std::abort();
        path_ = name;
    }
    ~InputFile()
    {
        close(fd_);
        unlink(path_.c_str());
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const char* store(const uint8_t* data, size_t size)
    {
        if (ftruncate(fd_, 0) != 0) std::abort();
        for (size_t done = 0; done < size;) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
        return path_.c_str();
    }

private:
    int fd_ = -1;
    std::string path_;
};

void check(bool promise)
{
    if (!promise) std::abort();
}

void fuzz_files(const uint8_t* data, size_t size)
{
    static InputFile input;
    const char* name = input.store(data, size);
    int32_t width = 0, height = 0, bits = 0;
    TargaError probe_why = TargaError::none;
    const int probed = read_targa_info(name, &width, &height, &bits, &probe_why);
    check((probed == 0) == (probe_why == TargaError::none));

    for (uint8_t* map : {static_cast<uint8_t*>(nullptr), palette}) {
        TargaError why = TargaError::none;
        const int loaded = read_targa(name, pixel_buffer, PIXEL_BUFFER, map, &why);
        check((loaded == 0) == (why == TargaError::none));
        if (probed != 0) check(why == probe_why);  // one header check for both
        if (loaded == 0) check(probed == 0 && uint64_t{uint32_t(width)} * uint32_t(height) * uint32_t(bits / 8) <= PIXEL_BUFFER);
    }
    // Again into a buffer of exactly the image's size, so a write past the image is caught.
    if (probed != 0) return;
    const size_t image_bytes = size_t{uint32_t(width)} * uint32_t(height) * uint32_t(bits / 8);
    if (image_bytes > PIXEL_BUFFER) return;
    std::unique_ptr<uint8_t[]> exact(new uint8_t[image_bytes]);
    read_targa(name, exact.get(), image_bytes, nullptr);
}

// The bytes as one row of packets: the first two give the pixel count, the third the depth.
void fuzz_rle_row(const uint8_t* data, size_t size)
{
    if (size < 3) return;
    const size_t pixel_count = data[0] | size_t{data[1]} << 8;
    const int bytes_per_pixel = data[2] % 4 + 1;
    const size_t source_size = size - 3;
    std::unique_ptr<uint8_t[]> source(new uint8_t[source_size]);
    std::memcpy(source.get(), data + 3, source_size);
    std::unique_ptr<uint8_t[]> row(new uint8_t[pixel_count * static_cast<size_t>(bytes_per_pixel)]);
    size_t consumed = source_size + 1;
    if (decode_rle_row(row.get(), source.get(), source_size, pixel_count, bytes_per_pixel, consumed) == TargaError::none)
        check(consumed <= source_size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz_files(data, size);
    fuzz_rle_row(data, size);
    return 0;
}
