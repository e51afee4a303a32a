#include "convert/unit.h"

#include <cmath>
#include <optional>

#include "convert/word_name.h"
#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"

namespace kestrum {
namespace {

// Millimetres per inch, and feet per metre for surface speeds (m/min <-> ft/min).
constexpr double kMmPerInch = 25.4;
constexpr double kFeetPerMetre = 3.28;
constexpr float kThousand = 1000.0f;
constexpr float kHundred = 100.0f;

bool IsInchMode(UnitMode mode) {
  return mode == UnitMode::kInchToMm || mode == UnitMode::kMmToInch;
}

// v * factor or v / factor, computed in double and kept in single precision like the value.
struct Scale {
  double factor = 1;
  bool divide = false;

  float Apply(float v) const {
    return ToSingle(divide ? static_cast<double>(v) / factor : static_cast<double>(v) * factor);
  }
};

Scale LengthScale(UnitMode mode) {
  switch (mode) {
    case UnitMode::kMicrometresToMm:
      return {kThousand, true};
    case UnitMode::kHundredthsToMm:
      return {kHundred, true};
    case UnitMode::kInchToMm:
      return {kMmPerInch, false};
    case UnitMode::kMmToInch:
      return {kMmPerInch, true};
    case UnitMode::kMmToMicrometres:
      return {kThousand, false};
    case UnitMode::kMmToHundredths:
      return {kHundred, false};
  }
  return {};
}

// E is a feed (thread lead, or feed of a dwell line): per revolution it is counted in
// 0.001 mm like a length, per minute in 0.1 mm, and on a G04 line in 0.01 mm.
Scale EScale(UnitMode mode, const Module1& m) {
  if (IsInchMode(mode)) return LengthScale(mode);
  const bool divide = mode == UnitMode::kMicrometresToMm || mode == UnitMode::kHundredthsToMm;
  const bool fine = mode == UnitMode::kMicrometresToMm || mode == UnitMode::kMmToMicrometres;
  double factor;
  if (m.GNumber == 4) {
    factor = fine ? 100 : 10;
  } else if (m.FeedMode == 95) {
    factor = fine ? kThousand : kHundred;
  } else {
    factor = fine ? 10 : 1;
  }
  return {factor, divide};
}

// True when the expression text of a word (the characters first .. last) is built of plain
// numbers: "10", "=-2.5", "[100+5", "10/4". "1,5", "." or "1.2.3" read as some other number,
// so such a word is left exactly as written instead of being rewritten with a wrong value.
bool IsPlainExpression(const Scanner& s, std::size_t first, std::size_t last) {
  std::size_t digits = 0;
  bool point = false;
  for (std::size_t p = first; p <= last; ++p) {
    const char16_t c = s.At(p);
    if (IsDigit(c)) {
      ++digits;
    } else if (c == u'.') {
      if (point) return false;
      point = true;
    } else if (c == u'+' || c == u'-' || c == u'*' || c == u'/') {
      if (point && digits == 0) return false;  // a lone "." before the operator
      digits = 0;
      point = false;
    } else if (c == u'=' ? p != first : c != u'[') {
      return false;
    }
  }
  return !(point && digits == 0);
}

// Reads the expression of the word whose letter NcPos stands on and returns its value, or
// nothing when the word is to stay as written (no value, or not a plain number). start is
// where the new value text goes: after the letter, or after an "=" that follows it, so that
// X=10+5 keeps its "=".
std::optional<float> ReadValue(Scanner& s, std::size_t& start) {
  const std::size_t letter = s.NcPos;
  start = letter < s.NcLineLen() && s.At(letter + 1) == u'=' ? letter + 1 : letter;
  ReadWordExpr(s);
  if (s.WordValue.empty() || !IsPlainExpression(s, letter + 1, s.NcPos)) return std::nullopt;
  // Z[100+5]: the read stops before "]"; the closing brackets belong to the value and are
  // replaced with it. An expression that goes on after them ([[1+2]*3]) was not read whole
  // and stays as written.
  std::size_t open = 0;
  for (std::size_t p = letter + 1; p <= s.NcPos; ++p) open += s.At(p) == u'[';
  for (std::size_t i = 1; i <= open; ++i) {
    if (s.NcPos + i > s.NcLineLen() || s.At(s.NcPos + i) != u']') return std::nullopt;
  }
  const float v = ToSingle(ReadNumber(s.WordValue));
  s.NcPos += open;
  return v;
}

class UnitRun {
 public:
  UnitRun(UnitMode mode, Module1& m) : mode_(mode), m_(m) {}

  void PerChar(Scanner& s, char16_t ch) {
    if (!IsAddressLetter(ch) || IsInsideName(s, s.NcPos)) return;
    switch (ch) {
      case u'G':
        ReadG(s);
        break;
      case u'A':
      case u'B':
      case u'C':
        // Rotary axes turn in degrees, which no change of length unit touches.
        if (!IsInchMode(mode_)) ConvertLengthWord(s);
        break;
      case u'D':
      case u'H':
      case u'I':
      case u'J':
      case u'K':
      case u'L':
      case u'R':
      case u'W':
      case u'Y':
      case u'Z':
        ConvertLengthWord(s);
        break;
      case u'E':
        ConvertEWord(s);
        break;
      case u'F':
      case u'U':
      case u'X':
        if (IsInchMode(mode_) && m_.GNumber == 4) {
          // After G04 the first of these is a dwell time, which mm to inch leaves alone.
          m_.GNumber = 1;
        } else {
          ConvertLengthWord(s);
        }
        break;
      case u'S':
        ConvertSWord(s);
        break;
      default:
        break;
    }
  }

 private:
  void ReadG(Scanner& s) {
    ReadWordValue(s);
    m_.GNumber = ReadNumber(s.WordValue);
    if (m_.GNumber == 94 || m_.GNumber == 98) {
      m_.FeedMode = 94;
    } else if (m_.GNumber == 95 || m_.GNumber == 99) {
      m_.FeedMode = 95;
    } else if (m_.GNumber == 96) {
      m_.SpindleMode = 96;
    } else if (m_.GNumber == 97) {
      m_.SpindleMode = 97;
    }
  }

  // G01X1000Y-500 -> G01X1.0Y-0.5 (0.001 mm to mm, FANUC style); X10 -> X0.3937 (mm to inch).
  void ConvertLengthWord(Scanner& s) {
    std::size_t start;
    const std::optional<float> v = ReadValue(s, start);
    if (!v) return;
    const float r = LengthScale(mode_).Apply(*v);
    s.Splice(start, mode_ == UnitMode::kMmToInch ? FormatCoord4(r) : FormatCoord(r, m_.OutDialect));
  }

  void ConvertEWord(Scanner& s) {
    std::size_t start;
    const std::optional<float> v = ReadValue(s, start);
    if (!v) return;
    s.Splice(start, FormatCoord(EScale(mode_, m_).Apply(*v), m_.OutDialect));
  }

  // A spindle speed in rev/min is the same in every unit; a surface speed (G96) changes
  // between m/min and ft/min, rounded down to whole units. Only the inch conversions touch S.
  void ConvertSWord(Scanner& s) {
    if (!IsInchMode(mode_)) {
      ReadWordExpr(s);
      return;
    }
    std::size_t start;
    std::optional<float> v = ReadValue(s, start);
    if (!v) return;
    if (m_.SpindleMode == 96) {
      const double speed = static_cast<double>(*v);
      v = ToSingle(
          std::floor(mode_ == UnitMode::kInchToMm ? speed / kFeetPerMetre : speed * kFeetPerMetre));
    }
    s.Splice(start, FormatCoord(*v, m_.OutDialect));
  }

  UnitMode mode_;
  Module1& m_;
};

}  // namespace

std::u16string ConvertUnit(std::u16string_view src, UnitMode mode, Module1& m) {
  m.FeedMode = 95;
  m.SpindleMode = 97;
  UnitRun run(mode, m);
  return WalkLines(
      src, m, [&run](Scanner& s, char16_t ch) { run.PerChar(s, ch); },
      [&m](Scanner&) { m.GNumber = 0; });
}

}  // namespace kestrum
