#include "host/file_expression.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>
#include <utility>

#include "host/output/terminal_text.h"
#include "host/text_encoding.h"

namespace {

enum class Comparison { kEqual, kNotEqual, kLess, kLessOrEqual, kGreater, kGreaterOrEqual };

bool IsEquality(Comparison comparison) { return comparison == Comparison::kEqual || comparison == Comparison::kNotEqual; }

bool Holds(Comparison comparison, int order) {
    switch (comparison) {
        case Comparison::kEqual: return order == 0;
        case Comparison::kNotEqual: return order != 0;
        case Comparison::kLess: return order < 0;
        case Comparison::kLessOrEqual: return order <= 0;
        case Comparison::kGreater: return order > 0;
        case Comparison::kGreaterOrEqual: return order >= 0;
    }
    return false;
}

// The bytes of the character at text[at]: one for a byte that is not UTF-8.
std::size_t CharacterLength(const std::string& text, std::size_t at) {
    char32_t ignored = 0;
    const std::size_t length = DecodeUtf8(text, at, ignored);
    return length == 0 ? 1 : length;
}

// Whether name matches pattern, * standing for any run of characters and ?
// for one character (a whole UTF-8 sequence), both already lower-cased.
// Backtracks only to the last *, so it takes time linear in the name for
// each star.
bool MatchesPattern(const std::string& name, const std::string& pattern) {
    std::size_t n = 0, p = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '?') {
            n += CharacterLength(name, n);
            ++p;
        } else if (p < pattern.size() && pattern[p] == name[n] && pattern[p] != '*') {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            starN += CharacterLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// EXT or NAME compared with text: equal or not.
class NameTerm : public FileExpression {
public:
    NameTerm(bool wholeName, std::string text, bool equal)
        : wholeName_(wholeName), text_(AsciiLower(std::move(text))), equal_(equal) {}
    bool Accepts(const FileFacts& file) const override {
        const bool match = wholeName_ ? MatchesPattern(AsciiLower(file.fileName), text_)
                                      : AsciiLower(FileExtension(file.fileName)) == text_;
        return match == equal_;
    }
    void FieldsRead(std::vector<int>&) const override {}
    void ExtensionsAskedFor(bool negated, std::vector<std::string>& extensions) const override {
        // A pattern asks for an extension when its last dot is followed by
        // no wildcard: "*.kar", "song?.kar".
        const std::string extension = wholeName_ ? FileExtension(text_) : text_;
        if (equal_ != negated && !extension.empty() && extension.find_first_of("*?") == std::string::npos)
            extensions.push_back(extension);
    }

private:
    bool wholeName_;
    std::string text_;
    bool equal_;
};

// A field compared with a number or a text.
class FieldTerm : public FileExpression {
public:
    FieldTerm(int field, Comparison comparison, ComparableValue literal)
        : field_(field), comparison_(comparison), literal_(std::move(literal)) {}
    bool Accepts(const FileFacts& file) const override {
        const std::size_t index = static_cast<std::size_t>(field_);
        if (index >= file.values.size() || !file.values[index].has_value()) return false;
        const std::string& text = *file.values[index];
        // A number compares only with a value that is one; text compares
        // with the value's text, a number's digits included.
        const ComparableValue value =
            literal_.number.has_value() ? Comparable(text) : ComparableValue{std::nullopt, AsciiLower(text)};
        if (literal_.number.has_value() && !value.number.has_value()) return false;
        return Holds(comparison_, CompareValues(value, literal_));
    }
    void FieldsRead(std::vector<int>& fields) const override { fields.push_back(field_); }
    void ExtensionsAskedFor(bool, std::vector<std::string>&) const override {}

private:
    int field_;
    Comparison comparison_;
    ComparableValue literal_;
};

class HasTerm : public FileExpression {
public:
    explicit HasTerm(int field) : field_(field) {}
    bool Accepts(const FileFacts& file) const override {
        const std::size_t index = static_cast<std::size_t>(field_);
        return index < file.values.size() && file.values[index].has_value();
    }
    void FieldsRead(std::vector<int>& fields) const override { fields.push_back(field_); }
    void ExtensionsAskedFor(bool, std::vector<std::string>&) const override {}

private:
    int field_;
};

class Not : public FileExpression {
public:
    explicit Not(std::unique_ptr<FileExpression> operand) : operand_(std::move(operand)) {}
    bool Accepts(const FileFacts& file) const override { return !operand_->Accepts(file); }
    void FieldsRead(std::vector<int>& fields) const override { operand_->FieldsRead(fields); }
    void ExtensionsAskedFor(bool negated, std::vector<std::string>& extensions) const override {
        operand_->ExtensionsAskedFor(!negated, extensions);
    }

private:
    std::unique_ptr<FileExpression> operand_;
};

class Binary : public FileExpression {
public:
    Binary(std::unique_ptr<FileExpression> left, std::unique_ptr<FileExpression> right, bool isAnd)
        : left_(std::move(left)), right_(std::move(right)), isAnd_(isAnd) {}
    bool Accepts(const FileFacts& file) const override {
        return isAnd_ ? left_->Accepts(file) && right_->Accepts(file) : left_->Accepts(file) || right_->Accepts(file);
    }
    void FieldsRead(std::vector<int>& fields) const override {
        left_->FieldsRead(fields);
        right_->FieldsRead(fields);
    }
    void ExtensionsAskedFor(bool negated, std::vector<std::string>& extensions) const override {
        left_->ExtensionsAskedFor(negated, extensions);
        right_->ExtensionsAskedFor(negated, extensions);
    }

private:
    std::unique_ptr<FileExpression> left_;
    std::unique_ptr<FileExpression> right_;
    bool isAnd_;
};

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// Recursive descent over the text; the first fault stops the parse.
class Parser {
public:
    Parser(const std::string& text, const FieldResolver* fields) : text_(text), fields_(fields) {}

    std::unique_ptr<FileExpression> ParseAll(ExpressionError& error) {
        std::unique_ptr<FileExpression> result = ParseOr();
        SkipSpace();
        if (result != nullptr && position_ < text_.size()) result = Fail(Unexpected());
        if (result == nullptr) error = error_;
        return result;
    }

private:
    // Nesting deeper than this is refused rather than risking the stack.
    static constexpr int kMaxDepth = 100;

    void SkipSpace() {
        while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_])) != 0) ++position_;
    }

    bool Take(char c) {
        SkipSpace();
        if (position_ < text_.size() && text_[position_] == c) {
            ++position_;
            return true;
        }
        return false;
    }

    std::string Unexpected() const {
        return position_ < text_.size() ? "unexpected '" + text_.substr(position_, CharacterLength(text_, position_)) + "'"
                                        : std::string("unexpected end");
    }

    // Records the first fault, at position (by default the current one).
    std::nullptr_t Fail(const std::string& message, std::optional<std::size_t> at = std::nullopt) {
        if (error_.message.empty()) error_ = ExpressionError{message, at.value_or(position_)};
        return nullptr;
    }

    std::unique_ptr<FileExpression> ParseOr() {
        std::unique_ptr<FileExpression> left = ParseAnd();
        while (left != nullptr && Take('|')) {
            std::unique_ptr<FileExpression> right = ParseAnd();
            if (right == nullptr) return nullptr;
            left = std::make_unique<Binary>(std::move(left), std::move(right), false);
        }
        return left;
    }

    std::unique_ptr<FileExpression> ParseAnd() {
        std::unique_ptr<FileExpression> left = ParseUnary();
        while (left != nullptr && Take('&')) {
            std::unique_ptr<FileExpression> right = ParseUnary();
            if (right == nullptr) return nullptr;
            left = std::make_unique<Binary>(std::move(left), std::move(right), true);
        }
        return left;
    }

    std::unique_ptr<FileExpression> ParseUnary() {
        if (++depth_ > kMaxDepth) return Fail("expression nested too deeply");
        std::unique_ptr<FileExpression> result;
        if (Take('!')) {
            std::unique_ptr<FileExpression> operand = ParseUnary();
            if (operand != nullptr) result = std::make_unique<Not>(std::move(operand));
        } else if (Take('(')) {
            result = ParseOr();
            if (result != nullptr && !Take(')')) result = Fail("expected ')'");
        } else {
            result = ParseTerm();
        }
        --depth_;
        return result;
    }

    // Whether quoted text starts at position_: in double quotes, or in
    // single ones, which a Windows command line passes on as they are.
    bool AtQuote() const { return position_ < text_.size() && (text_[position_] == '"' || text_[position_] == '\''); }

    // Quoted text from the opening quote at position_ to the same quote;
    // false when it is not closed.
    bool TakeQuoted(std::string& text) {
        const std::size_t open = position_++;
        const std::size_t close = text_.find(text_[open], position_);
        if (close == std::string::npos) {
            Fail("unterminated text", open);
            return false;
        }
        text = text_.substr(position_, close - position_);
        position_ = close + 1;
        return true;
    }

    std::string TakeWord() {
        const std::size_t start = position_;
        while (position_ < text_.size() && IsWordCharacter(text_[position_])) ++position_;
        return text_.substr(start, position_ - start);
    }

    bool TakeComparison(Comparison& comparison) {
        SkipSpace();
        const auto next = [this](char c) { return position_ < text_.size() && text_[position_] == c; };
        if (next('=')) {
            comparison = Comparison::kEqual;
        } else if (next('!')) {
            ++position_;
            if (!next('=')) {
                Fail("expected '='");
                return false;
            }
            comparison = Comparison::kNotEqual;
        } else if (next('<') || next('>')) {
            const bool less = next('<');
            ++position_;
            const bool orEqual = next('=');
            if (!orEqual) --position_;
            comparison = less ? (orEqual ? Comparison::kLessOrEqual : Comparison::kLess)
                              : (orEqual ? Comparison::kGreaterOrEqual : Comparison::kGreater);
        } else {
            Fail(fields_ != nullptr ? "expected a comparison (=, !=, <, <=, >, >=)" : "expected '='");
            return false;
        }
        ++position_;
        return true;
    }

    // A field named by a word, an index or quoted text, from position_.
    bool ResolveField(const std::string& name, std::size_t at, NamedField& field) {
        std::string reason;
        if ((*fields_)(name, field, reason)) return true;
        Fail(reason, at);
        return false;
    }

    // A term: has(field), EXT or NAME compared with text, or a field
    // compared with a number or text.
    std::unique_ptr<FileExpression> ParseTerm() {
        SkipSpace();
        const std::size_t start = position_;
        std::string subject;
        const bool quoted = AtQuote();
        if (quoted) {
            if (fields_ == nullptr) return Fail(Unexpected());
            if (!TakeQuoted(subject)) return nullptr;
        } else {
            subject = TakeWord();
            if (subject.empty()) return Fail(Unexpected());
        }
        const std::string word = quoted ? std::string() : AsciiLower(subject);
        if (word == "has" && fields_ != nullptr && Take('(')) return ParseHas();
        if (word == "ext" || word == "name") return ParseNameTerm(word == "name");
        if (fields_ == nullptr) return Fail("unknown property '" + word + "'", start);
        NamedField field;
        if (!ResolveField(subject, start, field)) return nullptr;
        return ParseFieldTerm(field, subject);
    }

    // The field and the closing parenthesis of has(field).
    std::unique_ptr<FileExpression> ParseHas() {
        SkipSpace();
        const std::size_t at = position_;
        std::string name;
        if (AtQuote()) {
            if (!TakeQuoted(name)) return nullptr;
        } else {
            name = TakeWord();
            if (name.empty()) return Fail("expected a field");
        }
        NamedField field;
        if (!ResolveField(name, at, field)) return nullptr;
        if (!Take(')')) return Fail("expected ')'");
        return std::make_unique<HasTerm>(field.index);
    }

    // What follows EXT or NAME: = or != and text in quotes.
    std::unique_ptr<FileExpression> ParseNameTerm(bool wholeName) {
        Comparison comparison;
        const std::size_t operatorAt = (SkipSpace(), position_);
        if (!TakeComparison(comparison)) return nullptr;
        SkipSpace();
        std::string text;
        if (!AtQuote()) return Fail("expected text in quotes");
        if (!TakeQuoted(text)) return nullptr;
        if (!IsEquality(comparison)) return Fail("text compares only with = and !=", operatorAt);
        return std::make_unique<NameTerm>(wholeName, std::move(text), comparison == Comparison::kEqual);
    }

    // What follows a field: an operator, and a number or text in quotes
    // that a value of the field can match. name is the field as written.
    std::unique_ptr<FileExpression> ParseFieldTerm(const NamedField& field, const std::string& name) {
        Comparison comparison;
        const std::size_t operatorAt = (SkipSpace(), position_);
        if (!TakeComparison(comparison)) return nullptr;
        SkipSpace();
        const std::size_t literalAt = position_;
        const bool quoted = AtQuote();
        ComparableValue literal;
        if (!TakeLiteral(literal)) return nullptr;
        // A key is never 3 and a tempo never "fast": say so rather than match nothing.
        if (field.kind == FieldKind::kText && !quoted)
            return Fail("'" + name + "' holds text: compare it with text in quotes", literalAt);
        if (field.kind == FieldKind::kNumber && quoted && !IsPlainNumber(literal.text))
            return Fail("'" + name + "' holds numbers: compare it with a number", literalAt);
        if (!literal.number.has_value() && !IsEquality(comparison))
            return Fail("text compares only with = and !=", operatorAt);
        return std::make_unique<FieldTerm>(field.index, comparison, std::move(literal));
    }

    // Text in quotes, or a number.
    bool TakeLiteral(ComparableValue& literal) {
        if (AtQuote()) {
            std::string text;
            if (!TakeQuoted(text)) return false;
            literal = ComparableValue{std::nullopt, AsciiLower(text)};
            return true;
        }
        std::optional<double> number;
        if (!TakeNumber(number)) return false;
        literal = ComparableValue{number, ""};
        return true;
    }

    // A number as a value has it (-12.5), or with an exponent (1e2, 2.5E-3).
    bool TakeNumber(std::optional<double>& number) {
        const auto digit = [this](std::size_t at) {
            return at < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at])) != 0;
        };
        const auto next = [this](std::size_t at, std::string_view any) {
            return at < text_.size() && any.find(text_[at]) != std::string_view::npos;
        };
        std::size_t end = position_ + (next(position_, "-") ? 1 : 0);
        while (digit(end) || next(end, ".")) ++end;
        if (end > position_ && next(end, "eE")) {
            ++end;
            if (next(end, "+-")) ++end;
            while (digit(end)) ++end;
        }
        double value = 0.0;
        const char* first = text_.data() + position_;
        const auto parsed = std::from_chars(first, text_.data() + end, value);
        if (parsed.ec == std::errc::result_out_of_range) {
            Fail("a number too large or too small");
            return false;
        }
        if (end == position_ || parsed.ec != std::errc() || parsed.ptr != text_.data() + end) {
            Fail("expected a number or text in quotes");
            return false;
        }
        number = value;
        position_ = end;
        return true;
    }

    const std::string& text_;
    const FieldResolver* fields_;
    std::size_t position_ = 0;
    int depth_ = 0;
    ExpressionError error_;
};

}  // namespace

std::unique_ptr<FileExpression> FileExpression::Parse(const std::string& text, const FieldResolver* fields,
                                                      ExpressionError& error) {
    return Parser(text, fields).ParseAll(error);
}

bool FileExpression::Accepts(const std::string& fileName) const {
    static const std::vector<FieldValue> kNoValues;
    return Accepts(FileFacts{fileName, kNoValues});
}

std::string FileExtension(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    return fileName.substr(dot + 1);
}

std::string DescribeExpressionError(const std::string& text, const ExpressionError& error) {
    // Shown as every message shows text (host/output/terminal_text.h). The
    // position counts characters; the caret goes under the character by the
    // columns the text before it takes there, two for each wide East Asian
    // character, four for a control shown as \xNN.
    const std::string before = text.substr(0, std::min(error.position, text.size()));
    std::size_t characters = 0;
    for (std::size_t at = 0; at < before.size(); at += CharacterLength(before, at)) ++characters;
    return PrintableText(error.message, StandIn::kEscapedBytes) + " at position " + std::to_string(characters + 1) + "\n  " +
           PrintableText(text, StandIn::kEscapedBytes) + "\n  " +
           std::string(DisplayWidth(PrintableText(before, StandIn::kEscapedBytes)), ' ') + "^";
}
