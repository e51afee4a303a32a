// Number texts written back into NC lines: masks, the short numeric form, the trim,
// FormatCoord and FormatCoord4.
//
// Every formatter rounds half away from zero on the decimal digits of the value: 15
// significant digits for a double, 7 for a float. So 1.0005 gives 1.001 and -0.0125 gives
// -0.013 with three decimals, and a float 1234567.75 is 1234568. The overloads for float and
// double are deliberate; other argument types do not compile, so that a caller always says
// which precision its value has.
#pragma once

#include <string>
#include <string_view>

namespace kestrum {

// Mask formatting. A mask is an integer part of "#" and "0" and an optional "." with a
// fraction part of "0" and "#". A "0" in the integer part and every position to its right
// always show a digit; the fraction keeps digits up to its length and trailing zeros only
// for its "0" positions. The point is always written when the mask has one.
//   "#####0.###": 12 -> "12."   "#####0.0##": 12 -> "12.0"   "##00": 5 -> "05"
//   "###": 0 -> ""              "####0.0##": 12.3456 -> "12.346"
// A value that rounds to zero never gets a minus sign.
//
// A mask text converts to a NumberMask where one is taken; a conversion that writes millions
// of numbers keeps its masks as constants (constexpr NumberMask kPoint("#####0.####")), read
// once when it is compiled.
class NumberMask {
 public:
  constexpr NumberMask(const char* mask) : NumberMask(std::string_view(mask)) {}
  constexpr NumberMask(std::string_view mask) {
    int first_zero = -1;  // in the integer part
    int integer = 0;
    for (const char c : mask) {
      if (c == '.' && !has_point) {
        has_point = true;
      } else if (has_point) {
        ++fraction;
        if (c == '0') min_fraction = fraction;  // up to the last "0"
      } else {
        if (c == '0' && first_zero < 0) first_zero = integer;
        ++integer;
      }
    }
    if (first_zero >= 0) min_integer = integer - first_zero;
  }

  int min_integer = 0;  // digits always shown before the point
  bool has_point = false;
  int fraction = 0;      // digits kept after the point
  int min_fraction = 0;  // of them always shown
};

std::u16string FormatMask(double v, const NumberMask& mask);
std::u16string FormatMask(float v, const NumberMask& mask);
template <typename T>
std::u16string FormatMask(T, const NumberMask&) = delete;

// The same for a value that is still text (a word's value as written). A text that is not a
// plain decimal number ("-", "/", ".", "1,5", "1/2") comes back unchanged.
std::u16string FormatMaskText(std::u16string_view text, const NumberMask& mask);

// The short numeric form: " " for zero and positive values, "-" for negative ones, then at
// most 15 (double) or 7 (float) significant digits without trailing zeros or point, no "0"
// before the point (" .5", "-.5"), and exponent form for large or small magnitudes
// (" 1E+07", " 1.234568E+07", " 1E-05"). ReadNumber reads every such text back.
std::u16string ShortForm(double v);
std::u16string ShortForm(float v);
template <typename T>
std::u16string ShortForm(T) = delete;

// The trim of a rounded value: its digits without leading blank, trailing zeros or trailing
// point, and with a "0" before a bare point: 0.5 -> "0.5", -0.5 -> "-0.5", 12 -> "12".
// Unlike the short form it never uses exponent form, because its text is spliced into an NC
// line, where an "E" would start a new word.
std::u16string TrimNumber(double r);
std::u16string TrimNumber(float r);
template <typename T>
std::u16string TrimNumber(T) = delete;

// The coordinate style of the last dialect translation: 1 (OSP) writes "12", "12.5", "0.5";
// 2 (FANUC) writes "12.0", "12.5", "0.5". Any other value, as before the first translation,
// is FANUC style: with a point a value means the same on every controller, while "12"
// without one means 12 least increments on many.
std::u16string FormatCoord(double v, int out_dialect);
std::u16string FormatCoord(float v, int out_dialect);
template <typename T>
std::u16string FormatCoord(T, int) = delete;
// Text argument: "" stays "", a text that is not a plain number comes back unchanged.
std::u16string FormatCoordText(std::u16string_view v, int out_dialect);

// At most four decimals, trimmed: 10 -> "10", 10.50 -> "10.5", 1.234567 -> "1.2346".
std::u16string FormatCoord4(double v);
std::u16string FormatCoord4(float v);
template <typename T>
std::u16string FormatCoord4(T) = delete;
// Text argument: "-", "/" and other texts that are not plain numbers come back unchanged.
std::u16string FormatCoord4Text(std::u16string_view v);

// The same texts appended to out: a conversion that writes millions of numbers formats each
// into a buffer it reuses instead of a new string. AppendMask and AppendCoord return the value
// of the text they wrote, what ReadNumber reads from it: a run that follows a position keeps
// that, so that the rounding of the written numbers never adds up.
double AppendMask(std::u16string& out, double v, const NumberMask& mask);
double AppendMask(std::u16string& out, float v, const NumberMask& mask);
template <typename T>
double AppendMask(std::u16string&, T, const NumberMask&) = delete;
double AppendCoord(std::u16string& out, double v, int out_dialect);
double AppendCoord(std::u16string& out, float v, int out_dialect);
template <typename T>
double AppendCoord(std::u16string&, T, int) = delete;
double AppendCoord4(std::u16string& out, double v);
double AppendCoord4(std::u16string& out, float v);
template <typename T>
double AppendCoord4(std::u16string&, T) = delete;
void AppendMaskText(std::u16string& out, std::u16string_view text, const NumberMask& mask);
void AppendCoordText(std::u16string& out, std::u16string_view v, int out_dialect);
void AppendCoord4Text(std::u16string& out, std::u16string_view v);

// What ReadNumber reads back from ShortForm(v): v at 7 significant digits, as a double. The
// expression reader keeps its result as that text, so this is the value a word has.
double ShortFormValue(float v);
// v rounded once, on its decimal digits, to 7 significant digits. Below 10^7 the single
// nearest to it formats back to the same digits, so a value taken through this before
// ToSingle is rounded once where ToSingle alone would round twice (5058.2064 would become
// the single 5058.2065 and then 5058.207).
double SevenDigits(double v);

}  // namespace kestrum
