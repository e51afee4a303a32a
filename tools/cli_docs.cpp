// kestrum-cli-docs: writes the manual page and the bash completion of kestrum-convert from its
// command tables. The build runs it; the results are installed with the program.
//
//   kestrum-cli-docs MAN_PAGE COMPLETION
#include "app/cli_docs.h"

#include <cstdio>
#include <fstream>

#include "kestrum_install_dirs.h"
#include "kestrum_version.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kestrum-cli-docs MAN_PAGE COMPLETION\n");
    return 2;
  }
  const kestrum::cli::DocFacts facts{kestrum::kVersionText, kestrum::kInstalledTables};
  std::ofstream man(argv[1], std::ios::binary);
  kestrum::cli::WriteManPage(man, facts);
  std::ofstream completion(argv[2], std::ios::binary);
  kestrum::cli::WriteBashCompletion(completion, facts);
  man.close();
  completion.close();
  if (!man || !completion) {
    std::fprintf(stderr, "kestrum-cli-docs: cannot write %s or %s\n", argv[1], argv[2]);
    return 3;
  }
  return 0;
}
