// The all-at-once search commands written as the loops over the two primitives FindNext and
// ReplaceCurrent (or CalcReplaceCurrent) that their one-pass versions must equal. Slow and
// plainly right; the search suites and the fuzzers hold the fast code to them.
#pragma once

#include "convert/calc.h"
#include "search/search.h"

namespace kestrum::reference {

// "全て変更" of the Replace dialog.
inline SearchMessage ReplaceAllChange(Module1& m, MemoryPane& pane, bool& check1) {
  if (check1) m.SearchPos = 0;
  if (m.SearchPos > 1) m.SearchPos -= 2;
  while (FindNext(m, pane)) ReplaceCurrent(m, pane);
  check1 = true;
  return EndRun(m, CountOf(m.MatchCount),
                {u" 回 変更しました。", u" 見つかりませんでした。", u"置き換え"});
}

// The line-end repair as the same loop, passing over a line feed that follows a CR.
inline SearchMessage RepairLineEnds(Module1& m, MemoryPane& pane) {
  m.WorkText = pane.text();
  m.SearchPos = 0;
  m.SearchText = u"\n";
  m.ReplaceText = u"\r\n";
  m.MatchCount = 0;
  while (FindNext(m, pane)) {
    const std::size_t at = pane.SelStart();
    if (at == 0 || pane.text()[at - 1] != u'\r') ReplaceCurrent(m, pane);
  }
  return EndRun(m, CountOf(m.MatchCount),
                {u" 回 変更しました。", u" 見つかりませんでした。", u"置き換え"});
}

// "全て変更" of the calculated replace.
inline SearchMessage CalcAllChange(Module1& m, MemoryPane& pane, CalcOp op, int format,
                                   bool& check1) {
  if (check1) m.SearchPos = 0;
  if (m.SearchPos > 1) m.SearchPos -= 2;
  while (FindNext(m, pane)) CalcReplaceCurrent(m, pane, op, format);
  check1 = true;
  return EndRun(m, CountOf(m.MatchCount),
                {u" 回変更しました。", u" 見つかりません。", u"計算による変更"});
}

}  // namespace kestrum::reference
