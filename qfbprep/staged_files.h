// StagedFiles: the files a job writes, each complete in a temporary file beside its name, all
// renamed into place only once every one of them is written, so that a failure leaves no file
// half-written and every existing file as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qfbprep/image.h"
#include "targa/targa_writer.h"
#include "targa/temp_file.h"

// A file written whole into its temporary file by StagedFiles::write, waiting to be kept.
struct StagedWrite {
    std::unique_ptr<TempFile> file;  // removed when it goes, unless kept and committed
    TargaWriteResult result = TargaWriteResult::ok;
};

class StagedFiles {
public:
    // With hold, the messages given to say and those of stage's failures wait, in order, for
    // print_held: a job that writes while it still reads prints them only once all is read, so
    // that a file it cannot read is the one failure it reports.
    explicit StagedFiles(bool hold = false) : hold_(hold) {}
    // Prints the message, or holds it.
    void say(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Prints the messages held so far; from then on messages are printed as they come.
    void print_held();
    // Writes the image's uncompressed Targa file into a temporary file beside name, straight from
    // its pixels. Prints nothing and shares nothing, so that threads can write files at once.
    static StagedWrite write(const std::string& name, const Image& image);
    // Keeps a written file to be committed, in the order kept; when it could not be written,
    // says the message and returns false. The files kept are removed when the object goes,
    // unless committed.
    bool keep(const std::string& name, StagedWrite written);
    // write, then keep.
    bool stage(const std::string& name, const Image& image) { return keep(name, write(name, image)); }
    // Renames every staged file into place, in order. Prints the message and returns false when
    // one cannot take its name (those before it have been renamed).
    bool commit_all();

private:
    void print_unwritable(const std::string& name, TargaWriteResult why);
    struct Staged {
        std::unique_ptr<TempFile> file;
        std::string name;
    };
    std::vector<Staged> staged_;
    bool hold_;
    std::string held_;
};
