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

void ReadWordExpr(Scanner& s) {
  s.WordValue.clear();
  char16_t op = 0;
  float acc = 0.0f;
  const std::size_t n = s.NcLineLen();
  for (++s.NcPos; s.NcPos <= n; ++s.NcPos) {
    const char16_t ch = s.At(s.NcPos);
    if (ch == u'[') continue;
    if (IsOperator(ch)) {
      const double v = ReadNumber(s.WordValue);
      s.WordValue.clear();
      if (v != 0) acc = Apply(acc, op, v);
      op = ch;
    }
    if (ch < u'*' || (ch > u'9' && ch != u'=')) break;
    if (!IsOperator(ch) && ch != u'=') s.WordValue.push_back(ch);
  }
  const double v = ReadNumber(s.WordValue);
  if (v != 0) acc = Apply(acc, op, v);
  if (!s.WordValue.empty()) s.WordValue = ShortForm(acc);
  --s.NcPos;
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
