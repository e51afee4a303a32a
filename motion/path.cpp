#include "motion/path.h"

namespace kestrum {
namespace {

struct ReasonTexts {
  std::u16string_view shown;
  std::string_view printed;
};

constexpr ReasonTexts kReasons[] = {
    {u"変数や値の分からない式", "variable or expression without a known value"},
    {u"変数への代入", "variable set"},
    {u"サブプログラムの呼出し・復帰", "subprogram call or return"},
    {u"IF・GOTO・WHILE", "IF, GOTO or WHILE"},
    {u"固定サイクル", "canned cycle"},
    {u"小文字のコード", "code in lower-case letters"},
    {u"位置への効果が分からないGコード", "G code of unknown effect on the position"},
    {u"NCワードでない名前", "name that is no NC word"},
    {u"U・V・W軸", "U, V or W axis"},
    {u"同じ軸のワードが2つ", "one axis written twice"},
    {u"アドレスと値の間の空白", "blank between an address and its value"},
    {u"中心の決まらない円弧", "arc without a centre"},
    {u"G00〜G03の前の移動", "axis words before any G00 to G03"},
    {u"ブロックスキップ(/)", "optional block skip (/)"},
    {u"極座標指令", "polar coordinate command"},
    {u"片方でだけ分かる位置", "position known on one side only"},
    {u"C/X座標の円弧", "arc in C/X coordinates"},
    {u"8桁以上の数値", "values of more than 7 significant digits"},
};
static_assert(std::size(kReasons) == static_cast<std::size_t>(Unchecked::kCount));

}  // namespace

std::u16string_view UncheckedText(Unchecked why) { return kReasons[static_cast<int>(why)].shown; }

std::string_view UncheckedName(Unchecked why) { return kReasons[static_cast<int>(why)].printed; }

}  // namespace kestrum
