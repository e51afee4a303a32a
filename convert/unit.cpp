#include "convert/unit.h"

namespace kestrum {

// Not built yet: passes the text through.
std::u16string ConvertUnit(std::u16string_view src, UnitMode, Module1&) {
  return std::u16string(src);
}

}  // namespace kestrum
