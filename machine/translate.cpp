#include "machine/translate.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "machine/macro_lines.h"
#include "machine/translator.h"
#include "ncword/numeric.h"
#include "ncword/read_word.h"

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
constexpr std::u16string_view kKeptText = u"変換できないコードをそのまま残しました";
constexpr std::u16string_view kCrLf = u"\r\n";

// The masks of the words written.
constexpr NumberMask kTwoDigits("0#");                 // G01
constexpr NumberMask kFourDigits("000#");              // O0012
constexpr NumberMask kInteger("#####");                // 0 is ""
constexpr NumberMask kUpToThreeDecimals("####0.0##");  // 5.0, 12.346

// The direction that row 2 of the table names: 1 to OSP, 2 to FANUC, 0 none.
int TableDirection(const ConversionTable& table) {
  const TableRow& direction = table.rows[kDirectionRow];
  if (direction.before.text.starts_with(u"FANUC") && direction.after.text.starts_with(u"OSP")) {
    return 1;
  }
  if (direction.before.text.starts_with(u"OSP") && direction.after.text.starts_with(u"FANUC")) {
    return 2;
  }
  return 0;
}

// True when the text has a number in front ("03", " 3", "-1", ".5"), as an M word's number.
bool HasLeadingNumber(std::u16string_view text) {
  std::size_t p = 0;
  while (p < text.size() && IsBlank(text[p])) ++p;
  if (p < text.size() && (text[p] == u'+' || text[p] == u'-')) ++p;
  if (p < text.size() && text[p] == u'.') ++p;
  return p < text.size() && IsDigit(text[p]);
}

// Where a line feed does not follow a CR (or a CR stands without its line feed), the program
// is not in lines as the translation reads them: translated as one line, its words would
// merge. The same on the text and on its bytes, where CR and LF are never part of another
// character.
//
// Every line feed is looked up by the library's search (a large program has one every few
// dozen characters), and a CR without its line feed shows as more CRs than line feeds.
template <typename Char>
std::optional<std::u16string_view> LineEndFaultOf(std::basic_string_view<Char> src) {
  constexpr Char kCr('\r');
  std::size_t line_feeds = 0;  // so far, each after its CR
  for (std::size_t p = src.find(Char('\n')); p != src.npos; p = src.find(Char('\n'), p + 1)) {
    if (p == 0 || src[p - 1] != kCr) {
      // The first fault of the text decides the message: a lone CR before this line feed
      // shows as more CRs than line feeds before it.
      const auto crs = std::count(src.begin(), src.begin() + static_cast<std::ptrdiff_t>(p), kCr);
      return static_cast<std::size_t>(crs) > line_feeds ? kCrOnlyMessage : kLfOnlyMessage;
    }
    ++line_feeds;
  }
  if (static_cast<std::size_t>(std::count(src.begin(), src.end(), kCr)) != line_feeds) {
    return kCrOnlyMessage;
  }
  return std::nullopt;
}

}  // namespace

Translator::Translator(const ConversionTable& table, bool break_after_return, Module1& m)
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

bool Translator::Line(std::u16string_view source_line, OutBuffer& out) {
  ++line_number_;
  if (!started_) {
    started_ = true;
    if (!to_osp_) out.Put(u"%\r\n");
  }
  line_.assign(source_line);
  const bool finished =
      to_osp_ ? RewriteFanucMacroLine(line_, m_.InComment) : RewriteOspLine(line_, m_.InComment);
  if (finished) {
    m_.InComment = CodeView(line_, m_.InComment, code_);
    out.Put(line_);
    out.Put(kCrLf);
    return true;
  }
  line_starts_in_comment_ = m_.InComment;
  ScanWords(line_, m_.InComment, words_, incremental_);
  if (KeepsLineAsWritten()) {
    // What no rule translates is left as the program has it, never dropped, and the operator
    // is told where.
    kept_.Add(line_number_);
    ForgetPosition();
    last_c_.reset();
    out.Put(source_line);
    out.Put(kCrLf);
    return true;
  }
  out_.clear();
  if (WriteSpecialLine(line_)) {
    out.Put(out_);
    return true;
  }
  forget_position_ = false;
  // A work coordinate system has no word of its own in OSP: G54 to G59 become G15 H1 to H6
  // (G53 H0) on a line before the block.
  if (to_osp_ && words_.work_g >= 53 && words_.work_g <= 59) {
    out_ += u"G15 H";
    out_ += static_cast<char16_t>(u'0' + static_cast<int>(words_.work_g) - 53);
    out_ += kCrLf;
  }
  if (!Assemble()) return false;
  out_ += kCrLf;
  out.Put(out_);
  if (forget_position_) {
    // After a reference point return the tool stands where no word of the program says,
    // whatever the line's own words said on the way.
    words_.Value(u'X') = words_.Value(u'Y') = words_.Value(u'Z') = kUnknownPosition;
    last_x_.reset();
    last_y_.reset();
    last_z_.reset();
  }
  return true;
}

void Translator::Finish(OutBuffer& out) {
  if (!to_osp_) out.Put(u"%\r\n");
}

// A line that holds a code no rule of this direction translates, or a value that cannot be
// known, is kept as written: translated in part, it would lose the code or move elsewhere.
bool Translator::KeepsLineAsWritten() const {
  const LineWords& w = words_;
  if (w.unknown) return true;
  bool offset_data = false;
  for (const double g : w.other_g) {
    if (!KnownG(g)) return true;
    offset_data = offset_data || g == 10;
  }
  // B is an axis only offset data of FANUC's G10 L2 carries into OSP.
  return w.Has(u'B') && !(to_osp_ && offset_data);
}

// Special line forms. True when the line is written (or dropped) here.
bool Translator::WriteSpecialLine(std::u16string_view line) {
  o_prefix_ = false;
  if (!line.empty() && line[0] == u'%') return true;
  const std::size_t first = !line.empty() && line[0] == u'$' ? 1 : 0;
  if (first == line.size()) {
    out_ += kCrLf;
    return true;
  }
  if (line[first] == u'O') {
    // A program number; words after it are translated like those of any other line.
    CodeView(line, line_starts_in_comment_, code_);
    const std::size_t rest = ReadWordToken(code_, first + 1);
    if (code_.find_first_not_of(u" \t\x01", rest) != std::u16string::npos) {
      o_prefix_ = true;
      return false;
    }
    out_ += u'O';
    out_ += FormatMaskText(words_.o, kFourDigits);
    if (!words_.comment.empty()) AppendComment(u" (");
    out_ += kCrLf;
    return true;
  }
  // A line that is only a comment. Code after the comment makes it an ordinary line, so that
  // "(ROUGH) G01 X10." keeps its move.
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
void Translator::AppendComment(std::u16string_view opening) {
  out_ += opening;
  out_ += words_.comment;
  out_ += u')';
}

// letter + v through the mask + blank.
void Translator::Word(char16_t letter, double v, const NumberMask& mask) {
  out_ += letter;
  AppendMask(out_, v, mask);
  out_ += u' ';
}

// The same for a whole number that may be 0: "D" + "" would leave a bare letter, which the
// controller reads as another word or rejects, so 0 is written "0".
void Translator::WholeWord(char16_t letter, double v, const NumberMask& mask) {
  out_ += letter;
  const std::size_t before = out_.size();
  AppendMask(out_, v, mask);
  if (out_.size() == before) out_ += u'0';
  out_ += u' ';
}

// letter + FormatCoord(v) (+ blank); returns the value written.
double Translator::CoordWord(char16_t letter, double v, bool blank) {
  out_ += letter;
  const double written = AppendCoord(out_, v, m_.OutDialect);
  if (blank) out_ += u' ';
  return written;
}

// "G" + g with "0#" (+ blank).
void Translator::GWord(double g, bool blank) {
  out_ += u'G';
  AppendMask(out_, g, kTwoDigits);
  if (blank) out_ += u' ';
}

// The output line, after what out_ already holds. False when the line cannot be translated.
bool Translator::Assemble() {
  LineWords& w = words_;
  const std::size_t line_start = out_.size();
  if (o_prefix_) {
    out_ += u'O';
    out_ += FormatMaskText(w.o, kFourDigits);
    out_ += u' ';
    w.o = u"0";  // the program's own number, no subprogram to call
  }
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
      out_.find(u"M63", line_start) == std::u16string::npos) {
    out_ += u" M63";
  }
  if (!w.comment.empty()) AppendComment(u"(");
  return true;
}

// The last written position after a move to written: in absolute mode the value itself, in
// incremental mode the sum (unknown stays unknown).
std::optional<double> Translator::Moved(std::optional<double> last, double written) const {
  if (!incremental_) return written;
  if (!last) return std::nullopt;
  return *last + written;
}

// X (or Z) with its increment word U (or W): U5. after X10. writes X15.
bool Translator::WriteAxis(char16_t axis, char16_t increment, std::optional<double>& last) {
  LineWords& w = words_;
  if (w.Has(increment)) {
    if (incremental_) {
      w.Value(axis) = w.Value(increment);
    } else if (!last) {
      // Adding the increment to a guessed position would write a wrong absolute one.
      failure_ = UnknownPositionMessage(axis, increment);
      return false;
    } else {
      w.Value(axis) = *last + w.Value(increment);
    }
    w.has[LetterIndex(axis)] = true;
  }
  if (w.Has(axis)) last = Moved(last, CoordWord(axis, w.Value(axis)));
  return true;
}

// "12行目: Uの増分の前にXの位置がないため、Xに直せません。"
std::u16string Translator::UnknownPositionMessage(char16_t axis, char16_t increment) const {
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

void Translator::ForgetPosition() {
  forget_position_ = true;
  last_x_.reset();
  last_y_.reset();
  last_z_.reset();
}

TranslateConversion::TranslateConversion(const ConversionTable& table, bool break_after_return,
                                         Module1& m) {
  if (const int direction = TableDirection(table); direction != 0) m.OutDialect = direction;
  if (m.OutDialect != 1 && m.OutDialect != 2) {
    failure_ = kNoDirectionMessage;
    return;
  }
  translator_ = std::make_unique<Translator>(table, break_after_return, m);
}

TranslateConversion::~TranslateConversion() = default;

bool TranslateConversion::Line(std::u16string_view line, OutBuffer& out) {
  if (!translator_) return false;
  if (translator_->Line(line, out)) return true;
  failure_ = translator_->failure();
  return false;
}

void TranslateConversion::Finish(OutBuffer& out) {
  if (translator_) translator_->Finish(out);
}

std::u16string TranslateConversion::Report() const {
  return translator_ ? translator_->kept().Message(kKeptText) : std::u16string();
}

bool TranslateConversion::to_fanuc() const { return translator_ && !translator_->to_osp(); }

TranslateResult TranslateProgram(std::u16string_view src, const ConversionTable& table,
                                 bool break_after_return, Module1& m) {
  TranslateConversion run(table, break_after_return, m);
  if (!run.ok()) return {{}, false, run.failure(), false, {}};
  if (const auto fault = LineEndFault(src)) {
    return {{}, false, std::u16string(*fault), *fault == kLfOnlyMessage, {}};
  }
  OutBuffer out(src.size() + src.size() / 4 + 64);
  LineFeeder feeder(run, out);
  const bool done = feeder.Piece(src) && feeder.End();
  std::u16string text = out.Take();
  if (!done) {
    // The lines translated before the failure, without the "%" that opens a whole program.
    if (run.to_fanuc() && text.starts_with(u"%\r\n")) text.erase(0, 3);
    return {std::move(text), false, run.failure(), false, run.Report()};
  }
  return {std::move(text), true, {}, false, run.Report()};
}

std::optional<std::u16string_view> LineEndFault(std::u16string_view text) {
  return LineEndFaultOf(text);
}
std::optional<std::u16string_view> LineEndFault(std::string_view bytes) {
  return LineEndFaultOf(bytes);
}

std::u16string_view LfOnlyMessage() { return kLfOnlyMessage; }

}  // namespace kestrum
