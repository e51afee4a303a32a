#include "ncword/read_word.h"

#include <cstdint>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr bool IsOperator(char16_t c) { return c == u'+' || c == u'-' || c == u'*' || c == u'/'; }

// acc op v, computed in double and stored back in single precision.
float Apply(float acc, char16_t op, double v) {
  switch (op) {
    case u'+':
      return ToSingle(acc + v);
    case u'-':
      return ToSingle(acc - v);
    case u'*':
      return ToSingle(acc * v);
    case u'/':
      return ToSingle(acc / v);
    default:
      return ToSingle(v);
  }
}

// What the expression reader takes: value characters, "*", "=" and "[".
constexpr bool IsExprChar(char16_t c) {
  return c == u'[' || (c >= u'*' && (c <= u'9' || c == u'='));
}

// The common word value, a plain number of at most 7 significant digits from 0.001 up ("-12.5",
// "100.", ".25") that ends the expression: its value is the number as written. The reader
// stores it in single precision and keeps its short form, 7 digits. From 0.001 to 10^7 a
// float lies closer to such a number than half a unit of its 7th digit (the float's spacing
// is below that unit there; just under 0.001, around 2^-10, it is not), so the short form
// gives back the number's own digits. False for every other text.
bool ReadPlainWord(std::u16string_view text, WordExpr& e) {
  static constexpr std::uint64_t kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  const bool negative = !text.empty() && text[0] == u'-';
  const std::size_t first = !text.empty() && (text[0] == u'-' || text[0] == u'+') ? 1 : 0;
  std::uint64_t digits = 0;  // leading zeros add nothing, so it has the significant digits
  int decimals = 0;
  bool point = false;
  std::size_t i = first;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsDigit(c)) {
      digits = digits * 10 + static_cast<std::uint64_t>(c - u'0');
      if (digits >= kPow10[7]) return false;  // more than 7 significant digits
      decimals += point;
    } else if (c == u'.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  const bool any_digit = i > first + (point ? 1 : 0);
  if (!any_digit || (i < text.size() && IsExprChar(text[i]))) return false;
  // Below 0.001: digits x 10^-decimals with at most 7 digits.
  if (digits != 0 && decimals > 3 && (decimals > 10 || digits < kPow10[decimals - 3])) {
    return false;
  }
  e.length = i;
  e.has_value = true;
  e.plain = true;
  // A value of 0 is skipped by the reader: its result stays 0, without a sign.
  e.value = digits == 0 ? 0.0 : DecimalValue(negative, digits, -decimals);
  e.result = ToSingle(e.value);
  return true;
}

}  // namespace

void ReadWordValue(Scanner& s) {
  s.WordValue.clear();
  const std::size_t n = s.NcLineLen();
  for (++s.NcPos; s.NcPos <= n; ++s.NcPos) {
    const char16_t ch = s.At(s.NcPos);
    if (!IsValueChar(ch)) break;
    s.WordValue.push_back(ch);
  }
  --s.NcPos;
}

WordExpr EvaluateWordExpr(std::u16string_view text) {
  WordExpr e;
  if (ReadPlainWord(text, e)) return e;
  // Operands are the runs of digits, "." and "," between the operators; "=" and "[" are
  // skipped wherever they stand, so X1=2 has the operand "12".
  char16_t op = 0;
  std::size_t start = std::u16string_view::npos;  // the current operand's first character
  bool gapped = false;                            // an "=" or "[" stands inside the operand
  auto apply_operand = [&](std::size_t end) {
    if (start == std::u16string_view::npos) return;  // no text: reads as 0, skipped
    const std::u16string_view piece = text.substr(start, end - start);
    double v;
    if (gapped) {
      std::u16string joined;
      for (const char16_t c : piece) {
        if (c != u'=' && c != u'[') joined.push_back(c);
      }
      v = ReadNumber(joined);
    } else {
      v = ReadNumber(piece);
    }
    if (v != 0) e.result = Apply(e.result, op, v);
  };
  std::size_t i = 0;
  for (; i < text.size() && IsExprChar(text[i]); ++i) {
    const char16_t c = text[i];
    if (IsOperator(c)) {
      apply_operand(i);
      op = c;
      start = std::u16string_view::npos;
      gapped = false;
    } else if (c == u'=' || c == u'[') {
      if (start != std::u16string_view::npos) gapped = true;
    } else if (start == std::u16string_view::npos) {
      start = i;
    }
  }
  apply_operand(i);
  e.length = i;
  e.has_value = start != std::u16string_view::npos;
  if (e.has_value) e.value = ShortFormValue(e.result);
  e.plain = IsPlainNumber(text.substr(0, i));
  return e;
}

void ReadWordExpr(Scanner& s) {
  // The characters the reader takes, in one piece (the line's gap may stand among them).
  s.WordValue.clear();
  const std::size_t n = s.NcLineLen();
  for (std::size_t p = s.NcPos + 1; p <= n && IsExprChar(s.At(p)); ++p)
    s.WordValue.push_back(s.At(p));
  const WordExpr e = EvaluateWordExpr(s.WordValue);
  s.NcPos += e.length;
  if (e.has_value) {
    s.WordValue = ShortForm(e.result);
  } else {
    s.WordValue.clear();
  }
}

void ReadWordToken(Scanner& s) {
  s.WordValue.clear();
  bool seen_value = false;
  const std::size_t n = s.NcLineLen();
  for (++s.NcPos; s.NcPos <= n; ++s.NcPos) {
    const char16_t ch = s.At(s.NcPos);
    if (IsBlank(ch)) break;
    if (IsValueChar(ch)) {
      seen_value = true;
    } else if (seen_value) {
      break;
    }
    s.WordValue.push_back(ch);
  }
  --s.NcPos;
}

std::size_t SkipValueChars(const Scanner& s, std::size_t& p) {
  const std::size_t n = s.NcLineLen();
  for (++p; p <= n; ++p) {
    if (!IsSkipChar(s.At(p))) break;
  }
  return p;
}

}  // namespace kestrum
