#include "ncword/nc_tokens.h"

#include <algorithm>
#include <string_view>

namespace kestrum {
namespace {

// Macro statements and functions of FANUC custom macros and OSP user task programs.
// Sorted, for the binary search.
constexpr std::string_view kMacroWords[] = {
    "ABS", "ACOS", "AND",   "ASIN", "ATAN", "BCD",  "BIN", "CALL", "COS",   "DO", "END", "EQ",
    "EXP", "FIX",  "FUP",   "GE",   "GOTO", "GT",   "IF",  "LE",   "LN",    "LT", "MOD", "NE",
    "OR",  "POW",  "ROUND", "RTS",  "SIN",  "SQRT", "TAN", "THEN", "WHILE", "XOR"};
static_assert(std::is_sorted(std::begin(kMacroWords), std::end(kMacroWords)));

bool IsUpper(char32_t c) { return c >= U'A' && c <= U'Z'; }
bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
// "+" "," "-" "." "/" and the digits: what a word's value is made of.
bool IsValueChar(char32_t c) { return c >= U'+' && c <= U'9'; }
bool IsBlank(char32_t c) { return c == U' ' || c == U'\t'; }

template <typename Char>
bool Is(std::basic_string_view<Char> run, std::string_view word) {
  return std::equal(run.begin(), run.end(), word.begin(), word.end(), [](Char a, char b) {
    return static_cast<char32_t>(a) == static_cast<char32_t>(b);
  });
}

template <typename Char>
bool IsMacroWord(std::basic_string_view<Char> run) {
  if (run.size() < 2 || run.size() > 5) return false;
  char word[6] = {};
  for (std::size_t i = 0; i < run.size(); ++i) word[i] = static_cast<char>(run[i]);
  return std::binary_search(std::begin(kMacroWords), std::end(kMacroWords),
                            std::string_view(word, run.size()));
}

NcTokenKind WordKind(char32_t letter) {
  switch (letter) {
    case U'G':
      return NcTokenKind::kGCode;
    case U'M':
      return NcTokenKind::kMCode;
    case U'N':
      return NcTokenKind::kSequence;
    case U'O':
      return NcTokenKind::kProgram;
    default:
      return NcTokenKind::kAddress;
  }
}

// Appends a token, joined to the one before when it is of the same kind and touches it.
void Emit(std::vector<NcToken>& out, std::size_t start, std::size_t end, NcTokenKind kind) {
  if (end <= start) return;
  if (!out.empty() && out.back().kind == kind && out.back().start + out.back().length == start) {
    out.back().length += end - start;
    return;
  }
  out.push_back({start, end - start, kind});
}

template <typename Char>
bool Tokenize(std::basic_string_view<Char> line, bool in_comment, std::vector<NcToken>& out) {
  const std::size_t n = line.size();
  const auto at = [&line](std::size_t i) { return static_cast<char32_t>(line[i]); };
  // The comment from `from` through its ")", or to the end of the line; the position after it.
  const auto comment = [&](std::size_t from, std::size_t scan_from) {
    std::size_t close = scan_from;
    while (close < n && at(close) != U')') ++close;
    in_comment = close == n;
    const std::size_t end = in_comment ? n : close + 1;
    Emit(out, from, end, NcTokenKind::kComment);
    return end;
  };

  std::size_t i = in_comment ? comment(0, 0) : 0;
  while (i < n) {
    const char32_t c = at(i);
    if (c == U'(') {
      i = comment(i, i + 1);
    } else if (IsBlank(c) || IsValueChar(c) || c == U'=' || c == U'*') {
      ++i;  // plain: blanks, and numbers and operators of macro expressions
    } else if (c == U'%') {
      Emit(out, i, i + 1, NcTokenKind::kProgram);
      ++i;
    } else if (c == U'#') {
      std::size_t end = i + 1;
      while (end < n && IsDigit(at(end))) ++end;
      Emit(out, i, end, NcTokenKind::kMacro);
      i = end;
    } else if (c == U'[' || c == U']') {
      Emit(out, i, i + 1, NcTokenKind::kMacro);
      ++i;
    } else if (IsUpper(c)) {
      std::size_t run_end = i + 1;
      while (run_end < n && IsUpper(at(run_end))) ++run_end;
      const std::basic_string_view<Char> run = line.substr(i, run_end - i);
      const bool common_variable = Is(run, "VC") && run_end < n && IsDigit(at(run_end));
      if (common_variable || IsMacroWord(run)) {
        // VC12 (an OSP common variable), and DO1 ... END1 keep their number with them.
        std::size_t end = run_end;
        if (common_variable || Is(run, "DO") || Is(run, "END")) {
          while (end < n && IsDigit(at(end))) ++end;
        }
        Emit(out, i, end, NcTokenKind::kMacro);
        i = end;
        continue;
      }
      // Letters in a row: only the last can start a word; the others have no value.
      Emit(out, i, run_end - 1, NcTokenKind::kUnknown);
      const std::size_t letter = run_end - 1;
      const NcTokenKind kind = WordKind(at(letter));
      std::size_t end = letter + 1;
      if (end < n && at(end) == U'=') ++end;  // OSP writes X=10 as well as X10
      const std::size_t value = end;
      while (end < n && IsValueChar(at(end))) ++end;
      if (end > value || (end < n && (at(end) == U'#' || at(end) == U'['))) {
        Emit(out, letter, end, kind);  // X10., X=10, X#101, X[#1+2]
      } else {
        Emit(out, letter, letter + 1, NcTokenKind::kUnknown);
        end = letter + 1;
      }
      i = end;
    } else if (c >= U'a' && c <= U'z') {
      // A word in small letters: controllers read capitals only.
      std::size_t end = i + 1;
      while (end < n && IsValueChar(at(end))) ++end;
      Emit(out, i, end, NcTokenKind::kUnknown);
      i = end;
    } else {
      Emit(out, i, i + 1, NcTokenKind::kUnknown);
      ++i;
    }
  }
  return in_comment;
}

}  // namespace

bool TokenizeNcLine(std::string_view line, bool in_comment, std::vector<NcToken>& out) {
  return Tokenize(line, in_comment, out);
}

bool TokenizeNcLine(std::u16string_view line, bool in_comment, std::vector<NcToken>& out) {
  return Tokenize(line, in_comment, out);
}

}  // namespace kestrum
