#include "convert/rotary.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "convert/coord_words.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"

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
  const std::size_t total = src.ends_with(u"\r\n") ? src.size() : src.size() + 2;

  OutBuffer out(src.size() + src.size() / 16 + 16);
  bool forward_in_force = true;  // taken to be in force before the first line
  double target = 0;
  double last = 0;
  m.DistanceMode = 90;
  const bool finished = ForEachLine(src, [&](std::u16string_view line) {
    m.GNumber = 0;
    double line_m = 0;                                // the last M word of the line
    std::size_t open_comment = std::u16string::npos;  // a "(" that the line does not close
    std::size_t i = m.InComment ? SkipComment(line, 0, m.InComment) : 0;
    while (i < line.size()) {
      const char16_t c = line[i];
      if (c == u'(') {
        const std::size_t at = i;
        i = SkipComment(line, i + 1, m.InComment);
        if (m.InComment) open_comment = at;
        continue;
      }
      if (c == u')' || IsInsideName(line, i)) {
        ++i;
      } else if (c == u'G') {
        i = ReadGWord(line, i, m).end;
      } else if (has_axis && c == axis) {
        const CoordWord word = ReadCoordWord(line, i);
        i = std::max(word.end, i + 1);
        if (!word.has_value) continue;
        double t = word.value;
        if (m.DistanceMode == 91) t += last;
        // One turn is taken off or added once: C450. is 90, C-30. is 330, C720. is 360.
        if (t > 360) t -= 360;
        if (t < 0) t += 360;
        target = t;
      } else if (c == u'M') {
        const CoordWord word = ReadCoordWord(line, i);
        i = std::max(word.end, i + 1);
        if (word.has_value) line_m = word.value;
        if (line_m == forward_code) {
          forward_in_force = true;
        } else if (line_m == reverse_code) {
          forward_in_force = false;
        }
      } else {
        ++i;
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
    const std::size_t done = static_cast<std::size_t>(line.data() - src.data()) + line.size() + 2;
    return !progress || progress(std::min(done, total), total);
  });
  if (!finished) {
    m.InComment = in_comment;
    m.DistanceMode = distance_mode;
    return {};
  }
  return out.Take();
}

}  // namespace kestrum
