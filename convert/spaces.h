// Blanks between words: one blank after each value, renumbering with spaced columns, or no
// blanks outside comments.
#pragma once

#include <string>
#include <string_view>

#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

enum class SpaceMode {
  kAddBlank = 0,      // G01X10.Y20. -> G01 X10. Y20.
  kRenumber = 1,      // N10G1X5 -> N000 G01 X5
  kRemoveBlanks = 2,  // G01 X10 (A B) Y20 -> G01X10(A B)Y20
};

class SpacesConversion final : public LineConversion {
 public:
  SpacesConversion(SpaceMode mode, Module1& m) : mode_(mode), m_(m) {}
  bool Line(std::u16string_view line, OutBuffer& out) override;

 private:
  void Renumber(std::u16string_view line, LineWriter& w);

  SpaceMode mode_;
  Module1& m_;
  std::u16string code_;  // the padded G or M number being written
};

std::u16string ConvertSpaces(std::u16string_view src, SpaceMode mode, Module1& m);

}  // namespace kestrum
