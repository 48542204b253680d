// The four jobs of qfbprep, each given the arguments after its name. Each returns the exit
// status: 0 when it did its work, 1 after a failure, whose one message it has printed.
#pragma once

int mipmaps_job(int argc, char** argv);
int dither_job(int argc, char** argv);
int check_job(int argc, char** argv);
int import_job(int argc, char** argv);

// Prints the usage text.
void print_qfbprep_usage();

// Reads a whole decimal number from low to high (no sign, no spaces, nothing after it).
bool parse_count(const char* text, int low, int high, int* value);
