// StagedFiles: the files a job writes, each complete in a temporary file beside its name, all
// renamed into place only once every one of them is written, so that a failure leaves no file
// half-written and every existing file as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qfbprep/image.h"
#include "targa/temp_file.h"

class StagedFiles {
public:
    // Writes the image's uncompressed Targa file into a temporary file beside name, straight from
    // its pixels. Prints the message and returns false when it cannot; the temporary files made
    // so far are removed when the object goes.
    bool stage(const std::string& name, const Image& image);
    // Renames every staged file into place, in order. Prints the message and returns false when
    // one cannot take its name (those before it have been renamed).
    bool commit_all();

private:
    struct Staged {
        std::unique_ptr<TempFile> file;
        std::string name;
    };
    std::vector<Staged> staged_;
};
