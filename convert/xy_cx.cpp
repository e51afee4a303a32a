#include "convert/xy_cx.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "convert/coord_words.h"
#include "ncword/format_coord.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

constexpr double kPi = 3.14159265358979;

}  // namespace

XyCxConversion::XyCxConversion(XyCxDirection direction, Module1& m)
    : to_cx_(direction == XyCxDirection::kToCx),
      source_{to_cx_ ? u'X' : u'C', to_cx_ ? u'Y' : u'X'},
      target_{to_cx_ ? u'C' : u'X', to_cx_ ? u'X' : u'Y'},
      blocker_(to_cx_ ? u'C' : u'Y'),
      m_(m) {
  m_.DistanceMode = 90;
}

bool XyCxConversion::Line(std::u16string_view line, OutBuffer& out) {
  ++line_number_;
  ScanLine(line);
  const bool present = place_[0].present() || place_[1].present();
  const bool known = !unknown_value_ && kept_[0] && kept_[1];
  if (present && !blocked_ && known) {
    Convert(line);
  } else {
    if (present && !blocked_) unknown_.Add(line_number_);
    // A C, X or Y that this run did not write moves the axis elsewhere: the next converted
    // line writes both its words again.
    if (touched_) written_[0] = written_[1] = false;
  }
  if (moved_elsewhere_) written_[0] = written_[1] = false;
  LineWriter w(line, out);
  for (const Edit& e : edits_) {
    w.Replace(e.from, e.to, e.text[0]);
    for (int k = 1; k < 4; ++k) {
      if (!e.text[k].empty()) w.Insert(e.to, e.text[k]);
    }
  }
  w.Finish();
  return true;
}

void XyCxConversion::ScanLine(std::u16string_view line) {
  m_.GNumber = 0;
  place_[0] = place_[1] = {};
  blocked_ = touched_ = unknown_value_ = moved_elsewhere_ = false;
  edits_.clear();
  ForEachWord(line, m_.InComment, [&](char16_t c, std::size_t i) -> std::size_t {
    if (c == u'G') {
      // Values of incremental lines are converted as they stand, as positions.
      const GWord g = ReadGWord(line, i, m_);
      if (g.sets_mode && m_.DistanceMode == 91) {
        edits_.push_back({i, i, {u"("}});
        edits_.push_back({g.end, g.end, {u")"}});
      }
      // A reference return, machine or other work coordinates, or a new origin: the words
      // of the next move are no repetition of where the tool stands.
      const double n = m_.GNumber;
      moved_elsewhere_ =
          moved_elsewhere_ || n == 28 || n == 30 || n == 52 || (n >= 53 && n <= 59.9) || n == 92;
      return g.end;
    }
    if (c == u'M') {
      const WordExpr word = ReadWordExpr(line, i);
      moved_elsewhere_ = moved_elsewhere_ || (word.has_value() && word.value == 6);  // M06
      return word.end;
    }
    if (c == u'X' && m_.GNumber == 4) return i + 1;  // G04X1.5: a dwell time, no position
    const WordExpr word = ReadWordExpr(line, i);
    if (c != source_[0] && c != source_[1] && c != blocker_) {
      return word.end;  // nothing in the value of another word is examined
    }
    touched_ = true;
    // A bare letter is no word: the line keeps it and is not converted for it.
    if (word.kind == ValueKind::kNone) return word.end;
    if (c == blocker_) {
      blocked_ = true;
    } else {
      const int k = c == source_[0] ? 0 : 1;
      place_[k] = {i, word.end};
      if (word.has_value()) {
        kept_[k] = word.value;
      } else {
        kept_[k].reset();
        unknown_value_ = true;
      }
    }
    return word.end;
  });
}

// G01X10.Y10.F200 -> G01 + C45.0 + "" + X28.284 + F200: prefix, first target word, middle,
// second target word, rest. A target word whose text is the one written last is left out.
void XyCxConversion::Convert(std::u16string_view line) {
  if (to_cx_) {
    ToCx(*kept_[0], *kept_[1]);
  } else {
    ToXy(*kept_[0], *kept_[1]);
  }
  // The letter and the text of each target word, both empty when it is left out.
  std::u16string_view word[2][2];
  for (int k = 0; k < 2; ++k) {
    if (written_[k] && Fresh(k) == texts_[k][last_[k]]) continue;
    last_[k] ^= 1;
    written_[k] = true;
    word[k][0] = std::u16string_view(&target_[k], 1);
    word[k][1] = texts_[k][last_[k]];
  }
  const bool first_is_0 =
      !place_[1].present() || (place_[0].present() && place_[0].start < place_[1].start);
  const WordPlace& first = place_[first_is_0 ? 0 : 1];
  const WordPlace& second = place_[first_is_0 ? 1 : 0];
  // To X/Y, a line that would begin with a lone blank before its Y word loses the blank.
  if (!to_cx_ && word[0][0].empty()) {
    const std::size_t middle = second.present() ? second.start - first.end : 0;
    if (first.start + middle == 1) {
      const std::size_t blank = first.start == 1 ? 0 : first.end;
      if (line[blank] == u' ') AddEdit({blank, blank + 1, {}});
    }
  }
  if (second.present()) {
    AddEdit({first.start, first.end, {word[0][0], word[0][1]}});
    AddEdit({second.start, second.end, {word[1][0], word[1][1]}});
  } else {
    AddEdit({first.start, first.end, {word[0][0], word[0][1], word[1][0], word[1][1]}});
  }
}

template <typename Value>
void XyCxConversion::SetFresh(int k, Value v) {
  std::u16string& text = Fresh(k);
  text.clear();
  AppendCoord(text, v, m_.OutDialect);
}

// Edits go in the order of their places in the line; of two at one place, the earlier stays
// first (a ")" inserted after G91 before the word that follows it).
void XyCxConversion::AddEdit(const Edit& e) {
  edits_.push_back(e);
  for (std::size_t k = edits_.size() - 1; k > 0 && edits_[k - 1].from > e.from; --k) {
    std::swap(edits_[k - 1], edits_[k]);
  }
}

// X/Y to angle and diameter. The angle lies in [0, 360); on the Y axis it is 90 or 270, and
// the origin, where any angle will do, gives 270.
void XyCxConversion::ToCx(double x, double y) {
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
  SetFresh(0, angle);
  SetFresh(1, diameter);
}

// Angle and diameter to X/Y. C0 is taken as 360, which is the same direction.
void XyCxConversion::ToXy(double c, double diameter) {
  const double a = (c > 0 ? c : c + 360) * kPi / 180;
  const double r = diameter / 2;
  SetFresh(0, r * std::cos(a));
  SetFresh(1, r * std::sin(a));
}

std::u16string XyCxConversion::Report() const { return unknown_.Message(kUnknownValueText); }

std::u16string ConvertXyCx(std::u16string_view src, XyCxDirection direction, Module1& m,
                           std::u16string* report) {
  XyCxConversion run(direction, m);
  return ConvertWhole(src, run, report);
}

}  // namespace kestrum
