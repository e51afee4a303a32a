// The main window's text panes: a QPlainTextEdit that keeps every line end exactly.
//
// QPlainTextEdit makes every line end (CR LF, LF, a lone CR) a block boundary and forgets
// which one it was, but the conversions need the difference (only CR LF ends an NC line) and
// a file saved unedited must keep its bytes. So each block records how its line ends in its
// user state, new lines typed or dropped in end in CR LF, and Text() is rebuilt from the
// blocks and their ends. Positions of the TextPane interface count in that text, where CR LF
// is two characters.
#pragma once

#include <QPlainTextEdit>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/text_pane.h"

class QMimeData;
class QTextCursor;

namespace kestrum {

class NcTextEdit : public QPlainTextEdit, public TextPane {
  Q_OBJECT

 public:
  explicit NcTextEdit(QWidget* parent = nullptr);

  // TextPane. SetText raises textChanged() like every other change.
  std::u16string Text() const override;
  std::size_t SelStart() const override;
  std::size_t SelLength() const override;
  void Select(std::size_t start, std::size_t length) override;
  void SetText(std::u16string text) override;

  std::u16string SelectedText() const;
  // Replaces the selection (or inserts at the caret) with text, line ends as they are in it.
  void ReplaceSelection(std::u16string_view text);

  // The clipboard's text: this program's own copies exactly as copied; text from other
  // programs with their bare LF line ends made CR LF, the ends of an NC program.
  static std::u16string ClipboardText();
  // Clears the clipboard and puts text on it (an empty text leaves it empty).
  static void PutOnClipboard(std::u16string_view text);

  // The source pane leaves Cut, Copy, Paste and Select all keys to the window's Edit menu,
  // whose commands take the undo snapshot, and reports a right button press instead of
  // showing Qt's own context menu.
  void SetEditKeysToMenu(bool to_menu) { edit_keys_to_menu_ = to_menu; }

 signals:
  void RightButtonPressed(const QPoint& global_pos);
  void InsertKeyPressed();

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void KeepLineEnds(int position, int removed, int added);
  void FillDocument(const QString& joined);
  // Puts in only what differs from the old text, when that is the smaller part; false when
  // the whole text should go in anew.
  bool ReplaceChangedMiddle(std::u16string_view text);
  // Replaces what range selects with text, line ends as they are in it.
  void ReplaceRange(QTextCursor& range, std::u16string_view text);
  // Text position of the start of every block, built when first needed after a change.
  const std::vector<std::size_t>& BlockStarts() const;
  int ToCursor(std::size_t text_pos) const;
  std::size_t FromCursor(int cursor_pos) const;

  bool edit_keys_to_menu_ = false;
  bool setting_text_ = false;
  mutable std::vector<std::size_t> block_starts_;
  mutable bool starts_valid_ = false;
};

}  // namespace kestrum
