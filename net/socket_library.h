#pragma once

// The socket library is part of the C library on Linux, so "loading" it is a
// one-time initialisation. The reference count keeps its meaning: every live
// socket object holds one reference, a forced load holds one more, and the
// library is released when the count falls to zero.

// Takes one reference; the library counts as loaded from then on.
void SocketAddLibraryRef();
// Drops one reference; the last one releases the library.
void SocketReleaseLibraryRef();

void SocketForceLoadLibrary();
void SocketCancelForceLoadLibrary();
// Releases the library whatever the count; the count becomes 0.
void SocketUnloadLibrary();

int SocketGCount();
bool SocketGForced();
bool SocketLibraryLoaded();
