// The process-wide set-up the image readers need, made once by a tool's main before any thread
// exists: on Windows, COM for the Windows Imaging Component (the multithreaded apartment, which
// the parallel runner's threads then share); nothing elsewhere. A library never calls it.
#pragma once

#if defined(_WIN32)
#include <objbase.h>
#endif

inline bool start_image_codecs()
{
#if defined(_WIN32)
    return SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
#else
    return true;
#endif
}
