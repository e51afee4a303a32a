// NC colouring for the text panes: the words of ncword/nc_tokens.h as Scintilla styles.
//
// Scintilla asks for styles from the first line it has not styled to the position it is
// about to show. Each request is styled line by line into one buffer and handed over in one
// SCI_SETSTYLINGEX call; styling character by character costs more than tokenizing.
// Whether a comment is open at the end of a line is kept in the line's Scintilla line
// state, so a request starts from the line before it. After an edit, lines are restyled
// from the edited line through the edited text, and then only as long as the open-comment
// state at their ends differs from what it was: the lines after that were styled for the
// same state and still are.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <QFont>
#include <cstddef>
#include <string>
#include <vector>

#include "ncword/nc_tokens.h"

class QsciScintilla;

namespace kestrum {

// The position just past the lines the pane shows and extra lines more (its length when they
// run past the end).
long EndOfShownLines(QsciScintilla& pane, long extra);
// Whether the pane has coloured every line it shows.
bool ShownLinesStyled(QsciScintilla& pane);

class NcLexer : public QsciLexerCustom {
  Q_OBJECT

 public:
  NcLexer(const QFont& font, QObject* parent);

  const char* language() const override { return "NC"; }
  QString description(int style) const override;
  QColor defaultColor(int style) const override;
  QColor defaultPaper(int style) const override;
  QFont defaultFont(int style) const override;
  void styleText(int start, int end) override;

  // The pane reports every edit, so that the lexer knows what it has to restyle.
  void TextInserted(std::size_t position, std::size_t length);
  void TextDeleted(std::size_t position, std::size_t length);
  // A new document: nothing of it is styled.
  void Reset();

 private:
  void StyleOnward();

  QFont font_;
  bool onward_ = false;  // a slice of styling is to follow
  std::string styles_;   // one style byte per byte of the range being styled
  std::vector<NcToken> tokens_;
  // Styles and line states before this position were set for the text as it is.
  std::size_t styled_until_ = 0;
  // Edited text not restyled since, up to this position (0: none).
  std::size_t edited_until_ = 0;
};

}  // namespace kestrum
