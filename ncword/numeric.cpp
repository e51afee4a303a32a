#include "ncword/numeric.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kestrum {
namespace {

bool IsIgnoredBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

}  // namespace

double ReadNumber(std::u16string_view text) {
  // Collect the leading number as ASCII, dropping blanks, then let from_chars (which never
  // looks at the locale) do the exact conversion.
  std::string ascii;
  ascii.reserve(32);
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && IsIgnoredBlank(text[i])) ++i;
  };
  skip_blanks();
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  bool seen_point = false;
  int digits = 0;
  for (;; ++i) {
    skip_blanks();
    if (i >= text.size()) break;
    const char16_t c = text[i];
    if (IsDigit(c)) {
      ascii.push_back(static_cast<char>(c));
      ++digits;
    } else if (c == u'.' && !seen_point) {
      seen_point = true;
      ascii.push_back('.');
    } else {
      break;
    }
  }
  if (digits == 0) return 0.0;

  // Exponent: E or D, optional sign, at least one digit; otherwise it is not part of the number.
  skip_blanks();
  if (i < text.size() &&
      (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    std::size_t j = i + 1;
    while (j < text.size() && IsIgnoredBlank(text[j])) ++j;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
      exponent.push_back(static_cast<char>(text[j]));
      ++j;
    }
    bool exponent_digits = false;
    for (; j < text.size(); ++j) {
      if (IsIgnoredBlank(text[j])) continue;
      if (!IsDigit(text[j])) break;
      // Keep the exponent text bounded; from_chars reports overflow for it either way.
      if (exponent.size() < 12) exponent.push_back(static_cast<char>(text[j]));
      exponent_digits = true;
    }
    if (exponent_digits) ascii += exponent;
  }

  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves value alone on range errors: tell overflow from underflow by the
    // exponent's sign.
    const auto e = ascii.find('e');
    const bool tiny = e != std::string::npos && ascii[e + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::max();
  } else if (ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

float ToSingle(double v) {
  if (std::isnan(v)) return 0.0f;
  constexpr double kMax = std::numeric_limits<float>::max();
  if (v > kMax) return std::numeric_limits<float>::max();
  if (v < -kMax) return -std::numeric_limits<float>::max();
  return static_cast<float>(v);
}

bool IsPlainNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  int digits = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      ++digits;
    } else if (text[i] == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  while (i < text.size() && IsBlank(text[i])) ++i;
  return digits > 0 && i == text.size();
}

}  // namespace kestrum
