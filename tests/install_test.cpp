// The installed program: where it finds the shipped tables, kestrum-convert run from an
// installed layout, and the manual page and bash completion made from its command tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_docs.h"
#include "kestrum_install_dirs.h"
#include "kestrum_version.h"
#include "machine/table_location.h"
#include "tests/cli_util.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// Single quotes for a shell word.
std::string Sh(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command line in folder with stdin_bytes on standard input.
CliResult RunIn(const fs::path& folder, const std::string& command,
                const std::string& stdin_bytes = {}) {
  TempDir io;
  WriteBytes(io.path / "stdin", stdin_bytes);
  const std::string line =
      "cd " + Sh(folder.string()) + " && " + command + " < " + Sh((io.path / "stdin").string()) +
      " > " + Sh((io.path / "stdout").string()) + " 2> " + Sh((io.path / "stderr").string());
  const int raw = std::system(line.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadBytes(io.path / "stdout");
  r.err = ReadBytes(io.path / "stderr");
  return r;
}

// An installed tree: prefix/bin without tables, prefix/share/kestrum-milling/tables with one,
// a folder of the operator's own with another, and a build folder with the tables beside the
// programs.
struct Layout {
  TempDir root;
  fs::path bin = root.path / "usr/bin";
  fs::path shipped = root.path / "usr/share/kestrum-milling/tables";
  fs::path own = root.path / "home/tables";
  fs::path build = root.path / "build";
  Layout() {
    for (const auto& folder : {bin, shipped, own, build}) fs::create_directories(folder);
    WriteBytes(shipped / "T.csv", "shipped");
    WriteBytes(own / "U.csv", "own");
    WriteBytes(own / "T.csv.bak", "not the table");
    WriteBytes(build / "B.csv", "beside the programs");
    fs::create_directories(own / "D.csv");  // a folder is no table file
  }
};

TEST(TableLocation, ShippedTablesStandInForAFolderThatIsEmptyOrLacksTheTable) {
  const Layout l;
  const struct {
    fs::path folder, name, program;
    fs::path expected;
  } rows[] = {
      {l.own, "U.csv", l.bin, l.own},                     // the operator's folder holds it: kept
      {"", "T.csv", l.bin, l.shipped},                    // no folder stored
      {l.root.path / "gone", "T.csv", l.bin, l.shipped},  // a folder that is no more
      {l.own, "T.csv", l.bin, l.shipped},                 // a folder without that table
      {l.bin, "T.csv", l.bin, l.shipped},                 // an installed editor's own folder, bin/
      {"", "B.csv", l.build, l.build},                    // a build folder: beside the programs
      {l.own, "B.csv", l.build, l.build},
      {l.own, "missing.csv", l.bin, l.own},  // nowhere: the folder stays, reading says so
      {"", "missing.csv", l.bin, ""},
      {l.own, "D.csv", l.bin, l.own},  // a folder of that name is no table
      {"", "../share/kestrum-milling/tables/T.csv", l.bin, ""},  // only bare names
      {"", "..", l.bin, ""},
      {"", "", l.bin, ""},
      {l.own, "T.csv", "", l.own},  // the program's folder unknown: only the prefix's folder
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.folder.string() + " | " + row.name.string() + " | " + row.program.string());
    EXPECT_EQ(TableFolder(row.folder, row.name, row.program), row.expected);
  }
}

TEST(TableLocation, CommandLineTableIsTheFileOrTheShippedTableOfThatBareName) {
  const Layout l;
  const fs::path cwd = fs::current_path();
  fs::current_path(l.own);
  const struct {
    fs::path argument;
    fs::path expected;
  } rows[] = {
      {"U.csv", "U.csv"},  // a file here wins over any shipped one
      {l.own / "U.csv", l.own / "U.csv"},
      {"T.csv", l.shipped / "T.csv"},  // no file here: the shipped table
      {"sub/T.csv", "sub/T.csv"},      // a path is taken as it is
      {"missing.csv", "missing.csv"},  // reading it reports the missing file
      {"D.csv", "D.csv"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.argument.string());
    EXPECT_EQ(TableFile(row.argument, l.bin), row.expected);
  }
  fs::current_path(cwd);
}

TEST(TableLocation, FoldersSearchedInOrderAndEachOnce) {
  const std::vector<fs::path> installed = ShippedTableFolders("/opt/k/bin");
  ASSERT_EQ(installed.size(), 3u);
  EXPECT_EQ(installed[0], "/opt/k/bin");
  EXPECT_EQ(installed[1], "/opt/k/share/kestrum-milling/tables");
  EXPECT_EQ(installed[2], fs::path(kInstalledTables).lexically_normal());
  EXPECT_EQ(fs::path(kTablesFromPrograms), "../share/kestrum-milling/tables");
  // The programs in the prefix's own bin/: its data folder is the installed one.
  const fs::path prefix_bin = fs::path(kInstalledTables) / "../../../bin";
  EXPECT_EQ(ShippedTableFolders(prefix_bin.lexically_normal()).size(), 2u);
  EXPECT_EQ(ShippedTableFolders("").size(), 1u);
  EXPECT_FALSE(ProgramFolder().empty());
}

// kestrum-convert copied into an installed tree translates with a shipped table named
// without its folder, from any working folder, as the package's own does.
TEST(InstalledConvert, TranslatesWithAShippedTableByItsBareName) {
  TempDir root;
  const fs::path bin = root.path / "usr/bin";
  const fs::path tables = root.path / "usr/share/kestrum-milling/tables";
  const fs::path work = root.path / "work";
  for (const auto& folder : {bin, tables, work}) fs::create_directories(folder);
  fs::copy_file(KESTRUM_CONVERT_EXE, bin / "kestrum-convert");
  const std::string name = "FANUC→OSP.csv";
  fs::copy_file(fs::path(KESTRUM_SOURCE_DIR) / "tables" / name, tables / name);
  const std::string program = "O1000\r\nG90 G01 X10. Y20. F100\r\nM99\r\n";

  const std::string installed = Sh((bin / "kestrum-convert").string());
  const CliResult by_name = RunIn(work, installed + " translate --table " + Sh(name), program);
  EXPECT_EQ(by_name.status, 0) << by_name.err;
  const CliResult by_path =
      RunIn(work, installed + " translate --table " + Sh((tables / name).string()), program);
  EXPECT_EQ(by_path.status, 0) << by_path.err;
  EXPECT_EQ(by_name.out, by_path.out);
  EXPECT_NE(by_name.out.find("RTS"), std::string::npos) << by_name.out;  // M99 in OSP

  // The build folder's program finds the tables beside it.
  const CliResult built =
      RunIn(work, Sh(KESTRUM_CONVERT_EXE) + " translate --table " + Sh(name), program);
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(built.out, by_name.out);

  const CliResult missing = RunIn(work, installed + " translate --table nope.csv", program);
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.err.find("cannot read 'nope.csv'"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
}

const cli::DocFacts kFacts{"1.2.3", "/usr/share/kestrum-milling/tables"};

std::string ManPage() {
  std::ostringstream out;
  cli::WriteManPage(out, kFacts);
  return out.str();
}

std::string Help() {
  std::ostringstream out;
  cli::PrintHelp(out);
  return out.str();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Whatever a developer adds to the tables reaches --help, the manual page and the completion.
TEST(CliDocs, HelpManualAndCompletionListEveryCommandOptionExitStatusAndExample) {
  const std::string help = Help();
  const std::string man = ManPage();
  std::ostringstream completion_out;
  cli::WriteBashCompletion(completion_out, kFacts);
  const std::string completion = completion_out.str();
  for (const cli::CommandSpec& c : cli::CommandSpecs()) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(Contains(help, "\n  " + c.name + " "));
    EXPECT_TRUE(Contains(man, ".SS " + cli::RoffLiteral(c.name) + "\n"));
    EXPECT_TRUE(Contains(completion, "    " + c.name + ")\n"));
    for (const auto* list : {&c.options, &cli::GlobalOptions()}) {
      for (const cli::OptionSpec& o : *list) {
        SCOPED_TRACE(o.name);
        EXPECT_TRUE(Contains(help, "  " + o.name));
        EXPECT_TRUE(Contains(man, "\\fB" + cli::RoffLiteral(o.name) + "\\fR"));
        EXPECT_TRUE(Contains(man, cli::RoffText(o.help)));
      }
    }
  }
  for (const cli::ExitCodeSpec& e : cli::ExitCodes()) {
    EXPECT_TRUE(Contains(help, "  " + std::to_string(e.code) + "  " + e.meaning + "\n"));
    EXPECT_TRUE(Contains(
        man, "\\fB" + std::to_string(e.code) + "\\fR\n" + cli::RoffText(e.meaning) + "\n"));
  }
  EXPECT_EQ(cli::Examples().size(), 3u);
  for (const cli::ExampleSpec& e : cli::Examples()) {
    EXPECT_TRUE(Contains(help, "  " + e.command + "\n"));
    EXPECT_TRUE(Contains(man, "\n" + cli::RoffLiteral(e.command) + "\n"));
  }
  EXPECT_TRUE(Contains(man, "\"Kestrum_Milling 1.2.3\""));
  EXPECT_TRUE(Contains(man, "/usr/share/kestrum\\-milling/tables/"));
}

TEST(CliDocs, RoffKeepsTextAsWrittenAndOptionsCopyable) {
  const struct {
    const char* text;
    const char* prose;
    const char* literal;
  } rows[] = {
      {"X1000 -> X1", "X1000 \\-> X1", "X1000 \\-> X1"},
      {"add-zero: X10 -> X10.0", "add-zero: X10 \\-> X10.0", "add\\-zero: X10 \\-> X10.0"},
      {"use --output-dir for several", "use \\-\\-output\\-dir for several",
       "use \\-\\-output\\-dir for several"},
      {".csv files", "\\&.csv files", "\\&.csv files"},
      {"'quoted'", "\\&'quoted'", "\\&'quoted'"},
      {"a \\ b", "a \\e b", "a \\e b"},
      {"", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(cli::RoffText(row.text), row.prose);
    EXPECT_EQ(cli::RoffLiteral(row.text), row.literal);
  }
}

// The page as man shows it: groff reads it without a warning.
TEST(CliDocs, ManualPageFormatsWithoutWarnings) {
  if (std::system("command -v groff > /dev/null 2>&1") != 0) GTEST_SKIP() << "no groff";
  TempDir dir;
  std::ostringstream page;
  cli::WriteManPage(page, {kVersionText, kInstalledTables});
  WriteBytes(dir.path / "kestrum-convert.1", page.str());
  const CliResult r = RunIn(dir.path, "groff -k -man -Tutf8 -ww -z kestrum-convert.1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

// The completion as bash runs it: the words of the command line in, the offers out (sorted,
// one a line).
class Completion : public testing::Test {
 protected:
  Completion() {
    fs::create_directories(tables_.path);
    WriteBytes(tables_.path / "FANUC→OSP.csv", "");
    WriteBytes(tables_.path / "オークマ OSP.csv", "");
    std::ostringstream script;
    cli::WriteBashCompletion(script, {"1.2.3", tables_.path.string()});
    WriteBytes(script_.path / "kestrum-convert", script.str());
    WriteBytes(work_.path / "part.min", "");
    WriteBytes(work_.path / "PART.NC", "");
    WriteBytes(work_.path / "my table.csv", "");
    fs::create_directories(work_.path / "out");
  }

  std::string Offers(const std::vector<std::string>& words) {
    std::string array;
    for (const auto& w : words) array += " " + Sh(w);
    const std::string bash = "source " + Sh((script_.path / "kestrum-convert").string()) +
                             "; COMP_WORDS=(" + array +
                             "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                             "; _kestrum_convert; printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
    const CliResult r = RunIn(work_.path, "bash -c " + Sh(bash));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return r.out == "\n" ? "" : r.out;
  }

  TempDir script_, tables_, work_;
};

TEST_F(Completion, OffersCommandsOptionsValuesFilesAndShippedTables) {
  const struct {
    std::vector<std::string> words;
    const char* offers;
  } rows[] = {
      {{"kestrum-convert", "tr"}, "translate\n"},
      {{"kestrum-convert", "--h"}, "--help\n"},
      {{"kestrum-convert", "spaces", "--mode", ""}, "add\nremove\nrenumber\n"},
      {{"kestrum-convert", "points", "--mode", "add"}, "add\nadd-zero\n"},
      {{"kestrum-convert", "unit", "--m"}, "--mode\n"},
      {{"kestrum-convert", "abs-inc", "--s"}, "--start\n--start-comment\n--style\n"},
      {{"kestrum-convert", "unit", "--style", ""}, "fanuc\nosp\n"},
      {{"kestrum-convert", "calc", "--find", ""}, ""},  // the user's own text
      {{"kestrum-convert", "spaces", "--mode", "add", "p"}, "part.min\n"},
      {{"kestrum-convert", "spaces", "-o", "P"}, "PART.NC\n"},
      {{"kestrum-convert", "spaces", "--output-dir", ""}, "out\n"},
      {{"kestrum-convert", "translate", "--table", "FA"}, "FANUC→OSP.csv\n"},
      {{"kestrum-convert", "translate", "--table", "オ"}, "オークマ OSP.csv\n"},
      {{"kestrum-convert", "translate", "--table", "my"}, "my table.csv\n"},
      {{"kestrum-convert", "frobnicate", "--"}, ""},
      {{"kestrum-convert", "fix-line-ends", "--"},
       "--help\n--no-point\n--output-dir\n--style\n--verify\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.words.back());
    EXPECT_EQ(Offers(row.words), row.offers);
  }
}

}  // namespace
}  // namespace kestrum
