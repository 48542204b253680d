// The temporary files this process's writers have made and not yet renamed into place or removed,
// listed so that a signal that ends the process can remove them first. Inside the files library:
// the atomic writer lists and unlists, the handler that main installs removes.
#pragma once

#include <string>

struct TemporarySlot;

// Lists name just before its file is created. The caller holds the signals that end a run on its
// thread (platform::hold_interrupts) until temporary_created or unlist_temporary: a handler waits
// for the creation to finish, which it could not do on the creating thread. Null, with errno EINTR,
// once the process is ending: nothing more may be created then.
TemporarySlot* list_temporary(const std::string& name);
// The file was created: it stays listed until unlisted.
void temporary_created(TemporarySlot* slot);
// Off the list: the file was renamed into place, removed, or never created. Nothing when a signal's
// handler has taken it meanwhile (the process is ending). A null slot is nothing.
void unlist_temporary(TemporarySlot* slot);

// Removes every listed file, each once, even while other threads list and unlist: calls only what
// a signal handler may call. A second caller waits until the first is done. From then on nothing
// more can be listed.
void remove_listed_temporaries();
