// Temporary files for tests, and UTF-16 paths to them.
#pragma once

#include <cstdio>
#include <string>

#include "tests/midi_bytes.h"

namespace test_files {

// A folder of its own for each test program run, under the test temp dir.
const std::string& TempFolder();

// Writes bytes to a new file in TempFolder() and returns its UTF-8 path.
std::string WriteTempFile(const midi_bytes::Bytes& bytes, const std::string& name = "");

// ASCII or UTF-8 path to UTF-16.
std::u16string Utf16Path(const std::string& path);

}  // namespace test_files
