#include "convert/abs_inc.h"

namespace kestrum {

// Not built yet: passes the text through.
std::optional<std::u16string> ConvertAbsInc(std::u16string_view src, const AbsIncOptions&, Module1&,
                                            const Progress&) {
  return std::u16string(src);
}

}  // namespace kestrum
