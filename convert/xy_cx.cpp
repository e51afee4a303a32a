#include "convert/xy_cx.h"

namespace kestrum {

// Not built yet: passes the text through.
std::u16string ConvertXyCx(std::u16string_view src, XyCxDirection, Module1&) {
  return std::u16string(src);
}

}  // namespace kestrum
