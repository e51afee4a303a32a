#include "convert/rotary.h"

namespace kestrum {

// Not built yet: passes the text through.
std::u16string ConvertRotary(std::u16string_view src, const RotaryOptions&, Module1&,
                             const Progress&) {
  return std::u16string(src);
}

}  // namespace kestrum
