// The command line of kestrum-convert: its commands and options, their help text, and the
// parsing of the arguments. The help, the manual page and the shell completion all come from
// the tables here.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kestrum::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the conversion itself failed
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3;  // a file could not be read or written

struct OptionSpec {
  std::string name;   // "--mode"
  std::string value;  // "MODE", or "add|renumber|remove" for a choice; empty for a flag
  std::string help;
};

struct CommandSpec {
  std::string name;
  std::string summary;
  std::vector<OptionSpec> options;
};

// Every command, in the order the help lists them.
const std::vector<CommandSpec>& CommandSpecs();
// The options every command takes.
const std::vector<OptionSpec>& GlobalOptions();

struct ExitCodeSpec {
  int code;
  std::string meaning;
};
// Every exit status, lowest first.
const std::vector<ExitCodeSpec>& ExitCodes();

struct ExampleSpec {
  std::string comment;  // what the command line does
  std::string command;  // as typed in a shell
};
const std::vector<ExampleSpec>& Examples();

// What the program does, in a few sentences; one paragraph.
const std::string& Description();

void PrintHelp(std::ostream& out);
void PrintCommandHelp(std::ostream& out, const CommandSpec& command);

struct UsageError {
  std::string message;
  std::string command = {};  // the command the arguments named, when known
};

using Options = std::map<std::string, std::string>;

struct Arguments {
  const CommandSpec* command = nullptr;
  Options options;  // by name; a flag has the value "1"
  std::vector<std::string> inputs;
  bool help = false;  // --help after the command
};

// The arguments after the program's name. Options may stand anywhere after the command;
// "--name=value" and "--name value" both work, and "--" ends the options. Throws UsageError.
Arguments ParseArguments(const std::vector<std::string>& args);

std::string Get(const Options& options, const std::string& name, const std::string& fallback = {});
bool Has(const Options& options, const std::string& name);
// The value of an option that must be given; throws UsageError.
std::string Required(const Options& options, const std::string& name);
// The index of the option's value among the choices its table entry names ("add|renumber|remove"),
// or fallback when it is not given; throws UsageError naming the choices.
int Choice(const Arguments& args, const std::string& name,
           std::optional<int> fallback = std::nullopt);

}  // namespace kestrum::cli
