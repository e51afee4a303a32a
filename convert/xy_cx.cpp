#include "convert/xy_cx.h"

#include <cmath>
#include <cstddef>

#include "convert/abs_inc.h"
#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"

namespace kestrum {
namespace {

constexpr double kPi = 3.14159265358979;

// Where a source word stands in the line: its letter and the last character of its value.
// start 0: the word is not on the line.
struct WordPlace {
  std::size_t start = 0;
  std::size_t end = 0;
};

// The target words of one converted line.
struct TargetTexts {
  std::u16string first;   // C (to C/X) or X (to X/Y)
  std::u16string second;  // X (to C/X) or Y (to X/Y)
};

// X/Y to angle and diameter. The angle lies in [0, 360); on the Y axis it is 90 or 270, and
// the origin, where any angle will do, gives 270.
TargetTexts ToCx(double x, double y, int out_dialect) {
  const float diameter = ToSingle(2 * std::sqrt(x * x + y * y));
  double angle;
  if (x == 0) {
    angle = y > 0 ? 90 : 270;
  } else {
    angle = std::atan(std::fabs(y) / std::fabs(x)) * 180 / kPi;
    if (x < 0 && y > 0) {
      angle = 180 - angle;
    } else if (x > 0 && y < 0) {
      angle = 360 - angle;
    } else if (x < 0 && y < 0) {
      angle = angle + 180;
    } else if (x < 0) {
      angle = 180;
    }
  }
  return {FormatCoord(angle, out_dialect), FormatCoord(diameter, out_dialect)};
}

// Angle and diameter to X/Y. C0 is taken as 360, which is the same direction.
TargetTexts ToXy(double c, double diameter, int out_dialect) {
  const double a = (c > 0 ? c : c + 360) * kPi / 180;
  const double r = diameter / 2;
  return {FormatCoord(r * std::cos(a), out_dialect), FormatCoord(r * std::sin(a), out_dialect)};
}

class XyCxRun {
 public:
  XyCxRun(XyCxDirection direction, Module1& m)
      : to_cx_(direction == XyCxDirection::kToCx),
        source_{to_cx_ ? u'X' : u'C', to_cx_ ? u'Y' : u'X'},
        target_{to_cx_ ? u'C' : u'X', to_cx_ ? u'X' : u'Y'},
        blocker_(to_cx_ ? u'C' : u'Y'),
        m_(m) {}

  std::u16string Run(std::u16string_view src) {
    Scanner s(src, m_);
    std::u16string out;
    out.reserve(s.SrcText.size() + s.SrcText.size() / 4 + 16);
    m_.DistanceMode = 90;
    while (s.NextLine()) {
      ScanLine(s);
      if ((place_[0].start != 0 || place_[1].start != 0) && !blocked_) {
        WriteConverted(s.Line(), out);
      } else {
        // A C, X or Y that this run did not write moves the axis elsewhere: the next
        // converted line writes both its words again.
        if (touched_) written_ = {};
        s.AppendLineTo(out);
      }
      out += u"\r\n";
    }
    return out;
  }

 private:
  void ScanLine(Scanner& s) {
    m_.GNumber = 0;
    place_[0] = place_[1] = {};
    blocked_ = touched_ = false;
    for (s.NcPos = 1; s.NcPos <= s.NcLineLen(); ++s.NcPos) {
      const std::size_t letter = s.NcPos;
      const char16_t c = s.TakeChar();
      if (c == u'G') {
        // Values of incremental lines are converted as they stand, as positions.
        if (ReadGWord(s) == 91) CommentOutWord(s, letter);
      } else if (c == u'X' && InDwell(s)) {
        // G04X1.5: a dwell time, not a position.
      } else if (c == source_[0] || c == source_[1]) {
        touched_ = true;
        const int i = c == source_[0] ? 0 : 1;
        ReadWordExpr(s);
        // A bare letter is no word: the line keeps it and is not converted for it.
        if (s.WordValue.empty()) continue;
        place_[i] = {letter, s.NcPos};
        kept_[i] = ReadNumber(s.WordValue);
      } else if (c == blocker_) {
        touched_ = true;
        ReadWordExpr(s);
        if (!s.WordValue.empty()) blocked_ = true;
      }
    }
  }

  // G01X10.Y10.F200 -> G01 + C45.0 + "" + X28.284 + F200: prefix, first target word, middle,
  // second target word, rest.
  void WriteConverted(const std::u16string& line, std::u16string& out) {
    const TargetTexts texts =
        to_cx_ ? ToCx(kept_[0], kept_[1], m_.OutDialect) : ToXy(kept_[0], kept_[1], m_.OutDialect);
    const bool x_first =
        place_[1].start == 0 || (place_[0].start != 0 && place_[0].start < place_[1].start);
    const WordPlace& first = x_first ? place_[0] : place_[1];
    const WordPlace& second = x_first ? place_[1] : place_[0];
    const std::size_t line_start = out.size();
    out.append(line, 0, first.start - 1);
    if (texts.first != written_.first) (out += target_[0]) += texts.first;
    std::size_t last_end = first.end;
    if (second.start != 0) {
      out.append(line, first.end, second.start - 1 - first.end);
      last_end = second.end;
    }
    // To X/Y, a line that would begin with a lone blank before its Y word loses the blank.
    if (!to_cx_ && out.size() == line_start + 1 && out.back() == u' ') out.pop_back();
    if (texts.second != written_.second) (out += target_[1]) += texts.second;
    out.append(line, last_end);
    written_ = texts;
  }

  const bool to_cx_;
  const char16_t source_[2];  // X, Y (to C/X) or C, X (to X/Y)
  const char16_t target_[2];  // C, X (to C/X) or X, Y (to X/Y)
  const char16_t blocker_;    // a valued word of this letter leaves the line as it is
  Module1& m_;

  double kept_[2] = {0, 0};  // the source words' last values, carried from line to line
  TargetTexts written_;      // the target words' texts as last written
  WordPlace place_[2];       // per line
  bool blocked_ = false;     // per line
  bool touched_ = false;     // per line: a source or blocking letter outside comments
};

}  // namespace

std::u16string ConvertXyCx(std::u16string_view src, XyCxDirection direction, Module1& m) {
  return XyCxRun(direction, m).Run(src);
}

}  // namespace kestrum
