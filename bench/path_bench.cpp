// kestrum-path-bench: the speed of the path check on a program, next to sed on the same file.
//
//   kestrum-path-bench PROGRAM [RUNS]
//
// Prints the median wall time of RUNS runs (default 5) of: sed 's/ //g' on the file,
// interpreting the program (decoded, and from its bytes), comparing two paths of it whose
// moves are held already, and for each conversion with a relation the conversion itself next
// to the editor's check of its result (both programs interpreted and compared).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "io/file_io.h"
#include "io/textcodec.h"
#include "motion/compare.h"
#include "motion/relations.h"

namespace kestrum {
namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Time(int runs, const std::function<void()>& f) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    f();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  return Median(ms);
}

struct Counter final : PathSink {
  std::uint64_t moves = 0, unchecked = 0;
  void OnMove(const Move&) override { ++moves; }
  void OnUnchecked(std::uint64_t, Unchecked) override { ++unchecked; }
};

struct Held final : PathSink {
  std::vector<Move> moves;
  void OnMove(const Move& m) override { moves.push_back(m); }
  void OnUnchecked(std::uint64_t, Unchecked) override {}
};

int Main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kestrum-path-bench PROGRAM [RUNS]\n");
    return 2;
  }
  const std::string path = argv[1];
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::string reason;
  const auto bytes = ReadFileBytes(path, &reason, SIZE_MAX);
  if (!bytes) {
    std::fprintf(stderr, "kestrum-path-bench: %s: %s\n", path.c_str(), reason.c_str());
    return 3;
  }
  const std::u16string text = DecodeText(*bytes).text;
  const double mb = static_cast<double>(bytes->size()) / 1e6;
  const ProgramReading reading{Dialect::kFanuc, NoPoint::kMm};
  InterpreterOptions options;
  options.no_point = NoPoint::kMm;

  const std::string sed = "sed 's/ //g' '" + path + "' > /dev/null";
  const double sed_ms = Time(runs, [&] {
    if (std::system(sed.c_str()) != 0) std::fprintf(stderr, "sed failed\n");
  });
  Counter counter;
  const double interpret_ms = Time(runs, [&] {
    counter = {};
    Interpret(text, options, counter);
  });
  const double from_bytes_ms = Time(runs, [&] {
    Counter c;
    Interpret(DecodeText(*bytes).text, options, c);
  });
  std::printf("program: %s, %.1f MB, %llu moves, %llu lines not followed\n", path.c_str(), mb,
              static_cast<unsigned long long>(counter.moves),
              static_cast<unsigned long long>(counter.unchecked));
  std::printf("sed 's/ //g'                     %8.1f ms  %6.1f MB/s\n", sed_ms, mb / sed_ms * 1e3);
  std::printf("interpret (decoded text)         %8.1f ms  %6.1f MB/s  %.2fx sed\n", interpret_ms,
              mb / interpret_ms * 1e3, sed_ms / interpret_ms);
  std::printf("interpret (from the file's bytes) %7.1f ms  %6.1f MB/s  %.2fx sed\n", from_bytes_ms,
              mb / from_bytes_ms * 1e3, sed_ms / from_bytes_ms);

  // Two paths held whole, compared as they would come: a thousand moves of each in turn.
  Module1 m;
  const std::u16string spaced = ConvertSpaces(text, SpaceMode::kAddBlank, m);
  Held a, b;
  Interpret(text, options, a);
  Interpret(spaced, options, b);
  CheckResult outcome;
  const double compare_ms = Time(runs, [&] {
    PathComparer comparer({});
    for (std::size_t i = 0; i < std::max(a.moves.size(), b.moves.size()); i += 1000) {
      for (std::size_t k = i; k < std::min(i + 1000, a.moves.size()); ++k) {
        comparer.source().OnMove(a.moves[k]);
      }
      for (std::size_t k = i; k < std::min(i + 1000, b.moves.size()); ++k) {
        comparer.result().OnMove(b.moves[k]);
      }
    }
    comparer.Finish();
    outcome = comparer.outcome();
  });
  std::printf(
      "compare two held paths           %8.1f ms  (%s, %llu moves compared): %.2f of "
      "interpreting one\n",
      compare_ms, outcome.same() ? "same" : "different",
      static_cast<unsigned long long>(outcome.compared), compare_ms / interpret_ms);

  struct Conversion {
    const char* name;
    std::function<std::u16string()> run;
    CheckSpec setup;
  };
  AbsIncOptions to_inc;
  RotaryOptions rotary;
  const Conversion conversions[] = {
      {"spaces add", [&] { return ConvertSpaces(text, SpaceMode::kAddBlank, m); },
       IdenticalCheck(reading)},
      {"points add", [&] { return ConvertPoints(text, PointMode::kAddPoint, m); },
       PointsCheck(PointMode::kAddPoint, reading)},
      {"unit mm-to-inch", [&] { return ConvertUnit(text, UnitMode::kMmToInch, m); },
       UnitCheck(UnitMode::kMmToInch, reading)},
      {"abs-inc to inc", [&] { return *ConvertAbsInc(text, to_inc, m); },
       AbsIncCheck(to_inc, reading)},
      {"xy-cx to cx", [&] { return ConvertXyCx(text, XyCxDirection::kToCx, m); },
       XyCxCheck(XyCxDirection::kToCx, reading)},
      {"rotary C", [&] { return ConvertRotary(text, rotary, m); }, RotaryCheck(rotary, reading)},
  };
  std::printf("\n%-18s %12s %12s %8s  verdict\n", "conversion", "convert ms", "check ms", "ratio");
  for (const Conversion& c : conversions) {
    std::u16string result;
    const double convert_ms = Time(runs, [&] {
      Module1 fresh;
      m = fresh;
      result = c.run();
    });
    CheckResult r;
    const double check_ms = Time(runs, [&] { r = CheckPaths(text, result, c.setup); });
    std::printf("%-18s %12.1f %12.1f %8.2f  %s\n", c.name, convert_ms, check_ms,
                check_ms / convert_ms, r.same() ? "same" : "different");
  }
  return 0;
}

}  // namespace
}  // namespace kestrum

int main(int argc, char** argv) { return kestrum::Main(argc, argv); }
