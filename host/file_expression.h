// Expressions over a file: the plug-in's detection expression, which asks
// for files by their extension, and --where, which asks by their fields.
// One grammar for both (whitespace between tokens is ignored, words are
// case-insensitive):
//
//   expression := and ( "|" and )*
//   and        := unary ( "&" unary )*
//   unary      := "!" unary | "(" expression ")" | term
//   term       := "has" "(" field ")" | subject operator literal
//   subject    := "EXT" | "NAME" | field
//   operator   := "=" | "!=" | "<" | "<=" | ">" | ">="
//   literal    := "text in double quotes" | 'or in single ones' | number
//
// Text may also stand in single quotes, which a Windows command line passes
// on as they are. EXT is the file's extension, NAME its whole name, which
// "=" matches as a pattern (* any run of characters, ? one). A field is
// named by a word, an index or a quoted header text, however the caller
// resolves it (the detection expression has no fields). A field whose value
// is a number compares numerically with a number (written as a value has it,
// or with an exponent: 1e2); text compares with "=" and "!=", without regard
// to ASCII case, a number field's text too (tempo = "97.50"); a field
// without a value satisfies no comparison, only "!has(...)". A comparison
// that could never hold is refused: a text field with a number, a number
// field with a text that is not a number's.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/field_value.h"

// A field as an expression names it: its index, and what its values are.
struct NamedField {
    int index = -1;
    FieldKind kind = FieldKind::kUnknown;
};

// Finds the field a name in an expression means, or returns false with the
// reason in error.
using FieldResolver = std::function<bool(const std::string& name, NamedField& field, std::string& error)>;

// What an expression is asked about: the file's name (the last path
// component, UTF-8) and its values by field index (none for the detection
// expression).
struct FileFacts {
    const std::string& fileName;
    const std::vector<FieldValue>& values;
};

struct ExpressionError {
    std::string message;
    std::size_t position = 0;  // byte offset in the text
};

class FileExpression {
public:
    // Parses text; with fields null only EXT and NAME are known. On failure
    // returns null and says what and where in error.
    static std::unique_ptr<FileExpression> Parse(const std::string& text, const FieldResolver* fields,
                                                 ExpressionError& error);

    virtual ~FileExpression() = default;

    virtual bool Accepts(const FileFacts& file) const = 0;

    // For an expression without fields.
    bool Accepts(const std::string& fileName) const;

    // Adds the indexes of the fields the expression reads to fields.
    virtual void FieldsRead(std::vector<int>& fields) const = 0;

    // Adds the extensions (lower case) that the terms EXT = "kar" and
    // NAME = "*.kar" ask for to extensions; under a "!" (negated) such a
    // term asks for none, and EXT != "kar" does.
    virtual void ExtensionsAskedFor(bool negated, std::vector<std::string>& extensions) const = 0;
};

// The text after the last dot of a file name, or "" when there is none or
// the only dot starts the name (".mid" has no extension).
std::string FileExtension(const std::string& fileName);

// "what at position N", then the text and a caret under the position, for
// a message of several lines.
std::string DescribeExpressionError(const std::string& text, const ExpressionError& error);
