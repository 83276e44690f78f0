// Paths and reasons as text for output and messages. On POSIX a file name
// is any bytes, so it may not be UTF-8 at all; the conversions themselves
// are the system's (host/system.h).
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// Text for messages that is always printable UTF-8: invalid bytes are shown
// as \xNN, so a bad name is still told apart from its neighbours.
std::string PathForMessage(const std::filesystem::path& path);

// The same for any bytes.
std::string EscapeInvalidUtf8(const std::string& bytes);

// Why a path could not be used, in the words of every message: lower case,
// no final stop ("no such file or folder", "permission denied", ...).
std::string ReasonText(const std::error_code& error);
