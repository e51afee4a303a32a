#include "convert/coord_words.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"

namespace kestrum {
namespace {

using Wide = unsigned __int128;

// 10^0 .. 10^19, every power of ten an unsigned 64-bit integer holds.
constexpr auto kPow10 = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// What the expression reader stops at: not a value character, "*", "=" or "[".
constexpr bool EndsExpression(char16_t c) {
  return c != u'[' && (c < u'*' || (c > u'9' && c != u'='));
}

// The word read by the expression reader itself, on a scanner that holds the word and as many
// characters after it as the value opened brackets.
CoordWord ScannedWord(std::u16string_view line, std::size_t letter, std::size_t keep, Module1& m) {
  std::size_t end = letter + 1;
  std::size_t open = 0;
  for (; end < line.size() && !EndsExpression(line[end]); ++end) open += line[end] == u'[';
  Scanner s(line.substr(letter, std::min(line.size(), end + open) - letter), m);
  s.NextLine();
  ReadWordExpr(s);
  CoordWord word{keep, letter + s.NcPos, !s.WordValue.empty(), 0};
  if (!word.has_value) return word;
  word.value = ReadNumber(s.WordValue);
  // Z[100+5] is read up to its "]": the brackets the value opened go with it, so that the
  // line does not keep a stray "]".
  for (; open > 0 && word.end < line.size() && line[word.end] == u']'; --open) ++word.end;
  return word;
}

// The number the expression reader makes of value, a plain number of 1 to 15 digits: stored
// in single precision, written back at 7 significant digits and read again. Nothing where that
// is not done here.
std::optional<double> SingleValue(bool negative, std::uint64_t digits, int decimals) {
  if (digits == 0) return 0.0;
  const double d = static_cast<double>(digits) / static_cast<double>(kPow10[decimals]);
  while (digits % 10 == 0) digits /= 10;
  // Up to 6 significant digits in this range a number comes back exactly as written.
  if (digits < kPow10[6] && d >= 1e-5 && d < 1e7) return negative ? -d : d;
  const double f = static_cast<float>(d);
  if (!(f >= 1e-5 && f < 1e14)) return std::nullopt;
  // f at 7 significant digits: q * 10^-k. f * 10^k is within 1e-9 of its true value, so the
  // rounding to q is exact unless the value lies next to a half.
  int e = static_cast<int>(std::floor(std::log10(f)));
  for (int tries = 0; tries < 3; ++tries) {
    const int k = 6 - e;
    const double r =
        k >= 0 ? f * static_cast<double>(kPow10[k]) : f / static_cast<double>(kPow10[-k]);
    if (r >= 1e7) {
      ++e;
    } else if (r < 1e6) {
      --e;
    } else {
      const double frac = r - std::floor(r);
      if (std::fabs(frac - 0.5) < 1e-6) return std::nullopt;
      const double q = std::floor(r) + (frac > 0.5 ? 1 : 0);
      const double v =
          k >= 0 ? q / static_cast<double>(kPow10[k]) : q * static_cast<double>(kPow10[-k]);
      return negative ? -v : v;
    }
  }
  return std::nullopt;
}

// |v| at 15 significant digits, q * 10^-k, rounded to nearest with ties to even on the exact
// binary value as printf's "%.14e" rounds, for 1e-5 <= |v| < 1e9.
bool Decimal15(double v, std::uint64_t& q, int& k) {
  const double a = std::fabs(v);
  if (!(a >= 1e-5 && a < 1e9)) return false;
  const auto bits = std::bit_cast<std::uint64_t>(a);
  const Wide mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int shift = 1075 - static_cast<int>(bits >> 52);  // a = mantissa * 2^-shift
  // The decade of the leading digit: floor(log10(2^(52 - shift))), or one off.
  int e = ((52 - shift) * 1233) >> 12;
  for (int tries = 0; tries < 3; ++tries) {
    k = 14 - e;
    const Wide x = mantissa * kPow10[k];
    const auto whole = static_cast<std::uint64_t>(x >> shift);
    if (whole >= kPow10[15]) {
      ++e;
    } else if (whole < kPow10[14]) {
      --e;
    } else {
      const Wide rest = x & ((Wide{1} << shift) - 1);
      const Wide half = Wide{1} << (shift - 1);
      q = whole + (rest > half || (rest == half && (whole & 1)) ? 1 : 0);
      return true;
    }
  }
  return false;
}

enum class Point { kNone, kAlone, kWithZero };  // 12, 12., 12.0

// v rounded half away from zero to `decimals` places and written without trailing zeros into
// text, value the number written; `point` says what follows a whole number. False outside the
// range done on integers.
bool FastFixed(double v, int decimals, Point point, NumberText& text, double& value) {
  std::uint64_t q = 0;
  int k = 0;
  const double a = std::fabs(v);
  if (a >= 1e-5 && a < 1e6) {
    // a * 10^decimals is below 10^10, within 2e-6 of the 15-digit decimal of a times
    // 10^decimals; unless it lies next to a half, rounding either gives the same.
    const double r = a * static_cast<double>(kPow10[decimals]);
    const double whole = std::floor(r);
    if (std::fabs(r - whole - 0.5) > 1e-3) {
      q = static_cast<std::uint64_t>(whole) + (r - whole > 0.5 ? 1 : 0);
      k = decimals;
    } else if (!Decimal15(v, q, k)) {
      return false;
    }
  } else if (a >= 1e-5 || v != v) {
    if (!Decimal15(v, q, k)) return false;
  }
  if (k > decimals) {
    const std::uint64_t p = kPow10[k - decimals];
    q = (q + p / 2) / p;
    k = decimals;
  }
  while (k > 0 && q % 10 == 0) {
    q /= 10;
    --k;
  }
  const bool negative = v < 0 && q != 0;  // no "-0": a value that rounds to zero has no sign
  value = static_cast<double>(q) / static_cast<double>(kPow10[k]);
  if (negative) value = -value;
  // Written from the right.
  char16_t buf[24];
  int pos = 24;
  if (k == 0 && point == Point::kWithZero) buf[--pos] = u'0';
  for (int i = 0; i < k; ++i, q /= 10) buf[--pos] = static_cast<char16_t>(u'0' + q % 10);
  if (k > 0 || point != Point::kNone) buf[--pos] = u'.';
  do {
    buf[--pos] = static_cast<char16_t>(u'0' + q % 10);
    q /= 10;
  } while (q != 0);
  if (negative) buf[--pos] = u'-';
  text = NumberText();
  text.Append(std::u16string_view(buf + pos, 24 - pos));
  return true;
}

}  // namespace

GWord ReadGWord(std::u16string_view line, std::size_t letter, Module1& m) {
  std::size_t end = letter + 1;
  int number = 0;
  bool digits_only = true;
  for (; end < line.size() && IsValueChar(line[end]); ++end) {
    digits_only = digits_only && IsDigit(line[end]) && end - letter <= 3;
    if (digits_only) number = number * 10 + (line[end] - u'0');
  }
  m.GNumber = digits_only ? number : ReadNumber(line.substr(letter + 1, end - letter - 1));
  const bool sets_mode = m.GNumber == 90 || m.GNumber == 91;
  if (sets_mode) m.DistanceMode = static_cast<int>(m.GNumber);
  return {end, sets_mode};
}

CoordWord ReadCoordWord(std::u16string_view line, std::size_t letter, Module1& m) {
  const std::size_t keep =
      letter + 1 < line.size() && line[letter + 1] == u'=' ? letter + 1 : letter;
  std::size_t i = keep + 1;
  const bool negative = i < line.size() && line[i] == u'-';
  if (i < line.size() && (line[i] == u'-' || line[i] == u'+')) ++i;
  std::uint64_t digits = 0;
  int count = 0;
  int decimals = -1;
  for (; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (IsDigit(c)) {
      digits = digits * 10 + (c - u'0');
      ++count;
      if (decimals >= 0) ++decimals;
    } else if (c == u'.' && decimals < 0) {
      decimals = 0;
    } else {
      break;
    }
  }
  // A plain number that ends the expression: X-12.5Y3, X10.(NOTE)
  if (count > 0 && count <= 15 && (i == line.size() || EndsExpression(line[i]))) {
    if (const auto v = SingleValue(negative, digits, decimals < 0 ? 0 : decimals)) {
      return {keep, i, true, *v};
    }
  }
  return ScannedWord(line, letter, keep, m);
}

double CoordText::value() const {
  if (!value_) value_ = ReadNumber(view());
  return *value_;
}

void CoordText::SetCoord(double v, int out_dialect) {
  slow_.clear();
  value_.reset();
  double value;
  if (FastFixed(v, 3, out_dialect == 1 ? Point::kNone : Point::kWithZero, fast_, value)) {
    value_ = value;
  } else {
    slow_ = FormatCoord(v, out_dialect);
  }
}

void CoordText::SetCoord(float v, int out_dialect) {
  slow_.clear();
  value_.reset();
  if (const auto fast = FastFormatCoord(v, out_dialect)) {
    fast_ = *fast;
  } else {
    slow_ = FormatCoord(v, out_dialect);
  }
}

void CoordText::SetPointMask(double v) {
  slow_.clear();
  value_.reset();
  double value;
  if (FastFixed(v, 4, Point::kAlone, fast_, value)) {
    value_ = value;
  } else {
    slow_ = FormatMask(v, "#####0.####");
  }
}

}  // namespace kestrum
