// A picture file written whole under a temporary name beside its target and renamed into place,
// so that a failure never leaves a partial picture and never destroys the file that was there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "targa/temp_file.h"

enum class PictureResult {
    ok,
    cannot_create,  // no temporary file could be made beside the name
    write_failed,   // a write or the close failed
    rename_failed,  // the finished file could not take the name (a folder of that name, ...)
    source_failed,  // the QFB file's pixels could not be read
    encoder_failed, // the image library refused or ran out of memory
};

// A short lower-case phrase for the result, e.g. "a write failed"; never null.
const char* picture_result_text(PictureResult result);

class PictureFile {
public:
    // Makes the temporary file beside name, with the mode a new file gets.
    explicit PictureFile(const char* name);
    bool created() const { return created_; }
    // Appends size bytes; false once any write has failed.
    bool write(const void* data, size_t size);
    // Closes the file and renames it to the name; the temporary file goes when this is not called.
    PictureResult commit();

private:
    std::string name_;
    TempFile temp_;
    bool created_ = false;
    bool failed_ = false;
};
