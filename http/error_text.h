#pragma once

#include <string>

// How the client words a failure that has a number: "text (Error #n)".
std::string ErrorText(int Error, const std::string& Text);
// The same with the socket error's own text.
std::string ErrorText(int Error);
