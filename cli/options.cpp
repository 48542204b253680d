// Reading a command line by a table of options (see options.h).
#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli_texts.h"

namespace {

bool is_option(const char* word) { return std::strncmp(word, "--", 2) == 0; }
bool all_digits(const char* s) { return *s != '\0' && std::strspn(s, "0123456789") == std::strlen(s); }

// Levenshtein's distance, one row at a time.
size_t edit_distance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "--a", "--a or --b", "--a, --b or --c".
std::string alternatives(const OptionRow& row)
{
    std::string named;
    size_t count = 0;
    while (count < 4 && row.needs[count] != nullptr) ++count;
    for (size_t i = 0; i < count; ++i) named += (i == 0 ? "" : i + 1 == count ? " or " : ", ") + std::string(row.needs[i]);
    return named;
}

}  // namespace

const GivenOption* CommandLine::find(const char* name) const
{
    for (auto it = given.rbegin(); it != given.rend(); ++it)
        if (std::strcmp(it->row->name, name) == 0) return &*it;
    return nullptr;
}

const char* CommandLine::value(const char* name, const char* fallback) const
{
    const GivenOption* option = find(name);
    return option == nullptr || option->values.empty() ? fallback : option->values.back();
}

long CommandLine::count(const char* name, long fallback) const
{
    const char* given_value = value(name);
    return given_value == nullptr ? fallback : std::strtol(given_value, nullptr, 10);
}

OptionProblem read_options(const OptionRow* rows, size_t row_count, int argc, char** argv, CommandLine& line)
{
    OptionProblem problem;
    const auto refuse = [&problem](OptionProblem::Kind kind, const char* name, const char* other, const OptionRow* row) {
        problem.kind = kind;
        problem.name = name;
        problem.other = other;
        problem.row = row;
        return problem;
    };
    std::vector<std::string> names;
    for (size_t r = 0; r < row_count; ++r) names.push_back(rows[r].name);
    for (int i = 0; i < argc; ++i) {
        const char* word = argv[i];
        if (!is_option(word)) {
            line.positional.push_back(word);
            continue;
        }
        const OptionRow* row = nullptr;
        for (size_t r = 0; r < row_count && row == nullptr; ++r)
            if (std::strcmp(rows[r].name, word) == 0) row = &rows[r];
        if (row == nullptr) return refuse(OptionProblem::unknown, word, nearest_name(word, names).c_str(), nullptr);
        if (!row->repeats && line.has(row->name)) return refuse(OptionProblem::given_twice, word, "", row);
        line.given.push_back(GivenOption{row, {}});
        std::vector<const char*>& values = line.given.back().values;
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        switch (row->value) {
        case OptionValue::none: continue;
        case OptionValue::optional_count:
            if (next == nullptr || !all_digits(next)) continue;
            break;
        case OptionValue::optional_word:
            if (next == nullptr || is_option(next) || std::strchr(next, '.') != nullptr) continue;
            break;
        default:
            if (next == nullptr) return refuse(OptionProblem::no_value, word, "", row);
            if (is_option(next)) return refuse(OptionProblem::option_as_value, word, next, row);
        }
        values.push_back(argv[++i]);
        if (row->value == OptionValue::words)
            while (i + 1 < argc && !is_option(argv[i + 1])) values.push_back(argv[++i]);
        if (row->value == OptionValue::count || row->value == OptionValue::optional_count) {
            errno = 0;
            const long number = all_digits(values[0]) ? std::strtol(values[0], nullptr, 10) : -1;
            if (errno != 0 || number < row->low || number > row->high)
                return refuse(OptionProblem::out_of_range, word, values[0], row);
        }
    }
    for (const GivenOption& option : line.given) {
        const OptionRow& row = *option.row;
        bool met = row.needs[0] == nullptr;
        for (size_t n = 0; n < 4 && row.needs[n] != nullptr; ++n) met = met || line.has(row.needs[n]);
        if (!met) return refuse(OptionProblem::needs_another, row.name, "", &row);
    }
    return problem;
}

std::string nearest_name(const std::string& word, const std::vector<std::string>& names)
{
    std::string nearest;
    size_t best = 3;  // more edits than this is another word, not a slip
    for (const std::string& name : names) {
        const size_t distance = edit_distance(word, name);
        if (distance < best && 2 * distance < name.size()) {
            best = distance;
            nearest = name;
        }
    }
    return nearest;
}

void say_option_problem(const OptionProblem& problem, const char* tool)
{
    const char* name = problem.name.c_str();
    switch (problem.kind) {
    case OptionProblem::none: return;
    case OptionProblem::unknown:
        if (problem.other.empty())
            say(CliText::unknown_word, "option", name, tool);
        else
            say(CliText::unknown_word_near, "option", name, problem.other.c_str(), tool);
        return;
    case OptionProblem::no_value:
        if (problem.row->value == OptionValue::count)
            say(CliText::count_missing, name, problem.row->low, problem.row->high);
        else
            say(CliText::value_missing, name);
        return;
    case OptionProblem::option_as_value: say(CliText::option_as_value, name, problem.other.c_str()); return;
    case OptionProblem::out_of_range:
        say(CliText::count_out_of_range, name, problem.row->low, problem.row->high, problem.other.c_str());
        return;
    case OptionProblem::needs_another:
        say(CliText::option_needs_another, name, alternatives(*problem.row).c_str(), problem.row->why);
        return;
    case OptionProblem::given_twice: say(CliText::option_given_twice, name); return;
    }
}

void say_unknown_word(const char* what, const std::string& word, const std::vector<std::string>& names, const char* tool)
{
    const std::string nearest = nearest_name(word, names);
    if (nearest.empty())
        say(CliText::unknown_word, what, word.c_str(), tool);
    else
        say(CliText::unknown_word_near, what, word.c_str(), nearest.c_str(), tool);
}
