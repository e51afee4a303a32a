// Blanks, decimal points and units: worked examples, the rules behind them, and real
// programs from the corpus run through them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "convert/points.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "search/search.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

using test::U;
using test::Utf8;

// The result of a run without the CR LF that every run ends its last line with.
std::string WithoutLastCrLf(const std::u16string& out) {
  EXPECT_TRUE(out.ends_with(u"\r\n")) << Utf8(out);
  return Utf8(std::u16string_view(out).substr(0, out.size() < 2 ? 0 : out.size() - 2));
}

std::string Spaces(SpaceMode mode, const char* src) {
  Module1 m;
  return WithoutLastCrLf(ConvertSpaces(U(src), mode, m));
}

std::string Points(PointMode mode, const char* src) {
  Module1 m;
  return WithoutLastCrLf(ConvertPoints(U(src), mode, m));
}

std::string Unit(UnitMode mode, int style, const char* src) {
  Module1 m;
  m.OutDialect = style;
  return WithoutLastCrLf(ConvertUnit(U(src), mode, m));
}

// LF-only corpus files as the editor holds them after line-end repair.
std::u16string WithCrLf(std::u16string_view text) {
  Module1 m;
  return RepairLineEndsText(text, m).text;
}

std::u16string WithoutBlanks(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c != u' ') out += c;
  }
  return out;
}

const char* const kCorpus[] = {
    "CauldronDevelopmentLLC-CAMotics/cameo.nc",
    "CauldronDevelopmentLLC-CAMotics/flower_mold.nc",
    "LinuxCNC-linuxcnc/boat-xyzbc.ngc",
    "LinuxCNC-linuxcnc/Cereal.ngc",
    "LinuxCNC-linuxcnc/tort.ngc",
    "winder-Universal-G-Code-Sender/Gates_combined_R12.nc",
    "winder-Universal-G-Code-Sender/no_spaces.gcode",
};

TEST(ConvertSpaces, OneBlankAfterEachValue) {
  const struct {
    const char* src;
    const char* out;
  } rows[] = {
      {"G01X10.Y20.", "G01 X10. Y20."},  // no blank after the last value: the line ends
      {"G01 X10", "G01 X10"},            // an existing blank is enough
      {"X", "X"},                        // a letter without a value gets none
      {"G01X10(A B)Y2", "G01 X10 (A B)Y2"},
      {"G01\tX10", "G01 \tX10"},  // a tab is no blank
      {"g01x10", "g01x10"},
      {"%", "%"},
      {"(G01X10)", "(G01X10)"},
      {"VC1=5", "VC1 =5"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Spaces(SpaceMode::kAddBlank, row.src), row.out);
  }
}

TEST(ConvertSpaces, RenumbersBlocksIntoColumns) {
  const struct {
    const char* src;
    const char* out;
  } rows[] = {
      {"N10G1X5", "N000 G01 X5"},
      {"N10 G1 X5", "N000 G01 X5"},
      {"G0X0Y0", "N000 G00 X0 Y0"},
      {"X10.Y5.", "N000     X10. Y5."},
      {"T1M6", "N000 T1 M06 "},
      {"M30", "N000 M30 "},
      {"M198", "N000 M198 "},
      {"G001X1", "N000 G01 X1"},
      {"O1000", "O1000"},
      {"(COMMENT)", "(COMMENT)"},
      {"N10", ""},
      {"N10 ", ""},
      {"/G01X10", "N000     /G01 X10"},  // a block-skip slash first: the long prefix
      {"g01x10", "g01x10"},
      {"%", "%"},
      // Only plain digits are padded: G05.1 is another function than G05.
      {"G5.1", "N000 G5.1 "},
      {"G1.X2", "N000 G1. X2"},
      // The program number stays; only the sequence number goes.
      {"O1000 N10 G1X5", "O1000 G01 X5"},
      {"O1000N10", "O1000 "},
      {"N10(TOOL 1)G1", "N000     (TOOL 1)G01 "},
      {"N10N20G1", "N000 G01 "},
      {"N5G1N20X1", "N000 G01 X1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Spaces(SpaceMode::kRenumber, row.src), row.out);
  }
}

TEST(ConvertSpaces, RenumberingLeavesACommentFromTheLineBeforeAlone) {
  // "T1" is comment text here: it gets no blank and no padding, and the block that starts
  // after the comment gets its number there, not inside the comment.
  Module1 m;
  EXPECT_EQ(Utf8(ConvertSpaces(u"G1(TOOL\r\nT1 M3)X1", SpaceMode::kRenumber, m)),
            "N000 G01 (TOOL\r\nT1 M3)N000     X1\r\n");
  EXPECT_FALSE(m.InComment);
}

TEST(ConvertSpaces, RemovesBlanksOutsideComments) {
  const struct {
    const char* src;
    const char* out;
  } rows[] = {
      {"G01 X10 (COMMENT TEXT) Y20", "G01X10(COMMENT TEXT)Y20"},
      {"  G01  X1  ", "G01X1"},
      {"G01\tX1", "G01\tX1"},
      {"g01 x10", "g01x10"},
      {"   ", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Spaces(SpaceMode::kRemoveBlanks, row.src), row.out);
  }
  // A comment left open keeps its blanks on the next line up to its ")".
  Module1 m;
  EXPECT_EQ(Utf8(ConvertSpaces(u"X1 (A B\r\nC D) E F", SpaceMode::kRemoveBlanks, m)),
            "X1(A B\r\nC D)EF\r\n");
}

TEST(ConvertSpaces, RunEndsWithCrLfAndKeepsOtherLineEnds) {
  Module1 m;
  EXPECT_EQ(ConvertSpaces(u"", SpaceMode::kAddBlank, m), u"\r\n");
  EXPECT_EQ(ConvertSpaces(u"G1 X1\nY2\rZ3", SpaceMode::kRemoveBlanks, m), u"G1X1\nY2\rZ3\r\n");
}

TEST(ConvertSpaces, RemoveThenAddOnRealProgramsChangesOnlyBlanks) {
  for (const char* file : kCorpus) {
    SCOPED_TRACE(file);
    KESTRUM_CORPUS_OR_SKIP(text, file);
    const std::u16string src = WithCrLf(text);
    Module1 m;
    const std::u16string removed = ConvertSpaces(src, SpaceMode::kRemoveBlanks, m);
    const std::u16string added = ConvertSpaces(removed, SpaceMode::kAddBlank, m);
    std::u16string expected = WithoutBlanks(src);
    if (!expected.ends_with(u"\r\n")) expected += u"\r\n";
    EXPECT_EQ(WithoutBlanks(added), expected);
    EXPECT_EQ(ConvertSpaces(added, SpaceMode::kRemoveBlanks, m), removed);
    EXPECT_FALSE(m.InComment);
  }
}

TEST(ConvertPoints, PointStyles) {
  const struct {
    const char* src;
    const char* add;
    const char* add_zero;
    const char* remove;
  } rows[] = {
      {"X10", "X10.", "X10.0", "X10"},
      {"X10.", "X10.", "X10.0", "X10"},
      {"X10.500", "X10.5", "X10.5", "X10.5"},
      {"X-.5", "X-0.5", "X-0.5", "X-0.5"},
      {"Y+3", "Y3.", "Y3.0", "Y3"},
      {"Z1.23456", "Z1.2346", "Z1.2346", "Z1.2346"},
      {"F0", "F0.", "F0.0", "F0"},
      {"X0.0", "X0.", "X0.0", "X0"},
      {"X-0.00001", "X0.", "X0.0", "X0"},
      {"G01X10Y20", "G01X10.Y20.", "G01X10.0Y20.0", "G01X10Y20"},
      {"G01 M03 S1000 T01 N10 O1 P2 Q3 V4", "G01 M03 S1000 T01 N10 O1 P2 Q3 V4",
       "G01 M03 S1000 T01 N10 O1 P2 Q3 V4", "G01 M03 S1000 T01 N10 O1 P2 Q3 V4"},
      {"A1B2C3D4E5H6I7J8K9L1R2U3W4", "A1.B2.C3.D4.E5.H6.I7.J8.K9.L1.R2.U3.W4.",
       "A1.0B2.0C3.0D4.0E5.0H6.0I7.0J8.0K9.0L1.0R2.0U3.0W4.0", "A1B2C3D4E5H6I7J8K9L1R2U3W4"},
      {"(X10)", "(X10)", "(X10)", "(X10)"},
      {"X 10", "X 10", "X 10", "X 10"},  // the blank ends the word before its value
      {"x10", "x10", "x10", "x10"},
      // Values that are no plain number stay as written.
      {"X-Y1", "X-Y1.", "X-Y1.0", "X-Y1"},
      {"X/", "X/", "X/", "X/"},
      {"X.", "X.", "X.", "X."},
      {"X1,5", "X1,5", "X1,5", "X1,5"},
      {"X1/2", "X1/2", "X1/2", "X1/2"},
      // Names of macro statements are no dimension words.
      {"VC1=5", "VC1=5", "VC1=5", "VC1=5"},
      {"END1", "END1", "END1", "END1"},
      {"IF[#1LE5]GOTO10", "IF[#1LE5]GOTO10", "IF[#1LE5]GOTO10", "IF[#1LE5]GOTO10"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Points(PointMode::kAddPoint, row.src), row.add);
    EXPECT_EQ(Points(PointMode::kAddPointZero, row.src), row.add_zero);
    EXPECT_EQ(Points(PointMode::kRemove, row.src), row.remove);
  }
}

TEST(ConvertPoints, AddThenRemoveOnRealProgramsIsRemove) {
  for (const char* file : kCorpus) {
    SCOPED_TRACE(file);
    KESTRUM_CORPUS_OR_SKIP(text, file);
    const std::u16string src = WithCrLf(text);
    Module1 m;
    const std::u16string removed = ConvertPoints(src, PointMode::kRemove, m);
    for (const PointMode add : {PointMode::kAddPoint, PointMode::kAddPointZero}) {
      const std::u16string added = ConvertPoints(src, add, m);
      EXPECT_EQ(ConvertPoints(added, PointMode::kRemove, m), removed);
      EXPECT_EQ(ConvertPoints(added, add, m), added);
    }
    EXPECT_FALSE(m.InComment);
  }
}

TEST(ConvertUnit, MicrometresToMillimetres) {
  const struct {
    const char* src;
    const char* osp;
    const char* fanuc;
  } rows[] = {
      {"G01X1000Y-500F1500", "G01X1Y-0.5F1.5", "G01X1.0Y-0.5F1.5"},
      {"G02X0Y20000R10000", "G02X0Y20R10", "G02X0.0Y20.0R10.0"},
      {"G04X1500", "G04X1.5", "G04X1.5"},  // a dwell in 0.001 s becomes seconds
      {"M03S1000", "M03S1000", "M03S1000"},
      {"(X1000)", "(X1000)", "(X1000)"},
      {"A90000B-1000C500", "A90B-1C0.5", "A90.0B-1.0C0.5"},
      {"I1J1K1L1W1000U1000", "I0.001J0.001K0.001L0.001W1U1", "I0.001J0.001K0.001L0.001W1.0U1.0"},
      // Offset numbers stay: G43 H01 and G41 D01 name registers, not lengths.
      {"G43Z50000H01D1000", "G43Z50H01D1000", "G43Z50.0H01D1000"},
      {"N10O20P30Q40T50V60M70", "N10O20P30Q40T50V60M70", "N10O20P30Q40T50V60M70"},
      {"X1+2*3", "X0.007", "X0.007"},  // "*" before "+"
      {"X-Y1000", "X-Y1", "X-Y1.0"},
      {"X 1000", "X 1000", "X 1000"},
      {"X0.4", "X0", "X0.0"},  // rounds to zero: no minus sign either
      {"X-0.4", "X0", "X0.0"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Unit(UnitMode::kMicrometresToMm, 1, row.src), row.osp);
    EXPECT_EQ(Unit(UnitMode::kMicrometresToMm, 2, row.src), row.fanuc);
  }
  // Before any translation FormatCoord writes FANUC style.
  EXPECT_EQ(Unit(UnitMode::kMicrometresToMm, 0, "X1000"), "X1.0");
}

TEST(ConvertUnit, EveryModeOnLengthsAndRotaryWords) {
  const struct {
    UnitMode mode;
    const char* src;
    const char* out;  // OSP style
  } rows[] = {
      {UnitMode::kMicrometresToMm, "X1500C90000", "X1.5C90"},
      {UnitMode::kHundredthsToMm, "X1500C9000", "X15C90"},
      {UnitMode::kInchToMm, "X1.Y-0.5C90.", "X25.4Y-12.7C90."},
      {UnitMode::kMmToInch, "X25.4Y10A90.", "X1Y0.3937A90."},
      {UnitMode::kMmToMicrometres, "X1.5C90.", "X1500C90000"},
      {UnitMode::kMmToHundredths, "X1.5C90.", "X150C9000"},
      {UnitMode::kMmToInch, "X0.001", "X0"},
      {UnitMode::kMmToInch, "X-1", "X-0.0394"},
      {UnitMode::kMmToInch, "G43Z25.4H01", "G43Z1H01"},
      {UnitMode::kInchToMm, "G41X1.D01", "G41X25.4D01"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Unit(row.mode, 1, row.src), row.out);
  }
}

// Increments are written as the steps between the positions written: 1 mm is 0.03937 inch,
// so three steps of 0.0394 would end 0.0001 inch off.
TEST(ConvertUnit, IncrementsDoNotAddUpTheirRounding) {
  EXPECT_EQ(Unit(UnitMode::kMmToInch, 1, "G91 X1. X1. X1."), "G91 X0.0394 X0.0393 X0.0394");
  Module1 m;
  m.OutDialect = 1;
  EXPECT_EQ(Utf8(ConvertUnit(u"G91X1.\r\nY1.\r\nX1.\r\nX#1\r\nX1.\r\nG90X10.\r\nG91X1.",
                             UnitMode::kMmToInch, m)),
            "G91X0.0394\r\nY0.0394\r\nX0.0393\r\nX#1\r\nX0.0394\r\nG90X0.3937\r\nG91X0.0394\r\n");
  // The positions add up the values as written: -80.27 in single precision is 0.0000034 off,
  // which in micrometres showed as X-80269.99.
  EXPECT_EQ(Unit(UnitMode::kMmToMicrometres, 1, "X27.253 G91 X48.886 X-80.27"),
            "X27253 G91 X48886 X-80270");
  // A step is rounded once to its seven digits: 2249.5006 through the single 2249.50049
  // would be 2249.500, and the position 0.0006 off.
  EXPECT_EQ(Unit(UnitMode::kInchToMm, 1, "Z-88.009 G91 Z88.563"), "Z-2235.429 G91 Z2249.501");
}

TEST(ConvertUnit, SinglePrecisionAndExpressions) {
  const struct {
    UnitMode mode;
    int style;
    const char* src;
    const char* out;
  } rows[] = {
      {UnitMode::kMmToMicrometres, 1, "X=10+5", "X=15000"},  // the "=" stays
      {UnitMode::kMmToMicrometres, 1, "X10.", "X10000"},
      {UnitMode::kMmToMicrometres, 2, "X10.", "X10000.0"},
      {UnitMode::kMmToMicrometres, 1, "X1234.5678", "X1234568"},  // 7 significant digits
      {UnitMode::kMmToMicrometres, 1, "Z[100+5]", "Z105000"},     // brackets go with it
      {UnitMode::kMmToMicrometres, 1, "Z=[1.5]Y1", "Z=1500Y1000"},
      // Bracket expressions as the control evaluates them.
      {UnitMode::kMmToMicrometres, 1, "Z[[1+2]*3]", "Z9000"},
      {UnitMode::kMmToMicrometres, 1, "Z[2+3*4]", "Z14000"},
      {UnitMode::kMmToMicrometres, 1, "X[2*[3+4]]", "X14000"},
      {UnitMode::kMmToMicrometres, 1, "Z[1+2", "Z[1+2"},
      // More value text after the value: the control reads one expression or refuses it.
      {UnitMode::kMmToMicrometres, 1, "X[1+2]*3Y1", "X[1+2]*3Y1000"},
      {UnitMode::kMmToMicrometres, 1, "X[1]2Y1", "X[1]2Y1000"},
      {UnitMode::kMmToMicrometres, 1, "X[SIN[30]]Y1", "X[SIN[30]]Y1000"},
      {UnitMode::kMmToMicrometres, 1, "X10/4", "X2500"},
      {UnitMode::kMmToMicrometres, 1, "X10+ Y1", "X10+ Y1000"},
      // Not plain numbers: the word stays as written rather than take a wrong value.
      {UnitMode::kMmToMicrometres, 1, "X1,5Y1", "X1,5Y1000"},
      {UnitMode::kMmToMicrometres, 1, "X.Y1", "X.Y1000"},
      {UnitMode::kMmToMicrometres, 1, "X1.2.3", "X1.2.3"},
      {UnitMode::kMmToMicrometres, 1, "X1=2", "X1=2"},
      {UnitMode::kMmToMicrometres, 1, "X=[[[", "X=[[["},
      {UnitMode::kMmToMicrometres, 1, "X#101", "X#101"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Unit(row.mode, row.style, row.src), row.out);
  }
}

TEST(ConvertUnit, InchConversionLeavesDwellAndRotaryAxes) {
  const struct {
    UnitMode mode;
    const char* src;
    const char* out;
  } rows[] = {
      {UnitMode::kMmToInch, "G04X1.5", "G04X1.5"},
      {UnitMode::kMmToInch, "G04X1.5X25.4", "G04X1.5X1"},  // only the first word is a time
      {UnitMode::kMmToInch, "G04F2.U25.4", "G04F2.U1"},
      {UnitMode::kMmToInch, "F25.4G04X1.5", "F1G04X1.5"},  // the F before the G04 is a feed
      {UnitMode::kMmToInch, "G4X1.5", "G4X1.5"},
      {UnitMode::kInchToMm, "G04X1.5", "G04X1.5"},
      {UnitMode::kInchToMm, "G04P1500X1.", "G04P1500X1."},
      {UnitMode::kMicrometresToMm, "G04X1500", "G04X1.5"},
      {UnitMode::kMmToMicrometres, "G04X1.5", "G04X1500"},
      {UnitMode::kMmToInch, "A90.B45.C-30.", "A90.B45.C-30."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Unit(row.mode, 1, row.src), row.out);
  }
  // The dwell ends with its line.
  EXPECT_EQ(Unit(UnitMode::kMmToInch, 1, "G04\r\nX25.4"), "G04\r\nX1");
}

TEST(ConvertUnit, SpindleSpeedFollowsTheSpindleMode) {
  const struct {
    UnitMode mode;
    int style;
    const char* src;
    const char* out;
  } rows[] = {
      {UnitMode::kMmToInch, 1, "G96S305", "G96S1000"},  // 305 m/min = 1000.4 ft/min
      {UnitMode::kMmToInch, 1, "G97S1000", "G97S1000"},
      {UnitMode::kMmToInch, 2, "G97S1000", "G97S1000"},  // no point in S: FANUC rejects it
      {UnitMode::kMmToInch, 2, "G96S305", "G96S1000"},
      {UnitMode::kMmToInch, 2, "G97S1000.", "G97S1000."},  // rev/min stays as written
      {UnitMode::kMmToInch, 1, "S1000", "S1000"},          // rev/min at the start of a run
      {UnitMode::kInchToMm, 1, "G96S1000", "G96S304"},
      {UnitMode::kInchToMm, 1, "G96S1000\r\nG97S1000", "G96S304\r\nG97S1000"},
      {UnitMode::kMicrometresToMm, 2, "G96S305", "G96S305"},
      {UnitMode::kMmToMicrometres, 2, "S=1000", "S=1000"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Unit(row.mode, row.style, row.src), row.out);
  }
  // Each run starts in rev/min and per-revolution feed, whatever the last run left.
  Module1 m;
  m.OutDialect = 1;
  ConvertUnit(u"G96G94", UnitMode::kMmToInch, m);
  EXPECT_EQ(ConvertUnit(u"S305E1500", UnitMode::kMicrometresToMm, m), u"S305E1.5\r\n");
  EXPECT_EQ(ConvertUnit(u"S305", UnitMode::kMmToInch, m), u"S305\r\n");
}

TEST(ConvertUnit, EWordFollowsTheFeedMode) {
  const struct {
    UnitMode mode;
    const char* src;
    const char* out;
  } rows[] = {
      {UnitMode::kMicrometresToMm, "E1500", "E1.5"},
      {UnitMode::kMicrometresToMm, "G94E1500", "G94E150"},
      {UnitMode::kMicrometresToMm, "G98E1500", "G98E150"},
      {UnitMode::kMicrometresToMm, "G94\r\nG99E1500", "G94\r\nG99E1.5"},
      {UnitMode::kMicrometresToMm, "G04E1500", "G04E15"},
      {UnitMode::kHundredthsToMm, "E1500", "E15"},
      {UnitMode::kHundredthsToMm, "G94E1500", "G94E1500"},
      {UnitMode::kHundredthsToMm, "G04E1500", "G04E150"},
      {UnitMode::kMmToMicrometres, "E1.5", "E1500"},
      {UnitMode::kMmToMicrometres, "G94E1.5", "G94E15"},
      {UnitMode::kMmToMicrometres, "G04E1.5", "G04E150"},
      {UnitMode::kMmToHundredths, "E1.5", "E150"},
      {UnitMode::kMmToHundredths, "G94E1.5", "G94E1.5"},
      {UnitMode::kMmToHundredths, "G04E1.5", "G04E15"},
      {UnitMode::kInchToMm, "G04E1.", "G04E25.4"},
      // An E value in inches has three decimals at most, a length four.
      {UnitMode::kMmToInch, "E1.X1.", "E0.039X0.0394"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    EXPECT_EQ(Unit(row.mode, 1, row.src), row.out);
  }
  EXPECT_EQ(Unit(UnitMode::kMmToInch, 2, "E25.4"), "E1.0");
}

TEST(ConvertUnit, MacroNamesAreNoAddressWords) {
  // Variables hold whatever the program puts in them: a unit change cannot know that they
  // are lengths, and scaling the letters of a name breaks the statement.
  for (const char* line : {"VC1=5", "VC12=VC1*2", "IF[#1LE5]GOTO10", "WHILE[#1LT5]DO1", "END1",
                           "PX=10", "NMSG(DONE)", "#1=[#2NE5]"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(Unit(UnitMode::kMmToMicrometres, 1, line), line);
  }
  EXPECT_EQ(Unit(UnitMode::kMmToMicrometres, 1, "G01X=VC1Y2"), "G01X=VC1Y2000");
}

// Every number of a text with the text around them: "G01X1.5Y-2" gives the numbers 1, 1.5,
// -2 and the rest "G_X_Y_".
struct Numbers {
  std::vector<double> values;
  std::u16string rest;
};

Numbers SplitNumbers(std::u16string_view text) {
  Numbers n;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsValueChar(text[i]) && text[i] != u',' && text[i] != u'/') {
      std::size_t j = i;
      while (j < text.size() && IsValueChar(text[j]) && text[j] != u',' && text[j] != u'/') ++j;
      n.values.push_back(ReadNumber(text.substr(i, j - i)));
      n.rest += u'_';
      i = j;
    } else {
      n.rest += text[i++];
    }
  }
  return n;
}

TEST(ConvertUnit, MillimetresToMicrometresAndBackKeepsRealPrograms) {
  for (const char* file : kCorpus) {
    SCOPED_TRACE(file);
    KESTRUM_CORPUS_OR_SKIP(text, file);
    const std::u16string src = WithCrLf(text);
    Module1 m;
    m.OutDialect = 2;
    const std::u16string there = ConvertUnit(src, UnitMode::kMmToMicrometres, m);
    const std::u16string back = ConvertUnit(there, UnitMode::kMicrometresToMm, m);
    const Numbers a = SplitNumbers(src + (src.ends_with(u"\r\n") ? u"" : u"\r\n"));
    const Numbers b = SplitNumbers(back);
    ASSERT_EQ(Utf8(a.rest), Utf8(b.rest));
    ASSERT_EQ(a.values.size(), b.values.size());
    for (std::size_t i = 0; i < a.values.size(); ++i) {
      // Three decimals after the way back, seven significant digits on the way there.
      const double tolerance = 0.0005 + std::fabs(a.values[i]) * 1e-6;
      ASSERT_NEAR(a.values[i], b.values[i], tolerance) << "number " << i;
    }
  }
}

}  // namespace
}  // namespace kestrum
