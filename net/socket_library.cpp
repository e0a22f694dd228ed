#include "net/socket_library.h"

#include <dlfcn.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// The reference count and flags of the library binding. Socket objects on
// worker threads take references too, so they are atomic.
std::atomic<int> GCount = 0;
std::atomic<bool> GForced = false;
std::atomic<bool> GLoaded = false;

constexpr std::uint16_t kLibraryVersion = 0x0101;    // 1.1, low byte major
constexpr std::uint16_t kMaxSocketsReported = 65535; // the record's field is 16 bits
constexpr std::uint16_t kMaxUdpDatagram = 65507;     // IPv4 datagram less the headers

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
    if (GForced.exchange(true))
        return;
    SocketAddLibraryRef();
}

void SocketCancelForceLoadLibrary() {
    if (!GForced.exchange(false))
        return;
    SocketReleaseLibraryRef();
}

void SocketLibraryInfo(TSocketLibraryData& Data) {
    GLoaded = true;
    Data = TSocketLibraryData{};
    Data.Version = Data.HighVersion = kLibraryVersion;
    std::strcpy(Data.Description, "Linux BSD sockets");
    std::strcpy(Data.SystemStatus, "Running");
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    Data.MaxSockets =
        static_cast<std::uint16_t>(std::min<rlim_t>(files.rlim_cur, kMaxSocketsReported));
    Data.MaxUdpDg = kMaxUdpDatagram;
    if (GCount < 1)
        SocketUnloadLibrary();
}

void* SocketGetProc(const std::string& Name) {
    return dlsym(RTLD_DEFAULT, Name.c_str());
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
