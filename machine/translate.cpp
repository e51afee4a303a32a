#include "machine/translate.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"
#include "ncword/scanner.h"

namespace kestrum {
namespace {

constexpr std::u16string_view kLfOnlyMessage =
    u"改行コードがLFのみかも知れません。\r\n"
    u"一旦キャンセルして[変換]→[改行コードにCR追加]を実行してみてください。";
constexpr std::u16string_view kCrOnlyMessage =
    u"改行コードがCRのみの箇所があります。\r\n"
    u"CR LFに直してから変換してください。";
constexpr std::u16string_view kNoDirectionMessage =
    u"変換ファイルの2行目(変換前・変換後)に変換の方向がありません。\r\n"
    u"OSP→FANUCは変換前をOSP、変換後をFANUCで始めてください(逆方向はFANUC、OSP)。";
constexpr std::u16string_view kCrLf = u"\r\n";
constexpr double kUnknown = 9999;  // a kept X, Y or Z that no longer tells the position

// The masks of the words written.
constexpr NumberMask kTwoDigits("0#");                 // G01
constexpr NumberMask kFourDigits("000#");              // O0012
constexpr NumberMask kInteger("#####");                // 0 is ""
constexpr NumberMask kThreeDecimals("###0.000");       // 5.000
constexpr NumberMask kUpToThreeDecimals("####0.0##");  // 5.0, 12.346

// What a comment character becomes in the code view of a line: no word matches it.
constexpr char16_t kCommentMark = u'\x01';

constexpr int Index(char16_t letter) { return letter - u'A'; }

// A G number that is a whole number (G5.1 is not G05).
std::optional<int> WholeG(double g) {
  if (g != std::floor(g) || std::fabs(g) > 1000) return std::nullopt;
  return static_cast<int>(g);
}

// The line with every comment character, parentheses included, replaced by kCommentMark, so
// that searches for words find only code at the same positions. Returns whether a comment is
// still open at the end of the line. A line entered inside a comment is checked for ")" from
// its first character, as the word scan does.
bool CodeView(std::u16string_view line, bool in_comment, std::u16string& code) {
  code.assign(line);
  for (char16_t& c : code) {
    if (in_comment) {
      if (c == u')') in_comment = false;
      c = kCommentMark;
    } else if (c == u'(') {
      in_comment = true;
      c = kCommentMark;
    }
  }
  return in_comment;
}

// The first "N" followed by a digit at or after from: the label of a jump ("NE" in a
// condition is no label).
std::size_t FindLabel(std::u16string_view code, std::size_t from) {
  for (std::size_t p = code.find(u'N', from); p != std::u16string_view::npos;
       p = code.find(u'N', p + 1)) {
    if (p + 1 < code.size() && IsDigit(code[p + 1])) return p;
  }
  return std::u16string_view::npos;
}

// True when the text has a number in front ("03", " 3", "-1", ".5"), as an M word's number.
bool HasLeadingNumber(std::u16string_view text) {
  std::size_t p = 0;
  while (p < text.size() && IsBlank(text[p])) ++p;
  if (p < text.size() && (text[p] == u'+' || text[p] == u'-')) ++p;
  if (p < text.size() && text[p] == u'.') ++p;
  return p < text.size() && IsDigit(text[p]);
}

// The words of one line. Values of A, C, D, X, Y, Z and N are kept from line to line (they
// are written only when their letter is on the line); the others start each line afresh.
struct LineWords {
  std::array<bool, 26> has{};
  std::array<double, 26> value{};  // by letter
  std::u16string p = u"0";         // P as written
  std::u16string o = u"0";         // the O text
  std::u16string comment;
  std::vector<double> other_g;  // G numbers outside the groups below, in line order
  int plane_g = 0;              // 17, 18, 19
  int comp_g = 0;               // 40, 41, 42
  int distance = 0;             // 90, 91
  int feed = 0;                 // 94, 95
  int spindle = 0;              // 96, 97
  float work_g = -1;            // 53 to 59
  double hash_number = 0;
  std::vector<float> m_list;
  bool block_delete = false;

  bool Has(char16_t letter) const { return has[Index(letter)]; }
  double& Value(char16_t letter) { return value[Index(letter)]; }

  void Reset() {
    has.fill(false);
    for (const char16_t c : std::u16string_view(u"FRSUWIJKLQBT")) Value(c) = 0;
    Value(u'H') = -1;
    p = u"0";
    o = u"0";
    comment.clear();
    other_g.clear();
    plane_g = comp_g = distance = feed = spindle = 0;
    work_g = -1;
    hash_number = 0;
    m_list.clear();
    block_delete = false;
  }
};

struct MCodeRow {
  float number;
  std::u16string_view after;
};

// A few characters and texts that a line may hold anywhere (comments included; the code view
// then decides). Most lines hold none, and are spared the view; each character of a line
// costs one look-up in a table of first characters.
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

// FANUC to OSP: a macro statement or a variable.
bool MayHoldMacro(std::u16string_view line) {
  static const Triggers triggers(u"#", {u"IF", u"GOTO", u"WHILE", u"END"});
  return triggers.In(line);
}

// OSP to FANUC: text that one of the rewrites before the scan works on.
bool MayRewrite(std::u16string_view line) {
  static const Triggers triggers(u"#=", {u"CALL", u"RTS", u"MSG", u"VC", u"VNCOM", u"IF", u"GOTO"});
  return triggers.In(line);
}

class Translator {
 public:
  Translator(const ConversionTable& table, bool break_after_return, Module1& m)
      : m_(m), break_after_return_(break_after_return), to_osp_(m.OutDialect == 1) {
    reference_return_ = table.rows[kReferenceReturnRow].after.text;
    for (int row = kFirstMCodeRow; row <= kLastRow; ++row) {
      const TableField& before = table.rows[row].before;
      // A row without an M number matches no M code: an empty rest would read as 0 and turn
      // M00, the program stop, into the row's text.
      if (before.kind == TableField::Kind::kNeverSet || before.text.size() < 2) continue;
      const std::u16string_view rest = std::u16string_view(before.text).substr(1);
      if (!HasLeadingNumber(rest)) continue;
      m_codes_.push_back({ToSingle(ReadNumber(rest)), table.rows[row].after.text});
    }
  }

  TranslateResult Run(std::u16string_view src) {
    Scanner s(src, m_);
    out_.reserve(s.SrcText.size() + s.SrcText.size() / 4 + 16);
    const std::size_t prefix = to_osp_ ? 0 : 3;
    if (!to_osp_) out_ = u"%\r\n";
    while (s.NextLine()) {
      ++line_number_;
      if (!TranslateLine(s)) {
        out_.erase(0, prefix);
        return {std::move(out_), false, std::move(failure_), failure_icon_};
      }
    }
    if (!to_osp_) out_ += u"%\r\n";
    return {std::move(out_), true, {}, false};
  }

 private:
  bool Fail(std::u16string message, bool error_icon) {
    failure_ = std::move(message);
    failure_icon_ = error_icon;
    return false;
  }

  void Finish(std::u16string_view line) {
    out_ += line;
    out_ += kCrLf;
  }

  bool TranslateLine(Scanner& s) {
    words_.Reset();
    std::u16string& line = s.Line();
    bool finished = false;
    if (to_osp_) {
      finished = MayHoldMacro(line) && KeepsFanucMacro(line);
    } else if (MayRewrite(line)) {
      finished = RewriteOspLine(s, line);
    } else {
      finished = line.size() == 1 && line[0] != u'%';
    }
    if (finished) {
      m_.InComment = CodeView(line, m_.InComment, code_);
      Finish(line);
      return true;
    }
    line_starts_in_comment_ = m_.InComment;
    if (!Scan(s)) return false;
    if (WriteSpecialLine(line)) return true;
    forget_position_ = false;
    const std::size_t block_start = out_.size();
    // A work coordinate system has no word of its own in OSP: G54 to G59 become G15 H1 to
    // H6 (G53 H0) on a line before the block.
    if (to_osp_ && words_.work_g >= 53 && words_.work_g <= 59) {
      out_ += u"G15 H";
      out_ += static_cast<char16_t>(u'0' + static_cast<int>(words_.work_g) - 53);
      out_ += kCrLf;
    }
    line_start_ = out_.size();
    if (!Assemble()) {
      out_.resize(block_start);
      return false;
    }
    out_ += kCrLf;
    if (forget_position_) {
      // After a reference point return the tool stands where no word of the program says.
      words_.Value(u'X') = words_.Value(u'Y') = words_.Value(u'Z') = kUnknown;
      last_x_.reset();
      last_y_.reset();
      last_z_.reset();
    }
    return true;
  }

  // FANUC to OSP: a macro statement has no word-by-word translation, and a variable is no
  // number this program could convert, so such lines are written as they are. "#n=expr" is
  // the common variable assignment of both dialects, written "VCn=expr" in OSP.
  bool KeepsFanucMacro(std::u16string& line) {
    CodeView(line, m_.InComment, code_);
    for (const std::u16string_view keyword : {u"IF", u"GOTO", u"WHILE", u"END"}) {
      if (code_.find(keyword) != std::u16string::npos) return true;
    }
    if (!code_.empty() && code_[0] == u'#') {
      std::size_t p = 1;
      while (p < code_.size() && IsDigit(code_[p])) ++p;
      std::size_t eq = p;
      while (eq < code_.size() && IsBlank(code_[eq])) ++eq;
      if (p > 1 && eq < code_.size() && code_[eq] == u'=') {
        line = u"VC" + line.substr(1, p - 1) + u"=" + line.substr(eq + 1);
        return true;
      }
    }
    return code_.find(u'#') != std::u16string::npos;
  }

  // Replaces the characters [pos, pos + count) of the line and of its code view alike.
  void ReplaceCode(std::u16string& line, std::size_t pos, std::size_t count,
                   std::u16string_view with) {
    line.replace(pos, count, with);
    code_.replace(pos, count, with);
  }

  // OSP to FANUC: the textual rewrites before the scan, on code outside comments. Returns
  // true when the line is finished with them.
  bool RewriteOspLine(Scanner& s, std::u16string& line) {
    CodeView(line, m_.InComment, code_);
    // "NMSG" before "MSG": removing "MSG" first leaves an "N" that reads the message as a
    // sequence number.
    static constexpr std::pair<std::u16string_view, std::u16string_view> kFixed[] = {
        {u"CALL", u"M98"}, {u"RTS", u"M99"},  {u"NMSG", u""},    {u"MSG", u""},
        {u"VGCLR=1", u""}, {u"VGCLR=2", u""}, {u"VGCLR=3", u""}, {u"VGCLR=4", u""},
        {u"VGCLR=5", u""}, {u"VGCLR=6", u""}, {u"VGCLR=7", u""}, {u"VNCOM[1]=1", u""},
    };
    for (const auto& [text, with] : kFixed) {
      const std::size_t pos = code_.find(text);
      if (pos != std::u16string::npos) ReplaceCode(line, pos, text.size(), with);
    }
    const bool variables = RewriteCommonVariables(line);
    // X=#101 -> " X[#101] ": FANUC takes an expression in brackets after the letter.
    for (const char16_t axis : std::u16string_view(u"AXYZ")) {
      const char16_t assignment[] = {axis, u'=', 0};
      const std::size_t pos = code_.find(assignment);
      if (pos == std::u16string::npos) continue;
      const char16_t opened[] = {u' ', axis, u'[', 0};
      ReplaceCode(line, pos, 2, opened);
      std::size_t bracket = pos + 3;  // 1-based position of "["
      const std::size_t end = SkipValueChars(s, bracket);
      ReplaceCode(line, end - 1, 0, u"] ");
    }
    bool finished = variables;
    // IF [#101 GT 0] N100 -> IF [#101 GT 0] GOTO 100
    if (const std::size_t pos = code_.find(u"IF"); pos != std::u16string::npos) {
      finished = true;
      const std::size_t label = FindLabel(code_, pos + 2);
      if (label != std::u16string::npos) ReplaceCode(line, label, 1, u"GOTO ");
    }
    // GOTO N100 -> GOTO 100. Scanned, the G of GOTO would become a G00 rapid move.
    if (const std::size_t pos = code_.find(u"GOTO"); pos != std::u16string::npos) {
      finished = true;
      const std::size_t label = code_.find(u'N', pos + 4);
      if (label != std::u16string::npos) ReplaceCode(line, label, 1, u"");
    }
    // A "#" left in an OSP line is none of its words; scanned, it would be written as "VCn=".
    if (code_.find(u'#') != std::u16string::npos) finished = true;
    // A lone "%" goes on to the scan, which drops it: the result gets its own "%" lines, and
    // a second one in front would end the program for FANUC before its first block.
    return finished || (line.size() == 1 && line[0] != u'%');
  }

  // VC1 -> #101, VC25 -> #125: the common variables of OSP are #100 up in FANUC. A "VC"
  // without digits is no common variable and stays. True when one was replaced.
  bool RewriteCommonVariables(std::u16string& line) {
    rewritten_.clear();
    code_rewritten_.clear();
    bool replaced = false;
    std::size_t copied = 0;
    for (std::size_t pos = code_.find(u"VC"); pos != std::u16string::npos;
         pos = code_.find(u"VC", pos)) {
      std::size_t end = pos + 2;
      while (end < code_.size() && IsDigit(code_[end])) ++end;
      if (end == pos + 2) {
        pos += 2;
        continue;
      }
      variable_ = u"#";
      AppendMask(variable_,
                 ReadNumber(std::u16string_view(code_).substr(pos + 2, end - pos - 2)) + 100,
                 kInteger);
      rewritten_.append(line, copied, pos - copied);
      code_rewritten_.append(code_, copied, pos - copied);
      rewritten_ += variable_;
      code_rewritten_ += variable_;
      copied = pos = end;
      replaced = true;
    }
    if (!replaced) return false;
    rewritten_.append(line, copied);
    code_rewritten_.append(code_, copied);
    line.swap(rewritten_);
    code_.swap(code_rewritten_);
    return true;
  }

  bool Scan(Scanner& s) {
    const std::u16string_view line = s.Line();  // the scan reads the line, never changes it
    LineWords& w = words_;
    for (s.NcPos = 1; s.NcPos <= s.NcLineLen(); ++s.NcPos) {
      const char16_t c = s.TakeChar(&w.comment);
      switch (c) {
        case u'O':
          ReadWordToken(s);
          w.o = s.WordValue;
          if (s.NcPos < s.NcLineLen() && s.At(s.NcPos + 1) == u'G') ++s.NcPos;
          break;
        case u'/':
          if (s.NcPos == 1) w.block_delete = true;
          break;
        case u'N':
          ReadWordToken(s);
          if (!s.WordValue.empty()) {
            w.Value(u'N') = ReadNumber(s.WordValue);
            w.has[Index(u'N')] = true;
          }
          break;
        case u'G':
          ReadWordValue(s);
          // A G without digits is no G word: read as G00 it would add a rapid move.
          if (s.WordValue.find_first_of(u"0123456789") != std::u16string::npos) {
            SortG(ReadNumber(s.WordValue));
          }
          break;
        case u'E':
          ExprValue(s, line);
          w.has[Index(c)] = true;
          break;
        case u'F':
        case u'R':
        case u'T':
        case u'V':
          w.Value(c) = ExprValue(s, line).value_or(0);
          break;
        case u'M':
          if (const std::optional<double> v = ExprValue(s, line)) {
            if (w.m_list.size() == 10) return Fail(std::u16string(kLfOnlyMessage), true);
            w.m_list.push_back(ToSingle(*v));
          }
          break;
        case u'P':
          ReadWordValue(s);
          if (!s.WordValue.empty()) w.p = s.WordValue;
          break;
        case u'S':
          if (s.NcPos < s.NcLineLen() && s.At(s.NcPos + 1) == u'B') {
            ++s.NcPos;  // SB: the speed of a second spindle, not written
            ExprValue(s, line);
          } else {
            w.Value(u'S') = ExprValue(s, line).value_or(0);
          }
          break;
        case u'#':
          ReadWordToken(s);
          if (!s.WordValue.empty()) w.hash_number = ReadNumber(s.WordValue);
          break;
        case u'A':
        case u'B':
        case u'C':
        case u'D':
        case u'H':
        case u'I':
        case u'J':
        case u'K':
        case u'L':
        case u'Q':
        case u'U':
        case u'W':
        case u'X':
        case u'Y':
        case u'Z':
          // The letters whose value and presence both count.
          if (const std::optional<double> v = ExprValue(s, line)) {
            w.Value(c) = *v;
            w.has[Index(c)] = true;
          }
          break;
        default:
          break;
      }
    }
    return true;
  }

  // The value of the word whose letter NcPos stands on in line, the scanner's line, as the
  // expression reader reads it, or nothing when the word has no value. NcPos ends on the last
  // character taken.
  static std::optional<double> ExprValue(Scanner& s, std::u16string_view line) {
    const WordExpr e = EvaluateWordExpr(line.substr(s.NcPos));
    s.NcPos += e.length;
    if (!e.has_value) return std::nullopt;
    return e.value;
  }

  void SortG(double g) {
    LineWords& w = words_;
    const int n = WholeG(g).value_or(-1);
    if (n == 17 || n == 18 || n == 19) {
      w.plane_g = n;
    } else if (n == 40 || n == 41 || n == 42) {
      w.comp_g = n;
    } else if (n >= 53 && n <= 59) {
      w.work_g = static_cast<float>(n);
    } else if (n == 90 || n == 91) {
      w.distance = n;
      incremental_ = n == 91;
    } else if (n == 96 || n == 97) {
      w.spindle = n;
    } else if (n == 94 || n == 95) {
      w.feed = n;
    } else {
      w.other_g.push_back(g);
      w.has[Index(u'G')] = true;
    }
  }

  // Special line forms. True when the line is written (or dropped) here.
  bool WriteSpecialLine(std::u16string_view line) {
    if (!line.empty() && line[0] == u'%') return true;
    const std::size_t first = !line.empty() && line[0] == u'$' ? 1 : 0;
    if (first == line.size()) {
      Finish(u"");
      return true;
    }
    const std::u16string& comment = words_.comment;
    if (line[first] == u'O') {
      out_ += u'O';
      out_ += FormatMaskText(words_.o, kFourDigits);
      if (!comment.empty()) AppendComment(u" (");
      out_ += kCrLf;
      return true;
    }
    // A line that is only a comment. Code after the comment makes it an ordinary line, so
    // that "(ROUGH) G01 X10." keeps its move.
    if (line[first] == u'(') {
      CodeView(line, line_starts_in_comment_, code_);
      if (code_.find_first_not_of(u" \t\x01", first) == std::u16string::npos) {
        AppendComment(u" (");
        out_ += kCrLf;
        return true;
      }
    }
    return false;
  }

  // opening + the comment text + ")".
  void AppendComment(std::u16string_view opening) {
    out_ += opening;
    out_ += words_.comment;
    out_ += u')';
  }

  // letter + v through the mask + blank.
  void Word(char16_t letter, double v, const NumberMask& mask) {
    out_ += letter;
    AppendMask(out_, v, mask);
    out_ += u' ';
  }

  // The same for a whole number that may be 0: "D" + "" would leave a bare letter, which the
  // controller reads as another word or rejects, so 0 is written "0".
  void WholeWord(char16_t letter, double v, const NumberMask& mask) {
    out_ += letter;
    const std::size_t before = out_.size();
    AppendMask(out_, v, mask);
    if (out_.size() == before) out_ += u'0';
    out_ += u' ';
  }

  // letter + FormatCoord(v) (+ blank); returns the value written.
  double CoordWord(char16_t letter, double v, bool blank = true) {
    out_ += letter;
    const double written = AppendCoord(out_, v, m_.OutDialect);
    if (blank) out_ += u' ';
    return written;
  }

  // "G" + g with "0#" (+ blank).
  void GWord(double g, bool blank = true) {
    out_ += u'G';
    AppendMask(out_, g, kTwoDigits);
    if (blank) out_ += u' ';
  }

  // The output line. False when the line cannot be translated.
  bool Assemble() {
    LineWords& w = words_;
    if (w.block_delete) out_ += u"/ ";
    if (w.Has(u'N')) WholeWord(u'N', w.Value(u'N'), to_osp_ ? kFourDigits : kInteger);
    if (w.distance > 0) GWord(w.distance);
    for (const double g : w.other_g) GRule(g);
    if (w.Has(u'A')) CoordWord(u'A', w.Value(u'A'));
    if (w.Has(u'C')) {
      // In absolute mode a C equal to the last one written is no move; in incremental mode
      // every C turns the axis.
      const double c = w.Value(u'C');
      if (incremental_ || !last_c_ || c != *last_c_) {
        last_c_ = Moved(last_c_, CoordWord(u'C', c, false));
      }
    }
    if (!WriteAxis(u'X', u'U', last_x_)) return false;
    if (w.Has(u'Y')) last_y_ = Moved(last_y_, CoordWord(u'Y', w.Value(u'Y')));
    if (!WriteAxis(u'Z', u'W', last_z_)) return false;
    if (w.plane_g > 0) GWord(w.plane_g);
    if (w.comp_g > 0) {
      GWord(w.comp_g);
      if (w.Has(u'D')) WholeWord(u'D', w.Value(u'D'), kInteger);
      // The offset vector of the compensation stands with it, each of I and K once.
      if (w.Value(u'I') != 0) CoordWord(u'I', w.Value(u'I'));
      if (w.Value(u'K') != 0) CoordWord(u'K', w.Value(u'K'));
    }
    if (w.feed > 0) GWord(w.feed, false);
    if (w.spindle > 0 && w.spindle != prev_spindle_) {
      GWord(w.spindle, false);
      prev_spindle_ = w.spindle;
    }
    for (const char16_t letter : std::u16string_view(u"IJK")) {
      if (!w.Has(letter) || (w.comp_g > 0 && letter != u'J')) continue;
      Word(letter, w.Value(letter), kUpToThreeDecimals);
    }
    if (w.Value(u'R') != 0) Word(u'R', w.Value(u'R'), kUpToThreeDecimals);
    if (w.Has(u'G')) {
      if (ReadNumber(w.p) > 0) {
        out_ += u'P';
        out_ += FormatMaskText(w.p, kUpToThreeDecimals);
        out_ += u' ';
      }
      if (w.Value(u'Q') > 0) Word(u'Q', w.Value(u'Q'), kUpToThreeDecimals);
    }
    if (w.Value(u'F') > 0) CoordWord(u'F', w.Value(u'F'));
    if (w.Value(u'S') > 0) WholeWord(u'S', w.Value(u'S'), kInteger);
    if (w.hash_number > 0) {
      out_ += u'V';
      WholeWord(u'C', w.hash_number, kInteger);
      out_.back() = u'=';  // "VC" + n + "=", no blank
    }
    TailWords();
    if (w.Value(u'S') > 0 && w.spindle == 97 &&
        out_.find(u"M63", line_start_) == std::u16string::npos) {
      out_ += u" M63";
    }
    if (!w.comment.empty()) AppendComment(u"(");
    return true;
  }

  // The last written position after a move to written: in absolute mode the value itself, in
  // incremental mode the sum (unknown stays unknown).
  std::optional<double> Moved(std::optional<double> last, double written) const {
    if (!incremental_) return written;
    if (!last) return std::nullopt;
    return *last + written;
  }

  // X (or Z) with its increment word U (or W): U5. after X10. writes X15.
  bool WriteAxis(char16_t axis, char16_t increment, std::optional<double>& last) {
    LineWords& w = words_;
    if (w.Has(increment)) {
      if (incremental_) {
        w.Value(axis) = w.Value(increment);
      } else if (!last) {
        // Adding the increment to a guessed position would write a wrong absolute one.
        return Fail(UnknownPositionMessage(axis, increment), false);
      } else {
        w.Value(axis) = *last + w.Value(increment);
      }
      w.has[Index(axis)] = true;
    }
    if (w.Has(axis)) last = Moved(last, CoordWord(axis, w.Value(axis)));
    return true;
  }

  // "12行目: Uの増分の前にXの位置がないため、Xに直せません。"
  std::u16string UnknownPositionMessage(char16_t axis, char16_t increment) const {
    const std::string number = std::to_string(line_number_);
    std::u16string text(number.begin(), number.end());
    text += u"行目: ";
    text += increment;
    text += u"の増分の前に";
    text += axis;
    text += u"の位置がないため、";
    text += axis;
    text += u"に直せません。";
    return text;
  }

  void ForgetPosition() {
    forget_position_ = true;
    last_x_.reset();
    last_y_.reset();
    last_z_.reset();
  }

  // "CALL O" / "MODIN O" + P with "000#" + blank; the P is used up.
  void CallWord(std::u16string_view call) {
    out_ += call;
    out_ += FormatMaskText(words_.p, kFourDigits);
    out_ += u' ';
    words_.p = u"0";
  }

  // The G number outside the special groups, by direction. A number with no counterpart in
  // the target dialect writes nothing: the G word is dropped.
  void GRule(double g) {
    LineWords& w = words_;
    const int n = WholeG(g).value_or(-1);
    switch (n) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 60:
        GWord(g);
        break;
      case 4:
        if (to_osp_) {
          DwellToOsp();
        } else {
          DwellToFanuc();
        }
        break;
      case 10:
        if (to_osp_) OffsetSettingToOsp();
        break;
      case 15:
        if (!to_osp_) WorkSystemToFanuc();
        break;
      case 27:
      case 28:
      case 29:
      case 30:
        if (!w.Has(u'H')) {
          out_ += u' ';
          out_ += reference_return_;
        }
        if (!to_osp_) ForgetPosition();
        break;
      case 43:
        out_ += u"G56 ";
        break;
      case 49:
        out_ += u"G53 ";
        break;
      case 52:
        out_ += w.Value(u'X') == 0 && w.Value(u'Y') == 0 ? u"G10" : u"G11";
        if (!to_osp_) ForgetPosition();
        break;
      case 65:
      case 66:
      case 67:
        if (to_osp_) MacroCallToOsp(n);
        break;
      case 73:
      case 88:
      case 89:
      case 76:
      case 80:
      case 81:
      case 82:
      case 83:
      case 84:
      case 85:
      case 86:
      case 87:
        // Canned cycles. OSP knows fewer of them; in FANUC an A word on a cycle line would
        // be read as an axis move.
        if (to_osp_ && (n == 73 || n == 88 || n == 89)) break;
        Word(u'G', g, kInteger);
        if (!to_osp_) w.has[Index(u'A')] = false;
        break;
      case 98:
        if (!to_osp_) ReturnLevelToFanuc();
        break;
      case 99:
        out_ += u" M54";
        break;
      default:
        break;
    }
  }

  // After G04, X and U are the dwell time (seconds), P is in milliseconds; OSP writes the
  // time after F, and P in units of 10 ms. Neither X nor U is a position here.
  void DwellToOsp() {
    LineWords& w = words_;
    const double p = ReadNumber(w.p);
    out_ += u"G04 ";
    if (w.Has(u'X') && w.Value(u'X') > 0) {
      CoordWord(u'F', w.Value(u'X'));
    } else if (w.Has(u'U') && w.Value(u'U') > 0) {
      CoordWord(u'F', w.Value(u'U'));
    } else if (p > 0) {
      CoordWord(u'P', p / 100);
    } else {
      CoordWord(u'F', 0.01);
    }
    w.has[Index(u'X')] = w.has[Index(u'U')] = false;
    w.p = u"0";
  }

  // OSP dwells with F (seconds) or P; FANUC with X (seconds).
  void DwellToFanuc() {
    LineWords& w = words_;
    if (w.Value(u'F') > 0) {
      out_ += u"G04 ";
      CoordWord(u'X', w.Value(u'F'));
      w.Value(u'F') = 0;
    } else if (ReadNumber(w.p) > 0) {
      out_ += u"G04 X";
      out_ += FormatCoordText(w.p, m_.OutDialect);
      out_ += u' ';
      w.p = u"0";
    }
  }

  // G10 L2 P1 X-100. -> VZOFX[1]=-100.000: the words are offset data, never a move. Other L
  // numbers set tool offsets, which have no word here.
  void OffsetSettingToOsp() {
    LineWords& w = words_;
    if (w.Value(u'L') == 2) {
      for (const char16_t axis : std::u16string_view(u"XYZB")) {
        if (!w.Has(axis)) continue;
        out_ += u"VZOF";
        out_ += axis;
        out_ += u'[';
        const std::u16string number = FormatMaskText(w.p, kInteger);
        out_ += number.empty() ? u"0" : number;
        out_ += u"]=";
        AppendMask(out_, w.Value(axis), kThreeDecimals);
        out_ += u' ';
      }
    }
    w.p = u"0";  // the offset number, never a dwell or a cycle's P
    for (const char16_t letter : std::u16string_view(u"XYZBUW")) w.has[Index(letter)] = false;
  }

  // G15 H1 to H6 select the work coordinate systems G54 to G59 (H0: machine, G53).
  void WorkSystemToFanuc() {
    static constexpr std::u16string_view kWork[] = {u"G53 ", u"G54 ", u"G55 ", u"G56 ",
                                                    u"G57 ", u"G58 ", u"G59 "};
    const std::optional<int> h = WholeG(words_.Value(u'H'));
    if (h && *h >= 0 && *h <= 6) out_ += kWork[*h];
    words_.Value(u'H') = 0;
  }

  // G65 P9010 -> CALL O9010, G66 P9010 L3 -> MODIN O9010 Q3, G67 -> MODOUT.
  void MacroCallToOsp(int g) {
    if (g == 67) {
      out_ += u"MODOUT";
      return;
    }
    CallWord(g == 65 ? u"CALL O" : u"MODIN O");
    if (g == 66 && words_.Value(u'L') > 0) WholeWord(u'Q', words_.Value(u'L'), kInteger);
  }

  void ReturnLevelToFanuc() {
    LineWords& w = words_;
    out_ += u" G71";
    if (w.Value(u'Z') != kUnknown) {
      out_ += u" Z";
      AppendMask(out_, w.Value(u'Z'), kThreeDecimals);
      w.has[Index(u'Z')] = false;  // written here; a second Z word would repeat it
    }
    ForgetPosition();
  }

  // Tool length G and H, T, the M codes, and the subprogram words.
  void TailWords() {
    LineWords& w = words_;
    if (!to_osp_) {
      // OSP G53 cancels the tool length offset, G54 to G56 apply it.
      if (w.work_g == 53) out_ += u"G49 ";
      if (w.work_g == 54 || w.work_g == 56) out_ += u"G43 ";
      if (w.work_g == 55) out_ += u"G44 ";
    }
    if (w.Value(u'H') > 0) WholeWord(u'H', w.Value(u'H'), kInteger);
    const double t = w.Value(u'T');
    if (to_osp_ && t > 0) WholeWord(u'T', t, kInteger);
    for (const float number : w.m_list) MCode(number);
    if (!to_osp_) {
      if (t > 0) WholeWord(u'T', t, kInteger);
      if (ReadNumber(w.o) > 0) {
        out_ += u'P';
        out_ += FormatMaskText(w.o, kFourDigits);
        out_ += u' ';
        if (w.Has(u'Q')) WholeWord(u'L', w.Value(u'Q'), kInteger);
      }
    }
  }

  void MCode(float number) {
    const MCodeRow* row = nullptr;
    for (const MCodeRow& r : m_codes_) {
      if (r.number == number) {
        row = &r;
        break;
      }
    }
    if (!row) return;  // no counterpart in the table: dropped
    out_ += row->after;
    out_ += u' ';
    if (row->after == u"CALL") {
      // M98 P1234 L2 -> CALL O1234 Q2
      CallWord(u"O");
      if (words_.Value(u'L') > 0) {
        WholeWord(u'Q', words_.Value(u'L'), kInteger);
        out_.pop_back();  // no blank after it
      }
    } else if (break_after_return_ &&
               (row->after == u"M02" || row->after == u"RTS" || row->after == u"M00" ||
                row->after == u"M01" || row->after == u"M99")) {
      out_ += kCrLf;
    }
  }

  Module1& m_;
  const bool break_after_return_;
  const bool to_osp_;
  std::u16string_view reference_return_;
  std::vector<MCodeRow> m_codes_;

  // Run state.
  std::optional<double> last_x_, last_y_, last_z_, last_c_;  // nothing: position not known
  int prev_spindle_ = 97;
  bool incremental_ = false;  // G91 in force
  int line_number_ = 0;

  // Line state and buffers reused from line to line.
  LineWords words_;
  bool line_starts_in_comment_ = false;
  bool forget_position_ = false;
  std::size_t line_start_ = 0;  // where the line being assembled starts in out_
  std::u16string code_;
  std::u16string rewritten_;
  std::u16string code_rewritten_;
  std::u16string variable_;
  std::u16string out_;
  std::u16string failure_;
  bool failure_icon_ = false;
};

// Where a line feed does not follow a CR (or a CR stands without its line feed), the program
// is not in lines as the translation reads them: translated as one line, its words would
// merge.
std::optional<std::u16string_view> LineEndFault(std::u16string_view src) {
  for (std::size_t p = 0; p < src.size(); ++p) {
    if (src[p] > u'\r') continue;  // most characters, at one comparison
    if (src[p] == u'\n') return kLfOnlyMessage;
    if (src[p] == u'\r') {
      if (p + 1 == src.size() || src[p + 1] != u'\n') return kCrOnlyMessage;
      ++p;
    }
  }
  return std::nullopt;
}

}  // namespace

TranslateResult TranslateProgram(std::u16string_view src, const ConversionTable& table,
                                 bool break_after_return, Module1& m) {
  const TableRow& direction = table.rows[kDirectionRow];
  if (direction.before.text.starts_with(u"FANUC") && direction.after.text.starts_with(u"OSP")) {
    m.OutDialect = 1;
  } else if (direction.before.text.starts_with(u"OSP") &&
             direction.after.text.starts_with(u"FANUC")) {
    m.OutDialect = 2;
  }
  if (m.OutDialect != 1 && m.OutDialect != 2) {
    return {{}, false, std::u16string(kNoDirectionMessage), false};
  }
  if (const auto fault = LineEndFault(src)) {
    return {{}, false, std::u16string(*fault), *fault == kLfOnlyMessage};
  }
  return Translator(table, break_after_return, m).Run(src);
}

}  // namespace kestrum
