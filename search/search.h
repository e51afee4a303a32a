// Find, replace and line-end repair on the source text.
//
// The search state lives in Module1 (SearchText, ReplaceText, SearchPos, MatchCount, WorkText,
// FirstStep). FindNext and ReplaceCurrent are the two primitives; every dialog button is a
// function here over (Module1, the source pane, the dialog's check box) that returns the
// message box to show, so that the dialogs only read their controls and show what comes back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ncword/module1.h"
#include "search/text_pane.h"

namespace kestrum {

// A message box that ends a command: OK button only, no icon. An empty text shows nothing.
struct SearchMessage {
  std::u16string text;
  std::u16string title;
};

// Finds SearchText in the pane's text at 0-based position SearchPos or later, selects it and
// sets SearchPos just after it. False, with selection and SearchPos unchanged, when there is
// none or SearchText is empty.
bool FindNext(Module1& m, TextPane& pane);

// Replaces the occurrence selected in the pane by ReplaceText in WorkText and writes WorkText
// back to the pane; SearchPos moves with the text after the occurrence, so the search goes on
// after the inserted text; MatchCount counts it. Nothing happens when the selection does not
// start with SearchText (the search text was edited after the find).
void ReplaceCurrent(Module1& m, TextPane& pane);

// Opening the Replace or calculated-replace dialog: WorkText = the pane's text, SearchPos = its
// selection start.
void BeginReplace(Module1& m, const TextPane& pane);

// Find dialog "次を検索". check1 is "先頭から検索".
SearchMessage FindDialogNextFind(Module1& m, TextPane& pane, bool& check1);
// Find next (F3) from the main window: the search starts one character after the selection's
// start. A message means nothing was found: the caller then checks the Find dialog's Check1.
SearchMessage FindNextCommand(Module1& m, TextPane& pane);

// Replace dialog "変　更", "スキップ" and "全て変更". check1 is "先頭から開始".
SearchMessage ReplaceDialogChange(Module1& m, TextPane& pane, bool& check1);
SearchMessage ReplaceDialogNextFind(Module1& m, TextPane& pane, bool& check1);
SearchMessage ReplaceDialogAllChange(Module1& m, TextPane& pane, bool& check1);

// "改行コードにCR追加": a CR before every line feed that does not already follow one. The
// caller then checks the Replace dialog's Check1.
SearchMessage RepairLineEnds(Module1& m, TextPane& pane);

// An all-at-once command over a text of the caller's, held whole or arriving in pieces: the
// command-line converter feeds it pieces that end after a line feed, and an occurrence of a
// search text that holds no line feed never spans two of them. Each piece's result is
// appended to out; End gives the message for the count of the whole run.
class AllAtOnce {
 public:
  virtual ~AllAtOnce() = default;
  virtual void Piece(std::u16string_view piece, std::u16string& out) = 0;
  virtual SearchMessage End() = 0;
  // True when the search text holds a line feed: then the text must come in one piece.
  virtual bool NeedsWholeText() const { return false; }
};

// The whole text through a command.
TextReport RunAllAtOnce(std::u16string_view text, AllAtOnce& command);

// The Replace dialog's "全て変更" from the top: every occurrence of find replaced by with; the
// report " 回 変更しました。" or " 見つかりませんでした。" and title "置き換え". SearchText,
// ReplaceText, MatchCount and FirstStep end as the dialog leaves them; WorkText and
// SearchPos, which follow a pane, are left alone: the result is returned, and a second copy
// of a large program would only take memory.
std::unique_ptr<AllAtOnce> ReplaceAll(std::u16string_view find, std::u16string_view with,
                                      Module1& m);
TextReport ReplaceAllText(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with, Module1& m);

// A CR before every line feed that does not already follow a CR; WorkText is left alone.
std::unique_ptr<AllAtOnce> RepairLineEndsAll(Module1& m);
TextReport RepairLineEndsText(std::u16string_view text, Module1& m);

// --- shared with the calculated replace -------------------------------------------------------

// Successive occurrences of a pattern in a text, in time linear in the text whatever the
// pattern (a plain find restarted at each position is quadratic on texts like "AAAA...").
class Occurrences {
 public:
  Occurrences(std::u16string_view text, std::u16string_view pattern);
  // The start of the first occurrence at or after from, or npos. Calls must ask for
  // positions after the occurrence returned last.
  std::size_t Next(std::size_t from);

  static constexpr std::size_t npos = std::u16string_view::npos;

 private:
  std::u16string_view text_;
  std::u16string_view pattern_;
  std::vector<std::size_t> border_;  // border_[q]: longest proper border of pattern[0, q)
  std::size_t scan_ = 0;             // text[0, scan_) has been scanned
  std::size_t matched_ = 0;          // text[scan_ - matched_, scan_) == pattern[0, matched_)
};

// An all-at-once command done in one pass over a text. It ends in the state the
// occurrence-by-occurrence loop (FindNext, then ReplaceCurrent or not, until nothing is found)
// would leave: the same text, SearchPos and selection, but the text is read once and the
// result written once.
class OnePassEdit {
 public:
  // source stays valid while the edit runs; the search starts at search_pos.
  OnePassEdit(std::u16string_view source, std::size_t search_pos);
  std::u16string_view source() const { return source_; }
  // An occurrence at source position at, left as it is; the search goes on at source
  // position next (after at).
  void Pass(std::size_t at, std::size_t length, std::size_t next);
  // The source characters [at, end) replaced by text; the search goes on after text.
  void Replace(std::size_t at, std::size_t end, std::u16string_view text);
  std::uint64_t replaced() const { return replaced_; }
  // Ends a run on the pane whose text the source is: WorkText and the pane's text become the
  // result (when anything was replaced), and SearchPos and the selection are set.
  void Finish(Module1& m, TextPane& pane);
  // Ends a run on a text of the caller's: the result, the source itself when nothing was
  // replaced.
  std::u16string TakeText();

 private:
  std::u16string_view source_;
  std::u16string out_;
  std::size_t copied_ = 0;  // source_[0, copied_) is in out_
  std::size_t next_ = 0;    // where the search goes on, in source positions (>= copied_)
  bool passed_last_ = false;
  std::size_t pass_at_ = 0;  // the last occurrence passed over after the last replacement
  std::size_t pass_length_ = 0;
  std::uint64_t replaced_ = 0;
};

// The result of an edit over piece, appended to out.
void AppendResult(OnePassEdit& edit, std::u16string_view piece, std::u16string& out);

// The texts of a command's end message.
struct EndTexts {
  std::u16string_view count_text;  // after the count: " 回 変更しました。"
  std::u16string_view not_found_text;  // after the quoted search text: " 見つかりませんでした。"
  std::u16string_view title;
};

// The message at the end of a search: the count followed by count_text when count is not 0,
// otherwise the search text in double quotes followed by not_found_text.
SearchMessage EndMessage(std::uint64_t count, std::u16string_view search, const EndTexts& texts);

// The end of a replace run: its message for SearchText, then FirstStep = True (the next
// "変　更" only finds) and MatchCount = 0.
SearchMessage EndRun(Module1& m, std::uint64_t count, const EndTexts& texts);

// "変　更" of the Replace and the calculated-replace dialog: the first click after the
// dialog opened or after an end message only finds; every later one has `replace` replace
// the occurrence shown, then finds the next. At the end, the message and Check1 checked.
SearchMessage ChangeStep(Module1& m, TextPane& pane, bool& check1,
                         const std::function<void()>& replace, const EndTexts& texts);
// "スキップ" of the same dialogs: finds the next occurrence, replacing nothing.
SearchMessage SkipStep(Module1& m, TextPane& pane, bool& check1, const EndTexts& texts);

// Where "全て変更" starts: the top when check1 is checked; and two characters back, so that
// a one- or two-character occurrence that a find has just selected is replaced too.
void BeginAllChange(Module1& m, bool check1);

// The start of the pane's selection when the text there is SearchText, npos otherwise (the
// search text was edited after the find). WorkText is brought up to the pane's text first:
// the dialogs are modal, so the two are equal, and should they ever not be, writing a stale
// copy back would undo the operator's edits.
std::size_t SelectedOccurrence(Module1& m, const TextPane& pane);

// MatchCount as the whole number it holds.
std::uint64_t CountOf(float match_count);

}  // namespace kestrum
