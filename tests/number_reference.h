// Plain reference versions of the number texts and of the expression reader: digits from
// printf, rounding and layout on strings, numbers read by strtod. Slow and plainly right; the
// randomized tests hold the fast code of ncword/ to them, character for character.
#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ncword/numeric.h"

namespace kestrum::reference {

// A decimal value 0.digits x 10^point, digits without leading or trailing zeros (empty for
// zero).
struct Decimal {
  bool negative = false;
  std::string digits;
  int point = 0;
};

inline void StripTrailingZeros(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d.point = 0;
}

inline void RoundTo(Decimal& d, int decimals);

// v at `significant` digits, rounded half away from zero on the digits of its exact binary
// value, which printf writes in full with enough places.
inline Decimal ToDecimal(double v, int significant) {
  Decimal d;
  if (std::isnan(v)) return d;
  if (std::isinf(v)) v = v > 0 ? DBL_MAX : -DBL_MAX;
  d.negative = std::signbit(v);
  if (v == 0) return d;
  char buf[1100];
  std::snprintf(buf, sizeof buf, "%.*e", 800, std::fabs(v));
  const char* e = buf;
  for (; *e != 'e'; ++e) {
    if (*e != '.') d.digits.push_back(*e);
  }
  d.point = std::atoi(e + 1) + 1;
  StripTrailingZeros(d);
  RoundTo(d, significant - d.point);
  return d;
}

// Half away from zero at `decimals` places: on the first dropped digit.
inline void RoundTo(Decimal& d, int decimals) {
  const long keep = static_cast<long>(d.point) + decimals;
  if (d.digits.empty() || keep >= static_cast<long>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    d.point = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    long i = keep - 1;
    for (; i >= 0 && d.digits[i] == '9'; --i) d.digits[i] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.point;
    }
  }
  StripTrailingZeros(d);
}

inline std::string IntegerDigits(const Decimal& d) {
  if (d.point <= 0) return {};
  std::string s = d.digits.substr(0, std::min<std::size_t>(d.point, d.digits.size()));
  s.append(d.point - s.size(), '0');
  return s;
}

inline std::string FractionDigits(const Decimal& d) {
  if (static_cast<long>(d.digits.size()) <= d.point) return {};
  if (d.point >= 0) return d.digits.substr(d.point);
  return std::string(-d.point, '0') + d.digits;
}

// A mask of "#", "0" and ".": the integer digits from the first "0" always shown, the fraction
// up to its length, trailing zeros only for its "0" positions.
inline std::string Mask(Decimal d, std::string_view mask) {
  const auto dot = mask.find('.');
  const std::string_view integer_mask = mask.substr(0, dot);
  const std::string_view fraction_mask =
      dot == std::string_view::npos ? std::string_view() : mask.substr(dot + 1);
  const auto first_zero = integer_mask.find('0');
  const std::size_t min_integer =
      first_zero == std::string_view::npos ? 0 : integer_mask.size() - first_zero;
  const auto last_zero = fraction_mask.rfind('0');
  const std::size_t min_fraction = last_zero == std::string_view::npos ? 0 : last_zero + 1;
  RoundTo(d, static_cast<int>(fraction_mask.size()));
  std::string out = d.negative && !d.digits.empty() ? "-" : "";
  std::string integer = IntegerDigits(d);
  if (integer.size() < min_integer) integer.insert(0, min_integer - integer.size(), '0');
  out += integer;
  if (dot != std::string_view::npos) {
    std::string fraction = FractionDigits(d);
    if (fraction.size() < min_fraction) fraction.append(min_fraction - fraction.size(), '0');
    out += "." + fraction;
  }
  return out;
}

inline std::string Trim(const Decimal& d) {
  if (d.digits.empty()) return "0";
  const std::string integer = IntegerDigits(d);
  const std::string fraction = FractionDigits(d);
  return (d.negative ? "-" : "") + (integer.empty() ? "0" : integer) +
         (fraction.empty() ? "" : "." + fraction);
}

inline std::string Short(const Decimal& d, int max_digits) {
  std::string out = d.negative && !d.digits.empty() ? "-" : " ";
  if (d.digits.empty()) return out + "0";
  const int exponent = d.point - 1;
  if (exponent >= max_digits || exponent < -4) {
    out += d.digits.substr(0, 1);
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + buf;
  }
  const std::string fraction = FractionDigits(d);
  return out + IntegerDigits(d) + (fraction.empty() ? "" : "." + fraction);
}

inline std::string Coord(Decimal d, int out_dialect) {
  if (out_dialect != 1) return Mask(d, "#####0.0##");
  RoundTo(d, 3);
  return Trim(d);
}

inline std::string Coord4(Decimal d) {
  RoundTo(d, 4);
  return Trim(d);
}

// ReadNumber: the leading number with blanks dropped wherever they stand, read by strtod.
inline double ReadNumber(std::u16string_view text) {
  std::string ascii;
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n')) ++i;
  };
  skip_blanks();
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ascii.push_back(text[i++]);
  bool point = false;
  bool digits = false;
  for (;; ++i) {
    skip_blanks();
    if (i >= text.size()) break;
    if (IsDigit(text[i])) {
      digits = true;
    } else if (text[i] != u'.' || point) {
      break;
    }
    point = point || text[i] == u'.';
    ascii.push_back(static_cast<char>(text[i]));
  }
  if (!digits) return 0;
  skip_blanks();
  if (i < text.size() && std::u16string_view(u"EeDd").find(text[i]) != std::u16string_view::npos) {
    std::string exponent = "e";
    ++i;
    skip_blanks();
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      exponent.push_back(static_cast<char>(text[i++]));
    }
    bool exponent_digits = false;
    for (; i < text.size(); ++i) {
      if (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n') continue;
      if (!IsDigit(text[i])) break;
      exponent.push_back(static_cast<char>(text[i]));
      exponent_digits = true;
    }
    if (exponent_digits) ascii += exponent;
  }
  const double v = std::strtod(ascii.c_str(), nullptr);
  return std::isinf(v) ? std::copysign(DBL_MAX, v) : v;
}

}  // namespace kestrum::reference
