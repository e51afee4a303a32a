#include "convert/unit.h"

#include <cmath>

#include "ncword/format_coord.h"
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

}  // namespace

UnitConversion::UnitConversion(UnitMode mode, Module1& m) : mode_(mode), m_(m) {
  m_.FeedMode = 95;
  m_.SpindleMode = 97;
}

bool UnitConversion::Line(std::u16string_view line, OutBuffer& out) {
  ++line_number_;
  m_.GNumber = 0;
  LineWriter w(line, out);
  ForEachWord(line, m_.InComment,
              [&](char16_t letter, std::size_t at) { return Word(line, w, letter, at); });
  w.Finish();
  return true;
}

// The word whose letter is line[at]: G words set the modes; the words of lengths, feeds and
// speeds are rewritten. Returns where the walk goes on.
std::size_t UnitConversion::Word(std::u16string_view line, LineWriter& w, char16_t letter,
                                 std::size_t at) {
  switch (letter) {
    case u'G': {
      const std::size_t end = ReadWordValue(line, at);
      SetMode(ReadNumber(line.substr(at + 1, end - at - 1)));
      return end;
    }
    case u'A':
    case u'B':
    case u'C':
      // Rotary axes turn in degrees, which no change of length unit touches.
      return IsInchMode(mode_) ? at + 1 : Rewrite(line, w, at, Kind::kLength);
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
      return Rewrite(line, w, at, Kind::kLength);
    case u'E':
      return Rewrite(line, w, at, Kind::kE);
    case u'F':
    case u'U':
    case u'X':
      if (IsInchMode(mode_) && m_.GNumber == 4) {
        // After G04 the first of these is a dwell time, which mm to inch leaves alone.
        m_.GNumber = 1;
        return at + 1;
      }
      return Rewrite(line, w, at, Kind::kLength);
    case u'S':
      // A spindle speed in rev/min is the same in every unit and stays as written; only a
      // surface speed (G96) changes, between m/min and ft/min.
      if (IsInchMode(mode_) && m_.SpindleMode == 96) return Rewrite(line, w, at, Kind::kS);
      return ReadWordExpr(line, at).end;
    default:
      return at + 1;
  }
}

// G94 and G98: feed per minute; G95 and G99: per revolution; G96: constant surface speed;
// G97: rev/min.
void UnitConversion::SetMode(double g) {
  m_.GNumber = g;
  if (g == 90 || g == 91) {
    incremental_ = g == 91;
  } else if (g == 94 || g == 98) {
    m_.FeedMode = 94;
  } else if (g == 95 || g == 99) {
    m_.FeedMode = 95;
  } else if (g == 96) {
    m_.SpindleMode = 96;
  } else if (g == 97) {
    m_.SpindleMode = 97;
  }
}

// The word whose letter is line[letter]: its value replaced, after the letter or after an
// "=" that follows it, so that X=10+5 keeps its "=". A value that cannot be known stays as
// written, and the line is listed. Returns where the walk goes on.
std::size_t UnitConversion::Rewrite(std::u16string_view line, LineWriter& w, std::size_t letter,
                                    Kind kind) {
  const WordExpr e = ReadWordExpr(line, letter);
  const char16_t c = line[letter];
  Track* track = kind == Kind::kLength && c >= u'X' && c <= u'Z' ? &tracks_[c - u'X'] : nullptr;
  if (e.kind == ValueKind::kUnknown) {
    unknown_.Add(line_number_);
    if (track) track->known = false;
  }
  if (!e.has_value()) return e.end;
  const float v = ToSingle(e.value);
  if (!track || !incremental_ || !track->known) {
    const double written = Write(kind, Scaled(kind, v));
    if (track && !incremental_) *track = {true, e.value, written};
  } else {
    // An increment is written as the step between the positions written, so that the
    // rounding of each step never adds up over a long incremental program. The positions
    // add up the values as written (X-80.27 is -80.27, not its single-precision neighbour),
    // or the single-precision error, scaled, shows in the last digit: X-80269.99 for
    // X-80270. in micrometres.
    track->source += e.value;
    const Scale scale = LengthScale(mode_);
    const double exact = scale.divide ? track->source / scale.factor : track->source * scale.factor;
    track->written += Write(kind, ToSingle(SevenDigits(exact - track->written)));
  }
  w.Replace(e.keep + 1, e.end, number_);
  return e.end;
}

// The value of a word of this kind that was v in the source's unit.
float UnitConversion::Scaled(Kind kind, float v) const {
  switch (kind) {
    case Kind::kLength:
      return LengthScale(mode_).Apply(v);
    case Kind::kE:
      return EScale(mode_, m_).Apply(v);
    case Kind::kS: {
      const double speed = static_cast<double>(v);
      return ToSingle(
          std::floor(mode_ == UnitMode::kInchToMm ? speed / kFeetPerMetre : speed * kFeetPerMetre));
    }
  }
  return v;
}

// The text of a word of this kind whose new value is v, into number_; returns the value
// written.
double UnitConversion::Write(Kind kind, float v) {
  number_.clear();
  // Inches get four decimals: 0.0001 inch is the least increment of inch machines.
  if (kind == Kind::kLength && mode_ == UnitMode::kMmToInch) return AppendCoord4(number_, v);
  // A speed is a whole number in either style: FANUC controls reject a point in S (S1000.0
  // is an alarm), and the speed has no fraction anyway.
  return AppendCoord(number_, v, kind == Kind::kS ? 1 : m_.OutDialect);
}

std::u16string UnitConversion::Report() const { return unknown_.Message(kUnknownValueText); }

std::u16string ConvertUnit(std::u16string_view src, UnitMode mode, Module1& m,
                           std::u16string* report) {
  UnitConversion run(mode, m);
  return ConvertWhole(src, run, report);
}

}  // namespace kestrum
