// kestrum-convert: the editor's conversions from the command line.
//
//   kestrum-convert COMMAND [OPTIONS] [INPUT ...] [-o OUTPUT | --output-dir DIR]
//
// Writes exactly the text the editor's preview would hold after the same dialog run, in the
// input's encoding. Exit status: 0 success, 1 the conversion failed, 2 bad usage, 3 a file
// could not be read or written.
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "convert/abs_inc.h"
#include "convert/calc.h"
#include "convert/points.h"
#include "convert/rotary.h"
#include "convert/spaces.h"
#include "convert/unit.h"
#include "convert/xy_cx.h"
#include "machine/conversion_table.h"
#include "machine/translate.h"
#include "ncword/module1.h"
#include "search/search.h"
#include "shell/textcodec.h"

namespace kestrum {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFile = 3;

struct UsageError {
  std::string message;
};

struct OptionSpec {
  std::string name;   // "--mode"
  std::string value;  // "MODE"; empty for a flag
  std::string help;
};

using Options = std::map<std::string, std::string>;

// One run of a conversion over one input text.
struct Outcome {
  std::u16string text;
  int status = kExitOk;
  std::u16string message;  // shown on standard error (the dialog's message)
};
using Converter = std::function<Outcome(std::u16string_view text, Module1& m)>;

struct Command {
  std::string name;
  std::string summary;
  std::vector<OptionSpec> options;
  // Checks the options and returns the conversion to run on each input; throws UsageError.
  std::function<Converter(const Options&)> prepare;
};

const std::vector<OptionSpec> kGlobalOptions = {
    {"--style", "osp|fanuc", "number style of converted coordinates (default fanuc: 12.0)"},
    {"-o", "FILE", "write the result to FILE (one input only)"},
    {"--output-dir", "DIR", "write each result to DIR under its input's name"},
    {"--help", "", "describe the command"},
};

std::string Get(const Options& options, const std::string& name, const std::string& fallback = {}) {
  const auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

bool Has(const Options& options, const std::string& name) { return options.count(name) != 0; }

std::string Required(const Options& options, const std::string& name) {
  if (!Has(options, name)) throw UsageError{"missing " + name};
  return Get(options, name);
}

// The index of value in choices, or a usage error naming the choices.
int Choice(const Options& options, const std::string& name, const std::vector<std::string>& choices,
           std::optional<int> fallback = std::nullopt) {
  if (!Has(options, name)) {
    if (fallback) return *fallback;
    throw UsageError{"missing " + name};
  }
  const std::string value = Get(options, name);
  for (std::size_t i = 0; i < choices.size(); ++i) {
    if (choices[i] == value) return static_cast<int>(i);
  }
  std::string list;
  for (const auto& c : choices) list += (list.empty() ? "" : ", ") + c;
  throw UsageError{"bad " + name + " '" + value + "' (one of: " + list + ")"};
}

Outcome Text(std::u16string text) { return Outcome{std::move(text), kExitOk, {}}; }

Outcome Report(TextReport report) {
  return Outcome{std::move(report.text), kExitOk, std::move(report.message)};
}

std::vector<Command> Commands() {
  std::vector<Command> commands;
  commands.push_back(
      {"spaces",
       "blanks between words",
       {{"--mode", "add|renumber|remove",
         "add: one blank after each word; renumber: N000 and spaced columns; remove: no blanks "
         "outside comments"}},
       [](const Options& o) -> Converter {
         const auto mode =
             static_cast<SpaceMode>(Choice(o, "--mode", {"add", "renumber", "remove"}));
         return
             [mode](std::u16string_view t, Module1& m) { return Text(ConvertSpaces(t, mode, m)); };
       }});
  commands.push_back({"points",
                      "decimal points on dimension words",
                      {{"--mode", "add|add-zero|remove",
                        "add: X10 -> X10.; add-zero: X10 -> X10.0; remove: X10.0 -> X10"}},
                      [](const Options& o) -> Converter {
                        const auto mode = static_cast<PointMode>(
                            Choice(o, "--mode", {"add", "add-zero", "remove"}));
                        return [mode](std::u16string_view t, Module1& m) {
                          return Text(ConvertPoints(t, mode, m));
                        };
                      }});
  commands.push_back(
      {"unit",
       "unit change",
       {{"--mode", "um-to-mm|cmm-to-mm|inch-to-mm|mm-to-inch|mm-to-um|mm-to-cmm",
         "um: 0.001 mm, cmm: 0.01 mm"}},
       [](const Options& o) -> Converter {
         const auto mode = static_cast<UnitMode>(Choice(
             o, "--mode",
             {"um-to-mm", "cmm-to-mm", "inch-to-mm", "mm-to-inch", "mm-to-um", "mm-to-cmm"}));
         return [mode](std::u16string_view t, Module1& m) { return Text(ConvertUnit(t, mode, m)); };
       }});
  commands.push_back(
      {"calc",
       "calculated replace: the number after each occurrence of TEXT recomputed",
       {{"--find", "TEXT", "search text (X, Z, SB, ...)"},
        {"--op", "add|sub|mul|div", "operator"},
        {"--value", "TEXT", "the value"},
        {"--format", "1|2|3|4", "1: 150, 2: 150., 3: 150.0, 4: 05 (default 1)"}},
       [](const Options& o) -> Converter {
         CalcOptions calc;
         calc.find = FromUtf8(Required(o, "--find"));
         if (calc.find.empty()) throw UsageError{"--find needs a text"};
         calc.op = static_cast<CalcOp>(Choice(o, "--op", {"add", "sub", "mul", "div"}));
         calc.value = FromUtf8(Required(o, "--value"));
         calc.format = Choice(o, "--format", {"1", "2", "3", "4"}, 0) + 1;
         const std::u16string why = CheckCalcValue(calc.op, calc.value);
         if (!why.empty()) throw UsageError{ToUtf8(why)};
         return [calc](std::u16string_view t, Module1& m) {
           return Report(CalcReplaceAllText(t, calc, m));
         };
       }});
  commands.push_back(
      {"abs-inc",
       "absolute (G90) and incremental (G91) X, Y, Z",
       {{"--to", "inc|abs", "target distance mode"},
        {"--start", "X,Y,Z", "start position (default 0,0,0)"},
        {"--start-comment", "", "write the start comment line"},
        {"--end-comment", "", "write the end comment line"},
        {"--point", "", "write values with a decimal point (mask #####0.####)"}},
       [](const Options& o) -> Converter {
         AbsIncOptions options;
         options.to_incremental = Choice(o, "--to", {"inc", "abs"}) == 0;
         std::u16string start = FromUtf8(Get(o, "--start"));
         std::u16string* fields[] = {&options.start_x, &options.start_y, &options.start_z};
         std::size_t field = 0;
         for (const char16_t c : start) {
           if (c == u',') {
             if (++field == 3) throw UsageError{"--start takes X,Y,Z"};
           } else {
             fields[field]->push_back(c);
           }
         }
         options.start_comment = Has(o, "--start-comment");
         options.end_comment = Has(o, "--end-comment");
         options.point = Has(o, "--point");
         return [options](std::u16string_view t, Module1& m) {
           return Text(ConvertAbsInc(t, options, m).value_or(std::u16string()));
         };
       }});
  commands.push_back(
      {"xy-cx",
       "X/Y positions to C (angle) / X (diameter) and back",
       {{"--to", "cx|xy", "target coordinates"}},
       [](const Options& o) -> Converter {
         const auto direction = static_cast<XyCxDirection>(Choice(o, "--to", {"cx", "xy"}));
         return [direction](std::u16string_view t, Module1& m) {
           return Text(ConvertXyCx(t, direction, m));
         };
       }});
  commands.push_back(
      {"rotary",
       "shortest way of a rotary axis: direction M codes appended",
       {{"--axis", "LETTER", "rotary axis (default C)"},
        {"--m-codes", "FWD,REV", "forward and reverse M code numbers (default 15,16)"}},
       [](const Options& o) -> Converter {
         RotaryOptions options;
         if (Has(o, "--axis")) options.axis = FromUtf8(Get(o, "--axis"));
         if (Has(o, "--m-codes")) {
           const std::u16string codes = FromUtf8(Get(o, "--m-codes"));
           const auto comma = codes.find(u',');
           if (comma == std::u16string::npos) throw UsageError{"--m-codes takes FWD,REV"};
           options.forward = codes.substr(0, comma);
           options.reverse = codes.substr(comma + 1);
         }
         return [options](std::u16string_view t, Module1& m) {
           return Text(ConvertRotary(t, options, m));
         };
       }});
  commands.push_back(
      {"translate",
       "OSP <-> FANUC translation; the direction comes from row 2 of the table",
       {{"--table", "FILE", "conversion table file (.csv)"},
        {"--break-after-return", "", "a line break after M02, RTS, M00, M01, M99"}},
       nullptr});  // prepared in Main: reading the table is file work (exit status 3)
  commands.push_back(
      {"replace",
       "replace every occurrence of a text",
       {{"--find", "TEXT", "search text"}, {"--with", "TEXT", "replacement (may be empty)"}},
       [](const Options& o) -> Converter {
         const std::u16string find = FromUtf8(Required(o, "--find"));
         const std::u16string with = FromUtf8(Required(o, "--with"));
         return [find, with](std::u16string_view t, Module1& m) {
           return Report(ReplaceAllText(t, find, with, m));
         };
       }});
  commands.push_back({"fix-line-ends",
                      "a CR before every line feed that lacks one",
                      {},
                      [](const Options&) -> Converter {
                        return [](std::u16string_view t, Module1& m) {
                          return Report(RepairLineEndsText(t, m));
                        };
                      }});
  return commands;
}

void PrintOptions(std::ostream& out, const std::vector<OptionSpec>& options) {
  for (const auto& o : options) {
    std::string left = "  " + o.name + (o.value.empty() ? "" : " " + o.value);
    if (left.size() < 34)
      left.append(34 - left.size(), ' ');
    else
      left += "  ";
    out << left << o.help << "\n";
  }
}

void PrintHelp(std::ostream& out, const std::vector<Command>& commands) {
  out << "usage: kestrum-convert COMMAND [OPTIONS] [INPUT ...] [-o OUTPUT | --output-dir DIR]\n"
         "\n"
         "Converts NC programs as the editor's conversion dialogs do. Without INPUT it reads\n"
         "standard input and writes standard output; the result keeps the input's encoding.\n"
         "Exit status: 0 done, 1 conversion failed, 2 bad usage, 3 file not readable or writable.\n"
         "\n"
         "commands:\n";
  for (const auto& c : commands) {
    out << "  " << c.name << std::string(c.name.size() < 16 ? 16 - c.name.size() : 1, ' ')
        << c.summary << "\n";
    PrintOptions(out, c.options);
  }
  out << "\noptions of every command:\n";
  PrintOptions(out, kGlobalOptions);
}

void PrintCommandHelp(std::ostream& out, const Command& c) {
  out << "usage: kestrum-convert " << c.name
      << " [OPTIONS] [INPUT ...] [-o OUTPUT | --output-dir DIR]\n\n"
      << c.summary << "\n\noptions:\n";
  PrintOptions(out, c.options);
  PrintOptions(out, kGlobalOptions);
}

std::string SystemReason(int error) { return std::strerror(error); }

// A large program passes through four buffers in turn: its bytes, its text, the result and
// the result's bytes. Where the system gives 2 MB pages on request (Linux transparent huge
// pages), room for all of them is taken from the allocator once, marked for such pages and
// given back before the first buffer is filled; the buffers are then cut from it (main keeps
// the allocator from returning it to the system). Touching fresh memory costs one page fault
// per 2 MB instead of one per 4 KB, which on a 20 MB program is nearly half the run time
// of the lighter conversions.
void PrepareHeap(std::size_t program_bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  if (program_bytes < 2 * kHugePage) return;
  const std::size_t room = 8 * program_bytes;  // the four buffers never hold more at a time
  void* block = std::malloc(room);
  if (block == nullptr) return;
  const auto first = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t start = (first + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (first + room) & ~(kHugePage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  std::free(block);
#else
  (void)program_bytes;
#endif
}

// The rest of the open file fd, read in large blocks straight into the result (a regular
// file's size is known, so its bytes arrive in one buffer of the right size); nothing, with
// *reason set, when reading fails.
std::optional<std::string> ReadAll(int fd, std::string* reason) {
  struct stat info {};
  const bool sized = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (sized) PrepareHeap(static_cast<std::size_t>(info.st_size));
  std::string bytes(sized ? static_cast<std::size_t>(info.st_size) + 1 : std::size_t{1} << 16,
                    '\0');
  std::size_t size = 0;
  for (;;) {
    if (size == bytes.size()) bytes.resize(2 * size);
    const ssize_t n = read(fd, bytes.data() + size, bytes.size() - size);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      *reason = SystemReason(errno);
      return std::nullopt;
    }
    size += static_cast<std::size_t>(n);
  }
  bytes.resize(size);
  return bytes;
}

// The whole file, or nothing with *reason set.
std::optional<std::string> ReadFile(const std::string& path, std::string* reason) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *reason = "is a directory";
    return std::nullopt;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *reason = SystemReason(errno);
    return std::nullopt;
  }
  std::optional<std::string> bytes = ReadAll(fd, reason);
  close(fd);
  return bytes;
}

// Writes bytes to path through a temporary file in the same folder, so that the target is
// either the old file or the whole new one.
bool WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* reason) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    *reason = SystemReason(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      *reason = SystemReason(errno);
      close(fd);
      unlink(temp.c_str());
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  // Keep the permissions of a file that is replaced; a new one gets the usual 0666 & ~umask.
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) {
    fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    *reason = SystemReason(errno);
    unlink(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    *reason = SystemReason(errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

void Error(const std::string& command, const std::string& message) {
  std::cerr << "kestrum-convert" << (command.empty() ? "" : " " + command) << ": " << message
            << "\n";
}

int Main(int argc, char** argv) {
  const std::vector<Command> commands = Commands();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr, commands);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp(std::cout, commands);
    return kExitOk;
  }
  const Command* command = nullptr;
  for (const auto& c : commands) {
    if (c.name == args[0]) command = &c;
  }
  if (!command) {
    Error("", "unknown command '" + args[0] + "' (kestrum-convert --help lists them)");
    return kExitUsage;
  }

  // Options may stand anywhere after the command; "--name=value" and "--name value" both work.
  Options options;
  std::vector<std::string> inputs;
  bool only_inputs = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (only_inputs || arg == "-" || arg.empty() || arg[0] != '-') {
      inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_inputs = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      PrintCommandHelp(std::cout, *command);
      return kExitOk;
    }
    std::optional<std::string> inline_value;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      inline_value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const OptionSpec* known = nullptr;
    for (const auto* list : {&command->options, &kGlobalOptions}) {
      for (const auto& o : *list) {
        if (o.name == arg) known = &o;
      }
    }
    if (!known || known->name == "--help") {
      Error(command->name, "unknown option '" + arg + "'");
      return kExitUsage;
    }
    if (known->value.empty()) {
      if (inline_value) {
        Error(command->name, "option '" + arg + "' takes no value");
        return kExitUsage;
      }
      options[arg] = "1";
    } else if (inline_value) {
      options[arg] = *inline_value;
    } else if (i + 1 < args.size()) {
      options[arg] = args[++i];
    } else {
      Error(command->name, "option '" + arg + "' needs a value");
      return kExitUsage;
    }
  }

  int out_dialect = 2;
  Converter convert;
  try {
    out_dialect = Choice(options, "--style", {"osp", "fanuc"}, 1) + 1;
    if (Has(options, "-o") && Has(options, "--output-dir")) {
      throw UsageError{"-o and --output-dir exclude each other"};
    }
    if (Has(options, "-o") && inputs.size() > 1) {
      throw UsageError{"-o takes one input; use --output-dir for several"};
    }
    if (command->prepare) convert = command->prepare(options);
  } catch (const UsageError& e) {
    Error(command->name, e.message);
    return kExitUsage;
  }

  if (command->name == "translate") {
    std::string table_path;
    try {
      table_path = Required(options, "--table");
    } catch (const UsageError& e) {
      Error(command->name, e.message);
      return kExitUsage;
    }
    std::string reason;
    const auto bytes = ReadFile(table_path, &reason);
    if (!bytes) {
      Error(command->name, "cannot read '" + table_path + "': " + reason);
      return kExitFile;
    }
    auto table = std::make_shared<ConversionTable>();
    if (!ReadConversionTable(*bytes, *table)) {
      Error(command->name, ToUtf8(u"変換ファイル名エラー") + ": " + table_path);
      return kExitFailed;
    }
    const bool break_after_return = Has(options, "--break-after-return");
    convert = [table, break_after_return](std::u16string_view t, Module1& m) {
      m.OutDialect = 0;  // the direction and style come from the table, never from --style
      TranslateResult r = TranslateProgram(t, *table, break_after_return, m);
      if (!r.ok) return Outcome{{}, kExitFailed, std::move(r.message)};
      return Text(std::move(r.text));
    };
  }

  if (inputs.empty()) inputs.push_back("-");
  const std::string output = Get(options, "-o");
  const std::string output_dir = Get(options, "--output-dir");
  int status = kExitOk;
  for (const auto& input : inputs) {
    std::string reason;
    std::optional<std::string> bytes;
    if (input == "-") {
      bytes = ReadAll(STDIN_FILENO, &reason);
    } else {
      bytes = ReadFile(input, &reason);
    }
    if (!bytes) {
      Error(command->name, "cannot read '" + input + "': " + reason);
      status = kExitFile;
      continue;
    }
    DecodedText decoded = DecodeText(*bytes);
    bytes.reset();  // a large program is held once as bytes, text and result: not all at once
    Module1 m;
    m.OutDialect = out_dialect;
    Outcome outcome = convert(decoded.text, m);
    std::u16string().swap(decoded.text);  // frees it (a move from an empty string may not)
    if (!outcome.message.empty()) std::cerr << ToUtf8(outcome.message) << "\n";
    if (outcome.status != kExitOk) {
      if (status == kExitOk) status = outcome.status;
      continue;
    }
    std::size_t bad = 0;
    const auto encoded = EncodeText(outcome.text, decoded.encoding, &bad);
    std::string target = output;
    if (!output_dir.empty()) {
      const std::string name =
          input == "-" ? std::string("stdin.nc") : std::filesystem::path(input).filename().string();
      target = (std::filesystem::path(output_dir) / name).string();
    }
    if (!encoded) {
      Error(command->name, "cannot write '" + (target.empty() ? "-" : target) + "': character " +
                               std::to_string(bad + 1) + " has no code in the file's encoding");
      status = kExitFile;
      continue;
    }
    if (target.empty()) {
      std::cout.write(encoded->data(), static_cast<std::streamsize>(encoded->size()));
      std::cout.flush();
      if (!std::cout) {
        Error(command->name, "cannot write standard output");
        return kExitFile;
      }
    } else if (!WriteFileAtomic(target, *encoded, &reason)) {
      Error(command->name, "cannot write '" + target + "': " + reason);
      status = kExitFile;
    }
  }
  return status;
}

}  // namespace
}  // namespace kestrum

int main(int argc, char** argv) {
#if defined(__GLIBC__)
  // A large program is held as bytes, as text, as the result and as the result's bytes, one
  // after the other. Kept in the heap rather than in mappings of their own, the memory of
  // one is used again for the next instead of being handed back and faulted in anew.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  std::ios::sync_with_stdio(false);
  return kestrum::Main(argc, argv);
}
