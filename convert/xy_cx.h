// Cartesian X/Y positions to polar C (angle in degrees) / X (diameter) and back.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"

namespace kestrum {

enum class XyCxDirection { kToCx = 0, kToXy = 1 };

std::u16string ConvertXyCx(std::u16string_view src, XyCxDirection direction, Module1& m);

}  // namespace kestrum
