// Decimal points on the dimension words (A to Z but O, N, P, Q, G, S, T, V, M).
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

enum class PointMode {
  kAddPoint = 0,      // X10 -> X10.
  kAddPointZero = 1,  // X10 -> X10.0
  kRemove = 2,        // X10.0 -> X10
};

std::u16string ConvertPoints(std::u16string_view src, PointMode mode, Module1& m);

}  // namespace kestrum
