// What the fuzzers check: every conversion, the codec, the conversion table reader and the
// one-pass search commands, each on inputs drawn from arbitrary bytes, with properties beyond
// "no crash". The same checks replay the kept regression inputs in the normal test suite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrum::fuzz {

enum class Target {
  kSpaces,
  kPoints,
  kUnit,
  kAbsInc,
  kXyCx,
  kRotary,
  kTranslate,
  kCalc,
  kReplace,
  kFixLineEnds,
  kCodec,
  kTable,
  kSearch,
  kRotaryPath,
  kPaths,
};
inline constexpr Target kTargets[] = {
    Target::kSpaces, Target::kPoints,    Target::kUnit,   Target::kAbsInc,     Target::kXyCx,
    Target::kRotary, Target::kTranslate, Target::kCalc,   Target::kReplace,    Target::kFixLineEnds,
    Target::kCodec,  Target::kTable,     Target::kSearch, Target::kRotaryPath, Target::kPaths,
};

// The target's name: its fuzzer is fuzz_<name>, its kept inputs tests/data/fuzz/<name>/.
const char* Name(Target target);

// Runs the target's checks on one input. A property that does not hold calls the failure
// handler with what went wrong; the default one prints it and aborts, which is what a fuzzer
// needs to keep the input.
void Check(Target target, const std::uint8_t* data, std::size_t size);
void SetFailureHandler(std::function<void(const std::string& what)> handler);

}  // namespace kestrum::fuzz
