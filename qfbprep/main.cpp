// The qfbprep executable: everything happens in qfbprep_main.
#include "qfbprep/qfbprep_main.h"

int main(int argc, char** argv) { return qfbprep_main(argc, argv); }
