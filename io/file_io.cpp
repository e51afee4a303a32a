#include "io/file_io.h"

#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kestrum {
namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string TooLarge(std::size_t max_bytes) {
  return "larger than " + std::to_string(max_bytes >> 20) + " MB";
}

// Closes a descriptor when the function leaves by any path.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

std::string FolderOf(const std::string& path) {
  std::string copy = path;
  return ::dirname(copy.data());
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// The file a symbolic link finally names; the path itself when it is none or dangles.
std::string FollowLinks(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;
}

// Reads fd to its end into bytes, whose size is what is expected (the file's size, or 0 when
// it is not known); nothing is allocated beyond what arrives.
bool ReadRest(int fd, std::string& bytes, std::size_t max_bytes, std::string* reason) {
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      // Past what was expected (a pipe, or a file that grew since it was measured): read on
      // in blocks until the end.
      char block[65536];
      const ssize_t n = ::read(fd, block, sizeof block);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *reason = Reason(errno);
        return false;
      }
      if (n == 0) break;
      if (static_cast<std::size_t>(n) > max_bytes - have) {
        *reason = TooLarge(max_bytes);
        return false;
      }
      bytes.append(block, static_cast<std::size_t>(n));
      have = bytes.size();
      continue;
    }
    const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *reason = Reason(errno);
      return false;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  bytes.resize(have);
  return true;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* reason,
                                         std::size_t max_bytes) {
  Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  struct stat st;
  if (file.fd < 0 || ::fstat(file.fd, &st) != 0) {
    *reason = Reason(errno);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    *reason = Reason(EISDIR);
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    *reason = "not a regular file";
    return std::nullopt;
  }
  if (static_cast<std::size_t>(st.st_size) > max_bytes) {
    *reason = TooLarge(max_bytes);
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  if (!ReadRest(file.fd, bytes, max_bytes, reason)) return std::nullopt;
  return bytes;
}

std::optional<std::string> ReadAllBytes(int fd, std::string* reason, std::size_t max_bytes) {
  struct stat st;
  std::string bytes;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // A file given as standard input: its size is known, so its bytes arrive in one buffer.
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    const auto left = static_cast<std::size_t>(st.st_size - (at > 0 ? at : 0));
    bytes.resize(std::min(left, max_bytes));
  }
  if (!ReadRest(fd, bytes, max_bytes, reason)) return std::nullopt;
  return bytes;
}

bool WriteAllBytes(int fd, std::string_view bytes, std::string* reason) {
  if (WriteAll(fd, bytes)) return true;
  *reason = Reason(errno);
  return false;
}

bool AtomicFileWriter::Open(const std::string& path, std::string* reason) {
  Abort();
  target_ = FollowLinks(path);
  struct stat old;
  const bool exists = ::stat(target_.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) {
    *reason = Reason(EISDIR);
    return false;
  }
  // Renaming over a read-only file would succeed; its protection must hold, also for root,
  // who may write anything: a file without any write permission is not replaced.
  if (exists && ((old.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0)) {
    *reason = Reason(EACCES);
    return false;
  }
  temp_ = FolderOf(target_) + "/.kestrum-save-XXXXXX";
  fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    *reason = Reason(errno);
    temp_.clear();
    return false;
  }
  mode_ = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
  return true;
}

bool AtomicFileWriter::Write(std::string_view bytes, std::string* reason) {
  if (fd_ < 0) {
    *reason = Reason(EBADF);
    return false;
  }
  return WriteAllBytes(fd_, bytes, reason);
}

bool AtomicFileWriter::Commit(std::string* reason) {
  if (fd_ < 0) {
    *reason = Reason(EBADF);
    return false;
  }
  bool done = ::fchmod(fd_, static_cast<mode_t>(mode_)) == 0 && ::fsync(fd_) == 0;
  int error = errno;
  if (::close(fd_) != 0 && done) {
    done = false;
    error = errno;
  }
  fd_ = -1;
  if (done && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    done = false;
    error = errno;
  }
  if (!done) {
    *reason = Reason(error);
    Abort();
    return false;
  }
  temp_.clear();
  // The rename is only safe on disk once the folder that records it is.
  Fd folder{::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (folder.fd >= 0 && ::fsync(folder.fd) != 0 && errno != EINVAL) {
    *reason = Reason(errno);
    return false;
  }
  return true;
}

void AtomicFileWriter::Abort() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason) {
  AtomicFileWriter writer;
  return writer.Open(path, reason) && writer.Write(bytes, reason) && writer.Commit(reason);
}

}  // namespace kestrum
