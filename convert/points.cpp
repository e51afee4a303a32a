#include "convert/points.h"

namespace kestrum {

// Not built yet: passes the text through.
std::u16string ConvertPoints(std::u16string_view src, PointMode, Module1&) {
  return std::u16string(src);
}

}  // namespace kestrum
