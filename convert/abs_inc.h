// Absolute (G90) and incremental (G91) coordinates of X, Y and Z.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ncword/module1.h"
#include "ncword/scanner.h"

namespace kestrum {

struct AbsIncOptions {
  bool to_incremental = true;  // "G90→G91に変換"; false: "G91→G90に変換"
  std::u16string start_x;      // start position texts, read as their leading number
  std::u16string start_y;
  std::u16string start_z;
  bool start_comment = false;  // "(CONVERT START G90 X.. Y.. Z..)" before the header word
  bool end_comment = false;    // "(END POINT G90 X.. Y.. Z..)" at the end
  bool point = false;          // values with the mask "#####0.####" instead of FormatCoord
};

// G90G54G00X10.Y20. / Z5. / G01Z-1.F100 / X30. from 0,0,0 to incremental with `point`:
//   G91 / (G90)G54G00X10.Y20. / Z5. / G01Z-6.F100 / X20.
// progress(lines_done, 0) after each line; returning false stops the run: the result is then
// nothing at all, and InComment and DistanceMode are as they were before the run.
std::optional<std::u16string> ConvertAbsInc(std::u16string_view src, const AbsIncOptions& options,
                                            Module1& m, const Progress& progress = {});

}  // namespace kestrum
