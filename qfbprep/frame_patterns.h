// Glob patterns among pack's frames ('art/run-*.png'), expanded by pack itself so that a shell
// that does not expand them (Windows) and a pack made again by --watch see the same frames.
#pragma once

#include <string>
#include <vector>

// True when the file-name part of arg holds '*', '?' or '['; the folder part is taken as written.
bool is_frame_pattern(const std::string& arg);
// name matches pattern: '*' any run of characters, '?' one, "[...]" one of a set ("[a-c]" a
// range, "[!...]" or "[^...]" one not in it); a leading '.' only by a '.' written in the pattern.
bool name_matches(const char* pattern, const char* name);
// args with each pattern replaced by the names of its folder that match, in natural order. A
// pattern that matches nothing, or whose folder cannot be read, stays as given: it is then refused
// as a missing file is.
std::vector<std::string> expand_frame_patterns(const std::vector<std::string>& args);
