// kestrum-convert replace, fix-line-ends and calc, run as a user's script runs them.
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

TEST(CliSearch, ReplacesAndReportsOnStandardError) {
  const struct {
    const char* args;
    const char* in;
    const char* out;
    const char* err;
  } rows[] = {
      {"replace --find G01 --with G1", "G01 X1\r\nG01 Y2\r\n", "G1 X1\r\nG1 Y2\r\n",
       "2 回 変更しました。\n"},
      {"replace --find 1 --with 11", "X1Y1\r\n", "X11Y11\r\n", "2 回 変更しました。\n"},
      {"replace --find 'G01 ' --with ''", "G01 X1\r\n", "X1\r\n", "1 回 変更しました。\n"},
      {"replace --find G02 --with G1", "G01 X1\r\n", "G01 X1\r\n",
       "\"G02\" 見つかりませんでした。\n"},
      {"fix-line-ends", "A\nB\r\nC\n", "A\r\nB\r\nC\r\n", "2 回 変更しました。\n"},
      {"fix-line-ends", "A\r\nB\r\n", "A\r\nB\r\n", "\"\n\" 見つかりませんでした。\n"},
      {"fix-line-ends", "", "", "\"\n\" 見つかりませんでした。\n"},
      {"calc --find Z --op add --value 100", "G00Z50.\r\n", "G00Z150\r\n", "1 回変更しました。\n"},
      {"calc --find Z --op add --value 100 --format 2", "G00Z50.\r\n", "G00Z150.\r\n",
       "1 回変更しました。\n"},
      {"calc --find Z --op add --value 100 --format 3", "G00Z50.\r\n", "G00Z150.0\r\n",
       "1 回変更しました。\n"},
      {"calc --find G --op add --value 1 --format 4", "G1X5\r\n", "G02X5\r\n",
       "1 回変更しました。\n"},
      {"calc --find SB --op mul --value 1.5", "SB = 10\r\n", "SB=15\r\n", "1 回変更しました。\n"},
      {"calc --find X --op div --value 2mm", "X5\r\n", "X2.5\r\n", "1 回変更しました。\n"},
      {"calc --find DA --op sub --value 1", "X5\r\n", "X5\r\n", "\"DA\" 見つかりません。\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult r = Cli(row.args, row.in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.err, row.err);
  }
}

TEST(CliSearch, ValuesThatCannotBeComputedExitTwo) {
  const struct {
    const char* args;
    const char* says;
  } rows[] = {
      {"calc --find X --op add --value abc", "\"abc\" は数値ではありません。"},
      {"calc --find X --op sub --value 1,5", "\"1,5\" は数値ではありません。"},
      {"calc --find X --op div --value 0", "0 で割ることはできません。"},
      {"calc --find X --op div --value abc", "0 で割ることはできません。"},
      {"calc --find '' --op add --value 1", "--find needs a text"},
      {"calc --find X --op add --value 1 --format 5", "bad --format '5'"},
      {"calc --find X --op add", "missing --value"},
      {"replace --with G1", "missing --find"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args);
    const CliResult r = Cli(row.args, "X10\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
  }
}

TEST(CliSearch, KeepsTheFileEncodingAndItsUndecodableBytes) {
  TempDir dir;
  // "(テスト)" in Shift-JIS, and a byte that no code page 932 character starts with.
  WriteBytes(dir.path / "sjis.nc", "(\x83\x65\x83\x58\x83\x67)G01\nX1\xFF\n");
  const CliResult replaced =
      Cli("replace --find G01 --with G1 '" + (dir.path / "sjis.nc").string() + "' -o '" +
          (dir.path / "replaced.nc").string() + "'");
  EXPECT_EQ(replaced.status, 0) << replaced.err;
  EXPECT_EQ(ReadBytes(dir.path / "replaced.nc"), "(\x83\x65\x83\x58\x83\x67)G1\nX1\xFF\n");
  const CliResult repaired = Cli("fix-line-ends '" + (dir.path / "sjis.nc").string() + "'");
  EXPECT_EQ(repaired.status, 0) << repaired.err;
  EXPECT_EQ(repaired.out, "(\x83\x65\x83\x58\x83\x67)G01\r\nX1\xFF\r\n");
}

}  // namespace
}  // namespace kestrum
