// Absolute (G90) and incremental (G91) coordinates of X, Y and Z, and of the rotary axes A, B
// and C.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ncword/line_list.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"
#include "ncword/read_word.h"

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
//
// Positions the program does not tell are followed as unknown: after G28, G30 or G53 for the
// axes of that line, and after a word whose value cannot be known (X#1). A line that needs
// such a position keeps its words as written, between lines that set the source's distance
// mode around it: "G90" before and "G91" after it to incremental, the reverse to absolute.
// G53 lines (machine coordinates) and G10 lines (offset data, not a move) are kept the same
// way; G92 sets the followed position to its words, which stay as written.
class AbsIncConversion final : public LineConversion {
 public:
  // progress(lines_done, 0) after each line; returning false stops the run.
  AbsIncConversion(const AbsIncOptions& options, Module1& m, Progress progress = {});
  bool Line(std::u16string_view line, OutBuffer& out) override;
  void Finish(OutBuffer& out) override;
  std::u16string Report() const override;

 private:
  // One axis followed through the program; nothing where the position is unknown.
  struct Axis {
    bool single;  // Z keeps every position in single precision
    // The absolute position the source program has reached.
    std::optional<double> source;
    // The absolute position the written incremental program has reached: the sum of the
    // increments as written, after their rounding. The next increment is taken from here, so
    // that rounding to three or four decimals never adds up over a long program.
    std::optional<double> written;

    double Store(double v) const;
    void Forget() { source = written = std::nullopt; }
  };
  // An X, Y or Z word of the line being converted.
  struct AxisWord {
    Axis* axis;
    WordExpr expr;
    int mode;  // the source's distance mode at the word
  };

  Axis* AxisOf(char16_t letter);
  void Plan(std::u16string_view line);
  void Convert(AxisWord& word);
  void Keep(const AxisWord& word);
  void Header(std::u16string& out) const;
  void AppendPosition(std::u16string& text, char16_t letter, const Axis& axis) const;

  AbsIncOptions options_;
  Module1& m_;
  Progress progress_;
  Axis x_, y_, z_;
  Axis a_, b_, c_;  // the rotary axes, in degrees
  bool header_written_ = false;
  std::uint64_t line_number_ = 0;
  LineList unknown_;

  // The line being converted.
  std::vector<AxisWord> words_;
  std::vector<std::size_t> mode_words_;  // [start, end) of each G90 and G91 word, in pairs
  std::vector<std::size_t> text_ends_;   // the new value texts in texts_, by word
  std::u16string texts_;
  std::size_t open_comment_ = 0;  // the "(" of a comment the line leaves open, or npos
  std::u16string before_;         // the lines written before the line
  bool kept_ = false;             // the line keeps its words as written
  int kept_mode_ = 90;
  bool dwell_ = false, data_ = false, set_position_ = false, machine_ = false, reference_ = false;
};

// The whole text; nothing when progress stopped the run (InComment and DistanceMode are then
// as they were before it). *report receives the lines left as written for an unknown value.
std::optional<std::u16string> ConvertAbsInc(std::u16string_view src, const AbsIncOptions& options,
                                            Module1& m, const Progress& progress = {},
                                            std::u16string* report = nullptr);

}  // namespace kestrum
