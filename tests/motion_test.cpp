#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "motion/compare.h"
#include "motion/interpreter.h"
#include "motion/relations.h"
#include "tests/motion_test_util.h"

namespace kestrum {
namespace {

using test::Calculator;
using test::PathOf;
using test::Program;
using test::U;
using test::Verdict;

constexpr double kNear = 1e-9;

// "X Y Z" of a position, unknown axes as "?".
std::string Xyz(const Position& p) {
  std::string s;
  for (int a = 0; a < 3; ++a) {
    if (a > 0) s += " ";
    if (!p.Known(a)) {
      s += "?";
      continue;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.4f", std::fabs(p.v[a]) < 5e-5 ? 0.0 : p.v[a]);
    s += buffer;
  }
  return s;
}

// The ends of a program's moves, one per move: "line: X Y Z".
std::vector<std::string> Ends(const std::vector<std::string>& lines,
                              const InterpreterOptions& options = Calculator()) {
  std::vector<std::string> ends;
  for (const Move& m : PathOf(Program(lines), options).moves) {
    ends.push_back(std::to_string(m.number()) + ": " + Xyz(m.end) +
                   (m.followed ? "" : " (not followed)"));
  }
  return ends;
}

using Lines = std::vector<std::string>;

TEST(Interpreter, PositionsOfLinearMoves) {
  const struct {
    Lines program;
    Lines ends;
  } rows[] = {
      {{"G90 G00 X10. Y20.", "G01 Z-1. F100", "X30."},
       {"1: 10.0000 20.0000 0.0000", "2: 10.0000 20.0000 -1.0000", "3: 30.0000 20.0000 -1.0000"}},
      // An incremental chain adds up; G90 in the middle of it goes back to positions.
      {{"G91 G01 X10 Y5", "X-3", "Y2.5", "G90 X0"},
       {"1: 10.0000 5.0000 0.0000", "2: 7.0000 5.0000 0.0000", "3: 7.0000 7.5000 0.0000",
        "4: 0.0000 7.5000 0.0000"}},
      // G92 sets the position without a move; the next move goes on from there.
      {{"G92 X100. Z50.", "G01 X110.", "G91 Z-5."},
       {"2: 110.0000 0.0000 50.0000", "3: 110.0000 0.0000 45.0000"}},
      // After G28 the named axes stand at the reference position, which is no position of
      // the program, until a word sets them again.
      {{"G91 G28 Z0", "G90 G00 X10. Y10.", "Z5.", "G91 G28 X0 Y0", "G90 G01 X1."},
       {"2: 10.0000 10.0000 ?", "3: 10.0000 10.0000 5.0000", "5: 1.0000 ? 5.0000"}},
      {{"G00 X5.", "G53 Z-10.", "G00 Y1.", "G00 Z2."},
       {"1: 5.0000 0.0000 0.0000", "3: 5.0000 1.0000 ?", "4: 5.0000 1.0000 2.0000"}},
      // G91 from an unknown position leaves it unknown.
      {{"G28 Z0", "G91 G01 Z-1.", "G90 Z3."}, {"2: 0.0000 0.0000 ?", "3: 0.0000 0.0000 3.0000"}},
      // Dwell times, offset data, comments and "%" move nothing.
      {{"%", "G00 X1.", "G04 X1.5", "G04 P1000", "(G01 X100.)", "G10 L2 P2 X50.", "Y2. (Y9.)"},
       {"2: 1.0000 0.0000 0.0000", "7: 1.0000 2.0000 0.0000"}},
      // A bracket expression of constants, with precedence.
      {{"G00 Z[100+5]", "X[2+3*4]", "Y[-2*[3+4]]"},
       {"1: 0.0000 0.0000 105.0000", "2: 14.0000 0.0000 105.0000", "3: 14.0000 -14.0000 105.0000"}},
      // A line feed ends a block on the control; the line index stays that of the CR LF line.
      {{"G01 X1.\nX2.\nY3.", "Z4."},
       {"1: 1.0000 0.0000 0.0000", "1: 2.0000 0.0000 0.0000", "1: 2.0000 3.0000 0.0000",
        "2: 2.0000 3.0000 4.0000"}},
      // Switching the work coordinate system leaves the tool where it was, which the new
      // system does not tell; the system in force already changes nothing.
      {{"G54 G00 X1. Y1. Z1.", "G55 X2.", "Y2. Z2."},
       {"1: 1.0000 1.0000 1.0000", "2: 2.0000 ? ?", "3: 2.0000 2.0000 2.0000"}},
      // Words that move nothing are passed over whole, however they are written.
      {{"N12345678 G00 X1. F[#1*2] S1000", "N12345679 Y2. T0101 M06 (X9.)", "G00 X3. Y3. Z3."},
       {"1: 1.0000 0.0000 0.0000", "2: 1.0000 2.0000 0.0000", "3: 3.0000 3.0000 3.0000"}},
      // A tool length offset: Z is known where the line sets it.
      {{"G00 Z10.", "G43 H1 Z50.", "G49", "X1."},
       {"1: 0.0000 0.0000 10.0000", "2: 0.0000 0.0000 50.0000", "4: 1.0000 0.0000 ?"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.program.front());
    EXPECT_EQ(Ends(row.program), row.ends);
  }
}

TEST(Interpreter, ValueWithoutPointByReading) {
  InterpreterOptions increments;
  increments.no_point = NoPoint::kIncrements;
  const struct {
    Lines program;
    bool fanuc_increments;
    Lines ends;
  } rows[] = {
      {{"G01 X12 Y12. Z-5"}, true, {"1: 0.0120 12.0000 -0.0050"}},
      {{"G01 X12 Y12. Z-5"}, false, {"1: 12.0000 12.0000 -5.0000"}},
      // Inches: 0.0001 inch is the least increment; a point means inches.
      {{"G20 G01 X10000 Y1.", "G21 X1."},
       true,
       {"1: 25.4000 25.4000 0.0000", "2: 1.0000 25.4000 0.0000"}},
      {{"G20 G01 X1 Y1.5"}, false, {"1: 25.4000 38.1000 0.0000"}},
      // An expression's value is in mm whatever the reading.
      {{"G00 X[12]"}, true, {"1: 12.0000 0.0000 0.0000"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.program.front());
    EXPECT_EQ(Ends(row.program, row.fanuc_increments ? increments : Calculator()), row.ends);
  }
  // Degrees in 0.001 steps.
  const auto path = PathOf(u"G00 A90000 B45.\r\n", increments);
  ASSERT_EQ(path.moves.size(), 1u);
  EXPECT_NEAR(path.moves[0].end.v[kA], 90, kNear);
  EXPECT_NEAR(path.moves[0].end.v[kB], 45, kNear);
}

TEST(Interpreter, ArcCentres) {
  const struct {
    std::string program;
    MoveKind kind;
    double cu, cv;  // in the plane's axes
    double radius_word;
  } rows[] = {
      {"G17 G02 X10. Y0 I5. J0", MoveKind::kArcCw, 5, 0, 0},
      {"G17 G03 X10. Y0 I5.", MoveKind::kArcCcw, 5, 0, 0},
      // A quarter by R: clockwise from 0,0 to 5,5 turns about 5,0; the larger arc by -R
      // about 0,5.
      {"G17 G02 X5. Y5. R5.", MoveKind::kArcCw, 5, 0, 5},
      {"G17 G02 X5. Y5. R-5.", MoveKind::kArcCw, 0, 5, -5},
      {"G17 G03 X5. Y5. R5.", MoveKind::kArcCcw, 0, 5, 5},
      // A half circle whose R was rounded short by a thousandth is still one.
      {"G17 G02 X10. Y0 R4.9995", MoveKind::kArcCw, 5, 0, 4.9995},
      // G18: the plane of Z and X, I and K; G19: Y and Z, J and K.
      {"G18 G02 X10. Z0 I5. K0", MoveKind::kArcCw, 0, 5, 0},
      {"G19 G03 Y0 Z10. J0 K5.", MoveKind::kArcCcw, 0, 5, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.program);
    const auto path = PathOf(U(row.program) + u"\r\n", Calculator());
    ASSERT_EQ(path.moves.size(), 1u);
    const Move& m = path.moves[0];
    const PlaneAxes p = AxesOf(m.plane);
    EXPECT_EQ(m.kind, row.kind);
    EXPECT_TRUE(m.centre_known);
    EXPECT_NEAR(m.centre[p.u], row.cu, 1e-3);
    EXPECT_NEAR(m.centre[p.v], row.cv, 1e-3);
    EXPECT_NEAR(m.radius_word, row.radius_word, kNear);
  }
  // A helix: the normal axis moves with the arc.
  const auto helix = PathOf(u"G17 G03 X0 Y0 Z-2. I5. J0\r\n", Calculator());
  ASSERT_EQ(helix.moves.size(), 1u);
  EXPECT_EQ(Xyz(helix.moves[0].end), "0.0000 0.0000 -2.0000");
  // R shorter than half the chord: no arc the control can make.
  const auto short_r = PathOf(u"G02 X10. Y0 R4.\r\nG01 X0\r\n", Calculator());
  ASSERT_EQ(short_r.unchecked.size(), 1u);
  EXPECT_EQ(short_r.unchecked[0].second, Unchecked::kArcNoCentre);
}

TEST(Interpreter, PolarCommand) {
  // FANUC G16: the first word of the plane is the radius, the second the angle.
  EXPECT_EQ(
      Ends({"G90 G17 G16", "G01 X10. Y90.", "Y180.", "G15 X3. Y4."}),
      (Lines{"2: 0.0000 10.0000 0.0000", "3: -10.0000 0.0000 0.0000", "4: 3.0000 4.0000 0.0000"}));
}

TEST(Interpreter, DirectedRotaryAxis) {
  InterpreterOptions o = Calculator();
  o.directed_axis = kC;
  const struct {
    Lines program;
    std::vector<double> c;
  } rows[] = {
      // Forward is in force at the start: C270. turns +270.
      {{"G00 C270."}, {270}},
      {{"G00 C270. M16"}, {-90}},
      {{"G00 C90.", "C300. M16", "C10. M15"}, {90, -60, 10}},
      // Angles modulo a turn; the same angle turns nothing.
      {{"G00 C450.", "C-270. M16"}, {90, 90}},
      // Under G91 the value's sign is the way.
      {{"G91 G00 C-30. M15"}, {-30}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.program.back());
    const auto path = PathOf(Program(row.program), o);
    ASSERT_EQ(path.moves.size(), row.c.size());
    for (std::size_t i = 0; i < row.c.size(); ++i) {
      EXPECT_NEAR(path.moves[i].end.v[kC], row.c[i], kNear) << i;
    }
  }
}

TEST(Interpreter, WhatItCannotFollow) {
  const struct {
    std::string line;
    Unchecked why;
    std::string after;  // X Y Z after "G00 X1. Y1. Z1." and the line
  } rows[] = {
      {"G01 X#1", Unchecked::kVariable, "? 1.0000 1.0000"},
      {"G01 X[#1+2] Y2.", Unchecked::kVariable, "? 2.0000 1.0000"},
      {"G01 X=VC1", Unchecked::kVariable, "? 1.0000 1.0000"},
      {"#1=5.", Unchecked::kAssignment, "1.0000 1.0000 1.0000"},
      {"#5221=-100.", Unchecked::kAssignment, "? ? ?"},
      {"VC1=5", Unchecked::kAssignment, "1.0000 1.0000 1.0000"},
      {"VZOFX[1]=-100.000", Unchecked::kAssignment, "? ? ?"},
      {"M98 P1000", Unchecked::kSubprogram, "? ? ?"},
      {"CALL O1000", Unchecked::kSubprogram, "? ? ?"},
      {"G65 P9010 A1.", Unchecked::kSubprogram, "? ? ?"},
      {"M99", Unchecked::kSubprogram, "? ? ?"},
      {"IF[#1GT5]GOTO10", Unchecked::kJump, "? ? ?"},
      {"WHILE[#1LT5]DO1", Unchecked::kJump, "? ? ?"},
      {"G81 X5. Y5. Z-3. R2.", Unchecked::kCycle, "? ? ?"},
      {"g1x10", Unchecked::kLowerCase, "? ? ?"},
      {"G33.1 Z-1. K0.05", Unchecked::kUnknownG, "1.0000 1.0000 ?"},
      {"X2. X3.", Unchecked::kRepeatedWord, "? 1.0000 1.0000"},
      {"/X5.", Unchecked::kBlockSkip, "? ? ?"},
      {"G01 U5.", Unchecked::kOtherAxis, "1.0000 1.0000 1.0000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line);
    InterpreterOptions o = Calculator();
    test::CollectedPath path;
    Interpreter interpreter(o, path);
    interpreter.Feed(u"G00 X1. Y1. Z1.");
    interpreter.Feed(U(row.line));
    ASSERT_FALSE(path.unchecked.empty());
    EXPECT_EQ(path.unchecked[0].first, 1u);
    EXPECT_EQ(path.unchecked[0].second, row.why);
    EXPECT_EQ(Xyz(interpreter.position()), row.after);
  }
  // The lines of a canned cycle are handed on as moves not followed, with what is known of
  // their ends; after its cancel the moves are followed again.
  EXPECT_EQ(
      Ends({"G81 X5. Y5. Z-3. R2.", "X6.", "G80", "G00 X0 Y0 Z10."}),
      (Lines{"1: ? ? ? (not followed)", "2: ? ? ? (not followed)", "4: 0.0000 0.0000 10.0000"}));
}

// --- comparison ---------------------------------------------------------------------------

CheckSpec Identical(double resolution = 0) {
  CheckSpec setup;
  setup.source = setup.result = Calculator();
  setup.relation.resolution = setup.relation.angle_resolution = resolution;
  return setup;
}

std::string Check(const Lines& source, const Lines& result, const CheckSpec& setup) {
  return Verdict(CheckPaths(Program(source), Program(result), setup));
}

TEST(PathComparer, IdenticalPaths) {
  const struct {
    Lines source, result;
    std::string verdict;
  } rows[] = {
      {{"G01 X1. Y2.", "X3."}, {"G01X1.Y2.", "X3."}, "same"},
      {{"G01 X1. Y2.", "X3."}, {"G01 X1. Y2.", "X3.001"}, "2/2"},
      // A move to where the tool stands moves nothing and is passed over on either side.
      {{"G01 X1.", "X1.", "X2."}, {"G01 X1.", "X2."}, "same"},
      {{"G00 X1.", "G01 X2."}, {"G00 X1.", "G00 X2."}, "2/2"},  // a rapid for a feed
      {{"G01 X1."}, {"G01 X1.", "X2."}, "1/2"},                 // the source has ended
      {{"G01 X1.", "X2."}, {"G01 X1."}, "2/1"},
      // An arc with the same ends but another centre.
      {{"G02 X10. I5."}, {"G02 X10. I5. J1."}, "1/1"},
      {{"G02 X10. R5."}, {"G02 X10. R6."}, "1/1"},
      {{"G02 X10. R5."}, {"G02 X10. R-5."}, "1/1"},
      // A move lost where the result stays put is named where it went missing, not at the
      // next move that ends elsewhere; a line left without a move leaves the result's next.
      {{"G01 X1.", "Y1.", "X2."}, {"G01 X1.", "G01 Y0", "X2."}, "2/2"},
      {{"G01 X1.", "Y1.", "X2."}, {"G01 X1.", "G01", "X2."}, "2/3"},
      {{"G01 X1.", "Y1.", "Y1.", "X2."}, {"G01 X1.", "Y1.", "G01 Y1.", "X2."}, "same"},
      // Also before a full circle, which ends where it starts.
      {{"G01 X1.", "X1.", "G02 I1."}, {"G01 X1.", "G02 I1."}, "same"},
      {{"G01 X1.", "X1.", "G02 I1."}, {"G01 X1.", "G02 I2."}, "3/2"},
      // And against one of another kind that moves nothing either.
      {{"G01 X1.", "G00 X1.", "G01 X1.", "X2."}, {"G01 X1.", "G00", "G01 X1.", "X2."}, "same"},
      {{"G01 X1.", "G00 X1.", "G01 X2."}, {"G01 X1.", "G01 X1.", "G01 X2."}, "same"},
      // So is a position written again after the last pair, on either side.
      {{"G01 X1.", "X2.", "X2."}, {"G01 X1.", "X2."}, "same"},
      {{"G01 X1.", "X2."}, {"G01 X1.", "X2.", "G00 X2."}, "same"},
      {{"G01 X1.", "X2.", "X2.", "X3."}, {"G01 X1.", "X2."}, "3/2"},  // named where it stayed
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result.back());
    EXPECT_EQ(Check(row.source, row.result, Identical()), row.verdict);
  }
}

TEST(PathComparer, ToleranceIsTheResolution) {
  // Rounded to three decimals: off by at most 0.0005.
  EXPECT_EQ(Check({"G01 X1.00049"}, {"G01 X1."}, Identical(0.0005)), "same");
  EXPECT_EQ(Check({"G01 X1.0006"}, {"G01 X1.001"}, Identical(0.0005)), "same");
  EXPECT_EQ(Check({"G01 X1.0006"}, {"G01 X1."}, Identical(0.0005)), "1/1");
  // Under G20 the resolution is in inches.
  EXPECT_EQ(Check({"G20 G01 X1.0004"}, {"G20 G01 X1.0"}, Identical(0.0005)), "same");
  // Eight significant digits are read at seven, and in a G91 chain what each word loses adds
  // up: where that outweighs the resolution, the moves are not compared.
  Lines source = {"G91 G01 X1234.5678"}, result = {"G90 G01 X1234.568"};
  for (int i = 2; i <= 10; ++i) {
    source.push_back("X1234.5678");
    result.push_back("X" + std::to_string(i * 1234.5678).substr(0, 9));
  }
  const CheckResult chain = CheckPaths(Program(source), Program(result), Identical(0.0005));
  EXPECT_TRUE(chain.same());
  EXPECT_EQ(chain.one_side, 10u);
  EXPECT_EQ(chain.source_reasons[static_cast<int>(Unchecked::kPrecision)].lines().size(), 10u);
  // Beyond even that, it is a difference.
  result.back() = "X12346.68";
  EXPECT_EQ(Check(source, result, Identical(0.0005)), "10/10");
  // A step under G91 is written at seven digits of its own size, which may be far larger
  // than where it ends: Z-5058.207 from Z5000.269 ends 0.0006 from -2.281 inch.
  const CheckSpec inches = UnitCheck(UnitMode::kInchToMm, {Dialect::kFanuc, NoPoint::kMm});
  EXPECT_EQ(Check({"G00 Z196.861", "G91 Z-199.142"}, {"G00 Z5000.269", "G91 Z-5058.207"}, inches),
            "same");
  // And so it stays until the next position: a move along X keeps Z where the step left it.
  EXPECT_EQ(Check({"G00 Z196.861", "G91 Z-199.142", "X1."},
                  {"G00 Z5000.269", "G91 Z-5058.207", "X25.4"}, inches),
            "same");
  EXPECT_EQ(Check({"G00 Z196.861", "G91 Z-199.142", "X1.", "G90 Z1."},
                  {"G00 Z5000.269", "G91 Z-5058.207", "X25.4", "G90 Z25.401"}, inches),
            "4/4");
  EXPECT_EQ(Check({"G00 Z196.861", "G91 Z-199.142"}, {"G00 Z5000.269", "G91 Z-5058.217"}, inches),
            "2/2");
  // Trailing zeros are no digits lost.
  EXPECT_EQ(CheckPaths(Program({"G01 X16.000000"}), Program({"G01 X16."}), Identical()).compared,
            1u);
}

TEST(PathComparer, Relations) {
  CheckSpec scale = Identical(0.0005);
  scale.relation.kind = RelationKind::kScale;
  scale.relation.scale = 25.4;
  EXPECT_EQ(Check({"G01 X1. Y-2.5"}, {"G01 X25.4 Y-63.5"}, scale), "same");
  EXPECT_EQ(Check({"G01 X1. Y-2.5"}, {"G01 X25.4 Y-63.51"}, scale), "1/1");

  CheckSpec polar = Identical(0.0005);
  polar.relation.kind = RelationKind::kXyToCx;
  polar.relation.angle_resolution = 0.0005;
  EXPECT_EQ(Check({"G01 X10. Y10. Z-1."}, {"G01 C45. X28.284 Z-1."}, polar), "same");
  EXPECT_EQ(Check({"G01 X-10. Y0"}, {"G01 C180. X20."}, polar), "same");
  EXPECT_EQ(Check({"G01 X10. Y10."}, {"G01 C45.01 X28.284"}, polar), "1/1");
  // A move shorter than the tolerance, paired on one side with a repeated position: its own
  // end lies up to twice the tolerance from where its path stood.
  EXPECT_EQ(Check({"G00 X177.257 Y177.257", "X177.257", "X177.254", "X100."},
                  {"G00 C45. X501.359", "G00", "X501.354", "C60.57 X407.038"}, polar),
            "same");
  polar.relation.kind = RelationKind::kCxToXy;
  EXPECT_EQ(Check({"G01 C90. X20."}, {"G01 X0 Y10."}, polar), "same");

  CheckSpec rotary = Identical();
  rotary.relation.kind = RelationKind::kRotary;
  rotary.relation.rotary_axis = kC;
  rotary.result.directed_axis = kC;
  // C270 from 0 is 90 degrees backwards: the result must say M16.
  EXPECT_EQ(Check({"G00 C270."}, {"G00 C270. M16"}, rotary), "same");
  EXPECT_EQ(Check({"G00 C270."}, {"G00 C270."}, rotary), "1/1");
  EXPECT_EQ(Check({"G00 C90.", "C300.", "C10."}, {"G00 C90.", "C300. M16", "C10. M15"}, rotary),
            "same");
  EXPECT_EQ(Check({"G00 C90.", "C300.", "C10."}, {"G00 C90.", "C300. M15", "C10."}, rotary), "2/2");
  // Half a turn is as short either way.
  EXPECT_EQ(Check({"G00 C180."}, {"G00 C180."}, rotary), "same");
  EXPECT_EQ(Check({"G00 C180."}, {"G00 C180. M16"}, rotary), "same");
}

TEST(PathComparer, UncheckedIsCountedNotJudged) {
  const CheckResult r =
      CheckPaths(Program({"G01 X1.", "X#1", "X2.", "G28 Y0", "X3."}),
                 Program({"G01 X1.", "X#1", "X2.", "G28 Y0", "X3. Y3."}), Identical());
  EXPECT_TRUE(r.same());
  // The result knows Y on its last line, the source does not.
  EXPECT_EQ(r.one_side, 1u);
  EXPECT_EQ(r.source_unchecked_lines, 1u);
  EXPECT_EQ(r.unchecked(), 2u);
  EXPECT_EQ(r.source_reasons[static_cast<int>(Unchecked::kVariable)].lines(),
            std::vector<std::uint64_t>{2});
  EXPECT_EQ(r.source_reasons[static_cast<int>(Unchecked::kOneSide)].lines(),
            std::vector<std::uint64_t>{5});
  EXPECT_EQ(r.compared, 2u);
}

TEST(PathComparer, DifferenceReportsBothPositions) {
  const CheckResult r =
      CheckPaths(Program({"G01 X1.", "Y2."}), Program({"(HEAD)", "G01 X1.", "Y2.5"}), Identical());
  ASSERT_FALSE(r.same());
  const PathDifference& d = *r.difference;
  EXPECT_EQ(d.what, PathDifference::What::kPosition);
  EXPECT_EQ(d.source.number(), 2u);
  EXPECT_EQ(d.result.number(), 3u);
  EXPECT_EQ(Xyz(d.source_own), "1.0000 2.0000 0.0000");
  EXPECT_EQ(Xyz(d.result_own), "1.0000 2.5000 0.0000");
  EXPECT_NEAR(d.distance, 0.5, kNear);
  EXPECT_EQ(r.compared, 1u);
}

}  // namespace
}  // namespace kestrum
