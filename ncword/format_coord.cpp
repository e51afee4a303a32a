#include "ncword/format_coord.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 7;

// 10^0 .. 10^19, every power of ten an unsigned 64-bit integer holds.
constexpr auto kPow10 = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// A finite decimal value: digits x 10^exponent, digits without trailing zeros (0 for zero).
// Rounded to 15 or 7 significant digits, any double or float fits.
struct Decimal {
  std::uint64_t digits = 0;
  int exponent = 0;
  bool negative = false;  // last: in 16 bytes the struct goes in two registers

  bool IsZero() const { return digits == 0; }
};

void StripTrailingZeros(Decimal& d) {
  if (d.digits == 0) {
    d.exponent = 0;
    return;
  }
  while (d.digits % 10 == 0) {
    d.digits /= 10;
    ++d.exponent;
  }
}

// a = mantissa / 2^shift at `significant` digits, for 10^-4 <= a < 10^significant: a x 10^k
// computed exactly on integers of type Int and rounded half away from zero, like every
// rounding on decimal digits here: a float 2416.8125 is 2416.813 at 7 digits. This covers nearly
// every value of a program, at a fraction of the cost of to_chars. binary is floor(log2(a)). False
// should the first guess of the decade be off by more than one.
template <typename Int>
bool ScaledDigits(std::uint64_t mantissa, int shift, int binary, int significant, Decimal& d) {
  // The decade of the first digit: floor(log10(2^binary)), with 1233 / 4096 for log10(2);
  // the check below corrects it by one where needed.
  int decade = (binary * 1233) >> 12;
  for (int tries = 0; tries < 3; ++tries) {
    const int k = significant - 1 - decade;
    if (k < 0 || k >= static_cast<int>(kPow10.size())) return false;
    const Int x = static_cast<Int>(mantissa) * kPow10[k];
    const Int whole = x >> shift;
    if (whole >= kPow10[significant]) {
      ++decade;
    } else if (whole < kPow10[significant - 1]) {
      --decade;
    } else {
      bool up = false;
      if (shift > 0) {
        const Int rest = x - (whole << shift);
        const Int half = Int{1} << (shift - 1);
        up = rest >= half;
      }
      d.digits = static_cast<std::uint64_t>(whole) + (up ? 1 : 0);
      d.exponent = decade - (significant - 1);
      return true;
    }
  }
  return false;
}

// The number of digits of q, 0 for 0: from its bit length (1233 / 4096 for log10(2)), checked
// against the next power of ten.
int DigitCount(std::uint64_t q) {
  if (q == 0) return 0;
  const int n = (std::bit_width(q) * 1233) >> 12;
  return n + (q >= kPow10[n] ? 1 : 0);
}

// a (at least 10^significant, below 10^19) at `significant` digits: its whole part, held
// exactly in 64 bits, divided by the power of ten that leaves that many digits, rounded half
// away from zero. A fraction below the whole part cannot decide the rounding, since the
// dropped part of the whole is an integer and the half it is compared with is one too. This
// keeps the sequence numbers of long programs (N219960390) off the slow way.
void LargeDigits(std::uint64_t mantissa, int shift, int significant, Decimal& d) {
  const std::uint64_t whole = shift > 0 ? mantissa >> shift : mantissa << -shift;
  const int count = DigitCount(whole);
  // At least one digit goes, as whole >= 10^significant; the clamp only tells the compiler.
  const int drop = std::clamp(count - significant, 1, static_cast<int>(kPow10.size()) - 1);
  const std::uint64_t p = kPow10[drop];
  d.digits = whole / p + (whole % p >= p / 2 ? 1 : 0);
  d.exponent = drop;
}

// The digits of a (positive) on integers, where ScaledDigits or LargeDigits applies.
bool ExactDigits(double a, int significant, Decimal& d) {
  const auto bits = std::bit_cast<std::uint64_t>(a);
  const int biased = static_cast<int>(bits >> 52);
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  if (a >= static_cast<double>(kPow10[significant]) && a < 1e19) {
    LargeDigits(mantissa, 1075 - biased, significant, d);
    return true;
  }
  if (!(a >= 1e-4 && a < (significant == kSingleDigits ? 1e7 : 1e15))) return false;
  const int shift = 1075 - biased;  // a = mantissa / 2^shift; from 3 (below 10^15) to 66 (10^-4)
  constexpr std::uint64_t kBelowSingle = (std::uint64_t{1} << 29) - 1;
  if (significant == kSingleDigits && (mantissa & kBelowSingle) == 0) {
    // A float's 24 bits sit at the top of the double's 53. Without the 29 zeros below them the
    // product stays below 2^24 x 10^11 and fits in 64 bits, whose arithmetic is cheaper.
    return ScaledDigits<std::uint64_t>(mantissa >> 29, shift - 29, biased - 1023, significant, d);
  }
  // Below 2^53 x 10^19.
  return ScaledDigits<unsigned __int128>(mantissa, shift, biased - 1023, significant, d);
}

// The value's decimal digits at the given number of significant digits.
Decimal ToDecimal(double v, int significant) {
  Decimal d;
  if (std::isnan(v)) return d;
  if (std::isinf(v))
    v = v > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
  d.negative = std::signbit(v);
  const double a = std::fabs(v);
  if (a == 0.0) return d;
  if (!ExactDigits(a, significant, d)) {
    // The exact decimal expansion of the binary value (a double has at most 767 significant
    // digits), then rounded half away from zero on its digits. to_chars neither parses a
    // format nor looks at the locale.
    char buf[800];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 780);
    (void)ec;  // 800 characters always hold the digits and an exponent
    const char* p = buf;
    d.digits = 0;
    int taken = 0;
    bool up = false;
    for (; p < end && *p != 'e'; ++p) {
      if (*p == '.') continue;
      if (taken < significant) {
        d.digits = d.digits * 10 + static_cast<std::uint64_t>(*p - '0');
      } else if (taken == significant) {
        up = *p >= '5';
      }
      ++taken;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    d.exponent = exponent - (significant - 1);
    if (up && ++d.digits == kPow10[significant]) {
      d.digits /= 10;
      ++d.exponent;
    }
  }
  StripTrailingZeros(d);
  return d;
}

enum class TextKind { kNotPlain, kDecimal, kLong };

// The decimal of a plain number text ("-12.50", "007", " .5 "): kDecimal with d set, kLong for
// a plain number that is read and converted instead, kNotPlain for "-", "/", "1,5". A text
// of at most 15 significant digits is its own decimal at 15 digits: the double nearest to it
// gives back the same digits, which is what the 15 decimal digits of a double's precision
// mean. So its digits are taken as written.
TextKind PlainDecimal(std::u16string_view text, Decimal& d) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  d = Decimal();
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) d.negative = text[i++] == u'-';
  const std::size_t first = i;
  bool point = false;
  bool long_number = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsDigit(c)) {
      // Leading zeros add nothing to digits (0.05: "05" gives 5 and two places).
      if (d.digits < kPow10[18]) {
        d.digits = d.digits * 10 + static_cast<std::uint64_t>(c - u'0');
        d.exponent -= point;
      } else {
        long_number = true;
      }
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  const bool any_digit = i > first + (point ? 1 : 0);
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (!any_digit || i != text.size()) return TextKind::kNotPlain;
  if (long_number) return TextKind::kLong;
  StripTrailingZeros(d);
  // Within the range of ordinary doubles, far from underflow and overflow.
  if (d.digits >= kPow10[15] || d.exponent < -290 || d.exponent > 285) return TextKind::kLong;
  return TextKind::kDecimal;
}

// RoundTo(ToDecimal(v, 15), decimals) for the common coordinate, straight from the double: for
// |v| < 10^6 and at most 4 decimals the product r = |v| x 10^decimals stays below 10^10 and
// within 6 x 10^-6 of the same product of v's 15-digit decimal (which lies within half a unit
// of its 15th digit, 5 x 10^-10 at most here, of v; r itself is rounded once, by 2^-19 at
// most). Unless r lies that close to a half, both round to the same whole number. False
// where that does not hold.
bool RoundedDirect(double v, int decimals, Decimal& d) {
  static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
  const double a = std::fabs(v);
  if (!(a < 1e6) || decimals < 0 || decimals > 4) return false;
  const double r = a * kScale[decimals];
  const auto whole = static_cast<std::int64_t>(r);         // r < 10^10
  const double fraction = r - static_cast<double>(whole);  // exact below 2^52
  if (std::fabs(fraction - 0.5) < 1e-4) return false;
  d.negative = std::signbit(v);
  d.digits = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  d.exponent = -decimals;
  StripTrailingZeros(d);
  return true;
}

// v's decimal at 15 digits, or already rounded to `decimals` places where that is quicker.
Decimal DoubleDecimal(double v, int decimals) {
  Decimal d;
  if (RoundedDirect(v, decimals, d)) return d;
  return ToDecimal(v, kDoubleDigits);
}

// Rounds half away from zero to `decimals` places after the point.
void RoundTo(Decimal& d, int decimals) {
  if (d.IsZero() || d.exponent >= -decimals) return;
  const int drop = -decimals - d.exponent;
  // Up when the first dropped digit is 5 or more. The common drops divide by a constant,
  // which the compiler turns into a multiplication.
  const auto round = [&](std::uint64_t p) { d.digits = (d.digits + p / 2) / p; };
  switch (drop) {
    case 1:
      round(10);
      break;
    case 2:
      round(100);
      break;
    case 3:
      round(1000);
      break;
    case 4:
      round(10000);
      break;
    default:
      if (drop >= static_cast<int>(kPow10.size())) {
        d.digits = 0;  // below a half of the last place kept
      } else {
        round(kPow10[drop]);
      }
  }
  d.exponent = -decimals;
  StripTrailingZeros(d);
}

// A decimal in fixed notation: the sign character (none when 0), the integer digits with
// zeros in front up to min_integer, and with the point the fraction digits with zeros after
// them up to min_fraction (the point is needed whenever the decimal has a fraction). The
// digits are taken from their integer two at a time from the end, and the text is laid out
// forwards in a buffer on the stack when it is short, as nearly every number is, and appended
// in one piece.
void AppendFixed(std::u16string& out, const Decimal& d, char16_t sign, int min_integer,
                 bool with_point, int min_fraction) {
  assert(with_point || d.exponent >= 0 || d.IsZero());
  if (d.exponent <= 0 && d.exponent >= -9 && d.digits < kPow10[12]) {
    // The common number: at most nine places after the point. The integer and the fraction
    // part are split by a constant divisor, and the text is written backwards.
    const int places = -d.exponent;
    std::uint64_t integer = d.digits;
    std::uint64_t fraction = 0;
    switch (places) {
#define KESTRUM_SPLIT(n, p)  \
  case n:                    \
    integer = d.digits / p;  \
    fraction = d.digits % p; \
    break;
      KESTRUM_SPLIT(1, 10)
      KESTRUM_SPLIT(2, 100)
      KESTRUM_SPLIT(3, 1000)
      KESTRUM_SPLIT(4, 10000)
      KESTRUM_SPLIT(5, 100000)
      KESTRUM_SPLIT(6, 1000000)
      KESTRUM_SPLIT(7, 10000000)
      KESTRUM_SPLIT(8, 100000000)
      KESTRUM_SPLIT(9, 1000000000)
#undef KESTRUM_SPLIT
      default:
        break;
    }
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char16_t buffer[48];
    char16_t* const end = buffer + 48;
    char16_t* p = end;
    if (with_point) {
      for (int i = places; i < min_fraction; ++i) *--p = u'0';
      int i = 0;
      for (; i + 2 <= places; i += 2) {
        const std::size_t pair = 2 * (fraction % 100);
        fraction /= 100;
        *--p = static_cast<char16_t>(kPairs[pair + 1]);
        *--p = static_cast<char16_t>(kPairs[pair]);
      }
      if (i < places) *--p = static_cast<char16_t>(u'0' + fraction);
      *--p = u'.';
    }
    const char16_t* const integer_end = p;
    for (; integer >= 10; integer /= 100) {
      const std::size_t pair = 2 * (integer % 100);
      *--p = static_cast<char16_t>(kPairs[pair + 1]);
      *--p = static_cast<char16_t>(kPairs[pair]);
    }
    if (integer != 0) *--p = static_cast<char16_t>(u'0' + integer);
    while (integer_end - p < min_integer) *--p = u'0';
    if (sign != 0) *--p = sign;
    out.append(p, static_cast<std::size_t>(end - p));
    return;
  }
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[20];  // 2^64 has 20 digits
  char* const digits_end = digits + sizeof digits;
  char* first = digits_end;
  for (std::uint64_t q = d.digits; q != 0;) {
    if (q < 10) {
      *--first = static_cast<char>('0' + q);
      break;
    }
    const std::size_t pair = 2 * (q % 100);
    q /= 100;
    *--first = kPairs[pair + 1];
    *--first = kPairs[pair];
  }
  const int count = static_cast<int>(digits_end - first);
  const int integer_length = std::max(count + d.exponent, 0);
  const int fraction_length = std::max(-d.exponent, 0);  // digits has no trailing zeros
  const int integer = std::max(integer_length, min_integer);
  const int fraction = std::max(fraction_length, min_fraction);
  const std::size_t size = (sign != 0) + integer + (with_point ? 1 + fraction : 0);
  const auto lay_out = [&](char16_t* p) {
    if (sign != 0) *p++ = sign;
    for (int i = integer_length; i < integer; ++i) *p++ = u'0';
    // The integer digits: the first count + exponent digits, or all with zeros after them.
    const int from_digits = std::min(integer_length, count);
    for (int i = 0; i < from_digits; ++i) *p++ = static_cast<char16_t>(first[i]);
    for (int i = from_digits; i < integer_length; ++i) *p++ = u'0';  // 1200: "12", two zeros
    if (!with_point) return;
    *p++ = u'.';
    // The fraction: zeros up to the digits (0.05), the digits after the point, zeros after.
    const int fraction_digits = std::min(fraction_length, count);
    for (int i = fraction_digits; i < fraction_length; ++i) *p++ = u'0';
    for (const char* c = digits_end - fraction_digits; c < digits_end; ++c) *p++ = *c;
    for (int i = fraction_length; i < fraction; ++i) *p++ = u'0';
  };
  constexpr std::size_t kShort = 40;
  if (size <= kShort) {
    char16_t buffer[kShort];
    lay_out(buffer);
    out.append(buffer, size);
  } else {
    const std::size_t at = out.size();
    out.resize(at + size);
    lay_out(out.data() + at);
  }
}

// "#####0.0##", the FANUC style of FormatCoord.
constexpr NumberMask kFanucMask("#####0.0##");

// The Append functions return the rounded decimal they wrote.
Decimal AppendMasked(std::u16string& out, Decimal d, const NumberMask& mask) {
  RoundTo(d, mask.fraction);
  AppendFixed(out, d, d.negative && !d.IsZero() ? u'-' : 0, mask.min_integer, mask.has_point,
              mask.min_fraction);
  return d;
}

void AppendShortForm(std::u16string& out, const Decimal& d, int max_digits) {
  const char16_t sign = d.negative && !d.IsZero() ? u'-' : u' ';
  if (d.IsZero()) {
    out += u" 0";
    return;
  }
  const int count = DigitCount(d.digits);
  const int exponent = count + d.exponent - 1;  // of the first digit
  if (exponent < max_digits && exponent >= -4) {
    AppendFixed(out, d, sign, 0, d.exponent < 0, 0);  // " 12.5", " .05"
    return;
  }
  // " 1.234568E+07", " 1E-05": the digits with the point after the first, then the exponent
  // in two digits at least.
  AppendFixed(out, Decimal{d.digits, 1 - count, false}, sign, 1, count > 1, 0);
  char digits[8];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, std::abs(exponent));
  (void)ec;
  out.push_back(u'E');
  out.push_back(exponent < 0 ? u'-' : u'+');
  if (end - digits < 2) out.push_back(u'0');
  out.append(digits, end);
}

// The digits without trailing zeros or point, with a "0" before a bare point: 0.5, -0.5, 12.
void AppendTrimmed(std::u16string& out, const Decimal& d) {
  if (d.IsZero()) {
    out.push_back(u'0');
    return;
  }
  AppendFixed(out, d, d.negative ? u'-' : 0, 1, d.exponent < 0, 0);
}

// FormatCoord style 1 and FormatCoord4: the mask, then the trim of the rounded value.
Decimal AppendRoundedTrim(std::u16string& out, Decimal d, int decimals) {
  RoundTo(d, decimals);
  AppendTrimmed(out, d);
  return d;
}

Decimal AppendCoordOf(std::u16string& out, const Decimal& d, int out_dialect) {
  if (out_dialect == 1) return AppendRoundedTrim(out, d, 3);
  return AppendMasked(out, d, kFanucMask);
}

// What ReadNumber reads from the text of d.
double ValueOf(const Decimal& d) {
  return DecimalValue(d.negative && !d.IsZero(), d.digits, d.exponent);
}

// How a formatter lays a number out: the integer digits it always shows, its point, and the
// digits after the point it keeps and always shows.
struct Layout {
  enum class Point { kNever, kAlways, kWithFraction };
  int min_integer;
  Point point;
  int max_fraction;
  int min_fraction;

  constexpr explicit Layout(const NumberMask& mask)
      : min_integer(mask.min_integer),
        point(mask.has_point ? Point::kAlways : Point::kNever),
        max_fraction(mask.fraction),
        min_fraction(mask.min_fraction) {}
  // The trim of a value rounded to `decimals` places: "0", "12", "-0.5".
  constexpr explicit Layout(int decimals)
      : min_integer(1), point(Point::kWithFraction), max_fraction(decimals), min_fraction(0) {}
};

// True when the formatter would give text back as it stands: at most 15 digits, a "-" only
// before a value other than zero, leading zeros only to make up min_integer digits, the point
// as the layout places it, and after it at most max_fraction digits with trailing zeros only
// to make up min_fraction. Such a text is its own decimal, which no rounding changes. Most
// words of a program are written so already, and copying them skips reading and writing.
bool InLayout(std::u16string_view text, const Layout& layout) {
  const bool minus = !text.empty() && text[0] == u'-';
  std::size_t i = minus ? 1 : 0;
  const std::size_t integer_start = i;
  while (i < text.size() && text[i] == u'0') ++i;
  const std::size_t first_digit = i;  // after the leading zeros
  while (i < text.size() && IsDigit(text[i])) ++i;
  const std::size_t integer_length = i - integer_start;
  const std::size_t integer_digits = i - first_digit;
  if (integer_length != std::max<std::size_t>(integer_digits, layout.min_integer)) return false;
  bool nonzero = integer_digits > 0;
  std::size_t fraction_length = 0;
  if (i < text.size() && text[i] == u'.') {
    if (layout.point == Layout::Point::kNever) return false;
    const std::size_t fraction_start = ++i;
    std::size_t kept = 0;  // up to the last digit other than 0
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (text[i] != u'0') {
        nonzero = true;
        kept = i + 1 - fraction_start;
      }
    }
    fraction_length = i - fraction_start;
    if (fraction_length > static_cast<std::size_t>(layout.max_fraction) ||
        fraction_length != std::max<std::size_t>(kept, layout.min_fraction) ||
        (layout.point == Layout::Point::kWithFraction && fraction_length == 0)) {
      return false;
    }
  } else if (layout.point == Layout::Point::kAlways) {
    return false;
  }
  const std::size_t digits = integer_length + fraction_length;
  return i == text.size() && digits > 0 && digits <= kDoubleDigits && (nonzero || !minus);
}

// A number text through a formatter with the given layout: a text that is no plain number is
// appended as written, and so is one already in the layout.
template <typename Format>
void AppendText(std::u16string& out, std::u16string_view text, const Layout& layout,
                Format format) {
  if (InLayout(text, layout)) {
    out.append(text);
    return;
  }
  Decimal d;
  switch (PlainDecimal(text, d)) {
    case TextKind::kNotPlain:
      out.append(text);
      return;
    case TextKind::kLong:
      d = ToDecimal(ReadNumber(text), kDoubleDigits);
      break;
    case TextKind::kDecimal:
      break;
  }
  format(d);
}

}  // namespace

void AppendMaskText(std::u16string& out, std::u16string_view text, const NumberMask& mask) {
  AppendText(out, text, Layout(mask), [&](const Decimal& d) { AppendMasked(out, d, mask); });
}
void AppendCoordText(std::u16string& out, std::u16string_view text, int out_dialect) {
  const Layout layout = out_dialect == 1 ? Layout(3) : Layout(kFanucMask);
  AppendText(out, text, layout, [&](const Decimal& d) { AppendCoordOf(out, d, out_dialect); });
}
void AppendCoord4Text(std::u16string& out, std::u16string_view text) {
  AppendText(out, text, Layout(4), [&](const Decimal& d) { AppendRoundedTrim(out, d, 4); });
}

double AppendMask(std::u16string& out, double v, const NumberMask& mask) {
  return ValueOf(AppendMasked(out, DoubleDecimal(v, mask.fraction), mask));
}
double AppendMask(std::u16string& out, float v, const NumberMask& mask) {
  return ValueOf(AppendMasked(out, ToDecimal(v, kSingleDigits), mask));
}
double AppendCoord(std::u16string& out, double v, int out_dialect) {
  return ValueOf(AppendCoordOf(out, DoubleDecimal(v, 3), out_dialect));
}
double AppendCoord(std::u16string& out, float v, int out_dialect) {
  return ValueOf(AppendCoordOf(out, ToDecimal(v, kSingleDigits), out_dialect));
}
double AppendCoord4(std::u16string& out, double v) {
  return ValueOf(AppendRoundedTrim(out, DoubleDecimal(v, 4), 4));
}
double AppendCoord4(std::u16string& out, float v) {
  return ValueOf(AppendRoundedTrim(out, ToDecimal(v, kSingleDigits), 4));
}

std::u16string FormatMask(double v, const NumberMask& mask) {
  std::u16string out;
  AppendMask(out, v, mask);
  return out;
}
std::u16string FormatMask(float v, const NumberMask& mask) {
  std::u16string out;
  AppendMask(out, v, mask);
  return out;
}
std::u16string FormatMaskText(std::u16string_view text, const NumberMask& mask) {
  std::u16string out;
  AppendMaskText(out, text, mask);
  return out;
}

std::u16string ShortForm(double v) {
  std::u16string out;
  AppendShortForm(out, ToDecimal(v, kDoubleDigits), kDoubleDigits);
  return out;
}
std::u16string ShortForm(float v) {
  std::u16string out;
  AppendShortForm(out, ToDecimal(v, kSingleDigits), kSingleDigits);
  return out;
}
double ShortFormValue(float v) { return ValueOf(ToDecimal(v, kSingleDigits)); }
double SevenDigits(double v) { return ValueOf(ToDecimal(v, kSingleDigits)); }

std::u16string TrimNumber(double r) {
  std::u16string out;
  AppendTrimmed(out, ToDecimal(r, kDoubleDigits));
  return out;
}
std::u16string TrimNumber(float r) {
  std::u16string out;
  AppendTrimmed(out, ToDecimal(r, kSingleDigits));
  return out;
}

std::u16string FormatCoord(double v, int out_dialect) {
  std::u16string out;
  AppendCoord(out, v, out_dialect);
  return out;
}
std::u16string FormatCoord(float v, int out_dialect) {
  std::u16string out;
  AppendCoord(out, v, out_dialect);
  return out;
}
std::u16string FormatCoordText(std::u16string_view v, int out_dialect) {
  std::u16string out;
  AppendCoordText(out, v, out_dialect);
  return out;
}

std::u16string FormatCoord4(double v) {
  std::u16string out;
  AppendCoord4(out, v);
  return out;
}
std::u16string FormatCoord4(float v) {
  std::u16string out;
  AppendCoord4(out, v);
  return out;
}
std::u16string FormatCoord4Text(std::u16string_view v) {
  std::u16string out;
  AppendCoord4Text(out, v);
  return out;
}

}  // namespace kestrum
