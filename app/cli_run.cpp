#include "app/cli_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_check.h"
#include "io/file_io.h"
#include "io/textcodec.h"

namespace kestrum::cli {
namespace {

// The input is decoded about this many bytes at a time, cut after a line feed; the result is
// encoded and written whenever this many characters are ready. Both stay in the processor's
// caches, and the memory a run needs beside the input's bytes stays a few megabytes.
constexpr std::size_t kPieceBytes = std::size_t{1} << 18;
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

// The result encoded and written on a thread of its own while the conversion goes on, so that
// the two share the machine's cores. Pieces of text are handed over as the conversion writes
// them; two at most wait, so that memory stays a few pieces whatever the program's size.
class ResultWriter {
 public:
  ResultWriter(Sink& sink, Encoding encoding) : sink_(sink), encoding_(encoding) {
    ok_ = sink_.Write(EncodingMark(encoding_), &reason_);
    thread_ = std::thread([this] { Work(); });
  }
  ~ResultWriter() {
    if (thread_.joinable()) Finish();
  }

  // False once writing has failed: the run can stop.
  bool Hand(std::u16string_view text) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [&] { return waiting_.size() < 2; });
    if (!ok_) return false;
    std::u16string piece;
    if (!spare_.empty()) {
      piece = std::move(spare_.back());
      spare_.pop_back();
    }
    piece.assign(text);
    waiting_.push_back(std::move(piece));
    ready_.notify_one();
    return true;
  }

  // Waits until everything handed over is written. False with the reason when it was not.
  bool Finish() {
    {
      const std::lock_guard lock(mutex_);
      done_ = true;
      ready_.notify_one();
    }
    thread_.join();
    return ok_;
  }
  const std::string& reason() const { return reason_; }
  // When a character had no code: its index in the result.
  std::optional<std::size_t> bad_character() const { return bad_; }

 private:
  void Work() {
    for (;;) {
      std::u16string piece;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !waiting_.empty() || done_; });
        if (waiting_.empty()) break;
        piece = std::move(waiting_.front());
        waiting_.pop_front();
        room_.notify_one();
      }
      Write(piece, false);
      const std::lock_guard lock(mutex_);
      spare_.push_back(std::move(piece));
    }
    Write({}, true);
  }

  // A byte kept as it was (U+DC80 + b) is encoded with the character after it in view, so
  // that it is never cut from that character at the end of a piece.
  void Write(std::u16string_view text, bool last) {
    if (!ok_) return;
    if (!held_.empty()) {
      joined_.assign(held_);
      joined_.append(text);
      text = joined_;
      held_.clear();
    }
    if (!last && !text.empty() && text.back() >= 0xDC80 && text.back() <= 0xDCFF) {
      held_.assign(1, text.back());
      text.remove_suffix(1);
    }
    if (3 * text.size() > encoded_room_) {
      encoded_room_ = 3 * text.size();
      encoded_.reset(new char[encoded_room_]);
    }
    std::size_t bad = 0;
    const std::size_t n = EncodeTo(text, encoding_, encoded_.get(), &bad);
    bool ok = true;
    if (n == std::string::npos) {
      bad_ = characters_ + bad;
      ok = false;
    } else {
      characters_ += text.size();
      ok = sink_.Write(std::string_view(encoded_.get(), n), &reason_);
    }
    if (!ok) {
      const std::lock_guard lock(mutex_);
      ok_ = false;
      room_.notify_all();
    }
  }

  Sink& sink_;
  const Encoding encoding_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable ready_;  // a piece waits, or the run is done
  std::condition_variable room_;   // fewer pieces wait
  std::deque<std::u16string> waiting_;
  std::vector<std::u16string> spare_;
  bool done_ = false;
  bool ok_ = true;
  std::string reason_;
  std::optional<std::size_t> bad_;
  // The writing thread's own.
  std::size_t characters_ = 0;  // of the result, written so far
  std::u16string held_;
  std::u16string joined_;
  std::unique_ptr<char[]> encoded_;  // reused from piece to piece, never cleared
  std::size_t encoded_room_ = 0;
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

  // Why the job stopped the run.
  std::u16string Failure() const { return job_.failure ? job_.failure() : std::u16string(); }

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
        *message = Failure();
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
  ResultWriter writer(*sink, encoding);
  bool written = true;
  // --verify: the input and the result go through the check as they pass.
  std::optional<StreamCheck> check;
  if (job.path_check) check.emplace(*job.path_check);
  OutBuffer out(kOutRoom, [&](std::u16string_view text) {
    if (check) check->Result(text);
    written = writer.Hand(text);
  });

  JobRun run(job, out);
  std::unique_ptr<char16_t[]> piece;
  std::size_t piece_room = 0;
  bool converted = ForEachPiece(std::string_view(*bytes).substr(EncodingMark(encoding).size()),
                                [&](std::string_view piece_bytes) {
                                  if (piece_bytes.size() > piece_room) {
                                    piece_room = piece_bytes.size();
                                    piece.reset(new char16_t[piece_room]);
                                  }
                                  const std::u16string_view text(
                                      piece.get(), DecodeTo(piece_bytes, encoding, piece.get()));
                                  if (check) check->Source(text);
                                  return run.Piece(text) && written;
                                });
  std::u16string message;
  if (converted) {
    converted = run.End(&message);
  } else if (written) {
    message = run.Failure();
  }
  out.Flush();
  written = writer.Finish();
  if (!message.empty()) std::cerr << ToUtf8(message) << "\n";
  int status = kExitOk;
  if (!converted && written) {
    status = kExitFailed;
  } else if (const std::optional<std::size_t> bad = writer.bad_character()) {
    Error(command, "cannot write '" + shown + "': character " + std::to_string(*bad + 1) +
                       " has no code in the file's encoding");
    status = kExitFile;
  } else if (!written || !sink->Commit(&reason)) {
    Error(command, "cannot write '" + shown + "': " + (written ? reason : writer.reason()));
    status = kExitFile;
  }
  if (status != kExitOk) sink->Abort();
  // The result is written either way: a changed path is the operator's to judge.
  if (check && status == kExitOk && !check->End(std::cerr)) status = kExitFailed;
  return status;
}

}  // namespace kestrum::cli
