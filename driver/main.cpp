// The makeqfb executable: everything happens in makeqfb_main.
#include "driver/makeqfb_main.h"

int main(int argc, char** argv) { return makeqfb_main(argc, argv); }
