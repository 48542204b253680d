// The qfbinfo executable: everything happens in qfbinfo_main.
#include "qfbinfo/qfbinfo_main.h"

int main(int argc, char** argv) { return qfbinfo_main(argc, argv); }
