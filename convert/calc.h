// Calculated replace: the number after each occurrence of a search text recomputed.
//
// The dialog works on the search state like the Replace dialog: SearchText is its search
// text, ReplaceText its value text, and FirstStep, SearchPos and MatchCount carry between
// clicks. Each button is a function here that returns the message box to show.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ncword/module1.h"
#include "search/search.h"
#include "search/text_pane.h"

namespace kestrum {

enum class CalcOp { kAdd = 0, kSub = 1, kMul = 2, kDiv = 3 };  // "＋" "－" "×" "÷"

struct CalcOptions {
  std::u16string find;
  CalcOp op = CalcOp::kAdd;
  std::u16string value;
  int format = 1;  // 1 "1", 2 "1．", 3 "1．0", 4 "01"
};

// Why value cannot be used with op, or "" when it can. "＋" and "－" need the whole text to
// be a number; "×" and "÷" read its leading number, and "÷" refuses one that reads as 0.
std::u16string CheckCalcValue(CalcOp op, std::u16string_view value);

// The number after the occurrence of SearchText that the pane has selected, recomputed with
// ReplaceText as the value and written in the format (1 to 4). Blanks and an "=" before the
// number are taken along: "SB = 10" x 1.5 gives "SB=15". The number must start within ten
// characters after the search text. True when it replaced; the search then goes on after
// the new text, otherwise one character after the occurrence's start.
bool CalcReplaceCurrent(Module1& m, TextPane& pane, CalcOp op, int format);

// The dialog's "変　更", "スキップ" and "全て変更"; check1 is "先頭から開始".
SearchMessage CalcDialogChange(Module1& m, TextPane& pane, CalcOp op, int format, bool& check1);
SearchMessage CalcDialogNextFind(Module1& m, TextPane& pane, bool& check1);
SearchMessage CalcDialogAllChange(Module1& m, TextPane& pane, CalcOp op, int format, bool& check1);

// The dialog's "全て変更" from the top of a text of the caller's. As with ReplaceAllText,
// WorkText and SearchPos are left alone. Nothing when CheckCalcValue refuses the value.
std::unique_ptr<AllAtOnce> CalcAll(const CalcOptions& options, Module1& m);
TextReport CalcReplaceAllText(std::u16string_view text, const CalcOptions& options, Module1& m);

}  // namespace kestrum
