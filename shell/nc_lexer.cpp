#include "shell/nc_lexer.h"

#include <Qsci/qsciscintilla.h>

#include <QTimer>
#include <algorithm>
#include <string_view>

namespace kestrum {
namespace {

using Sci = QsciScintillaBase;

// Line state bit: a comment is still open at the end of the line.
constexpr long kCommentOpen = 1;

// Bytes styled at most in one go (a few milliseconds). Scintilla asks for everything from the
// last styled line to what it is about to show, which after a jump to the end of a large
// program is the whole program; the rest follows in slices from the event loop.
constexpr std::size_t kMostAtOnce = std::size_t{1} << 20;

int StyleOf(NcTokenKind kind) { return static_cast<int>(kind); }

}  // namespace

NcLexer::NcLexer(const QFont& font, QObject* parent) : QsciLexerCustom(parent), font_(font) {}

QString NcLexer::description(int style) const {
  switch (static_cast<NcTokenKind>(style)) {
    case NcTokenKind::kPlain:
      return QStringLiteral("Plain");
    case NcTokenKind::kGCode:
      return QStringLiteral("G code");
    case NcTokenKind::kMCode:
      return QStringLiteral("M code");
    case NcTokenKind::kSequence:
      return QStringLiteral("Sequence number");
    case NcTokenKind::kProgram:
      return QStringLiteral("Program number");
    case NcTokenKind::kAddress:
      return QStringLiteral("Address");
    case NcTokenKind::kComment:
      return QStringLiteral("Comment");
    case NcTokenKind::kMacro:
      return QStringLiteral("Macro");
    case NcTokenKind::kUnknown:
      return QStringLiteral("Not understood");
  }
  return QString();  // QScintilla asks for styles until this is empty
}

// Dark colours that read well on white; comments also get a tinted background.
QColor NcLexer::defaultColor(int style) const {
  switch (static_cast<NcTokenKind>(style)) {
    case NcTokenKind::kGCode:
      return QColor(0, 0, 205);
    case NcTokenKind::kMCode:
      return QColor(150, 0, 150);
    case NcTokenKind::kSequence:
      return QColor(120, 120, 120);
    case NcTokenKind::kProgram:
      return QColor(160, 70, 0);
    case NcTokenKind::kAddress:
      return QColor(0, 100, 130);
    case NcTokenKind::kComment:
      return QColor(0, 120, 0);
    case NcTokenKind::kMacro:
      return QColor(200, 90, 0);
    case NcTokenKind::kUnknown:
      return QColor(215, 0, 0);
    case NcTokenKind::kPlain:
      break;
  }
  return QColor(0, 0, 0);
}

QColor NcLexer::defaultPaper(int style) const {
  if (style == StyleOf(NcTokenKind::kComment)) return QColor(236, 246, 236);
  return QColor(255, 255, 255);
}

QFont NcLexer::defaultFont(int) const { return font_; }

void NcLexer::styleText(int start, int end) {
  QsciScintilla* pane = editor();
  if (!pane || end <= start) return;
  const auto send = [pane](unsigned msg, unsigned long w = 0, long l = 0) {
    return pane->SendScintilla(msg, w, l);
  };
  // Whole lines: from the line of start to the end of the line of end - 1.
  const long first_line = send(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(start));
  const long last_line = send(Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(end - 1));
  const auto from = static_cast<std::size_t>(
      send(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(first_line)));
  const long length = send(Sci::SCI_GETLENGTH);
  long to_pos = send(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(last_line + 1));
  if (to_pos < 0 || to_pos > length) to_pos = length;
  const auto to = static_cast<std::size_t>(to_pos);
  if (to <= from) return;
  const auto* text = reinterpret_cast<const char*>(
      send(Sci::SCI_GETRANGEPOINTER, from, static_cast<long>(to - from)));
  if (!text) return;

  styles_.assign(to - from, static_cast<char>(StyleOf(NcTokenKind::kPlain)));
  bool in_comment =
      first_line > 0 &&
      (send(Sci::SCI_GETLINESTATE, static_cast<unsigned long>(first_line - 1)) & kCommentOpen);
  std::size_t pos = from;   // start of the line being styled
  std::size_t skip_to = 0;  // styled before, and still right
  bool cut_short = false;
  for (long line = first_line; pos < to; ++line) {
    if (pos >= from + kMostAtOnce) {
      cut_short = true;
      break;
    }
    std::size_t eol = pos;
    while (eol < to && text[eol - from] != '\r' && text[eol - from] != '\n') ++eol;
    std::size_t next = eol;
    if (next < to)
      next += text[next - from] == '\r' && next + 1 < to && text[next + 1 - from] == '\n' ? 2 : 1;

    tokens_.clear();
    const bool open =
        TokenizeNcLine(std::string_view(text + (pos - from), eol - pos), in_comment, tokens_);
    for (const NcToken& t : tokens_) {
      std::fill_n(styles_.begin() + static_cast<std::ptrdiff_t>(pos - from + t.start), t.length,
                  static_cast<char>(StyleOf(t.kind)));
    }
    const long old_state = send(Sci::SCI_GETLINESTATE, static_cast<unsigned long>(line));
    const long new_state = (old_state & ~kCommentOpen) | (open ? kCommentOpen : 0);
    if (new_state != old_state)
      send(Sci::SCI_SETLINESTATE, static_cast<unsigned long>(line), new_state);
    in_comment = open;
    pos = next;
    // Past the edited text, a line that ends in the state it had before leaves the lines
    // after it as they were styled.
    if (pos < to && pos >= edited_until_ && new_state == old_state && pos < styled_until_) {
      skip_to = std::min(to, styled_until_);
      break;
    }
  }
  send(Sci::SCI_STARTSTYLING, from);
  send(Sci::SCI_SETSTYLINGEX, pos - from, reinterpret_cast<long>(styles_.data()));
  if (skip_to > pos) send(Sci::SCI_STARTSTYLING, skip_to);
  const std::size_t done = std::max(pos, skip_to);
  styled_until_ = std::max(styled_until_, done);
  if (done >= edited_until_) edited_until_ = 0;
  if (cut_short && !onward_) {
    onward_ = true;
    QTimer::singleShot(0, this, &NcLexer::StyleOnward);
  }
}

long EndOfShownLines(QsciScintilla& pane, long extra) {
  const long first = pane.SendScintilla(Sci::SCI_GETFIRSTVISIBLELINE);
  const long shown = pane.SendScintilla(Sci::SCI_LINESONSCREEN);
  const long end = pane.SendScintilla(Sci::SCI_POSITIONFROMLINE,
                                      static_cast<unsigned long>(first + shown + extra));
  return end < 0 ? pane.SendScintilla(Sci::SCI_GETLENGTH) : end;
}

bool ShownLinesStyled(QsciScintilla& pane) {
  return pane.SendScintilla(Sci::SCI_GETENDSTYLED) >= EndOfShownLines(pane, 0);
}

// The next slice, as long as Scintilla has not styled what it shows.
void NcLexer::StyleOnward() {
  onward_ = false;
  QsciScintilla* pane = editor();
  if (!pane) return;
  const long end = EndOfShownLines(*pane, 1);
  const long styled = pane->SendScintilla(Sci::SCI_GETENDSTYLED);
  if (styled < end)
    pane->SendScintilla(Sci::SCI_COLOURISE, static_cast<unsigned long>(styled), end);
}

void NcLexer::TextInserted(std::size_t position, std::size_t length) {
  if (styled_until_ > position) styled_until_ += length;
  if (edited_until_ > position) edited_until_ += length;
  edited_until_ = std::max(edited_until_, position + length);
}

void NcLexer::TextDeleted(std::size_t position, std::size_t length) {
  const auto shift = [&](std::size_t& p) {
    if (p > position) p = p > position + length ? p - length : position;
  };
  shift(styled_until_);
  shift(edited_until_);
  edited_until_ = std::max(edited_until_, position);
}

void NcLexer::Reset() {
  styled_until_ = 0;
  edited_until_ = 0;
}

}  // namespace kestrum
