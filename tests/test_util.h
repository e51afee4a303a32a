// Helpers shared by the test suites.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "io/textcodec.h"

namespace kestrum::test {

inline std::u16string U(std::string_view utf8) { return FromUtf8(utf8); }

// A bound on how long something may take, in a test that only guards against a quadratic
// blow-up: on the sanitizer and unoptimised builds, which run many times slower, the bound
// grows by the same factor. Speed itself is the benchmark's business.
#if defined(KESTRUM_SLOW_BUILD)
inline constexpr int kSlowBuildFactor = 10;
#else
inline constexpr int kSlowBuildFactor = 1;
#endif
inline std::chrono::milliseconds TimeLimit(std::chrono::milliseconds optimised) {
  return optimised * kSlowBuildFactor;
}
inline std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

// A real NC program of the shared corpus, or nothing (the test then skips) where the corpus
// is not beside the project.
inline std::optional<std::string> CorpusFile(const std::string& relative) {
  const std::filesystem::path path = std::filesystem::path(KESTRUM_CORPUS_DIR) / relative;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

#define KESTRUM_CORPUS_OR_SKIP(var, relative)                                     \
  const auto var##_bytes = ::kestrum::test::CorpusFile(relative);                 \
  if (!var##_bytes) GTEST_SKIP() << "corpus file " << (relative) << " not found"; \
  const std::u16string var = ::kestrum::DecodeText(*var##_bytes).text

}  // namespace kestrum::test
