// The command-line host's whole program, behind the system's own entry
// point: main() on POSIX, wmain() on Windows. Both hand over the arguments
// after the program name, as UTF-8.
#pragma once

#include <string>
#include <vector>

// Runs the host and returns the process exit status.
int RunHost(const std::vector<std::string>& arguments);
