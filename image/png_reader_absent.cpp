// PNG input where the tools are built without libspng (see image_files.h): every PNG file is
// refused.
#include "image_files.h"

ImageProblem load_png(const char* name, Image&, uint64_t)
{
    return ImageProblem::of_file(ImageProblem::unreadable, name, "PNG",
                                 "this qfbprep is built without libspng and reads no PNG files");
}
