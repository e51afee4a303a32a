// kestrum-convert: the editor's conversions from the command line.
//
//   kestrum-convert COMMAND [OPTIONS] [INPUT ...] [-o OUTPUT | --output-dir DIR]
//
// Writes exactly the text the editor's preview would hold after the same dialog run, in the
// input's encoding. Exit status: 0 success, 1 the conversion failed, 2 bad usage, 3 a file
// could not be read or written.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_check.h"
#include "app/cli_run.h"
#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "io/file_io.h"
#include "io/textcodec.h"
#include "machine/conversion_table.h"
#include "machine/table_location.h"
#include "machine/translate.h"
#include "motion/relations.h"

namespace kestrum::cli {
namespace {

// A job of one line conversion, made by make(m).
template <typename Make>
JobMaker Lines(Make make) {
  return [make](Module1& m) {
    Job job;
    job.lines = make(m);
    return job;
  };
}

AbsIncOptions AbsIncArguments(const Arguments& args) {
  AbsIncOptions options;
  options.to_incremental = Choice(args, "--to") == 0;
  std::u16string* fields[] = {&options.start_x, &options.start_y, &options.start_z};
  std::size_t field = 0;
  for (const char16_t c : FromUtf8(Get(args.options, "--start"))) {
    if (c == u',') {
      if (++field == 3) throw UsageError{"--start takes X,Y,Z"};
    } else {
      fields[field]->push_back(c);
    }
  }
  options.start_comment = Has(args.options, "--start-comment");
  options.end_comment = Has(args.options, "--end-comment");
  options.point = Has(args.options, "--point");
  return options;
}

RotaryOptions RotaryArguments(const Arguments& args) {
  RotaryOptions options;
  if (Has(args.options, "--axis")) options.axis = FromUtf8(Get(args.options, "--axis"));
  if (Has(args.options, "--m-codes")) {
    const std::u16string codes = FromUtf8(Get(args.options, "--m-codes"));
    const auto comma = codes.find(u',');
    if (comma == std::u16string::npos) throw UsageError{"--m-codes takes FWD,REV"};
    options.forward = codes.substr(0, comma);
    options.reverse = codes.substr(comma + 1);
    if (!IsInsertableMCode(options.forward) || !IsInsertableMCode(options.reverse)) {
      throw UsageError{"--m-codes: an M code cannot hold a parenthesis or a line break"};
    }
  }
  return options;
}

CalcOptions CalcArguments(const Arguments& args) {
  CalcOptions calc;
  calc.find = FromUtf8(Required(args.options, "--find"));
  if (calc.find.empty()) throw UsageError{"--find needs a text"};
  calc.op = static_cast<CalcOp>(Choice(args, "--op"));
  calc.value = FromUtf8(Required(args.options, "--value"));
  calc.format = Choice(args, "--format", 0) + 1;
  const std::u16string why = CheckCalcValue(calc.op, calc.value);
  if (!why.empty()) throw UsageError{ToUtf8(why)};
  return calc;
}

// The table of a translation. Reading it is file work: a failure is no usage error.
struct TableError {
  int status;
  std::string message;
};

JobMaker TranslateJob(const Arguments& args, std::optional<ProgramReading> verify) {
  // A bare name that is no file here names a shipped table: --table "FANUC→OSP.csv".
  const std::string path = TableFile(Required(args.options, "--table"), ProgramFolder()).string();
  std::string reason;
  const auto bytes = ReadFileBytes(path, &reason);
  if (!bytes) throw TableError{kExitFile, "cannot read '" + path + "': " + reason};
  auto table = std::make_shared<ConversionTable>();
  if (!ReadConversionTable(*bytes, *table)) {
    throw TableError{kExitFailed, ToUtf8(u"変換ファイル名エラー") + ": " + path};
  }
  const bool break_after_return = Has(args.options, "--break-after-return");
  return [table, break_after_return, verify](Module1& m) {
    m.OutDialect = 0;  // the direction and style come from the table, never from --style
    auto translation = std::make_unique<TranslateConversion>(*table, break_after_return, m);
    TranslateConversion* run = translation.get();
    Job job;
    job.check = [run](std::string_view bytes) -> std::optional<std::u16string> {
      if (!run->ok()) return run->failure();
      if (const auto fault = LineEndFault(bytes)) return std::u16string(*fault);
      return std::nullopt;
    };
    job.failure = [run] { return run->failure(); };
    if (verify && run->ok()) job.path_check = TranslateCheck(run->to_fanuc(), *verify);
    job.lines = std::move(translation);
    return job;
  };
}

// The job maker of the command; throws UsageError for bad options.
JobMaker MakeJob(const Arguments& args, int out_dialect) {
  const std::string& name = args.command->name;
  std::optional<ProgramReading> verify;
  if (Has(args.options, "--verify")) verify = ReadingOf(args, out_dialect);
  // With --verify, the check of the command's relation rides on its job.
  const auto checked = [verify](JobMaker make, const auto& spec_of) -> JobMaker {
    if (!verify) return make;
    const CheckSpec setup = spec_of(*verify);
    return [make, setup](Module1& m) {
      Job job = make(m);
      job.path_check = setup;
      return job;
    };
  };
  if (name == "spaces") {
    const auto mode = static_cast<SpaceMode>(Choice(args, "--mode"));
    return checked(
        Lines([mode](Module1& m) { return std::make_unique<SpacesConversion>(mode, m); }),
        IdenticalCheck);
  }
  if (name == "points") {
    const auto mode = static_cast<PointMode>(Choice(args, "--mode"));
    return checked(
        Lines([mode](Module1& m) { return std::make_unique<PointsConversion>(mode, m); }),
        [mode](const ProgramReading& r) { return PointsCheck(mode, r); });
  }
  if (name == "unit") {
    const auto mode = static_cast<UnitMode>(Choice(args, "--mode"));
    return checked(Lines([mode](Module1& m) { return std::make_unique<UnitConversion>(mode, m); }),
                   [mode](const ProgramReading& r) { return UnitCheck(mode, r); });
  }
  if (name == "abs-inc") {
    const AbsIncOptions options = AbsIncArguments(args);
    return checked(
        Lines([options](Module1& m) { return std::make_unique<AbsIncConversion>(options, m); }),
        [options](const ProgramReading& r) { return AbsIncCheck(options, r); });
  }
  if (name == "xy-cx") {
    const auto direction = static_cast<XyCxDirection>(Choice(args, "--to"));
    return checked(
        Lines([direction](Module1& m) { return std::make_unique<XyCxConversion>(direction, m); }),
        [direction](const ProgramReading& r) { return XyCxCheck(direction, r); });
  }
  if (name == "rotary") {
    const RotaryOptions options = RotaryArguments(args);
    return checked(
        Lines([options](Module1& m) { return std::make_unique<RotaryConversion>(options, m); }),
        [options](const ProgramReading& r) { return RotaryCheck(options, r); });
  }
  if (name == "translate") return TranslateJob(args, verify);
  if (name == "calc") {
    const CalcOptions calc = CalcArguments(args);
    return checked(
        [calc](Module1& m) {
          Job job;
          job.all = CalcAll(calc, m);
          return job;
        },
        NoCheck);
  }
  if (name == "replace") {
    const std::u16string find = FromUtf8(Required(args.options, "--find"));
    const std::u16string with = FromUtf8(Required(args.options, "--with"));
    return checked(
        [find, with](Module1& m) {
          Job job;
          job.all = ReplaceAll(find, with, m);
          return job;
        },
        NoCheck);
  }
  return checked(
      [](Module1& m) {  // fix-line-ends
        Job job;
        job.all = RepairLineEndsAll(m);
        return job;
      },
      IdenticalCheck);
}

// Where the result of input goes: "" for standard output.
std::string TargetOf(const Arguments& args, const std::string& input) {
  const std::string output_dir = Get(args.options, "--output-dir");
  if (output_dir.empty()) return Get(args.options, "-o");
  const std::string name =
      input == "-" ? std::string("stdin.nc") : std::filesystem::path(input).filename().string();
  return (std::filesystem::path(output_dir) / name).string();
}

int Main(const std::vector<std::string>& args) {
  if (args.empty()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(std::cout);
    return kExitOk;
  }
  Arguments parsed;
  JobMaker make;
  int out_dialect = 2;
  try {
    parsed = ParseArguments(args);
    if (parsed.help) {
      PrintCommandHelp(std::cout, *parsed.command);
      return kExitOk;
    }
    if (parsed.command->name == "verify") return VerifyCommand(parsed);
    if (parsed.command->name == "plot") return PlotCommand(parsed);
    out_dialect = Choice(parsed, "--style", 1) + 1;
    make = MakeJob(parsed, out_dialect);
  } catch (const UsageError& e) {
    Error(parsed.command ? parsed.command->name : e.command, e.message);
    return kExitUsage;
  } catch (const TableError& e) {
    Error(parsed.command->name, e.message);
    return e.status;
  }
  int status = kExitOk;
  for (const auto& input : parsed.inputs) {
    const int one =
        ConvertOne(parsed.command->name, input, TargetOf(parsed, input), make, out_dialect);
    if (status == kExitOk) status = one;
  }
  return status;
}

}  // namespace
}  // namespace kestrum::cli

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return kestrum::cli::Main(std::vector<std::string>(argv + 1, argv + argc));
}
