#include "machine/word_number.h"

#include <cmath>
#include <cstdint>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

constexpr std::int64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000};

// A plain decimal after the letter ("-12.5", "=3", "007") with at most 7 significant digits
// and at most 5 decimals. ReadWordExpr stores it in single precision and writes that back at 7
// significant digits, which gives the same decimal for every such number (checked for all of
// them; with 6 or 7 decimals some below 0.001 come back different). So its value is the
// decimal itself, read here without the detour through text.
std::optional<double> ReadPlainDecimal(Scanner& s) {
  const std::size_t n = s.NcLineLen();
  std::size_t p = s.NcPos + 1;
  if (p <= n && s.At(p) == u'=') ++p;
  bool negative = false;
  if (p <= n && (s.At(p) == u'+' || s.At(p) == u'-')) {
    negative = s.At(p) == u'-';
    ++p;
  }
  std::int64_t mantissa = 0;
  int significant = 0;
  int decimals = 0;
  int digits = 0;
  bool point = false;
  for (; p <= n; ++p) {
    const char16_t c = s.At(p);
    if (IsDigit(c)) {
      ++digits;
      if (mantissa > 0 || c != u'0') ++significant;
      if (significant > 7) return std::nullopt;
      mantissa = mantissa * 10 + (c - u'0');
      if (point) ++decimals;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0 || decimals > 5) return std::nullopt;
  // The character after the number must end the reader too: X1+2, X1,5, X1/2 and X1.2.3 are
  // left to it.
  if (p <= n) {
    const char16_t c = s.At(p);
    if (c >= u'*' && (c <= u'9' || c == u'=' || c == u'[')) return std::nullopt;
  }
  s.NcPos = p - 1;
  const double v = static_cast<double>(mantissa) / static_cast<double>(kPowersOfTen[decimals]);
  return negative && v != 0 ? -v : v;
}

// v as a whole count of 10^-decimals when it lies within 1e-6 of one and the count is below
// 1e9 in size. The 15-digit decimal form that the masks round then lies within
// 5e-7 / 10^decimals of v, and the product is off by less than 1.2e-7, so the masks round it
// to the same count.
std::optional<std::int64_t> Units(double v, int decimals) {
  const double scaled = v * static_cast<double>(kPowersOfTen[decimals]);
  if (!(std::fabs(scaled) < 1e9)) return std::nullopt;
  const double whole = std::round(scaled);
  if (std::fabs(scaled - whole) > 1e-6) return std::nullopt;
  return static_cast<std::int64_t>(whole);
}

// Writes the digits of v, zero-padded to width (nothing for 0 with width 0), backwards from
// end; returns where they start.
char16_t* DigitsBackwards(char16_t* end, std::int64_t v, int width) {
  char16_t* p = end;
  for (; v > 0; v /= 10) *--p = static_cast<char16_t>(u'0' + v % 10);
  while (end - p < width) *--p = u'0';
  return p;
}

// units / 10^decimals: the sign when not zero, the integer part with at least min_integer
// digits, and with decimals the point and the fraction without trailing zeros beyond
// min_fraction (no point at all when trim and the fraction is zero).
double AppendUnits(std::u16string& out, std::int64_t units, int decimals, int min_integer,
                   int min_fraction, bool trim) {
  const std::int64_t magnitude = units < 0 ? -units : units;
  const std::int64_t scale = kPowersOfTen[decimals];
  char16_t buffer[48];
  char16_t* const end = buffer + 48;
  char16_t* first = end;
  std::int64_t fraction = magnitude % scale;
  if (decimals > 0 && !(trim && fraction == 0)) {
    int width = decimals;
    while (width > min_fraction && fraction % 10 == 0) {
      fraction /= 10;
      --width;
    }
    first = DigitsBackwards(first, fraction, width);
    *--first = u'.';
  }
  first = DigitsBackwards(first, magnitude / scale, min_integer);
  if (units < 0) *--first = u'-';
  out.append(first, end);
  return static_cast<double>(units) / static_cast<double>(scale);
}

double AppendText(std::u16string& out, const std::u16string& text) {
  out += text;
  return ReadNumber(text);
}

}  // namespace

std::optional<double> ReadDigits(Scanner& s) {
  const std::size_t n = s.NcLineLen();
  std::size_t p = s.NcPos + 1;
  std::int64_t value = 0;
  for (; p <= n && p - s.NcPos <= 9 && IsDigit(s.At(p)); ++p) value = value * 10 + (s.At(p) - u'0');
  if (p == s.NcPos + 1 || (p <= n && IsValueChar(s.At(p)))) return std::nullopt;
  s.NcPos = p - 1;
  return static_cast<double>(value);
}

std::optional<double> ReadExprValue(Scanner& s) {
  if (const std::optional<double> v = ReadPlainDecimal(s)) return v;
  ReadWordExpr(s);
  if (s.WordValue.empty()) return std::nullopt;
  return ReadNumber(s.WordValue);
}

double AppendMasked(std::u16string& out, double v, const NumberMask& mask) {
  const std::optional<std::int64_t> units = Units(v, mask.decimals);
  if (!units) return AppendText(out, FormatMask(v, mask.text));
  return AppendUnits(out, *units, mask.decimals, mask.min_integer, mask.min_fraction, false);
}

double AppendCoord(std::u16string& out, double v, int out_dialect) {
  const std::optional<std::int64_t> units = Units(v, 3);
  if (!units) return AppendText(out, FormatCoord(v, out_dialect));
  // OSP: 12, 12.5, 0.5, 0; FANUC: 12.0, 12.5, 0.5, 0.0.
  return AppendUnits(out, *units, 3, 1, out_dialect == 1 ? 0 : 1, out_dialect == 1);
}

}  // namespace kestrum
