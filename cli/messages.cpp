// Printing a message of a tool's list (see messages.h).
#include "messages.h"

#include <cstdio>

void say_format(const char* format, va_list args) { std::vprintf(format, args); }

std::string text_of_format(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    std::vsnprintf(&line[0], line.size() + 1, format, again);
    va_end(again);
    return line;
}
