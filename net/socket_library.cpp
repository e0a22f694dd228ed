#include "net/socket_library.h"

namespace {

// The reference count and force flag of the library binding; owner thread
// only, like the socket objects holding them.
int GCount = 0;
bool GForced = false;
bool GLoaded = false;

} // namespace

// Nothing has to be bound on Linux: the socket calls are in the C library and
// sends use MSG_NOSIGNAL, so no process-wide signal set-up is needed either.
void SocketAddLibraryRef() {
    ++GCount;
    GLoaded = true;
}

void SocketReleaseLibraryRef() {
    if (--GCount <= 0)
        SocketUnloadLibrary();
}

void SocketForceLoadLibrary() {
    if (GForced)
        return;
    GForced = true;
    SocketAddLibraryRef();
}

void SocketCancelForceLoadLibrary() {
    if (!GForced)
        return;
    GForced = false;
    SocketReleaseLibraryRef();
}

void SocketUnloadLibrary() {
    GLoaded = false;
    GCount = 0;
    GForced = false;
}

int SocketGCount() {
    return GCount;
}
bool SocketGForced() {
    return GForced;
}
bool SocketLibraryLoaded() {
    return GLoaded;
}
