// Why something failed, in the words of the program's own messages: lower
// case, no final stop ("no such file or folder", "permission denied", ...).
#pragma once

#include <string>
#include <system_error>

// Why a path could not be used.
std::string ReasonText(const std::error_code& error);

// A message of the system or a library made to read like the program's own:
// its first letter lower-cased, unless it starts an acronym ("I/O error").
std::string LowerCaseStart(std::string text);
