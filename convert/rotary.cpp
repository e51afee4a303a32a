#include "convert/rotary.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>

#include "convert/coord_words.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

// Where the axis stands within a turn, from 0 to 360: C450. is 90, C-30. is 330, C720. is 360
// and C360. stays 360. A target of more turns is taken to the same place (C1000. is 280,
// C-1000. is 80), or the shorter way from there would be judged against an angle the axis
// never reaches, and the code would send it the long way round.
double TurnAngle(double t) {
  if (t > 360) return t - 360 * std::ceil((t - 360) / 360);
  if (t < 0) return t + 360 * std::ceil(-t / 360);
  return t;
}

}  // namespace

RotaryConversion::RotaryConversion(const RotaryOptions& options, Module1& m, Progress progress,
                                   std::size_t total)
    : options_(options),
      m_(m),
      progress_(std::move(progress)),
      total_(total),
      // A typed code that is not a number still goes into the program as typed; compared
      // with the program's M words it counts as 0.
      forward_code_(ReadNumber(options.forward)),
      reverse_code_(ReadNumber(options.reverse)) {
  m_.DistanceMode = 90;
}

bool RotaryConversion::Line(std::u16string_view line, OutBuffer& out) {
  ++line_number_;
  m_.GNumber = 0;
  const bool has_axis = options_.axis.size() == 1;
  const char16_t axis = has_axis ? options_.axis[0] : u'\0';
  double line_m = 0;                                // the last M word of the line
  std::size_t open_comment = std::u16string::npos;  // a "(" that the line does not close
  bool unknown = false;                             // an axis word whose value is unknown
  WalkCode(
      line, m_.InComment,
      [&](std::size_t i) -> std::size_t {
        const char16_t c = line[i];
        if (c == u')' || IsInsideName(line, i)) return i + 1;
        if (c == u'G') return ReadGWord(line, i, m_).end;
        if (has_axis && c == axis) {
          const WordExpr word = ReadWordExpr(line, i);
          if (word.kind == ValueKind::kUnknown) unknown = true;
          if (!word.has_value()) return word.end;
          if (m_.DistanceMode == 91 && !last_) {
            target_.reset();  // a turn from an unknown place
            return word.end;
          }
          target_ = TurnAngle(m_.DistanceMode == 91 ? word.value + *last_ : word.value);
          return word.end;
        }
        if (c == u'M') {
          const WordExpr word = ReadWordExpr(line, i);
          if (word.has_value()) line_m = word.value;
          if (line_m == forward_code_) {
            forward_in_force_ = true;
          } else if (line_m == reverse_code_) {
            forward_in_force_ = false;
          }
          return word.end;
        }
        return i + 1;
      },
      [&](std::size_t open, std::size_t close) {
        if (open != std::u16string::npos && close == line.size()) open_comment = open;
      });
  if (unknown) target_.reset();
  const std::u16string* code = nullptr;
  if (target_ != last_) {
    if (!target_ || !last_) {
      // Where the axis stands or goes is not known, so neither is the shorter way.
      unknown_.Add(line_number_);
    } else {
      // Exactly half a turn counts as reverse.
      const double d = *target_ - *last_;
      const bool forward_shorter = (d > 0 && d < 180) || d < -180;
      // A line that carries the needed code itself has set the direction while scanning.
      if (forward_shorter && !forward_in_force_ && line_m != forward_code_) {
        code = &options_.forward;
        forward_in_force_ = true;
      } else if (!forward_shorter && forward_in_force_ && line_m != reverse_code_) {
        code = &options_.reverse;
        forward_in_force_ = false;
      }
    }
    last_ = target_;
  } else if (unknown) {
    unknown_.Add(line_number_);
  }
  // At the end of a comment that the line leaves open, the code would be comment too:
  // C270.(TURN -> C270. M16(TURN
  const std::size_t at = code ? std::min(open_comment, line.size()) : line.size();
  out.Put(line.substr(0, at));
  if (code) {
    out.Put(u" M");
    out.Put(*code);
  }
  out.Put(line.substr(at));
  out.Put(u"\r\n");
  done_ += line.size() + 2;
  return !progress_ || progress_(std::min(done_, total_), total_);
}

std::u16string RotaryConversion::Report() const { return unknown_.Message(kUnknownValueText); }

bool IsInsertableMCode(std::u16string_view code) {
  return code.find_first_of(u"()\r\n") == std::u16string_view::npos;
}

std::u16string ConvertRotary(std::u16string_view src, const RotaryOptions& options, Module1& m,
                             const Progress& progress, std::u16string* report) {
  const bool in_comment = m.InComment;
  const int distance_mode = m.DistanceMode;
  const std::size_t total = src.ends_with(u"\r\n") ? src.size() : src.size() + 2;
  RotaryConversion run(options, m, progress, total);
  std::u16string result;
  if (!ConvertWhole(src, run, result, report)) {
    m.InComment = in_comment;
    m.DistanceMode = distance_mode;
    return {};
  }
  return result;
}

}  // namespace kestrum
