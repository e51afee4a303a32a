// kestrum-gen: writes a synthetic FANUC-style milling program for benchmarks.
//
//   kestrum-gen [--size BYTES[K|M|G]] [--seed N] [--lf] [-o FILE]
//
// The default is 20 MB (20,000,000 bytes) with CR LF line ends to standard output; --lf
// writes LF-only line ends. The same size and seed always give the same bytes.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "program_gen.h"

namespace {

int Usage(const char* why) {
  std::cerr << "kestrum-gen: " << why << "\n"
            << "usage: kestrum-gen [--size BYTES[K|M|G]] [--seed N] [--lf] [-o FILE]\n";
  return 2;
}

// "20M" -> 20000000, "512K" -> 512000, "1G" -> 1000000000, "1000" -> 1000; 0 for anything else.
std::size_t ParseSize(const std::string& text) {
  char* end = nullptr;
  const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
  if (end == text.c_str()) return 0;
  const std::string unit(end);
  if (unit.empty()) return n;
  if (unit == "K" || unit == "k") return n * 1000;
  if (unit == "M" || unit == "m") return n * 1000 * 1000;
  if (unit == "G" || unit == "g") return n * 1000 * 1000 * 1000;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t size = 20 * 1000 * 1000;
  unsigned long long seed = 1;
  bool lf_only = false;
  std::string output;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--size" && has_value) {
      size = ParseSize(argv[++i]);
      if (size == 0) return Usage("bad --size");
    } else if (arg == "--seed" && has_value) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--lf") {
      lf_only = true;
    } else if (arg == "-o" && has_value) {
      output = argv[++i];
    } else {
      return Usage(("unknown or incomplete option '" + arg + "'").c_str());
    }
  }
  const std::string program = kestrum::bench::SyntheticProgram(size, seed, lf_only);
  std::FILE* out = output.empty() ? stdout : std::fopen(output.c_str(), "wb");
  if (!out) {
    std::perror(output.c_str());
    return 3;
  }
  const bool written = std::fwrite(program.data(), 1, program.size(), out) == program.size();
  if ((out == stdout ? std::fflush(out) : std::fclose(out)) != 0 || !written) {
    std::perror(output.empty() ? "standard output" : output.c_str());
    return 3;
  }
  return 0;
}
