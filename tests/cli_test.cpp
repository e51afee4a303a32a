// The built kestrum-convert, run as a user's script runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/cli_util.h"

namespace kestrum {
namespace {

using test::Cli;
using test::CliResult;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

TEST(Cli, HelpListsEveryCommandAndOption) {
  const CliResult r = Cli("--help");
  EXPECT_EQ(r.status, 0);
  for (const char* word :
       {"spaces",       "points",          "unit",          "calc",
        "abs-inc",      "xy-cx",           "rotary",        "translate",
        "replace",      "fix-line-ends",   "--mode",        "--style",
        "--output-dir", "-o FILE",         "--find",        "--with",
        "--op",         "--value",         "--format",      "--to",
        "--start",      "--start-comment", "--end-comment", "--point",
        "--axis",       "--m-codes",       "--table",       "--break-after-return"}) {
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
  }
  const CliResult unit = Cli("unit --help");
  EXPECT_EQ(unit.status, 0);
  EXPECT_NE(unit.out.find("mm-to-inch"), std::string::npos);
}

TEST(Cli, BadUsageExitsTwoWithOneLineNamingTheFault) {
  const struct {
    const char* args;
    const char* says;
  } rows[] = {
      {"frobnicate", "unknown command 'frobnicate'"},
      {"spaces --mode add --frob", "unknown option '--frob'"},
      {"spaces --mode", "option '--mode' needs a value"},
      {"spaces --mode sideways", "bad --mode 'sideways'"},
      {"spaces", "missing --mode"},
      {"unit --mode mm-to-inch --style haas", "bad --style 'haas'"},
      {"spaces --mode add -o a.nc b.nc c.nc", "-o takes one input"},
      {"points --mode add --point", "unknown option '--point'"},
      {"fix-line-ends --start-comment", "unknown option '--start-comment'"},
      {"translate", "missing --table"},
      {"abs-inc --to inc --start 1,2,3,4", "--start takes X,Y,Z"},
      {"rotary --m-codes 15", "--m-codes takes FWD,REV"},
      {"calc --find X --op pow --value 2", "bad --op 'pow'"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult r = Cli(row.args, "G01X1\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(Cli("").status, 2);
}

TEST(Cli, MissingInputFileExitsThreeAndNamesIt) {
  const CliResult r = Cli("spaces --mode add /nonexistent/part.nc");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("/nonexistent/part.nc"), std::string::npos);
  EXPECT_NE(r.err.find("No such file"), std::string::npos);
  const CliResult dir = Cli("spaces --mode add -o /nonexistent/out.nc", "G01\r\n");
  EXPECT_EQ(dir.status, 3);
  EXPECT_NE(dir.err.find("/nonexistent/out.nc"), std::string::npos);
}

TEST(Cli, OptionsMayStandAnywhereAfterTheCommand) {
  TempDir dir;
  const auto in = dir.path / "part.nc";
  WriteBytes(in, "G01 X1\r\n");
  const CliResult a = Cli("spaces --mode remove --style osp " + in.string());
  const CliResult b = Cli("spaces " + in.string() + " --style=osp --mode=remove");
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
}

TEST(Cli, OutputFileAndOutputDir) {
  TempDir dir;
  WriteBytes(dir.path / "a.nc", "G01X1\r\n");
  WriteBytes(dir.path / "b.nc", "G02X2\r\n");
  const auto out = dir.path / "out.nc";
  EXPECT_EQ(Cli("replace --find X --with Y " + (dir.path / "a.nc").string() + " -o " + out.string())
                .status,
            0);
  EXPECT_TRUE(std::filesystem::exists(out));
  std::filesystem::create_directory(dir.path / "converted");
  const CliResult r =
      Cli("replace --find X --with Y --output-dir " + (dir.path / "converted").string() + " " +
          (dir.path / "a.nc").string() + " " + (dir.path / "b.nc").string());
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.path / "converted" / "a.nc"));
  EXPECT_TRUE(std::filesystem::exists(dir.path / "converted" / "b.nc"));
  // One unreadable input among several: the others are still written, the status says 3.
  const CliResult some =
      Cli("replace --find X --with Y --output-dir " + (dir.path / "converted").string() + " " +
          (dir.path / "missing.nc").string() + " " + (dir.path / "b.nc").string());
  EXPECT_EQ(some.status, 3);
}

}  // namespace
}  // namespace kestrum
