// Find, replace and line-end repair on the source text.
#pragma once

#include <string>
#include <string_view>

#include "ncword/module1.h"
#include "search/text_pane.h"

namespace kestrum {

// The Replace dialog's "全て変更" from the top of text: every occurrence of find replaced by
// with; the report " 回 変更しました。" or " 見つかりませんでした。" and title "置き換え".
TextReport ReplaceAllText(std::u16string_view text, std::u16string_view find,
                          std::u16string_view with, Module1& m);

// A CR before every line feed that does not already follow one.
TextReport RepairLineEndsText(std::u16string_view text, Module1& m);

}  // namespace kestrum
