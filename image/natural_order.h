// The order in which qfbprep pack takes frame files: natural order of their names, in which a run
// of digits compares as the number it writes (run-2 before run-10), as a person counts frames.
#pragma once

#include <string>

// True when a comes before b: byte by byte, except that where both have a run of digits the runs
// compare by value (leading zeros aside), and an equal value by the fewer leading zeros first.
// Names equal in that order compare byte by byte, so that the order is total.
bool natural_less(const std::string& a, const std::string& b);
