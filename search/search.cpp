#include "search/search.h"

#include <algorithm>
#include <string>

namespace kestrum {
namespace {

constexpr EndTexts kFindEnd = {u" 回 見つかりました。", u" は見つかりませんでした。", u"検索"};
// Find next (F3) writes its texts without the leading blank.
constexpr EndTexts kFindNextEnd = {u"回 見つかりました。", u"は見つかりませんでした。", u"検索"};
// "変　更" has an ideographic space after 回, "スキップ", "全て変更" and the repair an ordinary
// one.
constexpr EndTexts kChangeEnd = {u" 回　変更しました。", u" 見つかりませんでした。", u"置き換え"};
constexpr EndTexts kReplaceEnd = {u" 回 変更しました。", u" 見つかりませんでした。", u"置き換え"};

// Check1 ("先頭から…") makes the next find start at the top, once.
void RestartIfChecked(Module1& m, bool& check1) {
  if (check1) {
    m.SearchPos = 0;
    check1 = false;
  }
}

// Where a position after the replaced characters [at, at + removed) lies once they are
// replaced by `inserted` characters. After a find, SearchPos stands right after the
// occurrence and so moves to right after the inserted text.
std::size_t Shifted(std::size_t pos, std::size_t at, std::size_t removed, std::size_t inserted) {
  if (pos >= at + removed) return pos - removed + inserted;
  if (pos > at) return at + inserted;
  return pos;
}

// Every occurrence of find from `from` on replaced by with. Each ReplaceCurrent goes on right
// after its inserted text, which is where the rest of the original text begins: so this is
// one left-to-right pass over the original text.
void ReplaceEvery(OnePassEdit& edit, std::size_t from, std::u16string_view find,
                  std::u16string_view with) {
  Occurrences found(edit.source(), find);
  for (std::size_t at = found.Next(from); at != Occurrences::npos;
       at = found.Next(at + find.size())) {
    edit.Replace(at, at + find.size(), with);
  }
}

// The state of a repair before its pass: the search texts of a line feed and its repair, from
// the top. The count is the repair's own: a count left by an unfinished find would report
// changes that this command did not make.
void BeginRepair(Module1& m) {
  m.SearchText = u"\n";
  m.ReplaceText = u"\r\n";
  m.SearchPos = 0;
  m.MatchCount = 0;
}

// A CR before every line feed that lacks one.
void RepairEvery(OnePassEdit& edit) {
  const std::u16string_view text = edit.source();
  for (std::size_t at = text.find(u'\n'); at != std::u16string_view::npos;
       at = text.find(u'\n', at + 1)) {
    // CR LF is already a line end; another CR would make it CR CR LF.
    if (at > 0 && text[at - 1] == u'\r') {
      edit.Pass(at, 1, at + 1);
    } else {
      edit.Replace(at, at + 1, u"\r\n");
    }
  }
}

}  // namespace

Occurrences::Occurrences(std::u16string_view text, std::u16string_view pattern)
    : text_(text), pattern_(pattern) {
  if (pattern_.empty() || pattern_.size() > text_.size()) return;
  border_.assign(pattern_.size() + 1, 0);
  std::size_t k = 0;
  for (std::size_t q = 1; q < pattern_.size(); ++q) {
    while (k > 0 && pattern_[q] != pattern_[k]) k = border_[k];
    if (pattern_[q] == pattern_[k]) ++k;
    border_[q + 1] = k;
  }
}

std::size_t Occurrences::Next(std::size_t from) {
  if (border_.empty()) return npos;  // empty pattern, or longer than the text
  if (from > scan_) {
    scan_ = from;
    matched_ = 0;
  }
  // Drop partial matches that start before from.
  while (matched_ > 0 && scan_ - matched_ < from) matched_ = border_[matched_];
  const std::size_t m = pattern_.size();
  while (scan_ < text_.size()) {
    if (matched_ == 0) {
      // Nothing pending: jump to the next place where the pattern can start.
      const std::size_t first = text_.find(pattern_[0], scan_);
      if (first == npos || text_.size() - first < m) {
        scan_ = text_.size();
        return npos;
      }
      scan_ = first;
    }
    const char16_t c = text_[scan_];
    while (matched_ > 0 && c != pattern_[matched_]) matched_ = border_[matched_];
    if (c == pattern_[matched_]) ++matched_;
    ++scan_;
    if (matched_ == m) {
      matched_ = border_[m];
      return scan_ - m;
    }
  }
  return npos;
}

OnePassEdit::OnePassEdit(std::u16string_view source, std::size_t search_pos)
    : source_(source), next_(search_pos) {}

void OnePassEdit::Pass(std::size_t at, std::size_t length, std::size_t next) {
  passed_last_ = true;
  pass_at_ = out_.size() + (at - copied_);
  pass_length_ = length;
  next_ = next;
}

void OnePassEdit::Replace(std::size_t at, std::size_t end, std::u16string_view text) {
  // Room for the whole result at the first replacement (an empty string's capacity is not 0:
  // it holds a few characters in place).
  if (replaced_ == 0) out_.reserve(source_.size() + source_.size() / 8 + 16);
  out_.append(source_, copied_, at - copied_);
  out_.append(text);
  copied_ = next_ = end;
  passed_last_ = false;
  ++replaced_;
}

void OnePassEdit::Finish(Module1& m, TextPane& pane) {
  if (replaced_ == 0) {
    m.SearchPos = next_;
  } else {
    m.SearchPos = out_.size() + (next_ - copied_);
    m.WorkText = TakeText();
    pane.SetText(m.WorkText);
  }
  if (passed_last_) pane.Select(pass_at_, pass_length_);
}

std::u16string OnePassEdit::TakeText() {
  if (replaced_ == 0) return std::u16string(source_);
  out_.append(source_, copied_);
  copied_ = source_.size();
  return std::move(out_);
}

SearchMessage EndMessage(std::uint64_t count, std::u16string_view search, const EndTexts& texts) {
  SearchMessage message;
  message.title = texts.title;
  if (count != 0) {
    const std::string digits = std::to_string(count);
    message.text.assign(digits.begin(), digits.end());
    message.text += texts.count_text;
  } else {
    message.text = u"\"";
    message.text += search;
    message.text += u"\"";
    message.text += texts.not_found_text;
  }
  return message;
}

SearchMessage EndRun(Module1& m, std::uint64_t count, const EndTexts& texts) {
  SearchMessage message = EndMessage(count, m.SearchText, texts);
  m.FirstStep = true;
  m.MatchCount = 0;
  return message;
}

SearchMessage ChangeStep(Module1& m, TextPane& pane, bool& check1,
                         const std::function<void()>& replace, const EndTexts& texts) {
  RestartIfChecked(m, check1);
  if (m.FirstStep) {
    m.FirstStep = false;  // this click only finds
  } else {
    replace();
  }
  if (FindNext(m, pane)) return {};
  check1 = true;
  return EndRun(m, CountOf(m.MatchCount), texts);
}

SearchMessage SkipStep(Module1& m, TextPane& pane, bool& check1, const EndTexts& texts) {
  RestartIfChecked(m, check1);
  if (FindNext(m, pane)) return {};
  return EndRun(m, CountOf(m.MatchCount), texts);
}

void BeginAllChange(Module1& m, bool check1) {
  if (check1) m.SearchPos = 0;
  if (m.SearchPos > 1) m.SearchPos -= 2;
}

std::size_t SelectedOccurrence(Module1& m, const TextPane& pane) {
  std::u16string text = pane.Text();
  if (text != m.WorkText) m.WorkText = std::move(text);
  const std::size_t at = pane.SelStart();
  const std::u16string_view work = m.WorkText;
  if (m.SearchText.empty() || at > work.size() || !work.substr(at).starts_with(m.SearchText)) {
    return std::u16string::npos;
  }
  return at;
}

std::uint64_t CountOf(float match_count) {
  return match_count > 0 ? static_cast<std::uint64_t>(match_count) : 0;
}

bool FindNext(Module1& m, TextPane& pane) {
  const std::u16string text = pane.Text();
  const std::size_t at = Occurrences(text, m.SearchText).Next(m.SearchPos);
  if (at == Occurrences::npos) return false;
  pane.Select(at, m.SearchText.size());
  m.SearchPos = at + m.SearchText.size();
  return true;
}

void ReplaceCurrent(Module1& m, TextPane& pane) {
  const std::size_t at = SelectedOccurrence(m, pane);
  if (at == std::u16string::npos) return;
  const std::size_t length = m.SearchText.size();
  m.WorkText.replace(at, length, m.ReplaceText);
  pane.SetText(m.WorkText);
  m.SearchPos = Shifted(m.SearchPos, at, length, m.ReplaceText.size());
  m.MatchCount += 1;
}

void BeginReplace(Module1& m, const TextPane& pane) {
  m.WorkText = pane.Text();
  m.SearchPos = pane.SelStart();
}

SearchMessage FindDialogNextFind(Module1& m, TextPane& pane, bool& check1) {
  RestartIfChecked(m, check1);
  if (FindNext(m, pane)) {
    m.MatchCount += 1;
    return {};
  }
  SearchMessage message = EndMessage(CountOf(m.MatchCount), m.SearchText, kFindEnd);
  check1 = true;
  m.MatchCount = 0;
  return message;
}

SearchMessage FindNextCommand(Module1& m, TextPane& pane) {
  m.SearchPos = pane.SelStart() + 1;
  if (FindNext(m, pane)) {
    m.MatchCount += 1;
    return {};
  }
  SearchMessage message = EndMessage(CountOf(m.MatchCount), m.SearchText, kFindNextEnd);
  m.MatchCount = 0;
  return message;
}

SearchMessage ReplaceDialogChange(Module1& m, TextPane& pane, bool& check1) {
  return ChangeStep(
      m, pane, check1, [&] { ReplaceCurrent(m, pane); }, kChangeEnd);
}

SearchMessage ReplaceDialogNextFind(Module1& m, TextPane& pane, bool& check1) {
  return SkipStep(m, pane, check1, kReplaceEnd);
}

SearchMessage ReplaceDialogAllChange(Module1& m, TextPane& pane, bool& check1) {
  BeginAllChange(m, check1);
  const std::u16string source = pane.Text();
  OnePassEdit edit(source, m.SearchPos);
  ReplaceEvery(edit, m.SearchPos, m.SearchText, m.ReplaceText);
  edit.Finish(m, pane);
  check1 = true;
  return EndRun(m, CountOf(m.MatchCount) + edit.replaced(), kReplaceEnd);
}

SearchMessage RepairLineEnds(Module1& m, TextPane& pane) {
  BeginRepair(m);
  const std::u16string source = pane.Text();
  OnePassEdit edit(source, 0);
  RepairEvery(edit);
  if (edit.replaced() == 0) m.WorkText = source;
  edit.Finish(m, pane);
  return EndRun(m, edit.replaced(), kReplaceEnd);
}

TextReport RunAllAtOnce(std::u16string_view text, AllAtOnce& command) {
  TextReport report;
  command.Piece(text, report.text);
  SearchMessage message = command.End();
  report.message = std::move(message.text);
  report.title = std::move(message.title);
  return report;
}

namespace {

class ReplaceAllCommand final : public AllAtOnce {
 public:
  ReplaceAllCommand(std::u16string_view find, std::u16string_view with, Module1& m) : m_(m) {
    // The dialog opened with nothing selected, then "全て変更" with Check1 checked.
    m_.SearchText = find;
    m_.ReplaceText = with;
    m_.MatchCount = 0;
    m_.SearchPos = 0;
  }
  void Piece(std::u16string_view piece, std::u16string& out) override {
    OnePassEdit edit(piece, 0);
    ReplaceEvery(edit, 0, m_.SearchText, m_.ReplaceText);
    count_ += edit.replaced();
    AppendResult(edit, piece, out);
  }
  SearchMessage End() override { return EndRun(m_, count_, kReplaceEnd); }
  bool NeedsWholeText() const override { return m_.SearchText.find(u'\n') != std::u16string::npos; }

 private:
  Module1& m_;
  std::uint64_t count_ = 0;
};

class RepairCommand final : public AllAtOnce {
 public:
  explicit RepairCommand(Module1& m) : m_(m) { BeginRepair(m_); }
  // A piece starts after a line feed, which is never a CR: the check of the character before
  // a line feed never needs the piece before.
  void Piece(std::u16string_view piece, std::u16string& out) override {
    OnePassEdit edit(piece, 0);
    RepairEvery(edit);
    count_ += edit.replaced();
    AppendResult(edit, piece, out);
  }
  SearchMessage End() override { return EndRun(m_, count_, kReplaceEnd); }

 private:
  Module1& m_;
  std::uint64_t count_ = 0;
};

}  // namespace

void AppendResult(OnePassEdit& edit, std::u16string_view piece, std::u16string& out) {
  if (edit.replaced() == 0) {
    out.append(piece);
  } else if (out.empty()) {
    out = edit.TakeText();
  } else {
    out += edit.TakeText();
  }
}

std::unique_ptr<AllAtOnce> ReplaceAll(std::u16string_view find, std::u16string_view with,
                                      Module1& m) {
  return std::make_unique<ReplaceAllCommand>(find, with, m);
}

TextReport ReplaceAllText(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with, Module1& m) {
  ReplaceAllCommand command(find, with, m);
  return RunAllAtOnce(text, command);
}

std::unique_ptr<AllAtOnce> RepairLineEndsAll(Module1& m) {
  return std::make_unique<RepairCommand>(m);
}

TextReport RepairLineEndsText(std::u16string_view text, Module1& m) {
  RepairCommand command(m);
  return RunAllAtOnce(text, command);
}

}  // namespace kestrum
