#include "app/cli_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <iostream>

#include "app/cli_args.h"
#include "app/cli_check.h"
#include "io/file_io.h"
#include "io/textcodec.h"

namespace kestrum::cli {
namespace {

// The input is decoded about this many bytes at a time, cut after a line feed; the result is
// encoded and written whenever this many characters are ready. Both stay in the processor's
// caches.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;
constexpr std::size_t kOutRoom = std::size_t{1} << 19;

// Where the bytes of a result go.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual bool Write(std::string_view bytes, std::string* reason) = 0;
  virtual bool Commit(std::string* reason) = 0;
  virtual void Abort() = 0;
};

class FileSink final : public Sink {
 public:
  bool Open(const std::string& path, std::string* reason) { return writer_.Open(path, reason); }
  bool Write(std::string_view bytes, std::string* reason) override {
    return writer_.Write(bytes, reason);
  }
  bool Commit(std::string* reason) override { return writer_.Commit(reason); }
  void Abort() override { writer_.Abort(); }

 private:
  AtomicFileWriter writer_;
};

// Standard output. A file is written as the result comes and cut back to where it stood
// should the run fail; a pipe or a terminal gets the result at the end, or nothing.
class StdoutSink final : public Sink {
 public:
  StdoutSink() {
    struct stat st;
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode)) {
      start_ = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
    }
  }
  bool Write(std::string_view bytes, std::string* reason) override {
    if (start_ < 0) {
      held_.append(bytes);
      return true;
    }
    return WriteAllBytes(STDOUT_FILENO, bytes, reason);
  }
  bool Commit(std::string* reason) override {
    return start_ >= 0 || WriteAllBytes(STDOUT_FILENO, held_, reason);
  }
  void Abort() override {
    held_.clear();
    if (start_ >= 0 && ::ftruncate(STDOUT_FILENO, start_) == 0) {
      ::lseek(STDOUT_FILENO, start_, SEEK_SET);
    }
  }

 private:
  off_t start_ = -1;  // where the result starts in a file; -1: not a file
  std::string held_;
};

// Calls piece_fn(bytes) for successive pieces of bytes, each ending after a line feed but the
// last; false from piece_fn stops.
template <typename PieceFn>
bool ForEachPiece(std::string_view bytes, PieceFn&& piece_fn) {
  while (!bytes.empty()) {
    std::size_t cut = bytes.size();
    if (cut > kPieceBytes) {
      const std::size_t lf = bytes.rfind('\n', kPieceBytes - 1);
      cut = lf != std::string_view::npos ? lf + 1 : std::min(bytes.find('\n') + 1, bytes.size());
      if (cut == 0) cut = bytes.size();
    }
    if (!piece_fn(bytes.substr(0, cut))) return false;
    bytes.remove_prefix(cut);
  }
  return true;
}

// The conversion of the decoded pieces into out; the job's message in *message. False when
// the job stopped the run.
class JobRun {
 public:
  JobRun(Job& job, OutBuffer& out) : job_(job), out_(out) {
    if (job_.lines) feeder_.emplace(*job_.lines, out_);
    whole_ = job_.all && job_.all->NeedsWholeText();
  }

  bool Piece(std::u16string_view piece) {
    if (feeder_) return feeder_->Piece(piece);
    if (whole_) {
      text_.append(piece);
    } else {
      Through(piece);
    }
    return true;
  }

  // False when the run stopped; *message receives what standard error shows.
  bool End(std::u16string* message) {
    if (feeder_) {
      if (!feeder_->End()) {
        *message = job_.failure ? job_.failure() : std::u16string();
        return false;
      }
      *message = job_.lines->Report();
      return true;
    }
    if (whole_) Through(text_);
    *message = job_.all->End().text;
    return true;
  }

 private:
  void Through(std::u16string_view piece) {
    result_.clear();
    job_.all->Piece(piece, result_);
    out_.Put(result_);
  }

  Job& job_;
  OutBuffer& out_;
  std::optional<LineFeeder> feeder_;
  bool whole_ = false;
  std::u16string text_;  // the whole text, for a command that needs it in one piece
  std::u16string result_;
};

}  // namespace

void Error(const std::string& command, const std::string& message) {
  std::cerr << "kestrum-convert" << (command.empty() ? "" : " " + command) << ": " << message
            << "\n";
}

int ConvertOne(const std::string& command, const std::string& input, const std::string& target,
               const JobMaker& make, int out_dialect) {
  std::string reason;
  constexpr std::size_t kNoLimit = SIZE_MAX;
  const std::optional<std::string> bytes = input == "-"
                                               ? ReadAllBytes(STDIN_FILENO, &reason, kNoLimit)
                                               : ReadFileBytes(input, &reason, kNoLimit);
  if (!bytes) {
    Error(command, "cannot read '" + input + "': " + reason);
    return kExitFile;
  }
  const Encoding encoding = DetectEncoding(*bytes);
  Module1 m;
  m.OutDialect = out_dialect;
  Job job = make(m);
  if (job.check) {
    if (const std::optional<std::u16string> why = job.check(*bytes)) {
      std::cerr << ToUtf8(*why) << "\n";
      return kExitFailed;
    }
  }

  const std::string shown = target.empty() ? "-" : target;
  std::unique_ptr<Sink> sink;
  if (target.empty()) {
    sink = std::make_unique<StdoutSink>();
  } else {
    auto file = std::make_unique<FileSink>();
    if (!file->Open(target, &reason)) {
      Error(command, "cannot write '" + shown + "': " + reason);
      return kExitFile;
    }
    sink = std::move(file);
  }

  // The result, encoded and written as it comes. A character the encoding cannot hold, or a
  // write that fails, ends the run.
  bool written = sink->Write(EncodingMark(encoding), &reason);
  bool encoded_all = true;
  std::size_t characters = 0;  // of the result, handed on so far
  std::string encoded;
  // --verify: the input and the result go through the check as they pass.
  std::optional<StreamCheck> check;
  if (job.path_check) check.emplace(*job.path_check);
  OutBuffer out(kOutRoom, [&](std::u16string_view text) {
    if (check) check->Result(text);
    if (!written || !encoded_all) return;
    encoded.clear();
    std::size_t bad = 0;
    if (!AppendEncoded(text, encoding, encoded, &bad)) {
      encoded_all = false;
      characters += bad;
      return;
    }
    characters += text.size();
    written = sink->Write(encoded, &reason);
  });

  JobRun run(job, out);
  std::u16string piece;
  bool converted = ForEachPiece(std::string_view(*bytes).substr(EncodingMark(encoding).size()),
                                [&](std::string_view piece_bytes) {
                                  piece.clear();
                                  AppendDecoded(piece_bytes, encoding, piece);
                                  if (check) check->Source(piece);
                                  return run.Piece(piece) && written && encoded_all;
                                });
  std::u16string message;
  if (converted) converted = run.End(&message);
  out.Flush();
  if (!message.empty()) std::cerr << ToUtf8(message) << "\n";
  int status = kExitOk;
  if (!converted && written && encoded_all) {
    status = kExitFailed;
  } else if (!encoded_all) {
    Error(command, "cannot write '" + shown + "': character " + std::to_string(characters + 1) +
                       " has no code in the file's encoding");
    status = kExitFile;
  } else if (!written || !sink->Commit(&reason)) {
    Error(command, "cannot write '" + shown + "': " + reason);
    status = kExitFile;
  }
  if (status != kExitOk) sink->Abort();
  // The result is written either way: a changed path is the operator's to judge.
  if (check && status == kExitOk && !check->End(std::cerr)) status = kExitFailed;
  return status;
}

}  // namespace kestrum::cli
