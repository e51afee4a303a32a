#include "convert/calc.h"

#include <optional>

#include "ncword/format_coord.h"
#include "ncword/numeric.h"

namespace kestrum {
namespace {

constexpr std::u16string_view kCalcTitle = u"計算による変更";
constexpr EndTexts kChangeEnd = {u" 回 データを変更しました.", u" 見つかりません。", u"データ変更"};
constexpr EndTexts kSkipEnd = {u" 回変更いたしました。", u" 見つかりません。", kCalcTitle};
constexpr EndTexts kAllChangeEnd = {u" 回変更しました。", u" 見つかりません。", kCalcTitle};
// The number must start within this many characters after the search text.
constexpr std::size_t kNumberWindow = 10;

// The value the operator applies: "＋" and "－" take it in single precision, "×" and "÷" as
// read. Nothing when CheckCalcValue refuses it.
std::optional<double> Operand(CalcOp op, std::u16string_view value) {
  if (!CheckCalcValue(op, value).empty()) return std::nullopt;
  const double v = ReadNumber(value);
  return op == CalcOp::kAdd || op == CalcOp::kSub ? static_cast<double>(ToSingle(v)) : v;
}

constexpr NumberMask kWithPoint("#####0.###");
constexpr NumberMask kWithPointZero("#####0.0##");
constexpr NumberMask kTwoDigits("####00");

// The result in the format, appended to out.
void AppendResult(std::u16string& out, float r, int format) {
  const std::size_t at = out.size();
  switch (format) {
    case 1:
      AppendCoord(out, r, 1);  // 150, 12.5
      break;
    case 2:
      AppendMask(out, r, kWithPoint);  // 150.
      break;
    case 3:
      AppendMask(out, r, kWithPointZero);  // 150.0
      break;
    default:
      AppendMask(out, r, kTwoDigits);  // G1 + 1 -> G02
      break;
  }
  // A bare point would read as a new word on some controllers: .5 -> 0.5, -.5 -> -0.5.
  const std::u16string_view t = std::u16string_view(out).substr(at);
  if (t.starts_with(u".")) {
    out.insert(at, 1, u'0');
  } else if (t.starts_with(u"-.")) {
    out.insert(at + 1, 1, u'0');
  }
}

// Where the number after an occurrence ends and what replaces the occurrence and the number.
struct CalcEdit {
  std::size_t end = 0;
  std::u16string_view text;
};

// The recomputed occurrence of search at position at, or nothing when no number follows.
// "SB = 10" x 1.5 -> "SB=15": blanks and an "=" before the number are taken and the "="
// is written back right after the search text. The new text is built in buffer.
std::optional<CalcEdit> CalcAt(std::u16string_view text, std::size_t at, std::u16string_view search,
                               CalcOp op, double operand, int format, std::u16string& buffer) {
  std::size_t i = at + search.size();
  const std::size_t window_end = i + kNumberWindow;
  std::size_t start = std::u16string_view::npos;  // the number's first character
  bool equals = false;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool started = start != std::u16string_view::npos;
    const bool number_char = IsDigit(c) || c == u'.';
    if (i >= window_end) {
      // A number that began inside the window is read to its end: cutting it would leave
      // its last digits behind the new value (X-12345.6789 x 2 would end in ...369).
      if (!started || !number_char) break;
    } else if (!started && (c == u' ' || c == u'=')) {
      equals = equals || c == u'=';
      continue;
    } else if (!number_char && (started || (c != u'-' && c != u'+'))) {
      // "=" after the number ends it: #5=3 is two numbers, not 53.
      break;
    }
    if (!started) start = i;
  }
  // "-", "." or "1.2.3" is no number: MAX-SPEED searched for X stays as it is.
  const std::u16string_view number =
      start == std::u16string_view::npos ? std::u16string_view() : text.substr(start, i - start);
  if (!IsPlainNumber(number)) return std::nullopt;

  const double old = ReadNumber(number);
  double r = old;
  switch (op) {
    case CalcOp::kAdd:
      r = old + operand;
      break;
    case CalcOp::kSub:
      r = old - operand;
      break;
    case CalcOp::kMul:
      r = old * operand;
      break;
    case CalcOp::kDiv:
      r = old / operand;
      break;
  }
  buffer.assign(search);
  if (equals) buffer.push_back(u'=');
  AppendResult(buffer, ToSingle(r), format);
  return CalcEdit{i, buffer};
}

// Every occurrence of the search text from `from` on with a number after it recomputed.
// CalcReplaceCurrent goes on after its new text, where the rest of the original text begins,
// or one character after an occurrence it left: one pass over the original text.
void CalcEvery(OnePassEdit& edit, std::size_t from, std::u16string_view search, CalcOp op,
               double operand, int format) {
  const std::u16string_view text = edit.source();
  std::u16string buffer;
  Occurrences found(text, search);
  std::size_t at = found.Next(from);
  while (at != Occurrences::npos) {
    if (const std::optional<CalcEdit> e = CalcAt(text, at, search, op, operand, format, buffer)) {
      edit.Replace(at, e->end, e->text);
      at = found.Next(e->end);
    } else {
      edit.Pass(at, search.size(), at + 1);
      at = found.Next(at + 1);
    }
  }
}

}  // namespace

std::u16string CheckCalcValue(CalcOp op, std::u16string_view value) {
  if ((op == CalcOp::kAdd || op == CalcOp::kSub) && !IsPlainNumber(value)) {
    return u"\"" + std::u16string(value) + u"\" は数値ではありません。";
  }
  if (op == CalcOp::kDiv && ReadNumber(value) == 0) return u"0 で割ることはできません。";
  return {};
}

bool CalcReplaceCurrent(Module1& m, TextPane& pane, CalcOp op, int format) {
  const std::size_t at = SelectedOccurrence(m, pane);
  if (at == std::u16string::npos) {
    m.SearchPos = pane.SelStart() + 1;
    return false;
  }
  const std::optional<double> operand = Operand(op, m.ReplaceText);
  std::u16string buffer;
  std::optional<CalcEdit> edit;
  if (operand) edit = CalcAt(m.WorkText, at, m.SearchText, op, *operand, format, buffer);
  if (!edit) {
    m.SearchPos = at + 1;
    return false;
  }
  m.WorkText.replace(at, edit->end - at, edit->text);
  pane.SetText(m.WorkText);
  // The search goes on after the new value, which may hold the search text again (1 x 11).
  m.SearchPos = at + edit->text.size();
  m.MatchCount += 1;
  return true;
}

SearchMessage CalcDialogChange(Module1& m, TextPane& pane, CalcOp op, int format, bool& check1) {
  if (std::u16string why = CheckCalcValue(op, m.ReplaceText); !why.empty()) {
    return {std::move(why), std::u16string(kCalcTitle)};
  }
  return ChangeStep(
      m, pane, check1, [&] { CalcReplaceCurrent(m, pane, op, format); }, kChangeEnd);
}

SearchMessage CalcDialogNextFind(Module1& m, TextPane& pane, bool& check1) {
  return SkipStep(m, pane, check1, kSkipEnd);
}

SearchMessage CalcDialogAllChange(Module1& m, TextPane& pane, CalcOp op, int format, bool& check1) {
  const std::optional<double> operand = Operand(op, m.ReplaceText);
  if (!operand) return {CheckCalcValue(op, m.ReplaceText), std::u16string(kCalcTitle)};
  BeginAllChange(m, check1);
  const std::u16string source = pane.Text();
  OnePassEdit edit(source, m.SearchPos);
  CalcEvery(edit, m.SearchPos, m.SearchText, op, *operand, format);
  edit.Finish(m, pane);
  check1 = true;
  return EndRun(m, CountOf(m.MatchCount) + edit.replaced(), kAllChangeEnd);
}

namespace {

class CalcAllCommand final : public AllAtOnce {
 public:
  CalcAllCommand(const CalcOptions& options, double operand, Module1& m)
      : options_(options), operand_(operand), m_(m) {}
  void Piece(std::u16string_view piece, std::u16string& out) override {
    OnePassEdit edit(piece, 0);
    CalcEvery(edit, 0, m_.SearchText, options_.op, operand_, options_.format);
    count_ += edit.replaced();
    AppendResult(edit, piece, out);
  }
  SearchMessage End() override { return EndRun(m_, count_, kAllChangeEnd); }
  bool NeedsWholeText() const override { return m_.SearchText.find(u'\n') != std::u16string::npos; }

 private:
  CalcOptions options_;
  double operand_;
  Module1& m_;
  std::uint64_t count_ = 0;
};

}  // namespace

std::unique_ptr<AllAtOnce> CalcAll(const CalcOptions& options, Module1& m) {
  // The dialog opened on the text with nothing selected, then "全て変更" with Check1 checked.
  m.SearchText = options.find;
  m.ReplaceText = options.value;
  m.MatchCount = 0;
  m.FirstStep = true;
  m.SearchPos = 0;
  const std::optional<double> operand = Operand(options.op, m.ReplaceText);
  if (!operand) return nullptr;
  return std::make_unique<CalcAllCommand>(options, *operand, m);
}

TextReport CalcReplaceAllText(std::u16string_view text, const CalcOptions& options, Module1& m) {
  const std::unique_ptr<AllAtOnce> command = CalcAll(options, m);
  if (!command) {
    return {std::u16string(text), CheckCalcValue(options.op, options.value),
            std::u16string(kCalcTitle)};
  }
  return RunAllAtOnce(text, *command);
}

}  // namespace kestrum
