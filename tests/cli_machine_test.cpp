// kestrum-convert translate, run as a user's script runs it.
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

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// The table as the build ships it, next to the executables.
std::string ShippedTable(const char* name) {
  return Quoted(std::filesystem::path(KESTRUM_BINARY_DIR) / std::filesystem::u8path(name));
}

std::string Data(const char* name) {
  return ReadBytes(std::filesystem::path(KESTRUM_SOURCE_DIR) / "tests" / "data" / name);
}

TEST(CliTranslate, EachShippedTableTranslatesItsDirection) {
  const struct {
    const char* table;
    const char* options;
    const char* src;
    const char* expected;
    const char* kept;  // the lines with codes the table and the rules do not know
  } rows[] = {
      {"オークマ OSP→山崎技研 YZ機 FANUC.csv", "", "osp_bracket.min", "osp_bracket.fanuc.nc",
       "34, 37"},
      {"FANUC→OSP.csv", "", "fanuc_bracket.nc", "fanuc_bracket.osp.min", "4, 36"},
      {"FANUC→OSP.csv", "--break-after-return", "fanuc_bracket.nc", "fanuc_bracket.osp.check1.min",
       "4, 36"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.src);
    // --style does not change a translation: its style comes from the table.
    const CliResult r = Cli(
        std::string("translate --style osp --table ") + ShippedTable(row.table) + " " + row.options,
        Data(row.src));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "変換できないコードをそのまま残しました: " + std::string(row.kept) + " 行\n");
    EXPECT_EQ(r.out, Data(row.expected));  // bytes: a code page 932 comment stays so
  }
}

TEST(CliTranslate, FailureExitsOneWithTheMessageAndWritesNothing) {
  TempDir dir;
  const auto out = dir.path / "out.nc";
  const CliResult r = Cli(
      "translate --table " + ShippedTable("FANUC→OSP.csv") + " -o " + Quoted(out), "G01 X1\nX2\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("改行コードがLFのみかも知れません。"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliTranslate, TableFaultsExitWithTheirStatusAndMessage) {
  const struct {
    const char* name;
    const char* bytes;  // nullptr: no such file
    int status;
    const char* says;
  } rows[] = {
      {"none.csv", "h,h,h\r\nh,h,h\r\n\"a\",\"b\",\"c\"\r\n\"d\",\"OSP\",\"OSP\"\r\n", 1, "2行目"},
      {"broken.csv", "h,h,h\r\nh,h,h\r\n\"a,b,c\r\n", 1, "変換ファイル名エラー"},
      {"missing.csv", nullptr, 3, "missing.csv"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    if (row.bytes) WriteBytes(dir.path / row.name, row.bytes);
    const CliResult r = Cli("translate --table " + Quoted(dir.path / row.name), "G01 X1\r\n");
    EXPECT_EQ(r.status, row.status);
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace kestrum
