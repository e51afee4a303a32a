#include "shell/document.h"

#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kestrum {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// Closes a descriptor when the function leaves by any path.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

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

std::u16string Hex(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return FromUtf8(buffer);
}

// "12 行目の文字 "😀" (U+1F600)" for the character at index in text.
std::u16string DescribeCharacter(std::u16string_view text, std::size_t index) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < index; ++i) {
    if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
      ++line;
    }
  }
  char32_t c = text[index];
  std::u16string shown(1, text[index]);
  if (c >= 0xD800 && c <= 0xDBFF && index + 1 < text.size() && text[index + 1] >= 0xDC00 &&
      text[index + 1] <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[index + 1] - 0xDC00);
    shown += text[index + 1];
  } else if (c >= 0xD800 && c <= 0xDFFF) {
    shown = u"?";  // a lone surrogate cannot be shown
  }
  return FromUtf8(std::to_string(line)) + u" 行目の文字 \"" + shown + u"\" (" + Hex(c) + u")";
}

std::u16string EncodingName(Encoding encoding) {
  return encoding == Encoding::kShiftJis ? u"Shift-JIS" : u"UTF-8";
}

}  // namespace

std::optional<std::string> ReadFileBytes(const std::string& path, std::string* reason) {
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
  if (static_cast<std::size_t>(st.st_size) > kMaxFileBytes) {
    *reason = "larger than " + std::to_string(kMaxFileBytes >> 20) + " MB";
    return std::nullopt;
  }
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      // The file may have grown since fstat: read on until its end.
      if (bytes.size() >= kMaxFileBytes) {
        *reason = "larger than " + std::to_string(kMaxFileBytes >> 20) + " MB";
        return std::nullopt;
      }
      bytes.resize(bytes.size() + 65536);
    }
    const ssize_t n = ::read(file.fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *reason = Reason(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  bytes.resize(have);
  return bytes;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* reason) {
  const std::string target = FollowLinks(path);
  struct stat old;
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) {
    *reason = Reason(EISDIR);
    return false;
  }
  // Renaming over a read-only file would succeed; its protection must hold, also for root,
  // who may write anything: a file without any write permission is not replaced.
  if (exists && ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
    *reason = Reason(EACCES);
    return false;
  }
  std::string temp = FolderOf(target) + "/.kestrum-save-XXXXXX";
  Fd file{::mkostemp(temp.data(), O_CLOEXEC)};
  if (file.fd < 0) {
    *reason = Reason(errno);
    return false;
  }
  const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
  const bool written =
      WriteAll(file.fd, bytes) && ::fchmod(file.fd, mode) == 0 && ::fsync(file.fd) == 0;
  const int write_error = errno;
  const bool closed = ::close(file.fd) == 0;
  file.fd = -1;
  if (!written || !closed) {
    *reason = Reason(written ? errno : write_error);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    *reason = Reason(errno);
    ::unlink(temp.c_str());
    return false;
  }
  Fd folder{::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (folder.fd >= 0) ::fsync(folder.fd);
  return true;
}

LoadedProgram LoadProgram(const std::string& path) {
  LoadedProgram result;
  std::string reason;
  const std::optional<std::string> bytes = ReadFileBytes(path, &reason);
  if (!bytes) {
    result.reason = FromUtf8(reason);
    return result;
  }
  result.text = DecodeText(*bytes);
  result.ok = true;
  return result;
}

std::u16string SaveProgram(const std::string& path, std::u16string_view text, Encoding encoding) {
  std::size_t bad = 0;
  const std::optional<std::string> bytes = EncodeText(text, encoding, &bad);
  if (!bytes) {
    return DescribeCharacter(text, bad) + u" は " + EncodingName(encoding) +
           u" のファイルに書き込めません。";
  }
  std::string reason;
  if (!WriteFileAtomically(path, *bytes, &reason)) return FromUtf8(reason);
  return u"";
}

std::u16string StartupPath(std::u16string_view arguments) {
  const std::size_t open = arguments.find(u'"');
  if (open == std::u16string_view::npos) return std::u16string(arguments);
  const std::u16string_view rest = arguments.substr(open + 1);
  return std::u16string(rest.substr(0, rest.find(u'"')));
}

}  // namespace kestrum
