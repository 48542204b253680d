// qfbinfo never destroys a user's file: before it writes anything it refuses when a name it
// would write is already taken (a file, a folder, a link), unless it was given --force, which
// replaces what stands at the name: a symbolic link there is replaced, never written through.
#pragma once

// True when something of that name exists (a symbolic link counts, even a dangling one).
bool name_taken(const char* name);

// When name is taken and force is false, prints "File already exists: NAME (--force replaces
// it)." and returns true: the caller stops with status 1.
bool refuse_taken(const char* name, bool force);

// Before a forced write: removes a symbolic link at name, so that the new file takes the link's
// place and what it leads to stays as it was.
void drop_link(const char* name);
