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

// From C90. (forward in force), C270. is 180 degrees either way and gets " M16"; C300. then
// gets " M15". The code goes at the very end of the line, after any comment, unless the line
// leaves a comment open: then it goes before that comment's "(".
// progress(done, total) counts characters of the source; returning false stops the run, and
// the result is then empty, with InComment and DistanceMode as they were before the run.
std::u16string ConvertRotary(std::u16string_view src, const RotaryOptions& options, Module1& m,
                             const Progress& progress = {});

}  // namespace kestrum
