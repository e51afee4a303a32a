// One conversion of one input by kestrum-convert: the input read, converted in pieces and
// written as it is converted, so that a program of any size needs little more memory than its
// own bytes.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "motion/compare.h"
#include "ncword/line_walk.h"
#include "ncword/module1.h"
#include "search/search.h"

namespace kestrum::cli {

// What a command does to one input: a line conversion or an all-at-once command.
struct Job {
  std::unique_ptr<LineConversion> lines;
  std::unique_ptr<AllAtOnce> all;
  // Checked on the input's bytes before the run; a message stops it (exit status 1).
  std::function<std::optional<std::u16string>(std::string_view bytes)> check;
  // Why the line conversion stopped the run (exit status 1).
  std::function<std::u16string()> failure;
  // With --verify: the check of the conversion's input against its output.
  std::optional<CheckSpec> path_check;
};
// Makes a command's job for one input, whose state is m.
using JobMaker = std::function<Job(Module1& m)>;

// Converts input (a path, or "-" for standard input) into target (a path, or "" for standard
// output) in the input's encoding, with OutDialect out_dialect. Messages go to standard error,
// prefixed with the command's name. Returns the exit status. A target is never left half
// written: a file is replaced only by a whole result, and standard output gets nothing of a
// run that fails.
int ConvertOne(const std::string& command, const std::string& input, const std::string& target,
               const JobMaker& make, int out_dialect);

void Error(const std::string& command, const std::string& message);

}  // namespace kestrum::cli
