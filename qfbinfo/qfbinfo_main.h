// One whole run of qfbinfo: the command line, the check, then the report, the extraction, a
// picture or the comparison with the source.
#pragma once

// Prints the usage text to standard output.
void print_qfbinfo_usage();

// "qfbinfo FILE.qfb" reports, "qfbinfo FILE.qfb --extract DIR" unpacks, "qfbinfo FILE.qfb
// --compare SOURCE..." compares, "qfbinfo --help" prints the usage. Returns the process exit
// status: 0 on success and for --help, 1 after any failure or a wrong command line (the usage
// text).
int qfbinfo_main(int argc, char** argv);
