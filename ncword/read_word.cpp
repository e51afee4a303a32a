#include "ncword/read_word.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

// Characters that go on a value: after a complete value one of these means the text is no
// value the control reads as such (X[1]2, X1=2, X1,5).
constexpr bool IsValueText(char16_t c) {
  return IsValueChar(c) || c == u'*' || c == u'=' || c == u'[' || c == u']' || c == u'#';
}

// Brackets nest this deep at most. Controls allow five levels; the bound keeps a line of
// thousands of "[" from exhausting the stack.
constexpr int kMaxDepth = 32;

// The common word value, a plain number of at most 7 significant digits from 0.001 up
// ("-12.5", "100.", ".25") that is not followed by more value text: its value is the number
// as written. From 0.001 to 10^7 a float lies closer to such a number than half a unit of its
// 7th digit, so the value at 7 significant digits is the number's own. False for every other
// text; the parser below then reads it.
bool ReadPlainWord(std::u16string_view text, std::size_t& length, double& value) {
  static constexpr std::uint64_t kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  const char16_t* const begin = text.data();
  const char16_t* const end = begin + text.size();
  const char16_t* p = begin;
  const bool negative = p < end && *p == u'-';
  if (p < end && (*p == u'-' || *p == u'+')) ++p;
  // The digits, with one point among them; nineteen characters at most, which an integer
  // holds whatever they are (a longer text goes to the parser).
  const char16_t* const digits_begin = p;
  const char16_t* const limit = end - begin > 19 ? begin + 19 : end;
  std::uint64_t digits = 0;  // leading zeros add nothing, so it has the significant digits
  while (p < limit && IsDigit(*p)) digits = digits * 10 + static_cast<std::uint64_t>(*p++ - u'0');
  int decimals = 0;
  const bool point = p < limit && *p == u'.';
  if (point) {
    const char16_t* const fraction = ++p;
    while (p < limit && IsDigit(*p)) digits = digits * 10 + static_cast<std::uint64_t>(*p++ - u'0');
    decimals = static_cast<int>(p - fraction);
  }
  // No digit, more than seven significant ones, or more value text: the parser reads it.
  if (p - digits_begin == (point ? 1 : 0) || digits >= kPow10[7]) return false;
  if (p < end && IsValueText(*p)) return false;
  // Below 0.001: digits x 10^-decimals with at most 7 digits.
  if (digits != 0 && decimals > 3 && (decimals > 10 || digits < kPow10[decimals - 3])) {
    return false;
  }
  length = static_cast<std::size_t>(p - begin);
  value = digits == 0 ? 0.0 : DecimalValue(negative, digits, -decimals);  // zero without sign
  return true;
}

// Recursive descent over an expression: "*" and "/" bind before "+" and "-"; brackets nest.
// Inside brackets blanks are passed over, and names (VC1, SIN) may stand as operands; a
// variable or a function makes the value unknown, but the text is still read to its end so
// that the word keeps all of it.
class ExprParser {
 public:
  ExprParser(std::u16string_view line, std::size_t pos, bool names)
      : s_(line), p_(pos), names_(names) {}

  // The value of the word: one bracket expression, or operands and operators without
  // brackets around them. False when the text is no expression.
  bool Value(double& v) {
    if (p_ < s_.size() && s_[p_] == u'[') return Bracket(v);
    return Sum(v);
  }

  std::size_t pos() const { return p_; }
  int depth() const { return depth_; }
  bool known() const { return known_; }

 private:
  bool At(char16_t c) const { return p_ < s_.size() && s_[p_] == c; }
  void SkipBlanks() {
    if (depth_ > 0) {
      while (p_ < s_.size() && IsBlank(s_[p_])) ++p_;
    }
  }

  bool Sum(double& v) {
    if (!Product(v)) return false;
    for (SkipBlanks(); At(u'+') || At(u'-'); SkipBlanks()) {
      const bool plus = s_[p_++] == u'+';
      double rhs;
      if (!Product(rhs)) return false;
      v = plus ? v + rhs : v - rhs;
    }
    return true;
  }

  bool Product(double& v) {
    if (!Signed(v)) return false;
    for (SkipBlanks(); At(u'*') || At(u'/'); SkipBlanks()) {
      const bool times = s_[p_++] == u'*';
      double rhs;
      if (!Signed(rhs)) return false;
      if (!times && rhs == 0) known_ = false;  // no value, but the text goes on
      v = times ? v * rhs : (rhs == 0 ? 0 : v / rhs);
    }
    return true;
  }

  // An operand with at most one sign in front: -5, 10*-2.
  bool Signed(double& v) {
    SkipBlanks();
    const bool minus = At(u'-');
    if (minus || At(u'+')) {
      ++p_;
      SkipBlanks();
    }
    if (!Operand(v)) return false;
    if (minus) v = -v;
    return true;
  }

  bool Operand(double& v) {
    v = 0;
    if (p_ >= s_.size()) return false;
    const char16_t c = s_[p_];
    if (IsDigit(c) || c == u'.') return Number(v);
    if (c == u'[') return depth_ > 0 && Bracket(v);  // X1+[2] is no value of the control's
    if (c == u'#') {
      // A variable: #101, #[#1+1].
      known_ = false;
      ++p_;
      if (At(u'[')) return Bracket(v);
      const std::size_t digits = p_;
      while (p_ < s_.size() && IsDigit(s_[p_])) ++p_;
      return p_ > digits;
    }
    if (IsAddressLetter(c) && (names_ || depth_ > 0)) {
      // A name: a variable VC1, a function SIN[30], ATAN[1,2].
      known_ = false;
      while (p_ < s_.size() && IsAddressLetter(s_[p_])) ++p_;
      while (p_ < s_.size() && IsDigit(s_[p_])) ++p_;
      SkipBlanks();
      return !At(u'[') || Bracket(v, true);
    }
    return false;
  }

  // digits [ "." digits ], at least one digit: 12, 12., .5
  bool Number(double& v) {
    const std::size_t first = p_;
    std::size_t digits = 0;
    while (p_ < s_.size() && IsDigit(s_[p_])) ++p_, ++digits;
    if (At(u'.')) {
      ++p_;
      while (p_ < s_.size() && IsDigit(s_[p_])) ++p_, ++digits;
    }
    if (digits == 0) return false;
    v = ReadNumber(s_.substr(first, p_ - first));
    return true;
  }

  // "[" expression "]"; with `arguments`, a list separated by ",".
  bool Bracket(double& v, bool arguments = false) {
    if (depth_ == kMaxDepth) return false;
    ++p_;
    ++depth_;
    if (!Sum(v)) return false;
    for (SkipBlanks(); arguments && At(u','); SkipBlanks()) {
      ++p_;
      double ignored;
      if (!Sum(ignored)) return false;
    }
    if (!At(u']')) return false;
    ++p_;
    --depth_;
    return true;
  }

  std::u16string_view s_;
  std::size_t p_;
  const bool names_;  // names may stand as operands outside brackets (after "=")
  int depth_ = 0;
  bool known_ = true;
};

// Where the text of a value that cannot be read ends: on from `pos` over value text, and
// inside brackets over everything up to the closing one, but never over a "(", which opens a
// comment the line walk must see.
std::size_t UnknownEnd(std::u16string_view line, std::size_t pos, int depth) {
  for (; pos < line.size(); ++pos) {
    const char16_t c = line[pos];
    if (c == u'(') break;
    if (c == u'[') {
      ++depth;
    } else if (c == u']') {
      if (depth > 0) --depth;
    } else if (depth == 0 && !IsValueText(c)) {
      break;
    }
  }
  return pos;
}

}  // namespace

std::size_t ReadWordValue(std::u16string_view line, std::size_t letter) {
  std::size_t end = letter + 1;
  while (end < line.size() && IsValueChar(line[end])) ++end;
  return end;
}

WordExpr ReadWordExpr(std::u16string_view line, std::size_t letter) {
  const bool equals = letter + 1 < line.size() && line[letter + 1] == u'=';
  const std::size_t keep = equals ? letter + 1 : letter;
  const std::size_t first = keep + 1;
  WordExpr e{keep, first, ValueKind::kNone, false, 0};
  // A bare letter ("X=" alone keeps its "="); a name after the "=" (X=VC1) is read below.
  if (first >= line.size()) return e;
  if (IsBlank(line[first])) {
    // "X  7.417": a control passes over the blanks and reads X7.417, where this program reads
    // a bare letter; the value is kept as written and no conversion takes it for absent.
    std::size_t p = first;
    while (p < line.size() && IsBlank(line[p])) ++p;
    if (p < line.size() && (IsValueText(line[p]) && line[p] != u']' && line[p] != u'=')) {
      e.end = UnknownEnd(line, p, 0);
      e.kind = ValueKind::kUnknown;
    }
    return e;
  }
  if (!IsValueText(line[first]) && !(equals && IsAddressLetter(line[first]))) return e;
  std::size_t length = 0;
  double value = 0;
  if (ReadPlainWord(line.substr(first), length, value)) {
    e.end = first + length;
    e.kind = ValueKind::kNumber;
    e.plain = true;
    e.value = value;
    return e;
  }
  ExprParser parser(line, first, equals);
  const bool parsed = parser.Value(value);
  if (!parsed || (parser.pos() < line.size() && IsValueText(line[parser.pos()]))) {
    e.end = UnknownEnd(line, parser.pos(), parser.depth());
    e.kind = ValueKind::kUnknown;
    return e;
  }
  e.end = parser.pos();
  const double limit = std::numeric_limits<float>::max();
  if (!parser.known() || !(std::fabs(value) <= limit)) {
    e.kind = ValueKind::kUnknown;
    return e;
  }
  e.kind = ValueKind::kNumber;
  e.plain = IsPlainNumber(line.substr(first, e.end - first));
  e.value = ShortFormValue(ToSingle(value));
  return e;
}

std::size_t ReadWordToken(std::u16string_view line, std::size_t first) {
  bool seen_value = false;
  std::size_t p = first;
  for (; p < line.size(); ++p) {
    const char16_t ch = line[p];
    if (IsBlank(ch)) break;
    if (IsValueChar(ch)) {
      seen_value = true;
    } else if (seen_value) {
      break;
    }
  }
  return p;
}

std::size_t SkipValueChars(std::u16string_view line, std::size_t p) {
  for (++p; p < line.size(); ++p) {
    if (!IsSkipChar(line[p])) break;
  }
  return std::min(p, line.size());
}

}  // namespace kestrum
