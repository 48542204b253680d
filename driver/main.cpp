// The makeqfb executable: the process-wide set-up, then everything happens in makeqfb_main.
#include "files.h"
#include "cli.h"
#include "platform.h"
#include "makeqfb_main.h"

int main(int argc, char** argv)
{
    platform::StartRefusal refusal;
    if (!platform::start_process(&refusal)) {  // Windows: binary standard output, the arguments checked
        say_start_refusal(refusal);
        return 1;
    }
    install_fault_guard();  // before any file is read, while there is one thread
    install_interrupt_cleanup();  // a signal that ends the run removes its temporary files first
    return makeqfb_main(argc, argv);
}
