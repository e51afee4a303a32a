#include "ncword/numeric.h"

#include <charconv>
#include <limits>
#include <string>

namespace kestrum {
namespace {

bool IsIgnoredBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// 10^0 .. 10^22: the powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// Below 2^53 every integer is a double.
constexpr std::uint64_t kExactDigits = std::uint64_t{1} << 53;

// ascii, a number from_chars reads ("123.45", "1e-400"), as a double; never infinite.
double FromAscii(const std::string& ascii) {
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves value alone on range errors: tell overflow from underflow by the
    // exponent's sign.
    const auto e = ascii.find('e');
    const bool tiny = e != std::string::npos && ascii[e + 1] == '-';
    return tiny ? 0.0 : std::numeric_limits<double>::max();
  }
  return ec == std::errc() ? value : 0.0;
}

// ReadNumber for every text: the leading number collected as ASCII, blanks dropped, and
// read by from_chars (which never looks at the locale).
double ReadAnyNumber(std::u16string_view text) {
  std::string ascii;
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
  const double value = FromAscii(ascii);
  return negative ? -value : value;
}

}  // namespace

double DecimalValue(bool negative, std::uint64_t digits, int exponent) {
  double value;
  if (digits == 0) {
    value = 0.0;
  } else if (digits <= kExactDigits && exponent >= -22 && exponent <= 22) {
    // Both operands are exact, so the one rounding of the division or product gives the
    // double nearest to the decimal, as from_chars does.
    value = exponent < 0 ? static_cast<double>(digits) / kExactPowers[-exponent]
                         : static_cast<double>(digits) * kExactPowers[exponent];
  } else {
    value = FromAscii(std::to_string(digits) + "e" + std::to_string(exponent));
  }
  return negative ? -value : value;
}

double ReadNumber(std::u16string_view text) {
  // The common word value ("-12.5", "100", ".5") is read here on integers; a text with an
  // exponent, or too many digits to hold, goes the general way.
  std::size_t i = 0;
  while (i < text.size() && IsIgnoredBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::uint64_t digits = 0;
  int count = 0;
  int decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsDigit(c)) {
      if (digits >= kExactDigits / 10) return ReadAnyNumber(text);
      digits = digits * 10 + (c - u'0');
      decimals += point;
      ++count;
    } else if (c == u'.' && !point) {
      point = true;
    } else if (!IsIgnoredBlank(c)) {
      break;
    }
  }
  if (count == 0) return 0.0;
  if (i < text.size() &&
      (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    return ReadAnyNumber(text);
  }
  return DecimalValue(negative, digits, -decimals);
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
