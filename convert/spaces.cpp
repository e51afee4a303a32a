#include "convert/spaces.h"

#include "ncword/numeric.h"
#include "ncword/read_word.h"

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
void PadCode(std::u16string_view value, std::u16string& out) {
  out.clear();
  if (!IsDigits(value)) {
    out.assign(value);
    return;
  }
  const std::size_t first = value.find_first_not_of(u'0');
  if (first != std::u16string_view::npos) value.remove_prefix(first);
  if (first == std::u16string_view::npos) value = {};
  if (value.size() < 2) out.append(2 - value.size(), u'0');
  out.append(value);
}

bool BlankAt(std::u16string_view line, std::size_t i) { return i < line.size() && line[i] == u' '; }

}  // namespace

bool SpacesConversion::Line(std::u16string_view line, OutBuffer& out) {
  LineWriter w(line, out);
  if (mode_ == SpaceMode::kRenumber) {
    Renumber(line, w);
  } else {
    const bool add = mode_ == SpaceMode::kAddBlank;
    WalkCode(line, m_.InComment, [&](std::size_t i) {
      const char16_t c = line[i];
      if (add && IsAddressLetter(c)) {
        // G01X10. -> G01 X10.: a blank after the value unless one is there or the line ends.
        const std::size_t end = ReadWordValue(line, i);
        if (end > i + 1 && end < line.size() && line[end] != u' ') w.Insert(end, u" ");
        return end;
      }
      if (!add && c == u' ') w.Erase(i, i + 1);
      return i + 1;
    });
  }
  w.Finish();
  return true;
}

// Every valued word of a block that is not numbered yet puts "N000" and blanks in front of
// the block, then is looked at again in the numbered block: an N word goes (with one blank
// after it), G and M numbers get two digits and a blank, every other word a blank after it.
// Where the block starts changes as leading N words go, and so does the prefix it gets:
// N10 G1 X5 -> N000 G01 X5, N10 X5 -> N000     X5.
void SpacesConversion::Renumber(std::u16string_view line, LineWriter& w) {
  // Where the block starts in the line: after the end of a comment carried in from the line
  // before (a prefix inside it would be comment too), and after the N words removed.
  std::size_t block = 0;
  if (m_.InComment) {
    bool still = true;
    block = SkipComment(line, 0, still);
  }
  bool prefixed = false;  // the block starts with an inserted prefix
  const auto first = [&] { return prefixed ? u'N' : (block < line.size() ? line[block] : u'\0'); };
  WalkCode(line, m_.InComment, [&](std::size_t i) {
    const char16_t c = line[i];
    if (!IsAddressLetter(c)) return i + 1;
    const std::size_t end = ReadWordValue(line, i);
    if (end == i + 1) return i + 1;
    const char16_t f = first();
    if (f != u'O' && f != u'N') {
      w.Insert(block, f == u'G' || f == u'M' || f == u'T' ? kShortPrefix : kLongPrefix);
      prefixed = true;
    }
    if (c == u'N') {
      // Only the N word and one blank after it go: in O1000 N10 the program number stays.
      const std::size_t next = BlankAt(line, end) ? end + 1 : end;
      w.Erase(i, next);
      if (!prefixed && i == block) block = next;
      return next;
    }
    if (c == u'G' || c == u'M') {
      // G1X5 -> G01 X5; a G or M word at the end of the line gets its blank too.
      PadCode(line.substr(i + 1, end - i - 1), code_);
      if (!BlankAt(line, end)) code_ += u' ';
      w.Replace(i + 1, end, code_);
    } else if (end < line.size() && line[end] != u' ') {
      w.Insert(end, u" ");
    }
    return end;
  });
}

std::u16string ConvertSpaces(std::u16string_view src, SpaceMode mode, Module1& m) {
  SpacesConversion run(mode, m);
  return ConvertWhole(src, run);
}

}  // namespace kestrum
