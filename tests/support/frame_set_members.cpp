// Prints the members of the frame set named by BASE, one a line, in the order makeqfb reads them:
// the table the Bazel rule's own discovery is held to. Status 1 when makeqfb would find no set.
#include <cstdio>

#include "frameset.h"

int main(int argc, char** argv)
{
    FrameSet set;
    if (argc != 2 || find_frames(argv[1], set) != FindResult::found) return 1;
    for (const SetFrame& frame : set.frames)
        for (int32_t level = 0; level <= frame.mipmaps; ++level)
            std::printf("%s\n", member_name(set.base, frame.number, level).c_str());
    return 0;
}
