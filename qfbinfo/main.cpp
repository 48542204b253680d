// The qfbinfo executable: the process-wide set-up, then everything happens in qfbinfo_main.
#include "files.h"
#include "image_codecs.h"
#include "platform.h"
#include "qfbinfo_main.h"

int main(int argc, char** argv)
{
    if (!platform::start_process()) return 1;  // Windows: binary standard output, the arguments checked
    if (!start_image_codecs()) return 1;  // COM on Windows, for the PNG and GIF readers
    install_fault_guard();  // before any file is read, while there is one thread
    install_interrupt_cleanup();  // a signal that ends the run removes its temporary files first
    return qfbinfo_main(argc, argv);
}
