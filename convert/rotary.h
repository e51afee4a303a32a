// Shortest way of a rotary axis: direction M codes appended where the other way is shorter.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"
#include "ncword/scanner.h"

namespace kestrum {

struct RotaryOptions {
  std::u16string axis = u"C";      // compared with each character; not one character: no match
  std::u16string forward = u"15";  // M code numbers as typed, inserted as they stand
  std::u16string reverse = u"16";
};

// progress(done, total) counts characters of the text; returning false stops the run, and
// the result is then empty.
std::u16string ConvertRotary(std::u16string_view src, const RotaryOptions& options, Module1& m,
                             const Progress& progress = {});

}  // namespace kestrum
