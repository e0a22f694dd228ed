#pragma once

#include <string>

// Socket error numbers are the Winsock numbers everywhere above the system
// calls: events, LastError and error texts never show an errno value.
namespace wsaerr {
constexpr int Interrupted = 10004;     // WSAEINTR
constexpr int InvalidArgument = 10022; // WSAEINVAL
constexpr int TooManyFiles = 10024;    // WSAEMFILE
constexpr int WouldBlock = 10035;      // WSAEWOULDBLOCK
constexpr int InProgress = 10036;      // WSAEINPROGRESS
constexpr int NotSocket = 10038;       // WSAENOTSOCK
constexpr int ConnAborted = 10053;     // WSAECONNABORTED
constexpr int ConnReset = 10054;       // WSAECONNRESET
constexpr int NoBufferSpace = 10055;   // WSAENOBUFS
constexpr int NotConnected = 10057;    // WSAENOTCONN
constexpr int TimedOut = 10060;        // WSAETIMEDOUT
constexpr int ConnRefused = 10061;     // WSAECONNREFUSED
constexpr int NotInitialised = 10093;  // WSANOTINITIALISED
constexpr int SysCallFailure = 10107;  // WSASYSCALLFAILURE
constexpr int HostNotFound = 11001;    // WSAHOST_NOT_FOUND
constexpr int TryAgain = 11002;        // WSATRY_AGAIN
constexpr int NoRecovery = 11003;      // WSANO_RECOVERY
constexpr int NoData = 11004;          // WSANO_DATA
} // namespace wsaerr

// Maps an errno value onto its Winsock number; 0 stays 0. A failure without a
// closer counterpart (EIO and the like) is 10107, "System call failure".
int WinsockErrorFromErrno(int ErrnoValue);

// Maps a getaddrinfo/getnameinfo result (EAI_*) onto 11001..11004; EAI_SYSTEM
// uses the errno value that came with it.
int WinsockErrorFromEai(int EaiValue, int ErrnoValue);

// The Winsock number of the calling thread's current errno.
int LastSocketError();

// English text of a Winsock error number; "Not a WinSock error" for any
// number outside the table.
std::string SocketErrorDesc(int Error);
