// Staging and committing a job's files (see staged_files.h).
#include "qfbprep/staged_files.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>

#include "targa/targa_header.h"
#include "targa/targa_writer.h"

void StagedFiles::say(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    if (!hold_) {
        std::vprintf(format, args);
    } else {
        std::va_list again;
        va_copy(again, args);
        const int size = std::vsnprintf(nullptr, 0, format, args);
        if (size > 0) {
            const size_t at = held_.size();
            held_.resize(at + static_cast<size_t>(size) + 1);
            std::vsnprintf(&held_[at], static_cast<size_t>(size) + 1, format, again);
            held_.resize(at + static_cast<size_t>(size));  // without vsnprintf's terminating zero
        }
        va_end(again);
    }
    va_end(args);
}

void StagedFiles::print_held()
{
    std::fwrite(held_.data(), 1, held_.size(), stdout);
    held_.clear();
    hold_ = false;
}

void StagedFiles::print_unwritable(const std::string& name, TargaWriteResult why)
{
    say("Couldn't write Targa file %s: %s.\n", name.c_str(), targa_write_result_text(why));
}

StagedWrite StagedFiles::write(const std::string& name, const Image& image)
{
    StagedWrite written;
    // A folder of that name could not take the file: found now, before any file is renamed.
    struct stat existing {};
    const bool replaces = stat(name.c_str(), &existing) == 0;
    if (replaces && S_ISDIR(existing.st_mode)) {
        written.result = TargaWriteResult::rename_failed;
        return written;
    }
    auto file = std::make_unique<TempFile>();
    if (!file->create(name, new_file_mode())) {
        written.result = TargaWriteResult::cannot_create;
        return written;
    }
    uint8_t header[TARGA_HEADER_SIZE];
    encode_targa_header(image, header);
    if (!file->write(header, sizeof header) || !file->write(image.pixels.data(), image.pixels.size())) {
        written.result = TargaWriteResult::write_failed;
        return written;
    }
    // The rename onto an existing file would start its writeback (ext4 does, so that a crash
    // leaves the old file or the new one): started now, it overlaps the files still to come.
    if (replaces) file->start_writeback();
    if (!file->close()) {
        written.result = TargaWriteResult::write_failed;
        return written;
    }
    written.file = std::move(file);
    return written;
}

bool StagedFiles::keep(const std::string& name, StagedWrite written)
{
    if (written.result != TargaWriteResult::ok) {
        print_unwritable(name, written.result);
        return false;
    }
    staged_.push_back(Staged{std::move(written.file), name});
    return true;
}

bool StagedFiles::commit_all()
{
    for (Staged& staged : staged_) {
        if (!staged.file->commit(staged.name)) {
            print_unwritable(staged.name, TargaWriteResult::rename_failed);
            return false;
        }
    }
    return true;
}
