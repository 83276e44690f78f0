// Paths as text: UTF-8 for output and messages, UTF-16 for the plug-in.
// On POSIX a file name is any bytes, so it may not be UTF-8 at all; on
// Windows it is UTF-16 and always converts.
#pragma once

#include <filesystem>
#include <string>

// A path from UTF-8 text (a command-line argument).
std::filesystem::path PathFromUtf8(const std::string& text);

// The path's UTF-8 text; false when the name is not valid UTF-8 (POSIX).
bool PathToUtf8(const std::filesystem::path& path, std::string& out);

// The path's UTF-16 text for the plug-in; false when that is impossible.
bool PathToUtf16(const std::filesystem::path& path, std::u16string& out);

// Text for messages that is always printable UTF-8: invalid bytes are shown
// as \xNN, so a bad name is still told apart from its neighbours.
std::string PathForMessage(const std::filesystem::path& path);

// The same for any bytes.
std::string EscapeInvalidUtf8(const std::string& bytes);
