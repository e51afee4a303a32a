// The G word as the coordinate conversions (G90/G91, XY/CX, rotary) read it.
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

}  // namespace kestrum
