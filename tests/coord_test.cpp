#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/coord_words.h"
#include "convert/rotary.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "ncword/format_coord.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "tests/program_positions.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;
using test::Utf8;

// Lines joined with CR LF, each line ended.
std::u16string Program(const std::vector<std::string>& lines) {
  std::u16string text;
  for (const auto& line : lines) text += U(line) + u"\r\n";
  return text;
}

AbsIncOptions ToInc(bool point = true) {
  AbsIncOptions o;
  o.to_incremental = true;
  o.point = point;
  return o;
}

AbsIncOptions ToAbs(bool point = true) {
  AbsIncOptions o = ToInc(point);
  o.to_incremental = false;
  return o;
}

std::u16string AbsInc(const std::vector<std::string>& lines, const AbsIncOptions& o,
                      int style = 2) {
  Module1 m;
  m.OutDialect = style;
  return ConvertAbsInc(Program(lines), o, m).value();
}

const std::vector<std::string> kExampleA = {
    "O0001", "G90G54G00X10.Y20.", "Z5.", "G01Z-1.F100", "X30.", "M30",
};

TEST(ConvertAbsInc, WorkedExampleToIncremental) {
  EXPECT_EQ(AbsInc(kExampleA, ToInc()),
            Program({"O0001", "G91", "(G90)G54G00X10.Y20.", "Z5.", "G01Z-6.F100", "X20.", "M30"}));
}

TEST(ConvertAbsInc, WorkedExampleToAbsolute) {
  // The G90 of the second line switches the source to absolute before its X word.
  EXPECT_EQ(AbsInc(kExampleA, ToAbs()),
            Program({"O0001", "G90", "(G90)G54G00X10.Y20.", "Z5.", "G01Z-1.F100", "X30.", "M30"}));
  EXPECT_EQ(AbsInc({"G91G00X10.Y20.", "X5."}, ToAbs()),
            Program({"G90", "(G91)G00X10.Y20.", "X15."}));
}

TEST(ConvertAbsInc, HeaderAndCommentLines) {
  AbsIncOptions o = ToInc(false);
  o.start_x = u"5";
  o.start_y = u"-2.5";
  o.start_z = u"100";
  o.start_comment = true;
  o.end_comment = true;
  EXPECT_EQ(AbsInc({"%", "(PART 7)", "G00X10.Y0", "Z50."}, o),
            Program({"%", "(PART 7)", "(CONVERT START G90 X5.0 Y-2.5 Z100.0)", "G91", "G00X5.0Y2.5",
                     "Z-50.0", "(END POINT G90 X10.0 Y0.0 Z50.0)"}));
  EXPECT_EQ(AbsInc({"%", "G00X10.Y0", "Z50."}, o, 1),
            Program({"%", "(CONVERT START G90 X5 Y-2.5 Z100)", "G91", "G00X5Y2.5", "Z-50",
                     "(END POINT G90 X10 Y0 Z50)"}));
  // Nothing moves: no header, no start comment; the end comment shows the start.
  EXPECT_EQ(AbsInc({"M30", "X (EMPTY)"}, o),
            Program({"M30", "X (EMPTY)", "(END POINT G90 X5.0 Y-2.5 Z100.0)"}));
  EXPECT_EQ(AbsInc({}, o), u"\r\n(END POINT G90 X5.0 Y-2.5 Z100.0)\r\n");
  // The source's last line gets its CR LF.
  Module1 m;
  EXPECT_EQ(ConvertAbsInc(u"X1.", ToInc(), m).value(), u"G91\r\nX1.\r\n");
}

TEST(ConvertAbsInc, RewritesOnlyCoordinateValues) {
  const struct {
    bool to_inc;
    const char* src;
    const char* out;
  } rows[] = {
      {true, "G02X20.Y0I10.J0R10.F300S900", "G02X20.Y0.I10.J0R10.F300S900"},
      {false, "X10", "X10."},    // the mask writes the point even when the value stays
      {true, "X=10.", "X=10."},  // the "=" stays, only the value is rewritten
      // "X 10." is X10. to a control: kept as written, in the source's distance mode.
      {true, "X 10.Y5.", "G90\r\nX 10.Y5.\r\nG91"},
      // A variable is left as written, in the source's distance mode.
      {true, "X#101Y5.", "G90\r\nX#101Y5.\r\nG91"},
      {true, "x10.y5.g91", "x10.y5.g91"},
      {true, "Z[100+5]", "Z105."},  // the bracket the value opened goes with it
      {true, "X1+2*3", "X7."},
      {true, "G04X1.5", "G04X1.5"},  // a dwell time, not a position
      {true, "G4X2.Y3.", "G4X2.Y3."},
      {true, "X1.5G04", "X1.5G04"},
      {true, "X-.25", "X-0.25"},
      {true, "X0.00004", "X0."},
      // A letter after a capital belongs to a name: the X of MAX is no axis word.
      {true, "#1=MAX[2,3]X1.", "#1=MAX[2,3]X1."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    const std::u16string out = AbsInc({row.src}, row.to_inc ? ToInc() : ToAbs());
    const std::u16string header = row.to_inc ? u"G91\r\n" : u"G90\r\n";
    std::u16string body = out.starts_with(header) ? out.substr(header.size()) : out;
    EXPECT_EQ(Utf8(body), std::string(row.out) + "\r\n");
  }
}

// Positions the program does not tell: after G28/G30/G53 for the axes of that line, and
// after a value that cannot be known. A line that needs such a position keeps its words, in
// the source's distance mode set on lines of its own; G53 and G10 lines are kept the same
// way, G92 sets the position, and the end comment leaves out what is unknown.
TEST(ConvertAbsInc, UnknownPositionsAreNeverGuessed) {
  const std::vector<std::string> src = {
      "G90 G00 X10. Y20. Z5.",
      "G28 Z0.",
      "G01 X15. Z2.",
      "X20.",
      "G53 Z0.",
      "G10 L2 P1 X-100.",
      "G92 X0 Y0",
      "X5.",
      "G91 G28 Z0.",
      "G01 Z-1.",
      "X[#1]",
      "X1.",
  };
  AbsIncOptions to_inc = ToInc();
  to_inc.end_comment = true;
  EXPECT_EQ(AbsInc(src, to_inc), Program({"G91",          "(G90) G00 X10. Y20. Z5.",
                                          "G28 Z-5.",     "G90",
                                          "G01 X15. Z2.", "G91",
                                          "X5.",          "G90",
                                          "G53 Z0.",      "G91",
                                          "G90",          "G10 L2 P1 X-100.",
                                          "G91",          "G92 X0 Y0",
                                          "X5.",          "(G91) G28 Z0.",
                                          "G01 Z-1.",     "X[#1]",
                                          "X1.",          "(END POINT G90 Y0.0)"}));
  AbsIncOptions to_abs = ToAbs();
  to_abs.end_comment = true;
  EXPECT_EQ(AbsInc(src, to_abs), Program({"G90",
                                          "(G90) G00 X10. Y20. Z5.",
                                          "G28 Z0.",
                                          "G01 X15. Z2.",
                                          "X20.",
                                          "G53 Z0.",
                                          "G10 L2 P1 X-100.",
                                          "G92 X0 Y0",
                                          "X5.",
                                          "G91",
                                          "(G91) G28 Z0.",
                                          "G90",
                                          "G91",
                                          "G01 Z-1.",
                                          "G90",
                                          "G91",
                                          "X[#1]",
                                          "G90",
                                          "G91",
                                          "X1.",
                                          "G90",
                                          "(END POINT G90 Y0.0)"}));
  Module1 m;
  std::u16string report;
  ASSERT_TRUE(ConvertAbsInc(Program(src), to_inc, m, {}, &report));
  EXPECT_EQ(Utf8(report), "式の値が分からないため変換していないワードがあります: 11 行");
}

// Rotary words follow the distance mode like X, Y and Z: left as written under the header of
// the other mode, C180. would turn the axis by 180 degrees instead of to 180.
TEST(ConvertAbsInc, RotaryAxesFollowTheModeToo) {
  EXPECT_EQ(
      AbsInc({"G90 G00 C90. X1.", "C180.", "A-30. B10.", "G91 C-90.", "G90 C0"}, ToInc()),
      Program({"G91", "(G90) G00 C90. X1.", "C90.", "A-30. B10.", "(G91) C-90.", "(G90) C-90."}));
  EXPECT_EQ(AbsInc({"G91 G00 C90. X1.", "C180.", "G90 C45."}, ToAbs()),
            Program({"G90", "(G91) G00 C90. X1.", "C270.", "(G90) C45."}));
}

// The report of each conversion that needs values: the lines, at most twenty, then "…".
TEST(CoordReports, ListTheLinesLeftAsWritten) {
  std::vector<std::string> many;
  for (int i = 0; i < 50; ++i) many.push_back(i % 2 ? "X#1" : "X1.");
  std::string first_twenty;
  for (int line = 2; line <= 40; line += 2) first_twenty += std::to_string(line) + ", ";
  const std::string prefix = "式の値が分からないため変換していないワードがあります: ";
  Module1 m;
  std::u16string report;
  ConvertUnit(Program(many), UnitMode::kMmToMicrometres, m, &report);
  EXPECT_EQ(Utf8(report), prefix + first_twenty + "… 行");
  ConvertXyCx(Program({"X1.Y1.", "X1,5", "Y2.", "X3."}), XyCxDirection::kToCx, m, &report);
  EXPECT_EQ(Utf8(report), prefix + "2, 3 行");  // Y2. needs the X that X1,5 did not tell
  ConvertRotary(Program({"C90.", "C[#1]", "C270.", "C300."}), {}, m, {}, &report);
  EXPECT_EQ(Utf8(report), prefix + "2, 3 行");  // from an unknown place no way is shorter
  ConvertUnit(Program({"X1.", "(X#1)"}), UnitMode::kMmToMicrometres, m, &report);
  EXPECT_EQ(report, u"");
}

TEST(ConvertAbsInc, ModeWordsFollowScanOrder) {
  // Mid-line change: X is absolute, Y after the G91 is incremental.
  EXPECT_EQ(AbsInc({"X5.Y5.", "X10.G91Y5.", "G90Y0"}, ToInc()),
            Program({"G91", "X5.Y5.", "X5.(G91)Y5.", "(G90)Y-10."}));
  // A mode word inside a comment neither switches the mode nor is wrapped again: "((G90)"
  // would close the comment early and let " MODE)" into the program.
  EXPECT_EQ(AbsInc({"(G90 MODE)G91X1.", "X1.", "(SET G91", "X2.)X1."}, ToAbs()),
            Program({"G90", "(G90 MODE)(G91)X1.", "X2.", "(SET G91", "X2.)X3."}));
  // A live mode word behind a commented one is still turned into a comment.
  EXPECT_EQ(AbsInc({"(G90)G90X1."}, ToInc()), Program({"G91", "(G90)(G90)X1."}));
  // G90.1 and G91.1 (arc centre modes) are other words and stay as written.
  EXPECT_EQ(AbsInc({"G91.1X1.", "G90.0X2."}, ToInc()), Program({"G91", "G91.1X1.", "(G90.0)X1."}));
  // Every mode word of a line, not just the first G90 and G91.
  EXPECT_EQ(AbsInc({"G91X1.G91X1."}, ToAbs()), Program({"G90", "(G91)X1.(G91)X2."}));
}

TEST(ConvertAbsInc, CommentLeftOpenCarriesAcrossLinesAndRuns) {
  Module1 m;
  const std::u16string src = Program({"X1.", "(NOTE", "X5.", "END) X7.", "(OPEN", "X9."});
  EXPECT_EQ(ConvertAbsInc(src, ToInc(), m).value(),
            Program({"G91", "X1.", "(NOTE", "X5.", "END) X6.", "(OPEN", "X9."}));
  EXPECT_TRUE(m.InComment);
  // The next run starts inside the comment: the header goes after it, not into it.
  EXPECT_EQ(ConvertAbsInc(u"X3.)X4.", ToInc(), m).value(), u"X3.)\r\nG91\r\nX4.\r\n");
  // A line that leaves a comment open gets the mode line after its code, before the comment.
  m.InComment = false;
  EXPECT_EQ(ConvertAbsInc(u"G28Z0.\r\nG01Z1.(DOWN\r\nX1.)", ToInc(), m).value(),
            u"G91\r\nG28Z0.\r\nG90\r\nG01Z1.\r\nG91\r\n(DOWN\r\nX1.)\r\n");
  // A program that never leaves its comment comes back as it was.
  m.InComment = false;
  EXPECT_EQ(ConvertAbsInc(u"(X1.\r\nX2.\r\nG91", ToAbs(), m).value(), u"(X1.\r\nX2.\r\nG91\r\n");
}

TEST(ConvertAbsInc, ZIsHeldInSinglePrecision) {
  AbsIncOptions o = ToInc();
  o.start_z = u"16777217";  // 2^24 + 1: single precision holds 16777216
  EXPECT_EQ(AbsInc({"Z16777220."}, o), Program({"G91", "Z4."}));
  o.start_x = o.start_z;  // X and Y are double precision
  EXPECT_EQ(AbsInc({"X16777220."}, o), Program({"G91", "X3."}));
  o = ToAbs(false);
  o.end_comment = true;
  o.start_z = u"1234.56789";
  EXPECT_EQ(AbsInc({"Z0.00001"}, o, 1),
            Program({"G90", "Z1234.568", "(END POINT G90 X0 Y0 Z1234.568)"}));
}

TEST(ConvertAbsInc, StartTextsReadAsTheirLeadingNumber) {
  const struct {
    const char* x;
    const char* out;
  } rows[] = {
      {"", "X10."},     {"abc", "X10."},  {"2.5mm", "X7.5"},
      {" - 3", "X13."}, {"1e2", "X-90."}, {"1,5", "X9."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.x);
    AbsIncOptions o = ToInc();
    o.start_x = U(row.x);
    EXPECT_EQ(AbsInc({"X10."}, o), Program({"G91", row.out}));
  }
  // Beyond the double range: the largest double, written out in digits.
  AbsIncOptions o = ToInc();
  o.start_x = u"1e400";
  const std::string out = Utf8(AbsInc({"X10."}, o));
  EXPECT_TRUE(out.starts_with("G91\r\nX-179769313486232000")) << out;
  EXPECT_TRUE(out.ends_with("000.\r\n")) << out;
}

TEST(ConvertAbsInc, HugeValuesGiveDigits) {
  const std::u16string out =
      AbsInc({"X1000000000000000000000000000000.", "X-1000000000000000000000000000000."}, ToInc());
  const std::u16string second = out.substr(out.rfind(u"X"));
  EXPECT_NEAR(ReadNumber(second.substr(1)), -2e30, 1e24);
  EXPECT_EQ(second.find_first_of(u"EeIiNn"), std::u16string::npos) << Utf8(out);
}

// Incremental output follows the increments as written: rounding each of them to three
// decimals does not add up over the program.
TEST(ConvertAbsInc, RoundingDoesNotAddUp) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 4; ++i) lines.push_back("X" + std::to_string(0.0004 * i).substr(0, 6));
  EXPECT_EQ(AbsInc(lines, ToInc(false)), Program({"G91", "X0.0", "X0.001", "X0.0", "X0.001"}));
}

using reference::Positions;

TEST(ConvertAbsInc, RoundTripKeepsEveryPosition) {
  KESTRUM_CORPUS_OR_SKIP(src, "winder-Universal-G-Code-Sender/Gates_combined_R12.nc");
  for (const int style : {1, 2}) {
    for (const bool point : {false, true}) {
      SCOPED_TRACE(testing::Message() << "style " << style << ", point " << point);
      Module1 m;
      m.OutDialect = style;
      AbsIncOptions o = ToInc(point);
      o.start_x = u"10";
      o.start_z = u"25";
      const std::u16string inc = ConvertAbsInc(src, o, m).value();
      o.to_incremental = false;
      const std::u16string abs = ConvertAbsInc(inc, o, m).value();
      const std::vector<double> before = Positions(src);
      const std::vector<double> after = Positions(abs);
      ASSERT_EQ(before.size(), after.size());
      ASSERT_GT(before.size(), 10000u);
      // One rounding to the written decimals; a Z near 100 in single precision adds 1e-5.
      const double tolerance = (point ? 0.00005 : 0.0005) + 0.00002;
      std::size_t worst = 0;
      for (std::size_t i = 0; i < before.size(); ++i) {
        if (std::fabs(before[i] - after[i]) > std::fabs(before[worst] - after[worst])) worst = i;
      }
      EXPECT_NEAR(before[worst], after[worst], tolerance) << "word " << worst;
    }
  }
}

TEST(ConvertAbsInc, CancelLeavesNothing) {
  Module1 m;
  m.InComment = false;
  m.DistanceMode = 90;
  std::size_t calls = 0;
  const auto result = ConvertAbsInc(Program({"G91X1.", "(OPEN", "X2."}), ToAbs(), m,
                                    [&](std::size_t done, std::size_t) {
                                      ++calls;
                                      return done < 2;
                                    });
  EXPECT_FALSE(result.has_value());
  EXPECT_EQ(calls, 2u);
  EXPECT_FALSE(m.InComment);
  EXPECT_EQ(m.DistanceMode, 90);
  std::vector<std::size_t> seen;
  ConvertAbsInc(u"A\r\nB\r\nC", ToInc(), m, [&](std::size_t done, std::size_t) {
    seen.push_back(done);
    return true;
  });
  EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2, 3}));
}

std::u16string XyCx(XyCxDirection d, const std::vector<std::string>& lines, int style = 2) {
  Module1 m;
  m.OutDialect = style;
  return ConvertXyCx(Program(lines), d, m);
}

TEST(ConvertXyCx, QuadrantsAndAxesBothWays) {
  constexpr auto kToCx = XyCxDirection::kToCx;
  constexpr auto kToXy = XyCxDirection::kToXy;
  const struct {
    XyCxDirection direction;
    const char* src;
    const char* out;
  } rows[] = {
      {kToCx, "X10.Y10.", "C45.0X28.284"},
      {kToCx, "X-10.Y10.", "C135.0X28.284"},
      {kToCx, "X-10.Y-10.", "C225.0X28.284"},
      {kToCx, "X10.Y-10.", "C315.0X28.284"},
      {kToCx, "X0Y5.", "C90.0X10.0"},
      {kToCx, "X0Y-5.", "C270.0X10.0"},
      {kToCx, "X-5.Y0", "C180.0X10.0"},
      {kToCx, "X5.Y0", "C0.0X10.0"},
      {kToCx, "X0Y0", "C270.0X0.0"},
      {kToCx, "X3.Y4.", "C53.13X10.0"},
      {kToCx, "Y10.X10.", "C45.0X28.284"},  // C takes the first word's place
      {kToXy, "X20.C90.", "X0.0Y10.0"},
      {kToXy, "C0X20.", "X10.0Y0.0"},  // C0 is a full turn, like C360.
      {kToXy, "C360.X20.", "X10.0Y0.0"},
      {kToXy, "C-90.X20.", "X0.0Y-10.0"},
      {kToXy, "C180.X20.", "X-10.0Y0.0"},
      {kToXy, "G01C45.X28.2843F100", "G01X10.0Y10.0F100"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Utf8(XyCx(row.direction, {row.src})), std::string(row.out) + "\r\n");
  }
}

TEST(ConvertXyCx, WordsTakeThePlacesOfTheSourceWords) {
  EXPECT_EQ(XyCx(XyCxDirection::kToCx, {"N10G01X10.Y10.F200", "N20 X-10. Y10. (NEXT)"}),
            Program({"N10G01C45.0X28.284F200", "N20 C135.0  (NEXT)"}));
  // Only Y: X is kept from the earlier line.
  EXPECT_EQ(XyCx(XyCxDirection::kToCx, {"X10.Y0", "G01Y10.F100", "Y=-10."}),
            Program({"C0.0X20.0", "G01C45.0X28.284F100", "C315.0"}));
  EXPECT_EQ(XyCx(XyCxDirection::kToCx, {"X10.Y10.", "X10.Y10.", "Y-10.", "X-10."}, 1),
            Program({"C45X28.284", "", "C315", "C225"}));
}

TEST(ConvertXyCx, BlockedAndUnrelatedLinesPassUnchanged) {
  EXPECT_EQ(
      XyCx(XyCxDirection::kToCx, {"X10.Y0", "X5.C90.", "X10.Y0", "M08", "X", "G04X2.", "X10.Y0"}),
      Program({"C0.0X20.0", "X5.C90.", "C0.0X20.0", "M08", "X", "G04X2.", "C0.0X20.0"}));
  // After a line with C, the next converted line writes both words again, the C position
  // having changed.
  EXPECT_EQ(XyCx(XyCxDirection::kToXy, {"C90.X20.", "Y5.X3.", "C90.X20.", "C90.X20."}),
            Program({"X0.0Y10.0", "Y5.X3.", "X0.0Y10.0", ""}));
}

// A word equal to the one written last is left out only while the tool stands where that word
// put it: after a work coordinate system, a reference return or a tool change it is written
// again.
TEST(ConvertXyCx, WordsAreWrittenAgainWhereTheToolMayHaveMoved) {
  EXPECT_EQ(XyCx(XyCxDirection::kToCx, {"X10.Y10.", "X10.Y10.", "G55", "X10.Y10.", "M06",
                                        "X10.Y10.", "G28 Z0", "X10.Y10.", "X10.Y10."}),
            Program({"C45.0X28.284", "", "G55", "C45.0X28.284", "M06", "C45.0X28.284", "G28 Z0",
                     "C45.0X28.284", ""}));
}

// To X/Y, with the X word left out, a lone blank before the Y word goes too.
TEST(ConvertXyCx, LoneBlankBeforeTheYWordGoes) {
  EXPECT_EQ(XyCx(XyCxDirection::kToXy, {"X20.C90.", "C90. X20.", " C-90.", "  C90.", "C0"}),
            Program({"X0.0Y10.0", "", "Y-10.0", "  Y10.0", "X10.0Y0.0"}));
}

TEST(ConvertXyCx, IncrementalModeWordsAndComments) {
  EXPECT_EQ(XyCx(XyCxDirection::kToCx, {"G91X5.Y0", "G90G91M08", "(G91 X1.Y1.)X5.Y0"}),
            Program({"(G91)C0.0X10.0", "G90(G91)M08", "(G91 X1.Y1.)"}));
  EXPECT_EQ(XyCx(XyCxDirection::kToCx, {"X1.(OPEN", "X2.Y2.", "Y3.)X0Y-1."}),
            Program({"C0.0X2.0(OPEN", "X2.Y2.", "Y3.)C270.0"}));
}

TEST(ConvertXyCx, HugeAndOddValuesGiveDigits) {
  const std::u16string out = XyCx(XyCxDirection::kToCx, {"X1000000000000000000000000000000.Y0"});
  EXPECT_TRUE(out.starts_with(u"C0.0X2000000")) << Utf8(out);
  const std::u16string back = XyCx(XyCxDirection::kToXy, {"C1000000000000000000000000000000.X2."});
  EXPECT_TRUE(back.starts_with(u"X")) << Utf8(back);
  EXPECT_EQ(back.find_first_of(u"EeIiNn"), std::u16string::npos) << Utf8(back);
}

std::u16string Rotary(const std::vector<std::string>& lines, const RotaryOptions& o = {}) {
  Module1 m;
  return ConvertRotary(Program(lines), o, m);
}

TEST(ConvertRotary, WorkedExample) {
  EXPECT_EQ(Rotary({"G90G00C90.", "C270.", "C300.", "C10.", "C350.", "X20."}),
            Program({"G90G00C90.", "C270. M16", "C300. M15", "C10.", "C350. M16", "X20."}));
  // A line carrying the needed code sets the direction itself.
  EXPECT_EQ(Rotary({"C90.", "C270.", "C300.", "C10.", "C200. M16", "C190."}),
            Program({"C90.", "C270. M16", "C300. M15", "C10.", "C200. M16", "C190."}));
  EXPECT_EQ(Rotary({"C270."}), Program({"C270. M16"}));
}

TEST(ConvertRotary, TargetsAndWrapping) {
  const struct {
    std::vector<std::string> src;
    std::vector<std::string> out;
  } rows[] = {
      // Incremental: -90 from 10 is 280, 270 degrees on: reverse.
      {{"C10.", "G91C-90."}, {"C10.", "G91C-90. M16"}},
      {{"C450."}, {"C450."}},                      // 90
      {{"C-30."}, {"C-30. M16"}},                  // 330
      {{"C360."}, {"C360. M16"}},                  // stays 360
      {{"C720.", "C0"}, {"C720. M16", "C0 M15"}},  // 360, then back: d = -360 is forward
      // More turns come to the same place: 278 to 280 (C1000.) is 2 degrees forward, and so
      // is 350 to 360 (3610 degrees on).
      {{"C-82.", "C1000."}, {"C-82. M16", "C1000. M15"}},
      {{"C350.", "G91C3610."}, {"C350. M16", "G91C3610. M15"}},
      {{"C100.", "C-1000."}, {"C100.", "C-1000. M16"}},  // 80
      {{"C90.", "C90.", "C33.3", "C33.3"}, {"C90.", "C90.", "C33.3 M16", "C33.3"}},
      {{"C270.(TURN)"}, {"C270.(TURN) M16"}},
      {{"C270.(TURN", "C10.)C300."}, {"C270. M16(TURN", "C10.)C300. M15"}},
      {{"(C270.)", "C"}, {"(C270.)", "C"}},
      {{"M16", "C10."}, {"M16", "C10. M15"}},
      {{"VC1=270."}, {"VC1=270."}},  // the variable VC1, not the C axis
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src.front());
    EXPECT_EQ(Utf8(Rotary(row.src)), Utf8(Program(row.out)));
  }
}

TEST(ConvertRotary, AxisAndCodeChoices) {
  RotaryOptions o;
  o.axis = u"b";
  o.forward = u"115";
  o.reverse = u"116";
  EXPECT_EQ(Rotary({"B270.", "b270."}, o), Program({"B270.", "b270. M116"}));
  for (const char16_t* axis : {u"", u"CC", u"c"}) {
    o.axis = axis;
    EXPECT_EQ(Rotary({"C270."}, o), Program({"C270."})) << Utf8(axis);
  }
  // A code that is not a number goes in as typed and compares as 0.
  o.axis = u"A";
  o.forward = u"X";
  o.reverse = u"16";
  // A line without M words then reads as that code already: only a line with another M
  // word gets it.
  EXPECT_EQ(Rotary({"A270.", "A300.", "A270.M08", "A300.M08"}, o),
            Program({"A270. M16", "A300.", "A270.M08", "A300.M08 MX"}));
}

TEST(ConvertRotary, ProgressCountsCharactersAndCanCancel) {
  Module1 m;
  std::vector<std::size_t> seen;
  EXPECT_EQ(ConvertRotary(u"C90.\r\nC270.", {}, m,
                          [&](std::size_t done, std::size_t total) {
                            seen.push_back(done);
                            EXPECT_EQ(total, 13u);
                            return true;
                          }),
            u"C90.\r\nC270. M16\r\n");
  EXPECT_EQ(seen, (std::vector<std::size_t>{6, 13}));
  m.DistanceMode = 90;
  EXPECT_EQ(
      ConvertRotary(u"G91C1.\r\n(OPEN", {}, m, [](std::size_t, std::size_t) { return false; }),
      u"");
  EXPECT_EQ(m.DistanceMode, 90);
  EXPECT_FALSE(m.InComment);
}

}  // namespace
}  // namespace kestrum
