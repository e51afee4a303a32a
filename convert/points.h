// Decimal points on the dimension words (A to Z but O, N, P, Q, G, S, T, V, M).
#pragma once

#include <string>
#include <string_view>

#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

enum class PointMode {
  kAddPoint = 0,      // X10 -> X10.
  kAddPointZero = 1,  // X10 -> X10.0
  kRemove = 2,        // X10.0 -> X10
};

class PointsConversion final : public LineConversion {
 public:
  PointsConversion(PointMode mode, Module1& m) : mode_(mode), m_(m) {}
  bool Line(std::u16string_view line, OutBuffer& out) override;

 private:
  PointMode mode_;
  Module1& m_;
  std::u16string text_;  // the new value text of the word being rewritten
};

std::u16string ConvertPoints(std::u16string_view src, PointMode mode, Module1& m);

}  // namespace kestrum
