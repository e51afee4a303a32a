// What the search commands need of a text pane, and a plain in-memory pane for the
// command-line converter and the tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrum {

// Positions count characters of Text(), where CR LF is two characters.
class TextPane {
 public:
  virtual ~TextPane() = default;
  virtual std::u16string Text() const = 0;
  virtual std::size_t SelStart() const = 0;
  virtual std::size_t SelLength() const = 0;
  virtual void Select(std::size_t start, std::size_t length) = 0;
  // Replaces the whole text (a change of the document).
  virtual void SetText(std::u16string text) = 0;
};

class MemoryPane final : public TextPane {
 public:
  explicit MemoryPane(std::u16string text = {}) : text_(std::move(text)) {}
  std::u16string Text() const override { return text_; }
  std::size_t SelStart() const override { return start_; }
  std::size_t SelLength() const override { return length_; }
  void Select(std::size_t start, std::size_t length) override;
  void SetText(std::u16string text) override;
  const std::u16string& text() const { return text_; }
  int changes() const { return changes_; }

 private:
  std::u16string text_;
  std::size_t start_ = 0;
  std::size_t length_ = 0;
  int changes_ = 0;
};

// A whole-text command's result: the new text and the message it shows at its end.
struct TextReport {
  std::u16string text;
  std::u16string message;
  std::u16string title;
};

}  // namespace kestrum
