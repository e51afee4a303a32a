// Blanks between words: one blank after each value, renumbering with spaced columns, or no
// blanks outside comments.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

enum class SpaceMode {
  kAddBlank = 0,      // G01X10.Y20. -> G01 X10. Y20.
  kRenumber = 1,      // N10G1X5 -> N000 G01 X5
  kRemoveBlanks = 2,  // G01 X10 (A B) Y20 -> G01X10(A B)Y20
};

std::u16string ConvertSpaces(std::u16string_view src, SpaceMode mode, Module1& m);

}  // namespace kestrum
