// Paths as text. On POSIX a file name is any bytes, so it may not be UTF-8
// at all; the conversions themselves are the system's (host/system.h).
#pragma once

#include <filesystem>
#include <string>

// The path in a row of output: its bytes as the system gives them, UTF-8
// (on POSIX possibly not: a name from an old Latin-1 archive). Each output
// format shows such a name its own way (host/output/).
std::string PathText(const std::filesystem::path& path);

// The path in a message on stderr: every byte that is not UTF-8 and every
// control character shown as \xNN, so a file name can never drive the
// terminal and a bad name is still told apart from its neighbours.
std::string PathForMessage(const std::filesystem::path& path);
