#include "convert/fast_number.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr std::uint64_t kPowInt[] = {1,
                                     10,
                                     100,
                                     1000,
                                     10000,
                                     100000,
                                     1000000,
                                     10000000,
                                     100000000,
                                     1000000000,
                                     10000000000,
                                     100000000000,
                                     1000000000000,
                                     10000000000000,
                                     100000000000000,
                                     1000000000000000};

// 10^-6 .. 10^7, kDecade[e + 6] = 10^e. No single-precision value lies between a power of ten
// and the double nearest to it, so comparing with these doubles puts every float in its true
// decade.
constexpr double kDecade[] = {1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,
                              1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7};
// The values done on integers: 10^-5 <= |v| < 10^7.
constexpr double kLowest = 1e-5;
constexpr double kBeyond = 1e7;

// |v| at 7 significant digits: q * 10^-k with 10^6 <= q < 10^7, or q = 0 for zero. Rounded to
// nearest with ties to even on the exact binary value, as printf's "%.6e" rounds.
struct Decimal7 {
  bool negative = false;
  std::uint64_t q = 0;
  int k = 0;
};

std::optional<Decimal7> ToDecimal7(float v) {
  Decimal7 d;
  d.negative = std::signbit(v);
  if (v == 0) return d;
  const double a = std::fabs(static_cast<double>(v));
  if (!(a >= kLowest && a < kBeyond)) return std::nullopt;
  // a = m * 2^exp exactly: 24 significant bits (normal numbers only, which these are).
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
  const std::uint64_t m = (bits & 0x7FFFFF) | 0x800000;
  const int exp = static_cast<int>((bits >> 23) & 0xFF) - 150;
  // The decade: floor(log10(2^(exp + 23))) (1233 / 4096 is log10(2) closely enough in this
  // range), or one more.
  int e = ((exp + 23) * 1233) >> 12;
  if (a >= kDecade[e + 7]) ++e;
  d.k = 6 - e;
  const std::uint64_t x = m * kPowInt[d.k];  // below 2^24 * 10^11: no overflow
  if (exp >= 0) {
    d.q = x << exp;
  } else {
    const int s = -exp;  // at most 40 in this range
    d.q = x >> s;
    const std::uint64_t rest = x & ((std::uint64_t{1} << s) - 1);
    const std::uint64_t half = std::uint64_t{1} << (s - 1);
    if (rest > half || (rest == half && (d.q & 1))) ++d.q;
  }
  if (d.q >= kPowInt[7]) {  // 9999999.6 -> 10000000: one digit more, one decimal less
    d.q /= 10;
    --d.k;
  }
  return d;
}

// d rounded half away from zero to `decimals` places, then written: trimmed ("12", "0.5",
// "0") or with a point and at least one decimal ("12.0", "0.0").
NumberText FormatRounded(const Decimal7& d, int decimals, bool trim) {
  // Below 10^7: 32-bit arithmetic, whose division is much faster than a 64-bit one.
  std::uint32_t q = static_cast<std::uint32_t>(d.q);
  int k = d.k;
  if (k > decimals) {
    const auto p = static_cast<std::uint32_t>(kPowInt[k - decimals]);
    q = (q + p / 2) / p;  // up when the first dropped digit is 5 or more
    k = decimals;
  }
  NumberText t;
  if (q == 0) {
    t.Append(trim ? u"0" : u"0.0");  // no "-0": a value that rounds to zero has no sign
    return t;
  }
  while (k > 0 && q % 10 == 0) {
    q /= 10;
    --k;
  }
  // Written from the right.
  char16_t buf[24];
  int pos = 24;
  if (k == 0 && !trim) {
    buf[--pos] = u'0';
    buf[--pos] = u'.';
  }
  for (int i = 0; i < k; ++i) {
    buf[--pos] = static_cast<char16_t>(u'0' + q % 10);
    q /= 10;
  }
  if (k > 0) buf[--pos] = u'.';
  do {
    buf[--pos] = static_cast<char16_t>(u'0' + q % 10);
    q /= 10;
  } while (q != 0);
  if (d.negative) buf[--pos] = u'-';
  t.Append(std::u16string_view(buf + pos, 24 - pos));
  return t;
}

}  // namespace

std::optional<PlainNumber> ReadPlainNumber(std::u16string_view text) {
  PlainNumber n;
  std::size_t i = 0;
  const std::size_t size = text.size();
  if (i < size && (text[i] == u'+' || text[i] == u'-')) n.negative = text[i++] == u'-';
  const std::size_t integer_start = i;
  while (i < size && IsDigit(text[i])) ++i;
  n.integer = text.substr(integer_start, i - integer_start);
  if (i < size && text[i] == u'.') {
    const std::size_t fraction_start = ++i;
    while (i < size && IsDigit(text[i])) ++i;
    n.fraction = text.substr(fraction_start, i - fraction_start);
  }
  if (i != size || n.integer.size() + n.fraction.size() == 0) return std::nullopt;
  while (!n.integer.empty() && n.integer.front() == u'0') n.integer.remove_prefix(1);
  while (!n.fraction.empty() && n.fraction.back() == u'0') n.fraction.remove_suffix(1);
  if (n.integer.size() + n.fraction.size() > 15) return std::nullopt;
  return n;
}

NumberText FormatPlain(const PlainNumber& n, PointStyle style) {
  NumberText t;
  if (n.IsZero()) {
    t.Append(style == PointStyle::kPoint ? u"0." : style == PointStyle::kPointZero ? u"0.0" : u"0");
    return t;
  }
  if (n.negative) t.Push(u'-');
  if (n.integer.empty()) {
    t.Push(u'0');
  } else {
    t.Append(n.integer);
  }
  if (style != PointStyle::kTrim || !n.fraction.empty()) t.Push(u'.');
  t.Append(n.fraction);
  if (style == PointStyle::kPointZero && n.fraction.empty()) t.Push(u'0');
  return t;
}

std::optional<float> ReadSingle(std::u16string_view text, std::size_t& length) {
  std::size_t i = 0;
  const std::size_t size = text.size();
  bool negative = false;
  if (i < size && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::uint64_t digits = 0;
  const std::size_t integer_start = i;
  for (; i < size && IsDigit(text[i]); ++i) digits = digits * 10 + (text[i] - u'0');
  std::size_t count = i - integer_start;
  int decimals = 0;
  if (i < size && text[i] == u'.') {
    const std::size_t fraction_start = ++i;
    for (; i < size && IsDigit(text[i]); ++i) digits = digits * 10 + (text[i] - u'0');
    decimals = static_cast<int>(i - fraction_start);
    count += decimals;
  }
  length = i;
  // At most 15 digits, so that the digits are exact in a double.
  if (count == 0 || count > 15) return std::nullopt;
  if (digits == 0) return 0.0f;
  // Both operands are exact doubles (at most 15 digits), so the quotient is the correctly
  // rounded value, as the number reader gives it; it is far inside the single range.
  const double value = static_cast<double>(digits) / static_cast<double>(kPowInt[decimals]);
  const float single = static_cast<float>(negative ? -value : value);
  // The reader keeps its result as text with 7 significant digits, read back. A number of at
  // most 6 significant digits in the range done on integers comes back as it was (checked for
  // every one of them), so that detour is only taken for longer ones.
  while (digits % 10 == 0) digits /= 10;
  if (digits < kPowInt[6] && value >= kLowest && value < kBeyond) return single;
  const std::optional<Decimal7> d = ToDecimal7(single);
  if (!d) return std::nullopt;
  const double rounded = static_cast<double>(d->q) / static_cast<double>(kPowInt[d->k]);
  return static_cast<float>(d->negative ? -rounded : rounded);
}

std::optional<NumberText> FastFormatCoord(float v, int out_dialect) {
  const std::optional<Decimal7> d = ToDecimal7(v);
  if (!d) return std::nullopt;
  return FormatRounded(*d, 3, out_dialect == 1);
}

std::optional<NumberText> FastFormatCoord4(float v) {
  const std::optional<Decimal7> d = ToDecimal7(v);
  if (!d) return std::nullopt;
  return FormatRounded(*d, 4, true);
}

}  // namespace kestrum
