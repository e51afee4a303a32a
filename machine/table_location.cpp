#include "machine/table_location.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "kestrum_install_dirs.h"

namespace kestrum {
namespace {

namespace fs = std::filesystem;

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// "FANUC→OSP.csv", not "tables/FANUC→OSP.csv", "..", or "": only such a name may be looked up
// among the shipped tables, never a path that leads out of their folder.
bool IsBareName(const fs::path& name) {
  return !name.empty() && !name.has_parent_path() && name != "." && name != "..";
}

std::optional<fs::path> ShippedFolderHolding(const fs::path& name, const fs::path& program_folder) {
  if (!IsBareName(name)) return std::nullopt;
  for (const fs::path& folder : ShippedTableFolders(program_folder)) {
    if (IsFile(folder / name)) return folder;
  }
  return std::nullopt;
}

}  // namespace

std::vector<fs::path> ShippedTableFolders(const fs::path& program_folder) {
  std::vector<fs::path> folders;
  if (!program_folder.empty()) {
    folders.push_back(program_folder.lexically_normal());
    folders.push_back((program_folder / kTablesFromPrograms).lexically_normal());
  }
  folders.push_back(fs::path(kInstalledTables).lexically_normal());
  // /usr/bin's data folder is the installed one: search it once.
  for (auto it = folders.begin(); it != folders.end(); ++it) {
    folders.erase(std::remove(std::next(it), folders.end(), *it), folders.end());
  }
  return folders;
}

fs::path TableFolder(const fs::path& folder, const fs::path& name, const fs::path& program_folder) {
  if (!folder.empty() && IsFile(folder / name)) return folder;
  return ShippedFolderHolding(name, program_folder).value_or(folder);
}

fs::path TableFile(const fs::path& argument, const fs::path& program_folder) {
  if (IsFile(argument)) return argument;
  if (const auto folder = ShippedFolderHolding(argument, program_folder)) {
    return *folder / argument;
  }
  return argument;
}

fs::path ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

}  // namespace kestrum
