// The toolpath interpreter: a program's lines in, its moves out.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "motion/path.h"
#include "ncword/line_walk.h"

namespace kestrum {

enum class Dialect : std::uint8_t { kFanuc, kOsp };

// What a value without a decimal point means. FANUC controls read X12 as 12 least increments
// (0.012 mm, or 0.0012 inch under G20; 0.012 degrees on a rotary axis); OSP controls, and
// FANUC controls set to calculator-style input, read it as 12 mm.
enum class NoPoint : std::uint8_t { kMm, kIncrements };
constexpr NoPoint DefaultNoPoint(Dialect d) {
  return d == Dialect::kOsp ? NoPoint::kMm : NoPoint::kIncrements;
}

struct InterpreterOptions {
  Dialect dialect = Dialect::kFanuc;
  NoPoint no_point = NoPoint::kIncrements;
  Position start;  // 0, 0, 0 and every axis known
  // The distance mode before the program sets one: the G90/G91 conversion reads a program
  // it makes absolute as incremental from its first line.
  bool incremental = false;
  // The rotary axis whose absolute moves go the way the direction M codes say, as the
  // shortest-way conversion writes them (C90. M16: to 90 degrees turning backwards); -1 for
  // none. Under G91 the sign of the value says the way.
  int directed_axis = -1;
  double forward_code = 15;
  double reverse_code = 16;
};

// Follows a program line by line and hands its moves and the lines it cannot follow to a
// sink. It reads the words as the conversions do: capital letters outside comments, values
// through ReadWordExpr. A line feed inside a line ends a block, as it does on the control.
//
// What it follows: G00 to G03 with I/J/K or R (negative R: the larger arc), G17 to G19, G20
// and G21, G90 and G91, G92, G04 dwell words, G10 data, FANUC's polar command G16, the
// rotary axes A, B, C. After G28, G30, G53, a tool length offset without its axis, a tool
// change or a work coordinate switch, the positions concerned are unknown until a word sets
// them again. What it cannot follow (variables, calls, jumps, canned cycles, lower-case code,
// G codes it does not know) it reports as unchecked, and forgets the positions it may move.
class Interpreter final : public LineConversion {
 public:
  Interpreter(const InterpreterOptions& options, PathSink& sink);
  ~Interpreter() override;

  void Feed(std::u16string_view line);
  bool Line(std::u16string_view line, OutBuffer&) override {
    Feed(line);
    return true;
  }

  const Position& position() const { return pos_; }
  std::uint64_t lines() const { return line_; }

 private:
  struct Block;
  void Read(std::u16string_view block, Block& b);
  std::size_t ReadName(std::u16string_view s, std::size_t i, Block& b);
  void Run(Block& b);
  void Codes(Block& b);
  void Motion(Block& b);
  void ForgetAll();
  void Forget(std::uint8_t axes);
  void NotFollowed(Unchecked why) { sink_.OnUnchecked(line_, why); }
  void Blind(Unchecked why, std::uint8_t forget);
  double Length(double raw, bool point, bool rotary) const;

  InterpreterOptions options_;
  PathSink& sink_;
  std::unique_ptr<Block> block_;  // reused for every block

  std::uint64_t line_ = 0;  // index of the line being read
  bool in_comment_ = false;
  Position pos_;
  std::array<double, kAxisCount> uncertainty_{};
  std::array<double, kAxisCount> step_size_{};
  enum class Mode : std::uint8_t { kNone, kRapid, kFeed, kCw, kCcw };
  Mode mode_ = Mode::kNone;
  bool absolute_ = true;
  bool inch_ = false;
  Plane plane_ = Plane::kXY;
  bool cycle_ = false;       // a canned cycle is in force
  bool modal_call_ = false;  // G66: every move calls a macro
  bool polar_ = false;       // FANUC G16
  double polar_radius_ = 0, polar_angle_ = 0;
  int work_ = 1;              // the work coordinate system in force: G54 or OSP's G15 H1 is 1
  bool forward_ = true;       // the directed axis's forward code is in force
  bool tool_offset_ = false;  // a tool length offset is in force
  bool machine_ = false;      // OSP's G15 H0: moves go in machine coordinates
};

// The path of a whole text.
void Interpret(std::u16string_view text, const InterpreterOptions& options, PathSink& sink);

}  // namespace kestrum
