// Words as the coordinate conversions (G90/G91, XY/CX, rotary) read and write them, straight
// from the text of a line. Each function gives exactly what the scanner, the expression reader
// and FormatCoord give; the common cases are done on integers, the rest by those.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "convert/fast_number.h"
#include "convert/line_stream.h"
#include "ncword/module1.h"

namespace kestrum {

// Calls line_fn(line) for each line of src: src cut at CR LF, with a CR LF added when src does
// not end in one (an empty source is one empty line). line_fn returns false to stop; then
// ForEachLine returns false too.
template <typename LineFn>
bool ForEachLine(std::u16string_view src, LineFn&& line_fn) {
  const bool ends_with_crlf = src.ends_with(u"\r\n");
  std::size_t pos = 0;
  while (pos < src.size() || (pos == src.size() && !ends_with_crlf)) {
    const std::size_t end = FindCrLf(src, pos);
    if (!line_fn(src.substr(pos, end - pos))) return false;
    pos = end + 2;
  }
  return true;
}

// The G word whose letter is line[letter]: GNumber = its number; G90 and G91 switch
// DistanceMode. end is the index after its value.
struct GWord {
  std::size_t end;
  bool sets_mode;  // G90 or G91 (also G090, G90.0)
};
GWord ReadGWord(std::u16string_view line, std::size_t letter, Module1& m);

// The word whose letter is line[letter], its value read as the expression reader reads it
// (X-12.5, X=10., Z[100+5], X1+2*3: strictly left to right, in single precision).
struct CoordWord {
  std::size_t keep;  // the new value goes after line[keep]: the letter, or an "=" after it
  std::size_t end;   // after the last character taken, closing brackets of the value included
  bool has_value;    // false for "X " or "X#101": the word stays as written
  double value;
};
CoordWord ReadCoordWord(std::u16string_view line, std::size_t letter, Module1& m);

// A number text for a line, with the value the machine reads from it. Set in place: a run
// formats millions of them.
class CoordText {
 public:
  // FormatCoord(v, out_dialect): "12" (style 1) or "12.0" (style 2).
  void SetCoord(double v, int out_dialect);
  void SetCoord(float v, int out_dialect);
  // The mask "#####0.####": "12.", "-0.25", "1.2346".
  void SetPointMask(double v);

  std::u16string_view view() const { return slow_.empty() ? fast_.view() : slow_; }
  double value() const;

 private:
  NumberText fast_;
  std::u16string slow_;  // beyond the range done on integers
  mutable std::optional<double> value_;
};

}  // namespace kestrum
