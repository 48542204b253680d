// A Targa file opened once (see targa.h).
#include "targa.h"

#include <cstring>

namespace {

TargaError from_read_status(ReadStatus status)
{
    switch (status) {
    case ReadStatus::ok: return TargaError::none;
    case ReadStatus::cannot_open: return TargaError::cannot_open;
    case ReadStatus::read_failed: return TargaError::read_failed;
    case ReadStatus::out_of_memory: return TargaError::out_of_memory;
    case ReadStatus::changed_while_reading: return TargaError::changed_while_reading;
    case ReadStatus::too_large: return TargaError::out_of_memory;  // no limit is asked for
    }
    return TargaError::read_failed;
}

// Runs work(), which reads the file's bytes and returns its own outcome; a file cut short
// meanwhile is the outcome instead.
template <typename Work>
TargaError guarded(const FileBytes& bytes, Work work)
{
    TargaError result = TargaError::none;
    const TargaError read = from_read_status(bytes.read_guarded([&result, &work] { result = work(); }));
    return read != TargaError::none ? read : result;
}

}  // namespace

TargaError TargaFile::open(const char* name)
{
    header_ = TargaHeader{};
    image_ = TargaImage{};
    const TargaError error = from_read_status(bytes_.open(name));
    if (error != TargaError::none) return error;
    return guarded(bytes_, [this]() { return check_targa_header(bytes_.data(), bytes_.size(), header_); });
}

std::string TargaFile::image_id() const
{
    // Copied into a plain buffer under the guard: a jump out of it must leave nothing half made.
    char id[256];
    size_t length = 0;
    const TargaError read = guarded(bytes_, [this, &id, &length]() {
        if (bytes_.size() >= size_t{TARGA_HEADER_SIZE} + header_.id_length) {
            std::memcpy(id, bytes_.data() + TARGA_HEADER_SIZE, header_.id_length);
            length = header_.id_length;
        }
        return TargaError::none;
    });
    return read == TargaError::none ? std::string(id, length) : std::string();
}

TargaError TargaFile::locate(size_t dest_size, uint8_t* palette)
{
    return guarded(bytes_, [this, dest_size, palette]() {
        return locate_targa_pixels(bytes_.data(), bytes_.size(), header_, dest_size, palette, image_);
    });
}

TargaError TargaFile::load(uint8_t* dest)
{
    return guarded(bytes_, [this, dest]() { return decode_targa(image_, dest); });
}

TargaError TargaFile::visit_rows(RowVisitor visit, void* context) const
{
    return guarded(bytes_, [this, visit, context]() {
        for (int32_t row = 0; row < image_.header.height && image_.image_bytes != 0; ++row)
            visit(targa_raw_row(image_, row), row, context);
        return TargaError::none;
    });
}

int read_targa_info(const char* name, int32_t* width_out, int32_t* height_out, int32_t* bits_per_pixel_out,
                    TargaError* why)
{
    TargaFile file;
    const TargaError error = file.open(name);
    if (why != nullptr) *why = error;
    if (error != TargaError::none) return 1;
    *width_out = file.header().width;
    *height_out = file.header().height;
    *bits_per_pixel_out = file.header().pixel_depth;
    return 0;
}

int read_targa(const char* name, uint8_t* dest, size_t dest_size, uint8_t* palette, TargaError* why)
{
    TargaFile file;
    TargaError error = file.open(name);
    if (error == TargaError::none) error = file.locate(dest_size, palette);
    if (error == TargaError::none) error = file.load(dest);
    if (why != nullptr) *why = error;
    return error == TargaError::none ? 0 : 1;
}
