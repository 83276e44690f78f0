// Paths as text. On POSIX a file name is any bytes, so it may not be UTF-8
// at all; the conversions themselves are the system's (host/system.h).
#pragma once

#include <filesystem>
#include <string>

// The path in a row of output: its UTF-8 text as the system gives it. A
// name that is not UTF-8 (POSIX) has its odd bytes shown as \xNN, so the
// text is always UTF-8 and a bad name is still told apart from its
// neighbours.
std::string PathText(const std::filesystem::path& path);

// The path in a message on stderr: also every control character shown as
// \xNN, so a file name can never drive the terminal.
std::string PathForMessage(const std::filesystem::path& path);
