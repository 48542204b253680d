// The jobs of qfbprep, each given the arguments after its name, and what they share: the
// usage text, number arguments, and the messages of more than one job. Each job returns the exit
// status: 0 when it did its work, 1 after a failure, whose one message it has printed.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

#include "dither.h"
#include "files.h"
#include "frameset.h"
#include "image_problem.h"
#include "options.h"

// One whole run: picks the job named by the first argument. Returns the process exit status: 0
// after the job's work, or for --help; 1 otherwise.
int qfbprep_main(int argc, char** argv);

int mipmaps_job(int argc, char** argv);
int dither_job(int argc, char** argv);
int check_job(int argc, char** argv);
int import_job(int argc, char** argv);
int pack_job(int argc, char** argv);

// Prints the usage text.
void print_qfbprep_usage();

// Reads a job's command line (the arguments after its name) by its table of options; false after
// saying, in one line, what is wrong.
bool read_job_options(const OptionRow* rows, size_t row_count, int argc, char** argv, CommandLine& line);
template <size_t N>
bool read_job_options(const OptionRow (&rows)[N], int argc, char** argv, CommandLine& line)
{
    return read_job_options(rows, N, argc, argv, line);
}

// The dithering values of dither and pack: --strength S and the method, the value of method_option
// (--method, or pack's --dither). False after saying which is wrong.
bool read_dithering(const CommandLine& line, const char* method_option, DitherOptions& options);

// An image, or the frames of a base filename, not had, in qfbprep's words: a file in another
// format is told to be saved as PNG.
void say_prep_image_problem(const ImageProblem& problem);

// The note that a chain of levels ends before 1 x 1 (see chain_ends_short), when it does.
void say_short_chain(int32_t width, int32_t height, int32_t levels, int32_t asked);

// The name without its folders.
std::string file_part(const std::string& path);

// Renames a job's finished files into place, in order; prints the message for the first that
// cannot take its name (those before it have taken theirs) and returns false then.
bool commit_batch(std::vector<AtomicFile>& batch);

// A file written whole into its temporary file by a worker, and the line that says so.
struct StagedFile {
    AtomicFile file;
    WriteStatus written = WriteStatus::cannot_create;
    std::string line;
};

// What a job that writes while it still reads keeps, in order: the files, and what is said of
// them, which waits until every file is read, so that a file it cannot read is the one failure it
// reports. After the first file that could not be written nothing more is kept.
class Staging {
public:
    void keep(StagedFile& staged);
    // Says what was held, then renames every file into place; false (said) after any failure.
    bool finish();
    size_t count() const { return batch_.size(); }

private:
    std::vector<AtomicFile> batch_;
    std::string held_;
    bool failed_ = false;
};

// Files that makeqfb would pack with what a job writes for the set base but that the job does not
// write: the base filename itself when with_base is true and it is there (it hides the numbered
// frames), and each file named for the set that left_over picks.
std::vector<std::string> leftover_files(const std::string& base, bool with_base,
                                        const std::function<bool(const SetFile&)>& left_over);
// Refuses a job while leftovers are there (false, said), unless replace: then true, and
// remove_leftovers removes them once the job's files are in place.
bool refuse_leftovers(const std::string& base, const char* job, const std::vector<std::string>& leftovers, bool replace);
// Removes the files; false after saying which could not be removed.
bool remove_leftovers(const std::vector<std::string>& leftovers);
