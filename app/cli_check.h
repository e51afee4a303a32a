// The path check on the command line: `verify SOURCE RESULT`, `plot PROGRAM -o path.svg`, and
// `--verify` on the conversion commands, which checks a conversion's input against its output
// as the output streams.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "app/cli_args.h"
#include "motion/compare.h"
#include "motion/relations.h"
#include "ncword/line_walk.h"

namespace kestrum::cli {

// How a conversion command's --verify reads the programs: their dialect from --style, the
// meaning of a value without a point from --no-point (or the dialect's own).
ProgramReading ReadingOf(const Arguments& args, int out_dialect);

// A check fed the input and the output of one conversion as they stream: each side holds
// only the lines it is ahead by.
class StreamCheck {
 public:
  explicit StreamCheck(const CheckSpec& setup);
  ~StreamCheck();
  void Source(std::u16string_view piece);
  void Result(std::u16string_view piece);
  // After both have ended: the summary (and the reasons for lines not followed) to out;
  // false when the path changed.
  bool End(std::ostream& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One line: "same path: 10234 moves compared, 12 unchecked, largest deviation 0.0004 mm",
// or where the paths part, or that the relation judges nothing.
std::string Summary(const CheckResult& result);
// The lines not followed, by reason, one reason a line.
void PrintUnchecked(std::ostream& out, const CheckResult& result);

// The commands; each returns the exit status.
int VerifyCommand(const Arguments& args);
int PlotCommand(const Arguments& args);

}  // namespace kestrum::cli
