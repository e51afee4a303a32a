// The manual page and the bash completion of kestrum-convert, written from the command,
// option, exit status and example tables of cli_args.h: a command or option added there
// appears in --help, the manual page and the completion alike.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace kestrum::cli {

struct DocFacts {
  std::string version;        // "1.1.3"
  std::string tables_folder;  // where the installed program keeps its shipped tables
};

// kestrum-convert.1, in the man(7) macros.
void WriteManPage(std::ostream& out, const DocFacts& facts);

// A bash completion of kestrum-convert: its commands, their options, the values of choice
// options, file names for inputs and FILE values, folders for DIR values, and the names of
// the shipped tables for --table.
void WriteBashCompletion(std::ostream& out, const DocFacts& facts);

// Text for a roff line: backslashes shown as themselves, a word that starts with "-" (an
// option) written with minus signs so that it can be copied into a shell, a line that would
// start with a control character ("." or "'") guarded.
std::string RoffText(std::string_view text);
// A command or value typed as it is: every "-" a minus sign.
std::string RoffLiteral(std::string_view text);

}  // namespace kestrum::cli
