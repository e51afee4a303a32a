// Program files as text, and the start-up file named on the command line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "io/file_io.h"
#include "io/textcodec.h"

namespace kestrum {

// A program file as text, with the encoding to write it back in.
struct LoadedProgram {
  bool ok = false;
  DecodedText text;
  std::u16string reason;  // why it could not be read
};
LoadedProgram LoadProgram(const std::string& path);

// Writes text in the given encoding. Returns "" when done, otherwise the reason: the
// system's, or the line and character that the encoding cannot hold.
std::u16string SaveProgram(const std::string& path, std::u16string_view text, Encoding encoding);

// The path in the program's argument string: with a double quote, the text between the first
// and the next one ("\"C:\\nc\\a.nc\" -x" -> "C:\\nc\\a.nc"; no closing quote: the rest);
// without one, the whole string, blanks included.
std::u16string StartupPath(std::u16string_view arguments);

}  // namespace kestrum
