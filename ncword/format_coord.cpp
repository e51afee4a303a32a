#include "ncword/format_coord.h"

#include <array>
#include <bit>
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
  bool negative = false;
  std::uint64_t digits = 0;
  int exponent = 0;

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

// a at `significant` digits, for 10^-4 <= a < 10^significant: the exact binary value
// a = mantissa / 2^shift times 10^k on 128-bit integers (below 2^53 x 10^19), rounded to
// nearest with ties to even, as printf's "%e" and to_chars round it. This covers nearly every
// value of a program, at a fraction of the cost of to_chars. False should the first guess of
// the decade be off by more than one.
bool ScaledDigits(double a, int significant, Decimal& d) {
  using Wide = unsigned __int128;
  const auto bits = std::bit_cast<std::uint64_t>(a);
  const int biased = static_cast<int>(bits >> 52);
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int shift = 1075 - biased;  // from 3 (below 10^15) to 66 (10^-4)
  // The decade of the first digit: floor(log10(2^(biased - 1023))), with 1233 / 4096 for
  // log10(2); the check below corrects it by one where needed.
  int decade = ((biased - 1023) * 1233) >> 12;
  for (int tries = 0; tries < 3; ++tries) {
    const int k = significant - 1 - decade;
    if (k < 0 || k >= static_cast<int>(kPow10.size())) return false;
    const Wide x = static_cast<Wide>(mantissa) * kPow10[k];
    const Wide whole = x >> shift;
    if (whole >= kPow10[significant]) {
      ++decade;
    } else if (whole < kPow10[significant - 1]) {
      --decade;
    } else {
      const Wide rest = x - (whole << shift);
      const Wide half = Wide{1} << (shift - 1);
      d.digits = static_cast<std::uint64_t>(whole) +
                 (rest > half || (rest == half && (whole & 1) != 0) ? 1 : 0);
      d.exponent = decade - (significant - 1);
      return true;
    }
  }
  return false;
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
  const double beyond = significant == kSingleDigits ? 1e7 : 1e15;
  if (!(a >= 1e-4 && a < beyond && ScaledDigits(a, significant, d))) {
    // "d.dddde+XX": the first digit, significant - 1 more, the exponent of the first digit.
    // to_chars rounds like printf's %e but neither parses a format nor looks at the locale.
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, significant - 1);
    (void)ec;  // 64 characters always hold 15 digits and an exponent
    const char* p = buf;
    d.digits = 0;
    for (; p < end && *p != 'e'; ++p) {
      if (*p != '.') d.digits = d.digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    d.exponent = exponent - (significant - 1);
  }
  StripTrailingZeros(d);
  return d;
}

// Rounds half away from zero to `decimals` places after the point.
void RoundTo(Decimal& d, int decimals) {
  if (d.IsZero() || d.exponent >= -decimals) return;
  const int drop = -decimals - d.exponent;
  if (drop >= static_cast<int>(kPow10.size())) {
    d.digits = 0;  // below a half of the last place kept
  } else {
    const std::uint64_t p = kPow10[drop];
    d.digits = (d.digits + p / 2) / p;  // up when the first dropped digit is 5 or more
  }
  d.exponent = -decimals;
  StripTrailingZeros(d);
}

// The digits of a decimal as text and where its point falls: point is the number of digits
// before it, 0 or less below 1 (0.05: digits "5", point -1), more than count for 1200.
struct DigitText {
  char text[20];
  int count = 0;
  int point = 0;

  explicit DigitText(const Decimal& d) {
    char reversed[20];
    for (std::uint64_t q = d.digits; q != 0; q /= 10) {
      reversed[count++] = static_cast<char>('0' + q % 10);
    }
    for (int i = 0; i < count; ++i) text[i] = reversed[count - 1 - i];
    point = count + d.exponent;
  }
  int IntegerLength() const { return point > 0 ? point : 0; }
  int FractionLength() const { return count > point ? count - point : 0; }
};

void AppendZeros(std::u16string& out, int n) {
  if (n > 0) out.append(static_cast<std::size_t>(n), u'0');
}

// Digits before the point, without leading zeros (none below 1).
void AppendInteger(std::u16string& out, const DigitText& t) {
  if (t.point <= 0) return;
  out.append(t.text, t.text + std::min(t.point, t.count));
  AppendZeros(out, t.point - t.count);
}

// Digits after the point, without trailing zeros.
void AppendFraction(std::u16string& out, const DigitText& t) {
  if (t.point >= t.count) return;
  AppendZeros(out, -t.point);
  out.append(t.text + std::max(t.point, 0), t.text + t.count);
}

struct Mask {
  int min_integer = 0;
  bool has_point = false;
  int fraction = 0;
  int min_fraction = 0;
};

Mask ParseMask(std::string_view mask) {
  Mask m;
  const auto dot = mask.find('.');
  const std::string_view integer = mask.substr(0, dot);
  const auto first_zero = integer.find('0');
  if (first_zero != std::string_view::npos) {
    m.min_integer = static_cast<int>(integer.size() - first_zero);
  }
  if (dot != std::string_view::npos) {
    m.has_point = true;
    const std::string_view fraction = mask.substr(dot + 1);
    m.fraction = static_cast<int>(fraction.size());
    const auto last_zero = fraction.rfind('0');
    if (last_zero != std::string_view::npos) m.min_fraction = static_cast<int>(last_zero + 1);
  }
  return m;
}

// "#####0.0##", the FANUC style of FormatCoord.
constexpr Mask kFanucMask{1, true, 3, 1};

void AppendMasked(std::u16string& out, Decimal d, const Mask& mask) {
  RoundTo(d, mask.fraction);
  if (d.negative && !d.IsZero()) out.push_back(u'-');
  const DigitText t(d);
  AppendZeros(out, mask.min_integer - t.IntegerLength());
  AppendInteger(out, t);
  if (mask.has_point) {
    out.push_back(u'.');
    AppendFraction(out, t);
    AppendZeros(out, mask.min_fraction - t.FractionLength());
  }
}

void AppendShortForm(std::u16string& out, const Decimal& d, int max_digits) {
  out.push_back(d.negative && !d.IsZero() ? u'-' : u' ');
  if (d.IsZero()) {
    out.push_back(u'0');
    return;
  }
  const DigitText t(d);
  const int exponent = t.point - 1;
  if (exponent >= max_digits || exponent < -4) {
    out.push_back(static_cast<char16_t>(t.text[0]));
    if (t.count > 1) {
      out.push_back(u'.');
      out.append(t.text + 1, t.text + t.count);
    }
    // E+07, E-05, E+100: the exponent in two digits at least.
    char digits[8];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, std::abs(exponent));
    (void)ec;
    out.push_back(u'E');
    out.push_back(exponent < 0 ? u'-' : u'+');
    if (end - digits < 2) out.push_back(u'0');
    out.append(digits, end);
    return;
  }
  AppendInteger(out, t);
  if (t.FractionLength() > 0) {
    out.push_back(u'.');
    AppendFraction(out, t);
  }
}

void AppendTrimmed(std::u16string& out, const Decimal& d) {
  if (d.IsZero()) {
    out.push_back(u'0');
    return;
  }
  if (d.negative) out.push_back(u'-');
  const DigitText t(d);
  if (t.IntegerLength() == 0) out.push_back(u'0');  // 0.5, not .5
  AppendInteger(out, t);
  if (t.FractionLength() > 0) {
    out.push_back(u'.');
    AppendFraction(out, t);
  }
}

// FormatCoord style 1 and FormatCoord4: the mask, then the trim of the rounded value.
void AppendRoundedTrim(std::u16string& out, Decimal d, int decimals) {
  RoundTo(d, decimals);
  AppendTrimmed(out, d);
}

void AppendCoordOf(std::u16string& out, const Decimal& d, int out_dialect) {
  if (out_dialect == 1) {
    AppendRoundedTrim(out, d, 3);
  } else {
    AppendMasked(out, d, kFanucMask);
  }
}

}  // namespace

void AppendMask(std::u16string& out, double v, std::string_view mask) {
  AppendMasked(out, ToDecimal(v, kDoubleDigits), ParseMask(mask));
}
void AppendMask(std::u16string& out, float v, std::string_view mask) {
  AppendMasked(out, ToDecimal(v, kSingleDigits), ParseMask(mask));
}
void AppendCoord(std::u16string& out, double v, int out_dialect) {
  AppendCoordOf(out, ToDecimal(v, kDoubleDigits), out_dialect);
}
void AppendCoord(std::u16string& out, float v, int out_dialect) {
  AppendCoordOf(out, ToDecimal(v, kSingleDigits), out_dialect);
}
void AppendCoord4(std::u16string& out, double v) {
  AppendRoundedTrim(out, ToDecimal(v, kDoubleDigits), 4);
}
void AppendCoord4(std::u16string& out, float v) {
  AppendRoundedTrim(out, ToDecimal(v, kSingleDigits), 4);
}

std::u16string FormatMask(double v, std::string_view mask) {
  std::u16string out;
  AppendMask(out, v, mask);
  return out;
}
std::u16string FormatMask(float v, std::string_view mask) {
  std::u16string out;
  AppendMask(out, v, mask);
  return out;
}
std::u16string FormatMaskText(std::u16string_view text, std::string_view mask) {
  if (!IsPlainNumber(text)) return std::u16string(text);
  return FormatMask(ReadNumber(text), mask);
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
double ShortFormValue(float v) {
  const Decimal d = ToDecimal(v, kSingleDigits);
  return DecimalValue(d.negative && !d.IsZero(), d.digits, d.exponent);
}

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
  if (!IsPlainNumber(v)) return std::u16string(v);
  return FormatCoord(ReadNumber(v), out_dialect);
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
  if (!IsPlainNumber(v)) return std::u16string(v);
  return FormatCoord4(ReadNumber(v));
}

}  // namespace kestrum
