// Word values and number texts of the translation. The common word (a plain decimal such as
// X-12.5) and the common value (a whole count of thousandths) are done on integers; every
// other case goes through the readers of ncword/read_word.h and the masks of
// ncword/format_coord.h, whose results these functions give in every case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ncword/scanner.h"

namespace kestrum {

struct NumberMask {
  std::string_view text;  // as FormatMask takes it
  int decimals;
  int min_integer;   // the "0" positions of the integer part
  int min_fraction;  // the "0" positions of the fraction
};

inline constexpr NumberMask kTwoDigits{"0#", 0, 2, 0};            // G01
inline constexpr NumberMask kFourDigits{"000#", 0, 4, 0};         // O0012; "00##" is the same
inline constexpr NumberMask kInteger{"#####", 0, 0, 0};           // 0 is ""; "###", "####" the same
inline constexpr NumberMask kThreeDecimals{"###0.000", 3, 1, 3};  // 5.000
inline constexpr NumberMask kUpToThreeDecimals{"####0.0##", 3, 1, 1};  // 5.0, 12.346

// The common G01 and N120: when the letter NcPos stands on is followed by at most 9 digits and
// then by no other value character, their number, with NcPos moved onto the last digit.
// Otherwise nothing, and NcPos stays.
std::optional<double> ReadDigits(Scanner& s);

// The value of the word whose letter NcPos stands on, read as ReadWordExpr reads it (single
// precision, strictly left to right), or nothing when the word has no value. NcPos ends on the
// last character consumed. WordValue is only set when the reader was needed.
std::optional<double> ReadExprValue(Scanner& s);

// Appends v through the mask; returns the value of the text written.
double AppendMasked(std::u16string& out, double v, const NumberMask& mask);

// Appends FormatCoord(v, out_dialect); returns the value of the text written.
double AppendCoord(std::u16string& out, double v, int out_dialect);

}  // namespace kestrum
