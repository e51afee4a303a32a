// Shortest way of a rotary axis: direction M codes appended where the other way is shorter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ncword/line_list.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"

namespace kestrum {

struct RotaryOptions {
  std::u16string axis = u"C";      // compared with each character; not one character: no match
  std::u16string forward = u"15";  // M code numbers as typed, inserted as they stand
  std::u16string reverse = u"16";
};

// Whether an M code text can be appended to a line as it stands: a parenthesis would open or
// close a comment and a line break would split the line, so that moves after it no longer run.
bool IsInsertableMCode(std::u16string_view code);

// The message for an M code text that cannot be appended.
inline constexpr char16_t kMCodeRefused[] = u"Mコードに括弧や改行は使えません";

// From C90. (forward in force), C270. is 180 degrees either way and gets " M16"; C300. then
// gets " M15". The code goes at the very end of the line, after any comment, unless the line
// leaves a comment open: then it goes before that comment's "(". Where the axis's position
// cannot be known (C#1), no code is written and the line is listed in the report, as is the
// next move, whose shorter way cannot be told.
class RotaryConversion final : public LineConversion {
 public:
  // progress(characters done, total) after each line; returning false stops the run.
  RotaryConversion(const RotaryOptions& options, Module1& m, Progress progress = {},
                   std::size_t total = 0);
  bool Line(std::u16string_view line, OutBuffer& out) override;
  std::u16string Report() const override;

 private:
  const RotaryOptions options_;
  Module1& m_;
  Progress progress_;
  std::size_t total_;
  std::size_t done_ = 0;
  double forward_code_;
  double reverse_code_;
  bool forward_in_force_ = true;  // taken to be in force before the first line
  std::optional<double> target_ = 0.0;
  std::optional<double> last_ = 0.0;
  std::uint64_t line_number_ = 0;
  LineList unknown_;
};

// The whole text; with progress counting its characters. Empty when progress stopped the run
// (InComment and DistanceMode are then as they were before it).
std::u16string ConvertRotary(std::u16string_view src, const RotaryOptions& options, Module1& m,
                             const Progress& progress = {}, std::u16string* report = nullptr);

}  // namespace kestrum
