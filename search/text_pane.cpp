#include "search/text_pane.h"

#include <algorithm>

namespace kestrum {

void MemoryPane::Select(std::size_t start, std::size_t length) {
  start_ = std::min(start, text_.size());
  length_ = std::min(length, text_.size() - start_);
}

void MemoryPane::SetText(std::u16string text) {
  text_ = std::move(text);
  start_ = length_ = 0;
  ++changes_;
}

}  // namespace kestrum
