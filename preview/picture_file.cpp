// The picture file (see picture_file.h).
#include "preview/picture_file.h"

const char* picture_result_text(PictureResult result)
{
    switch (result) {
    case PictureResult::ok: return "written";
    case PictureResult::cannot_create: return "the file could not be created";
    case PictureResult::write_failed: return "a write failed";
    case PictureResult::rename_failed: return "the finished file could not take its name";
    case PictureResult::source_failed: return "its pixels could not be read";
    case PictureResult::encoder_failed: return "the image could not be encoded (out of memory?)";
    }
    return "unknown result";
}

PictureFile::PictureFile(const char* name) : name_(name) { created_ = temp_.create(name_, new_file_mode()); }

bool PictureFile::write(const void* data, size_t size)
{
    if (!created_ || failed_) return false;
    failed_ = !temp_.write(static_cast<const uint8_t*>(data), size);
    return !failed_;
}

PictureResult PictureFile::commit()
{
    if (!created_) return PictureResult::cannot_create;
    if (!temp_.close() || failed_) return PictureResult::write_failed;
    return temp_.commit(name_) ? PictureResult::ok : PictureResult::rename_failed;
}
