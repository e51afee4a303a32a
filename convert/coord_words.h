// Words as the coordinate conversions (G90/G91, XY/CX, rotary) read them, straight from the
// text of a line.
#pragma once

#include <cstddef>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

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
CoordWord ReadCoordWord(std::u16string_view line, std::size_t letter);

}  // namespace kestrum
