// A tool's options as a table, one row an option, and the reading of a command line by it. What
// is wrong with a command line comes back as an OptionProblem, which say_option_problem puts into
// one line that names the word at fault.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum class OptionValue {
    none,            // a flag
    count,           // a whole decimal number from low to high
    optional_count,  // a count when the next word is all digits, else nothing
    word,            // the next word
    optional_word,   // the next word when it has no "." (a file's name has one), else nothing
    words,           // every word up to the next option, at least one
};

struct OptionRow {
    const char* name;  // "--levels"
    OptionValue value = OptionValue::none;
    long low = 0, high = 0;  // a count's range
    // The options this one goes with, one of which must be given too (at most four), and what it
    // does for them ("it scales the dithering"); none when needs[0] is null.
    const char* needs[4] = {};
    const char* why = nullptr;
    bool repeats = false;  // may be given more than once (each value kept, in order)
};

// An option as given: its row and its values (none for a flag or an optional value left out).
struct GivenOption {
    const OptionRow* row;
    std::vector<const char*> values;
};

struct CommandLine {
    std::vector<const char*> positional;  // the words that are no option or value, in order
    std::vector<GivenOption> given;       // the options, in order

    bool has(const char* name) const { return find(name) != nullptr; }
    // The option's (last) value, or fallback when it is not given or has none.
    const char* value(const char* name, const char* fallback = nullptr) const;
    long count(const char* name, long fallback) const;
    const GivenOption* find(const char* name) const;
};

struct OptionProblem {
    enum Kind {
        none,
        unknown,         // name: the word; other: the nearest option, or ""
        no_value,        // name needs a value and none follows
        option_as_value, // other: the option that stands where name's value should
        out_of_range,    // other: the value given; row: its range
        needs_another,   // row: the options name goes with
        given_twice,
    } kind = none;
    std::string name, other;
    const OptionRow* row = nullptr;
    bool ok() const { return kind == none; }
};

// Reads argv[0 .. argc) by the table: words starting with "--" are options, the rest positional.
OptionProblem read_options(const OptionRow* rows, size_t row_count, int argc, char** argv, CommandLine& line);
template <size_t N>
OptionProblem read_options(const OptionRow (&rows)[N], int argc, char** argv, CommandLine& line)
{
    return read_options(rows, N, argc, argv, line);
}

// The name among names nearest to word by edit distance, when it is near enough to be a slip
// (at most 2 edits, and fewer than half its letters); "" otherwise.
std::string nearest_name(const std::string& word, const std::vector<std::string>& names);

// "Unknown option --mipmap (did you mean --mipmaps?); qfbprep --help lists them." and the other
// problems, one line each; tool names the tool the help is asked of.
void say_option_problem(const OptionProblem& problem, const char* tool);
// "Unknown job pak (did you mean pack?); qfbprep --help lists them."
void say_unknown_word(const char* what, const std::string& word, const std::vector<std::string>& names, const char* tool);
