// Address words and the multi-letter names of macro statements.
#pragma once

#include <cstddef>
#include <string_view>

#include "ncword/numeric.h"

namespace kestrum {

// True when the letter at line[pos] follows another capital letter, so that it belongs to a name
// and is no address word of its own: the C of the variable VC1 (VC1=5 is an assignment, not
// a C axis move), the D of END1, the E of LE in IF[#1LE5], the X of the argument PX=10.
// Conversions that rewrite values leave such letters alone: scaling "VC1=5" would give
// "VC0.015", and a point after it ("VC1.=5") breaks the statement.
inline bool IsInsideName(std::u16string_view line, std::size_t pos) {
  return pos > 0 && IsAddressLetter(line[pos - 1]);
}

}  // namespace kestrum
