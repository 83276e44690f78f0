// JSON: one object per file, keys "path" and the fields' catalogue names in
// column order. A value that is a plain decimal number is a JSON number
// with exactly the plug-in's digits, other text a string, an empty field
// null. As one array (written row by row, never held whole) or as JSON
// Lines, one object a line.
//
// A JSON string holds Unicode text only, and a POSIX file name may be any
// bytes; such a path (one that is not UTF-8) is written as an object that
// gives its bytes back exactly, as ripgrep's JSON does:
//   {"path":{"bytes":"YmFkLf8ubWlk"}, ...}   (base64 of the name's bytes)
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "host/output/row_writer.h"

class JsonWriter : public RowWriter {
public:
    enum Layout { kArray, kLines };
    JsonWriter(std::ostream& out, Layout layout) : out_(out), layout_(layout) {}
    void Begin(const std::vector<std::string>& fieldNames) override;
    void Row(const std::string& path, const std::vector<FieldValue>& values) override;
    void End() override;

private:
    std::ostream& out_;
    Layout layout_;
    std::vector<std::string> keys_;  // the names, written as JSON strings
    std::size_t rows_ = 0;
};

// A path as a JSON value: a string when it is UTF-8, else {"bytes":"<base64>"}.
std::string JsonPath(const std::string& path);
