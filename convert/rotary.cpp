#include "convert/rotary.h"

#include <cstddef>
#include <string>

#include "convert/abs_inc.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {

std::u16string ConvertRotary(std::u16string_view src, const RotaryOptions& options, Module1& m,
                             const Progress& progress) {
  const bool in_comment = m.InComment;
  const int distance_mode = m.DistanceMode;
  // A typed code that is not a number still goes into the program as typed; compared with
  // the program's M words it counts as 0.
  const double forward_code = ReadNumber(options.forward);
  const double reverse_code = ReadNumber(options.reverse);
  const bool has_axis = options.axis.size() == 1;
  const char16_t axis = has_axis ? options.axis[0] : u'\0';

  Scanner s(src, m);
  std::u16string out;
  out.reserve(s.SrcText.size() + s.SrcText.size() / 16 + 16);
  bool forward_in_force = true;  // taken to be in force before the first line
  double target = 0;
  double last = 0;
  m.DistanceMode = 90;
  while (s.NextLine()) {
    m.GNumber = 0;
    double line_m = 0;             // the last M word of the line
    std::size_t open_comment = 0;  // a "(" that the line does not close
    for (s.NcPos = 1; s.NcPos <= s.NcLineLen(); ++s.NcPos) {
      const std::size_t pos = s.NcPos;
      const char16_t c = s.TakeChar();
      if (c == kNoChar && s.At(pos) == u'(') open_comment = pos;
      if (c == u')' || c == kNoChar) continue;
      if (c == u'G') {
        ReadGWord(s);
      } else if (has_axis && c == axis) {
        ReadWordExpr(s);
        if (s.WordValue.empty()) continue;
        double t = ReadNumber(s.WordValue);
        if (m.DistanceMode == 91) t += last;
        // One turn is taken off or added once: C450. is 90, C-30. is 330, C720. is 360.
        if (t > 360) t -= 360;
        if (t < 0) t += 360;
        target = t;
      } else if (c == u'M') {
        ReadWordExpr(s);
        if (!s.WordValue.empty()) line_m = ReadNumber(s.WordValue);
        if (line_m == forward_code) {
          forward_in_force = true;
        } else if (line_m == reverse_code) {
          forward_in_force = false;
        }
      }
    }
    const std::u16string* code = nullptr;
    if (target != last) {
      // Exactly half a turn counts as reverse.
      const double d = target - last;
      const bool forward_shorter = (d > 0 && d < 180) || d < -180;
      // A line that carries the needed code itself has set the direction while scanning.
      if (forward_shorter && !forward_in_force && line_m != forward_code) {
        code = &options.forward;
        forward_in_force = true;
      } else if (!forward_shorter && forward_in_force && line_m != reverse_code) {
        code = &options.reverse;
        forward_in_force = false;
      }
      last = target;
    }
    if (code && open_comment != 0) {
      // At the end of a comment that the line leaves open, the code would be comment too:
      // C270.(TURN -> C270. M16(TURN
      s.Insert(open_comment - 1, u" M" + *code);
      code = nullptr;
    }
    s.AppendLineTo(out);
    if (code) (out += u" M") += *code;
    out += u"\r\n";
    if (progress && !progress(s.TextPos - 1, s.SrcText.size())) {
      m.InComment = in_comment;
      m.DistanceMode = distance_mode;
      return {};
    }
  }
  return out;
}

}  // namespace kestrum
