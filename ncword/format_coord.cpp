#include "ncword/format_coord.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr int kDoubleDigits = 15;
constexpr int kSingleDigits = 7;

// A finite decimal value: 0.digits x 10^point, digits without leading or trailing zeros
// (empty for zero).
struct Decimal {
  bool negative = false;
  std::string digits;
  int point = 0;

  bool IsZero() const { return digits.empty(); }
};

void StripTrailingZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
}

// The value's decimal digits at the given number of significant digits.
Decimal ToDecimal(double v, int significant) {
  Decimal d;
  if (std::isnan(v)) return d;
  if (std::isinf(v))
    v = v > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
  d.negative = std::signbit(v);
  if (v == 0.0) return d;
  char buf[64];
  // "d.dddde+XX": the first digit, significant - 1 more, the exponent of the first digit.
  // to_chars rounds like printf's %e but neither parses a format nor looks at the locale.
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(v),
                                       std::chars_format::scientific, significant - 1);
  (void)ec;  // 64 characters always hold 15 digits and an exponent
  const char* e = std::find(buf, end, 'e');
  for (const char* p = buf; p < e; ++p) {
    if (*p != '.') d.digits.push_back(*p);
  }
  int exponent = 0;
  const char* q = e + 1;
  const bool negative_exponent = *q == '-';
  if (*q == '-' || *q == '+') ++q;
  std::from_chars(q, end, exponent);
  d.point = (negative_exponent ? -exponent : exponent) + 1;
  StripTrailingZeros(d);
  return d;
}

// Rounds half away from zero to `decimals` places after the point.
void RoundTo(Decimal& d, int decimals) {
  if (d.IsZero()) return;
  const long keep = static_cast<long>(d.point) + decimals;
  if (keep >= static_cast<long>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.point = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    long i = keep - 1;
    for (; i >= 0; --i) {
      if (d.digits[i] == '9') {
        d.digits[i] = '0';
      } else {
        ++d.digits[i];
        break;
      }
    }
    if (i < 0) {  // 9.99 -> 10.0: a new leading digit
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    }
  }
  StripTrailingZeros(d);
}

// Digits before the point (no leading zeros; "" below 1).
std::string IntegerDigits(const Decimal& d) {
  if (d.point <= 0) return {};
  std::string s = d.digits.substr(0, std::min<std::size_t>(d.point, d.digits.size()));
  s.append(d.point - s.size(), '0');
  return s;
}

// All digits after the point, without trailing zeros.
std::string FractionDigits(const Decimal& d) {
  if (d.IsZero() || static_cast<long>(d.digits.size()) <= d.point) return {};
  if (d.point >= 0) return d.digits.substr(d.point);
  return std::string(-d.point, '0') + d.digits;
}

std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

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

std::u16string FormatDecimal(Decimal d, std::string_view mask_text) {
  const Mask mask = ParseMask(mask_text);
  RoundTo(d, mask.fraction);
  std::string out;
  if (d.negative && !d.IsZero()) out.push_back('-');
  std::string integer = IntegerDigits(d);
  if (static_cast<int>(integer.size()) < mask.min_integer) {
    integer.insert(0, mask.min_integer - integer.size(), '0');
  }
  out += integer;
  if (mask.has_point) {
    std::string fraction = FractionDigits(d);
    if (static_cast<int>(fraction.size()) < mask.min_fraction) {
      fraction.append(mask.min_fraction - fraction.size(), '0');
    }
    out.push_back('.');
    out += fraction;
  }
  return Widen(out);
}

std::u16string ShortFormDigits(const Decimal& d, int max_digits) {
  std::string out(d.negative && !d.IsZero() ? "-" : " ");
  if (d.IsZero()) return Widen(out + "0");
  const int exponent = d.point - 1;
  if (exponent >= max_digits || exponent < -4) {
    out.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
      out.push_back('.');
      out += d.digits.substr(1);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    out += buf;
    return Widen(out);
  }
  out += IntegerDigits(d);
  const std::string fraction = FractionDigits(d);
  if (!fraction.empty()) out += "." + fraction;
  return Widen(out);
}

std::u16string TrimDecimal(const Decimal& d) {
  if (d.IsZero()) return u"0";
  std::string out(d.negative ? "-" : "");
  const std::string integer = IntegerDigits(d);
  out += integer.empty() ? "0" : integer;
  const std::string fraction = FractionDigits(d);
  if (!fraction.empty()) out += "." + fraction;
  return Widen(out);
}

// FormatCoord style 1 and FormatCoord4: the mask, then the trim of the rounded value.
std::u16string MaskThenTrim(Decimal d, int decimals) {
  RoundTo(d, decimals);
  return TrimDecimal(d);
}

std::u16string CoordOf(const Decimal& d, int out_dialect) {
  if (out_dialect == 1) return MaskThenTrim(d, 3);
  return FormatDecimal(d, "#####0.0##");
}

}  // namespace

std::u16string FormatMask(double v, std::string_view mask) {
  return FormatDecimal(ToDecimal(v, kDoubleDigits), mask);
}
std::u16string FormatMask(float v, std::string_view mask) {
  return FormatDecimal(ToDecimal(v, kSingleDigits), mask);
}
std::u16string FormatMaskText(std::u16string_view text, std::string_view mask) {
  if (!IsPlainNumber(text)) return std::u16string(text);
  return FormatMask(ReadNumber(text), mask);
}

std::u16string ShortForm(double v) {
  return ShortFormDigits(ToDecimal(v, kDoubleDigits), kDoubleDigits);
}
std::u16string ShortForm(float v) {
  return ShortFormDigits(ToDecimal(v, kSingleDigits), kSingleDigits);
}

std::u16string TrimNumber(double r) { return TrimDecimal(ToDecimal(r, kDoubleDigits)); }
std::u16string TrimNumber(float r) { return TrimDecimal(ToDecimal(r, kSingleDigits)); }

std::u16string FormatCoord(double v, int out_dialect) {
  return CoordOf(ToDecimal(v, kDoubleDigits), out_dialect);
}
std::u16string FormatCoord(float v, int out_dialect) {
  return CoordOf(ToDecimal(v, kSingleDigits), out_dialect);
}
std::u16string FormatCoordText(std::u16string_view v, int out_dialect) {
  if (!IsPlainNumber(v)) return std::u16string(v);
  return FormatCoord(ReadNumber(v), out_dialect);
}

std::u16string FormatCoord4(double v) { return MaskThenTrim(ToDecimal(v, kDoubleDigits), 4); }
std::u16string FormatCoord4(float v) { return MaskThenTrim(ToDecimal(v, kSingleDigits), 4); }
std::u16string FormatCoord4Text(std::u16string_view v) {
  if (!IsPlainNumber(v)) return std::u16string(v);
  return FormatCoord4(ReadNumber(v));
}

}  // namespace kestrum
