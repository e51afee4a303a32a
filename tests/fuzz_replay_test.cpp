// The inputs the fuzzers found a fault with, kept in tests/data/fuzz/<target>/ once mended,
// and the seeds they start from, run through the fuzzers' own checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "fuzz/checks.h"
#include "tests/cli_util.h"

namespace kestrum {
namespace {

TEST(FuzzRegressions, KeptInputsStillPass) {
  fuzz::SetFailureHandler([](const std::string& what) { throw std::runtime_error(what); });
  const std::filesystem::path root = std::filesystem::path(KESTRUM_SOURCE_DIR) / "tests/data/fuzz";
  int replayed = 0;
  for (const fuzz::Target target : fuzz::kTargets) {
    const std::filesystem::path dir = root / fuzz::Name(target);
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      const std::string bytes = test::ReadBytes(entry.path());
      SCOPED_TRACE(entry.path().string());
      EXPECT_NO_THROW(
          fuzz::Check(target, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
      ++replayed;
    }
  }
  std::printf("%d kept inputs replayed\n", replayed);
}

// Every check runs on the program files of the test data, as the fuzzers' seeds do.
TEST(FuzzRegressions, ChecksHoldOnTheTestPrograms) {
  fuzz::SetFailureHandler([](const std::string& what) { throw std::runtime_error(what); });
  const std::filesystem::path data = std::filesystem::path(KESTRUM_SOURCE_DIR) / "tests/data";
  for (const auto& entry : std::filesystem::directory_iterator(data)) {
    if (!entry.is_regular_file()) continue;
    const std::string bytes = test::ReadBytes(entry.path());
    for (const fuzz::Target target : fuzz::kTargets) {
      SCOPED_TRACE(entry.path().filename().string() + " " + fuzz::Name(target));
      // Every first byte, so that each option of each check is taken once.
      for (int first = 0; first < 256; first += 17) {
        const std::string input = static_cast<char>(first) + bytes;
        EXPECT_NO_THROW(
            fuzz::Check(target, reinterpret_cast<const std::uint8_t*>(input.data()), input.size()));
      }
    }
  }
}

}  // namespace
}  // namespace kestrum
