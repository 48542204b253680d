// PNG input where qfbprep is built without libspng (see image.h): every PNG file is refused.
#include "image.h"

LoadRefusal load_png(const char*, Image&)
{
    return LoadRefusal{LoadRefusal::unreadable, "this qfbprep is built without libspng and reads no PNG files", 0};
}
