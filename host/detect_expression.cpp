#include "host/detect_expression.h"

#include <cctype>
#include <utility>

#include "host/text_encoding.h"

namespace {

class ExtensionTerm : public DetectExpression {
public:
    ExtensionTerm(std::string extension, bool equal) : extension_(AsciiLower(std::move(extension))), equal_(equal) {}
    bool Accepts(const std::string& fileName) const override {
        return (AsciiLower(FileExtension(fileName)) == extension_) == equal_;
    }

private:
    std::string extension_;
    bool equal_;
};

class Not : public DetectExpression {
public:
    explicit Not(std::unique_ptr<DetectExpression> operand) : operand_(std::move(operand)) {}
    bool Accepts(const std::string& fileName) const override { return !operand_->Accepts(fileName); }

private:
    std::unique_ptr<DetectExpression> operand_;
};

class Binary : public DetectExpression {
public:
    Binary(std::unique_ptr<DetectExpression> left, std::unique_ptr<DetectExpression> right, bool isAnd)
        : left_(std::move(left)), right_(std::move(right)), isAnd_(isAnd) {}
    bool Accepts(const std::string& fileName) const override {
        return isAnd_ ? left_->Accepts(fileName) && right_->Accepts(fileName)
                      : left_->Accepts(fileName) || right_->Accepts(fileName);
    }

private:
    std::unique_ptr<DetectExpression> left_;
    std::unique_ptr<DetectExpression> right_;
    bool isAnd_;
};

// Recursive descent over the text; the first fault stops the parse.
class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    std::unique_ptr<DetectExpression> ParseAll(std::string& error) {
        std::unique_ptr<DetectExpression> result = ParseOr();
        SkipSpace();
        if (result != nullptr && position_ < text_.size()) Fail("unexpected '" + std::string(1, text_[position_]) + "'");
        if (!error_.empty()) {
            error = error_ + " at position " + std::to_string(errorPosition_ + 1) + " of '" + text_ + "'";
            return nullptr;
        }
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

    std::nullptr_t Fail(const std::string& message) {
        if (error_.empty()) {
            error_ = message;
            errorPosition_ = position_;
        }
        return nullptr;
    }

    std::unique_ptr<DetectExpression> ParseOr() {
        std::unique_ptr<DetectExpression> left = ParseAnd();
        while (left != nullptr && Take('|')) {
            std::unique_ptr<DetectExpression> right = ParseAnd();
            if (right == nullptr) return nullptr;
            left = std::make_unique<Binary>(std::move(left), std::move(right), false);
        }
        return left;
    }

    std::unique_ptr<DetectExpression> ParseAnd() {
        std::unique_ptr<DetectExpression> left = ParseUnary();
        while (left != nullptr && Take('&')) {
            std::unique_ptr<DetectExpression> right = ParseUnary();
            if (right == nullptr) return nullptr;
            left = std::make_unique<Binary>(std::move(left), std::move(right), true);
        }
        return left;
    }

    std::unique_ptr<DetectExpression> ParseUnary() {
        if (++depth_ > kMaxDepth) return Fail("expression nested too deeply");
        std::unique_ptr<DetectExpression> result;
        if (Take('!')) {
            std::unique_ptr<DetectExpression> operand = ParseUnary();
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

    std::unique_ptr<DetectExpression> ParseTerm() {
        SkipSpace();
        const std::size_t start = position_;
        while (position_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[position_])) != 0) ++position_;
        const std::string word = AsciiLower(text_.substr(start, position_ - start));
        if (word.empty()) {
            position_ = start;
            return Fail(position_ < text_.size() ? "unexpected '" + std::string(1, text_[position_]) + "'"
                                                 : std::string("unexpected end"));
        }
        if (word != "ext") {
            position_ = start;
            return Fail("unknown property '" + word + "'");
        }
        bool equal = true;
        if (Take('!')) {
            equal = false;
            if (position_ >= text_.size() || text_[position_] != '=') return Fail("expected '='");
            ++position_;
        } else if (!Take('=')) {
            return Fail("expected '='");
        }
        if (!Take('"')) return Fail("expected '\"'");
        const std::size_t close = text_.find('"', position_);
        if (close == std::string::npos) return Fail("unterminated text");
        std::string extension = text_.substr(position_, close - position_);
        position_ = close + 1;
        return std::make_unique<ExtensionTerm>(std::move(extension), equal);
    }

    const std::string& text_;
    std::size_t position_ = 0;
    int depth_ = 0;
    std::string error_;
    std::size_t errorPosition_ = 0;
};

}  // namespace

std::unique_ptr<DetectExpression> DetectExpression::Parse(const std::string& text, std::string& error) {
    return Parser(text).ParseAll(error);
}

std::string FileExtension(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    return fileName.substr(dot + 1);
}
