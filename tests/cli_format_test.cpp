// kestrum-convert spaces, points and unit: the same text as the editor's dialogs, in the
// file's own encoding.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "convert/points.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "io/textcodec.h"
#include "tests/cli_util.h"

namespace kestrum {
namespace {

using test::Cli;
using test::CliResult;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A Shift-JIS program: "工具" and half-width "ｶ" in a comment, and 0xA0, a byte that stands
// for nothing in code page 932 and must come back as it was.
const std::string kShiftJisProgram =
    "O1001 (\x8d\x48\x8b\xef \xb6 \xa0)\r\n"
    "N10 G90 G54 G00X1000 Y-500 S2500 M3\r\n"
    "N20 G01 Z-2500 F100 (\x8d\x48\x8b\xef Z-2500)\r\n"
    "N30 G04 X1500\r\n"
    "N40 G96 S305 M30\r\n";

std::string Sample() {
  return ReadBytes(std::filesystem::path(KESTRUM_SOURCE_DIR) / "samples/pocket.nc");
}

struct Case {
  const char* args;
  std::function<std::u16string(std::u16string_view, Module1&)> core;
};

const Case kCases[] = {
    {"spaces --mode add",
     [](auto t, auto& m) { return ConvertSpaces(t, SpaceMode::kAddBlank, m); }},
    {"spaces --mode renumber",
     [](auto t, auto& m) { return ConvertSpaces(t, SpaceMode::kRenumber, m); }},
    {"spaces --mode remove",
     [](auto t, auto& m) { return ConvertSpaces(t, SpaceMode::kRemoveBlanks, m); }},
    {"points --mode add",
     [](auto t, auto& m) { return ConvertPoints(t, PointMode::kAddPoint, m); }},
    {"points --mode add-zero",
     [](auto t, auto& m) { return ConvertPoints(t, PointMode::kAddPointZero, m); }},
    {"points --mode remove",
     [](auto t, auto& m) { return ConvertPoints(t, PointMode::kRemove, m); }},
    {"unit --mode um-to-mm",
     [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kMicrometresToMm, m); }},
    {"unit --mode cmm-to-mm",
     [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kHundredthsToMm, m); }},
    {"unit --mode inch-to-mm",
     [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kInchToMm, m); }},
    {"unit --mode mm-to-inch",
     [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kMmToInch, m); }},
    {"unit --mode mm-to-um",
     [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kMmToMicrometres, m); }},
    {"unit --mode mm-to-cmm",
     [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kMmToHundredths, m); }},
};

TEST(CliFormat, WritesWhatTheCoreFunctionGivesInTheFilesEncoding) {
  TempDir dir;
  const auto in = dir.path / "pocket.nc";
  WriteBytes(in, Sample());
  const DecodedText decoded = DecodeText(Sample());
  ASSERT_EQ(decoded.encoding, Encoding::kShiftJis);
  for (const Case& c : kCases) {
    for (const int style : {1, 2}) {
      const std::string args =
          std::string(c.args) + (style == 1 ? " --style osp " : " --style fanuc ");
      SCOPED_TRACE(args);
      Module1 m;
      m.OutDialect = style;
      const auto expected = EncodeText(c.core(decoded.text, m), decoded.encoding);
      ASSERT_TRUE(expected.has_value());
      const CliResult from_file = Cli(args + in.string());
      EXPECT_EQ(from_file.status, 0) << from_file.err;
      EXPECT_EQ(from_file.err, "");
      EXPECT_EQ(from_file.out, *expected);
      const CliResult from_stdin = Cli(args, Sample());
      EXPECT_EQ(from_stdin.status, 0) << from_stdin.err;
      EXPECT_EQ(from_stdin.out, *expected);
    }
  }
}

TEST(CliFormat, StyleSelectsHowConvertedNumbersAreWritten) {
  const struct {
    const char* args;
    const char* out;
  } rows[] = {
      {"unit --mode um-to-mm --style osp", "G01X1Y-0.5F1.5\r\n"},
      {"unit --mode um-to-mm --style fanuc", "G01X1.0Y-0.5F1.5\r\n"},
      {"unit --mode um-to-mm", "G01X1.0Y-0.5F1.5\r\n"},  // FANUC style by default
      {"unit --style osp --mode mm-to-inch", "G01X39.3701Y-19.685F59.0551\r\n"},
      // Points and blanks do not depend on the style.
      {"points --mode add --style osp", "G01X1000.Y-500.F1500.\r\n"},
      {"spaces --mode add --style osp", "G01 X1000 Y-500 F1500\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult r = Cli(row.args, "G01X1000Y-500F1500");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row.out);
  }
}

TEST(CliFormat, ShiftJisFileKeepsItsBytesOutsideConvertedWords) {
  TempDir dir;
  const auto in = dir.path / "part.nc";
  const auto out = dir.path / "out.nc";
  WriteBytes(in, kShiftJisProgram);
  const CliResult r =
      Cli("unit --mode um-to-mm --style osp " + in.string() + " -o " + out.string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadBytes(out),
            "O1001 (\x8d\x48\x8b\xef \xb6 \xa0)\r\n"
            "N10 G90 G54 G00X1 Y-0.5 S2500 M3\r\n"
            "N20 G01 Z-2.5 F0.1 (\x8d\x48\x8b\xef Z-2500)\r\n"
            "N30 G04 X1.5\r\n"
            "N40 G96 S305 M30\r\n");
  const CliResult removed = Cli("spaces --mode remove", kShiftJisProgram);
  EXPECT_EQ(removed.out,
            "O1001(\x8d\x48\x8b\xef \xb6 \xa0)\r\n"
            "N10G90G54G00X1000Y-500S2500M3\r\n"
            "N20G01Z-2500F100(\x8d\x48\x8b\xef Z-2500)\r\n"
            "N30G04X1500\r\n"
            "N40G96S305M30\r\n");
}

TEST(CliFormat, Utf8FileStaysUtf8) {
  const std::string utf8 = "\xEF\xBB\xBFG01X10 (\xE5\xB7\xA5\xE5\x85\xB7)\r\n";
  const CliResult r = Cli("points --mode add-zero", utf8);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\xEF\xBB\xBFG01X10.0 (\xE5\xB7\xA5\xE5\x85\xB7)\r\n");
}

TEST(CliFormat, EmptyInputGivesOneEmptyLine) {
  for (const char* args : {"spaces --mode add", "points --mode remove", "unit --mode mm-to-um"}) {
    SCOPED_TRACE(args);
    const CliResult r = Cli(args, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\r\n");
  }
}

}  // namespace
}  // namespace kestrum
