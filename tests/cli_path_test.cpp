// kestrum-convert verify, plot and --verify, run as a shop's script runs them.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli_util.h"

namespace kestrum {
namespace {

using test::Cli;
using test::CliResult;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// Two programs as files in a folder of their own.
struct Pair {
  TempDir dir;
  std::string source, result;
  Pair(const std::string& a, const std::string& b) {
    source = (dir.path / "source.nc").string();
    result = (dir.path / "result.nc").string();
    WriteBytes(source, a);
    WriteBytes(result, b);
  }
  CliResult Verify(const std::string& options = "") const {
    return Cli("verify " + options + " " + source + " " + result);
  }
};

TEST(CliVerify, SummaryAndExitStatus) {
  const std::string program = "G90 G00 X10. Y20.\r\nG01 Z-1. F100\r\nX30.\r\n";
  const struct {
    std::string result;
    std::string options;
    int status;
    std::string summary;
  } rows[] = {
      {"G91\r\n(G90) G00 X10. Y20.\r\nG01 Z-1. F100\r\nX20.\r\n", "", 0,
       "same path: 3 moves compared, 0 unchecked, largest deviation 0.0000 mm"},
      {"G90 G00 X10. Y20.\r\nG01 Z-1. F100\r\nX30.01\r\n", "", 1,
       "different path: source line 3 (X30.0000 Y20.0000 Z-1.0000) and result line 3 "
       "(X30.0100 Y20.0000 Z-1.0000) are 0.0100 mm apart; 2 moves compared before"},
      // Within the tolerance asked for.
      {"G90 G00 X10. Y20.\r\nG01 Z-1. F100\r\nX30.01\r\n", "--tolerance 0.02", 0,
       "same path: 3 moves compared, 0 unchecked, largest deviation 0.0100 mm"},
      {"G90 G00 X10. Y20.\r\nG00 Z-1.\r\nX30.\r\n", "", 1,
       "different path: source line 2 (X10.0000 Y20.0000 Z-1.0000) is a feed move, result line "
       "2 a rapid move; 1 moves compared before"},
      {"G90 G00 X10. Y20.\r\nG01 Z-1. F100\r\n", "", 1,
       "different path: source line 3 (X30.0000 Y20.0000 Z-1.0000) has no move in the result, "
       "which ends at result line 2; 2 moves compared before"},
      // mm to inch, the relation in mm.
      {"G90 G00 X0.3937 Y0.7874\r\nG01 Z-0.0394 F100\r\nX1.1811\r\n", "--relation scale:0.04", 1,
       ""},
      {"G90 G00 X0.3937 Y0.7874\r\nG01 Z-0.0394 F100\r\nX1.1811\r\n",
       "--relation scale:0.039370079", 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result + row.options);
    const Pair pair(program, row.result);
    const CliResult r = pair.Verify(row.options);
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
    if (!row.summary.empty()) {
      EXPECT_EQ(r.out, row.summary + "\n");
    }
  }
}

TEST(CliVerify, PolarAndRotaryRelations) {
  const struct {
    std::string source, result, relation;
    int status;
  } rows[] = {
      {"G01 X10. Y10.\r\n", "G01 C45.0 X28.284\r\n", "xy-to-cx", 0},
      {"G01 X10. Y10.\r\n", "G01 C45.1 X28.284\r\n", "xy-to-cx", 1},
      {"G01 C90. X20.\r\n", "G01 X0 Y10.\r\n", "cx-to-xy", 0},
      {"G00 C90.\r\nC300.\r\n", "G00 C90.\r\nC300. M16\r\n", "rotary", 0},
      {"G00 C90.\r\nC300.\r\n", "G00 C90.\r\nC300.\r\n", "rotary", 1},
      {"G00 A90.\r\nA300.\r\n", "G00 A90.\r\nA300. M116\r\n", "rotary:A,115,116", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.result + row.relation);
    const Pair pair(row.source, row.result);
    const CliResult r = pair.Verify("--relation " + row.relation);
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
  }
}

TEST(CliVerify, LinesNotFollowedGoToStandardError) {
  const Pair pair("G01 X1.\r\nX#1\r\nG81 X5. Z-2. R1.\r\nG80\r\n",
                  "G01 X1.\r\nX#1\r\nG81 X5. Z-2. R1.\r\nG80\r\n");
  const CliResult r = pair.Verify();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "same path: 1 moves compared, 2 unchecked, largest deviation 0.0000 mm\n");
  EXPECT_NE(r.err.find("not followed in the source, variable or expression without a known "
                       "value: line 2\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("not followed in the source, canned cycle: line 3\n"), std::string::npos)
      << r.err;
}

TEST(CliVerify, BadUsageAndFiles) {
  const Pair pair("X1.\r\n", "X1.\r\n");
  const struct {
    std::string args;
    int status;
  } rows[] = {
      {"verify " + pair.source, 2},
      {"verify " + pair.source + " " + pair.result + " " + pair.result, 2},
      {"verify --relation warp " + pair.source + " " + pair.result, 2},
      {"verify --relation scale:0 " + pair.source + " " + pair.result, 2},
      {"verify --relation rotary:X " + pair.source + " " + pair.result, 2},
      {"verify --tolerance -1 " + pair.source + " " + pair.result, 2},
      {"verify --no-point cm " + pair.source + " " + pair.result, 2},
      {"verify -o out.nc " + pair.source + " " + pair.result, 2},
      {"verify " + pair.source + " " + (pair.dir.path / "missing.nc").string(), 3},
      {"plot " + pair.source, 2},  // no -o
      {"plot --view top -o - " + pair.source, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    EXPECT_EQ(Cli(row.args).status, row.status);
  }
}

// Adding points serves programs written for calculator-style input; the check reads the
// source so and the result with FANUC's meaning.
TEST(CliVerify, PointsOfAProgramMeantInIncrements) {
  const std::string program = "G90 G01 X12 Y-5 Z1.5\r\n";
  const CliResult added = Cli("points --mode add --verify", program);
  EXPECT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "G90 G01 X12. Y-5. Z1.5\r\n");
  EXPECT_EQ(FirstLine(added.err),
            "same path: 1 moves compared, 0 unchecked, largest deviation 0.0000 mm");
  // Where the source meant increments (X12 is 0.012 mm), the points change the path.
  const Pair pair(program, added.out);
  const CliResult r = pair.Verify("--no-point increments");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(FirstLine(r.out),
            "different path: source line 1 (X0.0120 Y-0.0050 Z1.5000) and result line 1 "
            "(X12.0000 Y-5.0000 Z1.5000) are 12.9870 mm apart; 0 moves compared before");
}

TEST(CliVerify, EveryConversionChecksItsResult) {
  const std::string program =
      "%\r\nG90 G54 G00 X10. Y20. C90.\r\nG01 Z-1. C180. F100\r\nG02 X30. Y20. I10. J0\r\n"
      "G91 G28 Z0\r\nM30\r\n";
  const struct {
    const char* args;
    int status;
    const char* summary;
  } rows[] = {
      {"spaces --mode remove", 0, "same path: 3 moves compared, 0 unchecked"},
      {"spaces --mode renumber", 0, "same path: 3 moves compared, 0 unchecked"},
      {"points --mode add-zero", 0, "same path: 3 moves compared, 0 unchecked"},
      {"unit --mode mm-to-inch", 0, "same path: 3 moves compared, 0 unchecked"},
      {"unit --mode mm-to-um", 0, "same path: 3 moves compared, 0 unchecked"},
      {"rotary", 0, "same path: 3 moves compared, 0 unchecked"},
      {"xy-cx --to cx", 1, "different path: source line 2"},  // the line with C stays
      {"replace --find X10. --with X11.", 0, "path not judged"},
      {"calc --find X --op add --value 1", 0, "path not judged"},
      // G90 to G91 turns the C axis by increments too.
      {"abs-inc --to inc", 0, "same path: 3 moves compared, 0 unchecked"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult plain = Cli(row.args, program);
    const CliResult r = Cli(std::string(row.args) + " --verify", program);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out, plain.out);  // the result is written either way
    EXPECT_NE(r.err.find(row.summary), std::string::npos) << r.err;
  }
}

TEST(CliVerify, FixLineEndsReadsLineFeedsAsTheControlDoes) {
  const CliResult r = Cli("fix-line-ends --verify", "G01 X1.\nY2.\nX3.\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "G01 X1.\r\nY2.\r\nX3.\r\n");
  EXPECT_NE(r.err.find("same path: 3 moves compared"), std::string::npos) << r.err;
}

TEST(CliVerify, TranslationComparesAcrossDialects) {
  TempDir dir;
  const std::string table = std::string(KESTRUM_SOURCE_DIR) + "/tables/FANUC→OSP.csv";
  const CliResult r = Cli("translate --verify --table '" + table + "'",
                          "G90 G54 G00 X10. Y20.\r\nG04 X1.5\r\n"
                          "G01 Z-1. F100\r\nM30\r\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.starts_with("same path: 2 moves compared")) << r.err;
}

TEST(CliPlot, PictureOfOneAndOfTwoPaths) {
  const Pair pair("G00 X0 Y0\r\nG01 X10. F100\r\nG02 X20. I5.\r\nG00 Y10.\r\n",
                  "G00 X0 Y0\r\nG01 X10. F100\r\nG02 X20. I5.\r\nG00 Y12.\r\n");
  const std::string svg = (pair.dir.path / "path.svg").string();
  CliResult r = Cli("plot --view xy --width 400 -o " + svg + " " + pair.source);
  EXPECT_EQ(r.status, 0) << r.err;
  std::string picture = ReadBytes(svg);
  EXPECT_TRUE(picture.starts_with("<?xml")) << picture;
  EXPECT_NE(picture.find("width=\"400.0\""), std::string::npos);
  EXPECT_NE(picture.find("stroke-dasharray"), std::string::npos);  // the rapids
  EXPECT_NE(picture.find("<polyline"), std::string::npos);
  EXPECT_EQ(picture.find("<circle"), std::string::npos);
  // Overlaid: the difference is marked, and the exit status says so.
  r = Cli("plot --view iso --against " + pair.result + " -o " + svg + " " + pair.source);
  EXPECT_EQ(r.status, 1);
  picture = ReadBytes(svg);
  EXPECT_NE(picture.find("<circle"), std::string::npos);
  EXPECT_NE(picture.find(">4 / 4<"), std::string::npos);
  EXPECT_TRUE(r.err.starts_with("different path: source line 4")) << r.err;
}

TEST(CliPlot, HelpListsTheNewCommands) {
  const CliResult r = Cli("--help");
  EXPECT_NE(r.out.find("  verify "), std::string::npos);
  EXPECT_NE(r.out.find("  plot "), std::string::npos);
  EXPECT_NE(r.out.find("--verify"), std::string::npos);
  EXPECT_NE(Cli("plot --help").out.find("--against OTHER"), std::string::npos);
}

}  // namespace
}  // namespace kestrum
