// One whole run of the tool, from the command line to the saved QFB file.
#pragma once

// Checks the arguments, finds the frame set, reports it and converts it.
// Returns the process exit status: 0 after a successful conversion or for --help, 1 after any failure.
int makeqfb_main(int argc, char** argv);
