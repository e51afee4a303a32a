#include "convert/spaces.h"

#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"

namespace kestrum {
namespace {

// Renumbered blocks start with one of these: a block that starts with a G, M or T word gets
// the short one, every other block the long one, which puts its first word in the column
// after "G00 ".
constexpr std::u16string_view kShortPrefix = u"N000 ";
constexpr std::u16string_view kLongPrefix = u"N000     ";

bool IsDigits(std::u16string_view text) {
  if (text.empty()) return false;
  for (const char16_t c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

// A G or M number in two digits at least: "1" -> "01", "3" -> "03", "198" -> "198",
// "001" -> "01". Only digits are padded; "5.1" (G05.1 is another function than G05) and "1."
// keep their text. Done on the digits, so no number is too long to keep exactly.
std::u16string PadCode(std::u16string_view value) {
  if (!IsDigits(value)) return std::u16string(value);
  const std::size_t first = value.find_first_not_of(u'0');
  std::u16string out(first == std::u16string_view::npos ? u"" : value.substr(first));
  if (out.size() < 2) out.insert(0, 2 - out.size(), u'0');
  return out;
}

bool BlankFollows(const Scanner& s) { return s.NcPos < s.NcLineLen() && s.At(s.NcPos + 1) == u' '; }

// One blank after the value that NcPos ends on, unless one is there or the line ends.
void BlankAfterValue(Scanner& s) {
  if (s.NcPos < s.NcLineLen() && s.At(s.NcPos + 1) != u' ') {
    s.Insert(s.NcPos, u" ");
    ++s.NcPos;
  }
}

// The renumbering for the word whose letter ch stood at word_start; NcPos is on its value's
// last character.
void Renumber(Scanner& s, char16_t ch, std::size_t word_start) {
  const char16_t first = s.At(1);
  if (first != u'O' && first != u'N') {
    // N000 in front of the block; the word's letter is examined again in the numbered block.
    const std::u16string_view prefix =
        (first == u'G' || first == u'M' || first == u'T') ? kShortPrefix : kLongPrefix;
    s.Insert(0, prefix);
    s.NcPos = word_start - 1 + prefix.size();
    return;
  }
  if (ch == u'N') {
    // N10G01 -> G01, N10 G01 -> G01. Only the N word and one blank after it go: in O1000 N10
    // the program number stays. The character that moves into word_start is examined next.
    const std::size_t end = BlankFollows(s) ? s.NcPos + 1 : s.NcPos;
    s.Erase(word_start, end - word_start + 1);
    s.NcPos = word_start - 1;
  } else if (ch == u'G' || ch == u'M') {
    // G1X5 -> G01 X5; a G or M word at the end of the line gets its blank too.
    std::u16string code = PadCode(s.WordValue);
    if (!BlankFollows(s)) code += u' ';
    s.Splice(word_start, code);
  } else {
    BlankAfterValue(s);
  }
}

}  // namespace

std::u16string ConvertSpaces(std::u16string_view src, SpaceMode mode, Module1& m) {
  if (mode == SpaceMode::kRenumber) {
    return WalkLines(src, m, [](Scanner& s, char16_t ch) {
      if (!IsAddressLetter(ch)) return;
      const std::size_t word_start = s.NcPos;
      ReadWordValue(s);
      if (!s.WordValue.empty()) Renumber(s, ch, word_start);
    });
  }
  const bool add = mode == SpaceMode::kAddBlank;
  return StreamLines(src, m, [add, &m](std::u16string_view line, LineWriter& w, std::size_t i) {
    while (i < line.size()) {
      const char16_t c = line[i];
      if (c == u'(') {
        i = SkipComment(line, i + 1, m.InComment);
      } else if (add && IsAddressLetter(c)) {
        // G01X10. -> G01 X10.: a blank after the value unless one is there or the line ends.
        const std::size_t end = ValueEnd(line, i);
        if (end > i + 1 && end < line.size() && line[end] != u' ') w.Insert(end, u" ");
        i = end;
      } else {
        if (!add && c == u' ') w.Erase(i);
        ++i;
      }
    }
  });
}

}  // namespace kestrum
