#pragma once
// What a catch-all handler caught, in words, so that it can be reported.

#include <string>

namespace kp {

// Called inside a catch block: the exception's what() when it is a
// std::exception, else its type ("an exception of type int").
std::string caughtExceptionText();

} // namespace kp
