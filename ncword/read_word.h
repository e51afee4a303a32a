// Readers of the value that follows an address letter. Each is called with NcPos on the
// letter and leaves NcPos on the last character it consumed (on the letter again when it
// consumed nothing); the text it collected is in WordValue.
#pragma once

#include <cstddef>
#include <string_view>

#include "ncword/scanner.h"

namespace kestrum {

// The value characters ("+" to "9") after the letter: on X-12.5Y3 the value is "-12.5"; on
// G01/2 it is "01/2"; on "X 10" it is empty, because the blank stops the read at once.
void ReadWordValue(Scanner& s);

// A value that may be an expression, with or without "=" after the letter, evaluated
// strictly left to right in single precision without precedence: X1+2*3 gives " 9",
// X=-2.5 gives "-2.5", Z[100+5] gives " 105" and stops at "]". An operand that reads as 0
// is skipped, so a leading sign works (-5) and 10*-2 gives 8. WordValue is the short form of
// the result, or empty when the last operand had no text (X10+ followed by a blank).
void ReadWordExpr(Scanner& s);

// The same reader on text in one piece (the characters after the letter), for conversions
// that walk a line without a scanner. Nothing is formatted: value is what ReadNumber reads
// from the WordValue that ReadWordExpr would leave.
struct WordExpr {
  std::size_t length = 0;  // characters taken: NcPos would end this far after the letter
  bool has_value = false;  // the last operand had text, so WordValue is not empty
  float result = 0;        // the result in single precision
  double value = 0;        // ShortFormValue(result) when has_value, else 0
  bool plain = false;      // the characters taken are one plain number: "-12.5", "10.", "+.5"
};
WordExpr EvaluateWordExpr(std::u16string_view text);

// A name or a word up to a blank, or up to the first character after a run of value
// characters: VC12=5 gives "VC12", "ABC DEF" gives "ABC".
void ReadWordToken(Scanner& s);

// The position of the first character after p that is not a value character, "#" or "*"
// (NcLineLen() + 1 when the line ends first). p is set to the same position.
std::size_t SkipValueChars(const Scanner& s, std::size_t& p);

}  // namespace kestrum
