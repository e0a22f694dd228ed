#pragma once

// The socket library is part of the C library on Linux, so "loading" it is a
// one-time initialisation. The reference count keeps its meaning: every live
// socket object holds one reference, a forced load holds one more, and the
// library is released when the count falls to zero.

#include <cstdint>
#include <string>

// What the socket library says of itself, in the layout of the start-up
// record (400 bytes): version 1.1, a description, the status, how many
// sockets a process may hold (its descriptor limit, at most 65535) and the
// largest datagram.
struct TSocketLibraryData {
    std::uint16_t Version;
    std::uint16_t HighVersion;
    char Description[257];
    char SystemStatus[129];
    std::uint16_t MaxSockets;
    std::uint16_t MaxUdpDg;
    char Reserved[6];
};
static_assert(sizeof(TSocketLibraryData) == 400);

// Takes one reference; the library counts as loaded from then on.
void SocketAddLibraryRef();
// Drops one reference; the last one releases the library.
void SocketReleaseLibraryRef();

void SocketForceLoadLibrary();
void SocketCancelForceLoadLibrary();
// Releases the library whatever the count; the count becomes 0.
void SocketUnloadLibrary();

// Copies the library's start-up record; loads the library for it and
// releases it again when no reference holds it.
void SocketLibraryInfo(TSocketLibraryData& Data);

// Entry point of the C library's socket function of that name (dlsym), or
// null when there is none.
void* SocketGetProc(const std::string& Name);

int SocketGCount();
bool SocketGForced();
bool SocketLibraryLoaded();
