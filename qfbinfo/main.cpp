// The qfbinfo executable: the process-wide set-up, then everything happens in qfbinfo_main.
#include "files.h"
#include "cli.h"
#include "image_codecs.h"
#include "platform.h"
#include "qfbinfo_main.h"

int main(int argc, char** argv)
{
    platform::StartRefusal refusal;
    if (!platform::start_process(&refusal)) {  // Windows: binary standard output, the arguments checked
        say_start_refusal(refusal);
        return 1;
    }
    if (!start_image_codecs()) return 1;  // COM on Windows, for the PNG and GIF readers
    install_fault_guard();  // before any file is read, while there is one thread
    install_interrupt_cleanup();  // a signal that ends the run removes its temporary files first
    return qfbinfo_main(argc, argv);
}
