// Throughput of every core conversion on a generated 2 MB program (bytes of program text per
// second). Built with the project, never run by ctest: `kestrum_bench` runs them all.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <string_view>

#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "io/textcodec.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "program_gen.h"
#include "search/search.h"

namespace kestrum {
namespace {

constexpr std::size_t kProgramSize = 2 * 1000 * 1000;

const std::u16string& Program(bool lf_only) {
  static const std::u16string crlf = DecodeText(bench::SyntheticProgram(kProgramSize)).text;
  static const std::u16string lf = DecodeText(bench::SyntheticProgram(kProgramSize, 1, true)).text;
  return lf_only ? lf : crlf;
}

// One conversion of the whole program; the result is returned so that it is not optimised away.
using Run = std::function<std::size_t(std::u16string_view, Module1&)>;

template <typename Convert>
Run Sized(Convert convert) {
  return [convert](std::u16string_view t, Module1& m) {
    const auto result = convert(t, m);
    return sizeof result;
  };
}

CalcOptions TimesTwo() {
  CalcOptions options;
  options.find = u"X";
  options.op = CalcOp::kMul;
  options.value = u"2";
  return options;
}

// OSP to FANUC with no M code rows: row 2 names the direction.
ConversionTable OspToFanuc() {
  ConversionTable table;
  table.rows[2].before = {TableField::Kind::kText, u"OSP"};
  table.rows[2].after = {TableField::Kind::kText, u"FANUC"};
  return table;
}

struct Case {
  const char* name;
  bool lf_only;
  Run run;
};

std::vector<Case> Cases() {
  return {
      {"SpacesRemove", false,
       Sized([](auto t, Module1& m) { return ConvertSpaces(t, SpaceMode::kRemoveBlanks, m); })},
      {"SpacesAdd", false,
       Sized([](auto t, Module1& m) { return ConvertSpaces(t, SpaceMode::kAddBlank, m); })},
      {"SpacesRenumber", false,
       Sized([](auto t, Module1& m) { return ConvertSpaces(t, SpaceMode::kRenumber, m); })},
      {"PointsAdd", false,
       Sized([](auto t, Module1& m) { return ConvertPoints(t, PointMode::kAddPoint, m); })},
      {"PointsRemove", false,
       Sized([](auto t, Module1& m) { return ConvertPoints(t, PointMode::kRemove, m); })},
      {"UnitMmToInch", false,
       Sized([](auto t, Module1& m) { return ConvertUnit(t, UnitMode::kMmToInch, m); })},
      {"UnitMmToMicrometres", false,
       Sized([](auto t, Module1& m) { return ConvertUnit(t, UnitMode::kMmToMicrometres, m); })},
      {"ReplaceAll", false,
       Sized([](auto t, Module1& m) { return ReplaceAllText(t, u"G01", u"G1", m); })},
      {"RepairLineEnds", true, Sized([](auto t, Module1& m) { return RepairLineEndsText(t, m); })},
      {"CalcReplaceAll", false,
       Sized([](auto t, Module1& m) { return CalcReplaceAllText(t, TimesTwo(), m); })},
      {"AbsToInc", false,
       Sized([](auto t, Module1& m) { return ConvertAbsInc(t, AbsIncOptions{}, m); })},
      {"XyToCx", false,
       Sized([](auto t, Module1& m) { return ConvertXyCx(t, XyCxDirection::kToCx, m); })},
      {"Rotary", false,
       Sized([](auto t, Module1& m) { return ConvertRotary(t, RotaryOptions{}, m); })},
      {"Translate", false, Sized([table = OspToFanuc()](auto t, Module1& m) {
         return TranslateProgram(t, table, false, m);
       })},
  };
}

// Runs the conversion once per iteration and reports the program's bytes per second.
void Measure(benchmark::State& state, const Case& c) {
  const std::u16string& program = Program(c.lf_only);
  for (auto _ : state) {
    Module1 m;
    m.OutDialect = 2;
    benchmark::DoNotOptimize(c.run(program, m));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * program.size()));
}

}  // namespace
}  // namespace kestrum

int main(int argc, char** argv) {
  for (const kestrum::Case& c : kestrum::Cases()) {
    benchmark::RegisterBenchmark(c.name, kestrum::Measure, c)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
