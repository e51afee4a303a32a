// The main window's text panes: a Scintilla editor that keeps every byte and line end exactly.
//
// Scintilla holds the text in a gap buffer with a line index and lays out only the lines on
// the screen, so a program of a hundred megabytes opens, scrolls and edits at once. The pane
// holds UTF-8 (shell/pane_codec.h says how undecodable bytes are kept); CR LF, LF and a lone
// CR stay the bytes they are, and a line the operator types ends in CR LF. Positions of the
// TextPane interface count UTF-16 code units of Text(), where CR LF is two; they are
// converted through Scintilla's UTF-16 line index, in time that does not grow with the
// document.
#pragma once

#include <Qsci/qsciscintilla.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/text_pane.h"
#include "shell/line_diff.h"
#include "shell/pane_codec.h"

class QMimeData;

namespace kestrum {

class NcLexer;

class NcTextEdit : public QsciScintilla, public TextPane {
  Q_OBJECT

 public:
  explicit NcTextEdit(QWidget* parent = nullptr);
  ~NcTextEdit() override;

  // TextPane. SetText raises Changed() like every other change and puts the caret at the
  // start.
  std::u16string Text() const override;
  std::size_t SelStart() const override;
  std::size_t SelLength() const override;
  void Select(std::size_t start, std::size_t length) override;
  void SetText(std::u16string text) override { Assign(text); }
  // Text() into out, whose memory is used again.
  void TextInto(std::u16string& out) const;
  // SetText without taking the text over.
  void Assign(std::u16string_view text);

  std::u16string SelectedText() const;
  // Replaces the selection (or inserts at the caret) with text, line ends as they are in it;
  // the caret ends after it.
  void ReplaceSelection(std::u16string_view text);
  // Takes the other pane's text as its own, without copying it, and leaves the other empty.
  void TakeTextOf(NcTextEdit& other);

  // The font of the text and of the line numbers.
  void SetPaneFont(const QFont& font);

  // The clipboard's text: this program's own copies exactly as copied; text from other
  // programs with their bare LF line ends made CR LF, the ends of an NC program.
  static std::u16string ClipboardText();
  // Clears the clipboard and puts text on it (an empty text leaves it empty).
  static void PutOnClipboard(std::u16string_view text);

  // The source pane leaves Cut, Copy, Paste and Select all keys to the window's Edit menu,
  // whose commands take the undo snapshot, and reports a right button press instead of
  // showing its own context menu.
  void SetEditKeysToMenu(bool to_menu) { edit_keys_to_menu_ = to_menu; }

  // A pane whose positions the commands ask for (the source pane) builds Scintilla's UTF-16
  // line index for a text beyond ASCII as soon as the event loop is free; others when a
  // position is first asked for.
  void SetIndexEagerly(bool eagerly) { index_eagerly_ = eagerly; }

  // Lines marked as changed (a bar in the margin and a tinted line); they move with edits.
  void SetChangedLines(LineRuns lines);
  const LineRuns& ChangedLines() const { return changed_; }
  // Puts the caret on the first line of the next (or previous) run of changed lines and
  // shows it; false when there is none.
  bool GoToChange(bool forward);

  // The clipboard's text replaces the selection (the preview's own paste).
  void paste() override;

  int FirstVisibleLine() const;
  void SetFirstVisibleLine(int line);
  int HorizontalOffset() const;
  void SetHorizontalOffset(int pixels);

 signals:
  // Every change of the text, typed or set; a command that sets the text raises it once.
  void Changed();
  void RightButtonPressed(const QPoint& global_pos);
  void InsertKeyPressed();
  void Scrolled();
  void ZoomChanged(int zoom);

 protected:
  bool event(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void resizeEvent(QResizeEvent* e) override;
  QMimeData* toMimeData(const QByteArray& text, bool rectangular) const override;
  QByteArray fromMimeData(const QMimeData* source, bool& rectangular) const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;

 private:
  long Send(unsigned msg, unsigned long w = 0, long l = 0) const {
    return SendScintilla(msg, w, l);
  }
  std::size_t Length() const;
  std::string_view Bytes(std::size_t from, std::size_t length) const;
  // Byte position of a text position (clamped to the text, never inside a character or
  // between CR and LF), and back.
  std::size_t ToByte(std::size_t pos) const;
  std::size_t FromByte(std::size_t byte) const;

  void ConfigureDocument();
  void EnsureIndex() const;
  void BuildIndexSoon();
  void DropIndex();
  void FreshDocument();
  // Replaces bytes [from, to) of the pane with bytes whose placeholders are given.
  bool SharesLittle(std::u16string_view text) const;
  void Stream(std::u16string_view text);
  void ReplaceBytes(std::size_t from, std::size_t to, std::string_view bytes,
                    const std::vector<Placeholder>& placeholders);
  // Scintilla's notice before each insertion or deletion, and the work left once it is done.
  void BeforeChange(int position, int type, int length);
  void FinishChange();
  // Raw bytes on both sides of an edit can spell a character: its first byte becomes a
  // placeholder. Runs after every edit, outside Scintilla's notifications.
  void SettleEdits();
  void RejoinLineEnds();
  // What every edit leaves to do once Scintilla has finished it.
  void AfterEdit();
  void ShowChangeMarkers();
  void ClearMarkers();
  void FitLineNumbers();

  NcLexer* lexer_;
  bool edit_keys_to_menu_ = false;
  bool composing_ = false;
  int quiet_ = 0;  // inside a command that raises Changed() itself
  int settling_ = 0;
  std::vector<Placeholder> placeholders_;  // sorted by position
  std::vector<std::size_t> edges_;         // where edits met old bytes, to settle
  std::vector<std::size_t> joins_;         // CRs that an LF came to follow, to settle
  LineRuns changed_;
  std::vector<std::size_t> marked_;  // lines that carry the markers now (the visible ones)
  struct Change {
    bool pending = false;
    std::size_t position = 0;
    std::size_t inserted = 0;  // bytes; 0 for a deletion
    std::size_t line = 0;
    long lines_before = 0;
  } change_;
  bool ascii_ = true;             // the document holds no byte beyond ASCII
  mutable bool indexed_ = false;  // Scintilla keeps its UTF-16 line index
  bool index_soon_ = false;
  bool index_eagerly_ = false;
  bool lines_changed_ = false;
  int number_digits_ = 0;
  int number_zoom_ = 0;
};

}  // namespace kestrum
