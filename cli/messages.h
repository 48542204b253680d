// A tool's messages as data: one list per tool of printf formats, each named, from which an enum
// of the names and an array of the formats are made (the array is what a test holds the manual's
// lists to). Every line a tool prints comes from its list through say or text_of.
#pragma once

#include <cstdarg>
#include <string>

#define QFB_MESSAGE_NAME(name, format) name,
#define QFB_MESSAGE_FORMAT(name, format) format,

// printf of a format of a list; and the same into a string.
void say_format(const char* format, va_list args);
std::string text_of_format(const char* format, va_list args);

// Declares the enum Type of a list's names, its formats as TEXTS, and say and text_of for it.
#define QFB_MESSAGE_LIST(Type, TEXTS, LIST)                                  \
    enum class Type { LIST(QFB_MESSAGE_NAME) };                              \
    inline constexpr const char* TEXTS[] = {LIST(QFB_MESSAGE_FORMAT)};       \
    void say(Type message, ...);                                             \
    std::string text_of(Type message, ...)

// Defines say and text_of for a list declared with QFB_MESSAGE_LIST.
#define QFB_MESSAGE_FUNCTIONS(Type, TEXTS)                                   \
    void say(Type message, ...)                                              \
    {                                                                        \
        va_list args;                                                        \
        va_start(args, message);                                             \
        say_format(TEXTS[static_cast<int>(message)], args);                  \
        va_end(args);                                                        \
    }                                                                        \
    std::string text_of(Type message, ...)                                   \
    {                                                                        \
        va_list args;                                                        \
        va_start(args, message);                                             \
        std::string line = text_of_format(TEXTS[static_cast<int>(message)], args); \
        va_end(args);                                                        \
        return line;                                                         \
    }
