#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "shell/document.h"
#include "shell/window_layout.h"
#include "tests/cli_util.h"
#include "tests/test_util.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::U;
using test::Utf8;
using test::WriteBytes;

mode_t ModeOf(const fs::path& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

std::size_t FilesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(StartupPath, QuotesCutThePathOut) {
  const struct {
    const char* arguments;
    const char* path;
  } rows[] = {
      {"part.nc", "part.nc"},
      {"/nc/my part.nc", "/nc/my part.nc"},  // unquoted: blanks belong to the path
      {"\"/nc/my part.nc\" -x 5", "/nc/my part.nc"},
      {"-x \"/nc/a.nc\"", "/nc/a.nc"},
      {"\"/nc/a.nc", "/nc/a.nc"},  // no closing quote: the rest
      {"\"\"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.arguments);
    EXPECT_EQ(Utf8(StartupPath(U(row.arguments))), row.path);
  }
}

TEST(ReadTwips, NumbersOrTheDefault) {
  const struct {
    const char* text;
    float value;
  } rows[] = {
      {"12000", 12000}, {" 1500 ", 1500}, {"-300", -300}, {"1234.5", 1234.5f},
      {"", 7},          {"abc", 7},       {"12abc", 7},   {"1e5", 7},  // not plain numbers
      {"99999999", 7},  {"-500000", 7},                                // no window is that large
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ReadTwips(U(row.text), 7), row.value);
  }
  EXPECT_EQ(Utf8(TwipsText(12000.0f)), "12000");
  EXPECT_EQ(Utf8(TwipsText(1234.5f)), "1234.5");
  EXPECT_EQ(ReadTwips(TwipsText(1005.0f / 3), 0), 1005.0f / 3);  // single precision round trip
}

TEST(LayoutMain, FollowsTheWindowAndNeverGoesNegative) {
  const MainLayout l = LayoutMain(12000, 10000);
  EXPECT_EQ(l.line_right, 12000);
  EXPECT_EQ(l.source.left, 40);
  EXPECT_EQ(l.source.width, 5800);
  EXPECT_EQ(l.source.height, 7810);
  EXPECT_EQ(l.preview.left, 5900);
  EXPECT_EQ(l.preview.width, 5800);
  EXPECT_EQ(l.accept.left, 9350);
  EXPECT_EQ(l.cancel.left, 10550);
  EXPECT_EQ(l.file_name.width, 5790);
  EXPECT_EQ(l.preview_label.left, 5900);

  const MainLayout tiny = LayoutMain(300, 1000);
  EXPECT_EQ(tiny.source.width, 0);
  EXPECT_EQ(tiny.source.height, 0);
  EXPECT_EQ(tiny.preview.width, 0);
  EXPECT_EQ(tiny.file_name.width, 0);
  EXPECT_EQ(tiny.preview.left, 100);
}

TEST(WriteFileAtomically, CreatesAndReplacesKeepingPermissions) {
  TempDir dir;
  const fs::path file = dir.path / "part.nc";
  std::string reason;
  ASSERT_TRUE(WriteFileAtomically(file.string(), "G01\r\n", &reason)) << reason;
  EXPECT_EQ(ReadBytes(file), "G01\r\n");
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(ModeOf(file), 0666 & ~mask);

  fs::permissions(file, fs::perms(0640));
  ASSERT_TRUE(WriteFileAtomically(file.string(), "G02\r\n", &reason)) << reason;
  EXPECT_EQ(ReadBytes(file), "G02\r\n");
  EXPECT_EQ(ModeOf(file), 0640u);
  EXPECT_EQ(FilesIn(dir.path), 1u);  // no temporary file left behind
}

TEST(WriteFileAtomically, FollowsASymbolicLink) {
  TempDir dir;
  WriteBytes(dir.path / "real.nc", "old");
  fs::create_symlink("real.nc", dir.path / "link.nc");
  std::string reason;
  ASSERT_TRUE(WriteFileAtomically((dir.path / "link.nc").string(), "new", &reason)) << reason;
  EXPECT_TRUE(fs::is_symlink(dir.path / "link.nc"));
  EXPECT_EQ(ReadBytes(dir.path / "real.nc"), "new");
}

TEST(WriteFileAtomically, FailureLeavesTheOldFileWhole) {
  TempDir dir;
  const fs::path file = dir.path / "part.nc";
  std::string reason;

  // A read-only target is not replaced, even though the folder would allow a rename.
  WriteBytes(file, "keep");
  fs::permissions(file, fs::perms(0444));
  EXPECT_FALSE(WriteFileAtomically(file.string(), "lost", &reason));
  EXPECT_EQ(reason, "Permission denied");
  EXPECT_EQ(ReadBytes(file), "keep");
  fs::permissions(file, fs::perms(0644));

  // A folder that does not exist.
  EXPECT_FALSE(WriteFileAtomically((dir.path / "no" / "part.nc").string(), "x", &reason));
  EXPECT_EQ(reason, "No such file or directory");

  // The disk fills up in the middle of the write (a file size limit fails the write alike).
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit;
  ::getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit limit = old_limit;
  limit.rlim_cur = 1000;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const bool written = WriteFileAtomically(file.string(), std::string(5000, 'X'), &reason);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(written);
  EXPECT_EQ(reason, "File too large");
  EXPECT_EQ(ReadBytes(file), "keep");
  EXPECT_EQ(FilesIn(dir.path), 1u);
}

TEST(ReadFileBytes, RefusesWhatIsNotARegularFile) {
  TempDir dir;
  std::string reason;
  EXPECT_FALSE(ReadFileBytes((dir.path / "missing.nc").string(), &reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(ReadFileBytes(dir.path.string(), &reason));
  EXPECT_EQ(reason, "Is a directory");
  // A pipe would never end: it is refused at once instead of read.
  ASSERT_EQ(::mkfifo((dir.path / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(ReadFileBytes((dir.path / "pipe").string(), &reason));
  EXPECT_EQ(reason, "not a regular file");

  WriteBytes(dir.path / "empty.nc", "");
  const auto empty = ReadFileBytes((dir.path / "empty.nc").string(), &reason);
  ASSERT_TRUE(empty);
  EXPECT_EQ(*empty, "");
}

TEST(SaveProgram, KeepsTheBytesOfAFileSavedUnedited) {
  const std::string rows[] = {
      "G01\r\nX1\nY2\rZ3",                           // mixed line ends
      "(\x89\xc1\x8d\x48)\r\nG01 X1.\r\n",           // Shift-JIS comment
      "(\x89\xc1\xff\x80)\r\n",                      // bytes that are not Shift-JIS
      "\xef\xbb\xbf(\xe5\x8a\xa0\xe5\xb7\xa5)\r\n",  // UTF-8 with a byte-order mark
      "(\xe5\x8a\xa0\xe5\xb7\xa5)\n",                // UTF-8
  };
  TempDir dir;
  const fs::path file = dir.path / "part.nc";
  for (const std::string& bytes : rows) {
    SCOPED_TRACE(bytes);
    WriteBytes(file, bytes);
    const LoadedProgram loaded = LoadProgram(file.string());
    ASSERT_TRUE(loaded.ok);
    fs::remove(file);
    EXPECT_EQ(Utf8(SaveProgram(file.string(), loaded.text.text, loaded.text.encoding)), "");
    EXPECT_EQ(ReadBytes(file), bytes);
  }
}

TEST(SaveProgram, NamesTheCharacterTheEncodingCannotHold) {
  TempDir dir;
  const fs::path file = dir.path / "part.nc";
  WriteBytes(file, "old");
  const std::u16string reason =
      SaveProgram(file.string(), u"G01\r\nX1 (\U0001F600)\r\n", Encoding::kShiftJis);
  EXPECT_EQ(Utf8(reason),
            "2 行目の文字 \"\U0001F600\" (U+1F600) は Shift-JIS のファイルに書き込めません。");
  EXPECT_EQ(ReadBytes(file), "old");
}

}  // namespace
}  // namespace kestrum
