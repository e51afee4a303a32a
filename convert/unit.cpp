#include "convert/unit.h"

#include <algorithm>
#include <cmath>

#include "ncword/format_coord.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

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

// True when the expression text of a word, line[first, end), is built of plain numbers: "10",
// "=-2.5", "[100+5", "10/4". "1,5", "." or "1.2.3" read as some other number, so such a word
// is left exactly as written instead of being rewritten with a wrong value. open receives
// the number of "[" in it.
bool IsPlainExpression(std::u16string_view line, std::size_t first, std::size_t end,
                       std::size_t& open) {
  std::size_t digits = 0;
  bool point = false;
  open = 0;
  for (std::size_t p = first; p < end; ++p) {
    const char16_t c = line[p];
    if (IsDigit(c)) {
      ++digits;
    } else if (c == u'.') {
      if (point) return false;
      point = true;
    } else if (c == u'+' || c == u'-' || c == u'*' || c == u'/') {
      if (point && digits == 0) return false;  // a lone "." before the operator
      digits = 0;
      point = false;
    } else if (c == u'[') {
      ++open;
    } else if (c != u'=' || p != first) {
      return false;
    }
  }
  return !(point && digits == 0);
}

enum class WordKind { kLength, kE, kS };

class UnitRun {
 public:
  UnitRun(UnitMode mode, Module1& m) : mode_(mode), m_(m) {}

  // Walks one line from index i. G words set the modes; the words of lengths, feeds and
  // speeds are rewritten.
  void Line(std::u16string_view line, LineWriter& w, std::size_t i) {
    m_.GNumber = 0;
    ForEachWord(line, i, m_.InComment,
                [&](char16_t letter, std::size_t at) { return WordAt(line, w, letter, at); });
  }

 private:
  // The word whose letter is line[at]: G words set the modes; the words of lengths, feeds and
  // speeds are rewritten. Returns where the walk goes on.
  std::size_t WordAt(std::u16string_view line, LineWriter& w, char16_t letter, std::size_t at) {
    switch (letter) {
      case u'G': {
        const std::size_t end = ValueEnd(line, at);
        SetMode(line.substr(at + 1, end - at - 1));
        return end;
      }
      case u'A':
      case u'B':
      case u'C':
        // Rotary axes turn in degrees, which no change of length unit touches.
        return IsInchMode(mode_) ? at + 1 : Word(line, w, at, WordKind::kLength);
      case u'D':
      case u'H':
        // Offset numbers (D01 radius, H01 length): a register, not a length. H01 must not
        // become H0.0394 or H1000.
        return at + 1;
      case u'I':
      case u'J':
      case u'K':
      case u'L':
      case u'R':
      case u'W':
      case u'Y':
      case u'Z':
        return Word(line, w, at, WordKind::kLength);
      case u'E':
        return Word(line, w, at, WordKind::kE);
      case u'F':
      case u'U':
      case u'X':
        if (IsInchMode(mode_) && m_.GNumber == 4) {
          // After G04 the first of these is a dwell time, which mm to inch leaves alone.
          m_.GNumber = 1;
          return at + 1;
        }
        return Word(line, w, at, WordKind::kLength);
      case u'S':
        // A spindle speed in rev/min is the same in every unit and stays as written; only a
        // surface speed (G96) changes, between m/min and ft/min.
        if (IsInchMode(mode_) && m_.SpindleMode == 96) return Word(line, w, at, WordKind::kS);
        return at + 1 + EvaluateWordExpr(line.substr(at + 1)).length;
      default:
        return at + 1;
    }
  }

  // G94 and G98: feed per minute; G95 and G99: per revolution; G96: constant surface speed;
  // G97: rev/min.
  void SetMode(std::u16string_view value) {
    m_.GNumber = ReadNumber(value);
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

  // The word whose letter is line[letter]; returns where the walk goes on. Its value is read
  // as the expression reader reads it and replaced, after the letter or after an "=" that
  // follows it, so that X=10+5 keeps its "=".
  std::size_t Word(std::u16string_view line, LineWriter& w, std::size_t letter, WordKind kind) {
    const std::size_t start =
        letter + 1 < line.size() && line[letter + 1] == u'=' ? letter + 1 : letter;
    const WordExpr e = EvaluateWordExpr(line.substr(letter + 1));
    const std::size_t end = letter + 1 + e.length;  // after the last character taken
    std::size_t open = 0;                           // none in a plain number
    if (!e.has_value || !(e.plain || IsPlainExpression(line, letter + 1, end, open))) {
      return std::max(end, letter + 1);
    }
    // Z[100+5]: the read stops before "]"; the closing brackets belong to the value and are
    // replaced with it. An expression that goes on after them ([[1+2]*3]) was not read whole
    // and stays as written.
    for (std::size_t i = 0; i < open; ++i) {
      if (end + i >= line.size() || line[end + i] != u']') return end;
    }
    w.Replace(start + 1, end + open, Text(kind, ToSingle(e.value)));
    return end + open;
  }

  // The new text of a word of this kind whose value is v.
  std::u16string_view Text(WordKind kind, float v) {
    number_.clear();
    switch (kind) {
      case WordKind::kLength:
        v = LengthScale(mode_).Apply(v);
        // Inches get four decimals: 0.0001 inch is the least increment of inch machines.
        if (mode_ == UnitMode::kMmToInch) {
          AppendCoord4(number_, v);
          return number_;
        }
        break;
      case WordKind::kE:
        v = EScale(mode_, m_).Apply(v);
        break;
      case WordKind::kS: {
        const double speed = static_cast<double>(v);
        v = ToSingle(std::floor(mode_ == UnitMode::kInchToMm ? speed / kFeetPerMetre
                                                             : speed * kFeetPerMetre));
        // A whole number in either style: FANUC controls reject a point in S (S1000.0 is an
        // alarm), and the speed has no fraction anyway.
        AppendCoord(number_, v, 1);
        return number_;
      }
    }
    AppendCoord(number_, v, m_.OutDialect);
    return number_;
  }

  UnitMode mode_;
  Module1& m_;
  std::u16string number_;  // the new value text of the word being rewritten
};

}  // namespace

std::u16string ConvertUnit(std::u16string_view src, UnitMode mode, Module1& m) {
  m.FeedMode = 95;
  m.SpindleMode = 97;
  UnitRun run(mode, m);
  return StreamLines(src, m, [&run](std::u16string_view line, LineWriter& w, std::size_t i) {
    run.Line(line, w, i);
  });
}

}  // namespace kestrum
