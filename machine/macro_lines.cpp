#include "machine/macro_lines.h"

#include <array>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "ncword/format_coord.h"
#include "ncword/line_walk.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

namespace kestrum {
namespace {

constexpr NumberMask kInteger("#####");

// The first "N" followed by a digit at or after from: the label of a jump ("NE" in a
// condition is no label).
std::size_t FindLabel(std::u16string_view code, std::size_t from) {
  for (std::size_t p = code.find(u'N', from); p != std::u16string_view::npos;
       p = code.find(u'N', p + 1)) {
    if (p + 1 < code.size() && IsDigit(code[p + 1])) return p;
  }
  return std::u16string_view::npos;
}

// A few characters and texts that a line may hold anywhere (comments included; the code view
// then decides). Most lines hold none and are spared the view; each character of a line costs
// one look-up in a table of first characters.
class Triggers {
 public:
  Triggers(std::u16string_view characters, std::initializer_list<std::u16string_view> texts)
      : texts_(texts) {
    for (const char16_t c : characters) {
      first_[c] = true;
      whole_[c] = true;
    }
    for (const std::u16string_view text : texts_) first_[text[0]] = true;
  }

  bool In(std::u16string_view line) const {
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char16_t c = line[i];
      if (c >= first_.size() || !first_[c]) continue;
      if (whole_[c]) return true;
      for (const std::u16string_view text : texts_) {
        if (line.substr(i, text.size()) == text) return true;
      }
    }
    return false;
  }

 private:
  std::vector<std::u16string_view> texts_;
  std::array<bool, 128> first_{};
  std::array<bool, 128> whole_{};
};

// A line and its code view, edited alike.
struct Edited {
  std::u16string& line;
  std::u16string code;

  void Replace(std::size_t pos, std::size_t count, std::u16string_view with) {
    line.replace(pos, count, with);
    code.replace(pos, count, with);
  }
};

// VC1 -> #101, VC25 -> #125: the common variables of OSP are #100 up in FANUC. A "VC"
// without digits is no common variable and stays. True when one was replaced.
bool RewriteCommonVariables(Edited& e) {
  std::u16string line, code;
  bool replaced = false;
  std::size_t copied = 0;
  for (std::size_t pos = e.code.find(u"VC"); pos != std::u16string::npos;
       pos = e.code.find(u"VC", pos)) {
    std::size_t end = pos + 2;
    while (end < e.code.size() && IsDigit(e.code[end])) ++end;
    if (end == pos + 2) {
      pos += 2;
      continue;
    }
    std::u16string variable = u"#";
    AppendMask(variable,
               ReadNumber(std::u16string_view(e.code).substr(pos + 2, end - pos - 2)) + 100,
               kInteger);
    line.append(e.line, copied, pos - copied);
    code.append(e.code, copied, pos - copied);
    line += variable;
    code += variable;
    copied = pos = end;
    replaced = true;
  }
  if (!replaced) return false;
  line.append(e.line, copied);
  code.append(e.code, copied);
  e.line.swap(line);
  e.code.swap(code);
  return true;
}

}  // namespace

bool CodeView(std::u16string_view line, bool in_comment, std::u16string& code) {
  code.assign(line);
  WalkCode(
      line, in_comment, [](std::size_t i) { return i + 1; },
      [&](std::size_t open, std::size_t close) {
        const std::size_t from = open == std::u16string_view::npos ? 0 : open;
        const std::size_t to = close < line.size() ? close + 1 : line.size();
        for (std::size_t i = from; i < to; ++i) code[i] = kCommentMark;
      });
  return in_comment;
}

bool RewriteFanucMacroLine(std::u16string& line, bool in_comment) {
  static const Triggers triggers(u"#", {u"IF", u"GOTO", u"WHILE", u"END"});
  if (!triggers.In(line)) return false;
  std::u16string code;
  CodeView(line, in_comment, code);
  for (const std::u16string_view keyword : {u"IF", u"GOTO", u"WHILE", u"END"}) {
    if (code.find(keyword) != std::u16string::npos) return true;
  }
  if (code.starts_with(u'#')) {
    std::size_t p = 1;
    while (p < code.size() && IsDigit(code[p])) ++p;
    std::size_t eq = p;
    while (eq < code.size() && IsBlank(code[eq])) ++eq;
    if (p > 1 && eq < code.size() && code[eq] == u'=') {
      const double n = ReadNumber(std::u16string_view(code).substr(1, p - 1));
      if (n >= 101) {
        std::u16string vc = u"VC";
        AppendMask(vc, n - 100, kInteger);
        line = vc + u"=" + line.substr(eq + 1);
      }
      return true;
    }
  }
  return code.find(u'#') != std::u16string::npos;
}

bool RewriteOspLine(std::u16string& line, bool in_comment) {
  static const Triggers triggers(u"#=", {u"CALL", u"RTS", u"MSG", u"VC", u"VNCOM", u"IF", u"GOTO"});
  if (!triggers.In(line)) return line.size() == 1 && line[0] != u'%';
  Edited e{line, {}};
  CodeView(line, in_comment, e.code);
  // "NMSG" before "MSG": removing "MSG" first leaves an "N" that reads the message as a
  // sequence number.
  static constexpr std::pair<std::u16string_view, std::u16string_view> kFixed[] = {
      {u"CALL", u"M98"}, {u"RTS", u"M99"},  {u"NMSG", u""},    {u"MSG", u""},
      {u"VGCLR=1", u""}, {u"VGCLR=2", u""}, {u"VGCLR=3", u""}, {u"VGCLR=4", u""},
      {u"VGCLR=5", u""}, {u"VGCLR=6", u""}, {u"VGCLR=7", u""}, {u"VNCOM[1]=1", u""},
  };
  for (const auto& [text, with] : kFixed) {
    const std::size_t pos = e.code.find(text);
    if (pos != std::u16string::npos) e.Replace(pos, text.size(), with);
  }
  const bool variables = RewriteCommonVariables(e);
  // X=#101 -> " X[#101] ": FANUC takes an expression in brackets after the letter.
  for (const char16_t axis : std::u16string_view(u"AXYZ")) {
    const char16_t assignment[] = {axis, u'=', 0};
    const std::size_t pos = e.code.find(assignment);
    if (pos == std::u16string::npos) continue;
    const char16_t opened[] = {u' ', axis, u'[', 0};
    e.Replace(pos, 2, opened);
    const std::size_t end = SkipValueChars(e.code, pos + 2);
    e.Replace(end, 0, u"] ");
  }
  bool finished = variables;
  // IF [#101 GT 0] N100 -> IF [#101 GT 0] GOTO 100
  if (const std::size_t pos = e.code.find(u"IF"); pos != std::u16string::npos) {
    finished = true;
    const std::size_t label = FindLabel(e.code, pos + 2);
    if (label != std::u16string::npos) e.Replace(label, 1, u"GOTO ");
  }
  // GOTO N100 -> GOTO 100. Scanned, the G of GOTO would become a G00 rapid move.
  if (const std::size_t pos = e.code.find(u"GOTO"); pos != std::u16string::npos) {
    finished = true;
    const std::size_t label = e.code.find(u'N', pos + 4);
    if (label != std::u16string::npos) e.Replace(label, 1, u"");
  }
  // A "#" left in an OSP line is none of its words; scanned, it would be written as "VCn=".
  if (e.code.find(u'#') != std::u16string::npos) finished = true;
  // A lone "%" goes on to the scan, which drops it: the result gets its own "%" lines, and a
  // second one in front would end the program for FANUC before its first block.
  return finished || (line.size() == 1 && line[0] != u'%');
}

}  // namespace kestrum
