// Calculated replace: the number after each occurrence of a search text recomputed.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"
#include "search/text_pane.h"

namespace kestrum {

enum class CalcOp { kAdd = 0, kSub = 1, kMul = 2, kDiv = 3 };  // "＋" "－" "×" "÷"

struct CalcOptions {
  std::u16string find;
  CalcOp op = CalcOp::kAdd;
  std::u16string value;
  int format = 1;  // 1 "1", 2 "1．", 3 "1．0", 4 "01"
};

// Why value cannot be used with op, or "" when it can.
std::u16string CheckCalcValue(CalcOp op, std::u16string_view value);

// The dialog's "全て変更" from the top of text.
TextReport CalcReplaceAllText(std::u16string_view text, const CalcOptions& options, Module1& m);

}  // namespace kestrum
