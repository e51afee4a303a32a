// Unit change between 0.001 mm, 0.01 mm, mm and inch.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

enum class UnitMode {
  kMicrometresToMm = 0,  // "0.001 mm → 1 mm"
  kHundredthsToMm = 1,   // "0.01  mm → 1 mm"
  kInchToMm = 2,         // "  1 inch → 1 mm"
  kMmToInch = 3,         // "1 mm → 1 inch"
  kMmToMicrometres = 4,  // "1 mm → 0.001 mm"
  kMmToHundredths = 5,   // "1 mm → 0.01  mm"
};

std::u16string ConvertUnit(std::u16string_view src, UnitMode mode, Module1& m);

}  // namespace kestrum
