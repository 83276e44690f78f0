"""The plug-in's detection expression, which picks the files a walk reads
in folders by their names: the command-line host's grammar
(host/file_expression.h) without its fields, parsed byte for byte as the
host parses it, errors and their positions included.

    expression := and ( "|" and )*
    and        := unary ( "&" unary )*
    unary      := "!" unary | "(" expression ")" | term
    term       := ( "EXT" | "NAME" ) ( "=" | "!=" ) text
    text       := "in double quotes" | 'or in single ones'

Blanks between tokens are ignored; words and the comparisons are without
regard to ASCII case. EXT is the text after the last dot of a name (none
for ".mid"), NAME the whole name, where * stands for any run of characters
and ? for one character (a whole UTF-8 sequence, or one byte that is not
UTF-8)."""

from __future__ import annotations

from typing import Callable, Optional

# A test of a file name's bytes.
Test = Callable[[bytes], bool]

# Nesting deeper than this is refused, as the host refuses it.
MAX_DEPTH = 100
_SPACE = b" \t\n\v\f\r"
_WORD = frozenset(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_")
_LOWER = bytes.maketrans(b"ABCDEFGHIJKLMNOPQRSTUVWXYZ", b"abcdefghijklmnopqrstuvwxyz")


class ExpressionError(ValueError):
    """An expression that does not parse: what is wrong, and where (a byte
    offset in its UTF-8 text)."""

    def __init__(self, message: str, position: int) -> None:
        super().__init__(f"{message} at position {position + 1}")
        self.message = message
        self.position = position


def parse(text: str) -> Test:
    """The expression as a test of a file name's bytes; ExpressionError when
    it does not parse."""
    return _Parser(text.encode("utf-8", "surrogateescape")).parse_all()


def extension(name: bytes) -> bytes:
    """The text after the last dot, or nothing when there is none or the
    only dot starts the name (".mid" has no extension)."""
    dot = name.rfind(b".")
    return b"" if dot <= 0 else name[dot + 1:]


def ascii_lower(name: bytes) -> bytes:
    return name.translate(_LOWER)


def matches_pattern(name: bytes, pattern: bytes) -> bool:
    """Whether name matches pattern (* any run of characters, ? one), both
    lower-cased already. Backtracks only to the last *, so it takes time
    linear in the name for each star."""
    n = p = star_n = 0
    star_p = -1
    while n < len(name):
        if p < len(pattern) and pattern[p] == 0x3F:  # ?
            n += _character_length(name, n)
            p += 1
        elif p < len(pattern) and pattern[p] == name[n] and pattern[p] != 0x2A:
            n += 1
            p += 1
        elif p < len(pattern) and pattern[p] == 0x2A:  # *
            star_p = p
            p += 1
            star_n = n
        elif star_p >= 0:
            p = star_p + 1
            star_n += _character_length(name, star_n)
            n = star_n
        else:
            return False
    while p < len(pattern) and pattern[p] == 0x2A:
        p += 1
    return p == len(pattern)


def _character_length(name: bytes, at: int) -> int:
    """The bytes of the character at name[at]: one for a byte that is not
    UTF-8 (an overlong form, a surrogate or a cut sequence included)."""
    lead = name[at]
    length = 2 if lead & 0xE0 == 0xC0 else 3 if lead & 0xF0 == 0xE0 else 4 if lead & 0xF8 == 0xF0 else 1
    if length == 1:
        return 1
    try:
        name[at:at + length].decode("utf-8")  # strict: refuses all of those
    except UnicodeDecodeError:
        return 1
    return length if at + length <= len(name) else 1


def _name_test(whole_name: bool, text: bytes, equal: bool) -> Test:
    wanted = ascii_lower(text)
    if whole_name:
        return lambda name: matches_pattern(ascii_lower(name), wanted) == equal
    return lambda name: (ascii_lower(extension(name)) == wanted) == equal


def _either(left: Test, right: Test) -> Test:
    return lambda name: left(name) or right(name)


def _both(left: Test, right: Test) -> Test:
    return lambda name: left(name) and right(name)


def _negation(operand: Test) -> Test:
    return lambda name: not operand(name)


class _Parser:
    """Recursive descent over the text's bytes; the first fault stops it."""

    def __init__(self, text: bytes) -> None:
        self.text = text
        self.position = 0
        self.depth = 0

    def fail(self, message: str, at: Optional[int] = None) -> ExpressionError:
        return ExpressionError(message, self.position if at is None else at)

    def skip_space(self) -> None:
        while self.position < len(self.text) and self.text[self.position] in _SPACE:
            self.position += 1

    def take(self, character: bytes) -> bool:
        self.skip_space()
        if self.text.startswith(character, self.position):
            self.position += 1
            return True
        return False

    def unexpected(self) -> str:
        if self.position < len(self.text):
            return "unexpected '" + self.text[self.position:self.position + 1].decode("latin-1") + "'"
        return "unexpected end"

    def parse_all(self) -> Test:
        result = self.parse_or()
        self.skip_space()
        if self.position < len(self.text):
            raise self.fail(self.unexpected())
        return result

    def parse_or(self) -> Test:
        left = self.parse_and()
        while self.take(b"|"):
            left = _either(left, self.parse_and())
        return left

    def parse_and(self) -> Test:
        left = self.parse_unary()
        while self.take(b"&"):
            left = _both(left, self.parse_unary())
        return left

    def parse_unary(self) -> Test:
        self.depth += 1
        if self.depth > MAX_DEPTH:
            raise self.fail("expression nested too deeply")
        if self.take(b"!"):
            result = _negation(self.parse_unary())
        elif self.take(b"("):
            result = self.parse_or()
            if not self.take(b")"):
                raise self.fail("expected ')'")
        else:
            result = self.parse_term()
        self.depth -= 1
        return result

    def parse_term(self) -> Test:
        self.skip_space()
        start = self.position
        if self.at_quote():
            raise self.fail(self.unexpected())  # a quoted field: this expression has none
        while self.position < len(self.text) and self.text[self.position] in _WORD:
            self.position += 1
        word = ascii_lower(self.text[start:self.position])
        if not word:
            raise self.fail(self.unexpected())
        if word not in (b"ext", b"name"):
            raise self.fail("unknown property '" + word.decode("ascii") + "'", start)
        self.skip_space()
        operator_at = self.position
        equal = self.take_comparison()
        self.skip_space()
        if not self.at_quote():
            raise self.fail("expected text in quotes")
        text = self.take_quoted()
        if equal is None:
            raise self.fail("text compares only with = and !=", operator_at)
        return _name_test(word == b"name", text, equal)

    def take_comparison(self) -> Optional[bool]:
        """True for =, False for !=, None for the orderings (which text does
        not take)."""
        self.skip_space()
        following = self.text[self.position:self.position + 1]
        if following == b"=":
            self.position += 1
            return True
        if following == b"!":
            self.position += 1
            if self.text[self.position:self.position + 1] != b"=":
                raise self.fail("expected '='")
            self.position += 1
            return False
        if following in (b"<", b">"):
            self.position += 2 if self.text[self.position + 1:self.position + 2] == b"=" else 1
            return None
        raise self.fail("expected '='")

    def at_quote(self) -> bool:
        return self.text[self.position:self.position + 1] in (b'"', b"'")

    def take_quoted(self) -> bytes:
        opening = self.position
        close = self.text.find(self.text[opening:opening + 1], opening + 1)
        if close < 0:
            raise self.fail("unterminated text", opening)
        self.position = close + 1
        return self.text[opening + 1:close]
