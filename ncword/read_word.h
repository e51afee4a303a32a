// Readers of the value that follows an address letter, on one line of text. Positions are
// 0-based indexes into the line; `letter` is the index of the address letter.
#pragma once

#include <cstddef>
#include <string_view>

namespace kestrum {

// The end of the value characters ("+" to "9") after the letter: the value is
// line[letter + 1, end). On X-12.5Y3 the value is "-12.5"; on G01/2 it is "01/2"; on "X 10"
// it is empty, because the blank stops the read at once.
std::size_t ReadWordValue(std::u16string_view line, std::size_t letter);

// How a word's value reads.
enum class ValueKind : unsigned char {
  kNone,     // no value: "X " or an X at the end of the line, a bare letter and no word
  kNumber,   // a number, or an expression of constants with its value
  kUnknown,  // value text whose value this program cannot know: a variable (X#1, X=VC1), a
             // function (X[SIN[30]]), unbalanced brackets (X[1+2), more value text after the
             // value (X[1]2, X[1+2]*3), a text that is no number (X1,5, X1.2.3, X-, X.), a
             // value after blanks (X  7.417, which a control reads as X7.417)
};

// The value of a word as the control reads it: X-12.5, X=10. (the "=" stays with the
// letter), Z[100+5], Z[2+3*4] is 14 and X[2*[3+4]] is 14 ("*" and "/" before "+" and "-",
// nested brackets, unary minus), X=1+2*3 is 7. A bracket expression is the whole value:
// after its closing bracket no more value text may follow. Blanks inside brackets are
// passed over; outside them a blank ends the value.
struct WordExpr {
  std::size_t keep;  // the value text is line[keep + 1, end): after the letter, or after an
                     // "=" that follows it
  std::size_t end;   // after the value text, closing brackets included; for a value of
                     // kUnknown, after the text that belongs to it (never past a "(")
  ValueKind kind;
  bool plain;    // the value text is one number with an optional sign: -12.5, 10., +.5
  double value;  // kNumber: the value at 7 significant digits (single precision), else 0

  bool has_value() const { return kind == ValueKind::kNumber; }
};
WordExpr ReadWordExpr(std::u16string_view line, std::size_t letter);

// A name or a word up to a blank, or up to the first character after a run of value
// characters: on VC12=5 from the V, the token is "VC12"; on "ABC DEF" it is "ABC". Returns
// the end of the token, which starts at `first`.
std::size_t ReadWordToken(std::u16string_view line, std::size_t first);

// The index of the first character after p that is not a value character, "#" or "*"
// (line.size() when the line ends first).
std::size_t SkipValueChars(std::u16string_view line, std::size_t p);

}  // namespace kestrum
