#pragma once
// Runs another program for a test and collects what it wrote.

#include <string>
#include <utility>
#include <vector>

namespace kp::test {

// Variables set (to the value, "" included) in the child's environment.
using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `argv` (argv[0] a path) with `env` over this process's environment
// and standard input from /dev/null. Its standard output goes to `output`
// and its standard error to `errors` when given, else nowhere. Returns the
// exit status, or -1 when it could not run or did not exit.
int runProgram(const std::vector<std::string>& argv, const Environment& env, std::string* output,
               std::string* errors = nullptr);

} // namespace kp::test
