#include "convert/spaces.h"

namespace kestrum {

// Not built yet: passes the text through.
std::u16string ConvertSpaces(std::u16string_view src, SpaceMode, Module1&) {
  return std::u16string(src);
}

}  // namespace kestrum
