#include "http/error_text.h"

#include "net/socket_errors.h"

std::string ErrorText(int Error, const std::string& Text) {
    return Text + " (Error #" + std::to_string(Error) + ")";
}

std::string ErrorText(int Error) {
    return ErrorText(Error, SocketErrorDesc(Error));
}
