// One whole run of qfbprep: picks the job named by the first argument.
#pragma once

// Returns the process exit status: 0 after the job's work, or for --help; 1 otherwise.
int qfbprep_main(int argc, char** argv);
