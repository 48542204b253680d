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

// The value of option argv[i] as a whole decimal count from low to high (no sign, no spaces,
// nothing after it), i moved past it. False when it is
// missing or out of range (the usage text is due) or another option (said is true).
bool count_option(int argc, char** argv, int& i, int low, int high, int* value, bool* said);

// The dithering options of dither and pack at argv[i]: --strength S; for dither_job --method M,
// for pack --dither [M] (method_option names the option). True, i moved past them, when argv[i]
// is one of them and right; false when it is not one (*said false) or is wrong (*said true when
// that is printed: an unknown method or strength).
bool dither_option(int argc, char** argv, int& i, const char* method_option, DitherOptions& options, bool* dither,
                   bool* said);

// The name without its folders.
std::string file_part(const std::string& path);

// printf into a string.
std::string text(const char* format, ...) __attribute__((format(printf, 1, 2)));

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
