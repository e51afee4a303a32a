// The built kestrum-convert, run as a user's script runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "io/textcodec.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "search/search.h"
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
      {"rotary --m-codes '15(,16'", "an M code cannot hold a parenthesis"},
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

// The converter writes files as the editor saves them: through a symbolic link to the file
// it names, never over a file without write permission, keeping a replaced file's mode.
TEST(Cli, OutputFilesAreWrittenAsTheEditorWritesThem) {
  TempDir dir;
  const auto target = dir.path / "real.nc";
  WriteBytes(target, "OLD\r\n");
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink(target, dir.path / "link.nc");
  const CliResult linked =
      Cli("spaces --mode remove -o " + (dir.path / "link.nc").string(), "G01 X1\r\n");
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path / "link.nc"));
  EXPECT_EQ(ReadBytes(target), "G01X1\r\n");
  struct stat st;
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const auto read_only = dir.path / "read-only.nc";
  WriteBytes(read_only, "KEEP\r\n");
  ::chmod(read_only.c_str(), 0444);
  const CliResult refused = Cli("spaces --mode remove -o " + read_only.string(), "G01 X1\r\n");
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find(read_only.string()), std::string::npos) << refused.err;
  EXPECT_EQ(ReadBytes(read_only), "KEEP\r\n");
  // No temporary file is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
    EXPECT_EQ(entry.path().filename().string().find(".kestrum"), std::string::npos);
  }
}

// A run that fails leaves no result anywhere: no output file, nothing on standard output, be
// it a file or a pipe.
TEST(Cli, FailedRunWritesNothing) {
  TempDir dir;
  const auto table = dir.path / "table.csv";
  ConversionTable t;
  t.rows[2] = {{}, {TableField::Kind::kText, u"FANUC"}, {TableField::Kind::kText, u"OSP"}};
  WriteBytes(table, *WriteConversionTable(t));
  // Many good lines first, so that output would already have been written, then an increment
  // from a position no longer known (a line kept as written may have moved the tool).
  std::string program;
  for (int i = 0; i < 100000; ++i) program += "G01 X" + std::to_string(i) + ".\r\n";
  program += "G21\r\nU5.\r\n";
  WriteBytes(dir.path / "in.nc", program);
  const auto out = dir.path / "out.nc";
  const CliResult to_file = Cli("translate --table " + table.string() + " -o " + out.string() +
                                " " + (dir.path / "in.nc").string());
  EXPECT_EQ(to_file.status, 1);
  EXPECT_FALSE(std::filesystem::exists(out));
  const CliResult to_stdout = Cli("translate --table " + table.string(), program);
  EXPECT_EQ(to_stdout.status, 1);
  EXPECT_TRUE(to_stdout.out.empty());
  EXPECT_NE(to_stdout.err.find("Uの増分"), std::string::npos) << to_stdout.err;
  const std::string piped =
      "sh -c \"'" + std::string(KESTRUM_CONVERT_EXE) + "' translate --table '" + table.string() +
      "' < '" + (dir.path / "in.nc").string() + "' 2>/dev/null | cat > '" + out.string() + "'\"";
  ASSERT_EQ(std::system(piped.c_str()), 0);
  EXPECT_TRUE(ReadBytes(out).empty());
}

// Words left as written are reported on standard error; the run still succeeds.
TEST(Cli, ReportGoesToStandardErrorAndTheRunSucceeds) {
  const CliResult r =
      Cli("unit --mode mm-to-um --style osp", "X1.\r\nX#1\r\nZ[2+3*4]\r\nX[1]2\r\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "X1000\r\nX#1\r\nZ14000\r\nX[1]2\r\n");
  EXPECT_EQ(r.err, "式の値が分からないため変換していないワードがあります: 2, 4 行\n");
  // 2416.8125 lies exactly on a tie in single precision: away from zero.
  EXPECT_EQ(Cli("unit --mode inch-to-mm --style osp", "X95.1501\r\n").out, "X2416.813\r\n");
}

// A program much larger than the pieces the converter reads and writes at a time, with
// multi-byte characters and lines of every length across the cuts, gives exactly the
// editor's result for every kind of command.
TEST(Cli, LargeProgramsConvertInPiecesAsAWhole) {
  std::string utf8;
  for (int i = 0; utf8.size() < 5'000'000; ++i) {
    utf8 += "N" + std::to_string(i) + " G01 X" + std::to_string(i % 997) + ".5 Y-" +
            std::to_string(i % 31) + " (工具" + std::string(i % 300, 'A') + ")\r\n";
    if (i % 1000 == 0) utf8 += "G91 X1. Z[1+2*3]\r\nG90\r\n";
  }
  const std::u16string text = FromUtf8(utf8);
  const struct {
    std::string args;
    std::function<std::u16string(std::u16string_view, Module1&)> core;
  } cases[] = {
      {"spaces --mode renumber",
       [](auto t, auto& m) { return ConvertSpaces(t, SpaceMode::kRenumber, m); }},
      {"unit --mode mm-to-um",
       [](auto t, auto& m) { return ConvertUnit(t, UnitMode::kMmToMicrometres, m); }},
      {"abs-inc --to inc --end-comment",
       [](auto t, auto& m) {
         AbsIncOptions o;
         o.end_comment = true;
         return *ConvertAbsInc(t, o, m);
       }},
      {"replace --find 工具 --with T",
       [](auto t, auto& m) { return ReplaceAllText(t, u"工具", u"T", m).text; }},
      {"calc --find X --op mul --value 2",
       [](auto t, auto& m) {
         return CalcReplaceAllText(t, {u"X", CalcOp::kMul, u"2", 1}, m).text;
       }},
  };
  TempDir dir;
  const auto in = dir.path / "big.nc";
  WriteBytes(in, utf8);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    Module1 m;
    m.OutDialect = 2;
    const CliResult r = Cli(c.args + " " + in.string());
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(r.out == ToUtf8(c.core(text, m)));
  }
}

}  // namespace
}  // namespace kestrum
