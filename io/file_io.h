// Program files read whole and written atomically, for the editor and the command-line
// converter alike. Standard library and POSIX only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The editor refuses files beyond this size: its text panes would need several gigabytes.
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;

// The whole content of a regular file of at most max_bytes, or nothing with the system's
// reason in *reason. A folder, a device or a pipe is refused rather than read (a pipe never
// ends).
std::optional<std::string> ReadFileBytes(const std::string& path, std::string* reason,
                                         std::size_t max_bytes = kMaxFileBytes);
// The rest of an open descriptor (standard input), whatever it is, of at most max_bytes.
std::optional<std::string> ReadAllBytes(int fd, std::string* reason, std::size_t max_bytes);

// All of bytes written to an open descriptor; false with the system's reason.
bool WriteAllBytes(int fd, std::string_view bytes, std::string* reason);

// Replaces the file at path with what is written: a temporary file in the same folder is
// written, flushed and renamed over the target, and the folder is flushed, so a full disk or a
// crash leaves the old file whole. A new file gets the permissions the umask allows, a
// replaced one keeps its own; a read-only target is refused, not replaced. A symbolic link is
// followed: the file it points to is replaced. Nothing of the target changes before Commit;
// a writer destroyed without it leaves no trace.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  ~AtomicFileWriter() { Abort(); }

  // False, with the reason, when the target cannot be replaced.
  bool Open(const std::string& path, std::string* reason);
  bool Write(std::string_view bytes, std::string* reason);
  bool Commit(std::string* reason);
  void Abort();

 private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  unsigned mode_ = 0;
};

// The whole of bytes through an AtomicFileWriter. False with the reason when nothing was
// written.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason);

}  // namespace kestrum
