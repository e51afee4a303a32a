#include "app/cli_docs.h"

#include <set>
#include <vector>

#include "app/cli_args.h"

namespace kestrum::cli {
namespace {

// The choices of a value such as "add|renumber|remove"; empty for a value that is a name
// ("FILE", "TEXT").
std::vector<std::string> Choices(const std::string& value) {
  std::vector<std::string> choices;
  if (value.find('|') == std::string::npos) return choices;
  for (std::size_t start = 0; start <= value.size();) {
    std::size_t bar = value.find('|', start);
    if (bar == std::string::npos) bar = value.size();
    choices.push_back(value.substr(start, bar - start));
    start = bar + 1;
  }
  return choices;
}

std::string Escape(std::string_view text, bool every_minus) {
  std::string out;
  bool word_is_option = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == 0 || text[i - 1] == ' ') word_is_option = c == '-';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-' && (every_minus || word_is_option)) {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// "--mode add|renumber|remove": the option and choices in bold, a value's name in italics.
std::string OptionLine(const OptionSpec& option) {
  std::string line = "\\fB" + RoffLiteral(option.name) + "\\fR";
  if (option.value.empty()) return line;
  const std::vector<std::string> choices = Choices(option.value);
  if (choices.empty()) return line + " \\fI" + RoffLiteral(option.value) + "\\fR";
  line += ' ';
  for (std::size_t i = 0; i < choices.size(); ++i) {
    // "|\:" lets a long list break after a bar instead of running past the margin.
    line += (i ? "|\\:" : "") + ("\\fB" + RoffLiteral(choices[i]) + "\\fR");
  }
  return line;
}

void WriteOptions(std::ostream& out, const std::vector<OptionSpec>& options) {
  for (const OptionSpec& o : options) {
    out << ".TP\n" << OptionLine(o) << "\n" << RoffText(o.help) << "\n";
  }
}

// A word list for a shell's single quotes.
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The case branch that completes the value of option after it.
void WriteValueBranch(std::ostream& out, const OptionSpec& option) {
  if (option.value.empty()) return;  // a flag: the next word is anything
  out << "            " << option.name << ") ";
  const std::vector<std::string> choices = Choices(option.value);
  if (!choices.empty()) {
    std::string words;
    for (const auto& c : choices) words += (words.empty() ? "" : " ") + c;
    out << "_kestrum_convert_words " << Quoted(words) << "; ";
  } else if (option.name == "--table") {
    out << "_kestrum_convert_tables; ";
  } else if (option.value == "FILE") {
    out << "_kestrum_convert_files; ";
  } else if (option.value == "DIR") {
    out << "_kestrum_convert_folders; ";
  }
  // Other values (TEXT, X,Y,Z, ...) are the user's own: nothing is offered.
  out << "return ;;\n";
}

}  // namespace

std::string RoffText(std::string_view text) { return Escape(text, false); }
std::string RoffLiteral(std::string_view text) { return Escape(text, true); }

void WriteManPage(std::ostream& out, const DocFacts& facts) {
  out << ".\\\" Made from the command tables of kestrum-convert (app/cli_args.cpp); edit those.\n"
      << ".TH KESTRUM\\-CONVERT 1 \"\" \"Kestrum_Milling " << RoffLiteral(facts.version)
      << "\" \"User Commands\"\n"
      << ".\\\" Options and file names read better unhyphenated and ragged-right.\n"
      << ".nh\n.ad l\n"
      << ".SH NAME\n"
      << "kestrum\\-convert \\- convert NC part programs of milling machines from the command "
         "line\n"
      << ".SH SYNOPSIS\n"
      << "\\fBkestrum\\-convert\\fR \\fICOMMAND\\fR [\\fIOPTIONS\\fR] [\\fIINPUT\\fR ...] "
         "[\\fB\\-o\\fR \\fIOUTPUT\\fR | \\fB\\-\\-output\\-dir\\fR \\fIDIR\\fR]\n"
      << ".br\n"
      << "\\fBkestrum\\-convert\\fR [\\fICOMMAND\\fR] \\fB\\-\\-help\\fR\n"
      << ".SH DESCRIPTION\n"
      << RoffText(Description()) << "\n"
      << ".SH COMMANDS\n";
  for (const CommandSpec& c : CommandSpecs()) {
    out << ".SS " << RoffLiteral(c.name) << "\n" << RoffText(c.summary) << "\n";
    WriteOptions(out, c.options);
  }
  out << ".SH OPTIONS\nEvery command takes these.\n";
  WriteOptions(out, GlobalOptions());
  out << ".SH EXIT STATUS\n";
  for (const ExitCodeSpec& e : ExitCodes()) {
    out << ".TP\n\\fB" << e.code << "\\fR\n" << RoffText(e.meaning) << "\n";
  }
  out << ".SH EXAMPLES\n";
  for (const ExampleSpec& e : Examples()) {
    out << ".PP\n"
        << RoffText(e.comment) << ":\n"
        << ".PP\n.RS 4\n.nf\n"
        << RoffLiteral(e.command) << "\n"
        << ".fi\n.RE\n";
  }
  out << ".SH FILES\n"
      << ".TP\n\\fI" << RoffLiteral(facts.tables_folder) << "/\\fR\n"
      << "The conversion tables shipped with the program. \\fB\\-\\-table\\fR takes their "
         "names without the folder.\n"
      << ".SH SEE ALSO\n"
      << ".BR kestrum\\-milling (1)\n";
}

void WriteBashCompletion(std::ostream& out, const DocFacts& facts) {
  out << "# bash completion of kestrum-convert, made from its command tables\n"
         "# (app/cli_args.cpp); edit those.\n"
         "\n"
         "_kestrum_convert_words()\n"
         "{\n"
         "    local IFS=$' \\t\\n'\n"
         "    COMPREPLY=($(compgen -W \"$1\" -- \"$cur\"))\n"
         "}\n"
         "\n"
         "_kestrum_convert_files()\n"
         "{\n"
         "    compopt -o filenames 2>/dev/null\n"
         "    local IFS=$'\\n'\n"
         "    COMPREPLY+=($(compgen -f -- \"$cur\"))\n"
         "}\n"
         "\n"
         "_kestrum_convert_folders()\n"
         "{\n"
         "    compopt -o filenames 2>/dev/null\n"
         "    local IFS=$'\\n'\n"
         "    COMPREPLY+=($(compgen -d -- \"$cur\"))\n"
         "}\n"
         "\n"
         "# A table file, or the name of a shipped table without its folder.\n"
         "_kestrum_convert_tables()\n"
         "{\n"
         "    _kestrum_convert_files\n"
         "    local path name\n"
         "    for path in "
      << Quoted(facts.tables_folder)
      << "/*.csv; do\n"
         "        name=${path##*/}\n"
         "        [[ -f $path && $name == \"$cur\"* ]] && COMPREPLY+=(\"$name\")\n"
         "    done\n"
         "}\n"
         "\n"
         "_kestrum_convert()\n"
         "{\n"
         "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "    COMPREPLY=()\n"
         "    if ((COMP_CWORD == 1)); then\n";
  std::string commands;
  for (const CommandSpec& c : CommandSpecs()) commands += c.name + " ";
  out << "        _kestrum_convert_words " << Quoted(commands + "--help") << "\n"
      << "        return\n"
         "    fi\n"
         "    local options\n"
         "    case ${COMP_WORDS[1]} in\n";
  for (const CommandSpec& c : CommandSpecs()) {
    std::string names;
    for (const auto* list : {&c.options, &GlobalOptions()}) {
      for (const OptionSpec& o : *list) names += (names.empty() ? "" : " ") + o.name;
    }
    out << "    " << c.name << ")\n"
        << "        options=" << Quoted(names) << "\n"
        << "        case $prev in\n";
    std::set<std::string> seen;
    for (const auto* list : {&c.options, &GlobalOptions()}) {
      for (const OptionSpec& o : *list) {
        if (seen.insert(o.name).second) WriteValueBranch(out, o);
      }
    }
    out << "        esac\n"
        << "        ;;\n";
  }
  out << "    *) return ;;\n"
         "    esac\n"
         "    if [[ $cur == -* ]]; then\n"
         "        _kestrum_convert_words \"$options\"\n"
         "    else\n"
         "        _kestrum_convert_files\n"
         "    fi\n"
         "}\n"
         "\n"
         "complete -F _kestrum_convert kestrum-convert\n";
}

}  // namespace kestrum::cli
