#include "net/socket_errors.h"

#include <netdb.h>

#include <array>
#include <cerrno>

namespace {

// The most system values any row lists; 0 ends a shorter list (no errno or
// EAI_* value is 0).
constexpr std::size_t kMaxSystemValues = 3;
using TSystemValues = std::array<int, kMaxSystemValues>;

struct TWinsockError {
    int Number;
    const char* Text;
    TSystemValues Errnos;
    TSystemValues EaiValues;
};

#define QUORVIK_SYSTEM_VALUES(...)                                                                 \
    TSystemValues {                                                                                \
        __VA_ARGS__                                                                                \
    }
#define QUORVIK_WINSOCK_ROW(Name, Number, Text, Errnos, EaiValues)                                 \
    {Number, Text, QUORVIK_SYSTEM_VALUES Errnos, QUORVIK_SYSTEM_VALUES EaiValues},
constexpr TWinsockError kWinsockErrors[] = {QUORVIK_WINSOCK_ERRORS(QUORVIK_WINSOCK_ROW)};
#undef QUORVIK_WINSOCK_ROW
#undef QUORVIK_SYSTEM_VALUES

// The number of the row that lists Value in the given column, else Otherwise.
int NumberOf(TSystemValues TWinsockError::*Column, int Value, int Otherwise) {
    for (const TWinsockError& row : kWinsockErrors)
        for (const int listed : row.*Column)
            if (listed == Value)
                return row.Number;
    return Otherwise;
}

} // namespace

int WinsockErrorFromErrno(int ErrnoValue) {
    if (ErrnoValue == 0)
        return 0;
    return NumberOf(&TWinsockError::Errnos, ErrnoValue, wsaerr::SysCallFailure);
}

int WinsockErrorFromEai(int EaiValue, int ErrnoValue) {
    if (EaiValue == 0)
        return 0;
    if (EaiValue == EAI_SYSTEM)
        return WinsockErrorFromErrno(ErrnoValue);
    return NumberOf(&TWinsockError::EaiValues, EaiValue, wsaerr::NoRecovery);
}

int LastSocketError() {
    return WinsockErrorFromErrno(errno);
}

std::string SocketErrorDesc(int Error) {
    for (const TWinsockError& row : kWinsockErrors)
        if (row.Number == Error)
            return row.Text;
    return "Not a WinSock error";
}
