#pragma once

#include <string>

// Socket error numbers are the Winsock numbers everywhere above the system
// calls: events, LastError and error texts never show an errno value.
//
// The one table of them, one row per number: X(Name, Number, Text, (errno
// values), (EAI_* values)), the values being those that map onto the number.
// EPIPE counts as a reset: Linux reports a send on a connection the peer has
// reset as EPIPE once the reset itself was reported, where Winsock keeps
// answering WSAECONNRESET. EBADF is a descriptor that is not (or no longer)
// open, which Winsock reports for a socket handle as WSAENOTSOCK, as the
// receive calls do for a socket without a handle. EPROTO (accept's "protocol
// error") means the pending connection was aborted. EAI_ADDRFAMILY: the name
// exists but has no address of the family asked for. An IPv6 socket on a
// machine without IPv6 fails with EAFNOSUPPORT, an IPv6 connect without a
// route with ENETUNREACH or EADDRNOTAVAIL.
#define QUORVIK_WINSOCK_ERRORS(X)                                                                  \
    X(NoError, 0, "No Error", (), ())                                                              \
    X(Interrupted, 10004, "Interrupted system call", (EINTR), ())                                  \
    X(BadFile, 10009, "Bad file number", (), ())                                                   \
    X(AccessDenied, 10013, "Permission denied", (EACCES, EPERM), ())                               \
    X(BadAddress, 10014, "Bad address", (EFAULT), ())                                              \
    X(InvalidArgument, 10022, "Invalid argument", (EINVAL), ())                                    \
    X(TooManyFiles, 10024, "Too many open files", (EMFILE, ENFILE), ())                            \
    X(WouldBlock, 10035, "Operation would block", (EWOULDBLOCK), ())                               \
    X(InProgress, 10036, "Operation now in progress", (EINPROGRESS), ())                           \
    X(Already, 10037, "Operation already in progress", (EALREADY), ())                             \
    X(NotSocket, 10038, "Socket operation on non-socket", (ENOTSOCK, EBADF), ())                   \
    X(DestAddrRequired, 10039, "Destination address required", (EDESTADDRREQ), ())                 \
    X(MessageSize, 10040, "Message too long", (EMSGSIZE), ())                                      \
    X(WrongProtocolType, 10041, "Protocol wrong type for socket", (EPROTOTYPE), ())                \
    X(NoProtocolOption, 10042, "Protocol not available", (ENOPROTOOPT), ())                        \
    X(ProtocolNotSupported, 10043, "Protocol not supported", (EPROTONOSUPPORT), ())                \
    X(SocketTypeNotSupported, 10044, "Socket type not supported", (ESOCKTNOSUPPORT), ())           \
    X(OperationNotSupported, 10045, "Operation not supported on socket", (EOPNOTSUPP), ())         \
    X(FamilyNotSupported, 10046, "Protocol family not supported", (EPFNOSUPPORT), ())              \
    X(AddressFamilyNotSupported, 10047, "Address family not supported by protocol family",         \
      (EAFNOSUPPORT), ())                                                                          \
    X(AddressInUse, 10048, "Address already in use", (EADDRINUSE), ())                             \
    X(AddressNotAvailable, 10049, "Address not available", (EADDRNOTAVAIL), ())                    \
    X(NetworkDown, 10050, "Network is down", (ENETDOWN), ())                                       \
    X(NetworkUnreachable, 10051, "Network is unreachable", (ENETUNREACH), ())                      \
    X(NetworkReset, 10052, "Network dropped connection on reset", (ENETRESET), ())                 \
    X(ConnAborted, 10053, "Connection aborted", (ECONNABORTED, EPROTO), ())                        \
    X(ConnReset, 10054, "Connection reset by peer", (ECONNRESET, EPIPE), ())                       \
    X(NoBufferSpace, 10055, "No buffer space available", (ENOBUFS, ENOMEM, ENOSR), (EAI_MEMORY))   \
    X(IsConnected, 10056, "Socket is already connected", (EISCONN), ())                            \
    X(NotConnected, 10057, "Socket is not connected", (ENOTCONN), ())                              \
    X(AfterShutdown, 10058, "Can't send after socket shutdown", (ESHUTDOWN), ())                   \
    X(TooManyReferences, 10059, "Too many references: can't splice", (ETOOMANYREFS), ())           \
    X(TimedOut, 10060, "Connection timed out", (ETIMEDOUT), ())                                    \
    X(ConnRefused, 10061, "Connection refused", (ECONNREFUSED), ())                                \
    X(SymbolicLinkLoop, 10062, "Too many levels of symbolic links", (ELOOP), ())                   \
    X(NameTooLong, 10063, "File name too long", (ENAMETOOLONG), ())                                \
    X(HostDown, 10064, "Host is down", (EHOSTDOWN), ())                                            \
    X(HostUnreachable, 10065, "No route to host", (EHOSTUNREACH), ())                              \
    X(NotEmpty, 10066, "Directory not empty", (ENOTEMPTY), ())                                     \
    X(TooManyProcesses, 10067, "Too many processes", (), ())                                       \
    X(TooManyUsers, 10068, "Too many users", (EUSERS), ())                                         \
    X(DiskQuota, 10069, "Disc quota exceeded", (EDQUOT), ())                                       \
    X(StaleHandle, 10070, "Stale NFS file handle", (ESTALE), ())                                   \
    X(RemotePath, 10071, "Too many levels of remote in path", (EREMOTE), ())                       \
    X(SystemNotReady, 10091, "Network sub-system is unusable", (), ())                             \
    X(VersionNotSupported, 10092, "WinSock DLL cannot support this application", (), ())           \
    X(NotInitialised, 10093, "WinSock not initialized", (), ())                                    \
    X(SysCallFailure, 10107, "System call failure", (), ())                                        \
    X(HostNotFound, 11001, "Host not found", (), (EAI_NONAME))                                     \
    X(TryAgain, 11002, "Non-authoritative host not found", (), (EAI_AGAIN))                        \
    X(NoRecovery, 11003, "Non-recoverable error", (), ())                                          \
    X(NoData, 11004, "No Data", (), (EAI_NODATA, EAI_ADDRFAMILY))

namespace wsaerr {
#define QUORVIK_WINSOCK_CONSTANT(Name, Number, Text, Errnos, EaiValues) constexpr int Name = Number;
QUORVIK_WINSOCK_ERRORS(QUORVIK_WINSOCK_CONSTANT)
#undef QUORVIK_WINSOCK_CONSTANT
} // namespace wsaerr

// Maps an errno value onto its Winsock number; 0 stays 0. A failure without a
// closer counterpart (EIO and the like) is 10107, "System call failure".
int WinsockErrorFromErrno(int ErrnoValue);

// Maps a getaddrinfo/getnameinfo result (EAI_*) onto 11001..11004; EAI_SYSTEM
// uses the errno value that came with it, a value outside the table is 11003.
int WinsockErrorFromEai(int EaiValue, int ErrnoValue);

// The Winsock number of the calling thread's current errno.
int LastSocketError();

// English text of a Winsock error number; "Not a WinSock error" for any
// number outside the table.
std::string SocketErrorDesc(int Error);
