// Character classes of NC words and the reading of a text as a number.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace kestrum {

// "+" "," "-" "." "/" and the digits: what may follow an address letter as its value.
constexpr bool IsValueChar(char16_t c) { return c >= u'+' && c <= u'9'; }
// What SkipValueChars passes over: value characters, "#" (variables) and "*".
constexpr bool IsSkipChar(char16_t c) { return IsValueChar(c) || c == u'#' || c == u'*'; }
constexpr bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
// Address letters are capital ASCII letters only: lower-case words are not NC words here.
constexpr bool IsAddressLetter(char16_t c) { return c >= u'A' && c <= u'Z'; }
constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The number a text begins with: blanks (space, tab, line feed) are ignored wherever they
// stand; an optional sign, digits, one "." and an optional exponent (E or D) are read up to
// the first other character. No leading number reads as 0: " .5" is 0.5, "1,5" is 1, "-" is 0.
// The result is always finite: a magnitude beyond the double range reads as the largest one.
double ReadNumber(std::u16string_view text);

// The double nearest to (negative ? -1 : 1) x digits x 10^exponent, as ReadNumber reads the
// text of that number.
double DecimalValue(bool negative, std::uint64_t digits, int exponent);

// Stores a value in single precision (7 significant digits), rounding to nearest. Values
// beyond the single range saturate at the largest single instead of becoming infinite.
inline float ToSingle(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::max();
  if (v < -kMax) return -std::numeric_limits<float>::max();
  return v == v ? static_cast<float>(v) : 0.0f;  // NaN: 0
}

// True for a plain decimal number: optional blanks, an optional sign, digits with at most one
// ".", at least one digit, optional blanks. "-", "/", ".", "1,5" and "1/2" are not.
bool IsPlainNumber(std::u16string_view text);

}  // namespace kestrum
