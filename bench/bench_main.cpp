// Throughput of every core conversion on a generated 2 MB program (bytes of program text per
// second). Built with the project, never run by ctest: `kestrum_bench` runs them all.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "program_gen.h"
#include "search/search.h"
#include "shell/textcodec.h"

namespace kestrum {
namespace {

constexpr std::size_t kProgramSize = 2 * 1000 * 1000;

const std::u16string& Program() {
  static const std::u16string text = DecodeText(bench::SyntheticProgram(kProgramSize)).text;
  return text;
}

const std::u16string& LfOnlyProgram() {
  static const std::u16string text =
      DecodeText(bench::SyntheticProgram(kProgramSize, 1, true)).text;
  return text;
}

// Runs convert on the program once per iteration and reports the program's bytes per second.
template <typename Convert>
void Run(benchmark::State& state, const std::u16string& program, Convert convert) {
  for (auto _ : state) {
    Module1 m;
    m.OutDialect = 2;
    benchmark::DoNotOptimize(convert(std::u16string_view(program), m));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * program.size()));
}

void SpacesRemove(benchmark::State& state) {
  Run(state, Program(),
      [](auto t, Module1& m) { return ConvertSpaces(t, SpaceMode::kRemoveBlanks, m); });
}
void SpacesAdd(benchmark::State& state) {
  Run(state, Program(),
      [](auto t, Module1& m) { return ConvertSpaces(t, SpaceMode::kAddBlank, m); });
}
void SpacesRenumber(benchmark::State& state) {
  Run(state, Program(),
      [](auto t, Module1& m) { return ConvertSpaces(t, SpaceMode::kRenumber, m); });
}
void PointsAdd(benchmark::State& state) {
  Run(state, Program(),
      [](auto t, Module1& m) { return ConvertPoints(t, PointMode::kAddPoint, m); });
}
void PointsRemove(benchmark::State& state) {
  Run(state, Program(), [](auto t, Module1& m) { return ConvertPoints(t, PointMode::kRemove, m); });
}
void UnitMmToInch(benchmark::State& state) {
  Run(state, Program(), [](auto t, Module1& m) { return ConvertUnit(t, UnitMode::kMmToInch, m); });
}
void UnitMmToMicrometres(benchmark::State& state) {
  Run(state, Program(),
      [](auto t, Module1& m) { return ConvertUnit(t, UnitMode::kMmToMicrometres, m); });
}
void ReplaceAll(benchmark::State& state) {
  Run(state, Program(), [](auto t, Module1& m) { return ReplaceAllText(t, u"G01", u"G1", m); });
}
void RepairLineEnds(benchmark::State& state) {
  Run(state, LfOnlyProgram(), [](auto t, Module1& m) { return RepairLineEndsText(t, m); });
}
void CalcReplaceAll(benchmark::State& state) {
  CalcOptions options;
  options.find = u"X";
  options.op = CalcOp::kMul;
  options.value = u"2";
  Run(state, Program(), [&](auto t, Module1& m) { return CalcReplaceAllText(t, options, m); });
}
void AbsToInc(benchmark::State& state) {
  Run(state, Program(), [](auto t, Module1& m) { return ConvertAbsInc(t, AbsIncOptions{}, m); });
}
void XyToCx(benchmark::State& state) {
  Run(state, Program(), [](auto t, Module1& m) { return ConvertXyCx(t, XyCxDirection::kToCx, m); });
}
void Rotary(benchmark::State& state) {
  Run(state, Program(), [](auto t, Module1& m) { return ConvertRotary(t, RotaryOptions{}, m); });
}
void Translate(benchmark::State& state) {
  // Row 2 names the direction; no M code rows.
  ConversionTable table;
  table.rows[2].before = {TableField::Kind::kText, u"OSP"};
  table.rows[2].after = {TableField::Kind::kText, u"FANUC"};
  Run(state, Program(), [&](auto t, Module1& m) { return TranslateProgram(t, table, false, m); });
}

BENCHMARK(SpacesRemove)->Unit(benchmark::kMillisecond);
BENCHMARK(SpacesAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(SpacesRenumber)->Unit(benchmark::kMillisecond);
BENCHMARK(PointsAdd)->Unit(benchmark::kMillisecond);
BENCHMARK(PointsRemove)->Unit(benchmark::kMillisecond);
BENCHMARK(UnitMmToInch)->Unit(benchmark::kMillisecond);
BENCHMARK(UnitMmToMicrometres)->Unit(benchmark::kMillisecond);
BENCHMARK(ReplaceAll)->Unit(benchmark::kMillisecond);
BENCHMARK(RepairLineEnds)->Unit(benchmark::kMillisecond);
BENCHMARK(CalcReplaceAll)->Unit(benchmark::kMillisecond);
BENCHMARK(AbsToInc)->Unit(benchmark::kMillisecond);
BENCHMARK(XyToCx)->Unit(benchmark::kMillisecond);
BENCHMARK(Rotary)->Unit(benchmark::kMillisecond);
BENCHMARK(Translate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrum

BENCHMARK_MAIN();
