// The plug-in's detection expression: which files in a folder it wants.
//
// Grammar (whitespace between tokens is ignored, words case-insensitive):
//   expression := and ( "|" and )*
//   and        := unary ( "&" unary )*
//   unary      := "!" unary | "(" expression ")" | term
//   term       := "EXT" ( "=" | "!=" ) "\"" text "\""
// An extension is compared without regard to ASCII case.
#pragma once

#include <memory>
#include <string>

class DetectExpression {
public:
    // Parses text; on failure returns an empty expression and says why in
    // error (with the position of the fault).
    static std::unique_ptr<DetectExpression> Parse(const std::string& text, std::string& error);

    virtual ~DetectExpression() = default;

    // True when the expression accepts a file of this name (the last path
    // component, UTF-8).
    virtual bool Accepts(const std::string& fileName) const = 0;
};

// The text after the last dot of a file name, or "" when there is none or
// the only dot starts the name (".mid" has no extension).
std::string FileExtension(const std::string& fileName);
