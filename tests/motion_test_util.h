// Helpers of the path tests: a path collected whole, texts of lines, checks of two texts.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "motion/compare.h"
#include "motion/interpreter.h"
#include "tests/test_util.h"

namespace kestrum::test {

struct CollectedPath final : PathSink {
  std::vector<Move> moves;
  std::vector<std::pair<std::uint64_t, Unchecked>> unchecked;
  void OnMove(const Move& m) override { moves.push_back(m); }
  void OnUnchecked(std::uint64_t line, Unchecked why) override {
    unchecked.emplace_back(line, why);
  }
};

// Lines joined with CR LF, each line ended.
inline std::u16string Program(const std::vector<std::string>& lines) {
  std::u16string text;
  for (const auto& line : lines) text += U(line) + u"\r\n";
  return text;
}

inline CollectedPath PathOf(const std::u16string& text, const InterpreterOptions& options = {}) {
  CollectedPath path;
  Interpret(text, options, path);
  return path;
}

inline InterpreterOptions Calculator() {
  InterpreterOptions o;
  o.no_point = NoPoint::kMm;
  return o;
}

// The first difference as "source line / result line", or "same".
inline std::string Verdict(const CheckResult& r) {
  if (r.same()) return "same";
  return std::to_string(r.difference->source.number()) + "/" +
         std::to_string(r.difference->result.number());
}

}  // namespace kestrum::test
