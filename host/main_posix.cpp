// POSIX entry point: the arguments are already bytes, passed on as they are.
#include <string>
#include <vector>

#include "host/run_host.h"

int main(int argc, char** argv) { return RunHost(std::vector<std::string>(argv + 1, argv + argc)); }
