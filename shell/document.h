// Program files read and written whole, and the start-up file named on the command line.
// Standard library and POSIX only: the editor and the conversion table use it alike.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "shell/textcodec.h"

namespace kestrum {

// Files beyond this size are refused: the text panes would need several gigabytes for them.
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

// The whole content of a regular file, or nothing with the system's reason in *reason.
// A folder, a device or a pipe is refused rather than read (a pipe never ends).
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* reason);

// Replaces the file at path with bytes: a temporary file in the same folder is written,
// flushed and renamed over the target, so a full disk or a crash leaves the old file whole.
// A new file gets the permissions the umask allows, a replaced one keeps its own; a
// read-only target is refused, not replaced. A symbolic link is followed: the file it
// points to is replaced. False with the system's reason when nothing was written.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason);

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
