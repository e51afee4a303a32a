// Running the built kestrum-convert from a test.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace kestrum::test {

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    std::random_device seed;
    path = std::filesystem::temp_directory_path() /
           ("kestrum-test-" + std::to_string(getpid()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs "kestrum-convert ARGS" through the shell with stdin_bytes on standard input.
inline CliResult Cli(const std::string& args, const std::string& stdin_bytes = {}) {
  TempDir dir;
  WriteBytes(dir.path / "stdin", stdin_bytes);
  const std::string command = std::string("'") + KESTRUM_CONVERT_EXE + "' " + args + " < '" +
                              (dir.path / "stdin").string() + "' > '" +
                              (dir.path / "stdout").string() + "' 2> '" +
                              (dir.path / "stderr").string() + "'";
  const int raw = std::system(command.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadBytes(dir.path / "stdout");
  r.err = ReadBytes(dir.path / "stderr");
  return r;
}

}  // namespace kestrum::test
