// kestrum-convert abs-inc, xy-cx and rotary, run as a user's script runs them.
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

TEST(CliCoord, EachCommandWithItsOptions) {
  const char* const program = "O0001\r\nG90G54G00X10.Y20.\r\nZ5.\r\nG01Z-1.F100\r\nX30.\r\nM30\r\n";
  const char* const rotary = "G90G00C90.\r\nB270.\r\nC300.\r\n";
  const struct {
    const char* args;
    const char* in;
    const char* out;
  } rows[] = {
      {"abs-inc --to inc --point", program,
       "O0001\r\nG91\r\n(G90)G54G00X10.Y20.\r\nZ5.\r\nG01Z-6.F100\r\nX20.\r\nM30\r\n"},
      {"abs-inc --to inc --style osp --start 10,0,5 --start-comment --end-comment", program,
       "O0001\r\n(CONVERT START G90 X10 Y0 Z5)\r\nG91\r\n(G90)G54G00X0Y20\r\nZ0\r\n"
       "G01Z-6F100\r\nX20\r\nM30\r\n(END POINT G90 X30 Y20 Z-1)\r\n"},
      {"abs-inc --to abs", program,
       "O0001\r\nG90\r\n(G90)G54G00X10.0Y20.0\r\nZ5.0\r\nG01Z-1.0F100\r\nX30.0\r\nM30\r\n"},
      // Start texts are read as their leading number, like the dialog's boxes.
      {"abs-inc --to inc --start 5mm,,abc --point", program,
       "O0001\r\nG91\r\n(G90)G54G00X5.Y20.\r\nZ5.\r\nG01Z-6.F100\r\nX20.\r\nM30\r\n"},
      // An LF-only input is one line until its line ends are repaired.
      {"xy-cx --to cx", "G01X10.Y10.F200\nM30", "G01C45.0X28.284F200\nM30\r\n"},
      {"xy-cx --style osp --to xy", "X20.C90.\r\nC180.\r\n", "X0Y10\r\nX-10Y0\r\n"},
      {"rotary", rotary, "G90G00C90.\r\nB270.\r\nC300. M16\r\n"},
      {"rotary --axis B --m-codes 115,116", rotary, "G90G00C90.\r\nB270. M116\r\nC300.\r\n"},
      {"rotary --axis BC", rotary, rotary},  // one letter or nothing is turned
      {"rotary --axis c", rotary, rotary},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult r = Cli(row.args, row.in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(CliCoord, ShiftJisFileKeepsItsEncoding) {
  TempDir dir;
  // "(加工)" in Shift-JIS.
  const std::string comment = "(\x89\xc1\x8d\x48)";
  WriteBytes(dir.path / "part.nc", comment + "\r\nX10.Y10.\r\n");
  const CliResult r = Cli("xy-cx --to cx -o " + (dir.path / "out.nc").string() + " " +
                          (dir.path / "part.nc").string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(dir.path / "out.nc"), comment + "\r\nC45.0X28.284\r\n");
}

TEST(CliCoord, BadOptionsExitTwo) {
  for (const char* args : {"abs-inc", "abs-inc --to up", "abs-inc --to inc --start 1,2,3,4",
                           "xy-cx --to yx", "rotary --m-codes 15", "rotary --axis"}) {
    SCOPED_TRACE(args);
    const CliResult r = Cli(args, "X1.\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace kestrum
