#include "app/cli_args.h"

#include <algorithm>

namespace kestrum::cli {
namespace {

// The conversions, each with the dialog's options.
const std::vector<CommandSpec>& ConversionSpecs() {
  static const std::vector<CommandSpec> commands = {
      {"spaces",
       "blanks between words",
       {{"--mode", "add|renumber|remove",
         "add: one blank after each word; renumber: N000 and spaced columns; remove: no blanks "
         "outside comments"}}},
      {"points",
       "decimal points on dimension words",
       {{"--mode", "add|add-zero|remove",
         "add: X10 -> X10.; add-zero: X10 -> X10.0; remove: X10.0 -> X10"}}},
      {"unit",
       "unit change",
       {{"--mode", "um-to-mm|cmm-to-mm|inch-to-mm|mm-to-inch|mm-to-um|mm-to-cmm",
         "um: 0.001 mm, cmm: 0.01 mm"}}},
      {"calc",
       "calculated replace: the number after each occurrence of TEXT recomputed",
       {{"--find", "TEXT", "search text (X, Z, SB, ...)"},
        {"--op", "add|sub|mul|div", "operator"},
        {"--value", "TEXT", "the value"},
        {"--format", "1|2|3|4", "1: 150, 2: 150., 3: 150.0, 4: 05 (default 1)"}}},
      {"abs-inc",
       "absolute (G90) and incremental (G91) X, Y, Z",
       {{"--to", "inc|abs", "target distance mode"},
        {"--start", "X,Y,Z", "start position (default 0,0,0)"},
        {"--start-comment", "", "write the start comment line"},
        {"--end-comment", "", "write the end comment line"},
        {"--point", "", "write values with a decimal point (mask #####0.####)"}}},
      {"xy-cx",
       "X/Y positions to C (angle) / X (diameter) and back",
       {{"--to", "cx|xy", "target coordinates"}}},
      {"rotary",
       "shortest way of a rotary axis: direction M codes appended",
       {{"--axis", "LETTER", "rotary axis (default C)"},
        {"--m-codes", "FWD,REV", "forward and reverse M code numbers (default 15,16)"}}},
      {"translate",
       "OSP <-> FANUC translation; the direction comes from row 2 of the table",
       {{"--table", "FILE",
         "conversion table file (.csv), or the bare name of a table shipped with the program"},
        {"--break-after-return", "", "a line break after M02, RTS, M00, M01, M99"}}},
      {"replace",
       "replace every occurrence of a text",
       {{"--find", "TEXT", "search text"}, {"--with", "TEXT", "replacement (may be empty)"}}},
      {"fix-line-ends", "a CR before every line feed that lacks one", {}},
  };
  return commands;
}

// The options of a path check: verify's, and plot's with --against.
std::vector<OptionSpec> CheckOptions() {
  return {
      {"--relation", "RELATION",
       "identical (default), scale:K (a unit change, result = source x K), xy-to-cx, "
       "cx-to-xy, or rotary[:AXIS[,FWD,REV]] (shortest way, default C,15,16)"},
      {"--dialect", "fanuc|osp", "dialect of the source (default fanuc)"},
      {"--result-dialect", "fanuc|osp", "dialect of the result (default: the source's)"},
      {"--no-point", "mm|increments",
       "X12 means 12 mm, or 12 least increments (0.012 mm); default by dialect: increments "
       "for fanuc, mm for osp"},
      {"--tolerance", "MM",
       "largest distance taken as the same (default 0.0005, half a unit of the third "
       "decimal, and the 7th significant digit of values kept in single precision)"},
  };
}

}  // namespace

const std::vector<CommandSpec>& CommandSpecs() {
  static const std::vector<CommandSpec> commands = [] {
    std::vector<CommandSpec> list = ConversionSpecs();
    // Every conversion checks its own result on request.
    for (CommandSpec& c : list) {
      c.options.push_back({"--verify", "",
                           "check that the result keeps the tool path (summary on standard "
                           "error); exit status 1 when it does not, the result still written"});
      c.options.push_back({"--no-point", "mm|increments",
                           "for --verify: X12 means 12 mm, or 12 least increments (0.012 mm); "
                           "default mm with --style osp, increments otherwise"});
    }
    list.push_back({"verify",
                    "compare the tool paths of SOURCE and RESULT; exit status 1 when they differ",
                    CheckOptions()});
    std::vector<OptionSpec> plot = {
        {"--view", "xy|xz|yz|iso", "the plane looked at, or the isometric view (default xy)"},
        {"--against", "OTHER",
         "a second program drawn over the first, the first difference marked (exit status 1 "
         "when the paths differ)"},
        {"--width", "PX", "width of the picture in pixels (default 800)"},
    };
    for (const OptionSpec& o : CheckOptions()) plot.push_back(o);
    list.push_back({"plot", "the tool path of PROGRAM as an SVG picture (-o FILE.svg)", plot});
    return list;
  }();
  return commands;
}

const std::vector<OptionSpec>& GlobalOptions() {
  static const std::vector<OptionSpec> options = {
      {"--style", "osp|fanuc", "number style of converted coordinates (default fanuc: 12.0)"},
      {"-o", "FILE", "write the result to FILE (one input only)"},
      {"--output-dir", "DIR", "write each result to DIR under its input's name"},
      {"--help", "", "describe the command"},
  };
  return options;
}

const std::vector<ExitCodeSpec>& ExitCodes() {
  static const std::vector<ExitCodeSpec> codes = {
      {kExitOk, "done"},
      {kExitFailed, "the conversion failed; its messages are on standard error"},
      {kExitUsage, "bad usage: an unknown command or option, or a missing or bad value"},
      {kExitFile, "a file could not be read or written"},
  };
  return codes;
}

const std::vector<ExampleSpec>& Examples() {
  static const std::vector<ExampleSpec> examples = {
      {"0.001 mm integers to millimetres, OSP style (X1000 -> X1)",
       "kestrum-convert unit --mode um-to-mm --style osp part.min -o part-mm.min"},
      {"A FANUC program to Okuma OSP with a shipped table, named without its folder",
       "kestrum-convert translate --table \"FANUC→OSP.csv\" part.nc > part.min"},
      {"The blanks out of every program of a folder, the results in out/",
       "kestrum-convert spaces --mode remove --output-dir out/ programs/*.nc"},
  };
  return examples;
}

const std::string& Description() {
  static const std::string text =
      "Converts NC programs as the editor's conversion dialogs do. Without INPUT it reads "
      "standard input and writes standard output. The result is exactly the text the editor's "
      "preview shows after the same dialog run, in the input's encoding (UTF-8 or Shift-JIS); "
      "messages the dialog would show go to standard error. An output file is never left half "
      "written. Options may stand anywhere after COMMAND, as --name VALUE or --name=VALUE; -- "
      "ends the options.";
  return text;
}

namespace {

void PrintOptions(std::ostream& out, const std::vector<OptionSpec>& options) {
  for (const auto& o : options) {
    std::string left = "  " + o.name + (o.value.empty() ? "" : " " + o.value);
    if (left.size() < 34) {
      left.append(34 - left.size(), ' ');
    } else {
      left += "  ";
    }
    out << left << o.help << "\n";
  }
}

const OptionSpec* FindOption(const CommandSpec& command, const std::string& name) {
  for (const auto* list : {&command.options, &GlobalOptions()}) {
    for (const auto& o : *list) {
      if (o.name == name) return &o;
    }
  }
  return nullptr;
}

// text in lines of at most width characters, broken at blanks.
void PrintWrapped(std::ostream& out, const std::string& text, std::size_t width) {
  std::size_t line = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t blank = std::min(text.find(' ', start), text.size());
    const std::string word = text.substr(start, blank - start);
    if (line > 0 && line + 1 + word.size() > width) {
      out << "\n";
      line = 0;
    }
    out << (line > 0 ? " " : "") << word;
    line += (line > 0 ? 1 : 0) + word.size();
    start = blank + 1;
  }
  out << "\n";
}

}  // namespace

void PrintHelp(std::ostream& out) {
  out << "usage: kestrum-convert COMMAND [OPTIONS] [INPUT ...] [-o OUTPUT | --output-dir DIR]\n"
         "\n";
  PrintWrapped(out, Description(), 90);
  out << "\ncommands:\n";
  for (const auto& c : CommandSpecs()) {
    out << "  " << c.name << std::string(c.name.size() < 16 ? 16 - c.name.size() : 1, ' ')
        << c.summary << "\n";
    PrintOptions(out, c.options);
  }
  out << "\noptions of every command:\n";
  PrintOptions(out, GlobalOptions());
  out << "\nexit status:\n";
  for (const auto& e : ExitCodes()) out << "  " << e.code << "  " << e.meaning << "\n";
  out << "\nexamples:\n";
  for (const auto& e : Examples()) out << "  # " << e.comment << "\n  " << e.command << "\n";
}

void PrintCommandHelp(std::ostream& out, const CommandSpec& command) {
  out << "usage: kestrum-convert " << command.name
      << " [OPTIONS] [INPUT ...] [-o OUTPUT | --output-dir DIR]\n\n"
      << command.summary << "\n\noptions:\n";
  PrintOptions(out, command.options);
  PrintOptions(out, GlobalOptions());
}

namespace {

Arguments Parse(const std::vector<std::string>& args) {
  Arguments parsed;
  if (args.empty()) throw UsageError{};
  for (const auto& c : CommandSpecs()) {
    if (c.name == args[0]) parsed.command = &c;
  }
  if (!parsed.command) {
    throw UsageError{"unknown command '" + args[0] + "' (kestrum-convert --help lists them)"};
  }
  bool only_inputs = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (only_inputs || arg == "-" || arg.empty() || arg[0] != '-') {
      parsed.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_inputs = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help = true;
      return parsed;
    }
    std::optional<std::string> inline_value;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      inline_value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const OptionSpec* known = FindOption(*parsed.command, arg);
    if (!known || known->name == "--help") throw UsageError{"unknown option '" + arg + "'"};
    if (known->value.empty()) {
      if (inline_value) throw UsageError{"option '" + arg + "' takes no value"};
      parsed.options[arg] = "1";
    } else if (inline_value) {
      parsed.options[arg] = *inline_value;
    } else if (i + 1 < args.size()) {
      parsed.options[arg] = args[++i];
    } else {
      throw UsageError{"option '" + arg + "' needs a value"};
    }
  }
  if (Has(parsed.options, "-o") && Has(parsed.options, "--output-dir")) {
    throw UsageError{"-o and --output-dir exclude each other"};
  }
  if (Has(parsed.options, "-o") && parsed.inputs.size() > 1) {
    throw UsageError{"-o takes one input; use --output-dir for several"};
  }
  if (parsed.inputs.empty()) parsed.inputs.push_back("-");
  return parsed;
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& args) {
  try {
    return Parse(args);
  } catch (UsageError& e) {
    for (const auto& c : CommandSpecs()) {
      if (!args.empty() && c.name == args[0]) e.command = c.name;
    }
    throw;
  }
}

std::string Get(const Options& options, const std::string& name, const std::string& fallback) {
  const auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

bool Has(const Options& options, const std::string& name) { return options.count(name) != 0; }

std::string Required(const Options& options, const std::string& name) {
  if (!Has(options, name)) throw UsageError{"missing " + name};
  return Get(options, name);
}

int Choice(const Arguments& args, const std::string& name, std::optional<int> fallback) {
  if (!Has(args.options, name)) {
    if (fallback) return *fallback;
    throw UsageError{"missing " + name};
  }
  const OptionSpec* option = FindOption(*args.command, name);
  std::vector<std::string> choices;
  for (std::size_t start = 0; option && start <= option->value.size();) {
    const std::size_t bar = std::min(option->value.find('|', start), option->value.size());
    choices.push_back(option->value.substr(start, bar - start));
    start = bar + 1;
  }
  const std::string value = Get(args.options, name);
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (choices[i] == value) return static_cast<int>(i);
  }
  std::string list;
  for (const auto& c : choices) list += (list.empty() ? "" : ", ") + c;
  throw UsageError{"bad " + name + " '" + value + "' (one of: " + list + ")"};
}

}  // namespace kestrum::cli
