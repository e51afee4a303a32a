// Where the conversion tables shipped with the program are found. A build folder holds them
// beside the programs; an installed program keeps them in share/kestrum-milling/tables/,
// while its own folder (bin/), the editor's default table folder, holds none.
#pragma once

#include <filesystem>
#include <vector>

namespace kestrum {

// The folders that may hold the shipped tables, in the order they are searched: the programs'
// own folder, the data folder beside it (bin/../share/kestrum-milling/tables) and the data
// folder of the installation prefix. An empty program_folder leaves out the first two.
std::vector<std::filesystem::path> ShippedTableFolders(const std::filesystem::path& program_folder);

// The folder to read the table file name from: folder when it holds that file; otherwise,
// when folder is empty or holds no such file, the first shipped-table folder that holds a
// table of that name; otherwise folder as it is, so that reading reports the missing file.
std::filesystem::path TableFolder(const std::filesystem::path& folder,
                                  const std::filesystem::path& name,
                                  const std::filesystem::path& program_folder);

// The table file that a command line names: the file itself when it exists; otherwise the
// shipped table of that bare name ("FANUC→OSP.csv"); otherwise the argument as it is.
std::filesystem::path TableFile(const std::filesystem::path& argument,
                                const std::filesystem::path& program_folder);

// The folder of the running program's executable, or an empty path when it cannot be told.
std::filesystem::path ProgramFolder();

}  // namespace kestrum
