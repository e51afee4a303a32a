// Number texts of the format conversions without a detour through strings and printf: the
// common cases of reading a word's value and of FormatCoord, FormatCoord4 and the point masks,
// computed on integers. Each function gives exactly what the general formatter of
// ncword/format_coord.h gives, or nothing where its shortcut does not apply; callers then use
// the general formatter.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kestrum {

// A number text built in place: at most a sign, 15 digits, a point and a zero.
class NumberText {
 public:
  std::u16string_view view() const { return {buf_, len_}; }
  void Push(char16_t c) { buf_[len_++] = c; }
  void Append(std::u16string_view s) {
    for (const char16_t c : s) Push(c);
  }

 private:
  char16_t buf_[32];
  std::size_t len_ = 0;
};

// A plain decimal number as written: optional sign, digits, at most one point, at least one
// digit. The digits are split at the point without the zeros that do not count: "-007.50" is
// negative, "7" and "5".
struct PlainNumber {
  bool negative = false;
  std::u16string_view integer;   // without leading zeros
  std::u16string_view fraction;  // without trailing zeros
  bool IsZero() const { return integer.empty() && fraction.empty(); }
};

// The text as a plain number with at most 15 significant digits (so that a double holds it
// exactly), or nothing.
std::optional<PlainNumber> ReadPlainNumber(std::u16string_view text);

// What the point masks make of a plain number with at most four decimals, which they keep
// without rounding: "#####0.####" 10 -> "10.", "#####0.0###" -> "10.0", FormatCoord4 -> "10".
enum class PointStyle { kPoint, kPointZero, kTrim };
NumberText FormatPlain(const PlainNumber& n, PointStyle style);

// The single-precision value that the expression reader makes of the plain number at the
// start of text ("-2.5", "10.", ".5" with at most 15 digits): the number stored in single
// precision and written back at 7 significant digits. length receives the characters taken
// (sign, digits, point). Nothing when they make no such number, or the value is outside the
// range done on integers.
std::optional<float> ReadSingle(std::u16string_view text, std::size_t& length);

// FormatCoord(v, out_dialect) and FormatCoord4(v) for a single-precision v, or nothing
// outside the range done on integers.
std::optional<NumberText> FastFormatCoord(float v, int out_dialect);
std::optional<NumberText> FastFormatCoord4(float v);

}  // namespace kestrum
