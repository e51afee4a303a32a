// The words of one program line as the editor colours them: which characters form a G code,
// an M code, a sequence number, a comment, a macro word, and what is not understood.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrum {

enum class NcTokenKind : std::uint8_t {
  kPlain,     // blanks, "=", operators and numbers outside a word
  kGCode,     // G01, G90, G5.1
  kMCode,     // M03, M30
  kSequence,  // N100
  kProgram,   // O1000, and "%" (tape start and end)
  kAddress,   // every other letter with its value, F1200, T1, H01
  kComment,   // "(" to ")", or to the end of the line when it stays open
  kMacro,     // #101, VC12, IF, GOTO, WHILE, DO, END, CALL, THEN, EQ ... and "[" "]"
  kUnknown,   // a letter without value, lower case, and signs a controller does not read
};

struct NcToken {
  std::size_t start;  // in code units of the line
  std::size_t length;
  NcTokenKind kind;
};

// Splits one line (without its line end) into tokens, appended to out in order; plain text
// between them is left out. in_comment says whether a comment opened on an earlier line is
// still open: the line is then comment up to and including its first ")". Returns whether a
// comment is open at the end of the line.
//
//   G01X-1.5(ROUGH)   -> G "G01", address "X-1.5", comment "(ROUGH)"
//   #101=VC2+1        -> macro "#101", macro "VC2", then "=" and "+1" plain
//
// Works on UTF-8 bytes (the editor's panes) and on UTF-16 text alike; positions are in the
// input's code units. Characters beyond ASCII are comment text or not understood.
bool TokenizeNcLine(std::string_view line, bool in_comment, std::vector<NcToken>& out);
bool TokenizeNcLine(std::u16string_view line, bool in_comment, std::vector<NcToken>& out);

}  // namespace kestrum
