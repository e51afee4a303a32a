#include "ncword/read_word.h"

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
  // Operands are the runs of digits, "." and "," between the operators; "=" and "[" are
  // skipped wherever they stand, so X1=2 has the operand "12".
  WordExpr e;
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
