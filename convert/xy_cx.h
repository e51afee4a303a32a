// Cartesian X/Y positions to polar C (angle in degrees) / X (diameter) and back.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

enum class XyCxDirection { kToCx = 0, kToXy = 1 };

// G01X10.Y10.F200 -> G01C45.0X28.284F200 (to C/X): the C word takes the place of the first
// source word, the X word the place of the second. A word whose text equals the one written
// last is left out. Lines with a C word (to C/X) or a Y word (to X/Y) pass unchanged.
std::u16string ConvertXyCx(std::u16string_view src, XyCxDirection direction, Module1& m);

}  // namespace kestrum
